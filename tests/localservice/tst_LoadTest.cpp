// Sixteen clients listing, downloading and uploading against one service for 30 seconds; prints
// requests per second, median and 99th-percentile latency and failures. Run by hand:
//   build/tests/localservice/localservice_tst_LoadTest --gtest_also_run_disabled_tests
// VM_LOAD_SECONDS and VM_LOAD_CLIENTS change the duration and the number of clients.
#include "helper_ServiceFixture.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

int EnvInt(const char *name, int fallback)
{
    const char *value = std::getenv(name);
    return value && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

class LoadTest : public ServiceFixture
{
};

TEST_F(LoadTest, DISABLED_SixteenClientsListDownloadAndUpload)
{
    const int clients = EnvInt("VM_LOAD_CLIENTS", 16);
    const auto duration = std::chrono::seconds(EnvInt("VM_LOAD_SECONDS", 30));
    const std::string key = kDemoKey;
    const std::string boundary = "---------------------------7d16d3Ubrik";

    // One item and one package per client, uploaded once so downloads have something to fetch.
    std::vector<QString> items;
    std::vector<std::string> bodies;
    for (int i = 0; i < clients; ++i) {
        const QString itemId = NewItem();
        ASSERT_FALSE(itemId.isEmpty());
        const QByteArray package = MakePackage(itemId, QStringLiteral("부하 %1").arg(i));
        ASSERT_FALSE(package.isEmpty());
        ASSERT_EQ(AnswerText(Upload(DemoFileName(), package).body, QStringLiteral("Result")),
                  QStringLiteral("Success"));
        items.push_back(itemId);
        bodies.push_back("--" + boundary
                         + "\r\nContent-Disposition: form-data; name=\"SCRIPT_DOC_NM\"; "
                           "filename=\""
                         + DemoFileName().toStdString() + "\"\r\nContent-Type: image/jpeg\r\n\r\n"
                         + package.toStdString() + "\r\n--" + boundary + "--\r\n");
    }

    std::mutex lock;
    std::vector<double> latencies; // milliseconds
    std::atomic<int> failures {0};
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + duration;
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            std::vector<double> own;
            const std::string item = items[c].toStdString();
            const std::string list = "/CommonGetItemListAction.uvm?pnsCd=P0001&itemNm=&curPageNo=1"
                                     "&pageSize=15&key="
                + key;
            const std::string down
                = "/CommonGetZipDownAction.uvm?itemId=" + item + "&userId=demo&key=" + key;
            for (int n = 0; std::chrono::steady_clock::now() < end; ++n) {
                httplib::Client client("127.0.0.1", port);
                client.set_read_timeout(30);
                const auto t0 = std::chrono::steady_clock::now();
                bool ok = false;
                if (n % 3 == 0) {
                    const auto r = client.Get(list);
                    ok = r && r->status == 200 && r->body.find("<item>") != std::string::npos;
                } else if (n % 3 == 1) {
                    const auto r = client.Get(down);
                    ok = r && r->status == 200 && r->body.size() > 1000;
                } else {
                    const auto r = client.Post("/CommonProductUploadAction.uvm", bodies[c],
                                               "multipart/form-data; boundary=" + boundary);
                    ok = r && r->status == 200
                        && r->body.find("<Result>Success</Result>") != std::string::npos;
                }
                own.push_back(
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                        .count());
                if (!ok)
                    ++failures;
            }
            std::lock_guard guard(lock);
            latencies.insert(latencies.end(), own.begin(), own.end());
        });
    }
    for (std::thread &t : threads)
        t.join();
    const double seconds
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_FALSE(latencies.empty());
    std::sort(latencies.begin(), latencies.end());
    auto percentile = [&latencies](double p) {
        return latencies[std::min(latencies.size() - 1,
                                  static_cast<size_t>(p * static_cast<double>(latencies.size())))];
    };
    std::printf("load: %d clients, %.1f s: %zu requests, %.0f requests/s, p50 %.1f ms, "
                "p99 %.1f ms, %d failures\n",
                clients, seconds, latencies.size(), static_cast<double>(latencies.size()) / seconds,
                percentile(0.50), percentile(0.99), failures.load());
    EXPECT_EQ(failures.load(), 0);
}

} // namespace
