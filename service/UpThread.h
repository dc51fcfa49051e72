#pragma once

#include "HttpUp.h"
#include "UploadResult.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <thread>

// Uploads one package on a thread of its own and reads the service's answer. Progress goes out
// as the Progress signal, connected by the owner with Qt::QueuedConnection:
//   (0, total) the file begins; Total() is its size
//   (1, 0)     a piece went out; Sent() has grown
//   (2, ok)    the upload ended, ok 1 on success; never sent after Cancel.
// After the end notification (or Wait) the owner takes ErrorText() and Result().
class CUpThread : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMessage = 1079;

    explicit CUpThread(QObject *parent = nullptr);
    ~CUpThread() override;

    bool StartUpload(const QString &localPath, const QString &url, const QString &remoteFileName);
    void Cancel();
    void Wait();
    bool IsRunning() const { return m_thread.joinable(); }

    qint32 Total() const { return m_total.load(); }
    qint32 Sent() const { return m_sent.load(); }
    bool IsCancelled() const { return m_cancel.load() != 0; }
    // Valid once the thread has ended.
    const QString &ErrorText() const { return m_error; }
    const CUploadResult &Result() const { return m_result; }

    // Reads the service's upload answer: Result "Success" (any case) with VmiPath, VmiUrl,
    // key1, key2 and key3 fills result. A refusal gives the service's Result in error; an
    // answer that cannot be read leaves error empty.
    static bool ReadAnswer(const QByteArray &answer, CUploadResult &result, QString &error);

    // Called by the HTTP client.
    void Began(qint32 total);
    bool Sent(qint32 sent);

signals:
    void Progress(int code, int param);

private:
    void Run();

    QString m_localPath;
    QString m_url;
    QString m_remoteName;
    std::atomic<qint32> m_total {0};
    std::atomic<qint32> m_sent {0};
    std::atomic<int> m_cancel {0};
    QString m_error;
    CUploadResult m_result;
    CHttpUp m_http;
    std::thread m_thread;
};
