// The login dialog as a widget: its layout over the background, typing and clicking into it with
// QTest, the default dialog runner inside RunLogin, and the screenshot kept in
// $VM_SCREENSHOT_DIR (and the build folder).
#include "Login.h"
#include "LoginDlg.h"
#include "UbImgButton.h"
#include "VmEditorApp.h"
#include "VmReg.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <gtest/gtest.h>

namespace {

bool ShowAndWait(QWidget *widget)
{
    widget->show();
    widget->activateWindow();
    return QTest::qWaitForWindowExposed(widget) && QTest::qWaitForWindowActive(widget);
}

void Click(QWidget *widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

// Runs steps against the modal login dialog once it is up, from inside its event loop.
void WhenDialogOpens(std::function<void(CLoginDlg &)> steps)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, steps] {
        auto *dialog = qobject_cast<CLoginDlg *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        QPointer<CLoginDlg> guard(dialog);
        steps(*dialog);
        // A script that left it open cancels it, so a failing test never hangs.
        if (guard && guard->isVisible())
            guard->reject();
    });
    timer->start();
}

TEST(LoginDlg, ControlsSitAtTheirPlacesOverTheBackground)
{
    CLoginDlg dialog;
    ASSERT_TRUE(ShowAndWait(&dialog));
    EXPECT_EQ(dialog.TemplateId(), 191);
    EXPECT_EQ(dialog.size(), QSize(330, 190));
    EXPECT_EQ(dialog.BackgroundImage().size(), QSize(330, 190));
    EXPECT_EQ(dialog.UserIdEdit()->geometry(), QRect(172, 43, 118, 17));
    EXPECT_EQ(dialog.PasswordEdit()->geometry(), QRect(172, 69, 118, 17));
    EXPECT_EQ(dialog.UserIdEdit()->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(dialog.PasswordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.RememberBox()->pos(), QPoint(164, 103));
    EXPECT_TRUE(dialog.RememberBox()->text().isEmpty()); // the caption is on the background
    EXPECT_EQ(dialog.OkButton()->geometry(), QRect(101, 150, 56, 22));
    EXPECT_EQ(dialog.CancelButton()->geometry(), QRect(162, 150, 56, 22));
    EXPECT_EQ(dialog.OkButton()->ControlId(), 1);
    EXPECT_EQ(dialog.CancelButton()->ControlId(), 2);
    for (QWidget *child :
         {static_cast<QWidget *>(dialog.UserIdEdit()),
          static_cast<QWidget *>(dialog.PasswordEdit()),
          static_cast<QWidget *>(dialog.RememberBox()), static_cast<QWidget *>(dialog.OkButton()),
          static_cast<QWidget *>(dialog.CancelButton())})
        EXPECT_TRUE(child->isVisible()) << child->objectName().toStdString();
    EXPECT_EQ(dialog.focusWidget(), dialog.UserIdEdit());
}

TEST(LoginDlg, OkNeedsBothFieldsThenHandsBackWhatWasTyped)
{
    CLoginDlg dialog;
    ASSERT_TRUE(ShowAndWait(&dialog));
    ASSERT_EQ(dialog.focusWidget(), dialog.UserIdEdit());

    QTest::keyClick(dialog.focusWidget(), Qt::Key_Return); // both empty
    Click(dialog.OkButton());
    EXPECT_TRUE(dialog.isVisible());
    Click(dialog.UserIdEdit()); // the button took the focus
    ASSERT_EQ(dialog.focusWidget(), dialog.UserIdEdit());
    QTest::keyClicks(dialog.focusWidget(), QStringLiteral("demo"));
    QTest::keyClick(dialog.focusWidget(), Qt::Key_Return); // id without password
    Click(dialog.OkButton());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.m_userId.isEmpty());

    Click(dialog.UserIdEdit());
    QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(dialog.focusWidget(), dialog.PasswordEdit());
    QTest::keyClicks(dialog.PasswordEdit(), QStringLiteral("demo1234"));
    EXPECT_EQ(dialog.PasswordEdit()->displayText(),
              QString(8, dialog.PasswordEdit()->displayText().at(0)));
    EXPECT_NE(dialog.PasswordEdit()->displayText(), QStringLiteral("demo1234"));
    Click(dialog.RememberBox());
    EXPECT_TRUE(dialog.RememberBox()->isChecked());
    Click(dialog.OkButton());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_userId, QStringLiteral("demo"));
    EXPECT_EQ(dialog.m_password, QStringLiteral("demo1234"));
    EXPECT_TRUE(dialog.m_remember);
}

TEST(LoginDlg, EnterInThePasswordFieldIsOk)
{
    CLoginDlg dialog;
    dialog.m_userId = QStringLiteral("kim");
    ASSERT_TRUE(ShowAndWait(&dialog));
    EXPECT_EQ(dialog.UserIdEdit()->text(), QStringLiteral("kim"));
    QTest::keyClicks(dialog.PasswordEdit(), QStringLiteral("pw"));
    QTest::keyClick(dialog.PasswordEdit(), Qt::Key_Enter);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.m_password, QStringLiteral("pw"));
    EXPECT_FALSE(dialog.m_remember);
}

// RunLogin with the real dialog: only the service and the message boxes are scripted.
class LoginWithDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(exeDir.isValid());
        app = std::make_unique<CVmEditorApp>(exeDir.path());
        services = DefaultLoginServices(*app);
        services.serviceLogin = [this](const QString &id, const QString &pw) {
            sent.push_back(id + u'/' + pw);
            return LoginAnswer {true, QStringLiteral("P1"), QString()};
        };
        services.showMessage = [this](const QString &text) {
            messages.push_back(text);
        };
    }

    QTemporaryDir exeDir;
    std::unique_ptr<CVmEditorApp> app;
    LoginServices services;
    QStringList sent;
    QStringList messages;
};

TEST_F(LoginWithDialog, EmptyFieldsSendNothing)
{
    bool stayedOpen = false;
    WhenDialogOpens([&](CLoginDlg &dialog) {
        Click(dialog.OkButton());
        QTest::keyClicks(dialog.UserIdEdit(), QStringLiteral("kim"));
        Click(dialog.OkButton());
        stayedOpen = dialog.isVisible();
        Click(dialog.CancelButton());
    });
    EXPECT_FALSE(RunLogin(*app, services));
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(sent.isEmpty());
    EXPECT_TRUE(messages.isEmpty());
    CVmReg key;
    ASSERT_TRUE(key.Open());
    EXPECT_FALSE(key.ReadString(QLatin1String(CVmReg::kUserId)).has_value());
}

TEST_F(LoginWithDialog, TypedValuesAreSentAndRememberedWhenTicked)
{
    app->userId = QStringLiteral("kim"); // only the id was saved: the dialog opens, pre-filled
    QString shownId;
    WhenDialogOpens([&](CLoginDlg &dialog) {
        shownId = dialog.UserIdEdit()->text();
        QTest::keyClicks(dialog.PasswordEdit(), QStringLiteral("pw5"));
        Click(dialog.RememberBox());
        Click(dialog.OkButton());
    });
    ASSERT_TRUE(RunLogin(*app, services));
    EXPECT_EQ(shownId, QStringLiteral("kim"));
    EXPECT_EQ(sent, QStringList {QStringLiteral("kim/pw5")});
    CVmReg key;
    ASSERT_TRUE(key.Open());
    EXPECT_EQ(key.ReadString(QLatin1String(CVmReg::kUserPw)), QStringLiteral("pw5"));
}

TEST(LoginDlgScreenshot, KeepsThePicture)
{
    CLoginDlg dialog;
    dialog.m_userId = QStringLiteral("demo");
    dialog.m_password = QStringLiteral("demo1234");
    dialog.m_remember = true;
    ASSERT_TRUE(ShowAndWait(&dialog));
    const QImage shot = dialog.grab().toImage();
    ASSERT_EQ(shot.size(), QSize(330, 190));
    // The edits are white fields inside the background's wells, and the remember box is ticked
    // over the face.
    EXPECT_EQ(QColor(shot.pixel(285, 51)), QColor(Qt::white));
    EXPECT_NE(shot.pixel(100, 52), shot.pixel(285, 51));
    ASSERT_TRUE(shot.save(QStringLiteral(VM_TEST_BINARY_DIR "/login.png")));
    const QString dir = qEnvironmentVariable("VM_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        ASSERT_TRUE(shot.save(dir + QStringLiteral("/login.png")));
    }
}

} // namespace
