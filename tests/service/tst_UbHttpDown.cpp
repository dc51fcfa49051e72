#include "LoopbackServer.h"
#include "UbHttpDown.h"

#include <QElapsedTimer>

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

struct SplitRow
{
    const char *name;
    QString url;
    bool ok;
    bool secure;
    QString host;
    int port;
    QString target;
};

class UrlSplitTest : public ::testing::TestWithParam<SplitRow>
{
};

TEST_P(UrlSplitTest, SplitsLikeTheClient)
{
    const SplitRow &row = GetParam();
    CUbHttpUrl parts;
    ASSERT_EQ(CUbHttpDown::SplitUrl(row.url, parts), row.ok);
    if (!row.ok)
        return;
    EXPECT_EQ(parts.secure, row.secure);
    EXPECT_EQ(parts.host, row.host);
    EXPECT_EQ(parts.port, row.port);
    EXPECT_EQ(parts.target, row.target);
}

const QString kLongHost = QString(1024, u'h');

INSTANTIATE_TEST_SUITE_P(
    Table, UrlSplitTest,
    ::testing::Values(
        SplitRow {"SchemeInCapitals", "HTTPS://Shop.example/a", true, true, "Shop.example", 443,
                  "/a"},
        SplitRow {"MixedCaseHttp", "hTtP://shop.example/x", true, false, "shop.example", 80, "/x"},
        SplitRow {"ExplicitPort", "http://h.example:8080/list.uvm?x=1", true, false, "h.example",
                  8080, "/list.uvm?x=1"},
        SplitRow {"HttpsExplicitPort", "https://h.example:8443/", true, true, "h.example", 8443,
                  "/"},
        SplitRow {"NoPath", "http://shop.example", true, false, "shop.example", 80, "/"},
        SplitRow {"NoSchemeHostAndPort", "127.0.0.1:18250/CommonLoginAction.uvm?userId=a", true,
                  false, "127.0.0.1", 18250, "/CommonLoginAction.uvm?userId=a"},
        SplitRow {"ShortUrlNoScheme", "h.kr/ab", true, false, "h.kr", 80, "/ab"},
        // Below 9 characters no scheme is looked for, so "http:" is host and port.
        SplitRow {"ShortUrlWithSchemeIsNotAScheme", "http://a", false, false, "", 0, ""},
        SplitRow {"PortWithTrailingText", "http://h:81abc/", true, false, "h", 81, "/"},
        SplitRow {"BracketedIpv6", "http://[::1]:8080/x", true, false, "[::1]", 8080, "/x"},
        SplitRow {"BracketedIpv6NoPort", "http://[::1]/x", true, false, "[::1]", 80, "/x"},
        SplitRow {"PortZeroRefused", "http://h.example:0/", false, false, "", 0, ""},
        SplitRow {"PortTooLargeRefused", "http://h.example:65536/", false, false, "", 0, ""},
        SplitRow {"EmptyHostRefused", "http://:80/x", false, false, "", 0, ""},
        SplitRow {"UserInfoRefused", "http://user@h.example/", false, false, "", 0, ""},
        SplitRow {"HostAtCapacity", "http://" + kLongHost + "/", true, false, kLongHost, 80, "/"},
        SplitRow {"HostOverCapacity", "http://" + kLongHost + "h/", false, false, "", 0, ""},
        SplitRow {"TargetAtCapacity", "http://h/" + QString(1024, u't'), true, false, "h", 80,
                  "/" + QString(1024, u't')},
        SplitRow {"TargetOverCapacity", "http://h/" + QString(1025, u't'), false, false, "", 0,
                  ""}),
    [](const auto &info) { return std::string(info.param.name); });

// A server for the client tests, with one route per behaviour.
class HttpDownTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto &s = http.server;
        s.Get("/missing", [](const httplib::Request &, httplib::Response &res) {
            res.status = 404;
            res.set_content("<Result>Success</Result>", "text/xml");
        });
        s.Get("/error", [](const httplib::Request &, httplib::Response &res) {
            res.status = 500;
            res.set_content("<r/>", "text/xml");
        });
        s.Get("/redirect",
              [](const httplib::Request &, httplib::Response &res) { res.set_redirect("/body"); });
        s.Get("/body", [](const httplib::Request &, httplib::Response &res) {
            res.set_content(std::string(25000, 'x'), "application/octet-stream");
        });
        s.Get("/ten", [](const httplib::Request &, httplib::Response &res) {
            res.set_content("0123456789", "application/octet-stream");
        });
        s.Get("/chunked", [](const httplib::Request &, httplib::Response &res) {
            res.set_chunked_content_provider(
                "text/plain", [](size_t offset, httplib::DataSink &sink) {
                    if (offset >= 5000) {
                        sink.done();
                        return true;
                    }
                    const std::string piece(1000, static_cast<char>('a' + offset / 1000));
                    return sink.write(piece.data(), piece.size());
                });
        });
        // Endless body, one 1024-byte piece at a time, until the client goes away.
        s.Get("/endless", [](const httplib::Request &, httplib::Response &res) {
            res.set_chunked_content_provider("application/octet-stream",
                                             [](size_t, httplib::DataSink &sink) {
                                                 const std::string piece(1024, 'e');
                                                 return sink.write(piece.data(), piece.size());
                                             });
        });
        // One piece, then nothing for a long time.
        s.Get("/stall", [this](const httplib::Request &, httplib::Response &res) {
            res.set_chunked_content_provider(
                "application/octet-stream", [this](size_t offset, httplib::DataSink &sink) {
                    if (offset == 0) {
                        const std::string piece(100, 's');
                        return sink.write(piece.data(), piece.size());
                    }
                    for (int i = 0; i < 100 && !stopStall; ++i)
                        std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    return false;
                });
        });
        // One byte every 100 ms for as long as the client listens: never a stall.
        s.Get("/trickle", [this](const httplib::Request &, httplib::Response &res) {
            res.set_chunked_content_provider(
                "application/octet-stream", [this](size_t, httplib::DataSink &sink) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    return !stopStall && sink.write("t", 1);
                });
        });
        s.Post("/post", [](const httplib::Request &req, httplib::Response &res) {
            res.set_content(req.body + "|" + req.get_header_value("Content-length") + "|"
                                + req.get_header_value("Content-type") + "|"
                                + req.get_header_value("User-Agent"),
                            "text/plain");
        });
        s.Get("/echo", [](const httplib::Request &req, httplib::Response &res) {
            res.set_content(req.target + "|" + req.get_param_value("q") + "|"
                                + req.get_header_value("User-Agent") + "|"
                                + req.get_header_value("Pragma"),
                            "text/plain");
        });
        ASSERT_TRUE(http.Start());
    }

    void TearDown() override { stopStall = true; }

    std::atomic<bool> stopStall {false};
    LoopbackServer http;
};

TEST_F(HttpDownTest, NotFoundWithBodyFailsAndReadsNothing)
{
    CUbHttpDown down("VmEditor");
    EXPECT_FALSE(down.OpenUrl(http.Url("/missing"), true));
    EXPECT_EQ(down.StatusCode(), 404);
    EXPECT_EQ(down.ContentLength(), 0);
    EXPECT_FALSE(down.ReadAll(10240, 10240, false, 1024));
}

TEST_F(HttpDownTest, ServerErrorAndRedirectAreFailures)
{
    CUbHttpDown down("VmEditor");
    EXPECT_FALSE(down.OpenUrl(http.Url("/error"), true));
    EXPECT_EQ(down.StatusCode(), 500);
    EXPECT_FALSE(down.OpenUrl(http.Url("/redirect"), true));
    EXPECT_EQ(down.StatusCode(), 302);
}

TEST_F(HttpDownTest, NothingListeningFails)
{
    LoopbackServer other;
    ASSERT_TRUE(other.Start());
    const QString url = other.Url("/x");
    other.server.stop();
    CUbHttpDown down("VmEditor");
    EXPECT_FALSE(down.OpenUrl(url, true));
}

TEST_F(HttpDownTest, GrowsTwiceForA25000ByteBody)
{
    CUbHttpDown down("VmEditor");
    ASSERT_TRUE(down.OpenUrl(http.Url("/body"), true));
    EXPECT_EQ(down.ContentLength(), 25000);
    const CUbHttpBuffer body = down.ReadAll(10240, 10240, false, 1024);
    ASSERT_TRUE(body);
    EXPECT_EQ(body.size, 25000);
    EXPECT_EQ(body.capacity, 30720);
    EXPECT_EQ(body.data[25000], '\0');
    EXPECT_EQ(body.toByteArray(), QByteArray(25000, 'x'));
}

TEST_F(HttpDownTest, NoContentLengthReadsWholeBody)
{
    CUbHttpDown down("VmEditor");
    ASSERT_TRUE(down.OpenUrl(http.Url("/chunked"), true));
    EXPECT_EQ(down.ContentLength(), 0);
    const CUbHttpBuffer body = down.ReadAll(100, 100, false, 64);
    ASSERT_TRUE(body);
    EXPECT_EQ(body.size, 5000);
    EXPECT_EQ(down.ContentLength(), 5000);
    const QByteArray bytes = body.toByteArray();
    EXPECT_EQ(bytes.left(1000), QByteArray(1000, 'a'));
    EXPECT_EQ(bytes.right(1000), QByteArray(1000, 'e'));
}

TEST_F(HttpDownTest, BodyOverTheCallersBoundIsRefused)
{
    CUbHttpDown down("VmEditor");
    // Known from Content-Length before anything is read.
    ASSERT_TRUE(down.OpenUrl(http.Url("/body"), true));
    EXPECT_FALSE(down.ReadAll(1024, 1024, false, 1024, 24999));
    // Found out while reading a body without Content-Length.
    ASSERT_TRUE(down.OpenUrl(http.Url("/chunked"), true));
    EXPECT_FALSE(down.ReadAll(1024, 1024, false, 1024, 4096));
    ASSERT_TRUE(down.OpenUrl(http.Url("/endless"), true));
    EXPECT_FALSE(down.ReadChunks(1024, 100000));
}

class ProgressDown : public CUbHttpDown
{
public:
    ProgressDown()
        : CUbHttpDown("VmEditor")
    { }
    int calls = 0;
    int stopAt = -1;
    qint32 lastLength = -1;
    qint32 lastReceived = 0;

protected:
    bool OnProgress(qint32 contentLength, qint32 received) override
    {
        ++calls;
        lastLength = contentLength;
        lastReceived = received;
        return calls != stopAt;
    }
};

TEST_F(HttpDownTest, ProgressIsReportedOnlyWhenAskedAndCanStop)
{
    ProgressDown down;
    ASSERT_TRUE(down.OpenUrl(http.Url("/body"), true));
    ASSERT_TRUE(down.ReadAll(20480, 20480, false, 1024));
    EXPECT_EQ(down.calls, 0);

    ASSERT_TRUE(down.OpenUrl(http.Url("/body"), true));
    ASSERT_TRUE(down.ReadAll(20480, 20480, true, 1024));
    EXPECT_GE(down.calls, 25);
    EXPECT_EQ(down.lastLength, 25000);
    EXPECT_EQ(down.lastReceived, 25000);

    down.calls = 0;
    down.stopAt = 3;
    ASSERT_TRUE(down.OpenUrl(http.Url("/body"), true));
    EXPECT_FALSE(down.ReadAll(20480, 20480, true, 1024));
    EXPECT_EQ(down.calls, 3);
}

TEST_F(HttpDownTest, PostSendsArgumentsInOrderWithTheirLength)
{
    CUbHttpDown down("UbHttpDown");
    down.AddPostArg("message", "hello%20there");
    down.AddPostArg("link", "http%3A%2F%2Fx");
    ASSERT_TRUE(down.OpenUrl(http.Url("/post"), false));
    const CUbHttpBuffer body = down.ReadAll(20480, 20480, false, 1024);
    ASSERT_TRUE(body);
    const QByteArray sent = "message=hello%20there&link=http%3A%2F%2Fx";
    EXPECT_EQ(body.toByteArray(),
              sent + "|" + QByteArray::number(sent.size())
                  + "|application/x-www-form-urlencoded|Mozilla/4.0 (compatible; MSIE 6.0;* "
                    "Windows NT)");
}

TEST_F(HttpDownTest, PostWithoutArgumentsHasAnEmptyBody)
{
    CUbHttpDown down("VmEditor");
    ASSERT_TRUE(down.OpenUrl(http.Url("/post"), false));
    const CUbHttpBuffer body = down.ReadAll(10240, 10240, false, 1024);
    ASSERT_TRUE(body);
    EXPECT_TRUE(body.toByteArray().startsWith("|0|"));
}

TEST_F(HttpDownTest, GetCarriesAgentAndNoCache)
{
    CUbHttpDown down("VmEditor");
    ASSERT_TRUE(down.OpenUrl(http.Url("/echo?q=1"), true));
    const CUbHttpBuffer body = down.ReadAll(10240, 10240, false, 1024);
    ASSERT_TRUE(body);
    EXPECT_EQ(body.toByteArray(), "/echo?q=1|1|VmEditor|no-cache");
}

TEST_F(HttpDownTest, CharactersNotAllowedInARequestLineGoOutEncoded)
{
    CUbHttpDown down("VmEditor");
    ASSERT_TRUE(down.OpenUrl(http.Url(QString::fromUtf8("/echo?q=a b한")), true));
    const CUbHttpBuffer body = down.ReadAll(10240, 10240, false, 1024);
    ASSERT_TRUE(body);
    EXPECT_EQ(QString::fromUtf8(body.toByteArray()).section(u'|', 0, 1),
              QString::fromUtf8("/echo?q=a%20b%ED%95%9C|a b한"));
}

class ChunkDown : public CUbHttpDown
{
public:
    ChunkDown()
        : CUbHttpDown("VmEditor")
    { }
    int calls = 0;
    int cancelAt = -1;
    QByteArray received;
    qint32 lastTotal = 0;

protected:
    bool OnData(qint32, qint32 total, const char *chunk, qint32 size) override
    {
        ++calls;
        lastTotal = total;
        received.append(chunk, size);
        if (calls == cancelAt)
            SetCancel(true);
        return true;
    }
};

TEST_F(HttpDownTest, ReadChunksDeliversTheWholeBody)
{
    ChunkDown down;
    ASSERT_TRUE(down.OpenUrl(http.Url("/body"), true));
    ASSERT_TRUE(down.ReadChunks(1024));
    EXPECT_EQ(down.received, QByteArray(25000, 'x'));
    EXPECT_EQ(down.lastTotal, 25000);
    EXPECT_EQ(down.ContentLength(), 25000);
    EXPECT_GE(down.calls, 25);
}

TEST_F(HttpDownTest, CancelStopsWithinOneChunk)
{
    ChunkDown down;
    down.cancelAt = 3;
    ASSERT_TRUE(down.OpenUrl(http.Url("/endless"), true));
    EXPECT_FALSE(down.ReadChunks(1024));
    EXPECT_EQ(down.calls, 3);
    down.CloseRequest();
    EXPECT_EQ(down.ContentLength(), 0);
}

TEST_F(HttpDownTest, CancelFromAnotherThreadEndsAStalledRead)
{
    ChunkDown down;
    ASSERT_TRUE(down.OpenUrl(http.Url("/stall"), true));
    QElapsedTimer timer;
    timer.start();
    std::thread canceller([&down] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        down.SetCancel(true);
    });
    EXPECT_FALSE(down.ReadChunks(1024));
    canceller.join();
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_EQ(down.received, QByteArray(100, 's'));
}

TEST_F(HttpDownTest, DeadlineEndsATricklingAnswer)
{
    CUbHttpDown down("VmEditor");
    down.SetDeadline(800);
    QElapsedTimer timer;
    timer.start();
    const bool opened = down.OpenUrl(http.Url("/trickle"), true);
    const bool read = opened && bool(down.ReadAll(10240, 10240, false, 1024));
    EXPECT_FALSE(read);
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST_F(HttpDownTest, NewRequestReplacesAnUnreadOne)
{
    CUbHttpDown down("VmEditor");
    ASSERT_TRUE(down.OpenUrl(http.Url("/endless"), true));
    ASSERT_TRUE(down.OpenUrl(http.Url("/ten"), true));
    EXPECT_EQ(down.ContentLength(), 10);
    const CUbHttpBuffer body = down.ReadAll(10240, 10240, false, 1024);
    ASSERT_TRUE(body);
    EXPECT_EQ(body.toByteArray(), "0123456789");
}

TEST_F(HttpDownTest, ReadWithoutOpenRequestFails)
{
    CUbHttpDown down("VmEditor");
    EXPECT_FALSE(down.ReadAll(10240, 10240, false, 1024));
    EXPECT_FALSE(down.ReadChunks(1024));
    ASSERT_TRUE(down.OpenUrl(http.Url("/ten"), true));
    EXPECT_FALSE(down.ReadAll(10240, 0, false, 1024)); // a zero growth step could never end
}

TEST_F(HttpDownTest, LoopbackNeverGoesThroughAProxy)
{
    const QByteArray saved = qgetenv("http_proxy");
    qputenv("http_proxy", "http://127.0.0.1:1"); // nothing listens there
    CUbHttpDown down("VmEditor");
    const bool opened = down.OpenUrl(http.Url("/ten"), true);
    if (saved.isNull())
        qunsetenv("http_proxy");
    else
        qputenv("http_proxy", saved);
    EXPECT_TRUE(opened);
}

TEST_F(HttpDownTest, TlsToAPlainServerFails)
{
    CUbHttpDown down("VmEditor");
    EXPECT_FALSE(down.OpenUrl(QStringLiteral("https://127.0.0.1:%1/ten").arg(http.Port()), true));
}

} // namespace
