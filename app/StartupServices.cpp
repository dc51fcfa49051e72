#include "StartupServices.h"

#include "Login.h"
#include "MainDlg.h"
#include "ScreenCalibration.h"
#include "Skin.h"
#include "UpdateCheck.h"
#include "VmEditorApp.h"

#include <QMessageBox>

MainSession MainSessionOf(const CVmEditorApp &app)
{
    MainSession session;
    session.userId = app.userId;
    session.pnsCd = app.pnsCd;
    session.loginKey = app.loginKey;
    session.serviceHost = app.serviceHost;
    session.tempFolder = app.tempFolder;
    session.downFolder = app.downFolder;
    return session;
}

MainWindowSeams MainWindowSeamsOf(CVmEditorApp &app)
{
    MainWindowSeams seams;
    seams.logout = [](QWidget *window) {
        return Logout(qobject_cast<QDialog *>(window));
    };
    seams.loadCalibration = [&app] {
        return LoadCalibration(app.settingsKey);
    };
    seams.saveCalibration = [&app](const ScreenCalibration &calibration) {
        return SaveCalibration(app.settingsKey, calibration);
    };
    return seams;
}

StartupServices DefaultStartupServices()
{
    StartupServices services;
    services.checkForUpdate = [](const QString &exeFolder, const QString &serviceHost) {
        UpdateCheckHooks hooks;
        hooks.host = serviceHost;
        return CheckForUpdate(exeFolder, hooks);
    };
    services.loadBitmap = [](int resourceId) {
        return CSkin::Picture(resourceId);
    };
    services.runLogin = [](CVmEditorApp &app) {
        return RunLogin(app);
    };
    services.runMainWindow = [](CVmEditorApp &app) {
        CMainDlg window(MainSessionOf(app), MainWindowSeamsOf(app));
        window.exec();
    };
    services.releaseSharedResources = [] {
    };
    services.reportAlreadyRunning = [] {
        QMessageBox::information(nullptr, QStringLiteral("VmEditor"),
                                 QString::fromUtf8("VmEditor가 이미 실행 중입니다."));
    };
    return services;
}
