#include "StartupServices.h"

#include "Login.h"
#include "Skin.h"
#include "UpdateCheck.h"

#include <QDialog>
#include <QMessageBox>

StartupServices DefaultStartupServices()
{
    StartupServices services;
    services.checkForUpdate = [](const QString &exeFolder) {
        return CheckForUpdate(exeFolder);
    };
    services.loadBitmap = [](int resourceId) {
        return CSkin::Picture(resourceId);
    };
    services.runLogin = [](CVmEditorApp &app) {
        return RunLogin(app);
    };
    services.runMainWindow = [](CVmEditorApp &) {
        QDialog window;
        window.setWindowTitle(QStringLiteral("VmEditor"));
        window.resize(1280, 768);
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
