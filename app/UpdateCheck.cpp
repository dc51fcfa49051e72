#include "UpdateCheck.h"

#include "ServiceApi.h"
#include "ServiceDefaults.h"
#include "ServiceKey.h"
#include "ServiceUrls.h"
#include "UbHttpDown.h"
#include "UbIniFileEx.h"
#include "VmEditorApp.h"

#include <QDir>
#include <QMessageBox>
#include <QProcess>

#include <cstdio>

namespace {

// A version file is a few lines; anything much larger is not one.
constexpr qint32 kMaxVersionFileBytes = 64 * 1024;

void Complain(const QString &why)
{
    std::fprintf(stderr, "VmEditor: %s\n", why.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

QString UpdaterPath(const QString &exeFolder)
{
    return QDir(exeFolder).filePath(QLatin1String(CVmEditorApp::kUpdaterName));
}

bool CheckForUpdate(const QString &exeFolder, const UpdateCheckHooks &hooks)
{
    const QString host
        = hooks.host.isEmpty() ? QLatin1String(ServiceDefaults::kServiceHost) : hooks.host;
    const QString url = ServiceUrls::VersionFile(host);

    // The client asks for an uncached answer, so no cache entry needs removing first.
    CUbHttpDown http(QStringLiteral("VmEditor"));
    // Start-up waits on this request: a silent or trickling host must not hold it for minutes.
    http.SetTimeouts(15000, 30000);
    http.SetDeadline(ServiceApi::kRequestDeadlineMs);
    if (!http.OpenUrl(url, true)) {
        const int status = http.StatusCode();
        Complain(status != 0
                     ? QStringLiteral("the update check failed: %1 answered status %2")
                           .arg(url)
                           .arg(status)
                     : QStringLiteral("the update check failed: %1 cannot be reached").arg(url));
        return false;
    }
    const CUbHttpBuffer body = http.ReadAll(10240, 10240, false, 2048, kMaxVersionFileBytes);
    http.CloseRequest();
    if (!body || body.size == 0) {
        Complain(QStringLiteral("the update check failed: no version file came from %1").arg(url));
        return false;
    }

    CUbIniFileEx ini;
    ini.Parse(body.toByteArray());
    const QString latest
        = FromCodePage949(ini.GetValue("VmEditor", "Version").value_or(QByteArray()));
    if (latest.compare(QLatin1String(kProgramVersion), Qt::CaseInsensitive) == 0)
        return true;

    const QString question
        = QString::fromUtf8("새로운 버전이 배포 되었습니다.\n업데이트 하시겠습니까?");
    const QString caption = QString::fromUtf8("프로그램 업데이트");
    const bool yes = hooks.ask
        ? hooks.ask(question, caption)
        : QMessageBox::question(nullptr, caption, question, QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes;
    if (!yes)
        return true;

    // A failure to start the updater is not reported: the program ends either way.
    const QString program = UpdaterPath(exeFolder);
    const QStringList arguments {url};
    if (hooks.start)
        hooks.start(program, arguments);
    else
        QProcess::startDetached(program, arguments);
    return false;
}
