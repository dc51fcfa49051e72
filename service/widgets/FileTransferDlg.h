#pragma once

#include "VmPopupDialog.h"

#include <QString>

class CUbImgButton;
class QLabel;
class QProgressBar;

// What the download and upload dialogs share: the small popup with its line of text, the
// progress bar and Cancel, and the handling of the worker's notifications. The worker is owned;
// the dialog always waits for its thread to end before deleting it, and ignores anything the
// worker announced once it has been told to stop.
class CFileTransferDlg : public CVmPopupDialog
{
    Q_OBJECT
public:
    static constexpr int kProgressId = 1094;
    static constexpr int kCancelId = 1010;
    static constexpr int kCancelStrip = 225;

    QString url;
    QString localPath;
    // Empty after a user cancel; otherwise what went wrong, for the caller's message box.
    QString errorText;

    QProgressBar *ProgressBar() const { return m_bar; }
    CUbImgButton *CancelButton() const { return m_cancel; }
    QLabel *TextLabel() const { return m_text; }
    bool IsCancelled() const { return m_cancelled; }
    // False when the worker could not be started; the dialog then waits for Cancel.
    bool WorkerStarted() const { return m_started; }

    // Cancel: stop the worker, wait for it, end with Rejected and an empty error text. Also
    // what Escape and the close cross do.
    void reject() override;

signals:
    // Each worker notification the dialog acted on, for whoever watches the transfer.
    void Notified(int code, int param);

protected:
    CFileTransferDlg(int templateId, const QString &text, QWidget *parent);

    bool OnInitDialog() override;
    void Layout() override;

    // Creates the worker, connects its Progress and starts it; false when starting failed.
    virtual bool StartWorker() = 0;
    virtual qint32 WorkerTotal() const = 0;
    virtual qint32 WorkerDone() const = 0;
    // Asks the worker to stop (all its flags).
    virtual void CancelWorker() = 0;
    // Waits for the worker's thread and deletes the worker.
    virtual void DeleteWorker() = 0;
    virtual bool HasWorker() const = 0;
    // Takes what the worker found (upload: its error text and result) before it is deleted.
    virtual void CollectResults() { }
    // The fixed text of a failure without a text of its own.
    virtual QString FailureText() const = 0;

    void OnProgress(int code, int param);

private:
    QString m_message;
    QLabel *m_text = nullptr;
    QProgressBar *m_bar = nullptr;
    CUbImgButton *m_cancel = nullptr;
    bool m_cancelled = false;
    bool m_started = false;
    bool m_ended = false;
};
