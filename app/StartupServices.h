#pragma once

#include "MainSession.h"
#include "UpdateCheck.h"

#include <QImage>
#include <QString>

#include <functional>

class CVmEditorApp;

// What start-up calls beyond its own steps. Each member has a fixed contract; the defaults give
// the trivial results, and the self-update check, the login, the skin and the main window
// replace them as they arrive. Tests hand in their own. An empty member counts as its default.
struct StartupServices
{
    // Self-update check of the program in exeFolder against the configured service host; it
    // shows its own messages. Anything but Proceed ends start-up.
    std::function<UpdateOutcome(const QString &exeFolder, const QString &serviceHost)>
        checkForUpdate;
    // A numbered bitmap of the skin; a null image when there is none.
    std::function<QImage(int resourceId)> loadBitmap;
    // The login, given the application with the saved userId/userPw: true = signed in with
    // userId, userPw, pnsCd and loginKey set; false = cancelled or failed, end the process.
    std::function<bool(CVmEditorApp &app)> runLogin;
    // Creates the main window, runs it modally and destroys it before returning.
    std::function<void(CVmEditorApp &app)> runMainWindow;
    // Frees what the main window loaded once for the whole process.
    std::function<void()> releaseSharedResources;
    // Tells the user that another copy of the editor is running; start-up then ends.
    std::function<void()> reportAlreadyRunning;
};

// What the main window is given from the application: the signed-in session and the calls it
// makes upward (logout, the stored calibration).
MainSession MainSessionOf(const CVmEditorApp &app);
MainWindowSeams MainWindowSeamsOf(CVmEditorApp &app);

// Update check: ask the configured service host (CheckForUpdate). Bitmaps: the skin. Login:
// RunLogin against serviceHost. Main window: CMainDlg run modally. Another copy running: a message
// box.
StartupServices DefaultStartupServices();
