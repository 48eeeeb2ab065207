#pragma once

#include "platform/automation.h"

namespace zr::disk::win32 {

// A new WMI scripting locator, the LocatorFactory of the real program. COM must be
// initialised on the calling thread.
automation::ObjectPtr CreateWmiLocator();

}  // namespace zr::disk::win32
