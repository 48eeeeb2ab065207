// Paths in the file services in memory, resolved as Windows resolves them.

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/memory/memory_state.h"

namespace zr::platform::memory::detail {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Windows refuses these in a name; a ':' past the drive would name a stream.
bool IsBadNameCharacter(char c) {
    return static_cast<unsigned char>(c) < 0x20 || std::strchr("<>:\"|?*", c) != nullptr;
}

}  // namespace

// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9, with any extension and trailing spaces:
// in the last place of a path Windows opens the device, in whatever folder the path names.
// Written apart from the package reader's own rule on purpose: this layer judges the reader, and
// a judge sharing its mistakes would find none.
bool IsDeviceName(std::string_view name) {
    size_t length = 0;
    while (length < name.size() && name[length] != '.') ++length;
    while (length > 0 && name[length - 1] == ' ') --length;
    if (length != 3 && length != 4) return false;
    char base[5] = {};
    for (size_t i = 0; i < length; ++i) base[i] = AsciiUpper(name[i]);
    if (length == 3) {
        return std::strcmp(base, "CON") == 0 || std::strcmp(base, "PRN") == 0 ||
               std::strcmp(base, "AUX") == 0 || std::strcmp(base, "NUL") == 0;
    }
    return (std::strncmp(base, "COM", 3) == 0 || std::strncmp(base, "LPT", 3) == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

// Into at, reusing its room; false without a drive letter. The wide API ends a path at its
// first NUL. Written into a buffer by hand: this runs several times for every file that the
// fuzz targets touch. With ends, also where each level ends.
bool Resolve(std::string_view path, Resolved& at, std::vector<LevelEnd>* ends) {
    const char* text = path.data();
    size_t size = 0;
    while (size < path.size() && text[size] != '\0') ++size;
    if (size < 2 || text[1] != ':' || !IsAsciiLetter(text[0])) return false;
    at.path.resize(size + 1);
    char* out = at.path.data();
    out[0] = AsciiUpper(text[0]);
    out[1] = ':';
    size_t length = 2;
    bool badName = false;
    bool climbed = false;
    if (ends) ends->clear();
    for (size_t start = 2; start < size;) {
        size_t end = start;
        while (end < size && !IsSeparator(text[end])) ++end;
        size_t kept = end;
        while (kept > start && (text[kept - 1] == '.' || text[kept - 1] == ' ')) --kept;
        if (kept == start) {
            // Only dots and spaces: Windows takes two dots or more as "..", anything else as ".".
            if (std::count(text + start, text + end, '.') >= 2) {
                while (length > 2 && out[length - 1] != '\\') --length;
                if (length > 2) --length;
                climbed = true;
            }
        } else {
            out[length++] = '\\';
            for (size_t i = start; i < kept; ++i) {
                badName = badName || IsBadNameCharacter(text[i]);
                out[length++] = text[i];
            }
        }
        if (ends && end > start) ends->push_back({end, length, badName});
        start = end + 1;
    }
    at.path.resize(length);
    at.badName = badName;
    at.climbed = climbed;
    at.root = length == 2;
    at.device = !at.root && IsDeviceName(at.Name());
    return true;
}

std::optional<Resolved> Resolve(std::string_view path) {
    Resolved at;
    if (!Resolve(path, at, nullptr)) return std::nullopt;
    return at;
}

const Resolved* ResolveInto(Slot slot, std::string_view path, std::vector<LevelEnd>* ends) {
    static Resolved scratch[4];
    Resolved& at = scratch[static_cast<int>(slot)];
    return Resolve(path, at, ends) ? &at : nullptr;
}

const Resolved* Look(std::string_view path) {
    return ResolveInto(Slot::Look, path);
}

void Guard(const char* what, std::string_view written, const std::string_view* resolved,
           bool device) {
    const auto& guard = Memory().guard;
    if (guard && !(resolved && !device && guard->Holds(*resolved))) {
        Abort(std::string(what) + " outside the guarded folder: \"" + std::string(written) + "\"");
    }
}

const Resolved* ForChange(const char* what, const std::string& path, Slot slot) {
    const Resolved* at = ResolveInto(slot, path);
    const std::string_view resolved = at ? std::string_view(at->path) : std::string_view();
    Guard(what, path, at ? &resolved : nullptr, at && at->device);
    if (!at) Fail(ENOENT);
    return at;
}

}  // namespace zr::platform::memory::detail
