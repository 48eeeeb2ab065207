#pragma once

// Loopback listeners for a home page of the tests' own: a tiny HTTP server that answers every
// request with a small page and counts what reaches it, and one that never answers. They only
// ever listen on loopback.

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

// A listener on 127.0.0.1:port that never accepts, with its accept queue filled up front: Linux
// then drops every new connection's first packet, so a connection to it hangs as one to a host
// behind a firewall that drops packets. Throws if the port stays taken or the queue never fills.
class SilentListener {
  public:
    explicit SilentListener(uint16_t port);
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    ~SilentListener();

  private:
    uintptr_t listener_;
    std::vector<uintptr_t> queued_;  // the connections that fill the queue
};

}  // namespace zr::e2e
