#include "DnThread.h"
#include "ImageFiles.h"
#include "PackageFlows.h"
#include "Product.h"
#include "ServiceKey.h"
#include "ServiceUrls.h"
#include "TestServers.h"
#include "UbHttpFileUp.h"
#include "UpThread.h"
#include "WorkingFolders.h"
#include "XmlDocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

namespace {

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray Pattern(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

// The notifications a worker posted, as (code, param) pairs, in order.
std::vector<std::pair<int, int>> Notifications(const QSignalSpy &spy)
{
    std::vector<std::pair<int, int>> out;
    for (const QList<QVariant> &args : spy)
        out.emplace_back(args.at(0).toInt(), args.at(1).toInt());
    return out;
}

class Downloads : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        auto &s = server.server;
        s.Get("/nine", [](const httplib::Request &, httplib::Response &res) {
            res.set_content("123456789", "application/zip");
        });
        s.Get("/ten", [](const httplib::Request &, httplib::Response &res) {
            res.set_content("0123456789", "application/zip");
        });
        s.Get("/nolength", [](const httplib::Request &, httplib::Response &res) {
            res.set_chunked_content_provider("application/zip",
                                             [](size_t, httplib::DataSink &sink) {
                                                 sink.write("0123456789abcdefghij", 20);
                                                 sink.done();
                                                 return true;
                                             });
        });
        s.Get("/missing", [](const httplib::Request &, httplib::Response &res) {
            res.status = 404;
            res.set_content("0123456789 not here", "text/plain");
        });
        // A megabyte announced, then a kilobyte every 20 ms.
        s.Get("/slow", [this](const httplib::Request &, httplib::Response &res) {
            res.set_content_provider(1024 * 1024, "application/zip",
                                     [this](size_t offset, size_t length, httplib::DataSink &sink) {
                                         if (stopping)
                                             return false;
                                         std::this_thread::sleep_for(std::chrono::milliseconds(20));
                                         const std::string chunk(std::min<size_t>(1024, length),
                                                                 'x');
                                         (void)offset;
                                         return sink.write(chunk.data(), chunk.size());
                                     });
        });
        ASSERT_TRUE(server.Start());
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
};

TEST_F(Downloads, ContentLengthDecides)
{
    const struct
    {
        const char *path;
        bool ok;
        QByteArray file; // what the local file holds afterwards
    } rows[] = {
        {"/nine", false, QByteArray()},
        {"/ten", true, QByteArray("0123456789")},
        {"/nolength", false, QByteArray()},
        {"/missing", false, QByteArray()},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path);
        const QString local = dir.filePath(QStringLiteral("item.dat"));
        WriteFile(local, "old contents");
        CDnThread worker;
        QSignalSpy spy(&worker, &CDnThread::Progress);
        ASSERT_TRUE(worker.StartDownload(Url(row.path), local));
        worker.Wait();
        QCoreApplication::processEvents();
        const auto got = Notifications(spy);
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.back(), std::make_pair(2, row.ok ? 1 : 0));
        EXPECT_TRUE(QFile::exists(local));
        EXPECT_EQ(ReadFile(local), row.file);
        if (row.ok) {
            EXPECT_EQ(got.front(), std::make_pair(0, 0));
            EXPECT_EQ(worker.Total(), 10);
            EXPECT_EQ(worker.Received(), 10);
        }
    }
}

TEST_F(Downloads, CancelStopsQuicklyAndPostsNoEnd)
{
    const QString local = dir.filePath(QStringLiteral("item.dat"));
    CDnThread worker;
    QSignalSpy spy(&worker, &CDnThread::Progress);
    ASSERT_TRUE(worker.StartDownload(Url("/slow"), local));
    QTRY_VERIFY_WITH_TIMEOUT(worker.Received() >= 2048, 10000);
    QElapsedTimer timer;
    timer.start();
    worker.Cancel();
    worker.Wait();
    EXPECT_LT(timer.elapsed(), 2000);
    const qint32 received = worker.Received();
    QCoreApplication::processEvents();
    for (const auto &[code, param] : Notifications(spy))
        EXPECT_NE(code, 2);
    EXPECT_LT(received, 1024 * 1024);
    EXPECT_EQ(ReadFile(local).size(), received);
}

TEST_F(Downloads, LocalFileThatCannotBeCreatedDoesNotStart)
{
    CDnThread worker;
    EXPECT_FALSE(
        worker.StartDownload(Url("/ten"), dir.filePath(QStringLiteral("no/such/item.dat"))));
    EXPECT_FALSE(worker.IsRunning());
}

// An upload client that remembers every piece it reported.
class RecordingUp : public CUbHttpFileUp
{
public:
    std::vector<qint32> sent;
    qint32 begun = -1;
    qint32 ended = -1;

protected:
    void OnBegin(qint32 total) override { begun = total; }
    bool OnSent(qint32 count, qint32) override
    {
        sent.push_back(count);
        return true;
    }
    void OnEnd(qint32 total) override { ended = total; }
};

class Uploads : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        server.Answer("<r><Result>Success</Result><VmiPath>/p/1.zip</VmiPath>"
                      "<VmiUrl>http://x/1</VmiUrl><key1>a</key1><key2>b</key2>"
                      "<key3>c</key3></r>");
        ASSERT_TRUE(server.Start());
        file = dir.filePath(QStringLiteral("package.zip"));
        ASSERT_TRUE(WriteFile(file, Pattern(10000)));
    }

    QString Url() const { return server.Host() + QStringLiteral("/CommonProductUploadAction.uvm"); }

    QTemporaryDir dir;
    RawCaptureServer server;
    QString file;
};

TEST_F(Uploads, BodyIsByteExactAndSentInFourKilobytePieces)
{
    RecordingUp up;
    QByteArray reply;
    ASSERT_TRUE(up.SendFile(QStringLiteral("kim_P1_key"), file, Url(), reply));
    EXPECT_EQ(up.sent, (std::vector<qint32> {4096, 8192, 10000}));
    EXPECT_EQ(up.begun, 10000);
    EXPECT_EQ(up.ended, 10000);
    EXPECT_TRUE(reply.startsWith("<r><Result>Success"));

    const QByteArray expected = "-----------------------------7d16d3Ubrik\r\n"
                                "Content-Disposition: form-data; name=\"SCRIPT_DOC_NM\"; "
                                "filename=\"kim_P1_key\"\r\nContent-Type: image/jpeg\r\n\r\n"
        + Pattern(10000) + "\r\n-----------------------------7d16d3Ubrik--\r\n";
    EXPECT_EQ(CUbHttpFileUp::Trailer().size(), 46);
    EXPECT_EQ(server.Body(), expected);
    const QByteArray head = server.Head();
    EXPECT_TRUE(head.startsWith("POST /CommonProductUploadAction.uvm HTTP/1.1\r\n"))
        << head.constData();
    for (const char *line :
         {"\r\nContent-Type: multipart/form-data; boundary=---------------------------7d16d3Ubrik",
          "\r\nAccept-Language: ko", "\r\nUser-Agent: HttpFileUp"})
        EXPECT_TRUE(head.contains(line)) << line;
    EXPECT_TRUE(head.contains("\r\nContent-Length: " + QByteArray::number(expected.size())));

    // A refusing status is a failure even with an answer.
    server.Answer("<r><Result>Success</Result></r>", 500);
    EXPECT_FALSE(up.SendFile(QStringLiteral("kim_P1_key"), file, Url(), reply));
}

TEST_F(Uploads, EmptyRemoteNameTakesTheLocalFileName)
{
    RecordingUp up;
    QByteArray reply;
    ASSERT_TRUE(up.SendFile(QString(), file, QStringLiteral("http://") + Url(), reply));
    EXPECT_TRUE(server.Body().contains("filename=\"package.zip\"\r\n"));
}

TEST_F(Uploads, WorkerNotifiesBeginThreePiecesAndEnd)
{
    CUpThread worker;
    QSignalSpy spy(&worker, &CUpThread::Progress);
    ASSERT_TRUE(worker.StartUpload(file, Url(), QStringLiteral("kim_P1_key")));
    worker.Wait();
    QCoreApplication::processEvents();
    const std::vector<std::pair<int, int>> expected = {{0, 10000}, {1, 0}, {1, 0}, {1, 0}, {2, 1}};
    EXPECT_EQ(Notifications(spy), expected);
    EXPECT_EQ(worker.Total(), 10000);
    EXPECT_EQ(worker.Sent(), 10000);
    EXPECT_EQ(worker.Result().success, 1);
    EXPECT_EQ(worker.Result().vmiPath, QStringLiteral("/p/1.zip"));
    EXPECT_EQ(worker.Result().key3, QStringLiteral("c"));
}

TEST_F(Uploads, RefusedInputsFailBeforeSending)
{
    const struct
    {
        const char *name;
        QString remote;
        QString local;
        QString url;
    } rows[] = {
        {"missing file", QStringLiteral("n"), dir.filePath(QStringLiteral("none.zip")), Url()},
        {"folder", QStringLiteral("n"), dir.path(), Url()},
        {"no path", QStringLiteral("n"), file, server.Host()},
        {"port zero", QStringLiteral("n"), file, QStringLiteral("127.0.0.1:0/x")},
        {"other scheme", QStringLiteral("n"), file, QStringLiteral("https://") + Url()},
        {"quote in name", QStringLiteral("a\"b"), file, Url()},
        {"line break in name", QStringLiteral("a\r\nX: y"), file, Url()},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        RecordingUp up;
        QByteArray reply = "stale";
        EXPECT_FALSE(up.SendFile(row.remote, row.local, row.url, reply));
        EXPECT_TRUE(reply.isEmpty());
        EXPECT_TRUE(up.sent.empty());
    }
}

TEST(UploadUrl, SplitsHostPortAndPath)
{
    QString host;
    QString path;
    int port = 0;
    ASSERT_TRUE(CUbHttpFileUp::SplitUrl(
        QStringLiteral("svc.example:8080/CommonProductUploadAction.uvm"), host, port, path));
    EXPECT_EQ(host, QStringLiteral("svc.example"));
    EXPECT_EQ(port, 8080);
    EXPECT_EQ(path, QStringLiteral("/CommonProductUploadAction.uvm"));
    ASSERT_TRUE(
        CUbHttpFileUp::SplitUrl(QStringLiteral("HTTP://svc.example/a/b"), host, port, path));
    EXPECT_EQ(port, 80);
    EXPECT_EQ(path, QStringLiteral("/a/b"));
}

TEST(UploadAnswer, ReadsTheResultAndItsFiveValues)
{
    const struct
    {
        const char *name;
        QByteArray answer;
        bool ok;
        QString error;
    } rows[] = {
        {"success",
         "<r><Result>success</Result><VmiPath>p</VmiPath><VmiUrl>u</VmiUrl>"
         "<key1>1</key1><key2>2</key2><key3>3</key3></r>",
         true, QString()},
        {"refused", "<r><Result>Fail</Result></r>", false,
         QString::fromUtf8("서버에서 업로드 오류 응답을 받았습니다 : (Fail)")},
        {"no key3",
         "<r><Result>Success</Result><VmiPath>p</VmiPath><VmiUrl>u</VmiUrl>"
         "<key1>1</key1><key2>2</key2></r>",
         false, QString()},
        {"empty result", "<r><Result/><VmiPath>p</VmiPath></r>", false, QString()},
        {"no result", "<r><VmiPath>p</VmiPath></r>", false, QString()},
        {"not xml", "Success", false, QString()},
        {"empty", "", false, QString()},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        CUploadResult result;
        QString error;
        EXPECT_EQ(CUpThread::ReadAnswer(row.answer, result, error), row.ok);
        EXPECT_EQ(error, row.error);
        EXPECT_EQ(result.success, row.ok ? 1 : 0);
        if (row.ok) {
            EXPECT_EQ(result.vmiPath, QStringLiteral("p"));
            EXPECT_EQ(result.key3, QStringLiteral("3"));
        }
    }
}

// A package as the editor saves one (the service reads its description and photograph).
QString MakePackage(const QTemporaryDir &dir, const QString &itemId)
{
    const QString tempFolder = dir.filePath(QStringLiteral("__temp__"));
    const QString source = dir.filePath(QStringLiteral("photo.jpg"));
    QImage picture(160, 120, QImage::Format_RGB32);
    picture.fill(qRgb(90, 140, 200));
    if (!QDir().mkpath(tempFolder) || !SaveImageFile(90, picture, source, QStringLiteral("jpg")))
        return QString();
    CProduct product;
    product.header.itemId = itemId;
    product.header.title = QStringLiteral("왕복 시험");
    std::unique_ptr<CImgFile> photo = CWorkingFolders::MakePhotoFromFile(source, tempFolder);
    if (!photo)
        return QString();
    product.AppendPhoto(photo.release());
    CPackageFlows::SaveRequest request;
    request.tempFolder = tempFolder;
    request.userId = QStringLiteral("demo");
    request.pnsCd = QStringLiteral("P0001");
    request.serviceKey = MakeServiceKey(request.userId, QStringLiteral("demo1234"));
    QString archive;
    if (CPackageFlows::SavePackage(product, request, &archive) != CPackageFlows::SaveResult::Saved)
        return QString();
    return archive;
}

TEST(TransferRoundTrip, UploadToTheLocalServiceAndDownloadTheSameBytes)
{
    LocalServiceServer local;
    ASSERT_TRUE(local.Start());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString userId = QStringLiteral("demo");
    const QString pnsCd = QStringLiteral("P0001");
    const QString key = MakeServiceKey(userId, QStringLiteral("demo1234"));

    // A new item id straight from the product key action.
    CUbHttpDown http(QStringLiteral("VmEditor"));
    ASSERT_TRUE(http.OpenUrl(ServiceUrls::ProductKey(local.Host(), userId, pnsCd, key), true));
    const CUbHttpBuffer keyAnswer = http.ReadAll(10240, 10240, false, 1024);
    CXmlDocument document;
    ASSERT_TRUE(document.LoadBytes(keyAnswer.toByteArray()));
    const QString itemId = document.GetRoot()->GetChild(QStringLiteral("ItemId"))->GetString();
    ASSERT_FALSE(itemId.isEmpty());

    const QString package = MakePackage(dir, itemId);
    ASSERT_FALSE(package.isEmpty());
    CUpThread up;
    ASSERT_TRUE(up.StartUpload(package, ServiceUrls::Upload(local.Host()),
                               FromCodePage949(ServiceUrls::UploadFileName(userId, pnsCd, key))));
    up.Wait();
    ASSERT_EQ(up.Result().success, 1) << up.ErrorText().toStdString();
    EXPECT_FALSE(up.Result().vmiUrl.isEmpty());

    const QString back = dir.filePath(QStringLiteral("item.dat"));
    CDnThread down;
    QSignalSpy spy(&down, &CDnThread::Progress);
    ASSERT_TRUE(down.StartDownload(ServiceUrls::Download(local.Host(), itemId, userId, key), back));
    down.Wait();
    QCoreApplication::processEvents();
    ASSERT_FALSE(spy.isEmpty());
    EXPECT_EQ(spy.last().at(1).toInt(), 1);
    EXPECT_EQ(ReadFile(back), ReadFile(package));

    // Someone without the key gets nothing.
    CDnThread refused;
    ASSERT_TRUE(
        refused.StartDownload(ServiceUrls::Download(local.Host(), itemId, userId,
                                                    MakeServiceKey(userId, QStringLiteral("x"))),
                              dir.filePath(QStringLiteral("refused.dat"))));
    refused.Wait();
    EXPECT_NE(ReadFile(dir.filePath(QStringLiteral("refused.dat"))), ReadFile(package));
}

} // namespace
