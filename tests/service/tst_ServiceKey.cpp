#include "ServiceKey.h"

#include <gtest/gtest.h>

namespace {

struct KeyRow
{
    const char *name;
    const char *userId; // UTF-8
    const char *password;
    const char *expected; // sha256 of the code-page-949 text, worked out by hand with sha256sum
};

class ServiceKeyTest : public ::testing::TestWithParam<KeyRow>
{
};

TEST_P(ServiceKeyTest, HashesTheCodePageText)
{
    const KeyRow &row = GetParam();
    const QString key
        = MakeServiceKey(QString::fromUtf8(row.userId), QString::fromUtf8(row.password));
    EXPECT_EQ(key, QString::fromLatin1(row.expected));
    EXPECT_EQ(key.size(), 64);
    EXPECT_EQ(key, key.toLower());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ServiceKeyTest,
    ::testing::Values(
        // "?userid=abc&passwd=def": the format's 16 characters and the two values, 22 bytes.
        KeyRow {"ThreeAndThree", "abc", "def",
                "46962d73503fbcd5ecd3062f61f96c18fb00fefee96548179d36c0d2018a2897"},
        KeyRow {"DemoUser", "demo", "demo1234",
                "7f97d4ea62d917f51ad34f1ca70ee9402c0352fb9e88beccafe2dd8291a89a9f"},
        // Hangul goes in as its two code-page bytes (C8 AB), an empty password still hashes
        // the text through "passwd=".
        KeyRow {"HangulIdEmptyPassword", "홍", "",
                "c7f934ee2e8e65be17cd9fd7faf323af59161bb5ed24c64c6acaa1379413fc58"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(CodePage949, RoundTripsAndReplacesWhatItLacks)
{
    EXPECT_EQ(ToCodePage949(QString::fromUtf8("a홍b")),
              QByteArray("a\xC8\xAB"
                         "b"));
    // U+1F600 has no code-page form: one "?" for the whole character.
    EXPECT_EQ(ToCodePage949(QString::fromUtf8("x\U0001F600y")), QByteArray("x?y"));
    EXPECT_EQ(FromCodePage949(QByteArray("a\xC8\xAB"
                                         "b")),
              QString::fromUtf8("a홍b"));
    EXPECT_EQ(FromCodePage949(QByteArray("a\xFF")), QString::fromUtf8("a\uFFFD"));
}

} // namespace
