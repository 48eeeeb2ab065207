// Any bytes as data\isolist and the package's defMenu.txt, split at the first 0x1E byte (a byte
// that none of the rules gives a meaning, not even inside a double-byte character): reading the
// list and writing menu.lst from it must never crash or run into undefined behaviour; menu.lst
// must begin with defMenu.txt's lines unchanged and hold one title per item after them; and the
// list that the dialog would save must read back as the same items. The files are in memory,
// where any change outside the folder that holds them ends the process.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "bootdisk/boot_menu.h"
#include "bootitems/isolist.h"
#include "bootitems/line_list.h"
#include "platform/error.h"
#include "platform/memory/memory_files.h"
#include "platform/platform.h"

namespace {

namespace memory = zr::platform::memory;
using zr::bootitems::TISOFileInfoArr;

const std::string kFolder = "C:\\ZiRuri";
const std::string kIsoList = kFolder + "\\data\\isolist";
const std::string kWorkDir = kFolder + "\\KpTemp\\";

[[noreturn]] void Broken(const std::string& what) {
    std::fprintf(stderr, "isolist_fuzz: %s\n", what.c_str());
    std::abort();
}

void CheckMenu(std::string_view defMenu, const TISOFileInfoArr& items) {
    const auto expected = zr::bootitems::SplitLines(defMenu);
    const auto menu = zr::bootitems::LoadLines(kWorkDir + "menu.lst");
    if (menu.size() < expected.size() ||
        !std::equal(expected.begin(), expected.end(), menu.begin())) {
        Broken("menu.lst does not begin with the lines of defMenu.txt");
    }
    const auto titles =
        std::count_if(menu.begin() + static_cast<ptrdiff_t>(expected.size()), menu.end(),
                      [](const std::string& line) { return line.starts_with("title "); });
    if (static_cast<size_t>(titles) != items.size()) Broken("not one title per item");
}

void Run(std::string_view isoList, std::string_view defMenu) {
    zr::platform::MakeFolders(kFolder + "\\data");
    zr::platform::MakeFolders(kWorkDir);
    zr::bootitems::SaveBytes(kIsoList, isoList);
    zr::bootitems::SaveBytes(kWorkDir + "defMenu.txt", defMenu);
    memory::AbortOnWritesOutside(kFolder);

    const TISOFileInfoArr items = zr::bootitems::ReadIsoList(kIsoList);
    zr::bootdisk::GenerateMenu(kWorkDir, items);
    CheckMenu(defMenu, items);
    zr::bootitems::WriteIsoList(kIsoList, items);
    if (zr::bootitems::ReadIsoList(kIsoList) != items) Broken("the saved list reads back changed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const size_t mark = bytes.find('\x1E');
    try {
        Run(bytes.substr(0, mark), mark == bytes.npos ? "" : bytes.substr(mark + 1));
    } catch (const zr::Error& error) {
        // Every file here can be read and written: an error is a finding too.
        Broken(std::string("an error: ") + error.what());
    }
    memory::Reset();
    return 0;
}
