#include <QApplication>
#include <QDialog>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QDialog window;
    window.setWindowTitle(QStringLiteral("VmEditor"));
    window.resize(1280, 800);
    window.exec();
    return 0;
}
