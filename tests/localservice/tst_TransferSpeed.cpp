// Throughput of a package download through the editor's client, against a plain libcurl
// download of the same bytes. Run by hand (it moves 128 MiB):
//   build/tests/localservice/localservice_tst_TransferSpeed --gtest_also_run_disabled_tests
#include "UbHttpDown.h"
#include "helper_ServiceFixture.h"

#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <curl/curl.h>

namespace {

class CountingDown : public CUbHttpDown
{
public:
    CountingDown()
        : CUbHttpDown(QStringLiteral("VmEditor"))
    { }
    qint64 bytes = 0;

protected:
    bool OnData(qint32, qint32, const char *, qint32 size) override
    {
        bytes += size;
        return true;
    }
};

size_t Discard(char *, size_t size, size_t count, void *user)
{
    *static_cast<qint64 *>(user) += static_cast<qint64>(size * count);
    return size * count;
}

class TransferSpeed : public ServiceFixture
{
};

TEST_F(TransferSpeed, DISABLED_DownloadThroughput)
{
    const QString itemId = NewItem();
    const qint64 size = 128LL * 1024 * 1024;
    // Stored directly: the point is the download, and zip would take longer than the transfer.
    QByteArray package = MakePackage(itemId);
    package.append(QByteArray(size - package.size(), 'z'));
    {
        QFile file(service->PackagePath(itemId));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(package), package.size());
    }
    ASSERT_TRUE(service->Database().StoreUpload(itemId, size, CServiceItemSummary()));
    const QString url = Host()
        + QStringLiteral("/CommonGetZipDownAction.uvm?itemId=%1&userId=demo&key=%2")
              .arg(itemId, QLatin1String(kDemoKey));

    double best = 1e9, reference = 1e9;
    for (int run = 0; run < 3; ++run) {
        CountingDown down;
        QElapsedTimer timer;
        timer.start();
        ASSERT_TRUE(down.OpenUrl(url, true));
        ASSERT_TRUE(down.ReadChunks(1024));
        best = std::min(best, timer.nsecsElapsed() / 1e6);
        ASSERT_EQ(down.bytes, size);

        CURL *curl = curl_easy_init();
        qint64 bytes = 0;
        const QByteArray plain = ("http://" + url).toUtf8();
        curl_easy_setopt(curl, CURLOPT_URL, plain.constData());
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Discard);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &bytes);
        timer.restart();
        ASSERT_EQ(curl_easy_perform(curl), CURLE_OK);
        reference = std::min(reference, timer.nsecsElapsed() / 1e6);
        curl_easy_cleanup(curl);
        ASSERT_EQ(bytes, size);
    }
    std::printf(
        "download 128 MiB: client %.0f ms (%.0f MiB/s), plain libcurl %.0f ms, ratio %.2f\n", best,
        128 / (best / 1000), reference, best / reference);
}

} // namespace
