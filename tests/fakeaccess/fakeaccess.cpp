// A stand-in for the system's accessibility annotation service (CLSID_AccPropServices), for
// tests only: Wine's own answers every annotation with E_NOTIMPL. This one keeps what a
// program says of a window as that window's properties, which a test program in another
// process can read (see fake_access.h): the name as a global atom, the role as it is.

#include <windows.h>

#include <oleacc.h>

#include <atomic>
#include <new>

#include "fake_access.h"

namespace {

std::atomic<long> gLiveObjects{0};

bool IsClient(DWORD idObject, DWORD idChild) {
    return static_cast<LONG>(idObject) == OBJID_CLIENT && idChild == CHILDID_SELF;
}

void ForgetName(HWND window) {
    if (HANDLE atom = RemovePropW(window, zr::test::fakeaccess::kNameProperty)) {
        GlobalDeleteAtom(static_cast<ATOM>(reinterpret_cast<UINT_PTR>(atom)));
    }
}

class Annotations final : public IAccPropServices {
  public:
    Annotations() { ++gLiveObjects; }
    ~Annotations() { --gLiveObjects; }
    Annotations(const Annotations&) = delete;
    Annotations& operator=(const Annotations&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IAccPropServices)) {
            return E_NOINTERFACE;
        }
        *out = static_cast<IAccPropServices*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE SetHwndPropStr(HWND hwnd, DWORD idObject, DWORD idChild,
                                             MSAAPROPID idProp, LPCWSTR str) override {
        if (!IsClient(idObject, idChild) || !IsEqualGUID(idProp, PROPID_ACC_NAME)) {
            return E_INVALIDARG;
        }
        ForgetName(hwnd);
        const ATOM atom = GlobalAddAtomW(str);
        SetPropW(hwnd, zr::test::fakeaccess::kNameProperty,
                 reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(atom)));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHwndProp(HWND hwnd, DWORD idObject, DWORD idChild,
                                          MSAAPROPID idProp, VARIANT var) override {
        if (!IsClient(idObject, idChild) || !IsEqualGUID(idProp, PROPID_ACC_ROLE) ||
            var.vt != VT_I4) {
            return E_INVALIDARG;
        }
        SetPropW(hwnd, zr::test::fakeaccess::kRoleProperty,
                 reinterpret_cast<HANDLE>(static_cast<INT_PTR>(var.lVal)));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ClearHwndProps(HWND hwnd, DWORD idObject, DWORD idChild,
                                             const MSAAPROPID*, int) override {
        if (!IsClient(idObject, idChild)) return E_INVALIDARG;
        ForgetName(hwnd);
        RemovePropW(hwnd, zr::test::fakeaccess::kRoleProperty);
        return S_OK;
    }

    // Nothing else is asked of it.
    HRESULT STDMETHODCALLTYPE SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int,
                                            IAccPropServer*, AnnoScope) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int,
                                                IAccPropServer*, AnnoScope) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**,
                                                        DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*,
                                                          DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int,
                                                 IAccPropServer*, AnnoScope) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*,
                                                           DWORD*) override {
        return E_NOTIMPL;
    }

  private:
    std::atomic<ULONG> references_{1};
};

class Factory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
            return E_NOINTERFACE;
        }
        *out = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    // One static factory lives as long as the DLL.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* annotations = new (std::nothrow) Annotations();
        if (!annotations) return E_OUTOFMEMORY;
        const HRESULT hr = annotations->QueryInterface(iid, out);
        annotations->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory gFactory;

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(classId, zr::test::fakeaccess::kClassId)) return CLASS_E_CLASSNOTAVAILABLE;
    return gFactory.QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return gLiveObjects == 0 ? S_OK : S_FALSE;
}
