#include "VmEditorApp.h"

#include "LoadConfiguration.h"
#include "VmPopupDialog.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLockFile>
#include <QStandardPaths>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

CVmEditorApp *g_instance = nullptr;

QString Join(const QString &folder, const char *name)
{
    return QString::asprintf("%ls/%s", qUtf16Printable(folder), name);
}

// Every file in folder, hidden ones included; folders and links to folders are left alone.
void DeleteFilesIn(const QString &folder, const QString &keepPath)
{
    if (folder.isEmpty())
        return;
    const QString keep = keepPath.isEmpty() ? QString() : QDir::cleanPath(keepPath);
    const QDir dir(folder);
    const QFileInfoList files
        = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &file : files) {
        const QString path = QDir::cleanPath(file.absoluteFilePath());
        if (!keep.isEmpty() && path.compare(keep, Qt::CaseInsensitive) == 0)
            continue;
        QFile::remove(path);
    }
}

} // namespace

CVmEditorApp::CVmEditorApp(const QString &exeFolderPath, StartupServices services)
    : exeFolder(exeFolderPath)
    , m_services(std::move(services))
{
    const StartupServices defaults = DefaultStartupServices();
    if (!m_services.checkForUpdate)
        m_services.checkForUpdate = defaults.checkForUpdate;
    if (!m_services.loadBitmap)
        m_services.loadBitmap = defaults.loadBitmap;
    if (!m_services.runLogin)
        m_services.runLogin = defaults.runLogin;
    if (!m_services.runMainWindow)
        m_services.runMainWindow = defaults.runMainWindow;
    if (!m_services.releaseSharedResources)
        m_services.releaseSharedResources = defaults.releaseSharedResources;
    if (!m_services.reportAlreadyRunning)
        m_services.reportAlreadyRunning = defaults.reportAlreadyRunning;
    g_instance = this;
}

CVmEditorApp::~CVmEditorApp()
{
    settingsKey.Close();
    gdiplusStarted = false;
    if (g_instance == this)
        g_instance = nullptr;
    // The lock goes last, after everything that could still touch the working folders.
    m_lock.reset();
}

CVmEditorApp *CVmEditorApp::Instance()
{
    return g_instance;
}

bool CVmEditorApp::HoldsWorkingFolderLock() const
{
    return m_lock && m_lock->isLocked();
}

QString CVmEditorApp::ChooseWorkingBase() const
{
    const auto usable = [](const QString &base) {
        const QString temp = Join(base, kTempFolderName);
        if (!QDir().mkpath(temp))
            return false;
        const QFileInfo info(temp);
        return info.isDir() && info.isWritable();
    };
    if (usable(exeFolder))
        return exeFolder;
    // An installed copy: its folder belongs to the system, so work in the user's data folder.
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (!perUser.isEmpty() && usable(perUser))
        return perUser;
    return exeFolder;
}

bool CVmEditorApp::LockWorkingFolders(const QString &base)
{
    auto lock = std::make_unique<QLockFile>(Join(base, kLockFileName));
    // Held for the life of the process, so age never makes it stale; a lock left by a copy
    // that died is recognised by its process id and taken over.
    lock->setStaleLockTime(0);
    const bool gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
    if (gui)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const bool locked = lock->tryLock(m_lockWaitMs);
    if (gui)
        QGuiApplication::restoreOverrideCursor();
    if (locked) {
        m_lock = std::move(lock);
        return true;
    }
    // Only another running copy stops start-up; a folder that cannot hold a lock file cannot
    // hold working files either, and the parts that use them report that themselves.
    return lock->error() != QLockFile::LockFailedError;
}

void CVmEditorApp::SwapUpdater() const
{
    const QString updater = Join(exeFolder, kUpdaterName);
    const QString fresh = Join(exeFolder, kNewUpdaterName);
    QFile candidate(fresh);
    if (!candidate.open(QIODevice::ReadOnly))
        return;
    candidate.close();
    // One rename replaces the old updater, so a failure leaves the old one in place instead of
    // deleting it first and possibly losing both.
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(fresh).toStdString(),
                            QFile::encodeName(updater).toStdString(), error);
}

bool CVmEditorApp::InitInstance()
{
    // Steps 1 and 2 (controls, COM, rich edit) have nothing to do under Qt.
    // 3: the executable's folder.
    while (exeFolder.size() > 1 && exeFolder.endsWith(QLatin1Char('/')))
        exeFolder.chop(1);

    // 4 and 5: the working folders, guarded against a second copy of the editor.
    const QString base = ChooseWorkingBase();
    if (!LockWorkingFolders(base)) {
        m_services.reportAlreadyRunning();
        exitCode = kExitAlreadyRunning;
        return false;
    }
    tempFolder = Join(base, kTempFolderName);
    QDir().mkpath(tempFolder);
    downFolder = Join(tempFolder, kDownFolderName);
    QDir().mkpath(downFolder);

    // 6: a downloaded updater replaces the old one before anything can start it.
    SwapUpdater();

    // 7 and 8.
    serviceHost = LoadConfiguration(exeFolder);
    const UpdateOutcome update = m_services.checkForUpdate(exeFolder, serviceHost);
    if (update != UpdateOutcome::Proceed) {
        if (update == UpdateOutcome::Unreachable)
            exitCode = kExitServiceUnreachable;
        return false;
    }

    // 9: drawing needs the GUI application object.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        exitCode = kExitNoDisplay;
        return false;
    }
    gdiplusStarted = true;

    // 10.
    for (size_t i = 0; i < kFrameBitmapIds.size(); ++i)
        frameBitmaps[i] = m_services.loadBitmap(kFrameBitmapIds[i]);
    // Loaded once here and drawn by every popup; a missing piece leaves the skin's own set.
    if (std::none_of(frameBitmaps.begin(), frameBitmaps.end(),
                     [](const QImage &piece) { return piece.isNull(); }))
        CVmPopupDialog::SetFramePieces(frameBitmaps);

    // 11 and 12: the long-lived key, and a short-lived handle for the saved credentials.
    settingsKey.Open();
    CVmReg credentials;
    if (credentials.Open()) {
        userId = credentials.ReadString(QLatin1String(CVmReg::kUserId)).value_or(QString());
        userPw = credentials.ReadString(QLatin1String(CVmReg::kUserPw)).value_or(QString());
    }

    // 13 to 15.
    if (m_services.runLogin(*this)) {
        m_services.runMainWindow(*this);
        // The main window emptied the working folders when it closed: a copy started by the
        // logout may have them now, without waiting for this process to end.
        m_lock.reset();
        m_services.releaseSharedResources();
    }

    // 16.
    credentials.Close();
    return false;
}

void CVmEditorApp::EmptyTempFolder()
{
    DeleteFilesIn(tempFolder, QString());
}

void CVmEditorApp::EmptyDownFolder(const QString &keepPath)
{
    DeleteFilesIn(downFolder, keepPath);
}
