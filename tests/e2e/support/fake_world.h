#pragma once

// The outside world of every end-to-end test: the fake WMI stands in for the system's WMI
// scripting locator for the whole run (Wine's own has no USB disks and fails on the drive
// query), serving no disks until a test writes a scenario.

#include "fake_wmi_control.h"

namespace zr::e2e {

// The scenario the fake serves to every program started from now on; empty at the start of
// each test.
const test::fakewmi::Scenario& WmiScenario();

}  // namespace zr::e2e
