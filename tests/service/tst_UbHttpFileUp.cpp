#include "LoopbackServer.h"
#include "UbHttpFileUp.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <mutex>

namespace {

class RecordingUp : public CUbHttpFileUp
{
public:
    QList<qint32> sent;
    qint32 begun = -1;
    qint32 ended = -1;
    int stopAfter = -1;

protected:
    void OnBegin(qint32 total) override { begun = total; }
    bool OnSent(qint32 count, qint32) override
    {
        sent.append(count);
        return sent.size() != stopAfter;
    }
    void OnEnd(qint32 total) override { ended = total; }
};

class FileUpTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        http.server.Post("/up/CommonProductUploadAction.uvm",
                         [this](const httplib::Request &req, httplib::Response &res) {
                             std::lock_guard guard(lock);
                             parts = static_cast<int>(req.files.size());
                             const httplib::MultipartFormData part
                                 = req.get_file_value("SCRIPT_DOC_NM");
                             content = QByteArray::fromStdString(part.content);
                             fileName = part.filename;
                             partType = part.content_type;
                             contentType = req.get_header_value("Content-Type");
                             contentLength = req.get_header_value("Content-Length");
                             agent = req.get_header_value("User-Agent");
                             res.set_content(answer, "text/xml");
                         });
        http.server.Post("/fail", [](const httplib::Request &, httplib::Response &res) {
            res.status = 500;
            res.set_content("<Result>Success</Result>", "text/xml");
        });
        ASSERT_TRUE(http.Start());
    }

    QString MakeFile(const QString &name, const QByteArray &content)
    {
        QFile file(folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    }

    QString Url(const QString &path) const
    {
        return QStringLiteral("127.0.0.1:%1%2").arg(http.Port()).arg(path);
    }

    QTemporaryDir folder;
    LoopbackServer http;
    std::mutex lock;
    int parts = 0;
    QByteArray content;
    std::string fileName, partType, contentType, contentLength, agent;
    std::string answer = "<Response><Result>Success</Result></Response>";
};

TEST_F(FileUpTest, SendsTheBodyByteForByteInChunks)
{
    QByteArray bytes(10000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    const QString path = MakeFile(QStringLiteral("package"), bytes);
    RecordingUp up;
    QByteArray reply;
    ASSERT_TRUE(up.SendFile(QStringLiteral("demo_P0001_key"), path,
                            Url(QStringLiteral("/up/CommonProductUploadAction.uvm")), reply));
    EXPECT_EQ(reply, QByteArray("<Response><Result>Success</Result></Response>"));
    EXPECT_EQ(up.begun, 10000);
    EXPECT_EQ(up.sent, (QList<qint32> {4096, 8192, 10000}));
    EXPECT_EQ(up.ended, 10000);

    const QByteArray header = "-----------------------------7d16d3Ubrik\r\n"
                              "Content-Disposition: form-data; name=\"SCRIPT_DOC_NM\"; "
                              "filename=\"demo_P0001_key\"\r\nContent-Type: image/jpeg\r\n\r\n";
    const QByteArray trailer = "\r\n-----------------------------7d16d3Ubrik--\r\n";
    EXPECT_EQ(CUbHttpFileUp::PartHeader(QStringLiteral("demo_P0001_key")), header);
    EXPECT_EQ(CUbHttpFileUp::Trailer(), trailer);
    EXPECT_EQ(trailer.size(), 46);
    std::lock_guard guard(lock);
    EXPECT_EQ(parts, 1);
    EXPECT_EQ(content, bytes);
    EXPECT_EQ(fileName, "demo_P0001_key");
    EXPECT_EQ(partType, "image/jpeg");
    EXPECT_EQ(contentLength, std::to_string(header.size() + 10000 + 46));
    EXPECT_EQ(contentType, "multipart/form-data; boundary=---------------------------7d16d3Ubrik");
    EXPECT_EQ(agent, "HttpFileUp");
}

TEST_F(FileUpTest, EmptyRemoteNameSendsTheFilesOwnName)
{
    const QString path = MakeFile(QStringLiteral("100_0001.zip"), "zip");
    CUbHttpFileUp up;
    QByteArray reply;
    ASSERT_TRUE(up.SendFile(QString(), path,
                            QStringLiteral("HTTP://")
                                + Url(QStringLiteral("/up/CommonProductUploadAction.uvm")),
                            reply));
    std::lock_guard guard(lock);
    EXPECT_EQ(fileName, "100_0001.zip");
    EXPECT_EQ(content, "zip");
}

TEST_F(FileUpTest, StoppedBySentFails)
{
    const QString path = MakeFile(QStringLiteral("p"), QByteArray(20000, 'x'));
    RecordingUp up;
    up.stopAfter = 2;
    QByteArray reply;
    EXPECT_FALSE(up.SendFile(QStringLiteral("n"), path,
                             Url(QStringLiteral("/up/CommonProductUploadAction.uvm")), reply));
    EXPECT_EQ(up.sent.size(), 2);
    EXPECT_EQ(up.ended, -1);
}

TEST_F(FileUpTest, RefusesWhatItCannotSend)
{
    const QString path = MakeFile(QStringLiteral("p"), "abc");
    const QString action = QStringLiteral("/up/CommonProductUploadAction.uvm");
    struct Row
    {
        const char *name;
        QString remote;
        QString local;
        QString url;
    } rows[] = {
        {"MissingFile", QStringLiteral("n"), folder.filePath(QStringLiteral("none")), Url(action)},
        {"NoSlash", QStringLiteral("n"), path, QStringLiteral("127.0.0.1:%1").arg(http.Port())},
        {"HttpsUnsupported", QStringLiteral("n"), path,
         QStringLiteral("https://127.0.0.1:%1%2").arg(http.Port()).arg(action)},
        {"PortZero", QStringLiteral("n"), path, QStringLiteral("127.0.0.1:0") + action},
        {"QuoteInName", QStringLiteral("a\"b"), path, Url(action)},
        {"ServerError", QStringLiteral("n"), path, Url(QStringLiteral("/fail"))},
    };
    for (const Row &row : rows) {
        CUbHttpFileUp up;
        QByteArray reply = "stale";
        EXPECT_FALSE(up.SendFile(row.remote, row.local, row.url, reply)) << row.name;
        EXPECT_TRUE(reply.isEmpty()) << row.name;
    }
}

TEST_F(FileUpTest, AnswerIsCutAtItsLimit)
{
    answer = std::string(30000, 'a');
    const QString path = MakeFile(QStringLiteral("p"), "abc");
    CUbHttpFileUp up;
    QByteArray reply;
    ASSERT_TRUE(up.SendFile(QStringLiteral("n"), path,
                            Url(QStringLiteral("/up/CommonProductUploadAction.uvm")), reply));
    EXPECT_EQ(reply.size(), CUbHttpFileUp::kMaxAnswerBytes);
}

} // namespace
