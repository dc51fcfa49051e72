#include "ServiceServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Set while a connection is handed over only to be closed: the backlog was full.
thread_local bool t_shed = false;

// A fixed set of workers with a bounded backlog. A connection that finds the backlog full is
// closed on the accepting thread at once, so a flood costs neither memory nor a worker.
class BoundedPool : public httplib::TaskQueue
{
public:
    BoundedPool(int workers, int backlog)
        : m_backlog(static_cast<size_t>(backlog))
    {
        for (int i = 0; i < workers; ++i)
            m_threads.emplace_back([this] { Work(); });
    }

    void enqueue(std::function<void()> fn) override
    {
        {
            std::lock_guard guard(m_lock);
            if (!m_stopping && m_jobs.size() < m_backlog) {
                m_jobs.push_back(std::move(fn));
                m_wake.notify_one();
                return;
            }
        }
        t_shed = true;
        fn();
        t_shed = false;
    }

    void shutdown() override
    {
        {
            std::lock_guard guard(m_lock);
            m_stopping = true;
        }
        m_wake.notify_all();
        for (std::thread &t : m_threads)
            t.join();
    }

private:
    void Work()
    {
        for (;;) {
            std::function<void()> fn;
            {
                std::unique_lock guard(m_lock);
                m_wake.wait(guard, [this] { return m_stopping || !m_jobs.empty(); });
                if (m_jobs.empty())
                    return;
                fn = std::move(m_jobs.front());
                m_jobs.pop_front();
            }
            fn();
        }
    }

    const size_t m_backlog;
    std::vector<std::thread> m_threads;
    std::deque<std::function<void()>> m_jobs;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stopping = false;
};

void Address(const sockaddr_storage &addr, std::string &ip, int &port)
{
    char host[NI_MAXHOST] = {};
    char service[NI_MAXSERV] = {};
    if (getnameinfo(reinterpret_cast<const sockaddr *>(&addr), sizeof addr, host, sizeof host,
                    service, sizeof service, NI_NUMERICHOST | NI_NUMERICSERV)
        == 0) {
        ip = host;
        port = std::atoi(service);
    }
}

// One connection as the server library reads and writes it. Reads are buffered; while a
// request's head is being read, its lines and bytes are counted and its deadline holds.
class GuardedStream : public httplib::Stream
{
public:
    GuardedStream(int sock, const CServiceServer::Limits &limits)
        : m_sock(sock)
        , m_limits(limits)
    { }

    // A new request starts: its head must now arrive within the limits.
    void BeginRequest()
    {
        m_inHead = true;
        m_headBytes = 0;
        m_headLines = 0;
        m_lineLength = 0;
        m_headDeadline = Clock::now() + m_limits.headerTime;
    }

    // Whether another request begins within the keep-alive time.
    bool WaitForRequest() { return m_begin < m_end || Wait(POLLIN, m_limits.keepAliveTime); }

    bool is_readable() const override
    {
        return m_begin < m_end || const_cast<GuardedStream *>(this)->Wait(POLLIN, ReadWait());
    }

    bool is_writable() const override
    {
        return const_cast<GuardedStream *>(this)->Wait(POLLOUT, m_limits.idleTime);
    }

    ssize_t read(char *ptr, size_t size) override
    {
        if (size == 0)
            return 0;
        if (m_begin == m_end) {
            if (!Wait(POLLIN, ReadWait()))
                return -1;
            const ssize_t n = ::recv(m_sock, m_buffer, sizeof m_buffer, 0);
            if (n <= 0)
                return n;
            m_begin = 0;
            m_end = static_cast<size_t>(n);
        }
        size_t n = std::min(size, m_end - m_begin);
        if (m_inHead) {
            // The head is handed out byte by byte by the library's line reader; stop at its end
            // so the count never includes the body.
            size_t i = 0;
            for (; i < n && m_inHead; ++i) {
                const char c = m_buffer[m_begin + i];
                ++m_headBytes;
                if (c == '\n') {
                    ++m_headLines;
                    // An empty line after the request line ends the head.
                    if (m_lineLength == 0 && m_headLines > 1)
                        m_inHead = false;
                    m_lineLength = 0;
                } else if (c != '\r') {
                    ++m_lineLength;
                }
            }
            n = i;
            if (m_headBytes > m_limits.headerBytes || m_headLines > m_limits.headerLines)
                return -1;
        }
        std::memcpy(ptr, m_buffer + m_begin, n);
        m_begin += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char *ptr, size_t size) override
    {
        if (!Wait(POLLOUT, m_limits.idleTime))
            return -1;
        return ::send(m_sock, ptr, size, MSG_NOSIGNAL);
    }

    void get_remote_ip_and_port(std::string &ip, int &port) const override
    {
        sockaddr_storage addr {};
        socklen_t length = sizeof addr;
        if (getpeername(m_sock, reinterpret_cast<sockaddr *>(&addr), &length) == 0)
            Address(addr, ip, port);
    }

    void get_local_ip_and_port(std::string &ip, int &port) const override
    {
        sockaddr_storage addr {};
        socklen_t length = sizeof addr;
        if (getsockname(m_sock, reinterpret_cast<sockaddr *>(&addr), &length) == 0)
            Address(addr, ip, port);
    }

    socket_t socket() const override { return m_sock; }

private:
    // How long the next read may wait: the rest of the head's time, or the idle time.
    std::chrono::milliseconds ReadWait() const
    {
        if (!m_inHead)
            return m_limits.idleTime;
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(m_headDeadline - Clock::now());
        return std::max(std::chrono::milliseconds(0), std::min(left, m_limits.idleTime));
    }

    bool Wait(short events, std::chrono::milliseconds timeout)
    {
        pollfd fd {m_sock, events, 0};
        for (;;) {
            const int rc = ::poll(&fd, 1, static_cast<int>(timeout.count()));
            if (rc < 0 && errno == EINTR)
                continue;
            return rc > 0;
        }
    }

    int m_sock;
    const CServiceServer::Limits &m_limits;
    char m_buffer[16 * 1024];
    size_t m_begin = 0;
    size_t m_end = 0;
    bool m_inHead = false;
    int m_headBytes = 0;
    int m_headLines = 0;
    int m_lineLength = 0; // of the head's current line, without its "\r"
    Clock::time_point m_headDeadline;
};

} // namespace

CServiceServer::CServiceServer()
    : CServiceServer(Limits())
{ }

CServiceServer::CServiceServer(const Limits &limits)
    : m_limits(limits)
{
    new_task_queue = [this] {
        return new BoundedPool(m_limits.workers, m_limits.backlog);
    };
}

bool CServiceServer::process_and_close_socket(socket_t sock)
{
    bool ok = false;
    if (!t_shed) {
        GuardedStream stream(sock, m_limits);
        for (int n = 0; n < m_limits.requestsPerConnection && svr_sock_ != INVALID_SOCKET; ++n) {
            if (n > 0 && !stream.WaitForRequest())
                break;
            stream.BeginRequest();
            bool closed = false;
            ok = process_request(stream, n + 1 == m_limits.requestsPerConnection, closed, nullptr);
            if (!ok || closed)
                break;
        }
    }
    // Closing with unread bytes (a body refused early) would reset the connection and could
    // destroy the answer before the client reads it: end our side, then discard what still
    // arrives for a moment.
    ::shutdown(sock, SHUT_WR);
    const auto until = Clock::now() + std::chrono::milliseconds(200);
    char discard[16 * 1024];
    for (int i = 0; i < 64 && Clock::now() < until; ++i) {
        pollfd fd {sock, POLLIN, 0};
        if (::poll(&fd, 1, 50) <= 0 || ::recv(sock, discard, sizeof discard, 0) <= 0)
            break;
    }
    ::close(sock);
    return ok;
}
