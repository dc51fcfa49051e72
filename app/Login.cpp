#include "Login.h"

#include "LoginDlg.h"
#include "ServiceApi.h"
#include "ServiceKey.h"
#include "VmEditorApp.h"
#include "VmReg.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QProcess>

namespace {

const QString &Caption()
{
    static const QString caption = QStringLiteral("VmEditor");
    return caption;
}

LoginServices Completed(LoginServices services, const CVmEditorApp &app)
{
    const bool needDefaults
        = !services.serviceLogin || !services.runDialog || !services.showMessage;
    if (!needDefaults)
        return services;
    const LoginServices defaults = DefaultLoginServices(app);
    if (!services.serviceLogin)
        services.serviceLogin = defaults.serviceLogin;
    if (!services.runDialog)
        services.runDialog = defaults.runDialog;
    if (!services.showMessage)
        services.showMessage = defaults.showMessage;
    return services;
}

LogoutServices Completed(LogoutServices services)
{
    const LogoutServices defaults = DefaultLogoutServices();
    if (!services.askYesNo)
        services.askYesNo = defaults.askYesNo;
    if (!services.startProgram)
        services.startProgram = defaults.startProgram;
    return services;
}

// Both saved values through a fresh handle on the program key; failures are not reported.
void SaveCredentials(const QString &userId, const QString &password)
{
    CVmReg key;
    if (!key.Open())
        return;
    key.WriteString(QLatin1String(CVmReg::kUserId), userId);
    key.WriteString(QLatin1String(CVmReg::kUserPw), password);
}

} // namespace

LoginAnswer LoginThroughService(const QString &serviceHost, const QString &userId,
                                const QString &password)
{
    LoginAnswer answer;
    answer.success = ServiceLogin(serviceHost, userId, password, answer.pnsCd, answer.errorText);
    return answer;
}

LoginServices DefaultLoginServices(const CVmEditorApp &app)
{
    LoginServices services;
    services.serviceLogin
        = [host = app.serviceHost](const QString &userId, const QString &password) {
              return LoginThroughService(host, userId, password);
          };
    services.runDialog = [](LoginEntry &entry) {
        CLoginDlg dialog;
        dialog.m_userId = entry.userId;
        dialog.m_password = entry.password;
        dialog.m_remember = entry.remember;
        if (dialog.exec() != QDialog::Accepted)
            return false;
        entry.userId = dialog.m_userId;
        entry.password = dialog.m_password;
        entry.remember = dialog.m_remember;
        return true;
    };
    services.showMessage = [](const QString &text) {
        QMessageBox::warning(QApplication::activeWindow(), Caption(), text);
    };
    return services;
}

LogoutServices DefaultLogoutServices()
{
    LogoutServices services;
    services.askYesNo = [](const QString &question) {
        return QMessageBox::question(QApplication::activeWindow(), Caption(), question,
                                     QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes;
    };
    services.startProgram = [](const QString &executable) {
        return QProcess::startDetached(executable, QStringList());
    };
    return services;
}

bool RunLogin(CVmEditorApp &app, const LoginServices &given)
{
    const LoginServices services = Completed(given, app);
    bool remember = !app.userId.isEmpty() && !app.userPw.isEmpty();
    // Only the first pass, with saved credentials, goes without the dialog: a refusal always
    // brings the dialog back, so a mistyped password is never sent twice against a lockout.
    bool firstPass = true;
    for (;;) {
        const bool silent = firstPass && remember;
        firstPass = false;
        if (!silent) {
            LoginEntry entry {app.userId, app.userPw, remember};
            if (!services.runDialog(entry))
                return false;
            app.userId = entry.userId;
            app.userPw = entry.password;
            remember = entry.remember;
        }

        const LoginAnswer answer = services.serviceLogin(app.userId, app.userPw);
        if (answer.success) {
            app.pnsCd = answer.pnsCd;
            // Unticked keeps whatever was saved before.
            if (remember)
                SaveCredentials(app.userId, app.userPw);
            app.loginKey = MakeServiceKey(app.userId, app.userPw);
            return true;
        }
        if (answer.errorText.isEmpty()) {
            services.showMessage(QString::fromUtf8(LoginTexts::kServerError));
            app.exitCode = CVmEditorApp::kExitLoginFailed;
            return false;
        }
        services.showMessage(answer.errorText);
    }
}

bool RunLogin(CVmEditorApp &app)
{
    return RunLogin(app, DefaultLoginServices(app));
}

bool Logout(QDialog *mainWindow, const LogoutServices &given)
{
    const LogoutServices services = Completed(given);
    if (!services.askYesNo(QString::fromUtf8(LoginTexts::kLogoutQuestion)))
        return false;
    // Emptied before the new copy starts, so that it finds nothing saved and asks.
    SaveCredentials(QString(), QString());
    services.startProgram(QCoreApplication::applicationFilePath());
    if (mainWindow)
        mainWindow->done(1);
    return true;
}

bool Logout(QDialog *mainWindow)
{
    return Logout(mainWindow, DefaultLogoutServices());
}
