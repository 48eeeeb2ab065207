// fuzz_seeds <folder>: writes each fuzz target's seeds to <folder>/<target>/seed-<name>, where
// make fuzz starts its corpora. Files already there are replaced; others are left alone.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "seeds.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <folder>\n");
        return 2;
    }
    namespace fs = std::filesystem;
    for (const std::string_view target : zr::fuzz::kTargets) {
        const fs::path folder = fs::path(argv[1]) / target;
        fs::create_directories(folder);
        for (const auto& seed : zr::fuzz::SeedsOf(target)) {
            std::ofstream out(folder / ("seed-" + seed.name), std::ios::binary | std::ios::trunc);
            out.write(seed.bytes.data(), static_cast<std::streamsize>(seed.bytes.size()));
            if (!out) {
                std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", (folder / seed.name).c_str());
                return 1;
            }
        }
    }
    return 0;
}
