#include "package/package_pin.h"

#include <algorithm>
#include <cstddef>

namespace zr {
namespace {

// Volatile, so that the compiler cannot fold the all-zero digest into the code that reads it:
// the bytes are changed in the finished exe, after the compiler has had its say.
volatile const char kPin[] =
    "ZiRuri-Data.Kp-SHA256:"
    "0000000000000000000000000000000000000000000000000000000000000000";

constexpr size_t kDigestDigits = 64;

}  // namespace

std::optional<std::string> PinnedPackageDigest() {
    constexpr size_t prefix = sizeof kPackagePinPrefix - 1;
    std::string digest(kDigestDigits, '0');
    for (size_t i = 0; i < kDigestDigits; ++i) digest[i] = kPin[prefix + i];
    if (std::all_of(digest.begin(), digest.end(), [](char c) { return c == '0'; })) {
        return std::nullopt;
    }
    return digest;
}

}  // namespace zr
