// ZiRuri: makes a USB flash disk bootable in one click. The program takes no arguments.

#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include "platform/win32/system_library.h"
#include "ui/F_frmMain.h"
#include "ui/instance_guard.h"
#include "widgets/application.h"

namespace {

// The user-interface thread is a single-threaded apartment: the disk list's WMI calls and
// the hosted web browser both need it, and the browser's in-place activation needs OLE.
class ComApartment {
  public:
    ComApartment() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        OleInitialize(nullptr);
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        OleUninitialize();
        CoUninitialize();
    }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    zr::platform::win32::HardenProcess();
    // Held to the end: a second start meanwhile brings this one forward and ends.
    zr::ui::InstanceGuard instance;
    if (instance.PassToRunningInstance()) return 0;
    ComApartment com;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    try {
        zr::widgets::Application application;
        zr::ui::TfrmMain frmMain(application);
        frmMain.Create();
        frmMain.Show();
        return application.Run();
    } catch (...) {
        // Only a window that could not be made at all ends up here.
        zr::widgets::HandleException();
        return 1;
    }
}
