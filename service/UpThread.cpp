#include "UpThread.h"

#include "XmlDocument.h"

#include <system_error>

CUpThread::CUpThread(QObject *parent)
    : QObject(parent)
    , m_http(this)
{ }

CUpThread::~CUpThread()
{
    Cancel();
    Wait();
}

bool CUpThread::StartUpload(const QString &localPath, const QString &url,
                            const QString &remoteFileName)
{
    if (m_thread.joinable())
        return false;
    m_localPath = localPath;
    m_url = url;
    m_remoteName = remoteFileName;
    m_total = 0;
    m_sent = 0;
    m_error.clear();
    m_result.Reset();
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error &) {
        return false;
    }
    return true;
}

void CUpThread::Cancel()
{
    m_cancel.store(1);
    m_http.SetCancel(true);
}

void CUpThread::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

void CUpThread::Began(qint32 total)
{
    m_total = total;
    emit Progress(0, total);
}

bool CUpThread::Sent(qint32 sent)
{
    m_sent = sent;
    emit Progress(1, 0);
    return !IsCancelled();
}

bool CUpThread::ReadAnswer(const QByteArray &answer, CUploadResult &result, QString &error)
{
    CXmlDocument document;
    if (!document.LoadBytes(answer))
        return false;
    const CXmlNodePtr root = document.GetRoot();
    const CXmlNodePtr status = root->GetChild(QStringLiteral("Result"));
    if (status->IsNull())
        return false;
    const QString text = status->GetString();
    if (text.isEmpty())
        return false;
    if (text.compare(QLatin1String("Success"), Qt::CaseInsensitive) != 0) {
        error = QString::fromUtf8("서버에서 업로드 오류 응답을 받았습니다 : (%1)").arg(text);
        return false;
    }
    QString values[5];
    static const char *const kNames[5] = {"VmiPath", "VmiUrl", "key1", "key2", "key3"};
    for (int i = 0; i < 5; ++i) {
        const CXmlNodePtr node = root->GetChild(QLatin1String(kNames[i]));
        if (node->IsNull())
            return false;
        values[i] = node->GetString();
    }
    result.vmiPath = values[0];
    result.vmiUrl = values[1];
    result.key1 = values[2];
    result.key2 = values[3];
    result.key3 = values[4];
    result.success = 1;
    return true;
}

void CUpThread::Run()
{
    QByteArray answer;
    bool ok = m_http.SendFile(m_remoteName, m_localPath, m_url, answer);
    if (ok) {
        CUploadResult result;
        QString error;
        ok = ReadAnswer(answer, result, error);
        m_error = error;
        if (ok)
            m_result = result;
    }
    if (!IsCancelled())
        emit Progress(2, ok ? 1 : 0);
}
