#include "ServiceApi.h"
#include "ServiceKey.h"
#include "TestServers.h"

#include <QCryptographicHash>

#include <gtest/gtest.h>
#include <mutex>
#include <string>

namespace {

// A service that answers every action with one canned body and status, and remembers what it
// was asked.
class HostileService : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.server.Get(".*", [this](const httplib::Request &req, httplib::Response &res) {
            std::lock_guard<std::mutex> lock(mutex);
            lastPath = req.path;
            lastTarget = req.target;
            res.status = status;
            res.set_content(body, "text/xml; charset=utf-8");
        });
        ASSERT_TRUE(server.Start());
    }

    void Answer(const std::string &text, int code = 200)
    {
        std::lock_guard<std::mutex> lock(mutex);
        body = text;
        status = code;
    }

    LoopbackServer server;
    std::mutex mutex;
    std::string body;
    int status = 200;
    std::string lastPath;
    std::string lastTarget;
};

TEST(ServiceKey, HashesTheFormattedQueryWithoutTerminator)
{
    // "?userid=" + "abc" + "&passwd=" + "xyz": the format's 16 characters and the two values.
    const QByteArray text = "?userid=abc&passwd=xyz";
    ASSERT_EQ(text.size(), 22);
    const QString expected
        = QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex());
    EXPECT_EQ(MakeServiceKey(QStringLiteral("abc"), QStringLiteral("xyz")), expected);
    EXPECT_EQ(
        MakeServiceKey(QStringLiteral("abc"), QString()),
        QString::fromLatin1(
            QCryptographicHash::hash("?userid=abc&passwd=", QCryptographicHash::Sha256).toHex()));
}

struct LoginRow
{
    const char *name;
    std::string body;
    int status;
    bool ok;
    const char *pnsCd; // expected partner code after the call
    const char *error; // expected error text after the call
};

TEST_F(HostileService, LoginAnswers)
{
    const LoginRow rows[] = {
        {"success in capitals", "<r><Result>SUCCESS</Result><PnsCd>P9</PnsCd></r>", 200, true, "P9",
         "before"},
        {"mixed case", "<r><PnsCd>P7</PnsCd><Result>Success</Result></r>", 200, true, "P7",
         "before"},
        {"refused", "<r><Result>Fail</Result><PnsCd>P9</PnsCd></r>", 200, false, "before", "Fail"},
        {"no result", "<r><PnsCd>P9</PnsCd></r>", 200, false, "before", ""},
        {"no partner code", "<r><Result>Success</Result></r>", 200, true, "", "before"},
        {"one byte", "<", 200, false, "before", "before"},
        {"server error with xml", "<r><Result>Success</Result></r>", 500, false, "before",
         "before"},
        {"not xml", "Success, really", 200, false, "before", "before"},
        {"broken utf-8", "<r><Result>Succ\xff\xfe</Result></r>", 200, false, "before", "before"},
    };
    for (const LoginRow &row : rows) {
        SCOPED_TRACE(row.name);
        Answer(row.body, row.status);
        QString pnsCd = QStringLiteral("before");
        QString error = QStringLiteral("before");
        EXPECT_EQ(
            ServiceLogin(server.Host(), QStringLiteral("kim"), QStringLiteral("pw"), pnsCd, error),
            row.ok);
        EXPECT_EQ(pnsCd, QString::fromUtf8(row.pnsCd));
        EXPECT_EQ(error, QString::fromUtf8(row.error));
    }
    // The password never travels; its key does.
    EXPECT_EQ(lastPath, "/CommonLoginAction.uvm");
    EXPECT_EQ(lastTarget.find("pw&"), std::string::npos);
    EXPECT_NE(
        lastTarget.find(
            "key=" + MakeServiceKey(QStringLiteral("kim"), QStringLiteral("pw")).toStdString()),
        std::string::npos);
}

TEST_F(HostileService, CategoriesKeepOnlyNamedTypeOneAndTwo)
{
    Answer("<Cate>"
           "<Item id=\"10\" type=\"1\" name=\"Clothes\"/>"
           "<Item id=\"11\" type=\"3\" name=\"Hidden\"/>"
           "<Item id=\"12\" type=\"2\" name=\"\"/>"
           "<item id=\"13\" type=\"2\" name=\"Shoes\"/>"
           "<Item id=\"\" type=\"1\" name=\"No id\"/>"
           "<Item id=\"14\" name=\"No type\"/>"
           "<Other id=\"15\" type=\"1\" name=\"Other\"/>"
           "<ITEM id=\"16\" type=\"1\" name=\"가방\"/>"
           "</Cate>");
    CCategoryArray categories;
    categories.Append(new CCategory); // emptied first
    ASSERT_TRUE(
        GetCategories(server.Host(), QStringLiteral("0"), QStringLiteral("P1"), categories));
    ASSERT_EQ(categories.Count(), 3);
    EXPECT_EQ(categories[0]->name, QStringLiteral("Clothes"));
    EXPECT_EQ(categories[0]->id, QStringLiteral("10"));
    EXPECT_EQ(categories[0]->type, 1);
    EXPECT_TRUE(categories[0]->pathName.isEmpty());
    EXPECT_EQ(categories[1]->name, QStringLiteral("Shoes"));
    EXPECT_EQ(categories[1]->type, 2);
    EXPECT_EQ(categories[2]->name, QString::fromUtf8("가방"));
    EXPECT_EQ(lastPath, "/CommonGetCateAction.uvm");

    Answer("<Cate/>");
    EXPECT_TRUE(
        GetCategories(server.Host(), QStringLiteral("0"), QStringLiteral("P1"), categories));
    EXPECT_EQ(categories.Count(), 0);
    Answer("x");
    EXPECT_FALSE(
        GetCategories(server.Host(), QStringLiteral("0"), QStringLiteral("P1"), categories));
}

TEST_F(HostileService, ProductKeyNeedsAnItemId)
{
    const struct
    {
        const char *name;
        std::string body;
        int status;
        const char *itemId; // empty: the call fails
    } rows[] = {
        {"id", "<r><ItemId>IT0001</ItemId></r>", 200, "IT0001"},
        {"empty id", "<r><ItemId></ItemId></r>", 200, ""},
        {"no id", "<r><itemid>IT2</itemid></r>", 200, ""},
        {"not found", "<r><ItemId>IT3</ItemId></r>", 404, ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Answer(row.body, row.status);
        QString itemId = QStringLiteral("old");
        const bool ok = GetProductKey(server.Host(), QStringLiteral("kim"), QStringLiteral("pw"),
                                      QStringLiteral("P1"), itemId);
        EXPECT_EQ(ok, *row.itemId != 0);
        EXPECT_EQ(itemId, ok ? QString::fromUtf8(row.itemId) : QStringLiteral("old"));
    }
}

TEST_F(HostileService, ItemListReadsInAnyOrderAndCarriesMissingValuesOver)
{
    Answer("<ItemList>"
           "<curPageNo>2</curPageNo><extra>9</extra><maxPage>4</maxPage>"
           "<LIST>"
           "<Item><itemId>A1</itemId><itemNm>First</itemNm><thumbnail>t1.jpg</thumbnail>"
           "<cateNm>Bags</cateNm><totCnt>3</totCnt><vmiCnt>2</vmiCnt><statusNm>Public</statusNm>"
           "<regDtm>2012-09-25</regDtm><key1>k1</key1><key2>k2</key2><key3>k3</key3></Item>"
           "<row><key3>z3</key3><itemNm>Second</itemNm><itemId>A2</itemId><vmiCnt>5</vmiCnt></row>"
           "</LIST>"
           "<totCnt>47</totCnt><pageSize>15</pageSize>"
           "</ItemList>");
    COpenItemArray items;
    items.totCnt = 99;
    ASSERT_TRUE(GetItemList(server.Host(), 2, QStringLiteral("P1"), QStringLiteral("a&b"),
                            QChar(u'N'), items));
    EXPECT_EQ(items.totCnt, 47);
    EXPECT_EQ(items.pageSize, 15);
    EXPECT_EQ(items.curPageNo, 2);
    EXPECT_EQ(items.maxPage, 4);
    ASSERT_EQ(items.Count(), 2);
    const COpenItem &second = *items[1];
    EXPECT_EQ(second.itemId, QStringLiteral("A2"));
    EXPECT_EQ(second.itemNm, QStringLiteral("Second"));
    EXPECT_EQ(second.thumbnail, QStringLiteral("t1.jpg"));
    EXPECT_EQ(second.cateNm, QStringLiteral("Bags"));
    EXPECT_EQ(second.totCnt, 3);
    EXPECT_EQ(second.vmiCnt, 5);
    EXPECT_EQ(second.key1, QStringLiteral("k1"));
    EXPECT_EQ(second.key3, QStringLiteral("z3"));
    EXPECT_EQ(items[0]->key3, QStringLiteral("k3"));
    EXPECT_EQ(lastPath, "/CommonGetItemListAction.uvm");
    EXPECT_NE(lastTarget.find("itemNm=a%26b&"), std::string::npos) << lastTarget;
    EXPECT_NE(lastTarget.find("curPageNo=2&pageSize=15&useTyp=N"), std::string::npos);

    ASSERT_TRUE(GetItemList(server.Host(), 1, QStringLiteral("P1"), QString(), QChar(u'A'), items));
    EXPECT_EQ(lastTarget.find("useTyp"), std::string::npos);

    Answer("<ItemList><totCnt>1</totCnt></ItemList>", 500);
    EXPECT_FALSE(
        GetItemList(server.Host(), 1, QStringLiteral("P1"), QString(), QChar(u'A'), items));
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(items.totCnt, 0);
}

TEST(ServiceApi, UnreachableHostFailsEveryAction)
{
    LoopbackServer closed;
    ASSERT_TRUE(closed.Start());
    const QString host = closed.Host();
    closed.Stop();
    QString text;
    QString error;
    CCategoryArray categories;
    COpenItemArray items;
    EXPECT_FALSE(ServiceLogin(host, QStringLiteral("a"), QStringLiteral("b"), text, error));
    EXPECT_FALSE(GetCategories(host, QStringLiteral("0"), QString(), categories));
    EXPECT_FALSE(GetProductKey(host, QStringLiteral("a"), QStringLiteral("b"), QString(), text));
    EXPECT_FALSE(GetItemList(host, 1, QString(), QString(), QChar(u'A'), items));
}

class WithLocalService : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(local.Start()); }
    LocalServiceServer local;
};

TEST_F(WithLocalService, SignInTakeAKeyAndList)
{
    QString pnsCd;
    QString error;
    EXPECT_FALSE(
        ServiceLogin(local.Host(), QStringLiteral("demo"), QStringLiteral("wrong"), pnsCd, error));
    EXPECT_FALSE(error.isEmpty());
    ASSERT_TRUE(ServiceLogin(local.Host(), QStringLiteral("demo"), QStringLiteral("demo1234"),
                             pnsCd, error));
    EXPECT_EQ(pnsCd, QStringLiteral("P0001"));

    CCategoryArray categories;
    ASSERT_TRUE(GetCategories(local.Host(), QStringLiteral("0"), pnsCd, categories));
    ASSERT_GT(categories.Count(), 0);
    for (const CCategory *category : categories) {
        EXPECT_FALSE(category->name.isEmpty());
        EXPECT_TRUE(category->type == 1 || category->type == 2);
    }

    QString first;
    QString second;
    ASSERT_TRUE(GetProductKey(local.Host(), QStringLiteral("demo"), QStringLiteral("demo1234"),
                              pnsCd, first));
    ASSERT_TRUE(GetProductKey(local.Host(), QStringLiteral("demo"), QStringLiteral("demo1234"),
                              pnsCd, second));
    EXPECT_NE(first, second);
    EXPECT_FALSE(
        GetProductKey(local.Host(), QStringLiteral("demo"), QStringLiteral("wrong"), pnsCd, first));

    COpenItemArray items;
    EXPECT_TRUE(GetItemList(local.Host(), 1, pnsCd, QString(), QChar(u'A'), items));
    EXPECT_EQ(items.pageSize, 15);
}

} // namespace
