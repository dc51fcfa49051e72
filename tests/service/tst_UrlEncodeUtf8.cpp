#include "LoopbackServer.h"
#include "UbHttpDown.h"
#include "UrlEncodeUtf8.h"

#include <gtest/gtest.h>

namespace {

struct EncodeRow
{
    const char *name;
    const char *text; // UTF-8
    int limit;
    const char *expected;
};

class UrlEncodeTest : public ::testing::TestWithParam<EncodeRow>
{
};

TEST_P(UrlEncodeTest, Encodes)
{
    const EncodeRow &row = GetParam();
    EXPECT_EQ(UrlEncodeUtf8(QString::fromUtf8(row.text), row.limit),
              QString::fromLatin1(row.expected));
}

INSTANTIATE_TEST_SUITE_P(Table, UrlEncodeTest,
                         ::testing::Values(EncodeRow {"LettersAndDigitsStay", "AZaz09", 100,
                                                      "AZaz09"},
                                           EncodeRow {"Space", "a b", 100, "a%20b"},
                                           EncodeRow {"Ampersand", "a&b", 100, "a%26b"},
                                           EncodeRow {"Hash", "a#b", 100, "a%23b"},
                                           EncodeRow {"Plus", "1+1", 100, "1%2B1"},
                                           EncodeRow {"Percent", "100%", 100, "100%25"},
                                           EncodeRow {"EqualsAndQuestion", "k=v?", 100, "k%3Dv%3F"},
                                           EncodeRow {"Hyphen", "a-b", 100, "a%2Db"},
                                           EncodeRow {"Hangul", "한글", 100, "%ED%95%9C%EA%B8%80"},
                                           EncodeRow {"Empty", "", 100, ""},
                                           EncodeRow {"ExactlyAtLimit", "abcd", 4, "abcd"},
                                           EncodeRow {"OverLimitGivesEmpty", "abcde", 4, ""},
                                           // The limit counts UTF-8 bytes, not characters.
                                           EncodeRow {"HangulOverLimit", "한글", 5, ""}),
                         [](const auto &info) { return std::string(info.param.name); });

// An encoded search text reaches the server as one value, whatever it holds.
TEST(UrlEncodeOnTheWire, ValueArrivesWhole)
{
    LoopbackServer http;
    http.server.Get("/list", [](const httplib::Request &req, httplib::Response &res) {
        res.set_content(req.get_param_value("itemNm") + "|"
                            + std::to_string(req.get_param_value_count("itemNm")) + "|"
                            + req.get_param_value("page"),
                        "text/plain");
    });
    ASSERT_TRUE(http.Start());
    const QString search = QString::fromUtf8("a&b #1+2% 가방");
    CUbHttpDown down("VmEditor");
    ASSERT_TRUE(
        down.OpenUrl(http.Url("/list?itemNm=" + UrlEncodeUtf8(search, 1024) + "&page=3"), true));
    const CUbHttpBuffer body = down.ReadAll(10240, 10240, false, 1024);
    ASSERT_TRUE(body);
    EXPECT_EQ(QString::fromUtf8(body.toByteArray()), search + "|1|3");
}

} // namespace
