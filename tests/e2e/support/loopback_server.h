#pragma once

// A tiny HTTP server on 127.0.0.1 that answers every request with a small page and counts what
// reaches it. It only ever listens on loopback.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zr::e2e {

class LoopbackServer {
  public:
    // Listens on 127.0.0.1:port. Another test run may hold the port for a moment, so binding is
    // retried for a while; throws if the port stays taken.
    explicit LoopbackServer(uint16_t port);
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;
    ~LoopbackServer();

    int Connections() const { return connections_; }
    std::vector<std::string> RequestLines() const;

  private:
    void Serve();

    uintptr_t listener_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requestLines_;
    std::thread thread_;
};

}  // namespace zr::e2e
