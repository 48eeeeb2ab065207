#include "widgets/browser_engine.h"

#include <exdisp.h>

#include <string>

#include "platform/error.h"
#include "platform/win32/automation_win32.h"
#include "platform/win32/system_library.h"

namespace zr::widgets {

namespace {

// What hardened hosts of the engine switch on. Each closes a way for a page (or for settings
// that any program of the user can write) to reach past the view: up to a more trusted zone, to
// installers, downloads, other protocols' handlers and programs, other windows, binary
// behaviours, or prompts that pass for the program's own. The local machine zone's lockdown is
// not among them: Windows does not let a process switch it on for itself (urlmon refuses it
// with SET_FEATURE_ON_PROCESS), and asking would leave the view without a control. The security
// manager refuses script and active content outside the web instead (web_security).
constexpr INTERNETFEATURELIST kLockedDownFeatures[] = {
    FEATURE_RESTRICT_ACTIVEXINSTALL,
    FEATURE_RESTRICT_FILEDOWNLOAD,
    FEATURE_PROTOCOL_LOCKDOWN,
    FEATURE_ZONE_ELEVATION,
    FEATURE_MIME_HANDLING,
    FEATURE_MIME_SNIFFING,
    FEATURE_WINDOW_RESTRICTIONS,
    FEATURE_WEBOC_POPUPMANAGEMENT,
    FEATURE_BEHAVIORS,
    FEATURE_DISABLE_MK_PROTOCOL,
    FEATURE_DISABLE_TELNET_PROTOCOL,
    FEATURE_SAFE_BINDTOOBJECT,
    FEATURE_VALIDATE_NAVIGATE_URL,
    FEATURE_BLOCK_INPUT_PROMPTS,
    FEATURE_HTTP_USERNAME_PASSWORD_DISABLE,
    FEATURE_UNC_SAVEDFILECHECK,
    FEATURE_OBJECT_CACHING,
};

constexpr DWORD kOnProcess = 0x00000002;  // SET_FEATURE_ON_PROCESS

using SetFeatureEnabledFn = HRESULT WINAPI(INTERNETFEATURELIST, DWORD, BOOL);

// urlmon is not among the DLLs that Windows always takes from System32. Kept for the process:
// the engine loads it anyway, and the settings live in it.
SetFeatureEnabledFn* SetFeatureEnabled() {
    static const platform::win32::SystemLibrary urlmon(L"urlmon.dll");
    static auto* const set = urlmon.Find<SetFeatureEnabledFn>("CoInternetSetFeatureEnabled");
    return set;
}

}  // namespace

std::span<const INTERNETFEATURELIST> LockedDownFeatures() {
    return kLockedDownFeatures;
}

BrowserEngine SystemBrowserEngine() {
    return {.enableFeature =
                [](INTERNETFEATURELIST feature) {
                    auto* set = SetFeatureEnabled();
                    return set ? set(feature, kOnProcess, TRUE)
                               : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
                },
            .createControl =
                [](IOleObject** control) {
                    return CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_IOleObject, reinterpret_cast<void**>(control));
                }};
}

platform::win32::ComPtr<IOleObject> CreateLockedDownBrowser(const BrowserEngine& engine) {
    for (const INTERNETFEATURELIST feature : LockedDownFeatures()) {
        const HRESULT hr = engine.enableFeature(feature);
        if (FAILED(hr)) {
            throw Error("The web view's feature control " + std::to_string(feature) +
                        " cannot be switched on: " + automation::win32::HresultText(hr));
        }
    }
    platform::win32::ComPtr<IOleObject> control;
    const HRESULT hr = engine.createControl(control.Out());
    if (FAILED(hr)) throw Error(automation::win32::HresultText(hr));
    if (!control) throw Error(automation::win32::HresultText(E_NOINTERFACE));
    return control;
}

}  // namespace zr::widgets
