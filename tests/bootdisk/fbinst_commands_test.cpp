#include "bootdisk/fbinst_commands.h"

#include <gtest/gtest.h>

namespace zr::bootdisk {
namespace {

const FbinstCommands kWorked("C:\\Temp\\KpTemp\\", 'G');

TEST(CommandRows, FormatLineWithAndWithoutZip) {
    EXPECT_EQ(kWorked.Format(false, 710),
              "C:\\Temp\\KpTemp\\fbinst.exe G:  format -f -a  -p 8m -e 710m");
    EXPECT_EQ(kWorked.Format(true, 710),
              "C:\\Temp\\KpTemp\\fbinst.exe G:  format -f -a  -z -p 8m -e 710m");
}

TEST(CommandRows, MenuLines) {
    EXPECT_EQ(kWorked.MenuDefault(),
              R"(C:\Temp\KpTemp\fbinst.exe G: add-menu -s "fb.cfg" "default 0")");
    EXPECT_EQ(kWorked.MenuTimeout(),
              R"(C:\Temp\KpTemp\fbinst.exe G: add-menu -s "fb.cfg" "timeout 0")");
    EXPECT_EQ(kWorked.MenuGrldr(),
              R"(C:\Temp\KpTemp\fbinst.exe G: add-menu -s "fb.cfg" "menu F1 grldr "grldr")");
}

TEST(CommandRows, AddListedFileUsesSlashesOnTheDiskAndTheLineAsReadInTheWorkspace) {
    EXPECT_EQ(kWorked.AddListedFile("sub\\a.bin"),
              R"(C:\Temp\KpTemp\fbinst.exe G: add "sub/a.bin" "C:\Temp\KpTemp\sub\a.bin")");
    EXPECT_EQ(kWorked.AddListedFile("boot\\x\\y.bin"),
              R"(C:\Temp\KpTemp\fbinst.exe G: add "boot/x/y.bin" "C:\Temp\KpTemp\boot\x\y.bin")");
}

TEST(CommandRows, AddCustomImageNamesItByPositionAndExtension) {
    EXPECT_EQ(kWorked.AddCustomImage(0, "D:\\img\\Win PE.ISO"),
              R"(C:\Temp\KpTemp\fbinst.exe G: add "boot/customISO_0.iso" "D:\img\Win PE.ISO")");
    EXPECT_EQ(kWorked.AddCustomImage(12, "D:\\A.IMG"),
              R"(C:\Temp\KpTemp\fbinst.exe G: add "boot/customISO_12.img" "D:\A.IMG")");
    EXPECT_EQ(kWorked.AddCustomImage(1, "D:\\noext"),
              R"(C:\Temp\KpTemp\fbinst.exe G: add "boot/customISO_1" "D:\noext")");
}

TEST(CommandRows, RestoreLine) {
    EXPECT_EQ(kWorked.Restore(), "C:\\Temp\\KpTemp\\fbinst.exe G: format -f -r");
}

TEST(CommandRows, ToolIsStartedByItsFullPath) {
    EXPECT_EQ(kWorked.Application(), "C:\\Temp\\KpTemp\\fbinst.exe");
}

TEST(CommandRows, ToolPathWithASpaceIsQuotedInTheLineOnly) {
    const FbinstCommands spaced("C:\\My Temp\\KpTemp\\", 'h');
    EXPECT_EQ(spaced.Application(), "C:\\My Temp\\KpTemp\\fbinst.exe");
    EXPECT_EQ(spaced.Restore(), "\"C:\\My Temp\\KpTemp\\fbinst.exe\" h: format -f -r");
    EXPECT_EQ(spaced.Format(false, 10),
              "\"C:\\My Temp\\KpTemp\\fbinst.exe\" h:  format -f -a  -p 8m -e 10m");
    EXPECT_EQ(spaced.AddListedFile("a\\b"),
              R"("C:\My Temp\KpTemp\fbinst.exe" h: add "a/b" "C:\My Temp\KpTemp\a\b")");
}

TEST(SizeValue, WholeMebibytesPlusTen) {
    EXPECT_EQ(SizeValue(0), 10);
    EXPECT_EQ(SizeValue(1048575), 10);
    EXPECT_EQ(SizeValue(1048576), 11);
    EXPECT_EQ(SizeValue(5LL << 30), 5130);
    EXPECT_EQ(SizeValue(5LL << 40), 5242890);
}

TEST(ImageExtension, LowerCasedFromTheLastDot) {
    EXPECT_EQ(ImageExtension("D:\\a\\PE.ISO"), ".iso");
    EXPECT_EQ(ImageExtension("D:\\a\\PE.Iso"), ".iso");
    EXPECT_EQ(ImageExtension("D:\\a\\dos.ImG"), ".img");
    EXPECT_EQ(ImageExtension("D:\\a\\PE.iso.bak"), ".bak");
    EXPECT_EQ(ImageExtension("D:\\a\\x."), ".");
}

TEST(ImageExtension, NoneWhenTheDotBelongsToAFolderOrADrive) {
    EXPECT_EQ(ImageExtension("D:\\iso.old\\image"), "");
    EXPECT_EQ(ImageExtension("D:\\a\\image"), "");
    EXPECT_EQ(ImageExtension("x.y:stream"), "");
    EXPECT_EQ(ImageExtension(""), "");
}

TEST(ImageExtension, OnlyAsciiLettersAreLowered) {
    EXPECT_EQ(ImageExtension("D:\\a.\xC3\x84Z"), ".\xC3\x84z");
}

}  // namespace
}  // namespace zr::bootdisk
