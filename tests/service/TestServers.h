#pragma once

// Servers the service tests start on 127.0.0.1 beyond the common loopback ones: one that keeps
// each request byte for byte.

#include "LocalServiceServer.h"
#include "LoopbackServer.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <httplib.h>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

// A server that keeps each request byte for byte (the multipart parser of the library would
// take the body apart) and answers with a fixed status and body.
class RawCaptureServer
{
public:
    ~RawCaptureServer() { Stop(); }

    bool Start()
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        if (m_listen < 0)
            return false;
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (::bind(m_listen, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0
            || ::listen(m_listen, 4) != 0
            || ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return false;
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
        return true;
    }
    void Stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_listen >= 0)
            ::close(m_listen);
        m_listen = -1;
    }
    void Answer(const QByteArray &body, int status = 200)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_answer = body;
        m_status = status;
    }
    // Holds each answer back this long after the request has arrived.
    void DelayAnswer(int milliseconds) { m_delayMs = milliseconds; }
    // Head (request line and headers, up to the blank line) and body of the last request.
    QByteArray Head()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_head;
    }
    QByteArray Body()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_body;
    }
    QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

private:
    bool WaitReadable(int fd)
    {
        pollfd p {fd, POLLIN, 0};
        while (!m_stop) {
            const int r = ::poll(&p, 1, 20);
            if (r > 0)
                return true;
            if (r < 0)
                return false;
        }
        return false;
    }

    void Serve()
    {
        while (WaitReadable(m_listen)) {
            const int fd = ::accept(m_listen, nullptr, nullptr);
            if (fd < 0)
                continue;
            Handle(fd);
            ::close(fd);
        }
    }

    void Handle(int fd)
    {
        QByteArray data;
        qsizetype headEnd = -1;
        qint64 contentLength = 0;
        char buffer[65536];
        while (WaitReadable(fd)) {
            const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
            if (n <= 0)
                return;
            data.append(buffer, n);
            if (headEnd < 0) {
                headEnd = data.indexOf("\r\n\r\n");
                if (headEnd >= 0) {
                    const QByteArray head = data.left(headEnd).toLower();
                    const qsizetype at = head.indexOf("\r\ncontent-length:");
                    if (at >= 0)
                        contentLength = head.mid(at + 17, head.indexOf('\r', at + 2) - at - 17)
                                            .trimmed()
                                            .toLongLong();
                }
            }
            if (headEnd >= 0 && data.size() - headEnd - 4 >= contentLength)
                break;
        }
        if (headEnd < 0)
            return;
        QByteArray answer;
        int status = 200;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_head = data.left(headEnd);
            m_body = data.mid(headEnd + 4);
            answer = m_answer;
            status = m_status;
        }
        for (int waited = 0; waited < m_delayMs && !m_stop; waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const QByteArray reply = "HTTP/1.1 " + QByteArray::number(status)
            + " X\r\nContent-Type: text/xml\r\nConnection: close\r\nContent-Length: "
            + QByteArray::number(answer.size()) + "\r\n\r\n" + answer;
        ::send(fd, reply.constData(), static_cast<size_t>(reply.size()), MSG_NOSIGNAL);
    }

    int m_listen = -1;
    int m_port = -1;
    std::atomic<bool> m_stop {false};
    std::atomic<int> m_delayMs {0};
    std::thread m_thread;
    std::mutex m_mutex;
    QByteArray m_answer;
    int m_status = 200;
    QByteArray m_head;
    QByteArray m_body;
};
