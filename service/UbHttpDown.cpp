#include "UbHttpDown.h"

#include "HttpCommon.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <curl/curl.h>
#include <new>
#include <string>

namespace {

// Body bytes the transfer may hold ahead of the reader; beyond it the transfer pauses, so a fast
// server never fills memory while the caller works through its chunks.
constexpr size_t kMaxPending = 64 * 1024;
// A paused transfer resumes once the reader has worked the held bytes down to this, not at the
// first byte taken, so pausing does not turn into a pause and resume for every chunk.
constexpr size_t kResumePending = kMaxPending / 4;
// How long one wait for the network lasts before the cancel flag is looked at again.
constexpr int kPollMs = 50;
constexpr long kDefaultStallSeconds = 60;

// The C library's wide-string to long conversion: leading blanks, a sign, then digits up to the
// first other character; no digits at all gives 0.
long ToLong(const QString &text)
{
    int i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    long value = 0;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i) {
        value = value * 10 + (text.at(i).unicode() - u'0');
        if (value > 0xFFFFFF) // far beyond any port; stop before overflowing
            break;
    }
    return negative ? -value : value;
}

bool HostIsPlain(const QString &host)
{
    for (const QChar c : host) {
        if (c.unicode() <= 0x20 || c == u'@' || c == u'/' || c == u'?' || c == u'#' || c == u'\\'
            || c.unicode() == 0x7F)
            return false;
    }
    return true;
}

} // namespace

struct CUbHttpDown::Transfer
{
    CURLM *multi = nullptr;
    CURL *easy = nullptr;
    curl_slist *headers = nullptr;
    QByteArray postBody;
    std::string pending;
    size_t pendingPos = 0;
    bool added = false;
    bool paused = false;
    bool headersDone = false;
    bool finished = false;
    CURLcode result = CURLE_OK;
    char error[CURL_ERROR_SIZE] = {};

    size_t Available() const { return pending.size() - pendingPos; }

    ~Transfer()
    {
        if (added)
            curl_multi_remove_handle(multi, easy);
        if (easy)
            curl_easy_cleanup(easy);
        if (headers)
            curl_slist_free_all(headers);
        if (multi)
            curl_multi_cleanup(multi);
    }

    static size_t OnWrite(char *data, size_t size, size_t count, void *user)
    {
        auto *t = static_cast<Transfer *>(user);
        t->headersDone = true;
        if (t->Available() >= kMaxPending) {
            t->paused = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        t->pending.append(data, size * count);
        return size * count;
    }

    static size_t OnHeader(char *data, size_t size, size_t count, void *user)
    {
        auto *t = static_cast<Transfer *>(user);
        const size_t n = size * count;
        if ((n == 2 && data[0] == '\r' && data[1] == '\n') || (n == 1 && data[0] == '\n')) {
            long code = 0;
            curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &code);
            if (code >= 200) // an interim 1xx block is followed by the real answer
                t->headersDone = true;
        }
        return n;
    }
};

CUbHttpDown::CUbHttpDown(const QString &agent)
    : m_agent(agent.left(kAgentCapacity - 1))
{
    HttpCommon::GlobalInit();
}

CUbHttpDown::~CUbHttpDown()
{
    CloseRequest();
}

bool CUbHttpDown::SplitUrl(const QString &url, CUbHttpUrl &parts)
{
    parts = CUbHttpUrl();
    QString rest = url;
    if (url.size() >= 9) {
        if (url.left(7).toLower() == QLatin1String("http://")) {
            rest = url.mid(7);
        } else if (url.left(8).toLower() == QLatin1String("https://")) {
            parts.secure = true;
            parts.port = 443;
            rest = url.mid(8);
        }
    }

    const qsizetype slash = rest.indexOf(u'/');
    const QString hostPort = slash >= 0 ? rest.left(slash) : rest;
    parts.target = slash >= 0 ? rest.mid(slash) : QStringLiteral("/");

    qsizetype colon = hostPort.lastIndexOf(u':');
    // A bracketed IPv6 address holds colons of its own; only one after "]" starts a port.
    if (hostPort.startsWith(u'[') && colon < hostPort.indexOf(u']'))
        colon = -1;
    if (colon >= 0) {
        parts.host = hostPort.left(colon);
        const long port = ToLong(hostPort.mid(colon + 1));
        if (port < 1 || port > 65535)
            return false;
        parts.port = static_cast<quint16>(port);
    } else {
        parts.host = hostPort;
    }

    return !parts.host.isEmpty() && parts.host.size() < kHostCapacity
        && parts.target.size() < kTargetCapacity && HostIsPlain(parts.host);
}

void CUbHttpDown::AddPostArg(const QString &name, const QString &value)
{
    m_postArgs.append({name, value});
}

void CUbHttpDown::SetTimeouts(qint32 connectMs, qint32 receiveMs)
{
    m_connectTimeout = std::max(0, connectMs);
    m_receiveTimeout = std::max(0, receiveMs);
}

bool CUbHttpDown::OpenUrl(const QString &url, bool get)
{
    CloseRequest();
    m_status = 0;
    if (!SplitUrl(url, m_url))
        return false;
    if (!Perform(get)) {
        CloseRequest();
        return false;
    }
    return true;
}

void CUbHttpDown::CloseRequest()
{
    m_transfer.reset();
    m_contentLength = 0;
}

template<typename Done> bool CUbHttpDown::Drive(Done done)
{
    Transfer &t = *m_transfer;
    for (;;) {
        if (done() || t.finished)
            return true;
        if (IsCancelled())
            return false;
        int running = 0;
        if (curl_multi_perform(t.multi, &running) != CURLM_OK) {
            t.finished = true;
            t.result = CURLE_FAILED_INIT;
            return true;
        }
        int queued = 0;
        while (CURLMsg *msg = curl_multi_info_read(t.multi, &queued)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == t.easy) {
                t.finished = true;
                t.result = msg->data.result;
            }
        }
        if (done() || t.finished)
            return true;
        curl_multi_poll(t.multi, nullptr, 0, kPollMs, nullptr);
    }
}

bool CUbHttpDown::Perform(bool get)
{
    m_transfer = std::make_unique<Transfer>();
    Transfer &t = *m_transfer;
    t.multi = curl_multi_init();
    t.easy = curl_easy_init();
    if (!t.multi || !t.easy)
        return false;

    const std::string url = std::string(m_url.secure ? "https://" : "http://")
        + m_url.host.toUtf8().toStdString() + ':' + std::to_string(m_url.port)
        + HttpCommon::WireTarget(m_url.target);
    const QByteArray agent = m_agent.toUtf8();

    CURL *e = t.easy;
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_USERAGENT, agent.constData());
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    const std::string noProxy = HttpCommon::NoProxyHosts();
    curl_easy_setopt(e, CURLOPT_NOPROXY, noProxy.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
    // Certificates and host names are checked: the query carries the user's service key.
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    const QByteArray caFile = QFile::encodeName(m_caFile);
    if (!caFile.isEmpty())
        curl_easy_setopt(e, CURLOPT_CAINFO, caFile.constData());
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    if (m_connectTimeout > 0)
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_connectTimeout));
    // A server that stops sending must not hold the caller for ever.
    const long stall = m_receiveTimeout > 0 ? std::max(1L, (m_receiveTimeout + 999L) / 1000L)
                                            : kDefaultStallSeconds;
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, stall);
    if (m_deadline > 0)
        curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, static_cast<long>(m_deadline));
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, t.error);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Transfer::OnWrite);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &t);

    // Answers are never taken from a cache on the way.
    t.headers = curl_slist_append(t.headers, "Pragma: no-cache");
    t.headers = curl_slist_append(t.headers, "Cache-Control: no-cache");
    if (get) {
        curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    } else {
        QString body;
        for (qsizetype i = 0; i < m_postArgs.size(); ++i) {
            if (i > 0)
                body += u'&';
            body += m_postArgs.at(i).first + u'=' + m_postArgs.at(i).second;
        }
        t.postBody = body.toUtf8();
        const std::string length = "Content-length: " + std::to_string(t.postBody.size());
        t.headers = curl_slist_append(t.headers, "Accept: text/*");
        t.headers = curl_slist_append(
            t.headers, "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0;* Windows NT)");
        t.headers = curl_slist_append(t.headers, "Content-type: application/x-www-form-urlencoded");
        t.headers = curl_slist_append(t.headers, length.c_str());
        t.headers = curl_slist_append(t.headers, "Expect:");
        curl_easy_setopt(e, CURLOPT_POST, 1L);
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(t.postBody.size()));
        curl_easy_setopt(e, CURLOPT_POSTFIELDS, t.postBody.constData());
    }
    if (!t.headers)
        return false;
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, t.headers);

    if (curl_multi_add_handle(t.multi, t.easy) != CURLM_OK)
        return false;
    t.added = true;

    if (!Drive([&t] { return t.headersDone; }))
        return false;
    if (t.finished && t.result != CURLE_OK)
        return false;

    long code = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &code);
    m_status = static_cast<int>(code);
    if (code < 200 || code > 299)
        return false;

    curl_off_t length = -1;
    curl_easy_getinfo(e, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (length > INT32_MAX) // the counters are 32-bit; such a body is refused outright
        return false;
    m_contentLength = length > 0 ? static_cast<qint32>(length) : 0;
    return true;
}

qint64 CUbHttpDown::Read(char *buffer, qint64 max)
{
    if (!m_transfer || max <= 0)
        return -1;
    Transfer &t = *m_transfer;
    for (;;) {
        if (t.Available() > 0) {
            const size_t n = std::min<size_t>(t.Available(), static_cast<size_t>(max));
            std::memcpy(buffer, t.pending.data() + t.pendingPos, n);
            t.pendingPos += n;
            if (t.pendingPos == t.pending.size()) {
                t.pending.clear();
                t.pendingPos = 0;
            }
            if (t.paused && t.Available() <= kResumePending) {
                t.paused = false;
                curl_easy_pause(t.easy, CURLPAUSE_CONT); // may deliver held data at once
            }
            return static_cast<qint64>(n);
        }
        if (t.finished)
            return t.result == CURLE_OK ? 0 : -1;
        if (t.paused) {
            t.paused = false;
            curl_easy_pause(t.easy, CURLPAUSE_CONT);
            continue;
        }
        if (!Drive([&t] { return t.Available() > 0; }))
            return -1;
    }
}

CUbHttpBuffer CUbHttpDown::ReadAll(qint32 initialCapacity, qint32 growth, bool reportProgress,
                                   qint32 chunkSize, qint32 maxBody)
{
    if (!m_transfer || initialCapacity < 0 || growth < 1 || chunkSize < 1 || maxBody < 0)
        return {};
    if (m_contentLength > maxBody)
        return {};

    qint64 capacity = initialCapacity;
    std::unique_ptr<char[]> data(new (std::nothrow) char[capacity + 1]);
    if (!data)
        return {};
    qint64 received = 0;
    for (;;) {
        if (capacity - received < chunkSize) {
            const qint64 grown = capacity + growth;
            if (grown >= INT32_MAX)
                return {};
            std::unique_ptr<char[]> bigger(new (std::nothrow) char[grown + 1]);
            if (!bigger)
                return {};
            std::memcpy(bigger.get(), data.get(), static_cast<size_t>(received));
            data = std::move(bigger);
            capacity = grown;
        }
        const qint64 n
            = Read(data.get() + received, std::min<qint64>(chunkSize, capacity - received));
        if (n < 0)
            return {};
        if (n == 0) {
            data[received] = 0;
            m_contentLength = static_cast<qint32>(received);
            CUbHttpBuffer out;
            out.data = std::move(data);
            out.size = static_cast<qint32>(received);
            out.capacity = static_cast<qint32>(capacity);
            return out;
        }
        received += n;
        if (received > maxBody)
            return {};
        if (reportProgress && !OnProgress(m_contentLength, static_cast<qint32>(received)))
            return {};
    }
}

bool CUbHttpDown::ReadChunks(qint32 chunkSize, qint64 maxBody)
{
    if (!m_transfer || chunkSize < 1)
        return false;
    maxBody = std::min<qint64>(maxBody, INT32_MAX);
    std::unique_ptr<char[]> chunk(new (std::nothrow) char[static_cast<size_t>(chunkSize) + 1]);
    if (!chunk)
        return false;
    qint64 total = 0;
    while (!IsCancelled()) {
        const qint64 n = Read(chunk.get(), chunkSize);
        if (n < 0)
            return false;
        if (n == 0) {
            m_contentLength = static_cast<qint32>(total);
            return true;
        }
        total += n;
        if (total > maxBody)
            return false;
        chunk[n] = 0;
        if (!OnData(m_contentLength, static_cast<qint32>(total), chunk.get(),
                    static_cast<qint32>(n)))
            return false;
    }
    return false;
}

bool CUbHttpDown::OnProgress(qint32, qint32)
{
    return true;
}

bool CUbHttpDown::OnData(qint32, qint32, const char *, qint32)
{
    return true;
}
