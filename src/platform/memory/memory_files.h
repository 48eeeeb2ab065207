#pragma once

// The file services of platform.h kept in memory, for programs that link them in place of the
// host's (the fuzz targets and the replay of their inputs; see platform/CMakeLists.txt). Paths
// are resolved as Windows resolves them: drive letters, either slash, names compared without
// regard to ASCII case, "." and "..", trailing dots and spaces dropped, and a DOS device name
// (CON, NUL, COM1, ...) in the last place naming the device rather than a file in the folder.
// Every drive root exists; the temporary folder is the root of T:. Sharing and read-only
// follow Windows too. One thread at a time.

#include <optional>
#include <string>

namespace zr::platform::memory {

// Forgets every file and folder and lifts the guard below. Ends the process while a File is
// still open: what it holds would be gone.
void Reset();

// From now on, an attempt to create, change, move or remove anything that is not folder itself
// or inside it ends the process with a message on stderr: that is a finding, whether or not the
// attempt would have succeeded. A path without a drive letter, or one naming a device, is never
// inside.
void AbortOnWritesOutside(const std::string& folder);

// A file's bytes, read past any sharing; nothing for a folder or a missing file.
std::optional<std::string> Contents(const std::string& path);

}  // namespace zr::platform::memory
