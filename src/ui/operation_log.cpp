#include "ui/operation_log.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <utility>

#include "platform/platform.h"

namespace zr::ui {
namespace {

std::string OneLine(const std::string& text) {
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            line += " / ";
        } else {
            line += text[i];
        }
    }
    return line;
}

// The newer half of the lines, from the first line that starts in the second half.
std::string NewerHalf(const std::string& text) {
    const size_t cut = text.find('\n', text.size() / 2);
    return cut == std::string::npos ? std::string() : text.substr(cut + 1);
}

}  // namespace

std::string OperationLog::LocalTime() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    char text[40] = {};
    const std::tm* local = std::localtime(&seconds);
    if (!local) return "?";
    const size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
    std::snprintf(text + n, sizeof text - n, ".%03d", static_cast<int>(millis));
    return text;
}

OperationLog::OperationLog(std::string path, Clock clock)
    : path_(std::move(path)), clock_(std::move(clock)) {}

void OperationLog::Write(const std::string& text) noexcept {
    try {
        const std::string line = clock_() + "  " + OneLine(text) + "\r\n";
        Append(line);
    } catch (...) {
        // Nothing the log meets may reach what it logs.
    }
}

bool OperationLog::Append(const std::string& line) {
    auto file = platform::File::Open(path_, platform::File::Access::UpdateOwnFile);
    if (!file.IsOpen()) return false;
    try {
        int64_t size = file.Size();
        if (size + static_cast<int64_t>(line.size()) > kMaxBytes) {
            std::string text(static_cast<size_t>(size), '\0');
            text.resize(file.Read(text.data(), text.size()));
            text = NewerHalf(text);
            file.Seek(0);
            file.Write(text.data(), text.size());
            file.Truncate();
            size = static_cast<int64_t>(text.size());
        }
        file.Seek(size);
        return file.Write(line.data(), line.size()) == line.size();
    } catch (...) {
        return false;
    }
}

}  // namespace zr::ui
