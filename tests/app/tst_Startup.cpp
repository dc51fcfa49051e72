#include "Login.h"
#include "MainDlg.h"
#include "VmEditorApp.h"
#include "VmPopupDialog.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString SettingsFile()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Halvern"),
                     QStringLiteral("VmEditor"))
        .fileName();
}

// A start-up run in a temporary executable folder, with every call out recorded.
class Startup : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(exeDir.isValid());
        QFile::remove(SettingsFile());
        services.checkForUpdate = [this](const QString &folder, const QString &host) {
            calls.push_back("update");
            updaterAtUpdateCheck = ReadFile(exe("VmUpdate.exe"));
            EXPECT_EQ(folder, exeDir.path());
            updateHost = host;
            return updateAnswer;
        };
        services.loadBitmap = [this](int id) {
            bitmapIds.push_back(id);
            return QImage();
        };
        services.runLogin = [this](CVmEditorApp &app) {
            calls.push_back("login");
            loginSawId = app.userId;
            loginSawPw = app.userPw;
            return loginAnswer;
        };
        services.runMainWindow = [this](CVmEditorApp &app) {
            calls.push_back("main");
            if (insideMainWindow)
                insideMainWindow(app);
        };
        services.releaseSharedResources = [this] {
            calls.push_back("release");
        };
        services.reportAlreadyRunning = [this] {
            calls.push_back("refused");
        };
    }

    QString exe(const char *name) const { return exeDir.filePath(QString::fromLatin1(name)); }

    void SaveCredentials(const QString &id, const QString &pw)
    {
        QSettings settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Halvern"),
                           QStringLiteral("VmEditor"));
        settings.setValue(QStringLiteral("UserID"), id);
        settings.setValue(QStringLiteral("UserPW"), pw);
    }

    QTemporaryDir exeDir;
    StartupServices services;
    std::vector<std::string> calls;
    std::vector<int> bitmapIds;
    std::function<void(CVmEditorApp &)> insideMainWindow;
    UpdateOutcome updateAnswer = UpdateOutcome::Proceed;
    QString updateHost;
    bool loginAnswer = true;
    QByteArray updaterAtUpdateCheck;
    QString loginSawId, loginSawPw;
};

TEST_F(Startup, RunsTheStepsInOrder)
{
    SaveCredentials(QStringLiteral("kim"), QStringLiteral("pw1"));
    bool lockedWhileMain = false;
    insideMainWindow = [&](CVmEditorApp &running) {
        lockedWhileMain = running.HoldsWorkingFolderLock();
    };
    CVmEditorApp app(exeDir.path() + QStringLiteral("/"), services);
    EXPECT_EQ(CVmEditorApp::Instance(), &app);
    EXPECT_FALSE(app.InitInstance());

    EXPECT_EQ(calls, (std::vector<std::string> {"update", "login", "main", "release"}));
    EXPECT_EQ(bitmapIds, (std::vector<int> {230, 234, 233, 232, 231, 227, 228, 229}));
    EXPECT_EQ(app.exeFolder, exeDir.path());
    EXPECT_EQ(app.tempFolder, exeDir.path() + QStringLiteral("/__temp__"));
    EXPECT_EQ(app.downFolder, exeDir.path() + QStringLiteral("/__temp__/__down__"));
    EXPECT_TRUE(QFileInfo(app.downFolder).isDir());
    EXPECT_EQ(app.serviceHost, QStringLiteral("127.0.0.1:18250"));
    EXPECT_EQ(loginSawId, QStringLiteral("kim"));
    EXPECT_EQ(loginSawPw, QStringLiteral("pw1"));
    EXPECT_TRUE(app.settingsKey.IsOpen());
    EXPECT_TRUE(app.gdiplusStarted);
    EXPECT_TRUE(lockedWhileMain);
    // Let go once the main window has closed, so the copy a logout started can go on at once.
    EXPECT_FALSE(app.HoldsWorkingFolderLock());
    CVmEditorApp next(exeDir.path(), services);
    next.SetLockWaitMs(0);
    EXPECT_FALSE(next.InitInstance());
    EXPECT_NE(next.exitCode, CVmEditorApp::kExitAlreadyRunning);
}

TEST_F(Startup, ServiceHostComesFromTheIniBesideTheExecutable)
{
    ASSERT_TRUE(WriteFile(exe("VmEditor.ini"), "[Setup]\r\nWebSite=content.example\r\n"));
    CVmEditorApp app(exeDir.path(), services);
    app.InitInstance();
    EXPECT_EQ(app.serviceHost, QStringLiteral("content.example"));
    // The version file comes from the service the editor works with.
    EXPECT_EQ(updateHost, QStringLiteral("content.example"));
}

TEST_F(Startup, ExistingWorkingFoldersAreReusedAndKeepTheirFiles)
{
    ASSERT_TRUE(QDir().mkpath(exe("__temp__/__down__")));
    ASSERT_TRUE(WriteFile(exe("__temp__/package.zip"), "zip"));
    ASSERT_TRUE(WriteFile(exe("__temp__/__down__/item.dat"), "dat"));
    for (int run = 0; run < 2; ++run) {
        CVmEditorApp app(exeDir.path(), services);
        app.InitInstance();
    }
    EXPECT_EQ(ReadFile(exe("__temp__/package.zip")), "zip");
    EXPECT_EQ(ReadFile(exe("__temp__/__down__/item.dat")), "dat");
}

TEST_F(Startup, UpdaterSwap)
{
    struct Row
    {
        const char *name;
        const char *oldUpdater; // nullptr: absent
        const char *newUpdater;
        const char *expected; // VmUpdate.exe when the update check runs
    };
    const Row rows[] = {
        {"NewReplacesOld", "old", "new", "new"},
        {"NewWithoutOld", nullptr, "new", "new"},
        {"OldAloneUntouched", "old", nullptr, "old"},
        {"Neither", nullptr, nullptr, "<missing>"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(exe("VmUpdate.exe"));
        QFile::remove(exe("VmUpdate_new.exe"));
        if (row.oldUpdater) {
            ASSERT_TRUE(WriteFile(exe("VmUpdate.exe"), row.oldUpdater));
        }
        if (row.newUpdater) {
            ASSERT_TRUE(WriteFile(exe("VmUpdate_new.exe"), row.newUpdater));
        }
        CVmEditorApp app(exeDir.path(), services);
        app.InitInstance();
        EXPECT_EQ(updaterAtUpdateCheck, row.expected);
        EXPECT_FALSE(QFile::exists(exe("VmUpdate_new.exe")));
    }
}

TEST_F(Startup, UpdateCheckSayingStopEndsBeforeAnythingElse)
{
    const struct
    {
        UpdateOutcome outcome;
        int exitCode;
    } rows[] = {{UpdateOutcome::UpdaterStarted, 0},
                {UpdateOutcome::Unreachable, CVmEditorApp::kExitServiceUnreachable}};
    for (const auto &row : rows) {
        calls.clear();
        updateAnswer = row.outcome;
        CVmEditorApp app(exeDir.path(), services);
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(calls, (std::vector<std::string> {"update"}));
        EXPECT_TRUE(bitmapIds.empty());
        EXPECT_EQ(app.exitCode, row.exitCode);
    }
}

TEST_F(Startup, CancelledLoginEndsBeforeTheMainWindowAndWritesNothing)
{
    loginAnswer = false;
    {
        CVmEditorApp app(exeDir.path(), services);
        app.InitInstance();
    }
    EXPECT_EQ(calls, (std::vector<std::string> {"update", "login"}));
    EXPECT_FALSE(QFile::exists(SettingsFile()));

    SaveCredentials(QStringLiteral("kim"), QStringLiteral("pw1"));
    const QByteArray before = ReadFile(SettingsFile());
    {
        CVmEditorApp app(exeDir.path(), services);
        app.InitInstance();
    }
    EXPECT_EQ(ReadFile(SettingsFile()), before);
}

TEST_F(Startup, ReadOnlyExecutableFolderWorksInThePerUserDataFolder)
{
    // A file where the temporary folder should be stands for a folder that cannot be written
    // (the tests may run as root, for whom permissions do not count).
    ASSERT_TRUE(WriteFile(exe("__temp__"), "not a folder"));
    ASSERT_TRUE(WriteFile(exe("VmUpdate_new.exe"), "new"));
    CVmEditorApp app(exeDir.path(), services);
    app.InitInstance();
    const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    EXPECT_EQ(app.tempFolder, perUser + QStringLiteral("/__temp__"));
    EXPECT_EQ(app.downFolder, perUser + QStringLiteral("/__temp__/__down__"));
    EXPECT_TRUE(QFileInfo(app.downFolder).isDir());
    EXPECT_EQ(ReadFile(exe("__temp__")), "not a folder");
    EXPECT_EQ(updaterAtUpdateCheck, "new"); // the updater still lives beside the executable
}

TEST_F(Startup, SecondCopyIsRefusedWhileTheFirstRuns)
{
    std::vector<std::string> secondCalls;
    insideMainWindow = [&](CVmEditorApp &) {
        StartupServices second = services;
        second.checkForUpdate = [&](const QString &, const QString &) {
            secondCalls.push_back("update");
            return UpdateOutcome::Proceed;
        };
        second.reportAlreadyRunning = [&] {
            secondCalls.push_back("refused");
        };
        ASSERT_TRUE(WriteFile(exe("__temp__/work.jpg"), "photo"));
        CVmEditorApp copy(exeDir.path(), second);
        copy.SetLockWaitMs(200);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(copy.InitInstance());
        EXPECT_EQ(copy.exitCode, CVmEditorApp::kExitAlreadyRunning);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
        EXPECT_FALSE(copy.HoldsWorkingFolderLock());
        copy.EmptyTempFolder(); // a refused copy has no working folders to empty
    };
    {
        CVmEditorApp app(exeDir.path(), services);
        app.InitInstance();
    }
    EXPECT_EQ(secondCalls, (std::vector<std::string> {"refused"}));
    EXPECT_EQ(ReadFile(exe("__temp__/work.jpg")), "photo");

    // Once the first copy has gone the next one starts normally.
    calls.clear();
    CVmEditorApp next(exeDir.path(), services);
    next.InitInstance();
    EXPECT_EQ(calls.front(), "update");
}

TEST_F(Startup, NewCopyWaitsForTheClosingOne)
{
    const QString lockPath = exe("__temp__.lock");
    std::atomic<bool> held {false};
    std::thread closing([&] {
        QLockFile lock(lockPath);
        lock.setStaleLockTime(0);
        ASSERT_TRUE(lock.lock());
        held = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
    });
    while (!held)
        std::this_thread::yield();
    bool lockedWhileMain = false;
    insideMainWindow = [&](CVmEditorApp &running) {
        lockedWhileMain = running.HoldsWorkingFolderLock();
    };
    CVmEditorApp app(exeDir.path(), services);
    app.SetLockWaitMs(5000);
    app.InitInstance();
    closing.join();
    EXPECT_TRUE(lockedWhileMain);
    EXPECT_EQ(calls.front(), "update");
}

TEST_F(Startup, EmptyingTheWorkingFolders)
{
    CVmEditorApp app(exeDir.path(), services);
    app.InitInstance();
    ASSERT_TRUE(QDir().mkpath(app.tempFolder + QStringLiteral("/sub")));
    for (const char *name : {"a.jpg", ".hidden", "noextension", "sub/inner.jpg",
                             "__down__/item.dat", "__down__/Photo.JPG", "__down__/other.png"})
        ASSERT_TRUE(WriteFile(app.tempFolder + QLatin1Char('/') + QString::fromLatin1(name), "x"));

    app.EmptyTempFolder();
    EXPECT_TRUE(QDir(app.tempFolder).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(QFile::exists(app.tempFolder + QStringLiteral("/sub/inner.jpg")));
    EXPECT_TRUE(QFileInfo(app.downFolder).isDir());
    EXPECT_EQ(QDir(app.downFolder).entryList(QDir::Files).size(), 3);

    app.EmptyDownFolder(app.downFolder + QStringLiteral("/PHOTO.jpg"));
    EXPECT_EQ(QDir(app.downFolder).entryList(QDir::Files),
              QStringList {QStringLiteral("Photo.JPG")});
    app.EmptyDownFolder();
    EXPECT_TRUE(QDir(app.downFolder).entryList(QDir::Files).isEmpty());
}

TEST_F(Startup, DefaultsSignInWithTheSavedIdentityAndShowTheMainWindow)
{
    SaveCredentials(QStringLiteral("kim"), QStringLiteral("pw1"));
    StartupServices defaults = DefaultStartupServices();
    // The default update check asks the standard host, which no test may rely on.
    defaults.checkForUpdate = [](const QString &, const QString &) {
        return UpdateOutcome::Proceed;
    };
    // The real login with the service scripted: saved credentials sign in without a window.
    defaults.runLogin = [](CVmEditorApp &app) {
        LoginServices login;
        login.serviceLogin = [](const QString &, const QString &) {
            return LoginAnswer {true, QStringLiteral("P1"), QString()};
        };
        return RunLogin(app, login);
    };
    CVmEditorApp app(exeDir.path(), defaults);
    bool shown = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto *window = qobject_cast<CMainDlg *>(QApplication::activeModalWidget())) {
            shown = window->Session().userId == QStringLiteral("kim")
                && window->Session().tempFolder == app.tempFolder;
            window->done(1); // Escape does not close the editor
        }
    });
    closer.start(10);
    app.InitInstance();
    EXPECT_TRUE(shown);
    EXPECT_EQ(app.userId, QStringLiteral("kim"));
    EXPECT_EQ(app.userPw, QStringLiteral("pw1"));
    // The frame pieces come from the skin: top-left 230 is 13 x 24, left edge 229 is 7 x 116.
    EXPECT_EQ(app.frameBitmaps[0].size(), QSize(13, 24));
    EXPECT_EQ(app.frameBitmaps[7].size(), QSize(7, 116));
    // ... and the popups draw those very pieces rather than loading their own.
    EXPECT_EQ(CVmPopupDialog::FramePieces()[0].cacheKey(), app.frameBitmaps[0].cacheKey());
}

} // namespace
