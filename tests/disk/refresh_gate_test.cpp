// One refresh at a time, and none while the error of the last one is on screen.

#include "disk/refresh_gate.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/error.h"

namespace zr::disk {
namespace {

TEST(RefreshGate, RunsTheRefreshAndReportsNothingWhenItSucceeds) {
    RefreshGate gate;
    int refreshes = 0, reports = 0;

    EXPECT_TRUE(gate.Run([&] { ++refreshes; }, [&](const std::exception&) { ++reports; }));

    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(reports, 0);
    EXPECT_TRUE(gate.IsOpen());
}

TEST(RefreshGate, KeepsTimerTicksOutWhileTheErrorIsShown) {
    RefreshGate gate;
    int refreshes = 0;
    std::string shown;
    const auto failing = [&] {
        ++refreshes;
        throw Error("WMI is away");
    };

    gate.Run(failing, [&](const std::exception& error) {
        shown = error.what();
        // Ticks arriving inside the message box's own loop:
        EXPECT_FALSE(gate.Run(failing, [](const std::exception&) { FAIL() << "second box"; }));
        EXPECT_FALSE(gate.Run(failing, [](const std::exception&) { FAIL() << "second box"; }));
    });

    EXPECT_EQ(shown, "WMI is away");
    EXPECT_EQ(refreshes, 1);
}

TEST(RefreshGate, LetsTheNextRefreshRunOnceTheErrorWasDismissed) {
    RefreshGate gate;
    int refreshes = 0;

    gate.Run([] { throw Error("first"); }, [](const std::exception&) {});
    EXPECT_TRUE(gate.IsOpen());
    EXPECT_TRUE(gate.Run([&] { ++refreshes; }, [](const std::exception&) {}));

    EXPECT_EQ(refreshes, 1);
}

TEST(RefreshGate, KeepsOutARefreshStartedFromInsideARunningOne) {
    RefreshGate gate;
    int refreshes = 0;

    gate.Run(
        [&] {
            ++refreshes;
            EXPECT_FALSE(gate.Run([&] { ++refreshes; }, [](const std::exception&) {}));
        },
        [](const std::exception&) {});

    EXPECT_EQ(refreshes, 1);
}

TEST(RefreshGate, OpensAgainWhenTheReportItselfThrows) {
    RefreshGate gate;

    EXPECT_THROW(gate.Run([] { throw Error("first"); },
                          [](const std::exception&) { throw std::runtime_error("box failed"); }),
                 std::runtime_error);

    EXPECT_TRUE(gate.IsOpen());
}

}  // namespace
}  // namespace zr::disk
