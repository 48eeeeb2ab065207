#include "bootdisk/progress.h"

#include <cstdio>

namespace zr::bootdisk {
namespace {

std::string OneDecimal(double value, std::string_view separator) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    std::string out = text;
    if (const size_t dot = out.find('.'); dot != std::string::npos) {
        out.replace(dot, 1, separator);
    }
    return out;
}

// "5 秒", "1 分 23 秒", "1 小时 2 分 3 秒"
std::string ElapsedText(int64_t seconds) {
    const int64_t hours = seconds / 3600, minutes = seconds / 60 % 60, rest = seconds % 60;
    std::string text;
    if (hours > 0) text += std::to_string(hours) + " 小时 ";
    if (hours > 0 || minutes > 0) text += std::to_string(minutes) + " 分 ";
    return text + std::to_string(rest) + " 秒";
}

}  // namespace

std::string StepText(size_t step, size_t steps, const std::string& what) {
    return "第 " + std::to_string(step) + "/" + std::to_string(steps) + " 步：" + what;
}

std::string WritingText(const std::string& path, int64_t bytes, std::string_view decimalSeparator) {
    const std::string name = path.substr(path.find_last_of("\\/:") + 1);
    return "写入 " + name + "（" + SizeText(bytes, decimalSeparator) + "）";
}

std::string SizeText(int64_t bytes, std::string_view decimalSeparator) {
    const double size = static_cast<double>(bytes);
    if (bytes >= int64_t{1} << 30) return OneDecimal(size / (1 << 30), decimalSeparator) + " GB";
    if (bytes >= int64_t{1} << 20) return OneDecimal(size / (1 << 20), decimalSeparator) + " MB";
    if (bytes >= int64_t{1} << 10) return std::to_string((bytes + 512) >> 10) + " KB";
    return std::to_string(bytes) + " 字节";
}

std::string ProgressLine(const std::string& step, int64_t seconds) {
    return step + "，已用 " + ElapsedText(seconds < 0 ? 0 : seconds);
}

}  // namespace zr::bootdisk
