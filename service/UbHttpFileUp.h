#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>

// Multipart upload client: one file as the single part "SCRIPT_DOC_NM" of a form POST, streamed
// from disk in pieces of ChunkSize() bytes, and the service's short answer read back. Blocking;
// only the cancel flag may be touched from another thread.
class CUbHttpFileUp
{
public:
    // The boundary line is two hyphens and this.
    static constexpr const char *kBoundary = "---------------------------7d16d3Ubrik";
    static constexpr const char *kFieldName = "SCRIPT_DOC_NM";
    // The answer is read once, at most this many bytes.
    static constexpr int kMaxAnswerBytes = 10240;
    // The counters are 32-bit, so larger files are refused before anything is sent.
    static constexpr qint64 kMaxFileBytes = 0x7FFFFFFF - 4096;

    explicit CUbHttpFileUp(qint32 chunkSize = 4096);
    virtual ~CUbHttpFileUp() = default;
    CUbHttpFileUp(const CUbHttpFileUp &) = delete;
    CUbHttpFileUp &operator=(const CUbHttpFileUp &) = delete;

    // Sends localPath under remoteFileName (the local file's name when empty) to url
    // ("[http://]host[:port]/path"). True when the whole body went out and the service answered
    // with a 2xx status; answer then holds the first kMaxAnswerBytes bytes of its body.
    bool SendFile(const QString &remoteFileName, const QString &localPath, const QString &url,
                  QByteArray &answer);

    // Splits an upload address; false without a "/" after the host, with an empty host, a port
    // outside 1 … 65535, or a scheme other than "http://".
    static bool SplitUrl(const QString &url, QString &host, int &port, QString &path);
    // The part header for a file name, as sent; empty when the name cannot be carried in the
    // header (a quote or a line break would end it early).
    static QByteArray PartHeader(const QString &remoteFileName);
    static QByteArray Trailer();

    qint32 ChunkSize() const { return m_chunkSize; }
    void SetChunkSize(qint32 size) { m_chunkSize = size > 0 ? size : 4096; }

    // Stops the upload at its next piece, or while it waits for the network.
    void SetCancel(bool cancel) { m_cancel.store(cancel ? 1 : 0); }
    bool IsCancelled() const { return m_cancel.load() != 0; }

    // Stall limit in seconds: an upload that moves nothing for this long fails.
    void SetStallSeconds(int seconds) { m_stallSeconds = seconds > 0 ? seconds : 60; }

protected:
    // After the part header went out, before the first byte of the file.
    virtual void OnBegin(qint32 total);
    // After each piece of the file; false stops the upload as a failure.
    virtual bool OnSent(qint32 sent, qint32 total);
    // After the trailer and the end of the request.
    virtual void OnEnd(qint32 total);

private:
    struct Body;

    qint32 m_chunkSize;
    int m_stallSeconds = 60;
    std::atomic<int> m_cancel {0};
};
