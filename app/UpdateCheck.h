#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The program's own version, compared with the update host's version file.
inline constexpr const char *kProgramVersion = "1209250";

// What the update check asks of the world, replaceable so tests answer for the user and the
// updater. Empty members use the defaults.
struct UpdateCheckHooks
{
    // Host of the version file, no scheme; empty: the service's standard host (not the
    // WebSite setting).
    QString host;
    // The Yes/No question; default: a message box with no owner window.
    std::function<bool(const QString &text, const QString &caption)> ask;
    // Starts the updater without waiting for it; default QProcess::startDetached.
    std::function<bool(const QString &program, const QStringList &arguments)> start;
};

// Asks the update host for the current version. True: go on starting. False: end the process,
// either because the version file could not be fetched (a line on standard error says why) or
// because the updater was started. A different version, or a file without the version, asks
// whether to update; declining goes on.
bool CheckForUpdate(const QString &exeFolder, const UpdateCheckHooks &hooks = {});

// The updater the check starts: "VmUpdate.exe" in the executable folder.
QString UpdaterPath(const QString &exeFolder);
