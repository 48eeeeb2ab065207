#include "widgets/web_host_ui.h"

#include "widgets/com_object.h"

namespace zr::widgets {

namespace {

// window.external: an object that names nothing. Answering with no object at all would let the
// engine fall back on its own, which reaches the user's favourites and the browser's windows.
class NoExternal final : public ComObject<IDispatch, IID_IDispatch> {
  public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID,
                                            DISPID* ids) override {
        for (UINT i = 0; ids && i < count; ++i) ids[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
};

bool IsZoomKey(WPARAM key) {
    return key == VK_OEM_PLUS || key == VK_OEM_MINUS || key == VK_ADD || key == VK_SUBTRACT ||
           key == '0' || key == VK_NUMPAD0;
}

bool IsEditingLetter(WPARAM key) {
    return key == 'A' || key == 'C' || key == 'V' || key == 'X' || key == 'Y' || key == 'Z';
}

// Ctrl and Alt together type characters on many keyboards: those pass.
bool RefusedShortcut(UINT message, WPARAM key, bool control, bool alt) {
    if (message != WM_KEYDOWN && message != WM_SYSKEYDOWN) return false;
    if (key == VK_F1 || key == VK_F11) return true;
    if (!control || alt) return false;
    if (key >= 'A' && key <= 'Z') return !IsEditingLetter(key);
    return IsZoomKey(key);
}

}  // namespace

HRESULT HostUi::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) {
    return S_OK;  // shown by the host: none
}

// The view keeps the engine's own look and behaviour flags.
HRESULT HostUi::GetHostInfo(DOCHOSTUIINFO*) {
    return E_NOTIMPL;
}

// No menus, toolbars or status text of the engine's: there is no room for them.
HRESULT HostUi::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                       IOleInPlaceUIWindow*) {
    return S_OK;
}
HRESULT HostUi::HideUI() {
    return S_OK;
}
HRESULT HostUi::UpdateUI() {
    return S_OK;
}
HRESULT HostUi::EnableModeless(BOOL) {
    return S_OK;
}
HRESULT HostUi::OnDocWindowActivate(BOOL) {
    return S_OK;
}
HRESULT HostUi::OnFrameWindowActivate(BOOL) {
    return S_OK;
}
HRESULT HostUi::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
    return S_OK;
}

HRESULT HostUi::TranslateAccelerator(LPMSG msg, const GUID*, DWORD) {
    if (!msg) return S_FALSE;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    const bool alt = GetKeyState(VK_MENU) < 0;
    return RefusedShortcut(msg->message, msg->wParam, control, alt) ? S_OK : S_FALSE;
}

// Settings stay where the engine keeps them; a key of the program's own would sit in the user's
// part of the registry all the same.
HRESULT HostUi::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    if (key) *key = nullptr;
    return E_NOTIMPL;
}

// A drop navigates, and the navigation filter decides.
HRESULT HostUi::GetDropTarget(IDropTarget*, IDropTarget** target) {
    if (target) *target = nullptr;
    return E_NOTIMPL;
}

HRESULT HostUi::GetExternal(IDispatch** external) {
    if (!external) return E_POINTER;
    *external = new NoExternal;
    return S_OK;
}

HRESULT HostUi::TranslateUrl(DWORD, LPWSTR, LPWSTR* url) {
    if (url) *url = nullptr;
    return S_FALSE;
}

HRESULT HostUi::FilterDataObject(IDataObject*, IDataObject** data) {
    if (data) *data = nullptr;
    return S_FALSE;
}

HRESULT HostUi::ShowMessage(HWND, LPOLESTR, LPOLESTR, DWORD, LPOLESTR, DWORD, LRESULT*) {
    return S_FALSE;  // the engine shows its own
}

// A help file opens in a viewer of its own, which would run as administrator: none.
HRESULT HostUi::ShowHelp(HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) {
    return S_OK;
}

}  // namespace zr::widgets
