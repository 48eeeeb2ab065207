// Where the one-instance guard names its object, on a system played by the test: Wine has no
// private namespaces, so what the guard asks of a Windows that has them is seen here.

#include "ui/instance_guard.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <string>
#include <vector>

namespace zr::ui {
namespace {

struct FakeSystem {
    bool hasBoundaries = true;
    std::vector<DWORD> createErrors;  // of each namespace creation in turn; 0 succeeds
    bool openSucceeds = true;

    std::wstring boundaryName;
    bool administratorsInBoundary = false;
    bool highIntegrityBoundary = false;
    std::wstring namespaceDescriptor;
    bool destroyed = false;

    NamespaceCalls Calls() {
        static int boundary, privateNamespace;
        return {
            .createBoundary = [this](LPCWSTR name) -> HANDLE {
                boundaryName = name;
                return hasBoundaries ? &boundary : nullptr;
            },
            .addSid =
                [this](HANDLE*, PSID sid) {
                    administratorsInBoundary =
                        IsWellKnownSid(sid, WinBuiltinAdministratorsSid) != FALSE;
                    return TRUE;
                },
            .addLabel =
                [this](HANDLE*, PSID label) {
                    highIntegrityBoundary = IsWellKnownSid(label, WinHighLabelSid) != FALSE;
                    return TRUE;
                },
            .deleteBoundary = [](HANDLE) {},
            .createNamespace = [this](SECURITY_ATTRIBUTES* attributes, HANDLE, LPCWSTR) -> HANDLE {
                wchar_t* text = nullptr;
                ConvertSecurityDescriptorToStringSecurityDescriptorW(
                    attributes->lpSecurityDescriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                    &text, nullptr);
                namespaceDescriptor = text ? text : L"";
                LocalFree(text);
                const DWORD error = createErrors.empty() ? 0 : createErrors.front();
                if (!createErrors.empty()) createErrors.erase(createErrors.begin());
                SetLastError(error);
                return error ? nullptr : &privateNamespace;
            },
            .openNamespace = [this](HANDLE, LPCWSTR) -> HANDLE {
                return openSucceeds ? &privateNamespace : nullptr;
            },
            .closeNamespace = [this](HANDLE, bool destroy) { destroyed = destroy; }};
    }
};

TEST(InstanceNamespace, IsThePrivateOneOfAdministratorsAndNeverAPlainNameOnWindows) {
    const struct {
        const char* system;
        bool hasBoundaries;
        std::vector<DWORD> createErrors;
        bool openSucceeds;
        std::wstring object;
        bool destroyedAtTheEnd;
    } cases[] = {
        {"first start", true, {0}, true, L"ZiRuri\\Instance", true},
        {"second start", true, {ERROR_ALREADY_EXISTS}, true, L"ZiRuri\\Instance", false},
        {"first ended meanwhile",
         true,
         {ERROR_ALREADY_EXISTS, 0},
         false,
         L"ZiRuri\\Instance",
         true},
        {"no administrator rights", true, {ERROR_ACCESS_DENIED}, true, L"", false},
        {"no private namespaces", false, {}, true, L"Local\\ZiRuri.Instance", false},
    };
    for (const auto& c : cases) {
        FakeSystem system;
        system.hasBoundaries = c.hasBoundaries;
        system.createErrors = c.createErrors;
        system.openSucceeds = c.openSucceeds;
        {
            const InstanceNamespace guardNamespace(system.Calls());
            EXPECT_EQ(guardNamespace.ObjectName(), c.object) << c.system;
        }
        EXPECT_EQ(system.destroyed, c.destroyedAtTheEnd) << c.system;
        EXPECT_EQ(system.boundaryName.rfind(L"ZiRuri.Session", 0), 0u) << c.system;
        if (!c.hasBoundaries) continue;
        EXPECT_TRUE(system.administratorsInBoundary) << c.system;
        EXPECT_TRUE(system.highIntegrityBoundary) << c.system;
        // The system and Administrators only, nothing inherited.
        EXPECT_EQ(system.namespaceDescriptor, L"D:P(A;;GA;;;SY)(A;;GA;;;BA)") << c.system;
    }
}

}  // namespace
}  // namespace zr::ui
