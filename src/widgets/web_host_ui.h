#pragma once

// The web view's side of the engine's user interface. A page in the view runs inside an
// administrator process, so the view offers it nothing the program does not need: no context
// menu (view source, save, print, properties), no window.external, no help windows, and none
// of the engine's keyboard shortcuts that open windows, dialogs or files or change the text
// size. Alerts, and everything else the page draws itself, are left to the engine.

#include <windows.h>

#include <mshtmhst.h>

namespace zr::widgets {

// IDocHostUIHandler and IDocHostShowUI for the client site, which gives IUnknown. The shortcuts
// refused: Ctrl with any letter but the editing ones (A, C, V, X, Y, Z), Ctrl with the zoom keys
// (+, -, 0), F1 and F11.
class HostUi : public IDocHostUIHandler, public IDocHostShowUI {
  public:
    // IDocHostUIHandler
    HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override;
    HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO*) override;
    HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*,
                                     IOleInPlaceFrame*, IOleInPlaceUIWindow*) override;
    HRESULT STDMETHODCALLTYPE HideUI() override;
    HRESULT STDMETHODCALLTYPE UpdateUI() override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override;
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override;
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override;
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg, const GUID*, DWORD) override;
    HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD) override;
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget** target) override;
    HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) override;
    HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR* url) override;
    HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject** data) override;

    // IDocHostShowUI
    HRESULT STDMETHODCALLTYPE ShowMessage(HWND, LPOLESTR, LPOLESTR, DWORD, LPOLESTR, DWORD,
                                          LRESULT*) override;
    HRESULT STDMETHODCALLTYPE ShowHelp(HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) override;

  protected:
    ~HostUi() = default;
};

}  // namespace zr::widgets
