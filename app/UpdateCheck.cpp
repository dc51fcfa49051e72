#include "UpdateCheck.h"

#include "ServiceApi.h"
#include "ServiceDefaults.h"
#include "ServiceKey.h"
#include "ServiceUrls.h"
#include "UbHttpDown.h"
#include "UbIniFileEx.h"
#include "VmEditorApp.h"

#include <QDir>
#include <QFileInfo>
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

QString UpdateUnreachableText(const QString &host)
{
    return QString::fromUtf8("콘텐츠 서비스(%1)에 연결할 수 없어 VmEditor를 시작하지 못했습니다.\n"
                             "이 컴퓨터의 로컬 서비스는 bash scripts/run 으로 시작할 수 있습니다.")
        .arg(host);
}

QString UpdaterPath(const QString &exeFolder)
{
    return QDir(exeFolder).filePath(QLatin1String(CVmEditorApp::kUpdaterName));
}

UpdateOutcome CheckForUpdate(const QString &exeFolder, const UpdateCheckHooks &hooks)
{
    const QString host
        = hooks.host.isEmpty() ? QLatin1String(ServiceDefaults::kServiceHost) : hooks.host;
    const QString url = ServiceUrls::VersionFile(host);

    const auto tell = [&hooks](const QString &text) {
        if (hooks.tell)
            hooks.tell(text);
        else
            QMessageBox::warning(nullptr, QStringLiteral("VmEditor"), text);
    };
    // Ending without a word looks like a crash: the user hears which address failed.
    const auto unreachable = [&](const QString &why) {
        Complain(why);
        tell(UpdateUnreachableText(host));
        return UpdateOutcome::Unreachable;
    };

    // The client asks for an uncached answer, so no cache entry needs removing first.
    CUbHttpDown http(QStringLiteral("VmEditor"));
    // Start-up waits on this request: a silent or trickling host must not hold it for minutes.
    http.SetTimeouts(15000, 30000);
    http.SetDeadline(ServiceApi::kRequestDeadlineMs);
    if (!http.OpenUrl(url, true)) {
        const int status = http.StatusCode();
        return unreachable(
            status != 0 ? QStringLiteral("the update check failed: %1 answered status %2")
                              .arg(url)
                              .arg(status)
                        : QStringLiteral("the update check failed: %1 cannot be reached").arg(url));
    }
    const CUbHttpBuffer body = http.ReadAll(10240, 10240, false, 2048, kMaxVersionFileBytes);
    http.CloseRequest();
    if (!body || body.size == 0) {
        return unreachable(
            QStringLiteral("the update check failed: no version file came from %1").arg(url));
    }

    CUbIniFileEx ini;
    ini.Parse(body.toByteArray());
    const QString latest
        = FromCodePage949(ini.GetValue("VmEditor", "Version").value_or(QByteArray()));
    if (latest.compare(QLatin1String(kProgramVersion), Qt::CaseInsensitive) == 0)
        return UpdateOutcome::Proceed;

    const QString question
        = QString::fromUtf8("새로운 버전이 배포 되었습니다.\n업데이트 하시겠습니까?");
    const QString caption = QString::fromUtf8("프로그램 업데이트");
    const bool yes = hooks.ask
        ? hooks.ask(question, caption)
        : QMessageBox::question(nullptr, caption, question, QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes;
    if (!yes)
        return UpdateOutcome::Proceed;

    const QString program = UpdaterPath(exeFolder);
    const bool updaterThere = hooks.exists ? hooks.exists(program) : QFileInfo(program).isFile();
    if (!updaterThere) {
        // Ending now would leave the user with neither the update nor the editor.
        tell(QString::fromUtf8("업데이트 프로그램(%1)이 없어 업데이트할 수 없습니다.\n"
                               "지금 버전으로 계속합니다.")
                 .arg(QDir::toNativeSeparators(program)));
        return UpdateOutcome::Proceed;
    }
    // A failure to start the updater is not reported: the program ends either way.
    const QStringList arguments {url};
    if (hooks.start)
        hooks.start(program, arguments);
    else
        QProcess::startDetached(program, arguments);
    return UpdateOutcome::UpdaterStarted;
}
