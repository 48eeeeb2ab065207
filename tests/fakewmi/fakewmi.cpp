// A stand-in for the WMI scripting locator, for tests only: an in-process COM server that
// answers late-bound calls the way WbemScripting.SWbemLocator does for the two classes the
// disk list asks about, with rows from a scenario file (see scenario.h). The scenario is read
// again on every ConnectServer and ExecQuery, so a test can change the disks between refreshes.
//
// Registering it (DllRegisterServer, or regsvr32) points the ProgID at this DLL and remembers
// the class it pointed at before; unregistering points the ProgID back there.

#include <windows.h>

#include <ole2.h>
#include <olectl.h>

#include <atomic>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "scenario.h"
#include "volume_sizes.h"

namespace fakewmi {
namespace {

// {F1C76563-6A92-4DFD-B4E9-AEF57725EE8B}
const CLSID kFakeLocator = {
    0xf1c76563, 0x6a92, 0x4dfd, {0xb4, 0xe9, 0xae, 0xf5, 0x77, 0x25, 0xee, 0x8b}};
const wchar_t kFakeLocatorText[] = L"{F1C76563-6A92-4DFD-B4E9-AEF57725EE8B}";
// The system's own SWbemLocator, restored when nothing else was remembered.
const wchar_t kSystemLocatorText[] = L"{76A64158-CB41-11D1-8B02-00600806D9B6}";
const wchar_t kProgId[] = L"WbemScripting.SWbemLocator";
const wchar_t kRemembered[] = L"ReplacedClass";

constexpr HRESULT kWbemFailed = static_cast<HRESULT>(0x80041001);
constexpr HRESULT kWbemInvalidClass = static_cast<HRESULT>(0x80041010);
constexpr HRESULT kWbemInvalidNamespace = static_cast<HRESULT>(0x8004100E);

HMODULE gModule = nullptr;
std::atomic<long> gLiveObjects{0};
std::atomic<long> gLocks{0};

HRESULT Raise(EXCEPINFO* exception, const std::wstring& description, HRESULT code) {
    if (!exception) return code;
    *exception = EXCEPINFO{};
    exception->bstrSource = SysAllocString(L"fakewmi");
    exception->bstrDescription = SysAllocString(description.c_str());
    exception->scode = code;
    return DISP_E_EXCEPTION;
}

// Argument i of a call, counting from the first as written.
const VARIANT* Argument(const DISPPARAMS& params, UINT i) {
    if (i >= params.cArgs) return nullptr;
    const VARIANT* argument = &params.rgvarg[params.cArgs - 1 - i];
    if (argument->vt == (VT_BYREF | VT_VARIANT)) argument = argument->pvarVal;
    return argument;
}

std::wstring Text(const VARIANT* argument) {
    if (!argument) return L"<missing>";
    if (argument->vt == VT_BSTR) {
        return L"\"" + std::wstring(argument->bstrVal, SysStringLen(argument->bstrVal)) + L"\"";
    }
    if (argument->vt == (VT_BYREF | VT_BSTR)) {
        return L"\"" + std::wstring(*argument->pbstrVal, SysStringLen(*argument->pbstrVal)) + L"\"";
    }
    return L"<vt " + std::to_wstring(argument->vt) + L">";
}

// A text argument's characters; empty for anything else.
std::wstring StringOf(const VARIANT* argument) {
    if (argument && argument->vt == VT_BSTR) {
        return std::wstring(argument->bstrVal, SysStringLen(argument->bstrVal));
    }
    if (argument && argument->vt == (VT_BYREF | VT_BSTR)) {
        return std::wstring(*argument->pbstrVal, SysStringLen(*argument->pbstrVal));
    }
    return {};
}

// Reference counting and QueryInterface for an object that serves one interface. Each new
// object starts with one reference, which goes to whoever asked for it.
template <class Interface>
class ComObject : public Interface {
  public:
    explicit ComObject(REFIID iid) : iid_(iid) { ++gLiveObjects; }
    virtual ~ComObject() { --gLiveObjects; }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, iid_)) {
            *out = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

  private:
    const IID& iid_;
    std::atomic<ULONG> references_{1};
};

class Dispatch : public ComObject<IDispatch> {
  public:
    Dispatch() : ComObject(IID_IDispatch) {}

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (!names || !ids || count == 0) return E_INVALIDARG;
        HRESULT result = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = i == 0 ? MemberId(Lower(names[0])) : DISPID_UNKNOWN;
            if (ids[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT*) override {
        if (!params) return E_INVALIDARG;
        if (result) VariantInit(result);
        try {
            return Call(id, flags, *params, result, exception);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

  protected:
    // DISPID_UNKNOWN for a name the object does not have; name is lower-case.
    virtual DISPID MemberId(const std::wstring& name) = 0;
    virtual HRESULT Call(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result,
                         EXCEPINFO* exception) = 0;
};

template <class T, class... Args>
void ReturnObject(VARIANT* result, Args&&... args) {
    auto* object = new T(std::forward<Args>(args)...);
    if (!result) {
        object->Release();
        return;
    }
    result->vt = VT_DISPATCH;
    result->pdispVal = object;
}

enum class WmiClass { Association, Drive, StorageDisk };

std::vector<std::wstring> StandardProperties(WmiClass wmiClass) {
    if (wmiClass == WmiClass::Association) {
        return {L"antecedent", L"dependent", L"endingaddress", L"startingaddress"};
    }
    if (wmiClass == WmiClass::StorageDisk) {
        return {L"number", L"bustype", L"friendlyname", L"serialnumber", L"size"};
    }
    return {L"name", L"interfacetype", L"pnpdeviceid", L"deviceid",     L"model",      L"caption",
            L"size", L"mediatype",     L"index",       L"serialnumber", L"description"};
}

class RowObject final : public Dispatch {
  public:
    RowObject(WmiClass wmiClass, Row row)
        : row_(std::move(row)),
          names_(StandardProperties(wmiClass)),
          numbers_(wmiClass == WmiClass::StorageDisk) {
        for (const auto& property : row_.properties) {
            const std::wstring name = Lower(property.first);
            if (IdOf(name) == DISPID_UNKNOWN) names_.push_back(name);
        }
    }

  protected:
    DISPID MemberId(const std::wstring& name) override { return IdOf(name); }

    HRESULT Call(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result,
                 EXCEPINFO*) override {
        if (id < 1 || static_cast<size_t>(id) > names_.size()) return DISP_E_MEMBERNOTFOUND;
        if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        if (params.cArgs != 0) return DISP_E_BADPARAMCOUNT;
        if (!result) return S_OK;
        result->vt = VT_NULL;
        const std::wstring& name = names_[static_cast<size_t>(id) - 1];
        for (const auto& [property, value] : row_.properties) {
            if (Lower(property) != name) continue;
            if (value && numbers_ && IsNumber(*value)) {
                result->vt = VT_I4;
                result->lVal = std::wcstol(value->c_str(), nullptr, 10);
            } else if (value) {
                result->vt = VT_BSTR;
                result->bstrVal =
                    SysAllocStringLen(value->data(), static_cast<UINT>(value->size()));
            }
            break;
        }
        return S_OK;
    }

  private:
    DISPID IdOf(const std::wstring& name) const {
        for (size_t i = 0; i < names_.size(); ++i) {
            if (names_[i] == name) return static_cast<DISPID>(i + 1);
        }
        return DISPID_UNKNOWN;
    }

    static bool IsNumber(const std::wstring& text) {
        return !text.empty() && text.find_first_not_of(L"0123456789") == std::wstring::npos;
    }

    Row row_;
    std::vector<std::wstring> names_;
    bool numbers_;  // whole numbers as integers, the storage namespace's way
};

using RowList = std::shared_ptr<const std::vector<Row>>;

class RowEnumerator final : public ComObject<IEnumVARIANT> {
  public:
    RowEnumerator(WmiClass wmiClass, RowList rows, size_t next = 0)
        : ComObject(IID_IEnumVARIANT), class_(wmiClass), rows_(std::move(rows)), next_(next) {}

    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override {
        if (!items) return E_POINTER;
        ULONG got = 0;
        while (got < count && next_ < rows_->size()) {
            VariantInit(&items[got]);
            ReturnObject<RowObject>(&items[got], class_, (*rows_)[next_]);
            ++got;
            ++next_;
        }
        if (fetched) *fetched = got;
        return got == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const size_t left = rows_->size() - next_;
        next_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
        if (!out) return E_POINTER;
        *out = new RowEnumerator(class_, rows_, next_);
        return S_OK;
    }

  private:
    WmiClass class_;
    RowList rows_;
    size_t next_;
};

// The result of a query: SWbemObjectSet.
class ObjectSet final : public Dispatch {
  public:
    ObjectSet(WmiClass wmiClass, std::vector<Row> rows)
        : class_(wmiClass), rows_(std::make_shared<const std::vector<Row>>(std::move(rows))) {}

  protected:
    DISPID MemberId(const std::wstring& name) override {
        if (name == L"count") return 1;
        if (name == L"_newenum") return DISPID_NEWENUM;
        return DISPID_UNKNOWN;
    }

    HRESULT Call(DISPID id, WORD flags, const DISPPARAMS&, VARIANT* result, EXCEPINFO*) override {
        if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) return DISP_E_MEMBERNOTFOUND;
        if (id == 1) {
            if (result) {
                result->vt = VT_I4;
                result->lVal = static_cast<LONG>(rows_->size());
            }
            return S_OK;
        }
        if (id != DISPID_NEWENUM) return DISP_E_MEMBERNOTFOUND;
        if (result) {
            result->vt = VT_UNKNOWN;
            result->punkVal = new RowEnumerator(class_, rows_);
        }
        return S_OK;
    }

  private:
    WmiClass class_;
    RowList rows_;
};

std::wstring QueriedClass(const std::wstring& query) {
    const std::wstring lower = Lower(query);
    const size_t from = lower.find(L" from ");
    if (from == std::wstring::npos) return {};
    size_t start = from + 6;
    while (start < lower.size() && lower[start] == L' ') ++start;
    const size_t end = lower.find_first_of(L" \t", start);
    return lower.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

// SWbemServices, of root\cimv2 or of the storage namespace.
class Services final : public Dispatch {
  public:
    explicit Services(bool storage = false) : storage_(storage) {}

  protected:
    DISPID MemberId(const std::wstring& name) override {
        return name == L"execquery" ? 1 : DISPID_UNKNOWN;
    }

    HRESULT Call(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result,
                 EXCEPINFO* exception) override {
        if (id != 1 || !(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        const VARIANT* query = Argument(params, 0);
        if (!query) return DISP_E_PARAMNOTOPTIONAL;
        if (query->vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
        const std::wstring text(query->bstrVal, SysStringLen(query->bstrVal));
        LogCall(L"ExecQuery(" + Text(query) + L")");

        Scenario scenario;
        std::wstring error;
        if (!LoadScenario(scenario, error)) return Raise(exception, error, kWbemFailed);
        const std::wstring wmiClass = QueriedClass(text);
        if (const auto failure = scenario.failures.find(wmiClass);
            failure != scenario.failures.end()) {
            return Raise(exception, failure->second, kWbemFailed);
        }
        if (storage_) {
            if (wmiClass != L"msft_disk")
                return Raise(exception, L"Invalid class ", kWbemInvalidClass);
            ReturnObject<ObjectSet>(result, WmiClass::StorageDisk,
                                    std::move(scenario.storageDisks));
        } else if (wmiClass == L"win32_logicaldisktopartition") {
            ReturnObject<ObjectSet>(result, WmiClass::Association,
                                    std::move(scenario.associations));
        } else if (wmiClass == L"win32_diskdrive") {
            ReturnObject<ObjectSet>(result, WmiClass::Drive, std::move(scenario.drives));
        } else {
            return Raise(exception, L"Invalid class ", kWbemInvalidClass);
        }
        return S_OK;
    }

  private:
    bool storage_;
};

// SWbemLocator.
class Locator final : public Dispatch {
  protected:
    DISPID MemberId(const std::wstring& name) override {
        return name == L"connectserver" ? 1 : DISPID_UNKNOWN;
    }

    HRESULT Call(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result,
                 EXCEPINFO* exception) override {
        if (id != 1 || !(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        std::wstring line = L"ConnectServer(";
        for (UINT i = 0; i < params.cArgs; ++i) {
            if (i > 0) line += L", ";
            line += Text(Argument(params, i));
        }
        LogCall(line + L")");

        Scenario scenario;
        std::wstring error;
        if (!LoadScenario(scenario, error)) return Raise(exception, error, kWbemFailed);
        const std::wstring name = Lower(StringOf(Argument(params, 1)));
        const bool storage = name == L"root\\microsoft\\windows\\storage";
        if (!name.empty() && !storage)
            return Raise(exception, L"Invalid namespace ", kWbemInvalidNamespace);
        if (const auto failure = scenario.failures.find(storage ? L"storage" : L"connectserver");
            failure != scenario.failures.end()) {
            return Raise(exception, failure->second, kWbemFailed);
        }
        ReturnObject<Services>(result, storage);
        return S_OK;
    }
};

class LocatorFactory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // One static factory lives as long as the DLL.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        Scenario scenario;
        std::wstring error;
        if (LoadScenario(scenario, error) && scenario.failures.count(L"locator")) return E_FAIL;
        Locator* locator = new (std::nothrow) Locator();
        if (!locator) return E_OUTOFMEMORY;
        const HRESULT hr = locator->QueryInterface(iid, out);
        locator->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        gLocks += lock ? 1 : -1;
        return S_OK;
    }
};

LocatorFactory gFactory;

// ---- registration ----

std::wstring ReadDefault(HKEY root, const std::wstring& key, const wchar_t* value = nullptr) {
    wchar_t buffer[256] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueW(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    return buffer;
}

bool WriteText(const std::wstring& key, const wchar_t* value, const std::wstring& text) {
    return RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), value, REG_SZ, text.c_str(),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(gModule, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) return path.substr(0, n);
        path.resize(path.size() * 2);
    }
}

}  // namespace
}  // namespace fakewmi

using namespace fakewmi;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        gModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(classId, kFakeLocator)) return CLASS_E_CLASSNOTAVAILABLE;
    AnswerVolumeSizes();
    return gFactory.QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return gLiveObjects == 0 && gLocks == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    const std::wstring classKey = std::wstring(L"CLSID\\") + kFakeLocatorText;
    const std::wstring progIdKey = std::wstring(kProgId) + L"\\CLSID";
    const std::wstring current = ReadDefault(HKEY_CLASSES_ROOT, progIdKey);
    bool ok = true;
    if (!current.empty() && current != kFakeLocatorText) {
        ok = ok && WriteText(classKey, kRemembered, current);
    }
    ok = ok && WriteText(classKey, nullptr, L"ZiRuri test stand-in for the WMI scripting locator");
    ok = ok && WriteText(classKey + L"\\InprocServer32", nullptr, ModulePath());
    ok = ok && WriteText(classKey + L"\\InprocServer32", L"ThreadingModel", L"Both");
    ok = ok && WriteText(classKey + L"\\ProgID", nullptr, kProgId);
    ok = ok && WriteText(progIdKey, nullptr, kFakeLocatorText);
    return ok ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    const std::wstring classKey = std::wstring(L"CLSID\\") + kFakeLocatorText;
    const std::wstring progIdKey = std::wstring(kProgId) + L"\\CLSID";
    std::wstring previous = ReadDefault(HKEY_CLASSES_ROOT, classKey, kRemembered);
    if (previous.empty()) previous = kSystemLocatorText;
    if (ReadDefault(HKEY_CLASSES_ROOT, progIdKey) == kFakeLocatorText &&
        !WriteText(progIdKey, nullptr, previous)) {
        return SELFREG_E_CLASS;
    }
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, classKey.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}
