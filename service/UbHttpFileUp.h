#pragma once

#include <QByteArray>
#include <QString>

// Sends one file to the service as a multipart POST with a single part "SCRIPT_DOC_NM", streamed
// from disk in chunks, and returns the service's answer. Blocking; one upload at a time.
class CUbHttpFileUp
{
public:
    // The multipart boundary as declared in the Content-Type header; each delimiter in the body
    // is two more hyphens in front of it.
    static constexpr const char *kBoundary = "---------------------------7d16d3Ubrik";
    // The part's field name the service expects.
    static constexpr const char *kFieldName = "SCRIPT_DOC_NM";
    // At most this much of the answer is kept.
    static constexpr int kMaxAnswerBytes = 10240;

    CUbHttpFileUp() = default;
    virtual ~CUbHttpFileUp() = default;
    CUbHttpFileUp(const CUbHttpFileUp &) = delete;
    CUbHttpFileUp &operator=(const CUbHttpFileUp &) = delete;

    void SetChunkSize(qint32 bytes) { m_chunkSize = bytes > 0 ? bytes : 4096; }
    qint32 ChunkSize() const { return m_chunkSize; }

    // url is "host[:port]/path", optionally after "http://" (no other scheme). An empty remote
    // name sends the local file's own name. True when the whole body went out and the service
    // answered with a status 200 … 299; answer then holds its text (UTF-8, gzip or deflate
    // undone).
    bool SendFile(const QString &remoteFileName, const QString &localPath, const QString &url,
                  QString &answer);

    // The part header exactly as sent for a remote file name.
    static QByteArray PartHeader(const QString &remoteFileName);
    // The closing delimiter, 46 bytes.
    static QByteArray Trailer();

protected:
    // Called once the part header is written, with the file size.
    virtual void OnBegin(qint32 total);
    // Called after each chunk of the file; false stops the upload as a failure.
    virtual bool OnSent(qint32 sent, qint32 total);
    // Called when the whole body was sent.
    virtual void OnEnd(qint32 total);

private:
    qint32 m_chunkSize = 4096;
};
