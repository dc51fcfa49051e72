#pragma once

#include <QString>

#include <httplib.h>
#include <thread>

// A real HTTP server on 127.0.0.1 and a free port, serving from its own thread for the life of
// the object. Register handlers on `server` before calling Start.
class TestHttpServer
{
public:
    TestHttpServer() = default;
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer &) = delete;
    TestHttpServer &operator=(const TestHttpServer &) = delete;

    bool Start();
    int Port() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by path.
    QString Url(const QString &path) const;

    httplib::Server server;

private:
    std::thread m_thread;
    int m_port = -1;
};
