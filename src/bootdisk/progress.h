#pragma once

// The second line under the wait caption while the tool runs, so that a make of several minutes
// says what it is doing: which step of how many, what it writes and how large that is, and the
// time since the first step.

#include <cstdint>
#include <string>
#include <string_view>

namespace zr::bootdisk {

// "第 3/8 步：写入 WinPE.iso（2.1 GB）"
std::string StepText(size_t step, size_t steps, const std::string& what);

// What a step writes: "写入 WinPE.iso（2.1 GB）", the file's name without its folder.
std::string WritingText(const std::string& path, int64_t bytes, std::string_view decimalSeparator);

// "2.1 GB", "14.0 MB", "280 KB", "12 字节"
std::string SizeText(int64_t bytes, std::string_view decimalSeparator);

// The step with the time since the first step: "第 3/8 步：…，已用 1 分 23 秒".
std::string ProgressLine(const std::string& step, int64_t seconds);

}  // namespace zr::bootdisk
