#pragma once

#include "FileTransferDlg.h"

class CDnThread;

// Downloads url to localPath under a modal progress popup. Accepted on success; Rejected on
// failure ("파일을 다운로드 하지 못했습니다." in errorText) or cancel (errorText empty).
class CFileDownloadDlg : public CFileTransferDlg
{
    Q_OBJECT
public:
    static constexpr int kTemplateId = 224;

    explicit CFileDownloadDlg(QWidget *parent = nullptr);
    ~CFileDownloadDlg() override;

    CDnThread *Worker() const { return m_worker; }

protected:
    bool StartWorker() override;
    qint32 WorkerTotal() const override;
    qint32 WorkerDone() const override;
    void CancelWorker() override;
    void DeleteWorker() override;
    bool HasWorker() const override { return m_worker != nullptr; }
    QString FailureText() const override;

private:
    CDnThread *m_worker = nullptr;
};
