#pragma once

// Writes Data.Kp archives. The program itself only reads them; this lives with the tools and
// is what tests use to make their packages.

#include <cstdint>
#include <string>
#include <vector>

namespace zr::kppack {

struct Entry {
    std::string name;  // UTF-8, "\" between folders; stored in the ANSI code page
    std::string data;
    int32_t attributes = 0x20;  // archive
};

// The whole archive as bytes. requiredSpace < 0 means the sum of the unpacked sizes.
std::string BuildArchive(const std::vector<Entry>& entries, int64_t requiredSpace = -1);

// Packs every file under folder (drive form) into archive, compressing on all cores.
// Returns the number of entries.
int PackFolder(const std::string& folder, const std::string& archive);

}  // namespace zr::kppack
