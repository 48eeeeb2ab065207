// Text at the Win32 boundary: UTF-8 and UTF-16, the code pages, and the system's own error
// texts.

#include <windows.h>

#include <memory>

#include "platform/platform.h"
#include "platform/win32/system_message.h"
#include "platform/win32/wide.h"

namespace zr::platform {
namespace win32 {

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
    return wide;
}

std::string Narrow(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), n, nullptr, nullptr);
    return utf8;
}

}  // namespace win32

namespace {

using win32::Narrow;
using win32::Widen;

std::string CodePageToCodePage(std::string_view text, UINT from, UINT to) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(from, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(from, 0, text.data(), size, wide.data(), n);
    const int m = WideCharToMultiByte(to, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(to, 0, wide.data(), n, out.data(), m, nullptr, nullptr);
    return out;
}

// Nothing when a byte sequence is not valid in the code page.
std::optional<std::wstring> StrictWiden(std::string_view text, UINT codePage) {
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int n =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (n == 0) return std::nullopt;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), n);
    return wide;
}

// Nothing when a character has no form of its own in the code page: a best fit ("a" for "á")
// or the default "?" would change the text.
std::optional<std::string> StrictNarrow(std::wstring_view wide, UINT codePage) {
    if (wide.empty()) return std::string();
    const int size = static_cast<int>(wide.size());
    // UTF-8 has every character and takes neither the best-fit flag nor the default-char check.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* defaulted = utf8 ? nullptr : &usedDefault;
    const int n =
        WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, defaulted);
    if (n == 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), size, out.data(), n, nullptr, defaulted);
    return out;
}

}  // namespace

int LastErrorCode() {
    return static_cast<int>(GetLastError());
}

std::string ErrorText(int code) {
    std::string message = win32::SystemMessage(static_cast<DWORD>(code));
    if (message.empty()) return "System error " + std::to_string(code);
    return message;
}

std::string AnsiToUtf8(std::string_view ansi) {
    return CodePageToCodePage(ansi, CP_ACP, CP_UTF8);
}

std::string Utf8ToAnsi(std::string_view utf8) {
    return CodePageToCodePage(utf8, CP_UTF8, CP_ACP);
}

std::string Cp936ToUtf8(std::string_view cp936) {
    if (const auto whole = StrictWiden(cp936, 936)) return Narrow(*whole);
    std::wstring text;
    while (!cp936.empty()) {
        // A character is one or two bytes; what starts none is one byte of nothing.
        const size_t length =
            cp936.size() > 1 && IsDBCSLeadByteEx(936, static_cast<BYTE>(cp936[0])) ? 2 : 1;
        const auto character = StrictWiden(cp936.substr(0, length), 936);
        text += character.value_or(L"\uFFFD");
        cp936.remove_prefix(character ? length : 1);
    }
    return Narrow(text);
}

std::optional<std::string> Utf8ToCp936(std::string_view utf8) {
    const auto wide = StrictWiden(utf8, CP_UTF8);
    if (!wide) return std::nullopt;
    return StrictNarrow(*wide, 936);
}

int AnsiCodePage() {
    return static_cast<int>(GetACP());
}

bool FitsAnsiCodePage(std::string_view utf8) {
    const auto wide = StrictWiden(utf8, CP_UTF8);
    return wide && StrictNarrow(*wide, GetACP()).has_value();
}

std::string DecimalSeparator() {
    wchar_t separator[8] = {};
    if (!GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8)) return ".";
    return Narrow(separator);
}

}  // namespace zr::platform

namespace zr::platform::win32 {

std::string SystemMessage(unsigned long code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::unique_ptr<wchar_t, decltype(&LocalFree)> owner(text, &LocalFree);
    std::wstring_view message(text ? text : L"", n);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) {
        message.remove_suffix(1);
    }
    return Narrow(message);
}

}  // namespace zr::platform::win32
