#include "widgets/open_dialog.h"

#include <commdlg.h>

#include <algorithm>

#include "platform/win32/wide.h"

namespace zr::widgets {

using platform::win32::Narrow;
using platform::win32::Widen;

namespace {

// Room for the longest path the wide API accepts.
constexpr size_t kFileNameRoom = 32768;

// The system wants the pairs separated, and ended, by NULs.
std::wstring SystemFilter(const std::string& filter) {
    std::wstring pairs = Widen(filter);
    std::replace(pairs.begin(), pairs.end(), L'|', L'\0');
    pairs.push_back(L'\0');
    return pairs;
}

}  // namespace

bool OpenDialog::Execute(HWND owner) {
    const std::wstring filter = SystemFilter(Filter);
    std::wstring file = Widen(FileName);
    file.resize(std::max(file.size() + 1, kFileNameRoom), L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    // The program never resolves a relative path, and leaving the current folder on the
    // user's image folder would only keep that folder from being removed.
    dialog.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&dialog)) return false;
    file.resize(file.find(L'\0'));
    FileName = Narrow(file);
    return true;
}

}  // namespace zr::widgets
