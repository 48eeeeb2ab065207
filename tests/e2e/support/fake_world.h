#pragma once

// The outside world of every end-to-end test: the fake WMI stands in for the system's WMI
// scripting locator for the whole run (Wine's own has no USB disks and fails on the drive
// query), serving no disks until a test writes a scenario.

#include <windows.h>

#include "fake_wmi_control.h"

namespace zr::e2e {

// The scenario the fake serves to every program started from now on; empty at the start of
// each test.
const test::fakewmi::Scenario& WmiScenario();

// Waits for the running program's next refresh of its disk list to begin (its connection to
// WMI) and answers when it did, on GetTickCount64's clock, to within a poll; 0 when none comes.
ULONGLONG NextRefresh();

}  // namespace zr::e2e
