#pragma once

// Removing a tree through held folders: written once over anything that lists a folder, opens a
// sub-folder without following a link and removes an entry by name (Folder, and the tests' own
// folders that swap an entry between its listing and its opening).

#include <functional>
#include <string>

#include "platform/ascii.h"

namespace zr::platform {

// Deeper than this, a tree is somebody's trap, not a leftover: it stays, and the caller sees it.
inline constexpr int kMaxTreeDepth = 128;

namespace detail {

template <typename HeldFolder>
void RemoveEntry(const HeldFolder& folder, const std::string& name, bool isLink, bool evenReadOnly,
                 const std::function<void()>& between, int depth) {
    if (depth > kMaxTreeDepth) return;
    if (!isLink) {
        if (HeldFolder child = folder.OpenChild(name); child.IsOpen()) {
            for (const auto& entry : child.List()) {
                RemoveEntry(child, entry.name, entry.isLink, evenReadOnly, between, depth + 1);
            }
        }
    }
    folder.RemoveChild(name, evenReadOnly);
    if (between) between();
}

}  // namespace detail

// Removes name in folder with everything in it, deepest first. A link is removed, never
// followed: a sub-folder is opened through the held folder above it without following a link,
// so a folder swapped for a link after its listing is met as the link it now is; and what the
// listing already shows as a link is not opened at all. With evenReadOnly, read-only files and
// folders go too; otherwise they stay, and so do the folders above them. Failures stay behind
// for the caller to find. between runs after each entry, to keep a window answering.
template <typename HeldFolder>
void RemoveTree(const HeldFolder& folder, const std::string& name, bool evenReadOnly,
                const std::function<void()>& between = {}) {
    bool isLink = false;
    for (const auto& entry : folder.List()) {
        if (EqualsIgnoringAsciiCase(entry.name, name)) isLink = entry.isLink;
    }
    detail::RemoveEntry(folder, name, isLink, evenReadOnly, between, 0);
}

}  // namespace zr::platform
