#include "FileDownloadDlg.h"

#include "DnThread.h"

CFileDownloadDlg::CFileDownloadDlg(QWidget *parent)
    : CFileTransferDlg(kTemplateId, QString::fromUtf8("파일을 다운로드 하고 있습니다."), parent)
{ }

CFileDownloadDlg::~CFileDownloadDlg()
{
    if (m_worker) {
        CancelWorker();
        DeleteWorker();
    }
}

bool CFileDownloadDlg::StartWorker()
{
    m_worker = new CDnThread;
    connect(m_worker, &CDnThread::Progress, this, &CFileDownloadDlg::OnProgress,
            Qt::QueuedConnection);
    return m_worker->StartDownload(url, localPath);
}

qint32 CFileDownloadDlg::WorkerTotal() const
{
    return m_worker ? m_worker->Total() : 0;
}

qint32 CFileDownloadDlg::WorkerDone() const
{
    return m_worker ? m_worker->Received() : 0;
}

void CFileDownloadDlg::CancelWorker()
{
    if (m_worker)
        m_worker->Cancel();
}

void CFileDownloadDlg::DeleteWorker()
{
    if (!m_worker)
        return;
    m_worker->Wait();
    delete m_worker;
    m_worker = nullptr;
}

QString CFileDownloadDlg::FailureText() const
{
    return QString::fromUtf8("파일을 다운로드 하지 못했습니다.");
}
