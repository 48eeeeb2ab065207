#pragma once

// The digest of the Data.Kp that a release ships with. The exe carries the ASCII bytes
// "ZiRuri-Data.Kp-SHA256:" followed by 64 lowercase hex digits; make dist writes the digest
// of the package it packs there (scripts/pin-package.py). 64 zeros mean a development build,
// whose package is not checked.

#include <optional>
#include <string>

namespace zr {

inline constexpr char kPackagePinPrefix[] = "ZiRuri-Data.Kp-SHA256:";

// The pinned digest as 64 lowercase hex digits; nothing in a development build.
std::optional<std::string> PinnedPackageDigest();

}  // namespace zr
