#include "LoopbackServer.h"
#include "UpdateCheck.h"

#include <QDir>

#include <chrono>
#include <gtest/gtest.h>
#include <httplib.h>
#include <mutex>
#include <string>
#include <thread>

namespace {

// A version host on 127.0.0.1 answering /editor/version_user.ini with a text the test sets.
class UpdateCheck : public ::testing::Test
{
protected:
    void SetUp() override
    {
        http.server.Get("/editor/version_user.ini",
                        [this](const httplib::Request &, httplib::Response &res) {
                            std::lock_guard<std::mutex> lock(mutex);
                            res.status = status;
                            res.set_content(file, "text/plain");
                        });
        ASSERT_TRUE(http.Start());
        hooks.host = http.Host();
        hooks.ask = [this](const QString &text, const QString &caption) {
            asked.push_back(text);
            askedCaption = caption;
            return answerYes;
        };
        hooks.start = [this](const QString &program, const QStringList &arguments) {
            startedProgram = program;
            startedArguments = arguments;
            return true;
        };
        hooks.tell = [this](const QString &text) {
            told.push_back(text);
        };
        hooks.exists = [this](const QString &) {
            return updaterPresent;
        };
    }
    void Serve(const std::string &text, int code = 200)
    {
        std::lock_guard<std::mutex> lock(mutex);
        file = text;
        status = code;
    }

    LoopbackServer http;
    std::mutex mutex;
    std::string file;
    int status = 200;

    UpdateCheckHooks hooks;
    std::vector<QString> asked;
    QString askedCaption;
    bool answerYes = false;
    QString startedProgram;
    QStringList startedArguments;
    std::vector<QString> told;
    bool updaterPresent = true;
};

TEST_F(UpdateCheck, ComparesTheVersionFile)
{
    const struct
    {
        const char *name;
        std::string file;
        bool asks;
    } rows[] = {
        {"same", "[VmEditor]\nVersion=1209250\n", false},
        {"same in capitals, CRLF", "[VMEDITOR]\r\nVersion=1209250\r\n", false},
        {"other version", "[VmEditor]\nVersion=1210010\n", true},
        {"last line without line break", "[VmEditor]\nVersion=1209250", true},
        {"no section", "Version=1209250\n", true},
        {"no key", "[VmEditor]\nBuild=1209250\n", true},
        {"other section", "[Other]\nVersion=1209250\n", true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Serve(row.file);
        asked.clear();
        answerYes = false;
        EXPECT_EQ(CheckForUpdate(QStringLiteral("/opt/vm"), hooks), UpdateOutcome::Proceed);
        EXPECT_EQ(asked.size(), row.asks ? 1u : 0u);
        EXPECT_TRUE(startedProgram.isEmpty());
    }
    EXPECT_EQ(asked.front(),
              QString::fromUtf8("새로운 버전이 배포 되었습니다.\n업데이트 하시겠습니까?"));
    EXPECT_EQ(askedCaption, QString::fromUtf8("프로그램 업데이트"));
}

TEST_F(UpdateCheck, AcceptingStartsTheUpdaterWithTheFileAddressAndEnds)
{
    Serve("[VmEditor]\nVersion=1300000\n");
    answerYes = true;
    EXPECT_EQ(CheckForUpdate(QStringLiteral("/opt/vm"), hooks), UpdateOutcome::UpdaterStarted);
    EXPECT_EQ(startedProgram, QStringLiteral("/opt/vm/VmUpdate.exe"));
    EXPECT_EQ(startedArguments,
              QStringList {
                  QStringLiteral("http://127.0.0.1:%1/editor/version_user.ini").arg(http.Port())});

    // A failure to start the updater changes nothing: the program still ends.
    hooks.start = [](const QString &, const QStringList &) {
        return false;
    };
    EXPECT_EQ(CheckForUpdate(QStringLiteral("/opt/vm"), hooks), UpdateOutcome::UpdaterStarted);
    EXPECT_TRUE(told.empty());
}

TEST_F(UpdateCheck, AcceptingWithoutAnUpdaterSaysSoAndGoesOn)
{
    Serve("[VmEditor]\nVersion=1300000\n");
    answerYes = true;
    updaterPresent = false;
    EXPECT_EQ(CheckForUpdate(QStringLiteral("/opt/vm"), hooks), UpdateOutcome::Proceed);
    EXPECT_TRUE(startedProgram.isEmpty());
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told.front().contains(QStringLiteral("VmUpdate.exe")));
}

TEST_F(UpdateCheck, NoVersionFileEndsWithoutAsking)
{
    const struct
    {
        const char *name;
        std::string file;
        int status;
    } rows[] = {
        {"not found", "[VmEditor]\nVersion=1209250\n", 404},
        {"server error", "", 500},
        {"empty", "", 200},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Serve(row.file, row.status);
        testing::internal::CaptureStderr();
        EXPECT_EQ(CheckForUpdate(QStringLiteral("/opt/vm"), hooks), UpdateOutcome::Unreachable);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("update"), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    EXPECT_TRUE(asked.empty());
    // Never silent: each failure told the user which service could not be reached.
    ASSERT_EQ(told.size(), 3u);
    EXPECT_EQ(told.back(), UpdateUnreachableText(http.Host()));
    EXPECT_TRUE(told.back().contains(QStringLiteral("bash scripts/run")));
    EXPECT_TRUE(startedProgram.isEmpty());
}

TEST_F(UpdateCheck, UnreachableHostEnds)
{
    http.Stop(); // nothing listens on the port any more
    testing::internal::CaptureStderr();
    EXPECT_EQ(CheckForUpdate(QStringLiteral("/opt/vm"), hooks), UpdateOutcome::Unreachable);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("cannot be reached"), std::string::npos) << err;
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(told.size(), 1u);
}

} // namespace
