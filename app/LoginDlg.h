#pragma once

#include "VmPopupDialog.h"

#include <QString>

class CUbImgButton;
class QCheckBox;
class QLineEdit;

// The sign-in popup: id and masked password fields and the remember box over the login
// background (which paints the labels and the box's caption), with OK and Cancel strips. OK
// closes it only when both fields hold text.
class CLoginDlg : public CVmPopupDialog
{
    Q_OBJECT
public:
    static constexpr int kTemplateId = 191;
    static constexpr int kBackgroundId = 235;
    static constexpr int kUserIdEditId = 1037;
    static constexpr int kPasswordEditId = 1038;
    static constexpr int kRememberId = 1096;
    static constexpr int kOkId = 1;
    static constexpr int kCancelId = 2;
    static constexpr int kOkBitmap = 226;
    static constexpr int kCancelBitmap = 225;

    explicit CLoginDlg(QWidget *parent = nullptr);

    // Values shown when the dialog opens; after OK, what was typed.
    QString m_userId;
    QString m_password;
    bool m_remember = false;

    QLineEdit *UserIdEdit() const { return m_userIdEdit; }
    QLineEdit *PasswordEdit() const { return m_passwordEdit; }
    QCheckBox *RememberBox() const { return m_rememberBox; }
    CUbImgButton *OkButton() const { return m_okButton; }
    CUbImgButton *CancelButton() const { return m_cancelButton; }

    // Takes the fields and ends the dialog with OK when both texts are non-empty; otherwise
    // leaves it open and says nothing.
    void OnOK();

protected:
    bool OnInitDialog() override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QLineEdit *m_userIdEdit = nullptr;
    QLineEdit *m_passwordEdit = nullptr;
    QCheckBox *m_rememberBox = nullptr;
    CUbImgButton *m_okButton = nullptr;
    CUbImgButton *m_cancelButton = nullptr;
};
