#include "ui/instance_guard.h"

#include <sddl.h>

#include "ui/control_ids.h"
#include "widgets/application.h"

namespace zr::ui {

namespace {

constexpr wchar_t kAlias[] = L"ZiRuri";
constexpr wchar_t kObject[] = L"ZiRuri\\Instance";
constexpr wchar_t kSessionObject[] = L"Local\\ZiRuri.Instance";
// How long a running instance may take to show its application window; it makes it first
// thing after its start.
constexpr ULONGLONG kFindWindowMs = 5000;

// Namespaces are the machine's; the boundary's name keeps each session's to itself.
std::wstring BoundaryName() {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return L"ZiRuri.Session" + std::to_wstring(session);
}

// kAdministratorsOnlySddl, owned; null when it cannot be made.
std::unique_ptr<void, decltype(&LocalFree)> AdministratorsOnly() {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdministratorsOnlySddl, SDDL_REVISION_1,
                                                         &descriptor, nullptr);
    return {descriptor, &LocalFree};
}

struct WindowSearch {
    DWORD processId;
    HWND found = nullptr;
};

BOOL CALLBACK FindApplicationWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[32] = {};
    if (owner != search->processId || !GetClassNameW(window, name, 32) ||
        wcscmp(name, ids::kApplicationClass) != 0) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

HWND ApplicationWindowOf(DWORD processId) {
    WindowSearch search{processId};
    EnumWindows(FindApplicationWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

NamespaceCalls NamespaceCalls::System() {
    return {.createBoundary = [](LPCWSTR name) { return CreateBoundaryDescriptorW(name, 0); },
            .addSid = AddSIDToBoundaryDescriptor,
            .addLabel = AddIntegrityLabelToBoundaryDescriptor,
            .deleteBoundary = DeleteBoundaryDescriptor,
            .createNamespace = CreatePrivateNamespaceW,
            .openNamespace = OpenPrivateNamespaceW,
            .closeNamespace =
                [](HANDLE privateNamespace, bool destroy) {
                    ClosePrivateNamespace(privateNamespace,
                                          destroy ? PRIVATE_NAMESPACE_FLAG_DESTROY : 0);
                }};
}

InstanceNamespace::InstanceNamespace(NamespaceCalls calls) : calls_(std::move(calls)) {
    boundary_ = calls_.createBoundary(BoundaryName().c_str());
    if (!boundary_) {
        // Windows makes a boundary descriptor in the process's own memory, and can always;
        // a system that cannot (Wine's is a stub) has no private namespaces to enter either.
        name_ = kSessionObject;
        return;
    }
    const auto descriptor = AdministratorsOnly();
    if (!descriptor || !Bound()) return;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    if (Enter(attributes)) name_ = kObject;
}

// The boundary: the Administrators group, at high integrity. A process can only make a
// namespace at its own integrity level or below it, so a program of the user's without
// elevation (medium) cannot make this one first.
bool InstanceNamespace::Bound() {
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    BYTE high[SECURITY_MAX_SID_SIZE];
    DWORD administratorsSize = sizeof administrators;
    DWORD highSize = sizeof high;
    return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators,
                              &administratorsSize) &&
           CreateWellKnownSid(WinHighLabelSid, nullptr, high, &highSize) &&
           calls_.addSid(&boundary_, administrators) && calls_.addLabel(&boundary_, high);
}

// Creates the namespace, or opens the one a running instance created. That instance may end
// between the two calls, taking its namespace along: then it is created again.
bool InstanceNamespace::Enter(SECURITY_ATTRIBUTES& attributes) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        namespace_ = calls_.createNamespace(&attributes, boundary_, kAlias);
        if (namespace_) {
            created_ = true;
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
        namespace_ = calls_.openNamespace(boundary_, kAlias);
        if (namespace_) return true;
    }
    return false;
}

InstanceNamespace::~InstanceNamespace() {
    if (namespace_) calls_.closeNamespace(namespace_, created_);
    if (boundary_) calls_.deleteBoundary(boundary_);
}

InstanceGuard::InstanceGuard() {
    const std::wstring& name = namespace_.ObjectName();
    const auto descriptor = AdministratorsOnly();
    if (name.empty() || !descriptor) return;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0,
                                      sizeof(LONG), name.c_str()));
    if (!mapping_) return;
    existed_ = GetLastError() == ERROR_ALREADY_EXISTS;
    processId_ = static_cast<volatile LONG*>(
        MapViewOfFile(mapping_.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(LONG)));
    if (processId_ && !existed_) {
        InterlockedExchange(processId_, static_cast<LONG>(GetCurrentProcessId()));
    }
}

InstanceGuard::~InstanceGuard() {
    if (processId_) UnmapViewOfFile(const_cast<LONG*>(processId_));
}

bool InstanceGuard::PassToRunningInstance() {
    if (!existed_ || !processId_) return false;
    const ULONGLONG end = GetTickCount64() + kFindWindowMs;
    for (;;) {
        // Zero until the running instance has written it.
        const auto running = static_cast<DWORD>(InterlockedCompareExchange(processId_, 0, 0));
        if (HWND window = running ? ApplicationWindowOf(running) : nullptr) {
            AllowSetForegroundWindow(running);
            PostMessageW(window, widgets::kBringForwardMessage, 0, 0);
            return true;
        }
        if (GetTickCount64() >= end) break;
        Sleep(50);
    }
    InterlockedExchange(processId_, static_cast<LONG>(GetCurrentProcessId()));
    existed_ = false;
    return false;
}

}  // namespace zr::ui
