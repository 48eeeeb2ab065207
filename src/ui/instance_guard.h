#pragma once

// One ZiRuri a session. The first start holds a small named file mapping that carries its
// process id; a second start that finds it asks that process to come forward, and ends.
//
// The name is one that a program of the user's, running without administrator rights, can
// neither take first (which would keep ZiRuri from starting) nor write (which would let it
// pose as the running ZiRuri): it lies in a private namespace whose boundary is the
// Administrators group at high integrity, which such a program cannot make, and the namespace
// and the mapping admit only Administrators and the system. The process id read there is then
// ZiRuri's own, and its application window is looked for in that process only.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace zr::ui {

// The system calls that find the namespace, apart so that a test can play a system that has
// private namespaces (Wine has none) and see what is asked of it.
struct NamespaceCalls {
    std::function<HANDLE(LPCWSTR name)> createBoundary;
    std::function<BOOL(HANDLE* boundary, PSID sid)> addSid;
    std::function<BOOL(HANDLE* boundary, PSID label)> addLabel;
    std::function<void(HANDLE boundary)> deleteBoundary;
    std::function<HANDLE(SECURITY_ATTRIBUTES* attributes, HANDLE boundary, LPCWSTR alias)>
        createNamespace;
    std::function<HANDLE(HANDLE boundary, LPCWSTR alias)> openNamespace;
    std::function<void(HANDLE privateNamespace, bool destroy)> closeNamespace;

    static NamespaceCalls System();
};

// The system and Administrators, nobody else: the namespace's and the mapping's descriptor.
inline constexpr wchar_t kAdministratorsOnlySddl[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

// Where the instance mapping is named, held open for as long as this lives.
class InstanceNamespace {
  public:
    explicit InstanceNamespace(NamespaceCalls calls = NamespaceCalls::System());
    InstanceNamespace(const InstanceNamespace&) = delete;
    InstanceNamespace& operator=(const InstanceNamespace&) = delete;
    ~InstanceNamespace();

    // "ZiRuri\Instance" inside the namespace; "Local\ZiRuri.Instance", the session's own
    // namespace, on a system that has no private namespaces (Wine); empty when the namespace
    // cannot be had (a start without administrator rights): the program then runs unguarded
    // rather than fall back to a name that anybody could take.
    const std::wstring& ObjectName() const { return name_; }

  private:
    bool Bound();
    bool Enter(SECURITY_ATTRIBUTES& attributes);

    NamespaceCalls calls_;
    HANDLE boundary_ = nullptr;
    HANDLE namespace_ = nullptr;
    bool created_ = false;
    std::wstring name_;
};

class InstanceGuard {
  public:
    InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;
    ~InstanceGuard();

    // True when another instance of this session runs: its application window has been asked
    // to come forward (restored if minimised), and this start is to end. An instance that
    // shows no window within a few seconds counts as gone; this one then takes its place.
    bool PassToRunningInstance();

  private:
    InstanceNamespace namespace_;
    std::unique_ptr<void, decltype(&CloseHandle)> mapping_{nullptr, &CloseHandle};
    volatile LONG* processId_ = nullptr;  // in the mapping's view
    bool existed_ = false;
};

}  // namespace zr::ui
