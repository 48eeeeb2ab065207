#pragma once

// POSIX only: what the host has no Windows counterpart for, set by tests and tools. Which host
// folder stands for a drive letter (Z: is "/" unless mapped otherwise; ZR_DRIVE_<letter> in the
// environment maps a letter too), the system's ANSI code page, which ANSI programs receive
// their command lines in (936 unless set), and the short forms of paths (none unless set).

#include <optional>
#include <string>

namespace zr::platform::posix {

void MapDrive(char letter, const std::string& hostFolder);
void UnmapDrive(char letter);
// The host path of a drive-form path, resolving each name without regard to case; empty
// when the path names no mapped drive.
std::optional<std::string> ToHostPath(const std::string& path);

// The drive-form path of a host path: under the mapped drive whose folder holds it most
// closely, else under Z:.
std::string ToDrivePath(const std::string& hostPath);
// The drive-form path of what an open descriptor is, as the host names it now; empty when it
// cannot say.
std::string FinalPathOf(int descriptor);

void SetAnsiCodePage(int codePage);
// The folder WindowsFolder() answers (the root, "Z:\", unless set).
void SetWindowsFolder(const std::string& folder);
// An empty shortPath takes the short form away again.
void SetShortPath(const std::string& path, const std::string& shortPath);

}  // namespace zr::platform::posix
