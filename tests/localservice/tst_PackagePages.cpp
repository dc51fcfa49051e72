// Real packages on the service: what an upload tells the item list, and the product pages and
// pictures made from the stored package.
#include "PackageCheck.h"
#include "RealSize.h"
#include "UbHttpDown.h"
#include "UrlEncodeUtf8.h"
#include "helper_ServiceFixture.h"

#include <QRegularExpression>
#include <QUrl>

#include <cmath>

namespace {

struct SizeRow
{
    const char *name;
    QSize pixels;
    QPointF start, end;
    double lengthMm;
    double widthMm, heightMm; // both < 0: no size
};

class RealSizeTest : public ::testing::TestWithParam<SizeRow>
{
};

TEST_P(RealSizeTest, ScalesThePixelSizeByTheMeasuringLine)
{
    const SizeRow &row = GetParam();
    const std::optional<QSizeF> size
        = CRealSize::SizeMm(row.pixels, row.start, row.end, row.lengthMm);
    if (row.widthMm < 0) {
        EXPECT_FALSE(size);
        return;
    }
    ASSERT_TRUE(size);
    EXPECT_NEAR(size->width(), row.widthMm, 1e-9);
    EXPECT_NEAR(size->height(), row.heightMm, 1e-9);
}

const double kNan = std::nan("");

INSTANTIATE_TEST_SUITE_P(
    Table, RealSizeTest,
    ::testing::Values(
        // 1000 px over 100 mm: 0.1 mm per pixel.
        SizeRow {"Horizontal", {4000, 3000}, {100, 50}, {1100, 50}, 100, 400, 300},
        SizeRow {"Vertical", {640, 480}, {5, 400}, {5, 0}, 20, 32, 24},
        // A 3-4-5 line of 500 px, either way round.
        SizeRow {"Diagonal", {640, 480}, {0, 0}, {300, 400}, 50, 64, 48},
        SizeRow {"DiagonalReversed", {640, 480}, {300, 400}, {0, 0}, 50, 64, 48},
        // Two inches typed over 1000 px, stored as 50.8 mm.
        SizeRow {"FromInches", {2000, 1000}, {0, 0}, {1000, 0}, 50.8, 101.6, 50.8},
        SizeRow {"SubPixelLine", {10, 10}, {0, 0}, {0.5, 0}, 1, 20, 20},
        SizeRow {"Unmeasured", {640, 480}, {0, 0}, {0, 0}, 0, -1, -1},
        SizeRow {"NegativeLength", {640, 480}, {0, 0}, {100, 0}, -5, -1, -1},
        SizeRow {"LengthNotANumber", {640, 480}, {0, 0}, {100, 0}, kNan, -1, -1},
        SizeRow {"LengthInfinite", {640, 480}, {0, 0}, {100, 0}, HUGE_VAL, -1, -1},
        SizeRow {"ZeroLengthLine", {640, 480}, {7, 7}, {7, 7}, 30, -1, -1},
        SizeRow {"NoPixels", {0, 480}, {0, 0}, {100, 0}, 30, -1, -1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PackageMemberNames, OnlyTheItemsOwnFiles)
{
    const QString id = QStringLiteral("100001");
    for (const char *good : {"100001.vmd", "100001_0001.vmi", "100001_0012.vmt", "100001_9999.vmu",
                             "100001_10000.vmv", "100001_0003.vi1"})
        EXPECT_TRUE(CPackageCheck::IsMemberName(id, QLatin1String(good))) << good;
    for (const char *bad :
         {"100002.vmd", "100001_0000.vmi", "100001_001.vmi", "100001_01234.vmi", "100001_0001.jpg",
          "100001_0001.vmi.exe", "../100001_0001.vmi", "sub/100001.vmd", "100001_0001.vmi/",
          "1000010_0001.vmi", "100001_0001_sav.jpg", ""})
        EXPECT_FALSE(CPackageCheck::IsMemberName(id, QLatin1String(bad))) << bad;
    EXPECT_FALSE(CPackageCheck::IsMemberName(QStringLiteral("../1"), QStringLiteral("../1.vmd")));
}

class PackagePagesTest : public ServiceFixture
{
protected:
    // A two-photograph product: the first measured (an 800 x 600 picture, 400 px = 100 mm), the
    // second not; a title and explanation that need escaping.
    PackageContent Content() const
    {
        PackageContent content;
        content.title = QStringLiteral("<b>소가죽</b> 토트 & 백");
        content.explanation = QStringLiteral("수제 <script>alert(1)</script>\r\n\"이탈리아\" 가죽");
        content.categories = {{QStringLiteral("1010"), QStringLiteral("패션잡화 > 가방 > 토트백")}};
        content.photos = {PackagePhoto {QSize(800, 600), {100, 100}, {500, 100}, 100},
                          PackagePhoto {QSize(300, 200)}};
        return content;
    }

    QByteArray GetBytes(const QString &pathAndQuery, int *status = nullptr)
    {
        httplib::Client client("127.0.0.1", port);
        const auto result = client.Get(pathAndQuery.toStdString());
        if (status)
            *status = result ? result->status : 0;
        return result && result->status == 200 ? QByteArray::fromStdString(result->body)
                                               : QByteArray();
    }
};

TEST_F(PackagePagesTest, UploadedPackageIsListedSearchableAndShown)
{
    const QString itemId = NewItem();
    const QByteArray package = MakePackage(itemId, Content());
    ASSERT_FALSE(package.isEmpty());
    const ServiceReply upload = Upload(DemoFileName(), package);
    ASSERT_EQ(AnswerText(upload.body, QStringLiteral("Result")), QStringLiteral("Success"));

    // The list tells what the description says.
    const QString list = QStringLiteral("CommonGetItemListAction.uvm?pnsCd=P0001&curPageNo=1"
                                        "&pageSize=15&itemNm=");
    const ServiceReply all = Get(list);
    ASSERT_TRUE(all.ok);
    EXPECT_EQ(AnswerText(all.body, QStringLiteral("itemNm")), Content().title);
    EXPECT_EQ(AnswerText(all.body, QStringLiteral("cateNm")), Content().categories[0].second);
    EXPECT_EQ(AnswerText(all.body, QStringLiteral("totCnt")), QStringLiteral("1"));
    EXPECT_EQ(AnswerText(all.body.mid(all.body.indexOf("<item>")), QStringLiteral("totCnt")),
              QStringLiteral("2"));
    EXPECT_EQ(AnswerText(all.body, QStringLiteral("vmiCnt")), QStringLiteral("1"));
    EXPECT_EQ(AnswerText(all.body, QStringLiteral("statusNm")), QStringLiteral("공개"));
    const ServiceReply found = Get(list + UrlEncodeUtf8(QStringLiteral("토트 &"), 1024));
    EXPECT_EQ(AnswerText(found.body, QStringLiteral("itemId")), itemId);
    const ServiceReply missed = Get(list + UrlEncodeUtf8(QStringLiteral("지갑"), 1024));
    EXPECT_EQ(AnswerText(missed.body, QStringLiteral("totCnt")), QStringLiteral("0"));

    // Its thumbnail is the package's own thumbnail rendition, served by the service.
    const QUrl thumbnail(AnswerText(all.body, QStringLiteral("thumbnail")));
    ASSERT_TRUE(thumbnail.isValid());
    EXPECT_EQ(thumbnail.authority(), Host());
    const QByteArray vmt = ZipMember(package, itemId + QStringLiteral("_0001.vmt"));
    ASSERT_FALSE(vmt.isEmpty());
    EXPECT_EQ(GetBytes(thumbnail.path()), vmt);

    for (const char *action :
         {"/GetProductDtlAction.uvm?viewMode=0&itemId=", "/GetProductPreviewPopMain.uvm?itemId="}) {
        SCOPED_TRACE(action);
        const QString html = QString::fromUtf8(GetBytes(QLatin1String(action) + itemId));
        ASSERT_TRUE(html.startsWith(QStringLiteral("<!DOCTYPE html>")));
        EXPECT_TRUE(html.contains(QStringLiteral("&lt;b&gt;소가죽&lt;/b&gt; 토트 &amp; 백")));
        EXPECT_TRUE(html.contains(QStringLiteral("수제 &lt;script&gt;alert(1)&lt;/script&gt;")));
        EXPECT_TRUE(html.contains(QStringLiteral("&quot;이탈리아&quot; 가죽")));
        EXPECT_FALSE(html.contains(QStringLiteral("<script")));
        EXPECT_FALSE(html.contains(QStringLiteral("<b>")));
        // 400 px over 100 mm: 0.25 mm per pixel, so 800 x 600 px is 200 x 150 mm.
        EXPECT_TRUE(html.contains(QStringLiteral("가로 200.0 mm × 세로 150.0 mm")))
            << qPrintable(html);
        EXPECT_EQ(html.count(QStringLiteral("실측되지 않은 사진")), 1);

        // Every picture link downloads that photograph's full image from the package.
        static const QRegularExpression source(QStringLiteral("<img src=\"([^\"]+)\""));
        QStringList links;
        for (const QRegularExpressionMatch &m : source.globalMatch(html))
            links.append(m.captured(1));
        ASSERT_EQ(links.size(), 2);
        for (int n = 1; n <= 2; ++n) {
            const QString member
                = QStringLiteral("%1_%2.vmi").arg(itemId).arg(n, 4, 10, QChar(u'0'));
            EXPECT_EQ(links[n - 1], QStringLiteral("/vmi/%1/%2").arg(itemId, member));
            const QByteArray image = GetBytes(links[n - 1]);
            EXPECT_FALSE(image.isEmpty());
            EXPECT_EQ(image, ZipMember(package, member));
        }
    }
}

TEST_F(PackagePagesTest, SavedPrivatelyOrTemporarilyIsListedSo)
{
    for (const auto &[type, status] : {std::pair {2, "비공개"}, std::pair {3, "임시저장"}}) {
        const QString itemId = NewItem();
        PackageContent content;
        content.publicationType = type;
        content.title = QStringLiteral("상품 %1").arg(type);
        ASSERT_EQ(AnswerText(Upload(DemoFileName(), MakePackage(itemId, content)).body,
                             QStringLiteral("Result")),
                  QStringLiteral("Success"));
        const ServiceReply list = Get(QStringLiteral("CommonGetItemListAction.uvm?pnsCd=P0001"
                                                     "&curPageNo=1&pageSize=1&key=%1&itemNm=")
                                          .arg(QLatin1String(kDemoKey))
                                      + UrlEncodeUtf8(content.title, 1024));
        EXPECT_EQ(AnswerText(list.body, QStringLiteral("statusNm")), QString::fromUtf8(status));
    }
}

TEST_F(PackagePagesTest, PicturesAreServedOnlyFromStoredPackages)
{
    const QString itemId = NewItem();
    const QByteArray package = MakePackage(itemId, Content());
    ASSERT_EQ(AnswerText(Upload(DemoFileName(), package).body, QStringLiteral("Result")),
              QStringLiteral("Success"));
    const QString notUploaded = NewItem();
    int status = 0;
    EXPECT_FALSE(GetBytes(QStringLiteral("/vmi/%1/%1_0002.vmu").arg(itemId)).isEmpty());
    for (const QString &path :
         {QStringLiteral("/vmi/%1/%1.vmd").arg(itemId),
          QStringLiteral("/vmi/%1/%1_0003.vmi").arg(itemId),
          QStringLiteral("/vmi/%1/%1_0001.vi1").arg(itemId),
          QStringLiteral("/vmi/%1/%1_0001.vmi").arg(notUploaded),
          QStringLiteral("/vmi/424242/424242_0001.vmi"), QStringLiteral("/vmi/%1/..").arg(itemId),
          QStringLiteral("/vmi/%1/..%2F..%2Fservice.db").arg(itemId),
          QStringLiteral("/vmi/%1/%1_0001.vmi/x").arg(itemId),
          QStringLiteral("/vmi/%1/").arg(itemId),
          QStringLiteral("/vmi/%1/%2_0001.vmi").arg(itemId, notUploaded)}) {
        EXPECT_TRUE(GetBytes(path, &status).isEmpty()) << qPrintable(path);
        EXPECT_EQ(status, 404) << qPrintable(path);
    }
}

// An item that is not public is shown only to a request carrying its key1 or its owner's key;
// to anyone else it is missing, and it takes no comments.
TEST_F(PackagePagesTest, PrivateItemsNeedTheirKeys)
{
    const QString itemId = NewItem();
    PackageContent content = Content();
    content.publicationType = 2;
    const ServiceReply upload = Upload(DemoFileName(), MakePackage(itemId, content));
    const QString key1 = AnswerText(upload.body, QStringLiteral("key1"));
    ASSERT_FALSE(key1.isEmpty());
    const QString page = QStringLiteral("/GetProductDtlAction.uvm?viewMode=0&itemId=") + itemId;
    const QString preview = QStringLiteral("/GetProductPreviewPopMain.uvm?itemId=") + itemId;
    const QString picture = QStringLiteral("/vmi/%1/%1_0001.vmi").arg(itemId);
    const QString owner = QStringLiteral("&key=") + QLatin1String(kDemoKey);
    const struct
    {
        const char *name;
        QString path;
        int status;
    } rows[] = {
        {"PageWithoutKey", page, 404},
        {"PageWithOtherKey1", page + QStringLiteral("&key1=") + QString(32, u'0'), 404},
        {"PageWithKey1", page + QStringLiteral("&key1=") + key1, 200},
        {"PageOfOwner", page + owner, 200},
        {"PreviewWithoutKey", preview, 404},
        {"PreviewWithKey1", preview + QStringLiteral("&key1=") + key1, 200},
        {"PictureWithoutKey", picture, 404},
        {"PictureWithKey1", picture + QStringLiteral("?key1=") + key1, 200},
        {"Comment",
         QStringLiteral("/InsertEdiItemComments.uvm?itemId=%1&cmtTyp=02&snsUserId=a").arg(itemId)
             + QStringLiteral("&snsUserNm=b&snsId=c&snsImage=d"),
         404},
    };
    for (const auto &row : rows) {
        int status = 0;
        GetBytes(row.path, &status);
        EXPECT_EQ(status, row.status) << row.name;
    }
    EXPECT_EQ(service->Database().CommentCount(itemId), 0);
    // The page's picture links carry the key1, so they show wherever the page does.
    EXPECT_TRUE(QString::fromUtf8(GetBytes(page + QStringLiteral("&key1=") + key1))
                    .contains(picture + QStringLiteral("?key1=") + key1));
}

// Requests naming another host (a rebound name) are refused; links name the configured host.
TEST_F(PackagePagesTest, OnlyItsOwnHostNamesAreServed)
{
    service->SetAddresses(QStringLiteral("127.0.0.1"), port, {QStringLiteral("shop.example")});
    const std::string own = QStringLiteral(":%1").arg(port).toStdString();
    const struct
    {
        std::string host;
        int status;
    } rows[] = {
        {"attacker.example" + own, 400}, {"127.0.0.1:1", 400},        {"localhost:1", 400},
        {"127.0.0.1" + own, 200},        {"shop.example" + own, 200}, {"localhost" + own, 200},
    };
    httplib::Client client("127.0.0.1", port);
    for (const auto &row : rows) {
        const auto result = client.Get("/editor/version_user.ini", {{"Host", row.host}});
        ASSERT_TRUE(result) << row.host;
        EXPECT_EQ(result->status, row.status) << row.host;
    }
    const QString itemId = NewItem();
    const ServiceReply upload = Upload(DemoFileName(), MakePackage(itemId));
    EXPECT_TRUE(AnswerText(upload.body, QStringLiteral("VmiUrl"))
                    .startsWith(QStringLiteral("http://shop.example:%1/").arg(port)));
}

TEST_F(PackagePagesTest, ItemWithoutPackagePicturesShowsNone)
{
    // Stored before pictures were recorded (or by hand): the page still answers, with no
    // pictures and no thumbnail link.
    const QString itemId = NewItem();
    ASSERT_TRUE(service->Database().StoreUpload(itemId, 10, CServiceItemSummary()));
    const QString html
        = QString::fromUtf8(GetBytes(QStringLiteral("/GetProductDtlAction.uvm?itemId=") + itemId));
    EXPECT_TRUE(html.startsWith(QStringLiteral("<!DOCTYPE html>")));
    EXPECT_FALSE(html.contains(QStringLiteral("<img")));
    const ServiceReply list
        = Get(QStringLiteral("CommonGetItemListAction.uvm?pnsCd=P0001&curPageNo=1&pageSize=15"));
    EXPECT_TRUE(AnswerText(list.body, QStringLiteral("thumbnail")).isEmpty());
}

} // namespace
