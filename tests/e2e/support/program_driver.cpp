#include "support/program_driver.h"

#include <oleacc.h>

#include <optional>
#include <stdexcept>

#include "fake_access.h"
#include "package/package_pin.h"
#include "platform/platform.h"
#include "platform/sha256.h"
#include "platform/win32/wide.h"
#include "ui/control_ids.h"

namespace zr::e2e {

using platform::win32::Narrow;
using platform::win32::Widen;

namespace {

std::string TestProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return Narrow(path.substr(0, path.find_last_of(L'\\') + 1));
}

std::string FullPath(const std::string& path) {
    std::wstring full(MAX_PATH * 4, L'\0');
    full.resize(GetFullPathNameW(Widen(path).c_str(), static_cast<DWORD>(full.size()), full.data(),
                                 nullptr));
    return Narrow(full);
}

void CopyTree(const std::string& from, const std::string& to) {
    platform::MakeFolders(to);
    for (const auto& entry : platform::ListFolder(from)) {
        if (entry.attributes & platform::kAttrDirectory) {
            CopyTree(from + entry.name + "\\", to + entry.name + "\\");
        } else {
            test::WriteFile(to + entry.name, test::ReadFile(from + entry.name));
        }
    }
}

struct Search {
    DWORD processId;
    const wchar_t* className;
    bool all = false;  // count every match instead of stopping at the first
    HWND found = nullptr;
    int count = 0;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (wcscmp(name, search->className) != 0) return TRUE;
    search->found = window;
    ++search->count;
    return search->all;
}

HWND FindVisibleWindow(DWORD processId, const wchar_t* className) {
    Search search{processId, className};
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

std::string BuiltProgramFolder() {
    std::string relative = ZR_E2E_PROGRAM_DIR;
    for (char& c : relative) {
        if (c == '/') c = '\\';
    }
    return FullPath(TestProgramFolder() + relative) + "\\";
}

std::string BesideTestProgram(const std::string& name) {
    return TestProgramFolder() + name;
}

ProgramFolder::ProgramFolder(const std::string& programFile) {
    if (!CopyFileW(Widen(programFile).c_str(), Widen(Exe()).c_str(), FALSE)) {
        throw std::runtime_error("cannot copy " + programFile);
    }
    CopyTree(BuiltProgramFolder() + "data\\", DataDir());
}

void ProgramFolder::Write(const std::string& relative, const std::string& bytes) const {
    test::WriteFile(Path() + relative, bytes);
}

void ProgramFolder::Remove(const std::string& relative) const {
    platform::RemoveFile(Path() + relative);
}

void ProgramFolder::RemoveData() const {
    test::RemoveTree(DataDir());
}

void ProgramFolder::PinPackage() const {
    auto package = platform::File::Open(DataDir() + "Data.Kp", platform::File::Access::ReadShared);
    const std::string digest = platform::Sha256Hex(package);
    std::string exe = test::ReadFile(Exe());
    const std::string prefix = kPackagePinPrefix;
    const size_t at = exe.find(prefix);
    if (at == std::string::npos || exe.find(prefix, at + 1) != std::string::npos) {
        throw std::runtime_error("no single package pin in " + Exe());
    }
    exe.replace(at + prefix.size(), digest.size(), digest);
    test::WriteFile(Exe(), exe);
}

RunningProgram::RunningProgram(const std::string& exe) {
    const std::wstring application = Widen(exe);
    const std::wstring folder = application.substr(0, application.find_last_of(L'\\') + 1);
    std::wstring commandLine = L"\"" + application + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, folder.c_str(), &startup, &info_)) {
        throw std::runtime_error("cannot start " + exe + ": " +
                                 platform::ErrorText(platform::LastErrorCode()));
    }
}

RunningProgram::~RunningProgram() {
    Kill();
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

void RunningProgram::Kill() {
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, kPatienceMs);
    }
}

HWND RunningProgram::WaitForMainWindow(DWORD timeoutMs) {
    main_ = nullptr;
    WaitUntil(
        [&] {
            HWND found = FindVisibleWindow(info_.dwProcessId, ui::ids::kMainWindowClass);
            if (found && GetDlgItem(found, ui::ids::img_back)) main_ = found;
            return main_ != nullptr || WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0;
        },
        timeoutMs);
    return main_;
}

HWND RunningProgram::Control(int id) const {
    return GetDlgItem(main_, id);
}

HWND RunningProgram::CurrentMessageBox() const {
    return FindVisibleWindow(info_.dwProcessId, L"#32770");
}

int RunningProgram::VisibleMessageBoxes() const {
    Search search{info_.dwProcessId, L"#32770", true};
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

HWND RunningProgram::WaitForMessageBox(DWORD timeoutMs) const {
    HWND box = nullptr;
    WaitUntil(
        [&] {
            box = CurrentMessageBox();
            return box != nullptr || WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0;
        },
        timeoutMs);
    return box;
}

bool RunningProgram::WaitForExit(DWORD timeoutMs) const {
    return WaitForSingleObject(info_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

std::string TextOf(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

std::string ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return Narrow(name);
}

std::string MessageBoxText(HWND box) {
    wchar_t text[4096] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 4096);
    return Narrow(text);
}

void Answer(HWND box, int button) {
    PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
}

HWND FocusOfThreadOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

void PressKey(WORD key, bool shift) {
    std::vector<INPUT> inputs;
    const auto add = [&](WORD vk, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = flags;
        inputs.push_back(input);
    };
    if (shift) add(VK_SHIFT, 0);
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

std::vector<int> FocusWalk(HWND window, WORD key, bool shift, int presses) {
    std::vector<int> walk;
    for (int i = 0; i < presses; ++i) {
        const HWND before = FocusOfThreadOf(window);
        PressKey(key, shift);
        HWND after = nullptr;
        const bool moved =
            WaitUntil([&] { return (after = FocusOfThreadOf(window)) != before; }, 5000);
        walk.push_back(moved ? GetDlgCtrlID(after) : 0);
    }
    return walk;
}

namespace {

// The items as they stand, or nothing when the program rewrote the list while it was read.
std::optional<std::vector<std::string>> ReadComboItems(HWND combo) {
    std::vector<std::string> items;
    const auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length == CB_ERR) return std::nullopt;
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        if (SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(text.data())) != length) {
            return std::nullopt;
        }
        text.resize(static_cast<size_t>(length));
        items.push_back(Narrow(text));
    }
    if (SendMessageW(combo, CB_GETCOUNT, 0, 0) != count) return std::nullopt;
    return items;
}

}  // namespace

// The program rewrites the list on its timer, between any two of these messages.
std::vector<std::string> ComboItems(HWND combo) {
    std::optional<std::vector<std::string>> items;
    WaitUntil([&] { return (items = ReadComboItems(combo)).has_value(); });
    return items.value_or(std::vector<std::string>{});
}

int ComboSelection(HWND combo) {
    return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
}

std::string AccessibleName(HWND control) {
    if (std::string name = test::fakeaccess::AnnotatedName(control); !name.empty()) return name;
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::string name;
    IAccessible* accessible = nullptr;
    if (SUCCEEDED(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                             IID_IAccessible,
                                             reinterpret_cast<void**>(&accessible)))) {
        VARIANT self;
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR text = nullptr;
        if (accessible->get_accName(self, &text) == S_OK && text) {
            name = Narrow(std::wstring_view(text, SysStringLen(text)));
        }
        SysFreeString(text);
        accessible->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return name;
}

namespace {

struct ScreenDc {
    HDC dc = GetDC(nullptr);
    ~ScreenDc() { ReleaseDC(nullptr, dc); }
};

struct MemoryDc {
    HDC dc;
    explicit MemoryDc(HDC like) : dc(CreateCompatibleDC(like)) {}
    ~MemoryDc() { DeleteDC(dc); }
};

struct Bitmap {
    HBITMAP handle = nullptr;
    ~Bitmap() {
        if (handle) DeleteObject(handle);
    }
};

}  // namespace

std::vector<uint32_t> ScreenPixels(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    ScreenDc screen;
    MemoryDc memory(screen.dc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    Bitmap bitmap{CreateDIBSection(screen.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0)};
    if (!bitmap.handle) throw std::runtime_error("no memory for a screenshot");
    const HGDIOBJ old = SelectObject(memory.dc, bitmap.handle);
    const BOOL copied = BitBlt(memory.dc, 0, 0, width, height, screen.dc, area.left, area.top,
                               SRCCOPY | CAPTUREBLT);
    GdiFlush();
    SelectObject(memory.dc, old);
    if (!copied) throw std::runtime_error("cannot read the screen");
    const auto* pixels = static_cast<const uint32_t*>(bits);
    return {pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height)};
}

std::vector<uint32_t> ScreenPixels(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return ScreenPixels(r);
}

RECT PlaceInParent(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT ClientOnScreen(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace zr::e2e
