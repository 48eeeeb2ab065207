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

std::vector<std::string> StandardMakeRows(const std::string& workDir, char drive,
                                          const std::string& format,
                                          const std::vector<std::string>& imageRows) {
    const std::string p = workDir + "fbinst.exe " + drive + ": ";
    std::vector<std::string> rows{p + format,
                                  p + R"(add-menu -s "fb.cfg" "default 0")",
                                  p + R"(add-menu -s "fb.cfg" "timeout 0")",
                                  p + R"(add-menu -s "fb.cfg" "menu F1 grldr "grldr")",
                                  p + "add \"grldr\" \"" + workDir + "grldr\"",
                                  p + "add \"menu.lst\" \"" + workDir + "menu.lst\"",
                                  p + "add \"boot/x/y.bin\" \"" + workDir + "boot\\x\\y.bin\""};
    for (const auto& row : imageRows) rows.push_back(p + row);
    return rows;
}

}  // namespace zr::bootdisk::test
