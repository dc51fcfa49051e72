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
    // Host of the version file, no scheme: the configured service host ("WebSite"); empty: the
    // service's standard host.
    QString host;
    // The Yes/No question; default: a message box with no owner window.
    std::function<bool(const QString &text, const QString &caption)> ask;
    // Starts the updater without waiting for it; default QProcess::startDetached.
    std::function<bool(const QString &program, const QStringList &arguments)> start;
    // Tells the user why the check stops or cannot update; default: a message box.
    std::function<void(const QString &text)> tell;
    // Whether a file exists (the updater beside the executable); default QFileInfo::exists.
    std::function<bool(const QString &path)> exists;
};

enum class UpdateOutcome {
    Proceed, // go on starting
    UpdaterStarted, // the updater replaces the program: end quietly
    Unreachable, // no version file: the user was told, end with a failure status
};

// The message shown when the version file cannot be had from the host.
QString UpdateUnreachableText(const QString &host);

// Asks the update host for the current version. A version file that cannot be fetched is told to
// the user (which address, and how to start the bundled service) and on standard error. A
// different version, or a file without the version, asks whether to update; declining goes on,
// and so does accepting when there is no updater beside the executable (after saying so).
UpdateOutcome CheckForUpdate(const QString &exeFolder, const UpdateCheckHooks &hooks = {});

// The updater the check starts: "VmUpdate.exe" in the executable folder.
QString UpdaterPath(const QString &exeFolder);
