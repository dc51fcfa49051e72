#pragma once

#include <QString>

#include <functional>

class CVmEditorApp;
class QDialog;

// What the service answered to one sign-in attempt.
struct LoginAnswer
{
    bool success = false;
    QString pnsCd; // partner code; may be empty on success
    QString errorText; // the service's refusal; empty when there was no answer at all
};

// The values the login dialog shows and hands back.
struct LoginEntry
{
    QString userId;
    QString password;
    bool remember = false;
};

// Everything the login reaches outside itself; tests script each member. An empty member counts
// as its default (see DefaultLoginServices).
struct LoginServices
{
    // One sign-in attempt: ServiceLogin(user id, password) → (success, partner code, error text).
    std::function<LoginAnswer(const QString &userId, const QString &password)> serviceLogin;
    // Shows a fresh login dialog pre-filled with entry; true on OK with entry holding what was
    // typed (both texts non-empty), false on cancel.
    std::function<bool(LoginEntry &entry)> runDialog;
    // A message box with the given text and an OK button.
    std::function<void(const QString &text)> showMessage;
};

// What logging out reaches outside itself.
struct LogoutServices
{
    // Asks the question with Yes/No; true only for Yes.
    std::function<bool(const QString &question)> askYesNo;
    // Starts a new copy of the program (the given executable, no arguments); true when it started.
    std::function<bool(const QString &executable)> startProgram;
};

// The one place the login reaches the content service (ServiceLogin); DefaultLoginServices binds
// serviceLogin to it. A GET of the login action at serviceHost with the user id and the service
// key: Result "Success" (any case) signs in with PnsCd as the partner code; any other Result is the
// error text; no answer, a status outside 200 … 299 or a body that is not XML gives an empty one.
LoginAnswer LoginThroughService(const QString &serviceHost, const QString &userId,
                                const QString &password);

// The real dialog, message boxes and service for the application's serviceHost.
LoginServices DefaultLoginServices(const CVmEditorApp &app);
LogoutServices DefaultLogoutServices();

// Signs the user in, starting from the saved app.userId/app.userPw. With both saved, the first
// attempt is made without a window; otherwise, and after a refusal, the dialog asks. True when
// signed in (userId, userPw, pnsCd and loginKey set); false when cancelled or the service gave no
// answer (after telling the user).
bool RunLogin(CVmEditorApp &app, const LoginServices &services);
bool RunLogin(CVmEditorApp &app);

// The main window's logout command: on Yes, empties the saved credentials, starts a new copy of
// the program and ends mainWindow with result 1. True when it logged out.
bool Logout(QDialog *mainWindow, const LogoutServices &services);
bool Logout(QDialog *mainWindow);

// The texts the login and logout show.
namespace LoginTexts {
inline const char *const kServerError = "서버오류가 발생하였습니다.";
inline const char *const kLogoutQuestion = "로그아웃 하시겠습니까?";
} // namespace LoginTexts
