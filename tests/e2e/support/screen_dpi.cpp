#include "support/screen_dpi.h"

namespace zr::e2e {
namespace {

constexpr wchar_t kDesktop[] = L"Control Panel\\Desktop";
constexpr wchar_t kLogPixels[] = L"LogPixels";

}  // namespace

ScreenDpi::ScreenDpi(int dpi) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, kDesktop, kLogPixels, RRF_RT_REG_DWORD, nullptr, &value,
                     &size) == ERROR_SUCCESS) {
        before_ = value;
    }
    value = static_cast<DWORD>(dpi);
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktop, kLogPixels, REG_DWORD, &value, sizeof value);
}

ScreenDpi::~ScreenDpi() {
    if (before_) {
        RegSetKeyValueW(HKEY_CURRENT_USER, kDesktop, kLogPixels, REG_DWORD, &*before_,
                        sizeof *before_);
    } else {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktop, kLogPixels);
    }
}

}  // namespace zr::e2e
