#pragma once

#include "HttpDown.h"

#include <QFile>
#include <QObject>
#include <QString>

#include <atomic>
#include <thread>

// Downloads one package to a local file on a thread of its own. Progress goes out as the
// Progress signal, which the owner connects with Qt::QueuedConnection so the worker never waits
// for the interface:
//   (0, 0)  the body begins; Total() is known
//   (1, 0)  bytes were written; Received() has grown
//   (2, ok) the transfer ended, ok 1 on success; never sent after Cancel.
// The owner reads the counts from the object, not from the signal. The thread never deletes the
// object; the owner calls Wait() (or deletes it, which cancels and waits).
class CDnThread : public QObject
{
    Q_OBJECT
public:
    // The notification number the dialogs of this program use for downloads.
    static constexpr int kMessage = 1078;
    static constexpr qint32 kChunkSize = 1024;
    // Answers of this size or less (a missing Content-Length included) are not packages.
    static constexpr qint32 kMinPackageBytes = 10;

    explicit CDnThread(QObject *parent = nullptr);
    ~CDnThread() override;

    // Creates (or empties) localPath and starts the thread. False when the file cannot be
    // created or the thread cannot be started; nothing runs then.
    bool StartDownload(const QString &url, const QString &localPath);
    // Asks the worker to stop: no more data is written and no end notification follows. A
    // network wait in progress ends within the client's poll interval.
    void Cancel();
    // Blocks until the thread has ended; returns at once when it never ran.
    void Wait();
    bool IsRunning() const { return m_thread.joinable(); }

    qint32 Total() const { return m_total.load(); }
    qint32 Received() const { return m_received.load(); }
    bool IsCancelled() const { return m_cancel.load() != 0; }

    // Called by the HTTP client for each chunk; false on a write error.
    bool WriteChunk(qint32 received, const char *chunk, qint32 size);

signals:
    void Progress(int code, int param);

private:
    void Run();

    QString m_url;
    QString m_localPath;
    std::atomic<qint32> m_total {0};
    std::atomic<qint32> m_received {0};
    std::atomic<int> m_cancel {0};
    CHttpDown m_http;
    QFile m_file;
    std::thread m_thread;
};
