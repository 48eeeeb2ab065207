// The walk that make run takes without a display, over the demo world: the stick listed, the
// make answered Yes, the tool held at its format step while the window is busy, then every
// command line the tool got and the final message. Here the package is the tests' own (see
// bootdisk/test_package.h); the pictures are not taken.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bootdisk/test_package.h"
#include "demo_walks.h"
#include "demo_world.h"
#include "platform/platform.h"
#include "support/program_driver.h"
#include "support/temp_folder.h"

namespace zr::e2e {
namespace {

namespace package = bootdisk::test;

TEST(DemoTour, MakesTheStickWithTheExampleImagesAndEndsWithTheSuccessMessage) {
    test::TempFolder home;
    ProgramFolder folder(BesideTestProgram("ZiRuriOffline.exe"));
    package::WritePackage(folder.DataDir(),
                          package::StandardEntries(test::ReadFile(package::StandInTool())));
    demo::DemoWorld world(home.path(), folder.DataDir());
    RunningProgram program(folder.Exe());

    const demo::MadeDisk made = demo::MakeTheStick(world, program, [](auto&&...) {});

    EXPECT_EQ(made.question, "本操作将破坏U盘原有数据，且不可恢复...\r还要继续本操作吗？");
    EXPECT_TRUE(made.sawBusy);
    EXPECT_EQ(made.finalMessage, "恭喜你，制作完成！");
    const auto& images = world.Images();
    EXPECT_EQ(
        made.toolLines,
        package::StandardMakeLines(
            platform::TempFolder() + "KpTemp\\", demo::kStickLetter, package::kFormatHdd,
            {"{W}fbinst.exe {L}: add \"boot/customISO_0.iso\" \"" + images[0].ImagePath + "\"",
             "{W}fbinst.exe {L}: add \"boot/customISO_1.img\" \"" + images[1].ImagePath + "\""}));
}

}  // namespace
}  // namespace zr::e2e
