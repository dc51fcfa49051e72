#include "UbHttpFileUp.h"

#include "ServiceKey.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <curl/curl.h>
#include <mutex>
#include <string>

namespace {

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

// What the read callback hands to the library: the part header, the file in pieces, the
// trailer, in that order.
struct CUbHttpFileUp::Body
{
    CUbHttpFileUp *owner = nullptr;
    QFile *file = nullptr;
    QByteArray header;
    QByteArray trailer;
    qint64 headerPos = 0;
    qint64 trailerPos = 0;
    qint32 fileSize = 0;
    qint32 sent = 0;
    bool begun = false;
    bool failed = false;
    QByteArray answer;

    static size_t Copy(const QByteArray &from, qint64 &pos, char *to, size_t room)
    {
        const size_t n = std::min<size_t>(room, static_cast<size_t>(from.size() - pos));
        std::memcpy(to, from.constData() + pos, n);
        pos += static_cast<qint64>(n);
        return n;
    }

    static size_t OnRead(char *buffer, size_t size, size_t count, void *user)
    {
        auto *b = static_cast<Body *>(user);
        const size_t room = size * count;
        if (b->owner->IsCancelled()) {
            b->failed = true;
            return CURL_READFUNC_ABORT;
        }
        if (b->headerPos < b->header.size())
            return Copy(b->header, b->headerPos, buffer, room);
        if (!b->begun) {
            b->begun = true;
            b->owner->OnBegin(b->fileSize);
        }
        if (b->sent < b->fileSize) {
            const qint64 want = std::min<qint64>({static_cast<qint64>(b->owner->ChunkSize()),
                                                  static_cast<qint64>(room),
                                                  static_cast<qint64>(b->fileSize - b->sent)});
            // A file that shrank or cannot be read any more ends the upload as a failure; the
            // declared length would not hold.
            if (b->file->read(buffer, want) != want) {
                b->failed = true;
                return CURL_READFUNC_ABORT;
            }
            b->sent += static_cast<qint32>(want);
            if (!b->owner->OnSent(b->sent, b->fileSize)) {
                b->failed = true;
                return CURL_READFUNC_ABORT;
            }
            return static_cast<size_t>(want);
        }
        return Copy(b->trailer, b->trailerPos, buffer, room);
    }

    static size_t OnWrite(char *data, size_t size, size_t count, void *user)
    {
        auto *b = static_cast<Body *>(user);
        const size_t n = size * count;
        const qsizetype room = kMaxAnswerBytes - b->answer.size();
        if (room > 0)
            b->answer.append(data, std::min<qsizetype>(room, static_cast<qsizetype>(n)));
        return n; // the rest of a longer answer is read and dropped
    }

    static int OnProgress(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
    {
        return static_cast<Body *>(user)->owner->IsCancelled() ? 1 : 0;
    }
};

CUbHttpFileUp::CUbHttpFileUp(qint32 chunkSize)
    : m_chunkSize(chunkSize > 0 ? chunkSize : 4096)
{
    GlobalInit();
}

void CUbHttpFileUp::OnBegin(qint32) { }

bool CUbHttpFileUp::OnSent(qint32, qint32)
{
    return true;
}

void CUbHttpFileUp::OnEnd(qint32) { }

bool CUbHttpFileUp::SplitUrl(const QString &url, QString &host, int &port, QString &path)
{
    QString rest = url;
    if (rest.left(7).compare(QLatin1String("http://"), Qt::CaseInsensitive) == 0)
        rest = rest.mid(7);
    const qsizetype slash = rest.indexOf(u'/');
    if (slash < 0)
        return false;
    QString hostPart = rest.left(slash);
    path = rest.mid(slash);
    port = 80;
    const qsizetype colon = hostPart.indexOf(u':');
    if (colon >= 0) {
        bool ok = false;
        const int value = hostPart.mid(colon + 1).toInt(&ok);
        if (!ok || value < 1 || value > 65535)
            return false;
        port = value;
        hostPart = hostPart.left(colon);
    }
    host = hostPart;
    for (const QChar c : host) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7F || c == u'@' || c == u'?' || c == u'#'
            || c == u'\\')
            return false;
    }
    for (const QChar c : path) {
        if (c.unicode() <= 0x20 || c.unicode() == 0x7F || c == u'#')
            return false;
    }
    return !host.isEmpty() && path.size() < 1026;
}

QByteArray CUbHttpFileUp::PartHeader(const QString &remoteFileName)
{
    if (remoteFileName.contains(u'"') || remoteFileName.contains(u'\r')
        || remoteFileName.contains(u'\n') || remoteFileName.contains(QChar(0)))
        return QByteArray();
    return QByteArray("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + kFieldName
        + "\"; filename=\"" + ToCodePage949(remoteFileName)
        + "\"\r\nContent-Type: image/jpeg\r\n\r\n";
}

QByteArray CUbHttpFileUp::Trailer()
{
    return QByteArray("\r\n--") + kBoundary + "--\r\n";
}

bool CUbHttpFileUp::SendFile(const QString &remoteFileName, const QString &localPath,
                             const QString &url, QByteArray &answer)
{
    answer.clear();
    QString name = remoteFileName;
    if (name.isEmpty()) {
        QString path = localPath;
        path.replace(u'\\', u'/');
        name = QFileInfo(path).fileName();
    }
    Body body;
    body.owner = this;
    body.header = PartHeader(name);
    body.trailer = Trailer();
    if (body.header.isEmpty())
        return false;

    QFile file(localPath);
    if (!QFileInfo(localPath).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    if (size < 0 || size > kMaxFileBytes)
        return false;
    body.file = &file;
    body.fileSize = static_cast<qint32>(size);

    QString host;
    QString path;
    int port = 80;
    if (!SplitUrl(url, host, port, path))
        return false;

    CURL *e = curl_easy_init();
    if (!e)
        return false;
    const std::string fullUrl
        = "http://" + host.toStdString() + ':' + std::to_string(port) + path.toUtf8().toStdString();
    curl_slist *headers = nullptr;
    for (const char *line :
         {"Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
          "application/vnd.ms-powerpoint, application/vnd.ms-excel, application/msword, */*",
          "Accept-Language: ko",
          "Content-Type: multipart/form-data; boundary=---------------------------7d16d3Ubrik",
          "Connection: Keep-Alive", "Pragma: no-cache", "Cache-Control: no-cache", "Expect:"})
        headers = curl_slist_append(headers, line);

    const curl_off_t total = static_cast<curl_off_t>(body.header.size()) + body.fileSize
        + static_cast<curl_off_t>(body.trailer.size());
    curl_easy_setopt(e, CURLOPT_URL, fullUrl.c_str());
    curl_easy_setopt(e, CURLOPT_USERAGENT, "HttpFileUp");
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers);
    // The request offers gzip and deflate; a server that takes up the offer gets its answer
    // decoded here rather than handed on compressed.
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    curl_easy_setopt(e, CURLOPT_POST, 1L);
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, total);
    curl_easy_setopt(e, CURLOPT_READFUNCTION, &Body::OnRead);
    curl_easy_setopt(e, CURLOPT_READDATA, &body);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Body::OnWrite);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &Body::OnProgress);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, &body);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_stallSeconds));

    const CURLcode result = curl_easy_perform(e);
    long status = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(e);
    curl_slist_free_all(headers);

    if (result != CURLE_OK || body.failed || body.sent != body.fileSize || status < 200
        || status > 299)
        return false;
    OnEnd(body.fileSize);
    answer = body.answer;
    return true;
}
