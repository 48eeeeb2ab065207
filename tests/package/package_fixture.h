#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "kp_writer.h"
#include "package/u_Package.h"
#include "platform/platform.h"
#include "support/temp_folder.h"

namespace zr::test {

// Byte offsets inside an archive made by kppack.
inline constexpr size_t kRecord0 = kPackageHeaderSize;
inline constexpr size_t kUnpackedAt = 256, kPackedAt = 260, kAttributesAt = 264, kMarkerAt = 284;

inline void PutLe32(std::string& bytes, size_t offset, int32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<char>((static_cast<uint32_t>(value) >> (8 * i)) & 0xFF);
    }
}

inline void PutLe64(std::string& bytes, size_t offset, int64_t value) {
    for (int i = 0; i < 8; ++i) {
        bytes[offset + i] = static_cast<char>((static_cast<uint64_t>(value) >> (8 * i)) & 0xFF);
    }
}

inline int32_t GetLe32(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes[offset + i]);
    return static_cast<int32_t>(value);
}

// Deterministic bytes that compress poorly.
inline std::string NoiseBytes(size_t size, uint32_t seed = 1) {
    std::string data(size, '\0');
    for (auto& c : data) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    return data;
}

// One progress report, as the handler saw it.
struct Report {
    std::string fileName;
    int32_t position, size, index;
    bool hasHeader;
    bool operator==(const Report&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Report& r) {
    return out << "{" << r.fileName << ", " << r.position << ", " << r.size << ", " << r.index
               << ", " << (r.hasHeader ? "header" : "none") << "}";
}

class PackageTest : public ::testing::Test {
  protected:
    std::string Archive(const std::vector<kppack::Entry>& entries, int64_t required = -1) {
        return Store(kppack::BuildArchive(entries, required));
    }
    std::string Store(const std::string& bytes) {
        const std::string path = tmp / ("pkg" + std::to_string(++count_) + ".kp");
        WriteFile(path, bytes);
        return path;
    }
    // Records every report; cancels at the report whose number (from 1) is cancelAt.
    void Record(int cancelAt = 0) {
        reader.OnProgress = [this, cancelAt](const std::string& name, int32_t position,
                                             int32_t size, int32_t index,
                                             const TPackageHeader* header, bool& cancel) {
            reports.push_back({name, position, size, index, header != nullptr});
            if (static_cast<int>(reports.size()) == cancelAt) cancel = true;
        };
    }

    TempFolder tmp;
    VEDUderivu reader;
    std::vector<Report> reports;

  private:
    int count_ = 0;
};

}  // namespace zr::test
