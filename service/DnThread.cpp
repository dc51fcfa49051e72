#include "DnThread.h"

#include <system_error>

CDnThread::CDnThread(QObject *parent)
    : QObject(parent)
    , m_http(this)
{ }

CDnThread::~CDnThread()
{
    Cancel();
    Wait();
}

bool CDnThread::StartDownload(const QString &url, const QString &localPath)
{
    if (m_thread.joinable())
        return false;
    m_url = url;
    m_localPath = localPath;
    m_total = 0;
    m_received = 0;
    m_file.setFileName(localPath);
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Truncate))
        return false;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error &) {
        m_file.close();
        return false;
    }
    return true;
}

void CDnThread::Cancel()
{
    m_cancel.store(1);
    m_http.SetCancel(true);
}

void CDnThread::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool CDnThread::WriteChunk(qint32 received, const char *chunk, qint32 size)
{
    if (IsCancelled())
        return true; // the client's own flag stops the read loop at its next chunk
    if (m_file.write(chunk, size) != size)
        return false;
    m_received = received;
    emit Progress(1, 0);
    return true;
}

void CDnThread::Run()
{
    if (!m_http.OpenUrl(m_url, true)) {
        m_file.close();
        if (!IsCancelled())
            emit Progress(2, 0);
        return;
    }
    if (IsCancelled()) {
        m_http.CloseRequest();
        m_file.close();
        return;
    }
    m_total = m_http.ContentLength();
    m_received = 0;
    if (m_total < kMinPackageBytes) {
        m_http.CloseRequest();
        m_file.close();
        emit Progress(2, 0);
        return;
    }
    emit Progress(0, 0);
    // The body may not run past what the answer announced.
    bool ok = m_http.ReadChunks(kChunkSize, m_total.load());
    m_http.CloseRequest();
    if (!m_file.flush())
        ok = false;
    m_file.close();
    if (m_received != m_total)
        ok = false;
    if (IsCancelled())
        return;
    emit Progress(2, ok ? 1 : 0);
}
