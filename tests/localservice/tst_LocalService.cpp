#include "ServiceKey.h"
#include "ServiceUrls.h"
#include "UbHttpDown.h"
#include "UrlEncodeUtf8.h"
#include "helper_ServiceFixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <chrono>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct Category
{
    QString id;
    int type;
    QString name;
};

QList<Category> ReadCategories(const QByteArray &xml)
{
    QList<Category> out;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == u"Item") {
            const auto a = reader.attributes();
            out.append({a.value(QStringLiteral("id")).toString(),
                        a.value(QStringLiteral("type")).toInt(),
                        a.value(QStringLiteral("name")).toString()});
        }
    }
    return out;
}

// A plain loopback connection, for clients that misbehave on purpose.
class RawConnection
{
public:
    explicit RawConnection(int port)
        : m_fd(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in addr {};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(m_fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~RawConnection()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool Send(const QByteArray &bytes)
    {
        return m_fd >= 0
            && ::send(m_fd, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL)
            == bytes.size();
    }
    // What arrives until the server closes or the time is up; closed tells which.
    QByteArray Receive(std::chrono::milliseconds within, bool *closed = nullptr)
    {
        QByteArray out;
        const auto end = std::chrono::steady_clock::now() + within;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            pollfd fd {m_fd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0)
                break;
            char buffer[4096];
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                if (closed)
                    *closed = true;
                break;
            }
            out.append(buffer, n);
        }
        return out;
    }

private:
    int m_fd;
};

QString Key(const char *user, const char *password)
{
    return MakeServiceKey(QString::fromUtf8(user), QString::fromUtf8(password));
}

class LocalServiceTest : public ServiceFixture
{
protected:
    // Uploads a fresh package for a new demo item and returns the item id.
    QString UploadedItem(const QString &title = QStringLiteral("가죽 가방"))
    {
        const QString itemId = NewItem();
        if (itemId.isEmpty())
            return QString();
        const ServiceReply reply = Upload(DemoFileName(), MakePackage(itemId, title));
        return AnswerText(reply.body, QStringLiteral("Result")) == QLatin1String("Success")
            ? itemId
            : QString();
    }

    QString ListUrl(const QString &extra) const
    {
        return QStringLiteral("CommonGetItemListAction.uvm?pnsCd=P0001&itemNm=&curPageNo=1"
                              "&pageSize=15&key=")
            + QLatin1String(kDemoKey) + extra;
    }
};

TEST_F(LocalServiceTest, VersionFileNamesTheCurrentVersion)
{
    const ServiceReply reply = Get(QStringLiteral("editor/version_user.ini"));
    ASSERT_TRUE(reply.ok);
    EXPECT_EQ(reply.body, "[VmEditor]\r\nVersion=1209250\r\n");
}

const char *const kLoginFailed = "아이디 또는 비밀번호가 일치하지 않습니다.";

struct LoginRow
{
    const char *name;
    QString query;
    const char *result;
    const char *pnsCd;
};

class LoginTest : public LocalServiceTest, public ::testing::WithParamInterface<LoginRow>
{
};

TEST_P(LoginTest, AnswersWithResult)
{
    const LoginRow &row = GetParam();
    const ServiceReply reply = Get(QStringLiteral("CommonLoginAction.uvm?") + row.query);
    ASSERT_TRUE(reply.ok) << reply.status;
    EXPECT_EQ(AnswerText(reply.body, QStringLiteral("Result")), QString::fromUtf8(row.result));
    EXPECT_EQ(AnswerText(reply.body, QStringLiteral("PnsCd")), QString::fromUtf8(row.pnsCd));
}

INSTANTIATE_TEST_SUITE_P(
    Table, LoginTest,
    ::testing::Values(
        LoginRow {"DemoUser", "userId=demo&key=" + Key("demo", "demo1234") + "&userTyp=01",
                  "Success", "P0001"},
        LoginRow {"WrongPassword", "userId=demo&key=" + Key("demo", "demo12345") + "&userTyp=01",
                  kLoginFailed, ""},
        LoginRow {"KeyInCapitals",
                  "userId=demo&key=" + Key("demo", "demo1234").toUpper() + "&userTyp=01",
                  kLoginFailed, ""},
        // An unknown id reads exactly like a wrong password.
        LoginRow {"UnknownUser", "userId=nobody&key=" + Key("nobody", "x") + "&userTyp=01",
                  kLoginFailed, ""},
        LoginRow {"MissingKey", "userId=demo&userTyp=01", "잘못된 요청입니다.", ""},
        LoginRow {"TwoUserIds",
                  "userId=demo&userId=x&key=" + Key("demo", "demo1234") + "&userTyp=01",
                  "잘못된 요청입니다.", ""},
        LoginRow {"WrongUserType", "userId=demo&key=" + Key("demo", "demo1234") + "&userTyp=02",
                  "잘못된 요청입니다.", ""},
        LoginRow {"BrokenUtf8", "userId=%FF%FE&key=" + Key("demo", "demo1234") + "&userTyp=01",
                  "잘못된 요청입니다.", ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(LocalServiceTest, CategoryTreeHasThreeLevelsOfTypesOneAndTwo)
{
    const ServiceReply top = Get(QStringLiteral("CommonGetCateAction.uvm?cateId=0&pnsCd=P0001"));
    ASSERT_TRUE(top.ok);
    const QList<Category> level1 = ReadCategories(top.body);
    ASSERT_GE(level1.size(), 3);
    int deepest = 0;
    for (const Category &c1 : level1) {
        EXPECT_TRUE(c1.type == 1 || c1.type == 2);
        EXPECT_FALSE(c1.name.isEmpty());
        const QList<Category> level2
            = ReadCategories(Get("CommonGetCateAction.uvm?cateId=" + c1.id + "&pnsCd=P0001").body);
        // Type 1 has sub-categories, type 2 is a leaf.
        EXPECT_EQ(level2.isEmpty(), c1.type == 2) << c1.id.toStdString();
        for (const Category &c2 : level2) {
            const QList<Category> level3 = ReadCategories(
                Get("CommonGetCateAction.uvm?cateId=" + c2.id + "&pnsCd=P0001").body);
            EXPECT_EQ(level3.isEmpty(), c2.type == 2) << c2.id.toStdString();
            for (const Category &c3 : level3) {
                EXPECT_EQ(c3.type, 2);
                ++deepest;
            }
        }
    }
    EXPECT_GE(deepest, 10);
}

TEST_F(LocalServiceTest, CategoriesNeedAKnownPartner)
{
    EXPECT_FALSE(Get(QStringLiteral("CommonGetCateAction.uvm?cateId=0&pnsCd=P9999")).ok);
    EXPECT_FALSE(Get(QStringLiteral("CommonGetCateAction.uvm?pnsCd=P0001")).ok);
    const ServiceReply leaf
        = Get(QStringLiteral("CommonGetCateAction.uvm?cateId=101010&pnsCd=P0001"));
    ASSERT_TRUE(leaf.ok);
    EXPECT_TRUE(ReadCategories(leaf.body).isEmpty());
}

TEST_F(LocalServiceTest, ProductKeysAreNewEachTime)
{
    const QString first = NewItem();
    const QString second = NewItem();
    EXPECT_FALSE(first.isEmpty());
    EXPECT_FALSE(second.isEmpty());
    EXPECT_NE(first, second);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9]+$")).match(first).hasMatch());
}

TEST_F(LocalServiceTest, ProductKeyRefusesWrongCredentials)
{
    const QString good = QStringLiteral("CommonGetProdKeyAction.uvm?userId=demo&pnsCd=%1&key=%2");
    EXPECT_FALSE(Get(good.arg(QStringLiteral("P0001"), Key("demo", "nope"))).ok);
    EXPECT_FALSE(Get(good.arg(QStringLiteral("P0002"), Key("demo", "demo1234"))).ok);
    EXPECT_FALSE(Get(QStringLiteral("CommonGetProdKeyAction.uvm?userId=demo&pnsCd=P0001")).ok);
}

TEST_F(LocalServiceTest, UploadListDownloadRoundTrip)
{
    const QString itemId = NewItem();
    ASSERT_FALSE(itemId.isEmpty());
    PackageContent content;
    content.photos = {PackagePhoto {QSize(800, 600)}};
    const QByteArray package = MakePackage(itemId, content);
    ASSERT_GT(package.size(), 70000);
    ASSERT_FALSE(package.isEmpty());

    const ServiceReply upload = Upload(DemoFileName(), package);
    ASSERT_TRUE(upload.ok);
    EXPECT_EQ(AnswerText(upload.body, QStringLiteral("Result")), QStringLiteral("Success"));
    // Both links are whole addresses: the first photograph, and the product page.
    EXPECT_EQ(AnswerText(upload.body, QStringLiteral("VmiPath")),
              QStringLiteral("http://%1/vmi/%2/%2_0001.vmi").arg(Host(), itemId));
    EXPECT_EQ(AnswerText(upload.body, QStringLiteral("VmiUrl")),
              QStringLiteral("http://%1/GetProductDtlAction.uvm?itemId=%2&viewMode=0")
                  .arg(Host(), itemId));
    const QString key1 = AnswerText(upload.body, QStringLiteral("key1"));
    EXPECT_EQ(key1.size(), 32);
    EXPECT_NE(key1, AnswerText(upload.body, QStringLiteral("key2")));
    EXPECT_FALSE(AnswerText(upload.body, QStringLiteral("key3")).isEmpty());

    const ServiceReply list = Get(ListUrl(QString()));
    ASSERT_TRUE(list.ok);
    EXPECT_EQ(AnswerText(list.body, QStringLiteral("totCnt")), QStringLiteral("1"));
    EXPECT_EQ(AnswerText(list.body, QStringLiteral("maxPage")), QStringLiteral("1"));
    EXPECT_EQ(AnswerText(list.body, QStringLiteral("itemId")), itemId);
    EXPECT_EQ(AnswerText(list.body, QStringLiteral("key1")), key1);

    CUbHttpDown down(QStringLiteral("VmEditor"));
    ASSERT_TRUE(down.OpenUrl(Host()
                                 + QStringLiteral("/CommonGetZipDownAction.uvm?itemId=%1&userId="
                                                  "demo&key=%2")
                                       .arg(itemId, QLatin1String(kDemoKey)),
                             true));
    EXPECT_EQ(down.ContentLength(), package.size());
    const CUbHttpBuffer body = down.ReadAll(10240, 10240, false, 1024);
    ASSERT_TRUE(body);
    EXPECT_EQ(body.toByteArray(), package);

    QFile stored(service->PackagePath(itemId));
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_EQ(stored.readAll(), package);
}

// The editor's own address builders against the service: every action answers.
TEST_F(LocalServiceTest, EditorAddressesReachTheService)
{
    auto get = [](const QString &url) {
        CUbHttpDown down(QStringLiteral("VmEditor"));
        if (!down.OpenUrl(url, true))
            return QByteArray();
        return down.ReadAll(10240, 10240, false, 1024).toByteArray();
    };
    const QString key = MakeServiceKey(QStringLiteral("demo"), QStringLiteral("demo1234"));
    const QByteArray login = get(ServiceUrls::Login(Host(), QStringLiteral("demo"), key));
    EXPECT_EQ(AnswerText(login, QStringLiteral("PnsCd")), QStringLiteral("P0001"));
    EXPECT_FALSE(ReadCategories(get(ServiceUrls::Categories(Host(), QStringLiteral("0"),
                                                            QStringLiteral("P0001"))))
                     .isEmpty());
    const QString itemId = AnswerText(
        get(ServiceUrls::ProductKey(Host(), QStringLiteral("demo"), QStringLiteral("P0001"), key)),
        QStringLiteral("ItemId"));
    ASSERT_FALSE(itemId.isEmpty());
    const QByteArray package = MakePackage(itemId);
    const ServiceReply upload = Upload(
        ServiceUrls::UploadFileName(QStringLiteral("demo"), QStringLiteral("P0001"), key), package);
    ASSERT_EQ(AnswerText(upload.body, QStringLiteral("Result")), QStringLiteral("Success"));
    const QByteArray list
        = get(ServiceUrls::ItemList(Host(), QStringLiteral("P0001"), QString(), 1, 15, u'A', key));
    EXPECT_EQ(AnswerText(list, QStringLiteral("itemId")), itemId);
    const QString key1 = AnswerText(list, QStringLiteral("key1"));
    EXPECT_FALSE(key1.isEmpty());
    EXPECT_EQ(get(ServiceUrls::Download(Host(), itemId, QStringLiteral("demo"), key)), package);
    EXPECT_TRUE(get(ServiceUrls::ProductDetail(Host(), itemId)).startsWith("<!DOCTYPE html>"));
    EXPECT_TRUE(get(ServiceUrls::Preview(Host(), itemId)).startsWith("<!DOCTYPE html>"));
    EXPECT_TRUE(get(ServiceUrls::Preview(Host(), itemId, key1)).startsWith("<!DOCTYPE html>"));
    EXPECT_FALSE(get(ServiceUrls::SocialComment(Host(), itemId, QStringLiteral("a@b.kr"),
                                                QString::fromUtf8("홍 길동"), QStringLiteral("1_2"),
                                                QStringLiteral("http://x/p.png")))
                     .isEmpty());
    EXPECT_EQ(service->Database().CommentCount(itemId), 1);
    EXPECT_EQ(get(ServiceUrls::VersionFile(Host())), "[VmEditor]\r\nVersion=1209250\r\n");
}

TEST_F(LocalServiceTest, UploadAgainReplacesThePackageAndKeepsTheKeys)
{
    const QString itemId = NewItem();
    const ServiceReply first = Upload(DemoFileName(), MakePackage(itemId, QStringLiteral("first")));
    const QByteArray second = MakePackage(itemId, QStringLiteral("second version"));
    const ServiceReply again = Upload(DemoFileName(), second);
    ASSERT_EQ(AnswerText(again.body, QStringLiteral("Result")), QStringLiteral("Success"));
    EXPECT_EQ(AnswerText(again.body, QStringLiteral("key1")),
              AnswerText(first.body, QStringLiteral("key1")));
    QFile stored(service->PackagePath(itemId));
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_EQ(stored.readAll(), second);
    EXPECT_EQ(AnswerText(Get(ListUrl(QString())).body, QStringLiteral("totCnt")),
              QStringLiteral("1"));
}

enum class UploadFault {
    WrongField,
    WrongKey,
    WrongPartner,
    NoSeparators,
    NotAZip,
    DescriptionNotFirst,
    NoDescription,
    DescriptionNotXml,
    DescriptionLacksTag,
    DescriptionNamesOtherItem,
    PhotoMissing,
    PhotoNotAPicture,
    StrayMember,
    MemberInFolder,
    MemberAboveTheFolder,
    MemberAboveWithBackslashes,
    MemberTwice,
    MemberDeclaresTooMuch,
    PhotoNotDescribed,
    DescriptionFromRoot,
    DescriptionThroughParent,
    DescriptionOnDrive,
    UnknownItem,
    SomeoneElsesItem,
};

// The members of a good package, changed by edit, packed again in their new order.
QByteArray Repacked(const QByteArray &package,
                    const std::function<void(QList<QPair<QString, QByteArray>> &)> &edit)
{
    QList<QPair<QString, QByteArray>> members = ZipMembers(package);
    EXPECT_FALSE(members.isEmpty());
    edit(members);
    return MakeZip(members);
}

const char *const kBad = "상품 파일이 올바르지 않습니다.";

struct UploadRow
{
    const char *name;
    UploadFault fault;
    const char *result;
};

class UploadFailureTest : public LocalServiceTest, public ::testing::WithParamInterface<UploadRow>
{
};

TEST_P(UploadFailureTest, FailsAndStoresNothing)
{
    const UploadRow &row = GetParam();
    ASSERT_TRUE(service->Database().AddUser(QStringLiteral("other"), QStringLiteral("pw"),
                                            QStringLiteral("P0002")));
    QString itemId = NewItem();
    QByteArray fileName = DemoFileName();
    QByteArray field = "SCRIPT_DOC_NM";
    QByteArray package;
    switch (row.fault) {
    case UploadFault::WrongField:
        field = "FILE";
        break;
    case UploadFault::WrongKey:
        fileName = "demo_P0001_" + Key("demo", "guess").toLatin1();
        break;
    case UploadFault::WrongPartner:
        fileName = "demo_P0002_" + QByteArray(kDemoKey);
        break;
    case UploadFault::NoSeparators:
        fileName = "package.zip";
        break;
    case UploadFault::NotAZip:
        package = "this is not an archive at all";
        break;
    case UploadFault::DescriptionNotFirst:
        package = Repacked(MakePackage(itemId), [](auto &m) { m.swapItemsAt(0, 1); });
        break;
    case UploadFault::NoDescription:
        package = Repacked(MakePackage(itemId), [](auto &m) { m.removeFirst(); });
        break;
    case UploadFault::DescriptionNotXml:
        package = Repacked(MakePackage(itemId), [](auto &m) { m[0].second = "<product><<"; });
        break;
    case UploadFault::DescriptionLacksTag:
        package = Repacked(MakePackage(itemId), [](auto &m) {
            m[0].second.replace("\t<tag></tag>\r\n", "");
            EXPECT_FALSE(m[0].second.contains("<tag>"));
        });
        break;
    case UploadFault::DescriptionNamesOtherItem:
        package = Repacked(MakePackage(itemId), [&itemId](auto &m) {
            const QByteArray own = ("<itemID>" + itemId + "</itemID>").toUtf8();
            EXPECT_TRUE(m[0].second.contains(own));
            m[0].second.replace(own, "<itemID>999999</itemID>");
        });
        break;
    case UploadFault::PhotoMissing:
        package = Repacked(MakePackage(itemId), [](auto &m) { m.removeAt(1); });
        break;
    case UploadFault::PhotoNotAPicture:
        package = Repacked(MakePackage(itemId), [](auto &m) { m[1].second = "not a picture"; });
        break;
    case UploadFault::StrayMember:
        package = Repacked(MakePackage(itemId), [](auto &m) {
            m.append({QStringLiteral("readme.txt"), "hello"});
        });
        break;
    case UploadFault::MemberInFolder:
        package = Repacked(MakePackage(itemId), [](auto &m) {
            m.append({"sub/" + m[1].first, m[1].second});
        });
        break;
    case UploadFault::MemberAboveTheFolder:
        package = Repacked(MakePackage(itemId), [](auto &m) {
            m.append({"../../../../../" + m[1].first, m[1].second});
        });
        break;
    case UploadFault::MemberAboveWithBackslashes:
        package = Repacked(MakePackage(itemId), [](auto &m) {
            m.append({"..\\..\\..\\..\\..\\x" + m[1].first, m[1].second});
        });
        break;
    case UploadFault::MemberTwice:
        package = Repacked(MakePackage(itemId), [](auto &m) {
            const auto copy = m.at(1);
            m.append(copy);
        });
        break;
    case UploadFault::MemberDeclaresTooMuch: {
        // The photograph's directory entry claims 3.75 GiB unpacked.
        package = MakePackage(itemId);
        auto le = [&package](qsizetype at, int bytes) {
            qint64 v = 0;
            for (int i = bytes - 1; i >= 0; --i)
                v = (v << 8) | static_cast<uchar>(package.at(at + i));
            return static_cast<qsizetype>(v);
        };
        const qsizetype end = package.lastIndexOf("PK\x05\x06");
        ASSERT_GT(end, 0);
        const qsizetype first = le(end + 16, 4); // the description's entry
        const qsizetype central
            = first + 46 + le(first + 28, 2) + le(first + 30, 2) + le(first + 32, 2);
        ASSERT_EQ(package.mid(central, 4), QByteArray("PK\x01\x02"));
        package.replace(central + 24, 4, QByteArray("\x00\x00\x00\xF0", 4));
        break;
    }
    case UploadFault::PhotoNotDescribed:
        package = Repacked(MakePackage(itemId), [itemId](auto &m) {
            m.append({itemId + QStringLiteral("_0002.vmi"), m[1].second});
        });
        break;
    case UploadFault::DescriptionFromRoot:
    case UploadFault::DescriptionThroughParent:
    case UploadFault::DescriptionOnDrive: {
        const QString prefix = row.fault == UploadFault::DescriptionFromRoot ? QStringLiteral("/")
            : row.fault == UploadFault::DescriptionOnDrive                   ? QStringLiteral("C:/")
                                                           : itemId + QStringLiteral("/../");
        package = Repacked(MakePackage(itemId), [prefix](auto &m) { m[0].first.prepend(prefix); });
        break;
    }
    case UploadFault::UnknownItem:
        package = MakePackage(QStringLiteral("999999999"));
        break;
    case UploadFault::SomeoneElsesItem: {
        const ServiceReply key
            = Get("CommonGetProdKeyAction.uvm?userId=other&pnsCd=P0002&key=" + Key("other", "pw"));
        itemId = AnswerText(key.body, QStringLiteral("ItemId"));
        ASSERT_FALSE(itemId.isEmpty());
        break;
    }
    }
    if (package.isEmpty())
        package = MakePackage(itemId);

    const ServiceReply reply = Upload(fileName, package, field);
    ASSERT_TRUE(reply.ok) << reply.status;
    EXPECT_EQ(AnswerText(reply.body, QStringLiteral("Result")), QString::fromUtf8(row.result));
    EXPECT_FALSE(reply.body.contains("<key1>"));
    EXPECT_FALSE(QFile::exists(service->PackagePath(itemId)));
    // The upload and the folder it was checked in are gone, and nothing landed beside the data.
    EXPECT_TRUE(QDir(service->DataFolder() + QStringLiteral("/incoming")).isEmpty());
    EXPECT_EQ(
        QDir(dataDir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList {QStringLiteral("data")});
    EXPECT_EQ(QDir(service->DataFolder()).entryList(QDir::Files | QDir::Hidden),
              QStringList {QStringLiteral("service.db")});
    EXPECT_EQ(AnswerText(Get(ListUrl(QString())).body, QStringLiteral("totCnt")),
              QStringLiteral("0"));
}

INSTANTIATE_TEST_SUITE_P(
    Table, UploadFailureTest,
    ::testing::Values(
        UploadRow {"WrongField", UploadFault::WrongField, "잘못된 요청입니다."},
        UploadRow {"WrongKey", UploadFault::WrongKey, "비밀번호가 일치하지 않습니다."},
        UploadRow {"WrongPartner", UploadFault::WrongPartner, "비밀번호가 일치하지 않습니다."},
        UploadRow {"NoSeparators", UploadFault::NoSeparators, "잘못된 요청입니다."},
        UploadRow {"NotAZip", UploadFault::NotAZip, kBad},
        UploadRow {"DescriptionNotFirst", UploadFault::DescriptionNotFirst, kBad},
        UploadRow {"NoDescription", UploadFault::NoDescription, kBad},
        UploadRow {"DescriptionNotXml", UploadFault::DescriptionNotXml, kBad},
        UploadRow {"DescriptionLacksTag", UploadFault::DescriptionLacksTag, kBad},
        UploadRow {"DescriptionNamesOtherItem", UploadFault::DescriptionNamesOtherItem, kBad},
        UploadRow {"PhotoMissing", UploadFault::PhotoMissing, kBad},
        UploadRow {"PhotoNotAPicture", UploadFault::PhotoNotAPicture, kBad},
        UploadRow {"StrayMember", UploadFault::StrayMember, kBad},
        UploadRow {"MemberInFolder", UploadFault::MemberInFolder, kBad},
        UploadRow {"MemberAboveTheFolder", UploadFault::MemberAboveTheFolder, kBad},
        UploadRow {"MemberAboveWithBackslashes", UploadFault::MemberAboveWithBackslashes, kBad},
        UploadRow {"MemberTwice", UploadFault::MemberTwice, kBad},
        UploadRow {"MemberDeclaresTooMuch", UploadFault::MemberDeclaresTooMuch, kBad},
        UploadRow {"PhotoNotDescribed", UploadFault::PhotoNotDescribed, kBad},
        UploadRow {"DescriptionFromRoot", UploadFault::DescriptionFromRoot, kBad},
        UploadRow {"DescriptionThroughParent", UploadFault::DescriptionThroughParent, kBad},
        UploadRow {"DescriptionOnDrive", UploadFault::DescriptionOnDrive, kBad},
        UploadRow {"UnknownItem", UploadFault::UnknownItem, "상품을 찾을 수 없습니다."},
        UploadRow {"SomeoneElsesItem", UploadFault::SomeoneElsesItem, "권한이 없는 상품입니다."}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(LocalServiceTest, UploadThatIsNotMultipartFails)
{
    httplib::Client client("127.0.0.1", port);
    const auto result
        = client.Post("/CommonProductUploadAction.uvm", "a=b", "application/x-www-form-urlencoded");
    ASSERT_TRUE(result);
    EXPECT_EQ(AnswerText(QByteArray::fromStdString(result->body), QStringLiteral("Result")),
              QStringLiteral("잘못된 요청입니다."));
}

TEST_F(LocalServiceTest, BodiesAreRefusedBeforeTheyAreRead)
{
    httplib::Client client("127.0.0.1", port);
    // Small enough to fit the socket buffers: the answer comes before the body is read.
    const std::string body(16 * 1024, 'x');
    // Only the upload reads a body, and it reads it as a stream; any other body is refused
    // before the server library would hold it in memory, and so is any compressed body.
    for (const char *path : {"/CommonLoginAction.uvm", "/nowhere"}) {
        const auto result = client.Post(path, body, "application/octet-stream");
        ASSERT_TRUE(result) << path;
        EXPECT_EQ(result->status, 413) << path;
    }
    const httplib::Headers gzip = {{"Content-Encoding", "gzip"}};
    const auto compressed
        = client.Post("/CommonProductUploadAction.uvm", gzip, "abc", "multipart/form-data");
    ASSERT_TRUE(compressed);
    EXPECT_EQ(compressed->status, 413);
    // Requests without a body are unaffected.
    const auto version = client.Get("/editor/version_user.ini");
    ASSERT_TRUE(version);
    EXPECT_EQ(version->status, 200);
}

// Connections that send part of a request head and then nothing hold no worker for long, and
// while they are open everyone else is served.
TEST_F(LocalServiceTest, SlowClientsDoNotStallOthers)
{
    std::vector<std::unique_ptr<RawConnection>> slow;
    for (int i = 0; i < 8; ++i) {
        slow.push_back(std::make_unique<RawConnection>(port));
        ASSERT_TRUE(slow.back()->Send("GET /editor/version_user.ini HTTP/1.1\r\nHost: 127"));
    }
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(3);
    client.set_read_timeout(3);
    const auto version = client.Get("/editor/version_user.ini");
    ASSERT_TRUE(version);
    EXPECT_EQ(version->status, 200);
    for (const auto &connection : slow) {
        bool closed = false;
        connection->Receive(server.limits().headerTime + std::chrono::seconds(5), &closed);
        EXPECT_TRUE(closed);
    }
}

// Request heads are bounded in line count and in size.
TEST_F(LocalServiceTest, OversizedHeadsAreRefused)
{
    const struct
    {
        const char *name;
        int lines;
        int valueLength;
    } rows[] = {{"ManyLines", 2000, 1}, {"ManyBytes", 40, 4000}};
    for (const auto &row : rows) {
        QByteArray request = "GET /editor/version_user.ini HTTP/1.1\r\nHost: 127.0.0.1:"
            + QByteArray::number(port) + "\r\n";
        for (int i = 0; i < row.lines; ++i)
            request += "X-Filler: " + QByteArray(row.valueLength, 'a') + "\r\n";
        RawConnection connection(port);
        ASSERT_TRUE(connection.Send(request + "\r\n")) << row.name;
        const QByteArray answer = connection.Receive(std::chrono::seconds(5));
        EXPECT_FALSE(answer.startsWith("HTTP/1.1 200")) << row.name;
    }
}

// An upload whose file name carries a wrong key is refused from its first bytes; the rest of a
// huge body is never waited for.
TEST_F(LocalServiceTest, UploadWithWrongKeyIsRefusedBeforeItsBody)
{
    const QByteArray part = "-----------------------------7d16d3Ubrik\r\n"
                            "Content-Disposition: form-data; name=\"SCRIPT_DOC_NM\"; "
                            "filename=\"demo_P0001_"
        + Key("demo", "wrong").toLatin1() + "\"\r\nContent-Type: image/jpeg\r\n\r\n";
    const QByteArray head = "POST /CommonProductUploadAction.uvm HTTP/1.1\r\nHost: 127.0.0.1:"
        + QByteArray::number(port)
        + "\r\nContent-Type: multipart/form-data; boundary=---------------------------7d16d3Ubrik"
          "\r\nContent-Length: 300000000\r\n\r\n";
    RawConnection connection(port);
    ASSERT_TRUE(connection.Send(head + part + QByteArray(64 * 1024, 'x')));
    const QByteArray answer = connection.Receive(std::chrono::seconds(5));
    EXPECT_TRUE(answer.contains("비밀번호가 일치하지 않습니다.")) << answer.left(200).constData();
}

// XML answers go out as they are, even to a client that offers to take them compressed.
TEST_F(LocalServiceTest, AnswersAreNotCompressed)
{
    httplib::Client client("127.0.0.1", port);
    const httplib::Headers offer = {{"Accept-Encoding", "gzip, deflate"}};
    const QByteArray body = "-----------------------------7d16d3Ubrik\r\n"
                            "Content-Disposition: form-data; name=\"SCRIPT_DOC_NM\"; filename=\""
        + DemoFileName() + "\"\r\nContent-Type: image/jpeg\r\n\r\n" + MakePackage(NewItem())
        + "\r\n-----------------------------7d16d3Ubrik--\r\n";
    const auto upload
        = client.Post("/CommonProductUploadAction.uvm", offer, body.toStdString(),
                      "multipart/form-data; boundary=---------------------------7d16d3Ubrik");
    const auto login = client.Get(
        ("/CommonLoginAction.uvm?userTyp=01&userId=demo&key=" + QByteArray(kDemoKey)).toStdString(),
        offer);
    for (const auto *result : {&upload, &login}) {
        ASSERT_TRUE(*result);
        EXPECT_EQ((*result)->get_header_value("Content-Encoding"), "");
        EXPECT_NE((*result)->body.find("<Result>Success</Result>"), std::string::npos);
    }
}

// Items whose summaries were stored as the description reader will store them.
class ItemListTest : public LocalServiceTest
{
protected:
    void SetUp() override
    {
        LocalServiceTest::SetUp();
        for (int i = 0; i < 17; ++i) {
            const QString itemId = NewItem();
            CServiceItemSummary summary;
            summary.itemNm = QStringLiteral("가방 %1").arg(i);
            summary.useTyp = i < 12 ? u'Y' : (i < 15 ? u'N' : u'T');
            ASSERT_TRUE(service->Database().StoreUpload(itemId, 100, summary));
        }
        for (const char *title : {"a&b 지갑", "50% 할인", "50 할인"}) {
            CServiceItemSummary summary;
            summary.itemNm = QString::fromUtf8(title);
            ASSERT_TRUE(service->Database().StoreUpload(NewItem(), 100, summary));
        }
        // A key handed out but never uploaded is not listed.
        NewItem();
    }

    // (totCnt, items on the page, maxPage)
    std::tuple<int, int, int> List(const QString &search, int page, const QString &useTyp,
                                   const QString &key = QLatin1String(kDemoKey))
    {
        QString url = QStringLiteral("CommonGetItemListAction.uvm?pnsCd=P0001&itemNm=%1"
                                     "&curPageNo=%2&pageSize=15")
                          .arg(UrlEncodeUtf8(search, 1024))
                          .arg(page);
        if (!key.isEmpty())
            url += QStringLiteral("&key=") + key;
        if (!useTyp.isEmpty())
            url += QStringLiteral("&useTyp=") + useTyp;
        const ServiceReply reply = Get(url);
        if (!reply.ok)
            return {-1, -1, -1};
        return {AnswerText(reply.body, QStringLiteral("totCnt")).toInt(),
                static_cast<int>(reply.body.count("<item>")),
                AnswerText(reply.body, QStringLiteral("maxPage")).toInt()};
    }
};

TEST_F(ItemListTest, PagesFiltersAndSearches)
{
    struct Row
    {
        const char *name;
        const char *search;
        int page;
        const char *useTyp;
        std::tuple<int, int, int> expected;
        const char *key = kDemoKey;
    } rows[] = {
        {"AllFirstPage", "", 1, "", {20, 15, 2}},
        {"AllSecondPage", "", 2, "", {20, 5, 2}},
        {"PastTheLastPage", "", 3, "", {20, 0, 2}},
        {"Public", "", 1, "Y", {15, 15, 1}},
        {"Private", "", 1, "N", {3, 3, 1}},
        {"Temporary", "", 1, "T", {2, 2, 1}},
        {"TitleSearch", "가방", 1, "", {17, 15, 2}},
        {"SearchWithAmpersand", "a&b", 1, "", {1, 1, 1}},
        {"PercentIsLiteral", "50%", 1, "", {1, 1, 1}},
        {"NothingFound", "없는상품", 1, "", {0, 0, 0}},
        // Without the partner's own key only public items are listed.
        {"AnonymousAll", "", 1, "", {15, 15, 1}, ""},
        {"AnonymousPrivate", "", 1, "N", {0, 0, 0}, ""},
        {"AnonymousTemporary", "", 1, "T", {0, 0, 0}, ""},
        {"SomeoneElsesKey",
         "",
         1,
         "N",
         {0, 0, 0},
         "0123456789abcdef0123456789abcdef0123456789abcdef"
         "0123456789abcdef"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(List(QString::fromUtf8(row.search), row.page, QString::fromLatin1(row.useTyp),
                       QLatin1String(row.key)),
                  row.expected)
            << row.name;
}

TEST_F(ItemListTest, MalformedQueriesFail)
{
    const QString base = QStringLiteral("CommonGetItemListAction.uvm?pnsCd=P0001&itemNm=");
    for (const char *extra :
         {"&curPageNo=x&pageSize=15", "&curPageNo=0&pageSize=15", "&curPageNo=1&pageSize=0",
          "&curPageNo=1&pageSize=100000", "&curPageNo=-1&pageSize=15",
          "&curPageNo=1&pageSize=15&useTyp=Q", "&curPageNo=1&pageSize=15&useTyp=YN"})
        EXPECT_FALSE(Get(base + QLatin1String(extra)).ok) << extra;
    EXPECT_FALSE(Get(QStringLiteral("CommonGetItemListAction.uvm?pnsCd=P0404&curPageNo=1")).ok);
    EXPECT_FALSE(Get(QStringLiteral("CommonGetItemListAction.uvm?itemNm=a")).ok);
}

TEST_F(LocalServiceTest, DownloadChecksWhoAsks)
{
    ASSERT_TRUE(service->Database().AddUser(QStringLiteral("other"), QStringLiteral("pw"),
                                            QStringLiteral("P0002")));
    const QString itemId = UploadedItem();
    ASSERT_FALSE(itemId.isEmpty());
    const QString unuploaded = NewItem();
    const QString url = QStringLiteral("CommonGetZipDownAction.uvm?itemId=%1&userId=%2&key=%3");
    const QString demoKey = QLatin1String(kDemoKey);
    EXPECT_TRUE(Get(url.arg(itemId, QStringLiteral("demo"), demoKey)).ok);
    EXPECT_FALSE(Get(url.arg(itemId, QStringLiteral("other"), Key("other", "pw"))).ok);
    EXPECT_FALSE(Get(url.arg(itemId, QStringLiteral("demo"), Key("demo", "x"))).ok);
    EXPECT_FALSE(Get(url.arg(unuploaded, QStringLiteral("demo"), demoKey)).ok);
    EXPECT_FALSE(
        Get(url.arg(QStringLiteral("..%2F..%2Fservice.db"), QStringLiteral("demo"), demoKey)).ok);
    EXPECT_FALSE(Get(url.arg(QString(), QStringLiteral("demo"), demoKey)).ok);
}

TEST_F(LocalServiceTest, SocialCommentIsStored)
{
    const QString itemId = UploadedItem();
    ASSERT_FALSE(itemId.isEmpty());
    const QString url
        = QStringLiteral("InsertEdiItemComments.uvm?itemId=%1&cmtTyp=02&snsUserId=a%40b.kr"
                         "&snsUserNm=%2&snsId=123_456&snsImage=http%3A%2F%2Fx%2Fp.png");
    EXPECT_TRUE(Get(url.arg(itemId, UrlEncodeUtf8(QStringLiteral("홍길동"), 1024))).ok);
    EXPECT_EQ(service->Database().CommentCount(itemId), 1);
    EXPECT_FALSE(Get(url.arg(QStringLiteral("999999"), QStringLiteral("x"))).ok);
    EXPECT_FALSE(Get(QStringLiteral("InsertEdiItemComments.uvm?itemId=") + itemId).ok);
    EXPECT_EQ(service->Database().CommentCount(itemId), 1);
}

TEST_F(LocalServiceTest, ProductPagesAreEscapedHtml)
{
    const QString itemId = NewItem();
    CServiceItemSummary summary;
    summary.itemNm = QStringLiteral("<b>가방</b> & 지갑");
    summary.explanation = QStringLiteral("가죽 \"소가죽\"\r\n수제");
    ASSERT_TRUE(service->Database().StoreUpload(itemId, 10, summary));
    for (const char *action :
         {"GetProductDtlAction.uvm?viewMode=0&itemId=", "GetProductPreviewPopMain.uvm?itemId="}) {
        const ServiceReply page = Get(QLatin1String(action) + itemId);
        ASSERT_TRUE(page.ok) << action;
        const QString html = QString::fromUtf8(page.body);
        EXPECT_TRUE(html.startsWith(QStringLiteral("<!DOCTYPE html>")));
        EXPECT_TRUE(html.contains(QStringLiteral("&lt;b&gt;가방&lt;/b&gt; &amp; 지갑")));
        EXPECT_TRUE(html.contains(QStringLiteral("가죽 &quot;소가죽&quot;")));
        EXPECT_FALSE(html.contains(QStringLiteral("<b>")));
        EXPECT_FALSE(html.contains(QStringLiteral("<object")));
    }
    EXPECT_FALSE(Get(QStringLiteral("GetProductDtlAction.uvm?itemId=424242&viewMode=0")).ok);
    EXPECT_FALSE(Get(QStringLiteral("GetProductDtlAction.uvm?itemId=") + NewItem()).ok);
}

TEST_F(LocalServiceTest, NothingIsWrittenOutsideTheDataFolder)
{
    ASSERT_FALSE(UploadedItem().isEmpty());
    Upload("../../evil_P0001_" + QByteArray(kDemoKey), MakePackage(NewItem()));
    Upload(DemoFileName(), MakePackage(QStringLiteral("1")));
    QStringList outside;
    QDirIterator it(dataDir.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QString data = service->DataFolder() + u'/';
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.startsWith(data) && path != service->DataFolder())
            outside.append(path);
    }
    EXPECT_TRUE(outside.isEmpty()) << outside.join(u' ').toStdString();
    const QStringList packages = QDir(data + QStringLiteral("packages")).entryList(QDir::Files);
    ASSERT_EQ(packages.size(), 1);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^[0-9]+\\.zip$")).match(packages.first()).hasMatch());
}

TEST_F(LocalServiceTest, DataSurvivesARestart)
{
    const QString itemId = UploadedItem();
    ASSERT_FALSE(itemId.isEmpty());
    CLocalService again(service->DataFolder());
    QString error;
    ASSERT_TRUE(again.Open(&error)) << error.toStdString();
    const std::optional<CServiceItem> item = again.Database().FindItem(itemId);
    ASSERT_TRUE(item);
    EXPECT_TRUE(item->uploaded);
    EXPECT_TRUE(QFile::exists(again.PackagePath(itemId)));
    const QString next = again.Database().NewItem(QStringLiteral("demo"), QStringLiteral("P0001"));
    EXPECT_GT(next.toLongLong(), itemId.toLongLong());
}

// An upload cut off by a stop leaves its file and check folder behind; the next start clears
// both and nothing else.
TEST_F(LocalServiceTest, StartClearsWhatAStoppedUploadLeft)
{
    const QString itemId = UploadedItem();
    ASSERT_FALSE(itemId.isEmpty());
    const QString incoming = service->DataFolder() + QStringLiteral("/incoming");
    ASSERT_TRUE(QDir().mkpath(incoming + QStringLiteral("/check-abc123/package")));
    QFile left(incoming + QStringLiteral("/check-abc123/package/1.vmd"));
    ASSERT_TRUE(left.open(QIODevice::WriteOnly));
    left.close();
    QFile upload(incoming + QStringLiteral("/upload-abc123"));
    ASSERT_TRUE(upload.open(QIODevice::WriteOnly));
    upload.close();
    CLocalService again(service->DataFolder());
    QString error;
    ASSERT_TRUE(again.Open(&error)) << error.toStdString();
    EXPECT_TRUE(QDir(incoming).isEmpty());
    EXPECT_TRUE(QFile::exists(again.PackagePath(itemId)));
    EXPECT_EQ(again.Database().Photos(itemId).size(), 1);
}

} // namespace
