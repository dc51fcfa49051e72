#include "LocalService.h"

#include "PackageCheck.h"
#include "ProductPage.h"
#include "RealSize.h"
#include "ServiceKey.h"
#include "UbUnzip.h"

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

void Fail(httplib::Response &res, int status, const char *text)
{
    res.status = status;
    res.set_content(Answer({{QStringLiteral("Result"), Text(text)}}), kXmlType);
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

// The host the editor reached us under, as the links in answers should name it; only a plain
// host[:port] is repeated, anything else falls back to the address we listen on.
QString RequestHost(const httplib::Request &req)
{
    const std::string host = req.get_header_value("Host");
    if (host.empty() || host.size() > 255)
        return QStringLiteral("127.0.0.1");
    for (const char c : host) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == ':'
              || c == '[' || c == ']'))
            return QStringLiteral("127.0.0.1");
    }
    return QString::fromLatin1(host.c_str());
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
    server.set_read_timeout(60);
    server.set_write_timeout(60);
    // The editor makes one request per connection; a short idle limit lets a stop finish fast
    // instead of waiting on connections a client still holds open.
    server.set_keep_alive_timeout(1);
    server.set_exception_handler([](const httplib::Request &, httplib::Response &res,
                                    std::exception_ptr) { Fail(res, 500, kServerError); });
    // The server library reads a request's whole body into memory before routing unless the
    // handler streams it, and it would also inflate a compressed body without limit. Only the
    // upload streams its body, so every other request carrying one is refused before it is read,
    // and no request body may be compressed.
    server.set_pre_routing_handler([](const httplib::Request &req, httplib::Response &res) {
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
    const std::optional<CServiceUser> user = m_db.FindUser(userId);
    if (!user)
        return Fail(res, 200, kUnknownUser);
    if (!IsServiceKey(key) || !SameKey(user->serviceKey, key))
        return Fail(res, 200, kWrongPassword);
    res.set_content(Answer({{QStringLiteral("Result"), QStringLiteral("Success")},
                            {QStringLiteral("PnsCd"), user->pnsCd}}),
                    kXmlType);
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
    res.set_content(out.toStdString(), kXmlType);
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
    res.set_content(Answer({{QStringLiteral("ItemId"), itemId}}), kXmlType);
}

void CLocalService::GetItemList(const httplib::Request &req, httplib::Response &res)
{
    QString pnsCd, itemNm, pageText, sizeText, useTyp;
    bool hasPage = false, hasSize = false, hasTyp = false, hasName = false;
    if (!Param(req, "pnsCd", pnsCd) || !OptionalParam(req, "itemNm", itemNm, hasName)
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
    if (!m_db.FindUserByPnsCd(pnsCd))
        return Fail(res, 403, kUnknownUser);

    const CServiceItemPage list = m_db.ListItems(pnsCd, itemNm, typ, page, pageSize);
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
            item.thumbnail.isEmpty()
                ? QString()
                : QStringLiteral("http://%1%2")
                      .arg(RequestHost(req), ImagePath(item.itemId, item.thumbnail)));
        xml.writeTextElement(QStringLiteral("cateNm"), item.cateNm);
        xml.writeTextElement(QStringLiteral("totCnt"), QString::number(item.photoCnt));
        xml.writeTextElement(QStringLiteral("vmiCnt"), QString::number(item.measuredCnt));
        xml.writeTextElement(QStringLiteral("statusNm"), StatusName(item.useTyp));
        xml.writeTextElement(QStringLiteral("regDtm"), item.regDtm);
        xml.writeTextElement(QStringLiteral("key1"), item.key1);
        xml.writeTextElement(QStringLiteral("key2"), item.key2);
        xml.writeTextElement(QStringLiteral("key3"), item.key3);
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    res.set_content(out.toStdString(), kXmlType);
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
    std::string fileName;
    qint64 written = 0;
    const bool read = reader(
        [&](const httplib::MultipartFormData &part) {
            ++parts;
            ours = parts == 1 && part.name == kUploadField && !part.filename.empty();
            if (ours)
                fileName = part.filename;
            else
                wrongPart = true;
            return true;
        },
        [&](const char *data, size_t length) {
            if (!ours || tooLarge || writeFailed)
                return true;
            if (written + static_cast<qint64>(length) > kMaxPackageBytes) {
                tooLarge = true;
                return false; // stop reading: a body that never ends must not hold a thread
            }
            if (incoming.write(data, static_cast<qint64>(length)) != static_cast<qint64>(length))
                writeFailed = true;
            written += static_cast<qint64>(length);
            return true;
        });
    if (tooLarge)
        return fail(kTooLarge);
    if (!read || parts == 0 || wrongPart)
        return fail(kBadRequest);
    if (writeFailed || !incoming.flush())
        return fail(kServerError);

    // The file name is "<userId>_<pnsCd>_<key>"; the user id may hold "_" itself.
    const QString name = FromCodePage949(QByteArray::fromStdString(fileName));
    const qsizetype keyAt = name.lastIndexOf(u'_');
    const qsizetype pnsAt = keyAt > 0 ? name.lastIndexOf(u'_', keyAt - 1) : -1;
    if (pnsAt <= 0)
        return fail(kBadRequest);
    const QString userId = name.left(pnsAt);
    const QString pnsCd = name.mid(pnsAt + 1, keyAt - pnsAt - 1);
    const QString key = name.mid(keyAt + 1);
    const std::optional<CServiceUser> user = Authenticate(userId, key);
    if (!user || user->pnsCd != pnsCd)
        return fail(kWrongPassword);

    // Whose item it is, before anything is unpacked for it.
    QString itemId;
    if (!CPackageCheck::ItemIdOf(incoming.fileName(), itemId))
        return fail(kBadPackage);
    const std::optional<CServiceItem> item = m_db.FindItem(itemId);
    if (!item)
        return fail(kNoItem);
    if (item->userId != user->userId)
        return fail(kNotYours);

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

    // Replace the stored package in one step, so a reader never sees half of one.
    incoming.close();
    const QByteArray from = QFile::encodeName(incoming.fileName());
    const QByteArray to = QFile::encodeName(PackagePath(item->itemId));
    if (std::rename(from.constData(), to.constData()) != 0)
        return fail(kServerError);
    incoming.setAutoRemove(false);

    const std::optional<CServiceItem> stored
        = m_db.StoreUpload(item->itemId, written, info.summary, info.photos);
    if (!stored)
        return fail(kServerError);
    const QString host = RequestHost(req);
    res.set_content(
        Answer({{QStringLiteral("Result"), QStringLiteral("Success")},
                {QStringLiteral("VmiPath"), QStringLiteral("/packages/%1.zip").arg(stored->itemId)},
                {QStringLiteral("VmiUrl"),
                 QStringLiteral("http://%1/GetProductDtlAction.uvm?itemId=%2&viewMode=0")
                     .arg(host, stored->itemId)},
                {QStringLiteral("key1"), stored->key1},
                {QStringLiteral("key2"), stored->key2},
                {QStringLiteral("key3"), stored->key3}}),
        kXmlType);
}

void CLocalService::Comment(const httplib::Request &req, httplib::Response &res)
{
    QString itemId, cmtTyp, snsUserId, snsUserNm, snsId, snsImage;
    if (!Param(req, "itemId", itemId, 32) || !Param(req, "cmtTyp", cmtTyp, 8)
        || !Param(req, "snsUserId", snsUserId) || !Param(req, "snsUserNm", snsUserNm)
        || !Param(req, "snsId", snsId) || !Param(req, "snsImage", snsImage))
        return Fail(res, 400, kBadRequest);
    const std::optional<CServiceItem> item = m_db.FindItem(itemId);
    if (!item || !item->uploaded)
        return Fail(res, 404, kNoItem);
    if (!m_db.AddComment(item->itemId, cmtTyp, snsUserId, snsUserNm, snsId, snsImage))
        return Fail(res, 500, kServerError);
    res.set_content(Answer({{QStringLiteral("Result"), QStringLiteral("Success")}}), kXmlType);
}

void CLocalService::ProductPage(const httplib::Request &req, httplib::Response &res, bool preview)
{
    const char *const htmlType = "text/html; charset=UTF-8";
    QString itemId;
    std::optional<CServiceItem> item;
    if (Param(req, "itemId", itemId, 32))
        item = m_db.FindItem(itemId);
    if (!item || !item->uploaded) {
        res.status = 404;
        res.set_content(CProductPage::NotFound().toStdString(), htmlType);
        return;
    }
    QList<CProductPagePhoto> photos;
    for (const CServicePhoto &stored : m_db.Photos(item->itemId)) {
        CProductPagePhoto photo;
        photo.source = ImagePath(item->itemId, stored.member);
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
    if (!item || !item->uploaded)
        return notFound();
    CUbUnzip unzip;
    if (!unzip.Open(PackagePath(item->itemId)))
        return notFound();
    ZipItem count;
    if (!unzip.GetItem(-1, count))
        return notFound();
    for (int i = 0; i < count.index; ++i) {
        ZipItem entry;
        if (!unzip.GetItem(i, entry) || entry.name != member)
            continue;
        if (entry.size > CPackageCheck::kMaxMemberBytes)
            return notFound();
        std::string bytes;
        bytes.reserve(entry.size);
        const int rc = unzip.ExtractToSink(i, [&bytes, &entry](const char *data, int size) {
            if (bytes.size() + static_cast<size_t>(size) > entry.size)
                return false;
            bytes.append(data, static_cast<size_t>(size));
            return true;
        });
        if (rc != 0)
            return notFound();
        res.set_content(std::move(bytes), "image/jpeg");
        return;
    }
    notFound();
}
