#include "bootdisk/boot_menu.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "support/temp_folder.h"

namespace zr::bootdisk {
namespace {

using bootitems::TISOFileInfoArr;

class BootMenu : public ::testing::Test {
  protected:
    std::string Generate(const std::string& defMenu, const TISOFileInfoArr& items) {
        zr::test::WriteFile(work_ / "defMenu.txt", defMenu);
        GenerateMenu(work_.path(), items);
        return zr::test::ReadFile(work_ / "menu.lst");
    }

    zr::test::TempFolder work_;
};

TEST_F(BootMenu, DefaultMenuThenOneEntryPerItem) {
    const std::string menu = Generate("timeout 0\r\ndefault 0\r\n",
                                      {{"启动盘", "D:\\a\\PE.ISO"}, {"Tool", "D:\\b\\dos.img"}});
    EXPECT_EQ(menu,
              "timeout 0\r\ndefault 0\r\n"
              "\r\ntitle \xE5\x90\xAF\xE5\x8A\xA8\xE7\x9B\x98\r\n"
              "map --mem (ud)/boot/customISO_0.iso (0xFF)\r\nmap --hook\r\nchainloader (0xFF)\r\n"
              "\r\ntitle Tool\r\n"
              "map --mem (ud)/boot/customISO_1.img (fd0)\r\nmap --hook\r\nrootnoverify (fd0)\r\n"
              "chainloader +1\r\n");
}

TEST_F(BootMenu, NoItemsGiveTheDefaultLinesWithCrLfAfterEach) {
    EXPECT_EQ(Generate("a\nb\rc", {}), "a\r\nb\r\nc\r\n");
    EXPECT_EQ(Generate("", {}), "");
}

TEST_F(BootMenu, DefaultMenuBytesAreCopiedUnchanged) {
    // 启动 in code page 936 stays in code page 936; only the item titles are UTF-8.
    EXPECT_EQ(Generate("title \xC6\xF4\xB6\xAF\r\n", {{"启动", "x"}}),
              "title \xC6\xF4\xB6\xAF\r\n\r\ntitle \xE5\x90\xAF\xE5\x8A\xA8\r\n");
}

TEST_F(BootMenu, DefaultMenuEndsAtNul) {
    EXPECT_EQ(Generate(std::string("a\r\nb\0c\r\n", 8), {}), "a\r\nb\r\n");
}

TEST_F(BootMenu, OtherExtensionGivesTitleOnlyAndKeepsTheNextNumber) {
    EXPECT_EQ(
        Generate("", {{"A", "D:\\a.iso.bak"}, {"B", "D:\\iso.old\\image"}, {"C", "D:\\c.Img"}}),
        "\r\ntitle A\r\n"
        "\r\ntitle B\r\n"
        "\r\ntitle C\r\nmap --mem (ud)/boot/customISO_2.img (fd0)\r\nmap --hook\r\n"
        "rootnoverify (fd0)\r\nchainloader +1\r\n");
}

TEST_F(BootMenu, EmptyTitleKeepsTheSpace) {
    EXPECT_EQ(Generate("", {{"", "D:\\n"}}), "\r\ntitle \r\n");
}

TEST_F(BootMenu, ReplacesAMenuFromThePackage) {
    zr::test::WriteFile(work_ / "menu.lst", std::string(10000, 'm'));
    EXPECT_EQ(Generate("x\r\n", {}), "x\r\n");
}

TEST_F(BootMenu, MissingDefaultMenuRaisesAnError) {
    EXPECT_THROW(GenerateMenu(work_.path(), {}), Error);
}

}  // namespace
}  // namespace zr::bootdisk
