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

// A command line as the tool must be given it, written out with {W} standing for the
// workspace (with its backslash) and {L} for the drive letter.
std::string ToolLine(const std::string& pattern, const std::string& workDir, char drive);

// The format line of a make whose required size is under 1 MiB, for USB-HDD and for USB-ZIP.
inline const std::string kFormatHdd = "{W}fbinst.exe {L}:  format -f -a  -p 8m -e 10m";
inline const std::string kFormatZip = "{W}fbinst.exe {L}:  format -f -a  -z -p 8m -e 10m";

// The command lines of a make over StandardEntries, as ToolLine fills them in: the format line,
// the three menu lines and the three listed files, then the image lines.
std::vector<std::string> StandardMakeLines(const std::string& workDir, char drive,
                                           const std::string& format,
                                           const std::vector<std::string>& imageLines = {});

#ifdef ZR_FAKEFBINST_HOST_PATH
// The stand-in fbinst.exe built with the tests, as a path of drive Z:.
inline std::string StandInTool() {
    std::string path = "Z:" ZR_FAKEFBINST_HOST_PATH;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}
#endif

}  // namespace zr::bootdisk::test
