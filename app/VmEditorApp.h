#pragma once

#include "StartupServices.h"
#include "VmReg.h"

#include <QCoreApplication>
#include <QImage>
#include <QString>

#include <array>
#include <memory>

class QLockFile;

// The process: prepares the working folders, installs a downloaded updater, reads the
// configuration and the saved credentials, signs the user in and runs the main window. Created
// once before anything else; every other part reads the folders, the signed-in user and the
// service host from it.
class CVmEditorApp
{
public:
    static constexpr const char *kTempFolderName = "__temp__";
    static constexpr const char *kDownFolderName = "__down__";
    static constexpr const char *kUpdaterName = "VmUpdate.exe";
    static constexpr const char *kNewUpdaterName = "VmUpdate_new.exe";
    // Beside the temporary folder; held for the life of the process so that a second copy
    // never empties the folders this one works in.
    static constexpr const char *kLockFileName = "__temp__.lock";
    // Logging out starts the new copy while the old one is still closing: the new copy waits
    // (under a wait cursor) until the old one has emptied its folders and let go.
    static constexpr int kDefaultLockWaitMs = 20000;
    // Exit statuses of a start-up that stopped on a failure (0: ended normally or cancelled).
    static constexpr int kExitServiceUnreachable = 2;
    static constexpr int kExitAlreadyRunning = 3;
    static constexpr int kExitNoDisplay = 4;
    static constexpr int kExitLoginFailed = 5;
    // The popup frame pieces, in the order the popup dialogs expect them.
    static constexpr std::array<int, 8> kFrameBitmapIds = {230, 234, 233, 232, 231, 227, 228, 229};

    explicit CVmEditorApp(const QString &exeFolderPath = QCoreApplication::applicationDirPath(),
                          StartupServices services = DefaultStartupServices());
    ~CVmEditorApp();
    CVmEditorApp(const CVmEditorApp &) = delete;
    CVmEditorApp &operator=(const CVmEditorApp &) = delete;

    // The application object of this process (the last one created and still alive).
    static CVmEditorApp *Instance();

    // The whole start-up; returns when the main window has closed or start-up stopped early.
    // Always false: there is no message loop after it.
    bool InitInstance();

    // Deletes every file (not folder) in the temporary folder; files in use stay.
    void EmptyTempFolder();
    // Deletes every file in the download folder except keepPath (compared ignoring case).
    void EmptyDownFolder(const QString &keepPath = QString());

    // How long a second copy waits for the working folders before giving up.
    void SetLockWaitMs(int milliseconds) { m_lockWaitMs = milliseconds; }
    bool HoldsWorkingFolderLock() const;

    // Folder of the running executable, without a trailing "/".
    QString exeFolder;
    // exeFolder/__temp__, or the same name in the per-user data folder when the executable's
    // folder cannot be written. Packages are assembled and zipped here.
    QString tempFolder;
    // tempFolder/__down__: downloaded packages are unpacked here.
    QString downFolder;
    QString userId;
    QString userPw;
    // Partner code the service returns on login.
    QString pnsCd;
    // The service key made from userId and userPw after the login.
    QString loginKey;
    // Host of the content service: no scheme, no path.
    QString serviceHost;
    // The process's exit status (see the kExit values); the parts that stop start-up set it.
    int exitCode = 0;
    // The program's settings key, open from start-up until exit.
    CVmReg settingsKey;
    // Set once the graphics system is known to be up; the Qt image code needs a GUI
    // application object rather than an explicit start-up, so there is no real token.
    bool gdiplusStarted = false;
    quintptr gdiplusToken = 0;
    // Frame pieces of popup dialogs, by kFrameBitmapIds; null until the skin supplies them.
    std::array<QImage, 8> frameBitmaps;

private:
    QString ChooseWorkingBase() const;
    bool LockWorkingFolders(const QString &base);
    void SwapUpdater() const;

    StartupServices m_services;
    std::unique_ptr<QLockFile> m_lock;
    int m_lockWaitMs = kDefaultLockWaitMs;
};
