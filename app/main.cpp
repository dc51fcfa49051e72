#include "VmEditorApp.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    // Names the per-user data folder used when the executable's folder is read-only.
    QCoreApplication::setOrganizationName(QString::fromLatin1(CVmReg::kOrganisation));
    QCoreApplication::setApplicationName(QString::fromLatin1(CVmReg::kApplication));
    CVmEditorApp app;
    app.InitInstance();
    return app.exitCode;
}
