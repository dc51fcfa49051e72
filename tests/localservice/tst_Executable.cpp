// vm-localservice as scripts/run uses it: started on a data folder, probed with --check,
// stopped with SIGTERM.
#include "ServiceKey.h"
#include "ServiceUrls.h"
#include "UbHttpDown.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A port nothing listens on right now.
int FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = -1;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

int Check(int port)
{
    QProcess check;
    check.start(QStringLiteral(VM_LOCALSERVICE_EXE),
                {QStringLiteral("--check"), QStringLiteral("--port"), QString::number(port)});
    return check.waitForFinished(30000) ? check.exitCode() : -1;
}

TEST(LocalServiceExecutable, ServesUntilTerminated)
{
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    const int port = FreePort();
    ASSERT_GT(port, 0);
    EXPECT_EQ(Check(port), 1);

    const QString data = temp.filePath(QStringLiteral("data"));
    QProcess service;
    service.start(
        QStringLiteral(VM_LOCALSERVICE_EXE),
        {QStringLiteral("--data"), data, QStringLiteral("--port"), QString::number(port)});
    ASSERT_TRUE(service.waitForStarted(10000));
    ASSERT_TRUE(service.waitForReadyRead(10000));
    const QString line = QString::fromUtf8(service.readLine());
    EXPECT_TRUE(line.contains(QStringLiteral("listening on http://127.0.0.1:%1").arg(port)))
        << line.toStdString();

    EXPECT_EQ(Check(port), 0);
    const QString host = QStringLiteral("127.0.0.1:%1").arg(port);
    CUbHttpDown down(QStringLiteral("VmEditor"));
    ASSERT_TRUE(down.OpenUrl(
        ServiceUrls::Login(host, QStringLiteral("demo"),
                           MakeServiceKey(QStringLiteral("demo"), QStringLiteral("demo1234"))),
        true));
    EXPECT_TRUE(
        down.ReadAll(10240, 10240, false, 1024).toByteArray().contains("<Result>Success</Result>"));
    EXPECT_TRUE(QFile::exists(data + QStringLiteral("/service.db")));
    EXPECT_TRUE(QDir(data + QStringLiteral("/packages")).exists());

    ::kill(static_cast<pid_t>(service.processId()), SIGTERM);
    ASSERT_TRUE(service.waitForFinished(10000));
    EXPECT_EQ(service.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(service.exitCode(), 0);
    EXPECT_TRUE(service.readAll().contains("stopped"));
    EXPECT_EQ(Check(port), 1);
}

TEST(LocalServiceExecutable, RefusesBadOptions)
{
    for (const QStringList &args :
         {QStringList {QStringLiteral("--port"), QStringLiteral("0")},
          QStringList {QStringLiteral("--port"), QStringLiteral("x")},
          QStringList {QStringLiteral("--data")}, QStringList {QStringLiteral("--bogus")}}) {
        QProcess service;
        service.start(QStringLiteral(VM_LOCALSERVICE_EXE), args);
        ASSERT_TRUE(service.waitForFinished(10000)) << args.join(u' ').toStdString();
        EXPECT_EQ(service.exitCode(), 2) << args.join(u' ').toStdString();
    }
}

} // namespace
