#pragma once

// Inside the file services in memory (see memory_files.h): the tree of nodes, the open files,
// and how a path is resolved, shared by the rooms that implement them.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ascii.h"
#include "platform/platform.h"

namespace zr::platform::memory::detail {

// The space every drive claims to have: more than any package asks for.
constexpr int64_t kVolumeBytes = int64_t{1} << 40;
// Past this a write fails as a full disk would, before it could exhaust the fuzzer's memory.
constexpr int64_t kMaxFileBytes = int64_t{1} << 30;

struct Node {
    bool folder = false;
    uint32_t attributes = 0;  // as stored; never kAttrDirectory
    std::string data;
    int opens = 0;
    // Of the opens: those reading, writing, and those letting others read or write.
    int reading = 0;
    int writing = 0;
    int lettingRead = 0;
    int lettingWrite = 0;
};

// Paths compared as Windows compares names here: without regard to ASCII case.
struct CaseBlindLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](char x, char y) {
                                                return static_cast<unsigned char>(AsciiUpper(x)) <
                                                       static_cast<unsigned char>(AsciiUpper(y));
                                            });
    }
};

inline bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

// A path resolved: "C:" then "\" and the name of each level, as it was written.
struct Resolved {
    std::string path;
    bool root = false;  // the drive's root folder
    bool badName = false;
    bool device = false;
    bool climbed = false;  // a ".." took a level back

    std::string_view Name() const { return std::string_view(path).substr(path.rfind('\\') + 1); }
    std::string_view Parent() const { return std::string_view(path).substr(0, path.rfind('\\')); }
    // path itself, or anything below it.
    bool Holds(std::string_view other) const {
        return StartsWith(other, path) &&
               (other.size() == path.size() || other[path.size()] == '\\');
    }
};

struct OpenFile {
    Node* node = nullptr;
    int64_t position = 0;
    bool read = false;
    bool write = false;
    bool letRead = false;
    bool letWrite = false;
};

using Nodes = std::map<std::string, Node, CaseBlindLess>;

struct State {
    Nodes nodes;                    // by path; the roots are not here
    std::vector<OpenFile> files;    // a File's handle is its index
    std::optional<Resolved> guard;  // the folder that changes must stay in
};

State& Memory();
bool Fail(int code);
[[noreturn]] void Abort(const std::string& why);
[[noreturn]] void Throw(int code);

// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9 (see paths_memory.cpp).
bool IsDeviceName(std::string_view name);

// Where a level of the path as written ends, and how far the resolved path reaches there.
struct LevelEnd {
    size_t written;
    size_t resolved;
    bool badName;  // a character Windows refuses, up to here
};

std::optional<Resolved> Resolve(std::string_view path);

// Room kept from one call to the next: a question that changes nothing resolves into the first,
// a change into the second, the target of a move into the third, MakeFolders into the last.
enum class Slot { Look, Change, MoveTarget, Levels };
const Resolved* ResolveInto(Slot slot, std::string_view path,
                            std::vector<LevelEnd>* ends = nullptr);
const Resolved* Look(std::string_view path);
// The path of a change, resolved, once the guard has let it pass.
const Resolved* ForChange(const char* what, const std::string& path, Slot slot = Slot::Change);
// Ends the process when the guard is up and what the path resolved to is not inside it.
void Guard(const char* what, std::string_view written, const std::string_view* resolved,
           bool device);

Node* Find(const Resolved& at);
bool IsFolderPath(std::string_view path);
OpenFile& Handle(intptr_t handle);
uint32_t AttributesOf(const Node& node);

}  // namespace zr::platform::memory::detail
