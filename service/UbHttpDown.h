#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>

// The parts of a URL as the client splits it. `target` is the request target, path and query,
// always beginning with "/".
struct CUbHttpUrl
{
    bool secure = false;
    QString host;
    quint16 port = 80;
    QString target;
};

// A response body read whole: `size` bytes followed by one 0 byte; `capacity` is how many body
// bytes the buffer had room for when reading ended (the terminator not counted).
struct CUbHttpBuffer
{
    std::unique_ptr<char[]> data;
    qint32 size = 0;
    qint32 capacity = 0;

    explicit operator bool() const { return data != nullptr; }
    QByteArray toByteArray() const { return data ? QByteArray(data.get(), size) : QByteArray(); }
};

// The program's one general HTTP client: a single GET or form POST, its body handed back whole
// or chunk by chunk. Synchronous; one request at a time, a new request closes the previous one.
// Only the cancel flag may be touched from another thread.
class CUbHttpDown
{
public:
    // Host and target capacities of the request record, terminator included.
    static constexpr int kHostCapacity = 1025;
    static constexpr int kTargetCapacity = 1026;
    static constexpr int kAgentCapacity = 101;
    // Bodies read whole are refused beyond this unless the caller names another bound.
    static constexpr qint32 kDefaultMaxBody = 16 * 1024 * 1024;

    explicit CUbHttpDown(const QString &agent);
    virtual ~CUbHttpDown();
    CUbHttpDown(const CUbHttpDown &) = delete;
    CUbHttpDown &operator=(const CUbHttpDown &) = delete;

    // Splits a URL the way OpenUrl does. False when the host is empty, a part exceeds its
    // capacity, or the port is not 1 … 65535.
    static bool SplitUrl(const QString &url, CUbHttpUrl &parts);

    void AddPostArg(const QString &name, const QString &value);
    // True when the request went out and the server answered with a status 200 … 299.
    bool OpenUrl(const QString &url, bool get);
    // The body whole; an empty buffer on failure, when OnProgress stops it, or when the body
    // would exceed maxBody bytes.
    virtual CUbHttpBuffer ReadAll(qint32 initialCapacity, qint32 growth, bool reportProgress,
                                  qint32 chunkSize, qint32 maxBody = kDefaultMaxBody);
    // Hands the body to OnData in chunks of at most chunkSize bytes. True when it was read to
    // its end; false on a read failure, a false OnData, a cancel, or more than maxBody bytes.
    virtual bool ReadChunks(qint32 chunkSize, qint64 maxBody = INT32_MAX);
    void CloseRequest();

    // Set from another thread to stop ReadChunks before its next chunk; also ends a request
    // still waiting for its answer.
    void SetCancel(bool cancel) { m_cancel.store(cancel ? 1 : 0); }
    bool IsCancelled() const { return m_cancel.load() != 0; }

    // Time-outs in milliseconds; 0 keeps the defaults (connect: the library's; receive: a
    // transfer that moves nothing for 60 seconds fails).
    void SetTimeouts(qint32 connectMs, qint32 receiveMs);
    // Whole-request limit in milliseconds, from the connect to the last byte; 0 means none. The
    // stall limit alone lets a server that trickles one byte a second hold a request for hours,
    // so every request that blocks the user-interface thread sets one.
    void SetDeadline(qint32 totalMs) { m_deadline = std::max(0, totalMs); }

    // A PEM file of the authorities to trust in place of the system's bundle, for a service
    // with a private authority; empty uses the system's. Verification is never switched off.
    void SetTrustedCertificates(const QString &pemFile) { m_caFile = pemFile; }

    bool IsSecure() const { return m_url.secure; }
    const QString &Host() const { return m_url.host; }
    quint16 Port() const { return m_url.port; }
    const QString &Object() const { return m_url.target; }
    // Content-Length of the answer (0 when absent); after a completed read, the body size.
    qint32 ContentLength() const { return m_contentLength; }
    // Status of the last answer, 0 when none arrived.
    int StatusCode() const { return m_status; }

protected:
    virtual bool OnProgress(qint32 contentLength, qint32 received);
    virtual bool OnData(qint32 contentLength, qint32 received, const char *chunk, qint32 size);

private:
    struct Transfer;

    bool Perform(bool get);
    // Reads up to max bytes: > 0 bytes read, 0 at the end of the body, -1 on failure or cancel.
    qint64 Read(char *buffer, qint64 max);
    // Runs the transfer until the predicate holds or the transfer ends; false on cancel.
    template<typename Done> bool Drive(Done done);

    QString m_agent;
    CUbHttpUrl m_url;
    qint32 m_contentLength = 0;
    int m_status = 0;
    qint32 m_connectTimeout = 0;
    qint32 m_receiveTimeout = 0;
    qint32 m_deadline = 0;
    QString m_caFile;
    std::atomic<int> m_cancel {0};
    QList<QPair<QString, QString>> m_postArgs;
    std::unique_ptr<Transfer> m_transfer;
};
