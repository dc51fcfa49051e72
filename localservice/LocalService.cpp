#include "LocalService.h"

#include "PackageCheck.h"
#include "ProductPage.h"
#include "RealSize.h"
#include "ServiceKey.h"
#include "UbUnzip.h"
#include "ZipFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QXmlStreamWriter>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <httplib.h>
#include <sys/stat.h>

namespace {

// Failure texts the editor shows to the user as they come.
const char *const kUnknownUser = "등록되지 않은 아이디입니다.";
const char *const kWrongPassword = "비밀번호가 일치하지 않습니다.";
// Login answers an unknown id and a wrong password alike, so ids cannot be probed.
const char *const kLoginFailed = "아이디 또는 비밀번호가 일치하지 않습니다.";
const char *const kBadRequest = "잘못된 요청입니다.";
const char *const kNoItem = "상품을 찾을 수 없습니다.";
const char *const kNotYours = "권한이 없는 상품입니다.";
const char *const kTooLarge = "파일이 너무 큽니다.";
const char *const kUploadPath = "/CommonProductUploadAction.uvm";
const char *const kBadPackage = "상품 파일이 올바르지 않습니다.";
const char *const kServerError = "서버 오류가 발생했습니다.";

constexpr int kMaxValueLength = 1024;
constexpr int kMaxPageSize = 100;
constexpr int kMaxPageNo = 1000000;
const char *const kXmlType = "text/xml; charset=UTF-8";
const char *const kUploadField = "SCRIPT_DOC_NM";

QString Text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// An answer document: a root holding one element per pair, in order.
std::string Answer(const QList<QPair<QString, QString>> &children)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("Response"));
    for (const auto &[name, value] : children)
        xml.writeTextElement(name, value);
    xml.writeEndElement();
    xml.writeEndDocument();
    return out.toStdString();
}

// An XML answer goes out exactly as written: the server library would compress a body for any
// client that merely offers gzip, and the editor's upload offers it but reads the answer raw.
// A body given with its length is sent as it is.
void SetXml(httplib::Response &res, std::string xml)
{
    const size_t size = xml.size();
    auto body = std::make_shared<const std::string>(std::move(xml));
    res.set_content_provider(
        size, kXmlType, [body](size_t offset, size_t length, httplib::DataSink &sink) {
            return sink.write(body->data() + offset, std::min(length, body->size() - offset));
        });
}

void Fail(httplib::Response &res, int status, const char *text)
{
    res.status = status;
    SetXml(res, Answer({{QStringLiteral("Result"), Text(text)}}));
}

// One query value: present exactly once, valid UTF-8 and not longer than maxLength.
bool Param(const httplib::Request &req, const char *name, QString &value,
           int maxLength = kMaxValueLength)
{
    if (req.get_param_value_count(name) != 1)
        return false;
    const std::string raw = req.get_param_value(name);
    if (raw.size() > static_cast<size_t>(maxLength) * 4)
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8);
    value = decoder(QByteArray::fromStdString(raw));
    return !decoder.hasError() && value.size() <= maxLength;
}

bool OptionalParam(const httplib::Request &req, const char *name, QString &value, bool &present)
{
    present = req.has_param(name);
    if (!present) {
        value.clear();
        return true;
    }
    return Param(req, name, value);
}

// A positive decimal number no larger than max; digits only.
bool PositiveNumber(const QString &text, int max, int &value)
{
    if (text.isEmpty() || text.size() > 9)
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    value = text.toInt();
    return value >= 1 && value <= max;
}

bool IsServiceKey(const QString &key)
{
    if (key.size() != 64)
        return false;
    for (const QChar c : key) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    }
    return true;
}

bool SameKey(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    ushort diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        diff |= a.at(i).unicode() ^ b.at(i).unicode();
    return diff == 0;
}

QString StatusName(QChar useTyp)
{
    switch (useTyp.unicode()) {
    case u'Y':
        return QStringLiteral("공개");
    case u'N':
        return QStringLiteral("비공개");
    default:
        return QStringLiteral("임시저장");
    }
}

// "host" or "[v6]" as a Host header names an address.
QString HostName(const QString &address)
{
    return address.contains(u':') ? u'[' + address + u']' : address;
}

// The item id a package begins with, from its first local header: the description member must
// be named exactly "<digits>.vmd". Empty when the bytes do not show one.
QString FirstMemberItemId(const QByteArray &head)
{
    if (head.size() < 30
        || ZipFormat::Get32(reinterpret_cast<const uint8_t *>(head.constData()))
            != ZipFormat::kLocalSignature)
        return QString();
    const int nameLength
        = ZipFormat::Get16(reinterpret_cast<const uint8_t *>(head.constData()) + 26);
    if (nameLength < 5 || head.size() < 30 + nameLength)
        return QString();
    const QString name = QString::fromLatin1(head.mid(30, nameLength));
    const QString id = name.left(name.size() - 4);
    return name.endsWith(QLatin1String(".vmd")) && CPackageCheck::IsItemId(id) ? id : QString();
}

// Multipart boundaries are 1 … 70 characters from a small set.
bool ValidBoundary(const std::string &contentType)
{
    const std::string marker = "boundary=";
    const size_t at = contentType.find(marker);
    if (contentType.rfind("multipart/form-data", 0) != 0 || at == std::string::npos)
        return false;
    std::string boundary = contentType.substr(at + marker.size());
    if (const size_t end = boundary.find(';'); end != std::string::npos)
        boundary.resize(end);
    if (boundary.size() >= 2 && boundary.front() == '"' && boundary.back() == '"')
        boundary = boundary.substr(1, boundary.size() - 2);
    if (boundary.empty() || boundary.size() > 70)
        return false;
    for (const char c : boundary) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || std::strchr("'()+_,-./:=? ", c)))
            return false;
    }
    return true;
}

// Where a picture of the item is served; a picture of an item that is not public carries the
// item's key1, as the item's own pages do.
QString ImageLink(const CServiceItem &item, const QString &member)
{
    QString link = CLocalService::ImagePath(item.itemId, member);
    if (item.useTyp != u'Y')
        link += QStringLiteral("?key1=") + item.key1;
    return link;
}

} // namespace

CLocalService::CLocalService(const QString &dataFolder)
    : m_dataFolder(QDir::cleanPath(QDir(dataFolder).absolutePath()))
    , m_packageFolder(m_dataFolder + QStringLiteral("/packages"))
    , m_incomingFolder(m_dataFolder + QStringLiteral("/incoming"))
{ }

CLocalService::~CLocalService() = default;

bool CLocalService::Open(QString *error)
{
    for (const QString &folder : {m_dataFolder, m_packageFolder, m_incomingFolder}) {
        if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) {
            if (error)
                *error = QStringLiteral("cannot create the folder %1").arg(folder);
            return false;
        }
    }
    // Uploads cut off by an earlier stop are of no use to anyone.
    QDir incoming(m_incomingFolder);
    for (const QString &name : incoming.entryList(QDir::Files | QDir::Hidden | QDir::System))
        incoming.remove(name);
    // So are the folders packages were checked in.
    for (const QString &name :
         incoming.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks))
        QDir(incoming.filePath(name)).removeRecursively();
    return m_db.Open(m_dataFolder + QStringLiteral("/service.db"), error);
}

QString CLocalService::PackagePath(const QString &itemId) const
{
    // Item ids are digits only (checked where they come in), so the name stays in the folder.
    return m_packageFolder + u'/' + itemId + QStringLiteral(".zip");
}

void CLocalService::Register(httplib::Server &server)
{
    server.set_payload_max_length(static_cast<size_t>(kMaxPackageBytes) + 1024 * 1024);
    server.set_read_timeout(5);
    server.set_write_timeout(10);
    // The editor makes one request per connection; a short idle limit lets a stop finish fast
    // instead of waiting on connections a client still holds open.
    server.set_keep_alive_timeout(1);
    server.set_exception_handler([](const httplib::Request &, httplib::Response &res,
                                    std::exception_ptr) { Fail(res, 500, kServerError); });
    // The server library reads a request's whole body into memory before routing unless the
    // handler streams it, and it would also inflate a compressed body without limit. Only the
    // upload streams its body, so every other request carrying one is refused before it is read,
    // and no request body may be compressed.
    server.set_pre_routing_handler([this](const httplib::Request &req, httplib::Response &res) {
        // A web page could reach us under a name of its own through DNS rebinding; only the
        // names we are reached under are served.
        if (!KnownHost(req)) {
            Fail(res, 400, kBadRequest);
            return httplib::Server::HandlerResponse::Handled;
        }
        const bool isUpload = req.method == "POST" && req.path == kUploadPath;
        const std::string length = req.get_header_value("Content-Length");
        const bool hasBody
            = (!length.empty() && length != "0") || req.has_header("Transfer-Encoding");
        if (req.has_header("Content-Encoding") || (hasBody && !isUpload)) {
            Fail(res, 413, kTooLarge);
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    auto bind
        = [this](void (CLocalService::*handler)(const httplib::Request &, httplib::Response &)) {
              return [this, handler](const httplib::Request &req, httplib::Response &res) {
                  (this->*handler)(req, res);
              };
          };
    server.Get("/editor/version_user.ini", bind(&CLocalService::VersionFile));
    server.Get("/CommonLoginAction.uvm", bind(&CLocalService::Login));
    server.Get("/CommonGetCateAction.uvm", bind(&CLocalService::GetCategories));
    server.Get("/CommonGetProdKeyAction.uvm", bind(&CLocalService::GetProductKey));
    server.Get("/CommonGetItemListAction.uvm", bind(&CLocalService::GetItemList));
    server.Get("/CommonGetZipDownAction.uvm", bind(&CLocalService::Download));
    server.Get("/InsertEdiItemComments.uvm", bind(&CLocalService::Comment));
    server.Get("/GetProductPreviewPopMain.uvm",
               [this](const httplib::Request &req, httplib::Response &res) {
                   ProductPage(req, res, true);
               });
    server.Get("/GetProductDtlAction.uvm",
               [this](const httplib::Request &req, httplib::Response &res) {
                   ProductPage(req, res, false);
               });
    server.Get(
        R"(/vmi/([0-9]{1,18})/([A-Za-z0-9_.]{1,64}))",
        [this](const httplib::Request &req, httplib::Response &res) { PackageImage(req, res); });
    server.Post(kUploadPath,
                [this](const httplib::Request &req, httplib::Response &res,
                       const httplib::ContentReader &reader) { Upload(req, res, reader); });
}

void CLocalService::SetAddresses(const QString &listenHost, int port,
                                 const QStringList &publicHosts)
{
    m_port = port;
    m_hostNames.clear();
    const QString listen = HostName(listenHost.toLower());
    const bool wildcard = listenHost.isEmpty() || listenHost == QLatin1String("0.0.0.0")
        || listenHost == QLatin1String("::");
    if (!wildcard)
        m_hostNames.append(listen);
    // "localhost" names the loopback only on this machine: a page served from elsewhere cannot
    // make a browser send it, so accepting it opens nothing to rebinding.
    if (listen.startsWith(QLatin1String("127.")) || listen == QLatin1String("[::1]"))
        m_hostNames.append(QStringLiteral("localhost"));
    for (const QString &name : publicHosts)
        m_hostNames.append(name.toLower());
    const QString linked
        = publicHosts.isEmpty() ? (wildcard ? QString() : listen) : publicHosts.first().toLower();
    m_linkHost = linked.isEmpty() ? QString() : QStringLiteral("%1:%2").arg(linked).arg(port);
}

bool CLocalService::KnownHost(const httplib::Request &req) const
{
    if (!req.has_header("Host"))
        return true; // an HTTP/1.0 client; browsers always send one
    const QString host = QString::fromLatin1(req.get_header_value("Host")).toLower();
    QString name = host;
    QString port;
    const qsizetype bracket = host.lastIndexOf(u']');
    const qsizetype colon = host.lastIndexOf(u':');
    if (colon > bracket) {
        name = host.left(colon);
        port = host.mid(colon + 1);
    }
    const int localPort = m_port > 0 ? m_port : req.local_port;
    if (port.isEmpty() ? localPort != 80 : port != QString::number(localPort))
        return false;
    return m_hostNames.contains(name)
        || (!req.local_addr.empty() && name == HostName(QString::fromStdString(req.local_addr)));
}

QString CLocalService::LinkBase(const httplib::Request &req) const
{
    if (!m_linkHost.isEmpty())
        return QStringLiteral("http://") + m_linkHost;
    return QStringLiteral("http://%1:%2")
        .arg(HostName(QString::fromStdString(req.local_addr)))
        .arg(req.local_port);
}

bool CLocalService::MayView(const httplib::Request &req, const CServiceItem &item)
{
    if (item.useTyp == u'Y')
        return true;
    QString key;
    if (req.has_param("key1") && Param(req, "key1", key) && !item.key1.isEmpty()
        && SameKey(key, item.key1))
        return true;
    if (req.has_param("key") && Param(req, "key", key) && IsServiceKey(key)) {
        const std::optional<CServiceUser> owner = m_db.FindUser(item.userId);
        return owner && SameKey(owner->serviceKey, key);
    }
    return false;
}

std::mutex &CLocalService::UploadLock(const QString &itemId)
{
    return m_uploadLocks[qHash(itemId) % m_uploadLocks.size()];
}

std::optional<CServiceUser> CLocalService::Authenticate(const QString &userId, const QString &key)
{
    if (!IsServiceKey(key))
        return std::nullopt;
    std::optional<CServiceUser> user = m_db.FindUser(userId);
    if (!user || !SameKey(user->serviceKey, key))
        return std::nullopt;
    return user;
}

void CLocalService::VersionFile(const httplib::Request &, httplib::Response &res)
{
    res.set_content(std::string("[VmEditor]\r\nVersion=") + kCurrentVersion + "\r\n",
                    "text/plain; charset=UTF-8");
}

void CLocalService::Login(const httplib::Request &req, httplib::Response &res)
{
    QString userId, key, userTyp;
    if (!Param(req, "userId", userId) || !Param(req, "key", key) || !Param(req, "userTyp", userTyp)
        || userId.isEmpty() || userTyp != QLatin1String("01"))
        return Fail(res, 200, kBadRequest);
    const std::optional<CServiceUser> user = Authenticate(userId, key);
    if (!user)
        return Fail(res, 200, kLoginFailed);
    SetXml(res,
           Answer({{QStringLiteral("Result"), QStringLiteral("Success")},
                   {QStringLiteral("PnsCd"), user->pnsCd}}));
}

void CLocalService::GetCategories(const httplib::Request &req, httplib::Response &res)
{
    QString parent, pnsCd;
    if (!Param(req, "cateId", parent, 32) || !Param(req, "pnsCd", pnsCd) || parent.isEmpty())
        return Fail(res, 400, kBadRequest);
    if (!m_db.FindUserByPnsCd(pnsCd))
        return Fail(res, 403, kUnknownUser);
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("Response"));
    for (const CServiceCategory &category : m_db.Categories(parent)) {
        xml.writeStartElement(QStringLiteral("Item"));
        xml.writeAttribute(QStringLiteral("id"), category.id);
        xml.writeAttribute(QStringLiteral("type"), QString::number(category.type));
        xml.writeAttribute(QStringLiteral("name"), category.name);
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    SetXml(res, out.toStdString());
}

void CLocalService::GetProductKey(const httplib::Request &req, httplib::Response &res)
{
    QString userId, pnsCd, key;
    if (!Param(req, "userId", userId) || !Param(req, "pnsCd", pnsCd) || !Param(req, "key", key))
        return Fail(res, 400, kBadRequest);
    const std::optional<CServiceUser> user = Authenticate(userId, key);
    if (!user || user->pnsCd != pnsCd)
        return Fail(res, 403, kWrongPassword);
    const QString itemId = m_db.NewItem(user->userId, user->pnsCd);
    if (itemId.isEmpty())
        return Fail(res, 500, kServerError);
    SetXml(res, Answer({{QStringLiteral("ItemId"), itemId}}));
}

void CLocalService::GetItemList(const httplib::Request &req, httplib::Response &res)
{
    QString pnsCd, itemNm, pageText, sizeText, useTyp, key;
    bool hasPage = false, hasSize = false, hasTyp = false, hasName = false, hasKey = false;
    if (!Param(req, "pnsCd", pnsCd) || !OptionalParam(req, "itemNm", itemNm, hasName)
        || !OptionalParam(req, "key", key, hasKey)
        || !OptionalParam(req, "curPageNo", pageText, hasPage)
        || !OptionalParam(req, "pageSize", sizeText, hasSize)
        || !OptionalParam(req, "useTyp", useTyp, hasTyp))
        return Fail(res, 400, kBadRequest);
    int page = 1, pageSize = 15;
    if ((hasPage && !PositiveNumber(pageText, kMaxPageNo, page))
        || (hasSize && !PositiveNumber(sizeText, kMaxPageSize, pageSize)))
        return Fail(res, 400, kBadRequest);
    QChar typ;
    if (hasTyp) {
        if (useTyp.size() != 1 || !QStringLiteral("YNT").contains(useTyp.at(0)))
            return Fail(res, 400, kBadRequest);
        typ = useTyp.at(0);
    }
    const std::optional<CServiceUser> partner = m_db.FindUserByPnsCd(pnsCd);
    if (!partner)
        return Fail(res, 403, kUnknownUser);
    // Only the partner's own editor, proving itself with its service key, sees every item and
    // the viewer keys; anyone else sees the public items alone.
    const bool owner = hasKey && IsServiceKey(key) && SameKey(partner->serviceKey, key);
    CServiceItemPage list;
    if (owner || typ.isNull() || typ == u'Y') {
        list = m_db.ListItems(pnsCd, itemNm, owner ? typ : QChar(u'Y'), page, pageSize);
    } else {
        list.pageSize = pageSize;
        list.curPageNo = page;
    }
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("Response"));
    xml.writeTextElement(QStringLiteral("totCnt"), QString::number(list.totCnt));
    xml.writeTextElement(QStringLiteral("pageSize"), QString::number(list.pageSize));
    xml.writeTextElement(QStringLiteral("curPageNo"), QString::number(list.curPageNo));
    xml.writeTextElement(QStringLiteral("maxPage"), QString::number(list.maxPage));
    xml.writeStartElement(QStringLiteral("list"));
    for (const CServiceItem &item : list.items) {
        xml.writeStartElement(QStringLiteral("item"));
        xml.writeTextElement(QStringLiteral("itemId"), item.itemId);
        xml.writeTextElement(QStringLiteral("itemNm"), item.itemNm);
        xml.writeTextElement(
            QStringLiteral("thumbnail"),
            item.thumbnail.isEmpty() ? QString() : LinkBase(req) + ImageLink(item, item.thumbnail));
        xml.writeTextElement(QStringLiteral("cateNm"), item.cateNm);
        xml.writeTextElement(QStringLiteral("totCnt"), QString::number(item.photoCnt));
        xml.writeTextElement(QStringLiteral("vmiCnt"), QString::number(item.measuredCnt));
        xml.writeTextElement(QStringLiteral("statusNm"), StatusName(item.useTyp));
        xml.writeTextElement(QStringLiteral("regDtm"), item.regDtm);
        xml.writeTextElement(QStringLiteral("key1"), owner ? item.key1 : QString());
        xml.writeTextElement(QStringLiteral("key2"), owner ? item.key2 : QString());
        xml.writeTextElement(QStringLiteral("key3"), owner ? item.key3 : QString());
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    SetXml(res, out.toStdString());
}

void CLocalService::Download(const httplib::Request &req, httplib::Response &res)
{
    QString itemId, userId, key;
    if (!Param(req, "itemId", itemId, 32) || !Param(req, "userId", userId)
        || !Param(req, "key", key))
        return Fail(res, 400, kBadRequest);
    const std::optional<CServiceUser> user = Authenticate(userId, key);
    if (!user)
        return Fail(res, 403, kWrongPassword);
    const std::optional<CServiceItem> item = m_db.FindItem(itemId);
    if (!item || !item->uploaded)
        return Fail(res, 404, kNoItem);
    if (item->userId != user->userId)
        return Fail(res, 403, kNotYours);

    const QByteArray path = QFile::encodeName(PackagePath(item->itemId));
    std::shared_ptr<std::FILE> file(std::fopen(path.constData(), "rb"), [](std::FILE *f) {
        if (f)
            std::fclose(f);
    });
    if (!file)
        return Fail(res, 404, kNoItem);
    // The size of the file opened, not of the path: a re-upload may replace the path meanwhile,
    // and the old file's bytes must not go out under the new file's length.
    struct stat opened
    {
    };
    if (::fstat(::fileno(file.get()), &opened) != 0)
        return Fail(res, 500, kServerError);
    const qint64 size = static_cast<qint64>(opened.st_size);
    if (size <= 0 || size > kMaxPackageBytes)
        return Fail(res, 500, kServerError);
    res.set_content_provider(
        static_cast<size_t>(size), "application/zip",
        [file](size_t offset, size_t length, httplib::DataSink &sink) {
            char buffer[64 * 1024];
            if (std::fseek(file.get(), static_cast<long>(offset), SEEK_SET) != 0)
                return false;
            const size_t n = std::fread(buffer, 1, std::min(length, sizeof buffer), file.get());
            return n > 0 && sink.write(buffer, n);
        });
}

void CLocalService::Upload(const httplib::Request &req, httplib::Response &res,
                           const httplib::ContentReader &reader)
{
    auto fail = [&res](const char *text) {
        Fail(res, 200, text);
    };
    if (!req.is_multipart_form_data() || !ValidBoundary(req.get_header_value("Content-Type"))) {
        // Drain the body so the client reads the answer instead of a reset connection.
        reader([](const char *, size_t) { return true; });
        return fail(kBadRequest);
    }

    QTemporaryFile incoming(m_incomingFolder + QStringLiteral("/upload-XXXXXX"));
    if (!incoming.open()) {
        reader([](const char *, size_t) { return true; });
        return fail(kServerError);
    }
    int parts = 0;
    bool ours = false; // the part being received is the package
    bool wrongPart = false;
    bool tooLarge = false;
    bool writeFailed = false;
    // Who sends and for which item is known from the part's file name and the package's first
    // bytes; a wrong one is refused there, before the rest of the body is read.
    const char *refusal = nullptr;
    std::optional<CServiceUser> user;
    std::optional<CServiceItem> item;
    QByteArray head;
    qint64 written = 0;
    const bool read = reader(
        [&](const httplib::MultipartFormData &part) {
            ++parts;
            ours = parts == 1 && part.name == kUploadField && !part.filename.empty();
            if (!ours) {
                wrongPart = true;
                return parts == 1; // a second part is not read at all
            }
            // The file name is "<userId>_<pnsCd>_<key>"; the user id may hold "_" itself.
            const QString name = FromCodePage949(QByteArray::fromStdString(part.filename));
            const qsizetype keyAt = name.lastIndexOf(u'_');
            const qsizetype pnsAt = keyAt > 0 ? name.lastIndexOf(u'_', keyAt - 1) : -1;
            if (pnsAt <= 0) {
                refusal = kBadRequest;
                return false;
            }
            user = Authenticate(name.left(pnsAt), name.mid(keyAt + 1));
            if (!user || user->pnsCd != name.mid(pnsAt + 1, keyAt - pnsAt - 1)) {
                refusal = kWrongPassword;
                return false;
            }
            return true;
        },
        [&](const char *data, size_t length) {
            if (!ours || tooLarge || writeFailed)
                return true;
            if (written + static_cast<qint64>(length) > kMaxPackageBytes) {
                tooLarge = true;
                return false; // stop reading: a body that never ends must not hold a thread
            }
            if (!item && head.size() < 512) {
                head.append(data, static_cast<qsizetype>(std::min<size_t>(length, 512)));
                const QString itemId = FirstMemberItemId(head);
                if (!itemId.isEmpty()) {
                    item = m_db.FindItem(itemId);
                    refusal
                        = !item ? kNoItem : (item->userId != user->userId ? kNotYours : nullptr);
                    if (refusal)
                        return false;
                } else if (head.size() >= 512
                           || (head.size() >= 30
                               && ZipFormat::Get32(
                                      reinterpret_cast<const uint8_t *>(head.constData()))
                                   != ZipFormat::kLocalSignature)) {
                    refusal = kBadPackage;
                    return false;
                }
            }
            if (incoming.write(data, static_cast<qint64>(length)) != static_cast<qint64>(length))
                writeFailed = true;
            written += static_cast<qint64>(length);
            return true;
        });
    if (refusal)
        return fail(refusal);
    if (tooLarge)
        return fail(kTooLarge);
    if (!read || parts == 0 || wrongPart)
        return fail(kBadRequest);
    if (writeFailed || !incoming.flush())
        return fail(kServerError);
    if (!user || !item)
        return fail(kBadPackage);

    // The package is unpacked for checking in a folder of its own inside the data folder, removed
    // again whatever the outcome.
    CPackageInfo info;
    {
        QTemporaryDir work(m_incomingFolder + QStringLiteral("/check-XXXXXX"));
        if (!work.isValid())
            return fail(kServerError);
        QString why;
        if (!CPackageCheck::Inspect(incoming.fileName(), work.path(), info, &why)
            || info.itemId != item->itemId)
            return fail(kBadPackage);
    }

    // One upload of an item at a time replaces its package and then its row, so the row always
    // describes the package that is stored: the last to get here wins both.
    std::optional<CServiceItem> stored;
    {
        std::lock_guard guard(UploadLock(item->itemId));
        // Replace the stored package in one step, so a reader never sees half of one.
        incoming.close();
        const QByteArray from = QFile::encodeName(incoming.fileName());
        const QByteArray to = QFile::encodeName(PackagePath(item->itemId));
        if (std::rename(from.constData(), to.constData()) != 0)
            return fail(kServerError);
        incoming.setAutoRemove(false);
        stored = m_db.StoreUpload(item->itemId, written, info.summary, info.photos);
    }
    if (!stored)
        return fail(kServerError);
    // Both links are whole addresses a client can open: the product page, and the first
    // photograph as a picture for pages that show one; an item that is not public carries its
    // key1 in both.
    const QString base = LinkBase(req);
    QString pageUrl = base
        + QStringLiteral("/GetProductDtlAction.uvm?itemId=%1&viewMode=0").arg(stored->itemId);
    if (stored->useTyp != u'Y')
        pageUrl += QStringLiteral("&key1=") + stored->key1;
    const QString picture
        = info.photos.isEmpty() ? pageUrl : base + ImageLink(*stored, info.photos.first().member);
    SetXml(res,
           Answer({{QStringLiteral("Result"), QStringLiteral("Success")},
                   {QStringLiteral("VmiPath"), picture},
                   {QStringLiteral("VmiUrl"), pageUrl},
                   {QStringLiteral("key1"), stored->key1},
                   {QStringLiteral("key2"), stored->key2},
                   {QStringLiteral("key3"), stored->key3}}));
}

void CLocalService::Comment(const httplib::Request &req, httplib::Response &res)
{
    QString itemId, cmtTyp, snsUserId, snsUserNm, snsId, snsImage;
    if (!Param(req, "itemId", itemId, 32) || !Param(req, "cmtTyp", cmtTyp, 8)
        || !Param(req, "snsUserId", snsUserId) || !Param(req, "snsUserNm", snsUserNm)
        || !Param(req, "snsId", snsId) || !Param(req, "snsImage", snsImage))
        return Fail(res, 400, kBadRequest);
    // Comments come from pages anyone may see, so only a public item takes them.
    const std::optional<CServiceItem> item = m_db.FindItem(itemId);
    if (!item || !item->uploaded || item->useTyp != u'Y')
        return Fail(res, 404, kNoItem);
    if (!m_db.AddComment(item->itemId, cmtTyp, snsUserId, snsUserNm, snsId, snsImage))
        return Fail(res, 500, kServerError);
    SetXml(res, Answer({{QStringLiteral("Result"), QStringLiteral("Success")}}));
}

void CLocalService::ProductPage(const httplib::Request &req, httplib::Response &res, bool preview)
{
    const char *const htmlType = "text/html; charset=UTF-8";
    QString itemId;
    std::optional<CServiceItem> item;
    if (Param(req, "itemId", itemId, 32))
        item = m_db.FindItem(itemId);
    // An item the request may not see is answered exactly like a missing one.
    if (!item || !item->uploaded || !MayView(req, *item)) {
        res.status = 404;
        res.set_content(CProductPage::NotFound().toStdString(), htmlType);
        return;
    }
    QList<CProductPagePhoto> photos;
    for (const CServicePhoto &stored : m_db.Photos(item->itemId)) {
        CProductPagePhoto photo;
        photo.source = ImageLink(*item, stored.member);
        if (const std::optional<QSizeF> size
            = CRealSize::SizeMm(QSize(stored.widthPx, stored.heightPx), {stored.x1, stored.y1},
                                {stored.x2, stored.y2}, stored.lengthMm)) {
            photo.measured = true;
            photo.widthMm = size->width();
            photo.heightMm = size->height();
        }
        photos.append(photo);
    }
    res.set_content(CProductPage::Render(*item, photos, preview).toStdString(), htmlType);
}

QString CLocalService::ImagePath(const QString &itemId, const QString &member)
{
    return QStringLiteral("/vmi/%1/%2").arg(itemId, member);
}

void CLocalService::PackageImage(const httplib::Request &req, httplib::Response &res)
{
    auto notFound = [&res] {
        res.status = 404;
        res.set_content(std::string(kNoItem), "text/plain; charset=UTF-8");
    };
    if (req.matches.size() != 3)
        return notFound();
    const QString itemId = QString::fromStdString(req.matches[1].str());
    const QString member = QString::fromStdString(req.matches[2].str());
    // Only the pictures of an uploaded item, under the names its package holds them by.
    if (!CPackageCheck::IsMemberName(itemId, member) || member.endsWith(QLatin1String(".vmd")))
        return notFound();
    const std::optional<CServiceItem> item = m_db.FindItem(itemId);
    if (!item || !item->uploaded || !MayView(req, *item))
        return notFound();
    auto unzip = std::make_shared<CUbUnzip>();
    if (!unzip->Open(PackagePath(item->itemId)))
        return notFound();
    ZipItem count;
    if (!unzip->GetItem(-1, count))
        return notFound();
    for (int i = 0; i < count.index; ++i) {
        ZipItem entry;
        if (!unzip->GetItem(i, entry) || entry.name != member)
            continue;
        if (entry.size == 0 || entry.size > CPackageCheck::kMaxMemberBytes)
            return notFound();
        // Inflated straight onto the connection in the reader's small pieces, never whole in
        // memory; the archive stays open, so a re-upload meanwhile does not change what is sent.
        res.set_content_provider(
            entry.size, "image/jpeg", [unzip, i](size_t offset, size_t, httplib::DataSink &sink) {
                if (offset != 0)
                    return false;
                return unzip->ExtractToSink(i, [&sink](const char *data, int size) {
                    return sink.write(data, static_cast<size_t>(size));
                }) == 0;
            });
        return;
    }
    notFound();
}
