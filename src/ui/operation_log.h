#pragma once

// The operation log ZiRuri.log: one line per event (start, disk list changes, commands, checks,
// tool runs, messages, end), UTF-8, each with its local time, so that a make that failed on a
// user's machine can be told apart from the next. Portable, so that it is tested natively.

#include <cstdint>
#include <functional>
#include <string>

namespace zr::ui {

class OperationLog {
  public:
    // Above this size the oldest half of the lines goes.
    static constexpr int64_t kMaxBytes = 1 << 20;

    // The local time, "2026-12-09 17:45:01.123".
    using Clock = std::function<std::string()>;
    static std::string LocalTime();

    // Writes to path (beside the program). While path cannot be written, nothing is written: the
    // program runs as administrator, and no other place for it is out of its user's reach.
    explicit OperationLog(std::string path, Clock clock = LocalTime);

    // Never throws: a log that cannot be written never stops what is being logged. Line breaks
    // inside the text become " / ", so that one event stays one line.
    void Write(const std::string& text) noexcept;

  private:
    bool Append(const std::string& line);

    std::string path_;
    Clock clock_;
};

}  // namespace zr::ui
