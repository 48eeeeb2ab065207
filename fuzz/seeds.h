#pragma once

// The first inputs of each fuzz target, made by the project's own writers: kppack's archive
// writer for packages, the tests' GIF and JPEG writers for pictures, and small texts of the
// shapes the program meets for isolist, defMenu.txt and WMI. make fuzz writes them out as
// corpora (fuzz_seeds); the replay in make test runs them through the targets as they are.

#include <string>
#include <string_view>
#include <vector>

namespace zr::fuzz {

inline constexpr std::string_view kTargets[] = {"package", "gif", "jpeg", "isolist", "wmi"};

struct Seed {
    std::string name;
    std::string bytes;
};

std::vector<Seed> SeedsOf(std::string_view target);

}  // namespace zr::fuzz
