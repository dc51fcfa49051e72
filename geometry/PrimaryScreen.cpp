#include "PrimaryScreen.h"

#include <QGuiApplication>
#include <QScreen>

QSize PrimaryScreenSize()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return QSize();
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}
