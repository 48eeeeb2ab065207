#include "fake_access.h"

#include <stdexcept>

#include "platform/win32/wide.h"

namespace zr::test::fakeaccess {
namespace {

const wchar_t kStandIn[] = L"CLSID\\{1D0C4498-68ED-48B1-BABB-44A8099785BE}";
const wchar_t kStandInText[] = L"{1D0C4498-68ED-48B1-BABB-44A8099785BE}";
const wchar_t kSystemService[] = L"CLSID\\{B5F8350B-0548-48B1-A6EE-88BD00B4A5E7}";

void Write(const std::wstring& key, const wchar_t* value, const std::wstring& text) {
    if (RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), value, REG_SZ, text.c_str(),
                        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot register the stand-in annotation service");
    }
}

void Unregister() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(kSystemService) + L"\\TreatAs").c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kStandIn);
}

}  // namespace

Registration::Registration() {
    // Built next to the tests; its host path is fixed when the build is configured.
    std::wstring dll = L"Z:";
    for (const char c : std::string(ZR_FAKEACCESS_DLL)) dll += c == '/' ? L'\\' : wchar_t(c);
    Write(std::wstring(kStandIn) + L"\\InprocServer32", nullptr, dll);
    Write(std::wstring(kStandIn) + L"\\InprocServer32", L"ThreadingModel", L"Both");
    Write(std::wstring(kSystemService) + L"\\TreatAs", nullptr, kStandInText);
}

Registration::~Registration() {
    Unregister();
}

std::string AnnotatedName(HWND window) {
    const auto atom =
        static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(window, kNameProperty)));
    wchar_t name[256] = {};
    const UINT length = atom ? GlobalGetAtomNameW(atom, name, 256) : 0;
    return platform::win32::Narrow(std::wstring_view(name, length));
}

long AnnotatedRole(HWND window) {
    return static_cast<long>(reinterpret_cast<INT_PTR>(GetPropW(window, kRoleProperty)));
}

}  // namespace zr::test::fakeaccess
