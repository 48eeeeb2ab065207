#pragma once

// The reference count and QueryInterface of a COM object of ours that answers one interface
// besides IUnknown. It is born with one reference, the creator's.

#include <windows.h>

namespace zr::widgets {

template <typename Interface, const IID& kInterfaceId>
class ComObject : public Interface {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != kInterfaceId) return E_NOINTERFACE;
        *out = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

  protected:
    virtual ~ComObject() = default;

  private:
    ULONG references_ = 1;
};

}  // namespace zr::widgets
