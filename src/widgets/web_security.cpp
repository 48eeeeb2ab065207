#include "widgets/web_security.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "widgets/com_object.h"

namespace zr::widgets {

namespace {

struct Refusal {
    DWORD action;
    DWORD policy;  // the answer that refuses it
};

// Java's permissions and the software channels answer with policies of their own; Java's
// refusal is numerically the same as URLPOLICY_ALLOW elsewhere.
constexpr Refusal kRefusals[] = {
    // ActiveX: download, run, initialise or script controls not safe for it, scriptlets.
    {URLACTION_DOWNLOAD_SIGNED_ACTIVEX, URLPOLICY_DISALLOW},
    {URLACTION_DOWNLOAD_UNSIGNED_ACTIVEX, URLPOLICY_DISALLOW},
    {URLACTION_ACTIVEX_RUN, URLPOLICY_DISALLOW},
    {URLACTION_ACTIVEX_OVERRIDE_OBJECT_SAFETY, URLPOLICY_DISALLOW},
    {URLACTION_ACTIVEX_OVERRIDE_DATA_SAFETY, URLPOLICY_DISALLOW},
    {URLACTION_ACTIVEX_OVERRIDE_SCRIPT_SAFETY, URLPOLICY_DISALLOW},
    {URLACTION_ACTIVEX_CONFIRM_NOOBJECTSAFETY, URLPOLICY_DISALLOW},
    {URLACTION_ACTIVEX_NO_WEBOC_SCRIPT, URLPOLICY_DISALLOW},
    {URLACTION_ACTIVEX_OVERRIDE_REPURPOSEDETECTION, URLPOLICY_DISALLOW},
    {URLACTION_ACTIVEX_OVERRIDE_OPTIN, URLPOLICY_DISALLOW},
    {URLACTION_ACTIVEX_SCRIPTLET_RUN, URLPOLICY_DISALLOW},
    {URLACTION_ACTIVEX_DYNSRC_VIDEO_AND_ANIMATION, URLPOLICY_DISALLOW},
    {URLACTION_ACTIVEX_OVERRIDE_DOMAINLIST, URLPOLICY_DISALLOW},
    {URLACTION_SCRIPT_OVERRIDE_SAFETY, URLPOLICY_DISALLOW},
    {URLACTION_SCRIPT_SAFE_ACTIVEX, URLPOLICY_DISALLOW},
    {URLACTION_SHELL_RTF_OBJECTS_LOAD, URLPOLICY_DISALLOW},
    {URLACTION_DOTNET_USERCONTROLS, URLPOLICY_DISALLOW},
    // Java.
    {URLACTION_SCRIPT_JAVA_USE, URLPOLICY_DISALLOW},
    {URLACTION_HTML_JAVA_RUN, URLPOLICY_DISALLOW},
    {URLACTION_JAVA_PERMISSIONS, URLPOLICY_JAVA_PROHIBIT},
    // Programs, files, shell verbs and other protocols' handlers.
    {URLACTION_SHELL_INSTALL_DTITEMS, URLPOLICY_DISALLOW},
    {URLACTION_SHELL_MOVE_OR_COPY, URLPOLICY_DISALLOW},
    {URLACTION_SHELL_VERB, URLPOLICY_DISALLOW},
    {URLACTION_SHELL_WEBVIEW_VERB, URLPOLICY_DISALLOW},
    {URLACTION_SHELL_EXECUTE_HIGHRISK, URLPOLICY_DISALLOW},
    {URLACTION_SHELL_EXECUTE_MODRISK, URLPOLICY_DISALLOW},
    {URLACTION_SHELL_EXECUTE_LOWRISK, URLPOLICY_DISALLOW},
    {URLACTION_ALLOW_RESTRICTEDPROTOCOLS, URLPOLICY_DISALLOW},
    {URLACTION_WINDOWS_BROWSER_APPLICATIONS, URLPOLICY_DISALLOW},
    {URLACTION_XPS_DOCUMENTS, URLPOLICY_DISALLOW},
    {URLACTION_LOOSE_XAML, URLPOLICY_DISALLOW},
    {URLACTION_WINFX_SETUP, URLPOLICY_DISALLOW},
    // Downloads.
    {URLACTION_SHELL_FILE_DOWNLOAD, URLPOLICY_DISALLOW},
    {URLACTION_HTML_FONT_DOWNLOAD, URLPOLICY_DISALLOW},
    {URLACTION_CHANNEL_SOFTDIST_PERMISSIONS, URLPOLICY_CHANNEL_SOFTDIST_PROHIBIT},
    // Data across domains, a local path in an upload, http content in an https page.
    {URLACTION_CROSS_DOMAIN_DATA, URLPOLICY_DISALLOW},
    {URLACTION_HTML_INCLUDE_FILE_PATH, URLPOLICY_DISALLOW},
    {URLACTION_HTML_MIXED_CONTENT, URLPOLICY_DISALLOW},
    // "May this feature control be off for this page?": never.
    {URLACTION_BEHAVIOR_RUN, URLPOLICY_DISALLOW},
    {URLACTION_FEATURE_MIME_SNIFFING, URLPOLICY_DISALLOW},
    {URLACTION_FEATURE_ZONE_ELEVATION, URLPOLICY_DISALLOW},
    {URLACTION_FEATURE_WINDOW_RESTRICTIONS, URLPOLICY_DISALLOW},
    {URLACTION_FEATURE_BLOCK_INPUT_PROMPTS, URLPOLICY_DISALLOW},
};

const Refusal* RefusalOf(DWORD action) {
    const auto found = std::find_if(std::begin(kRefusals), std::end(kRefusals),
                                    [&](const Refusal& r) { return r.action == action; });
    return found == std::end(kRefusals) ? nullptr : found;
}

class SecurityManager final
    : public ComObject<IInternetSecurityManager, IID_IInternetSecurityManager> {
  public:
    explicit SecurityManager(std::function<bool(const std::wstring&)> ownPage)
        : ownPage_(std::move(ownPage)) {}

    HRESULT STDMETHODCALLTYPE ProcessUrlAction(LPCWSTR url, DWORD action, BYTE* policy,
                                               DWORD policySize, BYTE*, DWORD, DWORD,
                                               DWORD) override {
        DWORD answer = 0;
        if (const Refusal* refusal = RefusalOf(action)) {
            answer = refusal->policy;
        } else if (action == URLACTION_SCRIPT_RUN && !OnTheWeb(url)) {
            // The local machine zone's lockdown, which a process cannot switch on for itself:
            // the local page needs no script, and a page planted in the data folder (which its
            // user can write) must not run any with this process's rights.
            answer = URLPOLICY_DISALLOW;
        } else if (action == URLACTION_HTML_SUBMIT_FORMS_TO && !OwnPage(url)) {
            answer = URLPOLICY_DISALLOW;
        } else {
            return INET_E_DEFAULT_ACTION;
        }
        // S_FALSE alone refuses, for a caller that gives no room for the policy too.
        if (policy && policySize >= sizeof answer) CopyMemory(policy, &answer, sizeof answer);
        return S_FALSE;
    }

    // Zones, security ids and custom policies stay the engine's.
    HRESULT STDMETHODCALLTYPE SetSecuritySite(IInternetSecurityMgrSite*) override {
        return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE GetSecuritySite(IInternetSecurityMgrSite** site) override {
        if (site) *site = nullptr;
        return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE MapUrlToZone(LPCWSTR, DWORD*, DWORD) override {
        return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE GetSecurityId(LPCWSTR, BYTE*, DWORD*, DWORD_PTR) override {
        return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE QueryCustomPolicy(LPCWSTR, REFGUID, BYTE** policy, DWORD* size, BYTE*,
                                                DWORD, DWORD) override {
        if (policy) *policy = nullptr;
        if (size) *size = 0;
        return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE SetZoneMapping(DWORD, LPCWSTR, DWORD) override {
        return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE GetZoneMappings(DWORD, IEnumString** mappings, DWORD) override {
        if (mappings) *mappings = nullptr;
        return INET_E_DEFAULT_ACTION;
    }

  private:
    static bool OnTheWeb(LPCWSTR url) {
        if (!url) return false;
        const std::wstring_view view(url);
        const auto startsWith = [&](std::wstring_view scheme) {
            return view.size() >= scheme.size() &&
                   CompareStringOrdinal(view.data(), static_cast<int>(scheme.size()), scheme.data(),
                                        static_cast<int>(scheme.size()), TRUE) == CSTR_EQUAL;
        };
        return startsWith(L"https://") || startsWith(L"http://");
    }

    // A COM call is a dispatch boundary: a failed check counts as a foreign page.
    bool OwnPage(LPCWSTR url) const {
        try {
            return url && ownPage_ && ownPage_(url);
        } catch (...) {
            return false;
        }
    }

    std::function<bool(const std::wstring&)> ownPage_;
};

}  // namespace

platform::win32::ComPtr<IInternetSecurityManager> MakeSecurityManager(
    std::function<bool(const std::wstring& url)> ownPage) {
    platform::win32::ComPtr<IInternetSecurityManager> manager;
    *manager.Out() = new SecurityManager(std::move(ownPage));
    return manager;
}

}  // namespace zr::widgets
