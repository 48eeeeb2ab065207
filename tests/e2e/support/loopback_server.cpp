#include "support/loopback_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <stdexcept>

namespace zr::e2e {

namespace {

const std::string kBody = "<html><body>ZiRuri home</body></html>\r\n";
const std::string kPage =
    "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
    "Content-Length: " +
    std::to_string(kBody.size()) + "\r\nConnection: close\r\n\r\n" + kBody;

struct Winsock {
    Winsock() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~Winsock() { WSACleanup(); }
};

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Another test run may hold the port for a moment, so binding is retried for a while.
SOCKET Listen(uint16_t port, int backlog) {
    static Winsock winsock;
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) throw std::runtime_error("no socket");
    const sockaddr_in address = Loopback(port);
    bool bound = false;
    for (int attempt = 0; attempt < 300 && !bound; ++attempt) {
        bound = bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        if (!bound) Sleep(100);
    }
    if (!bound || listen(listener, backlog) != 0) {
        closesocket(listener);
        throw std::runtime_error("loopback port " + std::to_string(port) + " stays taken");
    }
    return listener;
}

// A connection to the port, unless it is still not made after the wait: then none.
SOCKET ConnectWithin(uint16_t port, long waitMs) {
    const SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (client == INVALID_SOCKET) throw std::runtime_error("no socket");
    u_long nonBlocking = 1;
    ioctlsocket(client, FIONBIO, &nonBlocking);
    const sockaddr_in address = Loopback(port);
    connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    fd_set made;
    FD_ZERO(&made);
    FD_SET(client, &made);
    timeval wait{0, waitMs * 1000};
    if (select(0, nullptr, &made, nullptr, &wait) == 1) return client;
    closesocket(client);
    return INVALID_SOCKET;
}

}  // namespace

LoopbackServer::LoopbackServer(uint16_t port) : listener_(Listen(port, 8)) {
    thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    thread_.join();
    closesocket(static_cast<SOCKET>(listener_));
}

std::vector<std::string> LoopbackServer::RequestLines() const {
    std::lock_guard lock(mutex_);
    return requestLines_;
}

void LoopbackServer::Serve() {
    const auto listener = static_cast<SOCKET>(listener_);
    while (!stopping_) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(listener, &ready);
        timeval wait{0, 50000};
        if (select(0, &ready, nullptr, nullptr, &wait) <= 0) continue;
        const SOCKET client = accept(listener, nullptr, nullptr);
        if (client == INVALID_SOCKET) continue;
        ++connections_;
        // A reachability check connects and hangs up; a browser sends a request.
        DWORD timeout = 2000;
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                   sizeof timeout);
        char buffer[2048];
        const int received = recv(client, buffer, sizeof buffer, 0);
        if (received > 0) {
            const std::string request(buffer, static_cast<size_t>(received));
            {
                std::lock_guard lock(mutex_);
                requestLines_.push_back(request.substr(0, request.find("\r\n")));
            }
            send(client, kPage.data(), static_cast<int>(kPage.size()), 0);
        }
        closesocket(client);
    }
}

SilentListener::SilentListener(uint16_t port) : listener_(Listen(port, 1)) {
    for (int i = 0; i < 64; ++i) {
        const SOCKET queued = ConnectWithin(port, 500);
        if (queued == INVALID_SOCKET) return;  // full: that connection's packet was dropped
        queued_.push_back(queued);
    }
    for (const auto queued : queued_) closesocket(static_cast<SOCKET>(queued));
    closesocket(static_cast<SOCKET>(listener_));
    throw std::runtime_error("the accept queue never filled up");
}

SilentListener::~SilentListener() {
    for (const auto queued : queued_) closesocket(static_cast<SOCKET>(queued));
    closesocket(static_cast<SOCKET>(listener_));
}

}  // namespace zr::e2e
