#include "support/user_locale.h"

#ifdef _WIN32
#include <windows.h>

#include <cwchar>
#else
#include <clocale>
#include <cstdlib>
#endif

namespace zr::test {
namespace {

// Asked here rather than through the platform layer, whose answer is what the tests check.
#ifdef _WIN32
std::string Separator() {
    wchar_t separator[8] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    return std::string(separator, separator + wcslen(separator));  // ASCII in practice
}

bool SetSeparator(const std::string& separator) {
    const std::wstring wide(separator.begin(), separator.end());
    return SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, wide.c_str()) != FALSE;
}
#else
std::string Separator() {
    return std::localeconv()->decimal_point;
}

bool SetLocale(const char* name) {
    return std::setlocale(LC_NUMERIC, name) != nullptr;
}

// Where scripts/setup.sh builds its locales, for a run without LOCPATH.
void FindPrivateLocales() {
    if (std::getenv("LOCPATH")) return;
    const char* cache = std::getenv("ZR_CACHE");
    const char* home = std::getenv("HOME");
    if (!cache && !home) return;
    const std::string folder = cache ? std::string(cache) : std::string(home) + "/.cache/ziruri";
    setenv("LOCPATH", (folder + "/locale").c_str(), 1);
}
#endif

}  // namespace

UserDecimalSeparator::UserDecimalSeparator(const std::string& separator) {
#ifdef _WIN32
    saved_ = Separator();
    set_ = SetSeparator(separator);
#else
    saved_ = std::setlocale(LC_NUMERIC, nullptr);
    const char* locale = separator == "," ? "de_DE.UTF-8" : "C";
    set_ = SetLocale(locale);
    if (!set_) {
        FindPrivateLocales();
        set_ = SetLocale(locale);
    }
#endif
    set_ = set_ && Separator() == separator;
}

UserDecimalSeparator::~UserDecimalSeparator() {
#ifdef _WIN32
    SetSeparator(saved_);
#else
    SetLocale(saved_.c_str());
#endif
}

}  // namespace zr::test
