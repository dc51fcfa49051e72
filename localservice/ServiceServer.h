#pragma once

#include <atomic>
#include <chrono>
#include <httplib.h>

// The HTTP server the service runs on: the server library's request handling, over a connection
// whose reads are bounded so that anonymous clients cannot hold the workers. A request's line and
// headers must arrive whole within a few seconds and stay within a line count and a byte size;
// a body must keep arriving (a few seconds without a byte ends it); and a fixed pool of workers
// serves connections, with connections beyond a bounded backlog closed at once.
class CServiceServer : public httplib::Server
{
public:
    struct Limits
    {
        std::chrono::milliseconds headerTime {5000}; // request line and headers, whole
        std::chrono::milliseconds idleTime {5000}; // a body read, or a write, without progress
        std::chrono::milliseconds keepAliveTime {1000}; // waiting for a connection's next request
        int headerLines = 100; // the request line included
        int headerBytes = 48 * 1024; // the request line included
        int requestsPerConnection = 16;
        int workers = 48;
        int backlog = 256; // accepted connections waiting for a worker
    };

    CServiceServer();
    explicit CServiceServer(const Limits &limits);

    const Limits &limits() const { return m_limits; }

private:
    bool process_and_close_socket(socket_t sock) override;

    Limits m_limits;
};
