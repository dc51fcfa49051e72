#include "UbHttpFileUp.h"

#include "HttpCommon.h"
#include "ServiceKey.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <curl/curl.h>
#include <functional>
#include <string>

namespace {

constexpr long kStallSeconds = 60;

struct UrlParts
{
    std::string host;
    long port = 80;
    std::string path; // with its leading "/"
};

// "http://" (any case) is skipped; up to the first "/" is host and optional port (after the
// first ":"), the rest is the path. No "/" or a port outside 1 … 65535 fails.
bool ParseUploadUrl(const QString &url, UrlParts &parts)
{
    QString rest = url;
    if (rest.left(7).compare(QLatin1String("http://"), Qt::CaseInsensitive) == 0)
        rest = rest.mid(7);
    const qsizetype slash = rest.indexOf(u'/');
    if (slash < 0)
        return false;
    QString host = rest.left(slash);
    const qsizetype colon = host.indexOf(u':');
    if (colon >= 0) {
        bool ok = false;
        const int port = host.mid(colon + 1).toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            return false;
        parts.port = port;
        host = host.left(colon);
    }
    if (host.isEmpty() || host.size() > 1024)
        return false;
    for (const QChar c : host) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7F || c == u'@' || c == u'?' || c == u'#')
            return false;
    }
    parts.host = host.toStdString();
    parts.path = HttpCommon::WireTarget(QStringLiteral("/") + rest.mid(slash + 1));
    return true;
}

// Feeds curl the body: the part header, the file in chunks, the trailer.
struct BodyReader
{
    std::function<void(qint32)> onBegin;
    std::function<bool(qint32, qint32)> onSent;
    QByteArray header;
    QByteArray trailer;
    QFile *file = nullptr;
    qint32 fileSize = 0;
    qint32 chunkSize = 4096;
    qint64 headerPos = 0;
    qint32 sent = 0;
    qint64 trailerPos = 0;
    bool begun = false;
    bool failed = false;
    QByteArray chunk;

    static size_t Read(char *buffer, size_t size, size_t count, void *user)
    {
        auto *r = static_cast<BodyReader *>(user);
        const size_t room = size * count;
        if (r->headerPos < r->header.size()) {
            const size_t n = std::min<size_t>(room, r->header.size() - r->headerPos);
            std::memcpy(buffer, r->header.constData() + r->headerPos, n);
            r->headerPos += static_cast<qint64>(n);
            return n;
        }
        if (!r->begun) {
            r->begun = true;
            r->onBegin(r->fileSize);
        }
        if (r->sent < r->fileSize) {
            const qint64 want = std::min<qint64>(
                {r->chunkSize, r->fileSize - r->sent, static_cast<qint64>(room)});
            const qint64 got = r->file->read(buffer, want);
            if (got != want) { // the file shrank or cannot be read: the declared length is a lie
                r->failed = true;
                return CURL_READFUNC_ABORT;
            }
            r->sent += static_cast<qint32>(got);
            if (!r->onSent(r->sent, r->fileSize)) {
                r->failed = true;
                return CURL_READFUNC_ABORT;
            }
            return static_cast<size_t>(got);
        }
        const size_t n = std::min<size_t>(room, r->trailer.size() - r->trailerPos);
        std::memcpy(buffer, r->trailer.constData() + r->trailerPos, n);
        r->trailerPos += static_cast<qint64>(n);
        return n;
    }
};

struct AnswerWriter
{
    QByteArray bytes;
    static size_t Write(char *data, size_t size, size_t count, void *user)
    {
        auto *w = static_cast<AnswerWriter *>(user);
        const size_t n = size * count;
        const qsizetype room = CUbHttpFileUp::kMaxAnswerBytes - w->bytes.size();
        if (room > 0)
            w->bytes.append(data, std::min<qsizetype>(room, static_cast<qsizetype>(n)));
        return n; // the rest is read and dropped, so the exchange still ends cleanly
    }
};

} // namespace

QByteArray CUbHttpFileUp::PartHeader(const QString &remoteFileName)
{
    return QByteArray("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + kFieldName
        + "\"; filename=\"" + ToCodePage949(remoteFileName)
        + "\"\r\nContent-Type: image/jpeg\r\n\r\n";
}

QByteArray CUbHttpFileUp::Trailer()
{
    return QByteArray("\r\n--") + kBoundary + "--\r\n";
}

bool CUbHttpFileUp::SendFile(const QString &remoteFileName, const QString &localPath,
                             const QString &url, QString &answer)
{
    answer.clear();
    QString remote = remoteFileName;
    if (remote.isEmpty()) {
        const qsizetype cut = std::max(localPath.lastIndexOf(u'/'), localPath.lastIndexOf(u'\\'));
        remote = localPath.mid(cut + 1);
    }
    // A name with a quote or a line break would end the part header early.
    if (remote.contains(u'"') || remote.contains(u'\r') || remote.contains(u'\n'))
        return false;

    QFile file(localPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    BodyReader body;
    body.header = PartHeader(remote);
    body.trailer = Trailer();
    const qint64 size = file.size();
    // Counters and the declared length are 32-bit.
    if (size < 0 || size + body.header.size() + body.trailer.size() > INT32_MAX)
        return false;
    body.file = &file;
    body.fileSize = static_cast<qint32>(size);
    body.chunkSize = m_chunkSize;
    body.onBegin = [this](qint32 total) {
        OnBegin(total);
    };
    body.onSent = [this](qint32 sent, qint32 total) {
        return OnSent(sent, total);
    };

    UrlParts parts;
    if (!ParseUploadUrl(url, parts))
        return false;

    HttpCommon::GlobalInit();
    CURL *curl = curl_easy_init();
    if (!curl)
        return false;
    const std::string target
        = "http://" + parts.host + ':' + std::to_string(parts.port) + parts.path;
    const std::string contentType
        = std::string("Content-Type: multipart/form-data; boundary=") + kBoundary;
    curl_slist *headers = nullptr;
    for (const char *line :
         {"Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
          "application/vnd.ms-powerpoint, application/vnd.ms-excel, application/msword, */*",
          "Accept-Language: ko", contentType.c_str(), "Expect:"})
        headers = curl_slist_append(headers, line);
    AnswerWriter writer;
    curl_easy_setopt(curl, CURLOPT_URL, target.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "HttpFileUp");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    const std::string noProxy = HttpCommon::NoProxyHosts();
    curl_easy_setopt(curl, CURLOPT_NOPROXY, noProxy.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    // The answer is offered compressed, so it is also decompressed.
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(body.header.size() + size + body.trailer.size()));
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, &BodyReader::Read);
    curl_easy_setopt(curl, CURLOPT_READDATA, &body);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &AnswerWriter::Write);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &writer);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kStallSeconds);

    const CURLcode result = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);

    const bool wholeBody
        = !body.failed && body.sent == body.fileSize && body.trailerPos == body.trailer.size();
    if (result != CURLE_OK || !wholeBody)
        return false;
    OnEnd(body.fileSize);
    if (status < 200 || status > 299)
        return false;
    answer = QString::fromUtf8(writer.bytes);
    return true;
}

void CUbHttpFileUp::OnBegin(qint32) { }

bool CUbHttpFileUp::OnSent(qint32, qint32)
{
    return true;
}

void CUbHttpFileUp::OnEnd(qint32) { }
