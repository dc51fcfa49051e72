#include "FileTransferDlg.h"

#include "UbImgButton.h"

#include <QFont>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace {

// The dialog's 243 × 80 dialog units at the popup font's base units.
constexpr int kWidth = 365;
constexpr int kHeight = 130;

} // namespace

CFileTransferDlg::CFileTransferDlg(int templateId, const QString &text, QWidget *parent)
    : CVmPopupDialog(templateId, parent)
    , m_message(text)
{
    setModal(true);
    setFixedSize(kWidth, kHeight);
    QFont face(QStringLiteral("맑은 고딕"));
    face.setPointSize(9);
    setFont(face);
}

bool CFileTransferDlg::OnInitDialog()
{
    CVmPopupDialog::OnInitDialog();
    m_text = new QLabel(m_message, this);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->show();
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("progress%1").arg(kProgressId));
    m_bar->setTextVisible(false);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->show();
    m_cancel = new CUbImgButton(this);
    m_cancel->SetControlId(kCancelId);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_cancel->SetDibBitmap(kCancelStrip);
    m_cancel->resize(m_cancel->ImageSize().isValid() ? m_cancel->ImageSize() : QSize(75, 23));
    m_cancel->show();
    connect(m_cancel, &QAbstractButton::clicked, this, &CFileTransferDlg::reject);

    m_started = StartWorker();
    if (!m_started && HasWorker())
        DeleteWorker();
    return true;
}

void CFileTransferDlg::Layout()
{
    CVmPopupDialog::Layout();
    if (!m_text)
        return;
    m_text->setGeometry(81, 34, 204, 18);
    m_bar->setGeometry(20, 68, 327, 18);
    m_cancel->move((width() - m_cancel->width()) / 2, 96);
}

void CFileTransferDlg::OnProgress(int code, int param)
{
    // A notification still queued when the worker was told to stop is not acted on.
    if (m_ended || !HasWorker())
        return;
    switch (code) {
    case 0:
        m_bar->setRange(0, std::max(1, WorkerTotal()));
        m_bar->setValue(0);
        break;
    case 1:
        m_bar->setValue(std::min(WorkerDone(), m_bar->maximum()));
        break;
    case 2: {
        m_ended = true;
        m_bar->setValue(std::min(WorkerDone(), m_bar->maximum()));
        CollectResults();
        CancelWorker();
        DeleteWorker();
        emit Notified(code, param);
        if (param == 1) {
            done(Accepted);
        } else {
            if (errorText.isEmpty())
                errorText = FailureText();
            done(Rejected);
        }
        return;
    }
    default:
        return;
    }
    emit Notified(code, param);
}

void CFileTransferDlg::reject()
{
    if (m_ended)
        return;
    m_ended = true;
    m_cancelled = true;
    if (HasWorker()) {
        CancelWorker();
        DeleteWorker();
    }
    errorText.clear();
    CVmPopupDialog::reject();
}
