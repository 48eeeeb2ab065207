#include "support/fake_world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "fake_access.h"
#include "support/temp_folder.h"

namespace zr::e2e {
namespace {

class FakeWorld : public testing::Environment {
  public:
    void SetUp() override {
        folder_.emplace();
        registration_.emplace();
        scenario_.emplace(folder_->path());
        annotations_.emplace();
    }
    void TearDown() override {
        annotations_.reset();
        scenario_.reset();
        registration_.reset();
        folder_.reset();
    }
    const test::fakewmi::Scenario& scenario() const { return *scenario_; }

  private:
    std::optional<test::TempFolder> folder_;
    std::optional<test::fakewmi::Registration> registration_;
    std::optional<test::fakewmi::Scenario> scenario_;
    std::optional<test::fakeaccess::Registration> annotations_;
};

FakeWorld* gWorld = static_cast<FakeWorld*>(testing::AddGlobalTestEnvironment(new FakeWorld));

// Each test starts from a world without USB disks, whatever the test before it served.
class FreshScenario : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override {
        gWorld->scenario().Write("");
        gWorld->scenario().ClearLog();
    }
};

const bool gListening = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new FreshScenario);
    return true;
}();

}  // namespace

const test::fakewmi::Scenario& WmiScenario() {
    return gWorld->scenario();
}

ULONGLONG NextRefresh() {
    // Counted rather than cleared: the log may be written to at any moment.
    const auto connections = [] {
        const auto calls = WmiScenario().Calls();
        return std::count_if(calls.begin(), calls.end(),
                             [](const std::string& call) { return call.starts_with("Connect"); });
    };
    const auto before = connections();
    const ULONGLONG end = GetTickCount64() + 10000;
    while (GetTickCount64() < end) {
        if (connections() > before) return GetTickCount64();
        Sleep(5);
    }
    return 0;
}

}  // namespace zr::e2e
