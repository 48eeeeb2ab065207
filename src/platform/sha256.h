#pragma once

// SHA-256, for checking the package against the digest the release carries: the system's own
// implementation on Windows, a small one of ours elsewhere.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace zr::platform {

class File;

class Sha256 {
  public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Update(const void* data, size_t size);
    // The digest of everything given; the object is spent afterwards.
    std::array<uint8_t, 32> Finish();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The digest of the file's whole content, read from its start through the open handle, as 64
// lowercase hex digits; afterBlock runs after each mebibyte. Throws zr::Error when it cannot
// be read.
std::string Sha256Hex(File& file, const std::function<void()>& afterBlock = {});

}  // namespace zr::platform
