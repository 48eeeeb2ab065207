#pragma once

// The browser engine behind the web view, and the settings it gets for the whole process before
// the first view exists. The program runs as administrator: whatever the user's Internet
// Explorer settings say (any program of the user can change them), the engine runs locked down.

#include <windows.h>

#include <oleidl.h>
#include <urlmon.h>

#include <functional>
#include <span>

#include "platform/win32/com_ptr.h"

namespace zr::widgets {

// The feature controls switched on for the process: each is a restriction when on.
std::span<const INTERNETFEATURELIST> LockedDownFeatures();

// What the web view takes from the system. Tests stand in for it to see the order of the calls.
struct BrowserEngine {
    // Switches one feature control on for the whole process.
    std::function<HRESULT(INTERNETFEATURELIST feature)> enableFeature;
    // Creates a browser control.
    std::function<HRESULT(IOleObject** control)> createControl;
};

// urlmon from System32 for the feature controls; the registered WebBrowser class.
BrowserEngine SystemBrowserEngine();

// Switches every feature of LockedDownFeatures on, then creates the control; nothing is created
// when a feature could not be switched on. Throws zr::Error on failure.
platform::win32::ComPtr<IOleObject> CreateLockedDownBrowser(const BrowserEngine& engine);

}  // namespace zr::widgets
