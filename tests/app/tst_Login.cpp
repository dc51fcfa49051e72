// The sign-in and logout flows with a scripted dialog, service and message boxes, and one run of
// the real request against the bundled local service.
#include "LocalServiceServer.h"
#include "Login.h"
#include "ServiceKey.h"
#include "VmEditorApp.h"
#include "VmReg.h"

#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <deque>
#include <gtest/gtest.h>
#include <httplib.h>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Saved
{
    std::optional<QString> id;
    std::optional<QString> pw;
};

Saved ReadSaved()
{
    CVmReg key;
    if (!key.Open())
        return {};
    return {key.ReadString(QLatin1String(CVmReg::kUserId)),
            key.ReadString(QLatin1String(CVmReg::kUserPw))};
}

void WriteSaved(const QString &id, const QString &pw)
{
    CVmReg key;
    ASSERT_TRUE(key.Open());
    ASSERT_TRUE(key.WriteString(QLatin1String(CVmReg::kUserId), id));
    ASSERT_TRUE(key.WriteString(QLatin1String(CVmReg::kUserPw), pw));
}

void ForgetSettings()
{
    CVmReg key;
    if (key.Open()) {
        const QString file = key.FileName();
        key.Close();
        QFile::remove(file);
    }
}

// One pass of the dialog as the user would take it: what was shown, and what is typed.
struct DialogTurn
{
    bool ok;
    LoginEntry typed;
};

// RunLogin with every call out recorded as a line of text, in order.
class Login : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(exeDir.isValid());
        ForgetSettings();
        app = std::make_unique<CVmEditorApp>(exeDir.path());
        services.runDialog = [this](LoginEntry &entry) {
            shown.push_back(entry);
            log.push_back("dialog");
            if (turns.empty()) {
                ADD_FAILURE() << "dialog opened once more than scripted";
                return false;
            }
            const DialogTurn turn = turns.front();
            turns.pop_front();
            if (turn.ok)
                entry = turn.typed;
            return turn.ok;
        };
        services.serviceLogin = [this](const QString &id, const QString &pw) {
            log.push_back("login " + id.toStdString() + "/" + pw.toStdString());
            if (answers.empty()) {
                ADD_FAILURE() << "service asked once more than scripted";
                return LoginAnswer {};
            }
            const LoginAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        };
        services.showMessage = [this](const QString &text) {
            log.push_back("message " + text.toStdString());
        };
    }

    void TearDown() override
    {
        EXPECT_TRUE(turns.empty()) << "dialog turns left over";
        EXPECT_TRUE(answers.empty()) << "service answers left over";
    }

    void Start(const QString &savedId, const QString &savedPw)
    {
        app->userId = savedId;
        app->userPw = savedPw;
    }

    static LoginAnswer Accepted(const char *pnsCd) { return {true, QString::fromUtf8(pnsCd), {}}; }
    static LoginAnswer Refused(const char *text) { return {false, {}, QString::fromUtf8(text)}; }

    QTemporaryDir exeDir;
    std::unique_ptr<CVmEditorApp> app;
    LoginServices services;
    std::deque<DialogTurn> turns;
    std::deque<LoginAnswer> answers;
    std::vector<LoginEntry> shown;
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(Login, SavedCredentialsSignInWithoutAWindow)
{
    WriteSaved(QStringLiteral("kim"), QStringLiteral("pw1"));
    Start(QStringLiteral("kim"), QStringLiteral("pw1"));
    answers = {Accepted("P100")};
    ASSERT_TRUE(RunLogin(*app, services));
    EXPECT_EQ(log, (Log {"login kim/pw1"}));
    EXPECT_EQ(app->userId, QStringLiteral("kim"));
    EXPECT_EQ(app->userPw, QStringLiteral("pw1"));
    EXPECT_EQ(app->pnsCd, QStringLiteral("P100"));
    EXPECT_EQ(app->loginKey, MakeServiceKey(QStringLiteral("kim"), QStringLiteral("pw1")));
    EXPECT_EQ(ReadSaved().id, QStringLiteral("kim"));
}

TEST_F(Login, RefusedSavedCredentialsShowTheTextThenThePrefilledDialog)
{
    Start(QStringLiteral("kim"), QStringLiteral("old"));
    answers = {Refused("비밀번호가 틀렸습니다."), Accepted("P1")};
    turns = {{true, {QStringLiteral("kim"), QStringLiteral("new"), true}}};
    ASSERT_TRUE(RunLogin(*app, services));
    EXPECT_EQ(log,
              (Log {"login kim/old", "message 비밀번호가 틀렸습니다.", "dialog", "login kim/new"}));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].userId, QStringLiteral("kim"));
    EXPECT_EQ(shown[0].password, QStringLiteral("old"));
    EXPECT_TRUE(shown[0].remember);
    EXPECT_EQ(app->userPw, QStringLiteral("new"));
    EXPECT_EQ(ReadSaved().pw, QStringLiteral("new"));
    EXPECT_EQ(app->loginKey, MakeServiceKey(QStringLiteral("kim"), QStringLiteral("new")));
}

TEST_F(Login, RememberTickedAndRefusedAsksAgainWithoutResending)
{
    Start(QString(), QString());
    answers = {Refused("없는 아이디입니다."), Accepted("P7")};
    turns = {{true, {QStringLiteral("lee"), QStringLiteral("pw"), true}},
             {true, {QStringLiteral("lee2"), QStringLiteral("pw2"), true}}};
    ASSERT_TRUE(RunLogin(*app, services));
    // Each refused password costs one attempt, not two.
    EXPECT_EQ(
        log,
        (Log {"dialog", "login lee/pw", "message 없는 아이디입니다.", "dialog", "login lee2/pw2"}));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[0].userId.isEmpty());
    EXPECT_FALSE(shown[0].remember);
    // The second dialog shows what was typed before.
    EXPECT_EQ(shown[1].userId, QStringLiteral("lee"));
    EXPECT_EQ(shown[1].password, QStringLiteral("pw"));
    EXPECT_TRUE(shown[1].remember);
    EXPECT_EQ(ReadSaved().id, QStringLiteral("lee2"));
    EXPECT_EQ(ReadSaved().pw, QStringLiteral("pw2"));
}

TEST_F(Login, RefusalsWithoutRememberAlwaysBringTheDialogBack)
{
    Start(QString(), QString());
    answers = {Refused("x"), Refused("y"), Accepted("")};
    turns = {{true, {QStringLiteral("a"), QStringLiteral("1"), false}},
             {true, {QStringLiteral("a"), QStringLiteral("2"), false}},
             {true, {QStringLiteral("a"), QStringLiteral("3"), false}}};
    ASSERT_TRUE(RunLogin(*app, services));
    EXPECT_EQ(log,
              (Log {"dialog", "login a/1", "message x", "dialog", "login a/2", "message y",
                    "dialog", "login a/3"}));
    EXPECT_TRUE(app->pnsCd.isEmpty()); // a missing partner code still signs in
}

TEST_F(Login, RememberUntickedKeepsWhatWasSaved)
{
    WriteSaved(QStringLiteral("kim"), QString()); // half saved: the dialog opens
    Start(QStringLiteral("kim"), QString());
    answers = {Accepted("P2")};
    turns = {{true, {QStringLiteral("park"), QStringLiteral("pw9"), false}}};
    ASSERT_TRUE(RunLogin(*app, services));
    EXPECT_EQ(log, (Log {"dialog", "login park/pw9"}));
    EXPECT_FALSE(shown[0].remember);
    EXPECT_EQ(shown[0].userId, QStringLiteral("kim"));
    EXPECT_EQ(ReadSaved().id, QStringLiteral("kim"));
    EXPECT_EQ(ReadSaved().pw, QString());
    EXPECT_EQ(app->userId, QStringLiteral("park"));
}

TEST_F(Login, NoAnswerShowsTheServerErrorAndEnds)
{
    struct Row
    {
        const char *name;
        bool saved;
    };
    for (const Row row : {Row {"SavedCredentials", true}, Row {"FromTheDialog", false}}) {
        SCOPED_TRACE(row.name);
        log.clear();
        ForgetSettings();
        Start(row.saved ? QStringLiteral("kim") : QString(),
              row.saved ? QStringLiteral("pw") : QString());
        answers = {LoginAnswer {}};
        if (!row.saved)
            turns = {{true, {QStringLiteral("kim"), QStringLiteral("pw"), true}}};
        EXPECT_FALSE(RunLogin(*app, services));
        EXPECT_EQ(log.back(), "message 서버오류가 발생하였습니다.");
        EXPECT_EQ(app->exitCode, CVmEditorApp::kExitLoginFailed);
        EXPECT_TRUE(app->loginKey.isEmpty());
        EXPECT_FALSE(ReadSaved().id.has_value());
    }
}

TEST_F(Login, CancelEndsWithFalseAndWritesNothing)
{
    Start(QString(), QString());
    turns = {{false, {}}};
    EXPECT_FALSE(RunLogin(*app, services));
    EXPECT_EQ(log, (Log {"dialog"}));
    CVmReg key;
    ASSERT_TRUE(key.Open());
    EXPECT_FALSE(QFile::exists(key.FileName()));
    EXPECT_TRUE(app->pnsCd.isEmpty());
    EXPECT_TRUE(app->loginKey.isEmpty());
}

TEST_F(Login, CancelAfterARefusalStillWritesNothing)
{
    WriteSaved(QStringLiteral("kim"), QStringLiteral("pw"));
    Start(QStringLiteral("kim"), QStringLiteral("pw"));
    answers = {Refused("no")};
    turns = {{false, {}}};
    EXPECT_FALSE(RunLogin(*app, services));
    EXPECT_EQ(ReadSaved().id, QStringLiteral("kim"));
    EXPECT_EQ(ReadSaved().pw, QStringLiteral("pw"));
}

// Logout ------------------------------------------------------------------------------------

class Logout : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ForgetSettings();
        services.askYesNo = [this](const QString &question) {
            questions.push_back(question.toStdString());
            return yes;
        };
        services.startProgram = [this](const QString &executable) {
            started.push_back(executable);
            // The new copy must find the credentials gone already.
            savedWhenStarted = ReadSaved();
            return true;
        };
    }

    LogoutServices services;
    bool yes = true;
    std::vector<std::string> questions;
    std::vector<QString> started;
    Saved savedWhenStarted;
};

TEST_F(Logout, YesEmptiesTheSavedValuesStartsANewCopyAndEndsTheWindowWithOne)
{
    WriteSaved(QStringLiteral("kim"), QStringLiteral("pw"));
    QDialog window;
    int result = -1;
    QObject::connect(&window, &QDialog::finished, [&](int r) { result = r; });
    QTimer::singleShot(0, &window, [&] { EXPECT_TRUE(::Logout(&window, services)); });
    window.exec();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(questions, (std::vector<std::string> {"로그아웃 하시겠습니까?"}));
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], QCoreApplication::applicationFilePath());
    EXPECT_EQ(savedWhenStarted.id, QString());
    EXPECT_EQ(savedWhenStarted.pw, QString());
    // Present but empty, not removed.
    const Saved after = ReadSaved();
    ASSERT_TRUE(after.id.has_value());
    ASSERT_TRUE(after.pw.has_value());
    EXPECT_TRUE(after.id->isEmpty());
    EXPECT_TRUE(after.pw->isEmpty());
}

TEST_F(Logout, NoDoesNothing)
{
    yes = false;
    WriteSaved(QStringLiteral("kim"), QStringLiteral("pw"));
    QDialog window;
    window.show();
    EXPECT_FALSE(::Logout(&window, services));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(started.empty());
    EXPECT_EQ(ReadSaved().id, QStringLiteral("kim"));
}

// The request itself, against the bundled local service --------------------------------------

class LoginService : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(local.Start()); }

    QString Host() const { return local.Host(); }

    LocalServiceServer local;
};

TEST_F(LoginService, AnswersAsTheLoginReadsThem)
{
    const LoginAnswer demo
        = LoginThroughService(Host(), QStringLiteral("demo"), QStringLiteral("demo1234"));
    EXPECT_TRUE(demo.success);
    EXPECT_FALSE(demo.pnsCd.isEmpty());

    const LoginAnswer wrong
        = LoginThroughService(Host(), QStringLiteral("demo"), QStringLiteral("nope"));
    EXPECT_FALSE(wrong.success);
    EXPECT_FALSE(wrong.errorText.isEmpty());

    const LoginAnswer stranger
        = LoginThroughService(Host(), QStringLiteral("nobody"), QStringLiteral("x"));
    EXPECT_FALSE(stranger.success);
    EXPECT_FALSE(stranger.errorText.isEmpty());
}

TEST_F(LoginService, NoServiceGivesNoErrorText)
{
    local.loopback.Stop(); // nothing listens on the port any more
    const LoginAnswer none
        = LoginThroughService(Host(), QStringLiteral("demo"), QStringLiteral("demo1234"));
    EXPECT_FALSE(none.success);
    EXPECT_TRUE(none.errorText.isEmpty());
}

TEST(LoginAnswers, ReadAsTheLoginNeedsThem)
{
    struct Row
    {
        const char *name;
        int status;
        const char *body;
        bool success;
        const char *pnsCd;
        const char *errorText;
    };
    const Row rows[] = {
        {"SuccessAnyCase", 200, "<r><Result>SUCCESS</Result><PnsCd>P9</PnsCd></r>", true, "P9", ""},
        {"SuccessWithoutPartnerCode", 200, "<r><Result>Success</Result></r>", true, "", ""},
        {"Refusal", 200, "<r><Result>Fail</Result></r>", false, "", "Fail"},
        {"NoResult", 200, "<r><PnsCd>P9</PnsCd></r>", false, "", ""},
        {"ServerErrorWithXml", 500, "<r><Result>Success</Result></r>", false, "", ""},
        {"NotXml", 200, "Success", false, "", ""},
        {"OneByte", 200, "<", false, "", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        LoopbackServer http;
        std::string query;
        http.server.Get("/CommonLoginAction.uvm",
                        [&](const httplib::Request &req, httplib::Response &res) {
                            query = req.get_param_value("userId") + "|" + req.get_param_value("key")
                                + "|" + req.get_param_value("userTyp");
                            res.status = row.status;
                            res.set_content(row.body, "text/xml; charset=UTF-8");
                        });
        ASSERT_TRUE(http.Start());
        const LoginAnswer answer
            = LoginThroughService(http.Host(), QStringLiteral("kim"), QStringLiteral("pw"));
        http.Stop();
        EXPECT_EQ(answer.success, row.success);
        EXPECT_EQ(answer.pnsCd, QString::fromUtf8(row.pnsCd));
        EXPECT_EQ(answer.errorText, QString::fromUtf8(row.errorText));
        EXPECT_EQ(query,
                  "kim|" + MakeServiceKey(QStringLiteral("kim"), QStringLiteral("pw")).toStdString()
                      + "|01");
    }
}

TEST_F(LoginService, SavedDemoCredentialsSignInThroughTheDefaults)
{
    ForgetSettings();
    QTemporaryDir exeDir;
    CVmEditorApp app(exeDir.path());
    app.serviceHost = Host();
    app.userId = QStringLiteral("demo");
    app.userPw = QStringLiteral("demo1234");
    LoginServices scripted = DefaultLoginServices(app);
    scripted.runDialog = [](LoginEntry &) {
        ADD_FAILURE() << "saved credentials should not open the dialog";
        return false;
    };
    ASSERT_TRUE(RunLogin(app, scripted));
    EXPECT_FALSE(app.pnsCd.isEmpty());
    EXPECT_EQ(app.loginKey, MakeServiceKey(QStringLiteral("demo"), QStringLiteral("demo1234")));
}

} // namespace
