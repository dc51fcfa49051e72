#include "../TestServers.h"
#include "DnThread.h"
#include "FileDownloadDlg.h"
#include "FileUploadDlg.h"
#include "UbImgButton.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <gtest/gtest.h>
#include <string>

namespace {

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Notifications the dialog acted on, by code.
int Count(const QSignalSpy &spy, int code)
{
    int n = 0;
    for (const QList<QVariant> &args : spy)
        n += args.at(0).toInt() == code ? 1 : 0;
    return n;
}

class TransferDialogs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        auto &s = server.server;
        s.Get("/ten", [](const httplib::Request &, httplib::Response &res) {
            res.set_content("0123456789", "application/zip");
        });
        s.Get("/nine", [](const httplib::Request &, httplib::Response &res) {
            res.set_content("123456789", "application/zip");
        });
        s.Get("/slow", [this](const httplib::Request &, httplib::Response &res) {
            res.set_content_provider(1024 * 1024, "application/zip",
                                     [this](size_t, size_t length, httplib::DataSink &sink) {
                                         if (stopping)
                                             return false;
                                         std::this_thread::sleep_for(std::chrono::milliseconds(20));
                                         const std::string chunk(std::min<size_t>(1024, length),
                                                                 'x');
                                         return sink.write(chunk.data(), chunk.size());
                                     });
        });
        s.Post("/up",
               [this](const httplib::Request &, httplib::Response &res,
                      const httplib::ContentReader &reader) {
                   reader([](const httplib::MultipartFormData &) { return true; },
                          [](const char *, size_t) { return true; });
                   res.set_content(uploadAnswer, "text/xml");
               });
        ASSERT_TRUE(server.Start());
        upFile = dir.filePath(QStringLiteral("package.zip"));
        QFile file(upFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(10000, 'z'));
    }
    void TearDown() override
    {
        stopping = true;
        server.Stop();
    }

    QString Url(const char *path) const { return server.Host() + QLatin1String(path); }

    QTemporaryDir dir;
    LoopbackServer server;
    std::atomic<bool> stopping {false};
    std::string uploadAnswer;
    QString upFile;
};

TEST_F(TransferDialogs, DownloadEndsWithOkOrTheFixedText)
{
    const struct
    {
        const char *path;
        int result;
        QString error;
    } rows[] = {
        {"/ten", QDialog::Accepted, QString()},
        {"/nine", QDialog::Rejected, QString::fromUtf8("파일을 다운로드 하지 못했습니다.")},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path);
        CFileDownloadDlg dialog;
        dialog.url = Url(row.path);
        dialog.localPath = dir.filePath(QStringLiteral("item.dat"));
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.open();
        EXPECT_EQ(dialog.TextLabel()->text(), QString::fromUtf8("파일을 다운로드 하고 있습니다."));
        EXPECT_EQ(dialog.CancelButton()->ControlId(), 1010);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        EXPECT_EQ(dialog.result(), row.result);
        EXPECT_EQ(dialog.errorText, row.error);
        EXPECT_EQ(dialog.Worker(), nullptr);
        if (row.result == QDialog::Accepted) {
            EXPECT_EQ(ReadFile(dialog.localPath), QByteArray("0123456789"));
            EXPECT_EQ(dialog.ProgressBar()->maximum(), 10);
            EXPECT_EQ(dialog.ProgressBar()->value(), 10);
        }
    }
}

TEST_F(TransferDialogs, CancelDuringADownloadEndsAtOnceWithoutMessage)
{
    CFileDownloadDlg dialog;
    dialog.url = Url("/slow");
    dialog.localPath = dir.filePath(QStringLiteral("item.dat"));
    QSignalSpy notified(&dialog, &CFileTransferDlg::Notified);
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.open();
    QTRY_VERIFY_WITH_TIMEOUT(dialog.ProgressBar()->value() >= 2048, 10000);
    EXPECT_EQ(dialog.ProgressBar()->maximum(), 1024 * 1024);

    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    EXPECT_LT(timer.elapsed(), 2000);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(dialog.IsCancelled());
    EXPECT_TRUE(dialog.errorText.isEmpty());
    EXPECT_EQ(dialog.Worker(), nullptr);
    // Whatever the worker had queued is not acted on.
    const int before = static_cast<int>(notified.count());
    QTest::qWait(100);
    EXPECT_EQ(notified.count(), before);
    EXPECT_EQ(Count(notified, 2), 0);
}

TEST_F(TransferDialogs, DownloadThatCannotStartWaitsForCancel)
{
    CFileDownloadDlg dialog;
    dialog.url = Url("/ten");
    dialog.localPath = dir.filePath(QStringLiteral("missing/item.dat"));
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.open();
    EXPECT_FALSE(dialog.WorkerStarted());
    QTest::qWait(50);
    EXPECT_EQ(finished.count(), 0);
    EXPECT_TRUE(dialog.isVisible());
    dialog.reject(); // what Escape and the close cross do
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(dialog.errorText.isEmpty());
}

TEST_F(TransferDialogs, UploadOutcomes)
{
    const struct
    {
        const char *name;
        std::string answer;
        int result;
        QString error;
    } rows[] = {
        {"accepted",
         "<r><Result>Success</Result><VmiPath>p</VmiPath><VmiUrl>u</VmiUrl><key1>1</key1>"
         "<key2>2</key2><key3>3</key3></r>",
         QDialog::Accepted, QString()},
        {"refused", "<r><Result>Fail</Result></r>", QDialog::Rejected,
         QString::fromUtf8("서버에서 업로드 오류 응답을 받았습니다 : (Fail)")},
        {"no key3",
         "<r><Result>Success</Result><VmiPath>p</VmiPath><VmiUrl>u</VmiUrl><key1>1</key1>"
         "<key2>2</key2></r>",
         QDialog::Rejected, QString::fromUtf8("파일을 전송 하지 못했습니다.")},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        uploadAnswer = row.answer;
        CFileUploadDlg dialog;
        dialog.url = Url("/up");
        dialog.localPath = upFile;
        dialog.remoteFileName = QStringLiteral("kim_P1_key");
        QSignalSpy notified(&dialog, &CFileTransferDlg::Notified);
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.open();
        EXPECT_EQ(dialog.TextLabel()->text(), QString::fromUtf8("파일을 저장 하고 있습니다."));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
        EXPECT_EQ(dialog.result(), row.result);
        EXPECT_EQ(dialog.errorText, row.error);
        EXPECT_EQ(Count(notified, 0), 1);
        EXPECT_EQ(Count(notified, 1), 3);
        EXPECT_EQ(Count(notified, 2), 1);
        EXPECT_EQ(dialog.ProgressBar()->maximum(), 10000);
        EXPECT_EQ(dialog.ProgressBar()->value(), 10000);
        EXPECT_EQ(dialog.uploadResult.success, row.result == QDialog::Accepted ? 1 : 0);
    }
}

TEST_F(TransferDialogs, CancelWhileTheServiceHoldsItsAnswerBack)
{
    RawCaptureServer slow;
    slow.DelayAnswer(20000);
    ASSERT_TRUE(slow.Start());
    CFileUploadDlg dialog;
    dialog.url = slow.Host() + QStringLiteral("/CommonProductUploadAction.uvm");
    dialog.localPath = upFile;
    QSignalSpy notified(&dialog, &CFileTransferDlg::Notified);
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.open();
    QTRY_COMPARE_WITH_TIMEOUT(Count(notified, 1), 3, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(slow.Body().size() > 10000, 10000);

    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    EXPECT_LT(timer.elapsed(), 2500);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(dialog.errorText.isEmpty());
    EXPECT_EQ(dialog.uploadResult.success, 0);
    QTest::qWait(50);
    EXPECT_EQ(Count(notified, 2), 0);
}

} // namespace
