// vm-localservice: the content service the editor uses on this machine.
//   --data DIR   data folder (database and packages); default: the user's data folder
//                …/VmEditor/localservice
//   --host ADDR  address to listen on; default 127.0.0.1
//   --port N     port; default the editor's default service port
//   --public-host NAME
//                a further name clients reach the service under (repeatable); requests naming
//                any host but these and the listening address are refused, and links in
//                answers name the first of them
//   --check      exit 0 when a service already answers on host:port, else 1
// SIGTERM and SIGINT stop it cleanly.
#include "LocalService.h"
#include "ServiceDefaults.h"
#include "ServiceServer.h"
#include "UbHttpDown.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>
#include <httplib.h>
#include <pthread.h>
#include <thread>

namespace {

int Usage()
{
    std::fprintf(
        stderr,
        "usage: vm-localservice [--data DIR] [--host ADDR] [--port N] [--public-host NAME]... "
        "[--check]\n");
    return 2;
}

bool Answers(const QString &host, int port)
{
    CUbHttpDown down(QStringLiteral("VmEditor"));
    down.SetTimeouts(2000, 2000);
    const QString url = QStringLiteral("http://%1:%2/editor/version_user.ini").arg(host).arg(port);
    return down.OpenUrl(url, true) && down.ReadAll(10240, 10240, false, 2048);
}

} // namespace

int main(int argc, char **argv)
{
    // Block the stop signals before any thread starts, so only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/VmEditor/localservice");
    QString host = QString::fromLatin1(ServiceDefaults::kHostAddress);
    int port = ServiceDefaults::kPort;
    bool check = false;
    QStringList publicHosts;

    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--check")) {
            check = true;
        } else if (arg == QLatin1String("--data") && hasValue) {
            dataFolder = args.at(++i);
        } else if (arg == QLatin1String("--public-host") && hasValue) {
            publicHosts.append(args.at(++i));
        } else if (arg == QLatin1String("--host") && hasValue) {
            host = args.at(++i);
        } else if (arg == QLatin1String("--port") && hasValue) {
            bool ok = false;
            port = args.at(++i).toInt(&ok);
            if (!ok || port < 1 || port > 65535)
                return Usage();
        } else {
            return Usage();
        }
    }

    if (check)
        return Answers(host, port) ? 0 : 1;

    CLocalService service(dataFolder);
    QString error;
    if (!service.Open(&error)) {
        std::fprintf(stderr, "vm-localservice: %s\n", qPrintable(error));
        return 1;
    }
    CServiceServer server;
    service.SetAddresses(host, port, publicHosts);
    service.Register(server);
    if (!server.bind_to_port(host.toStdString(), port)) {
        std::fprintf(stderr, "vm-localservice: cannot listen on %s:%d\n", qPrintable(host), port);
        return 1;
    }
    std::printf("vm-localservice: listening on http://%s:%d (data in %s)\n", qPrintable(host), port,
                qPrintable(QDir::toNativeSeparators(service.DataFolder())));
    std::fflush(stdout);

    std::thread listener([&server] { server.listen_after_bind(); });
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
    listener.join();
    std::printf("vm-localservice: stopped\n");
    return 0;
}
