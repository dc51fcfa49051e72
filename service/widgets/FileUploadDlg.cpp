#include "FileUploadDlg.h"

#include "UpThread.h"

CFileUploadDlg::CFileUploadDlg(QWidget *parent)
    : CFileTransferDlg(kTemplateId, QString::fromUtf8("파일을 저장 하고 있습니다."), parent)
{ }

CFileUploadDlg::~CFileUploadDlg()
{
    if (m_worker) {
        CancelWorker();
        DeleteWorker();
    }
}

bool CFileUploadDlg::StartWorker()
{
    m_worker = new CUpThread;
    connect(m_worker, &CUpThread::Progress, this, &CFileUploadDlg::OnProgress,
            Qt::QueuedConnection);
    return m_worker->StartUpload(localPath, url, remoteFileName);
}

qint32 CFileUploadDlg::WorkerTotal() const
{
    return m_worker ? m_worker->Total() : 0;
}

qint32 CFileUploadDlg::WorkerDone() const
{
    return m_worker ? m_worker->Sent() : 0;
}

void CFileUploadDlg::CancelWorker()
{
    if (m_worker)
        m_worker->Cancel();
}

void CFileUploadDlg::DeleteWorker()
{
    if (!m_worker)
        return;
    m_worker->Wait();
    delete m_worker;
    m_worker = nullptr;
}

void CFileUploadDlg::CollectResults()
{
    // The end notification comes after the worker stored these; wait so nothing is still
    // being written.
    m_worker->Wait();
    errorText = m_worker->ErrorText();
    uploadResult = m_worker->Result();
}

QString CFileUploadDlg::FailureText() const
{
    return QString::fromUtf8("파일을 전송 하지 못했습니다.");
}
