#include "ServiceUrls.h"
#include "UbHttpDown.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

const QString kHost = QStringLiteral("svc.example:8080");
const QString kKey = QString(64, u'a');

struct UrlRow
{
    const char *name;
    std::function<QString()> build;
    QString expected;
};

class ServiceUrlTest : public ::testing::TestWithParam<UrlRow>
{
};

TEST_P(ServiceUrlTest, Builds)
{
    EXPECT_EQ(GetParam().build(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ServiceUrlTest,
    ::testing::Values(
        UrlRow {"Login", [] { return ServiceUrls::Login(kHost, QStringLiteral("demo"), kKey); },
                "svc.example:8080/CommonLoginAction.uvm?userId=demo&key=" + kKey + "&userTyp=01"},
        UrlRow {"Categories",
                [] {
                    return ServiceUrls::Categories(kHost, QStringLiteral("0"),
                                                   QStringLiteral("P1"));
                },
                "svc.example:8080/CommonGetCateAction.uvm?cateId=0&pnsCd=P1"},
        UrlRow {"ProductKey",
                [] {
                    return ServiceUrls::ProductKey(kHost, QStringLiteral("demo"),
                                                   QStringLiteral("P1"), kKey);
                },
                "svc.example:8080/CommonGetProdKeyAction.uvm?userId=demo&pnsCd=P1&key=" + kKey},
        UrlRow {"ItemListAll",
                [] {
                    return ServiceUrls::ItemList(kHost, QStringLiteral("P1"), QString(), 1, 15,
                                                 u'A');
                },
                "svc.example:8080/"
                "CommonGetItemListAction.uvm?pnsCd=P1&itemNm=&curPageNo=1&pageSize=15"},
        UrlRow {"ItemListPrivateWithSearch",
                [] {
                    return ServiceUrls::ItemList(kHost, QStringLiteral("P1"),
                                                 QString::fromUtf8("a&b #1+2% 가"), 3, 15, u'N');
                },
                "svc.example:8080/CommonGetItemListAction.uvm?pnsCd=P1"
                "&itemNm=a%26b%20%231%2B2%25%20%EA%B0%80&curPageNo=3&pageSize=15&useTyp=N"},
        UrlRow {"Download",
                [] {
                    return ServiceUrls::Download(kHost, QStringLiteral("100001"),
                                                 QString::fromUtf8("홍 길동"), kKey);
                },
                "svc.example:8080/CommonGetZipDownAction.uvm?itemId=100001"
                "&userId=%ED%99%8D%20%EA%B8%B8%EB%8F%99&key="
                    + kKey},
        UrlRow {"Upload", [] { return ServiceUrls::Upload(kHost); },
                "svc.example:8080/CommonProductUploadAction.uvm"},
        UrlRow {"Preview", [] { return ServiceUrls::Preview(kHost, QStringLiteral("100001")); },
                "http://svc.example:8080/GetProductPreviewPopMain.uvm?itemId=100001"},
        UrlRow {"ProductDetail",
                [] { return ServiceUrls::ProductDetail(kHost, QStringLiteral("100001")); },
                "http://svc.example:8080/GetProductDtlAction.uvm?itemId=100001&viewMode=0"},
        UrlRow {"SocialComment",
                [] {
                    return ServiceUrls::SocialComment(
                        kHost, QStringLiteral("7"), QStringLiteral("a@b.kr"),
                        QString::fromUtf8("홍"), QStringLiteral("1_2"),
                        QStringLiteral("http://x/p.png"));
                },
                "http://svc.example:8080/InsertEdiItemComments.uvm?itemId=7&cmtTyp=02"
                "&snsUserId=a%40b%2Ekr&snsUserNm=%ED%99%8D&snsId=1%5F2"
                "&snsImage=http%3A%2F%2Fx%2Fp%2Epng"},
        UrlRow {"VersionFile",
                [] { return ServiceUrls::VersionFile(QStringLiteral("127.0.0.1:18250")); },
                "http://127.0.0.1:18250/editor/version_user.ini"},
        // A value too long to send empties the whole address instead of going out cut short.
        UrlRow {"OverlongSearch",
                [] {
                    return ServiceUrls::ItemList(kHost, QStringLiteral("P1"), QString(1025, u'x'),
                                                 1, 15, u'A');
                },
                QString()}),
    [](const auto &info) { return std::string(info.param.name); });

// The client sends every action to the port written in the host.
TEST(ServiceUrls, HostPortReachesTheClient)
{
    for (const QString &url :
         {ServiceUrls::Login(kHost, QStringLiteral("demo"), kKey), ServiceUrls::Upload(kHost),
          ServiceUrls::ProductDetail(kHost, QStringLiteral("1")),
          ServiceUrls::ItemList(kHost, QStringLiteral("P1"), QString::fromUtf8("가방"), 1, 15,
                                u'Y')}) {
        CUbHttpUrl parts;
        ASSERT_TRUE(CUbHttpDown::SplitUrl(url, parts)) << url.toStdString();
        EXPECT_EQ(parts.host, QStringLiteral("svc.example"));
        EXPECT_EQ(parts.port, 8080);
        EXPECT_FALSE(parts.secure);
    }
}

TEST(ServiceUrls, UploadFileNameIsCodePageBytes)
{
    EXPECT_EQ(ServiceUrls::UploadFileName(QString::fromUtf8("홍"), QStringLiteral("P1"), kKey),
              QByteArray("\xC8\xAB_P1_") + kKey.toLatin1());
}

} // namespace
