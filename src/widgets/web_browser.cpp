#include "widgets/web_browser.h"

#include <exdispid.h>
#include <mshtmdid.h>
#include <ocidl.h>
#include <oleidl.h>
#include <servprov.h>

#include "platform/error.h"
#include "platform/win32/automation_win32.h"
#include "platform/win32/wide.h"
#include "widgets/application.h"
#include "widgets/web_host_ui.h"
#include "widgets/web_security.h"

namespace zr::widgets {

using automation::win32::HresultText;
using platform::win32::ComPtr;

namespace {

void Check(HRESULT hr) {
    if (FAILED(hr)) throw Error(HresultText(hr));
}

}  // namespace

// The container side of the browser: client site, in-place site and frame, the event sink, the
// engine's user interface and the services it asks the host for. The browser holds references
// to it, so it lives on its own reference count and only points back at its WebBrowser until
// that lets it go.
class WebBrowser::Site final : public IOleClientSite,
                               public IOleInPlaceSite,
                               public IOleInPlaceFrame,
                               public IDispatch,
                               public IServiceProvider,
                               public HostUi {
  public:
    explicit Site(WebBrowser* owner) : owner_(owner) {}
    void Detach() { owner_ = nullptr; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
            *out = static_cast<IOleClientSite*>(this);
        } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
            *out = static_cast<IOleInPlaceSite*>(this);
        } else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
            *out = static_cast<IOleInPlaceFrame*>(this);
        } else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) {
            *out = static_cast<IDispatch*>(this);
        } else if (iid == IID_IServiceProvider) {
            *out = static_cast<IServiceProvider*>(this);
        } else if (iid == IID_IDocHostUIHandler) {
            *out = static_cast<IDocHostUIHandler*>(this);
        } else if (iid == __uuidof(IDocHostShowUI)) {
            *out = static_cast<IDocHostShowUI*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        if (moniker) *moniker = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
        if (container) *container = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (for both the site and the frame)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = owner_ ? owner_->Handle() : nullptr;
        return *window ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return owner_ ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame,
                                               IOleInPlaceUIWindow** document, LPRECT position,
                                               LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
        if (!frame || !document || !position || !clip || !info) return E_POINTER;
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *document = nullptr;
        HWND host = owner_ ? owner_->Handle() : nullptr;
        GetClientRect(host, position);
        *clip = *position;
        info->fMDIApp = FALSE;
        info->hwndFrame = host ? GetAncestor(host, GA_ROOT) : nullptr;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT position) override {
        if (!owner_ || !owner_->object_ || !position) return E_FAIL;
        auto inPlace = owner_->object_.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
        if (inPlace) inPlace->SetObjectRects(position, position);
        return S_OK;
    }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no tool space, menus or status bar here.
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override {
        return INPLACE_E_NOTOOLSPACE;
    }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDispatch: the ambient properties of the client site, and the DWebBrowserEvents2 sink.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT*) override {
        if (flags & DISPATCH_METHOD) {
            if (params) OnEvent(member, *params);
            return S_OK;
        }
        if (flags & DISPATCH_PROPERTYGET) return AmbientProperty(member, result);
        return DISP_E_MEMBERNOTFOUND;
    }

    // IServiceProvider: the engine asks here for the security manager that has the last word
    // over the zones' settings. It keeps asking this site which pages are the view's own.
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (service != SID_SInternetSecurityManager) return E_NOINTERFACE;
        auto manager =
            MakeSecurityManager([site = ComPtr<Site>::Share(this)](const std::wstring& url) {
                return site->Allows(url);
            });
        return manager->QueryInterface(iid, out);
    }

  private:
    // Of the ambient properties only the download control is answered; the others keep the
    // browser's defaults. A page gets its pictures, videos and sounds and runs its scripts (the
    // home page needs them), but no ActiveX control, Java applet or binary behaviour.
    static HRESULT AmbientProperty(DISPID member, VARIANT* result) {
        if (member != DISPID_AMBIENT_DLCONTROL || !result) return DISP_E_MEMBERNOTFOUND;
        VariantInit(result);
        result->vt = VT_I4;
        result->lVal = DLCTL_DLIMAGES | DLCTL_VIDEOS | DLCTL_BGSOUNDS | DLCTL_NO_JAVA |
                       DLCTL_NO_DLACTIVEXCTLS | DLCTL_NO_RUNACTIVEXCTLS | DLCTL_NO_BEHAVIORS;
        return S_OK;
    }

    void OnEvent(DISPID member, DISPPARAMS& params) {
        switch (member) {
            case DISPID_BEFORENAVIGATE2:
                // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
                if (params.cArgs == 7) Cancel(params, 6, !Allows(TextOf(Argument(params, 1))));
                break;
            case DISPID_NEWWINDOW2:  // (ppDisp, Cancel)
            case DISPID_NEWWINDOW3:  // (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
                if (params.cArgs >= 2) Cancel(params, 1, true);
                break;
            case DISPID_FILEDOWNLOAD:
                // (ActiveDocument, Cancel). The browser also announces every page it is about to
                // show in place as an active document; those have passed BeforeNavigate2 already.
                // Anything else would be saved to disk or handed to another program.
                if (params.cArgs == 2) Cancel(params, 1, !IsTrue(Argument(params, 0)));
                break;
            case DISPID_DOCUMENTCOMPLETE:
                // (pDisp, URL)
                if (params.cArgs == 2) DocumentComplete(params);
                break;
        }
    }

    // Arguments arrive last first; position counts from the first.
    static VARIANT& Argument(DISPPARAMS& params, UINT position) {
        return params.rgvarg[params.cArgs - 1 - position];
    }

    static std::wstring TextOf(const VARIANT& argument) {
        const VARIANT* text = argument.vt == (VT_VARIANT | VT_BYREF) ? argument.pvarVal : &argument;
        if (text && text->vt == VT_BSTR && text->bstrVal) return text->bstrVal;
        return {};
    }

    static bool IsTrue(const VARIANT& argument) {
        return argument.vt == VT_BOOL && argument.boolVal != VARIANT_FALSE;
    }

    static void Cancel(DISPPARAMS& params, UINT position, bool cancel) {
        VARIANT& flag = Argument(params, position);
        if (flag.vt == (VT_BOOL | VT_BYREF) && flag.pboolVal) {
            *flag.pboolVal = cancel ? VARIANT_TRUE : VARIANT_FALSE;
        }
    }

    // A COM call is a dispatch boundary of its own: nothing may be thrown back into the
    // browser. A navigation whose check failed is refused.
    bool Allows(const std::wstring& url) {
        if (!owner_ || !owner_->onBeforeNavigate) return false;
        try {
            return owner_->onBeforeNavigate(url);
        } catch (...) {
            HandleException();
            return false;
        }
    }

    void DocumentComplete(DISPPARAMS& params) {
        if (!owner_ || !owner_->onDocumentComplete) return;
        const VARIANT& browser = Argument(params, 0);
        IDispatch* pDisp = browser.vt == VT_DISPATCH ? browser.pdispVal : nullptr;
        try {
            owner_->onDocumentComplete(pDisp, TextOf(Argument(params, 1)));
        } catch (...) {
            HandleException();
        }
    }

    WebBrowser* owner_;
    ULONG references_ = 1;
};

WebBrowser::WebBrowser(BrowserEngine engine) : engine_(std::move(engine)) {}

WebBrowser::~WebBrowser() {
    CloseBrowser();
}

void WebBrowser::Create(HWND parent, int id, const RECT& bounds) {
    CustomWindow::Create({.className = L"ZiRuriWebBrowser",
                          .parent = parent,
                          .id = id,
                          // Not a tab stop: the page is there to be read and clicked, and the
                          // keyboard walks the window's own controls.
                          .style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                          .bounds = bounds,
                          .classBrush = GetSysColorBrush(COLOR_WINDOW)});
    try {
        CreateBrowser();
    } catch (const std::exception& e) {
        CloseBrowser();
        createError_ = e.what();
    }
}

void WebBrowser::CreateBrowser() {
    site_ = new Site(this);
    object_ = CreateLockedDownBrowser(engine_);
    Check(object_->SetClientSite(site_));
    OleSetContainedObject(object_.Get(), TRUE);
    RECT area{};
    GetClientRect(hwnd_, &area);
    Check(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, hwnd_, &area));
    browser_ = object_.As<IWebBrowser2>(IID_IWebBrowser2);
    if (!browser_) Check(E_NOINTERFACE);
    Check(browser_->put_Silent(VARIANT_TRUE));
    auto points = object_.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ComPtr<IConnectionPoint> point;
    if (points && SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, point.Out()))) {
        point->Advise(static_cast<IDispatch*>(site_), &adviseCookie_);
    }
}

void WebBrowser::CloseBrowser() {
    if (object_ && adviseCookie_) {
        auto points = object_.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
        ComPtr<IConnectionPoint> point;
        if (points &&
            SUCCEEDED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, point.Out()))) {
            point->Unadvise(adviseCookie_);
        }
        adviseCookie_ = 0;
    }
    browser_.Reset();
    if (object_) {
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
        object_.Reset();
    }
    if (site_) {
        site_->Detach();
        static_cast<IOleClientSite*>(site_)->Release();
        site_ = nullptr;
    }
}

void WebBrowser::Navigate(const std::string& address) {
    if (!browser_) throw Error(createError_.empty() ? "No web browser" : createError_);
    SetText(address);
    BSTR url = SysAllocString(platform::win32::Widen(address).c_str());
    VARIANT none;
    VariantInit(&none);
    const HRESULT hr = browser_->Navigate(url, &none, &none, &none, &none);
    SysFreeString(url);
    Check(hr);
}

IDispatch* WebBrowser::Application() const {
    return browser_.Get();
}

bool WebBrowser::TranslateAccelerator(MSG& msg) {
    if (!hwnd_ || !IsChild(hwnd_, msg.hwnd)) return false;
    if (msg.message == WM_MOUSEWHEEL) return (GET_KEYSTATE_WPARAM(msg.wParam) & MK_CONTROL) != 0;
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    auto active = object_.As<IOleInPlaceActiveObject>(IID_IOleInPlaceActiveObject);
    return active && active->TranslateAccelerator(&msg) == S_OK;
}

void WebBrowser::SetZoom(int percent) {
    if (!browser_) return;
    VARIANT zoom;
    VariantInit(&zoom);
    zoom.vt = VT_I4;
    zoom.lVal = percent;
    browser_->ExecWB(OLECMDID_OPTICAL_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &zoom, nullptr);
}

LRESULT WebBrowser::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (auto inPlace = object_.As<IOleInPlaceObject>(IID_IOleInPlaceObject)) {
                RECT area{0, 0, LOWORD(lParam), HIWORD(lParam)};
                inPlace->SetObjectRects(&area, &area);
            }
            return 0;
        case WM_SETFOCUS:
            if (object_) {
                RECT area{};
                GetClientRect(hwnd_, &area);
                object_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site_, 0, hwnd_, &area);
            }
            return 0;
        case WM_DESTROY:
            CloseBrowser();
            break;
    }
    return Default(message, wParam, lParam);
}

}  // namespace zr::widgets
