#pragma once

#include <QString>

#include <chrono>
#include <httplib.h>
#include <thread>

// A real HTTP server on 127.0.0.1 and a free port, serving from its own thread until Stop or
// destruction. Register handlers on `server` before Start.
class LoopbackServer
{
public:
    LoopbackServer() = default;
    ~LoopbackServer() { Stop(); }
    LoopbackServer(const LoopbackServer &) = delete;
    LoopbackServer &operator=(const LoopbackServer &) = delete;

    httplib::Server server;

    // Binds a free port and serves on a thread of its own; false when that failed.
    bool Start()
    {
        m_port = server.bind_to_any_port("127.0.0.1");
        if (m_port <= 0)
            return false;
        m_thread = std::thread([this] { server.listen_after_bind(); });
        for (int i = 0; i < 400 && !server.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return server.is_running();
    }
    void Stop()
    {
        server.stop();
        if (m_thread.joinable())
            m_thread.join();
    }
    int Port() const { return m_port; }
    // The editor's form of the address: "127.0.0.1:<port>".
    QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    // "http://127.0.0.1:<port>" followed by path.
    QString Url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
    }

private:
    int m_port = -1;
    std::thread m_thread;
};
