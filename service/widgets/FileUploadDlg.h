#pragma once

#include "FileTransferDlg.h"
#include "UploadResult.h"

class CUpThread;

// Uploads localPath to url as remoteFileName under a modal progress popup. Accepted on success
// with the service's answer in uploadResult; Rejected on failure (the service's refusal or
// "파일을 전송 하지 못했습니다." in errorText) or cancel (errorText empty).
class CFileUploadDlg : public CFileTransferDlg
{
    Q_OBJECT
public:
    static constexpr int kTemplateId = 223;

    explicit CFileUploadDlg(QWidget *parent = nullptr);
    ~CFileUploadDlg() override;

    QString remoteFileName;
    CUploadResult uploadResult;

    CUpThread *Worker() const { return m_worker; }

protected:
    bool StartWorker() override;
    qint32 WorkerTotal() const override;
    qint32 WorkerDone() const override;
    void CancelWorker() override;
    void DeleteWorker() override;
    bool HasWorker() const override { return m_worker != nullptr; }
    void CollectResults() override;
    QString FailureText() const override;

private:
    CUpThread *m_worker = nullptr;
};
