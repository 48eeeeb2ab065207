#include "disk/win32/wmi_locator.h"

#include "platform/win32/automation_win32.h"

namespace zr::disk::win32 {

automation::ObjectPtr CreateWmiLocator() {
    return automation::win32::CreateObject("WbemScripting.SWbemLocator");
}

}  // namespace zr::disk::win32
