#include "test_package.h"

#include <algorithm>

#include "support/temp_folder.h"

namespace zr::bootdisk::test {

std::vector<kppack::Entry> StandardEntries(const std::string& toolBytes) {
    return {{"fbinst.exe", toolBytes},    {"grldr", kGrldr},
            {"defMenu.txt", kDefMenu},    {"menu.lst", "placeholder menu\r\n"},
            {"boot\\x\\y.bin", kPayload}, {"filelist", "grldr\r\nmenu.lst\r\nboot\\x\\y.bin\r\n"}};
}

void PutEntry(std::vector<kppack::Entry>& entries, const std::string& name,
              const std::string& data) {
    auto it =
        std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.name == name; });
    if (it == entries.end()) {
        entries.push_back({name, data});
    } else {
        it->data = data;
    }
}

void DropEntry(std::vector<kppack::Entry>& entries, const std::string& name) {
    std::erase_if(entries, [&](const auto& e) { return e.name == name; });
}

void WritePackage(const std::string& dataDir, const std::vector<kppack::Entry>& entries) {
    zr::test::WriteFile(dataDir + "Data.Kp", kppack::BuildArchive(entries));
}

std::string ToolLine(const std::string& pattern, const std::string& workDir, char drive) {
    std::string line;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern.compare(i, 3, "{W}") == 0) {
            line += workDir;
            i += 2;
        } else if (pattern.compare(i, 3, "{L}") == 0) {
            line += drive;
            i += 2;
        } else {
            line += pattern[i];
        }
    }
    return line;
}

std::vector<std::string> StandardMakeLines(const std::string& workDir, char drive,
                                           const std::string& format,
                                           const std::vector<std::string>& imageLines) {
    std::vector<std::string> lines{
        format,
        R"({W}fbinst.exe {L}: add-menu -s "fb.cfg" "default 0")",
        R"({W}fbinst.exe {L}: add-menu -s "fb.cfg" "timeout 0")",
        R"({W}fbinst.exe {L}: add-menu -s "fb.cfg" "menu F1 grldr "grldr")",
        R"({W}fbinst.exe {L}: add "grldr" "{W}grldr")",
        R"({W}fbinst.exe {L}: add "menu.lst" "{W}menu.lst")",
        R"({W}fbinst.exe {L}: add "boot/x/y.bin" "{W}boot\x\y.bin")"};
    lines.insert(lines.end(), imageLines.begin(), imageLines.end());
    for (auto& line : lines) line = ToolLine(line, workDir, drive);
    return lines;
}

}  // namespace zr::bootdisk::test
