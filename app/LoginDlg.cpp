#include "LoginDlg.h"

#include "UbImgButton.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

// The fields sit inside the wells the background paints around them.
constexpr QRect kUserIdRect(172, 43, 118, 17);
constexpr QRect kPasswordRect(172, 69, 118, 17);
constexpr QPoint kRememberPos(164, 103);
constexpr QPoint kOkPos(101, 150);
constexpr QPoint kCancelPos(162, 150);

QLineEdit *MakeField(QWidget *parent, const QRect &rect, int controlId)
{
    auto *edit = new QLineEdit(parent);
    edit->setProperty("controlId", controlId);
    edit->setFrame(false); // the well around it is part of the background
    edit->setGeometry(rect);
    return edit;
}

} // namespace

CLoginDlg::CLoginDlg(QWidget *parent)
    : CVmPopupDialog(kTemplateId, parent)
{
    setObjectName(QStringLiteral("loginDialog"));
}

bool CLoginDlg::OnInitDialog()
{
    CVmPopupDialog::OnInitDialog();
    // The background carries the title band, the labels and the remember caption.
    LoadBackground(kBackgroundId);
    SizeToBackground();

    m_userIdEdit = MakeField(this, kUserIdRect, kUserIdEditId);
    m_userIdEdit->setObjectName(QStringLiteral("userId"));
    m_passwordEdit = MakeField(this, kPasswordRect, kPasswordEditId);
    m_passwordEdit->setObjectName(QStringLiteral("password"));
    m_passwordEdit->setEchoMode(QLineEdit::Password);

    // Only the box itself: its caption is painted on the background beside it.
    m_rememberBox = new QCheckBox(this);
    m_rememberBox->setObjectName(QStringLiteral("remember"));
    m_rememberBox->setProperty("controlId", kRememberId);
    m_rememberBox->resize(m_rememberBox->sizeHint());
    m_rememberBox->move(kRememberPos);

    m_okButton = new CUbImgButton(this);
    m_okButton->setObjectName(QStringLiteral("ok"));
    m_okButton->SetControlId(kOkId);
    m_okButton->SetBitmap(kOkBitmap, kOkPos.x(), kOkPos.y());
    m_cancelButton = new CUbImgButton(this);
    m_cancelButton->setObjectName(QStringLiteral("cancel"));
    m_cancelButton->SetControlId(kCancelId);
    m_cancelButton->SetBitmap(kCancelBitmap, kCancelPos.x(), kCancelPos.y());
    connect(m_okButton, &QAbstractButton::clicked, this, &CLoginDlg::OnOK);
    connect(m_cancelButton, &QAbstractButton::clicked, this, &QDialog::reject);

    setTabOrder(m_userIdEdit, m_passwordEdit);
    setTabOrder(m_passwordEdit, m_rememberBox);
    setTabOrder(m_rememberBox, m_okButton);
    setTabOrder(m_okButton, m_cancelButton);

    // Made while the dialog is being shown, so they are not shown with it.
    for (QWidget *child :
         {static_cast<QWidget *>(m_userIdEdit), static_cast<QWidget *>(m_passwordEdit),
          static_cast<QWidget *>(m_rememberBox), static_cast<QWidget *>(m_okButton),
          static_cast<QWidget *>(m_cancelButton)})
        child->show();

    m_userIdEdit->setText(m_userId);
    m_passwordEdit->setText(m_password);
    m_rememberBox->setChecked(m_remember);
    return true;
}

void CLoginDlg::showEvent(QShowEvent *event)
{
    CVmPopupDialog::showEvent(event);
    m_userIdEdit->setFocus(Qt::OtherFocusReason);
}

void CLoginDlg::OnOK()
{
    if (!EnsureInitialised())
        return;
    const QString userId = m_userIdEdit->text();
    const QString password = m_passwordEdit->text();
    if (userId.isEmpty() || password.isEmpty())
        return;
    m_userId = userId;
    m_password = password;
    m_remember = m_rememberBox->isChecked();
    accept();
}

void CLoginDlg::keyPressEvent(QKeyEvent *event)
{
    // Enter is the dialog's OK, as on the platform's dialogs, unless Cancel has the focus.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (focusWidget() == m_cancelButton)
            reject();
        else
            OnOK();
        event->accept();
        return;
    }
    CVmPopupDialog::keyPressEvent(event);
}
