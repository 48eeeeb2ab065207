#include "platform/sha256.h"

#include <vector>

#include "platform/platform.h"

namespace zr::platform {

std::string Sha256Hex(File& file, const std::function<void()>& afterBlock) {
    static constexpr char kDigits[] = "0123456789abcdef";
    Sha256 hash;
    std::vector<uint8_t> block(1 << 20);
    file.Seek(0);
    while (const size_t got = file.Read(block.data(), block.size())) {
        hash.Update(block.data(), got);
        if (afterBlock) afterBlock();
    }
    std::string hex;
    for (const uint8_t byte : hash.Finish()) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex;
}

}  // namespace zr::platform
