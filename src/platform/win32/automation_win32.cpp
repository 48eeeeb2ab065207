#include "platform/win32/automation_win32.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "platform/win32/com_ptr.h"
#include "platform/win32/system_message.h"
#include "platform/win32/wide.h"

namespace zr::automation::win32 {
namespace {

using platform::win32::ComPtr;
using platform::win32::Narrow;
using platform::win32::Widen;

// A VARIANT that clears itself.
class Variant {
  public:
    Variant() { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT* get() { return &value_; }
    const VARIANT& operator*() const { return value_; }

  private:
    VARIANT value_;
};

// Arguments of one call, cleared together however the call ends.
class VariantArray {
  public:
    explicit VariantArray(size_t count) : items_(count) {
        for (auto& item : items_) VariantInit(&item);
    }
    ~VariantArray() {
        for (auto& item : items_) VariantClear(&item);
    }
    VariantArray(const VariantArray&) = delete;
    VariantArray& operator=(const VariantArray&) = delete;

    VARIANT* data() { return items_.data(); }
    VARIANT& operator[](size_t i) { return items_[i]; }
    size_t size() const { return items_.size(); }

  private:
    std::vector<VARIANT> items_;
};

// The texts a server fills into EXCEPINFO, released whatever happens to the call.
class ExceptionInfo {
  public:
    ExceptionInfo() = default;
    ~ExceptionInfo() {
        SysFreeString(info_.bstrSource);
        SysFreeString(info_.bstrDescription);
        SysFreeString(info_.bstrHelpFile);
    }
    ExceptionInfo(const ExceptionInfo&) = delete;
    ExceptionInfo& operator=(const ExceptionInfo&) = delete;

    EXCEPINFO* get() { return &info_; }

    std::string Text() {
        if (info_.pfnDeferredFillIn) info_.pfnDeferredFillIn(&info_);
        if (info_.bstrDescription && SysStringLen(info_.bstrDescription) > 0) {
            std::wstring_view text(info_.bstrDescription, SysStringLen(info_.bstrDescription));
            while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) {
                text.remove_suffix(1);
            }
            return Narrow(text);
        }
        return HresultText(info_.scode ? info_.scode : DISP_E_EXCEPTION);
    }

  private:
    EXCEPINFO info_{};
};

[[noreturn]] void Fail(HRESULT code) {
    throw Error(HresultText(code));
}

BSTR MakeBstr(std::string_view utf8) {
    const std::wstring wide = Widen(utf8);
    BSTR text = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!text) Fail(E_OUTOFMEMORY);
    return text;
}

class DispatchObject;
Value FromVariant(const VARIANT& variant);
void ToVariant(const Value& value, VARIANT& out);

class VariantEnumerator final : public Enumerator {
  public:
    explicit VariantEnumerator(ComPtr<IEnumVARIANT> items) : items_(std::move(items)) {}

    std::optional<Value> Next() override {
        Variant item;
        ULONG fetched = 0;
        // Anything but S_OK ends the walk, failures included: that is how collections end.
        if (items_->Next(1, item.get(), &fetched) != S_OK) return std::nullopt;
        return FromVariant(*item);
    }

  private:
    ComPtr<IEnumVARIANT> items_;
};

class DispatchObject final : public Object {
  public:
    explicit DispatchObject(ComPtr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {}

    IDispatch* Dispatch() const { return dispatch_.Get(); }

    Value Get(const std::string& property) override {
        Variant result;
        // Read the way scripts read: Wine's WMI objects, for one, answer property reads only
        // when the method flag comes with the property flag.
        Invoke(IdOf(property), DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, result.get());
        return FromVariant(*result);
    }

    void Put(const std::string& property, const Value& value) override {
        Invoke(IdOf(property), DISPATCH_PROPERTYPUT, {value}, nullptr);
    }

    Value Call(const std::string& method, const std::vector<Value>& arguments) override {
        Variant result;
        Invoke(IdOf(method), DISPATCH_METHOD, arguments, result.get());
        return FromVariant(*result);
    }

    std::unique_ptr<Enumerator> Enumerate() override {
        Variant result;
        // _NewEnum has a fixed DISPID; collections expose it as a property, some as a method,
        // so ask the way For Each does.
        Invoke(DISPID_NEWENUM, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, result.get());
        IUnknown* source = nullptr;
        if ((*result).vt == VT_UNKNOWN) source = (*result).punkVal;
        if ((*result).vt == VT_DISPATCH) source = (*result).pdispVal;
        if (!source) Fail(E_NOINTERFACE);
        ComPtr<IEnumVARIANT> items;
        const HRESULT hr = source->QueryInterface(IID_IEnumVARIANT, items.OutVoid());
        if (FAILED(hr)) Fail(hr);
        return std::make_unique<VariantEnumerator>(std::move(items));
    }

  private:
    DISPID IdOf(const std::string& name) {
        std::wstring wide = Widen(name);
        LPOLESTR names[] = {wide.data()};
        DISPID id = DISPID_UNKNOWN;
        const HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(hr)) Fail(hr);
        return id;
    }

    void Invoke(DISPID id, WORD flags, const std::vector<Value>& arguments, VARIANT* result) {
        // IDispatch takes its arguments last to first.
        VariantArray args(arguments.size());
        for (size_t i = 0; i < arguments.size(); ++i) {
            ToVariant(arguments[i], args[arguments.size() - 1 - i]);
        }
        DISPID putId = DISPID_PROPERTYPUT;
        DISPPARAMS params{};
        params.rgvarg = args.data();
        params.cArgs = static_cast<UINT>(args.size());
        if (flags == DISPATCH_PROPERTYPUT) {
            params.rgdispidNamedArgs = &putId;
            params.cNamedArgs = 1;
        }
        ExceptionInfo exception;
        UINT argumentError = 0;
        const HRESULT hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                             result, exception.get(), &argumentError);
        if (hr == DISP_E_EXCEPTION) throw Error(exception.Text());
        if (FAILED(hr)) Fail(hr);
    }

    ComPtr<IDispatch> dispatch_;
};

Value FromVariant(const VARIANT& variant) {
    if (variant.vt & VT_BYREF) {
        Variant copy;
        // The headers want a mutable source; neither call writes to it.
        const HRESULT hr = VariantCopyInd(copy.get(), const_cast<VARIANT*>(&variant));
        if (FAILED(hr)) Fail(hr);
        return FromVariant(*copy);
    }
    switch (variant.vt) {
        case VT_EMPTY:
        case VT_NULL:
            return std::monostate{};
        case VT_BSTR:
            return Narrow(std::wstring_view(variant.bstrVal, SysStringLen(variant.bstrVal)));
        case VT_BOOL:
            return variant.boolVal != VARIANT_FALSE;
        case VT_I1:
            return int64_t{variant.cVal};
        case VT_I2:
            return int64_t{variant.iVal};
        case VT_I4:
            return int64_t{variant.lVal};
        case VT_INT:
            return int64_t{variant.intVal};
        case VT_I8:
            return int64_t{variant.llVal};
        case VT_UI1:
            return int64_t{variant.bVal};
        case VT_UI2:
            return int64_t{variant.uiVal};
        case VT_UI4:
            return int64_t{variant.ulVal};
        case VT_UINT:
            return int64_t{variant.uintVal};
        case VT_UI8:
            return static_cast<int64_t>(variant.ullVal);
        case VT_DISPATCH:
            if (!variant.pdispVal) return std::monostate{};  // Nothing
            return WrapDispatch(variant.pdispVal);
        case VT_UNKNOWN: {
            if (!variant.punkVal) return std::monostate{};
            ComPtr<IDispatch> dispatch;
            const HRESULT hr = variant.punkVal->QueryInterface(IID_IDispatch, dispatch.OutVoid());
            if (FAILED(hr)) Fail(hr);
            return std::make_shared<DispatchObject>(std::move(dispatch));
        }
        default: {
            // Dates, currency, floating point: as text, the way a script would read them.
            Variant text;
            const HRESULT hr = VariantChangeType(text.get(), const_cast<VARIANT*>(&variant),
                                                 VARIANT_ALPHABOOL, VT_BSTR);
            if (FAILED(hr)) Fail(hr);
            return FromVariant(*text);
        }
    }
}

void ToVariant(const Value& value, VARIANT& out) {
    if (const auto* text = std::get_if<std::string>(&value)) {
        out.bstrVal = MakeBstr(*text);
        out.vt = VT_BSTR;
    } else if (const auto* number = std::get_if<int64_t>(&value)) {
        // Many servers take only 32-bit integers, as scripts pass them.
        if (*number >= INT32_MIN && *number <= INT32_MAX) {
            out.vt = VT_I4;
            out.lVal = static_cast<LONG>(*number);
        } else {
            out.vt = VT_I8;
            out.llVal = *number;
        }
    } else if (const auto* flag = std::get_if<bool>(&value)) {
        out.vt = VT_BOOL;
        out.boolVal = *flag ? VARIANT_TRUE : VARIANT_FALSE;
    } else if (const auto* object = std::get_if<ObjectPtr>(&value)) {
        IDispatch* dispatch = nullptr;
        if (*object) {
            const auto* com = dynamic_cast<const DispatchObject*>(object->get());
            if (!com) throw Error("The object is not a COM object and cannot be passed to one");
            dispatch = com->Dispatch();
            dispatch->AddRef();
        }
        out.vt = VT_DISPATCH;
        out.pdispVal = dispatch;
    } else {
        out.vt = VT_EMPTY;
    }
}

}  // namespace

ObjectPtr CreateObject(const std::string& progId) {
    CLSID classId{};
    HRESULT hr = CLSIDFromProgID(Widen(progId).c_str(), &classId);
    if (FAILED(hr)) Fail(hr);
    ComPtr<IDispatch> dispatch;
    hr = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                          IID_IDispatch, dispatch.OutVoid());
    if (FAILED(hr)) Fail(hr);
    return std::make_shared<DispatchObject>(std::move(dispatch));
}

ObjectPtr WrapDispatch(IDispatch* dispatch) {
    if (!dispatch) return nullptr;
    return std::make_shared<DispatchObject>(ComPtr<IDispatch>::Share(dispatch));
}

std::string HresultText(HRESULT code) {
    std::string message = platform::win32::SystemMessage(static_cast<DWORD>(code));
    if (!message.empty()) return message;
    // WMI's own codes have no text in the system's message table.
    char fallback[32];
    std::snprintf(fallback, sizeof fallback, "OLE error %08lX", static_cast<unsigned long>(code));
    return fallback;
}

}  // namespace zr::automation::win32
