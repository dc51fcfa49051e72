// The client checks a TLS server's certificate and name; the editor sends its service key in
// queries, so an unverified connection would hand it to anyone on the path.
#include "UbHttpDown.h"

#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <gtest/gtest.h>
#include <httplib.h>
#include <memory>
#include <thread>

namespace {

// A self-signed certificate for the given subject alternative name.
bool MakeCertificate(const QString &folder, const QString &altName)
{
    QProcess openssl;
    openssl.setWorkingDirectory(folder);
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("rsa:2048"), QStringLiteral("-nodes"), QStringLiteral("-keyout"),
                   QStringLiteral("key.pem"), QStringLiteral("-out"), QStringLiteral("cert.pem"),
                   QStringLiteral("-days"), QStringLiteral("1"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=VmEditor test"), QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=") + altName});
    return openssl.waitForFinished(60000) && openssl.exitCode() == 0;
}

class TlsServer
{
public:
    bool Start(const QString &folder)
    {
        const QByteArray cert = (folder + QStringLiteral("/cert.pem")).toLocal8Bit();
        const QByteArray key = (folder + QStringLiteral("/key.pem")).toLocal8Bit();
        server = std::make_unique<httplib::SSLServer>(cert.constData(), key.constData());
        if (!server->is_valid())
            return false;
        server->Get("/ten", [](const httplib::Request &, httplib::Response &res) {
            res.set_content("0123456789", "text/plain");
        });
        port = server->bind_to_any_port("127.0.0.1");
        if (port <= 0)
            return false;
        thread = std::thread([this] { server->listen_after_bind(); });
        for (int i = 0; i < 200 && !server->is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return server->is_running();
    }
    ~TlsServer()
    {
        if (server)
            server->stop();
        if (thread.joinable())
            thread.join();
    }
    QString Url() const { return QStringLiteral("https://127.0.0.1:%1/ten").arg(port); }

    std::unique_ptr<httplib::SSLServer> server;
    std::thread thread;
    int port = -1;
};

struct TlsRow
{
    const char *name;
    const char *altName;
    bool trustIt;
    bool opens;
};

class TlsTest : public ::testing::TestWithParam<TlsRow>
{
};

TEST_P(TlsTest, VerifiesCertificateAndName)
{
    const TlsRow &row = GetParam();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    if (!MakeCertificate(folder.path(), QString::fromLatin1(row.altName)))
        GTEST_SKIP() << "openssl cannot make a test certificate";
    TlsServer tls;
    ASSERT_TRUE(tls.Start(folder.path()));

    CUbHttpDown down(QStringLiteral("VmEditor"));
    if (row.trustIt)
        down.SetTrustedCertificates(folder.filePath(QStringLiteral("cert.pem")));
    ASSERT_EQ(down.OpenUrl(tls.Url(), true), row.opens);
    EXPECT_TRUE(down.IsSecure());
    if (row.opens) {
        const CUbHttpBuffer body = down.ReadAll(10240, 10240, false, 1024);
        ASSERT_TRUE(body);
        EXPECT_EQ(body.toByteArray(), "0123456789");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, TlsTest,
    ::testing::Values(TlsRow {"TrustedAndNamed", "IP:127.0.0.1", true, true},
                      TlsRow {"UnknownAuthority", "IP:127.0.0.1", false, false},
                      TlsRow {"NameMismatch", "DNS:shop.example", true, false}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
