#include "support/config_driver.h"

#include <cstddef>
#include <cstring>
#include <stdexcept>

#include "bootitems/win32/config_ids.h"
#include "platform/win32/wide.h"

namespace zr::e2e {

using platform::win32::Narrow;

namespace {

struct Search {
    DWORD processId;
    const wchar_t* className;
    HWND found = nullptr;
};

BOOL CALLBACK MatchVisible(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    if (ClassOf(window) != Narrow(search->className)) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND VisibleWindowOf(DWORD processId, const wchar_t* className) {
    Search search{processId, className};
    EnumWindows(MatchVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForConfigDialog(const RunningProgram& program, DWORD timeoutMs) {
    HWND dialog = nullptr;
    WaitUntil(
        [&] {
            dialog = VisibleWindowOf(program.ProcessId(), bootitems::ids::kConfigWindowClass);
            return dialog != nullptr || program.WaitForExit(0);
        },
        timeoutMs);
    return dialog;
}

std::string EditText(HWND edit) {
    std::wstring text(32768, L'\0');
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kPatienceMs, &length)) {
        throw std::runtime_error("the edit does not answer");
    }
    text.resize(length);
    return Narrow(text);
}

RemoteListView::RemoteListView(HWND listView) : listView_(listView) {
    DWORD processId = 0;
    GetWindowThreadProcessId(listView, &processId);
    process_ =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process_) throw std::runtime_error("cannot open the program's process");
    remote_ = static_cast<Lent*>(
        VirtualAllocEx(process_, nullptr, sizeof(Lent), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!remote_) {
        CloseHandle(process_);
        throw std::runtime_error("cannot lend memory in the program's process");
    }
}

RemoteListView::~RemoteListView() {
    VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
    CloseHandle(process_);
}

void RemoteListView::Put(const Lent& lent) const {
    if (!WriteProcessMemory(process_, remote_, &lent, sizeof lent, nullptr)) {
        throw std::runtime_error("cannot write the program's memory");
    }
}

RemoteListView::Lent RemoteListView::Get() const {
    Lent lent{};
    if (!ReadProcessMemory(process_, remote_, &lent, sizeof lent, nullptr)) {
        throw std::runtime_error("cannot read the program's memory");
    }
    return lent;
}

wchar_t* RemoteListView::RemoteText() const {
    return reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(remote_) + offsetof(Lent, text));
}

LRESULT RemoteListView::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(listView_, message, wParam, lParam, SMTO_ABORTIFHUNG, kPatienceMs,
                             &result)) {
        throw std::runtime_error("the list view does not answer");
    }
    return static_cast<LRESULT>(result);
}

int RemoteListView::Count() const {
    return static_cast<int>(Send(LVM_GETITEMCOUNT, 0, 0));
}

std::vector<Row> RemoteListView::Rows() const {
    std::vector<Row> rows;
    for (int row = 0, count = Count(); row < count; ++row) {
        rows.emplace_back(Text(row, 0), Text(row, 1));
    }
    return rows;
}

std::string RemoteListView::Text(int row, int column) const {
    Lent lent{};
    lent.item.iSubItem = column;
    lent.item.pszText = RemoteText();
    lent.item.cchTextMax = static_cast<int>(kTextRoom);
    Put(lent);
    const auto length = static_cast<size_t>(
        Send(LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote_)));
    return Narrow(std::wstring(Get().text, length));
}

std::string RemoteListView::ColumnCaption(int column) const {
    Lent lent{};
    lent.column.mask = LVCF_TEXT;
    lent.column.pszText = RemoteText();
    lent.column.cchTextMax = static_cast<int>(kTextRoom);
    Put(lent);
    if (!Send(LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(remote_))) {
        return "(no column)";
    }
    const Lent answer = Get();
    return Narrow(std::wstring(answer.text, wcsnlen(answer.text, kTextRoom)));
}

int RemoteListView::ColumnWidth(int column) const {
    return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

std::vector<int> RemoteListView::Selection() const {
    std::vector<int> rows;
    for (int row = static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
         row >= 0;
         row = static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) {
        rows.push_back(row);
    }
    return rows;
}

void RemoteListView::SetSelected(int row, bool selected) const {
    Lent lent{};
    lent.item.stateMask = LVIS_SELECTED;
    lent.item.state = selected ? LVIS_SELECTED : 0;
    Put(lent);
    Send(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote_));
}

HWND RemoteListView::EditLabel(int row) const {
    return reinterpret_cast<HWND>(Send(LVM_EDITLABELW, static_cast<WPARAM>(row), 0));
}

}  // namespace zr::e2e
