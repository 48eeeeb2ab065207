#include "widgets/accessible.h"

#include <oleacc.h>

#include "platform/win32/com_ptr.h"
#include "platform/win32/wide.h"

namespace zr::widgets {

namespace {

using platform::win32::ComPtr;

// The service lives in oleacc.dll, which COM loads from System32 by its registration; the
// program itself imports nothing of it.
ComPtr<IAccPropServices> AnnotationService() {
    ComPtr<IAccPropServices> service;
    CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                     service.OutVoid());
    return service;
}

BOOL CALLBACK ClearOne(HWND window, LPARAM service) {
    MSAAPROPID annotated[] = {PROPID_ACC_NAME, PROPID_ACC_ROLE};
    reinterpret_cast<IAccPropServices*>(service)->ClearHwndProps(
        window, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, annotated, 2);
    return TRUE;
}

}  // namespace

void SetAccessibleName(HWND control, const std::string& name) {
    if (auto service = AnnotationService()) {
        service->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                PROPID_ACC_NAME, platform::win32::Widen(name).c_str());
    }
}

void SetAccessibleRole(HWND control, long role) {
    if (auto service = AnnotationService()) {
        VARIANT value;
        value.vt = VT_I4;
        value.lVal = role;
        service->SetHwndProp(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                             PROPID_ACC_ROLE, value);
    }
}

void ClearAccessibleAnnotations(HWND window) {
    auto service = AnnotationService();
    if (!service) return;
    ClearOne(window, reinterpret_cast<LPARAM>(service.Get()));
    EnumChildWindows(window, ClearOne, reinterpret_cast<LPARAM>(service.Get()));
}

}  // namespace zr::widgets
