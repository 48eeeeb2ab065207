#pragma once

// Data.Kp packages for the command tests, made the only way packages are made: by kppack.

#include <string>
#include <vector>

#include "kp_writer.h"

namespace zr::bootdisk::test {

inline const std::string kDefMenu =
    "timeout 3\r\ndefault 0\r\n\r\ntitle Boot from disk\r\nchainloader (hd0)+1\r\n";
inline const std::string kGrldr(3000, 'g');
inline const std::string kPayload(5000, 'p');

// A package the make command accepts: the tool, the loader, defMenu.txt, a placeholder
// menu.lst and a file in sub-folders, with a filelist naming "grldr", "menu.lst" and
// "boot\x\y.bin" in that order.
std::vector<kppack::Entry> StandardEntries(const std::string& toolBytes = "stand-in tool");

// Replaces an entry's content, or adds the entry.
void PutEntry(std::vector<kppack::Entry>& entries, const std::string& name,
              const std::string& data);
void DropEntry(std::vector<kppack::Entry>& entries, const std::string& name);

void WritePackage(const std::string& dataDir, const std::vector<kppack::Entry>& entries);

}  // namespace zr::bootdisk::test
