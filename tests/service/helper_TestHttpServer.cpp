#include "helper_TestHttpServer.h"

#include <chrono>

TestHttpServer::~TestHttpServer()
{
    server.stop();
    if (m_thread.joinable())
        m_thread.join();
}

bool TestHttpServer::Start()
{
    m_port = server.bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        return false;
    m_thread = std::thread([this] { server.listen_after_bind(); });
    for (int i = 0; i < 200 && !server.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return server.is_running();
}

QString TestHttpServer::Url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
}
