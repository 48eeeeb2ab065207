#pragma once

// For test programs under Wine: the stand-in accessibility annotation service (fakeaccess.dll)
// in place of the system's, and what a program told it about a window. Wine's own service
// keeps nothing, so only through this can a test read back the names a program gives its
// controls for screen readers.

#include <windows.h>

#include <string>

namespace zr::test::fakeaccess {

// {1D0C4498-68ED-48B1-BABB-44A8099785BE}
inline constexpr CLSID kClassId = {
    0x1d0c4498, 0x68ed, 0x48b1, {0xba, 0xbb, 0x44, 0xa8, 0x09, 0x97, 0x85, 0xbe}};
// The window properties the stand-in keeps an annotation in.
inline constexpr wchar_t kNameProperty[] = L"ZiRuri.Test.AccessibleName";
inline constexpr wchar_t kRoleProperty[] = L"ZiRuri.Test.AccessibleRole";

// While this lives, the system's annotation service is the stand-in for every process of the
// prefix (HKCR, as "TreatAs" of the system's class); afterwards it is the system's again.
class Registration {
  public:
    Registration();
    ~Registration();
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;
};

// The name a program gave the window (UTF-8), empty when none.
std::string AnnotatedName(HWND window);
// The role a program gave the window (ROLE_SYSTEM_...), 0 when none.
long AnnotatedRole(HWND window);

}  // namespace zr::test::fakeaccess
