// The web view's leash from the browser's side: the calls the browser makes on its container
// (ambient properties, events with their by-reference Cancel, the security manager it asks the
// container for, its user interface handler), made here by hand on the container of a real
// hosted control, since Wine's browser has no HTML engine to make them.

#include "widgets/web_browser.h"

#include <windows.h>

#include <exdispid.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <mshtmdid.h>
#include <mshtmhst.h>
#include <servprov.h>
#include <urlmon.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/win32/com_ptr.h"

namespace zr::widgets {
namespace {

using platform::win32::ComPtr;

VARIANT Of(VARTYPE type) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    return v;
}

class WebBrowserContainer : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 320, 240, nullptr, nullptr,
                                  nullptr, nullptr);
        view_.Create(parent_, 1, Place(0, 0, 320, 240));
        auto object = ComPtr<IDispatch>::Share(view_.Application()).As<IOleObject>(IID_IOleObject);
        ASSERT_TRUE(object) << "no hosted browser";
        ComPtr<IOleClientSite> site;
        ASSERT_EQ(object->GetClientSite(site.Out()), S_OK);
        container_ = site.As<IDispatch>(IID_IDispatch);
        ASSERT_TRUE(container_);
    }
    void TearDown() override {
        container_.Reset();
        DestroyWindow(parent_);
        OleUninitialize();
    }

    // Fires an event as the browser does, arguments given first to last; whether it was
    // cancelled.
    bool Cancelled(DISPID event, std::vector<VARIANT> arguments, size_t cancelPosition) {
        VARIANT_BOOL cancel = VARIANT_FALSE;
        arguments[cancelPosition] = Of(VT_BOOL | VT_BYREF);
        arguments[cancelPosition].pboolVal = &cancel;
        std::reverse(arguments.begin(), arguments.end());
        DISPPARAMS params{arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
        EXPECT_EQ(container_->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                     nullptr, nullptr, nullptr),
                  S_OK);
        return cancel != VARIANT_FALSE;
    }

    bool BeforeNavigate2Cancelled(const wchar_t* url) {
        BSTR text = SysAllocString(url);
        VARIANT address = Of(VT_BSTR);
        address.bstrVal = text;
        VARIANT byReference = Of(VT_VARIANT | VT_BYREF);
        byReference.pvarVal = &address;
        VARIANT empty = Of(VT_EMPTY);
        VARIANT other = Of(VT_VARIANT | VT_BYREF);
        other.pvarVal = &empty;
        const bool cancelled =
            Cancelled(DISPID_BEFORENAVIGATE2,
                      {Of(VT_DISPATCH), byReference, other, other, other, other, {}}, 6);
        SysFreeString(text);
        return cancelled;
    }

    HWND parent_ = nullptr;
    WebBrowser view_;
    ComPtr<IDispatch> container_;
};

TEST_F(WebBrowserContainer, EveryNavigationGoesByOnBeforeNavigateAndIsRefusedWithoutIt) {
    std::vector<std::wstring> asked;
    view_.onBeforeNavigate = [&](const std::wstring& url) {
        asked.push_back(url);
        return url == L"http://www.ziruri.cn/";
    };
    EXPECT_FALSE(BeforeNavigate2Cancelled(L"http://www.ziruri.cn/"));
    EXPECT_TRUE(BeforeNavigate2Cancelled(L"http://evil.com/"));
    EXPECT_EQ(asked, (std::vector<std::wstring>{L"http://www.ziruri.cn/", L"http://evil.com/"}));

    view_.onBeforeNavigate = nullptr;
    EXPECT_TRUE(BeforeNavigate2Cancelled(L"http://www.ziruri.cn/"));
}

TEST_F(WebBrowserContainer, NoNewWindowsAndNoDownloadsButThePagesShownInPlace) {
    VARIANT window = Of(VT_DISPATCH | VT_BYREF);
    IDispatch* none = nullptr;
    window.ppdispVal = &none;
    EXPECT_TRUE(Cancelled(DISPID_NEWWINDOW2, {window, {}}, 1));
    VARIANT flags = Of(VT_I4);
    EXPECT_TRUE(Cancelled(DISPID_NEWWINDOW3, {window, {}, flags, Of(VT_BSTR), Of(VT_BSTR)}, 1));

    VARIANT inPlace = Of(VT_BOOL);
    inPlace.boolVal = VARIANT_FALSE;
    EXPECT_TRUE(Cancelled(DISPID_FILEDOWNLOAD, {inPlace, {}}, 1)) << "a file to save";
    inPlace.boolVal = VARIANT_TRUE;
    EXPECT_FALSE(Cancelled(DISPID_FILEDOWNLOAD, {inPlace, {}}, 1)) << "a page to show";
}

TEST_F(WebBrowserContainer, PagesRunScriptsButNoControlsAppletsOrBehavioursAndShowNoDialogs) {
    VARIANT answer = Of(VT_EMPTY);
    DISPPARAMS none{};
    ASSERT_EQ(container_->Invoke(DISPID_AMBIENT_DLCONTROL, IID_NULL, LOCALE_USER_DEFAULT,
                                 DISPATCH_PROPERTYGET, &none, &answer, nullptr, nullptr),
              S_OK);
    ASSERT_EQ(answer.vt, VT_I4);
    const long forbidden =
        DLCTL_NO_RUNACTIVEXCTLS | DLCTL_NO_DLACTIVEXCTLS | DLCTL_NO_JAVA | DLCTL_NO_BEHAVIORS;
    EXPECT_EQ(answer.lVal & forbidden, forbidden);
    EXPECT_EQ(answer.lVal & DLCTL_NO_SCRIPTS, 0);
    EXPECT_EQ(answer.lVal & DLCTL_DLIMAGES, DLCTL_DLIMAGES);

    auto browser = ComPtr<IDispatch>::Share(view_.Application()).As<IWebBrowser2>(IID_IWebBrowser2);
    VARIANT_BOOL silent = VARIANT_FALSE;
    ASSERT_EQ(browser->get_Silent(&silent), S_OK);
    EXPECT_NE(silent, VARIANT_FALSE);
}

// What the security manager that the container gives the engine answers: the policy it writes,
// or none when the engine's default is to decide.
TEST_F(WebBrowserContainer, ItsSecurityManagerRefusesWhatNoZoneMayAllowAndLeavesTheRest) {
    view_.onBeforeNavigate = [](const std::wstring& url) {
        return url.starts_with(L"https://www.ziruri.cn/");
    };
    ComPtr<IInternetSecurityManager> manager;
    ASSERT_EQ(container_.As<IServiceProvider>(IID_IServiceProvider)
                  ->QueryService(SID_SInternetSecurityManager, IID_IInternetSecurityManager,
                                 manager.OutVoid()),
              S_OK);
    constexpr wchar_t kHome[] = L"https://www.ziruri.cn/";
    constexpr wchar_t kLocal[] = L"file:///C:/ZiRuri/data/Res/index.htm";
    constexpr wchar_t kOther[] = L"http://elsewhere.invalid/";
    constexpr DWORD kNone = 0xFEEDFACE;
    const struct {
        const wchar_t* url;
        DWORD action;
        DWORD policy;
    } rows[] = {
        {kHome, URLACTION_SCRIPT_RUN, kNone},
        {kLocal, URLACTION_SCRIPT_RUN, URLPOLICY_DISALLOW},
        {L"about:blank", URLACTION_SCRIPT_RUN, URLPOLICY_DISALLOW},
        {L"C:\\ZiRuri\\data\\Res\\index.htm", URLACTION_SCRIPT_RUN, URLPOLICY_DISALLOW},
        {kHome, URLACTION_HTML_SUBMIT_FORMS_TO, kNone},
        {kHome, URLACTION_SHELL_POPUPMGR, kNone},
        {kHome, URLACTION_ACTIVEX_RUN, URLPOLICY_DISALLOW},
        {kLocal, URLACTION_ACTIVEX_OVERRIDE_OBJECT_SAFETY, URLPOLICY_DISALLOW},
        {kHome, URLACTION_SCRIPT_SAFE_ACTIVEX, URLPOLICY_DISALLOW},
        {kOther, URLACTION_DOWNLOAD_UNSIGNED_ACTIVEX, URLPOLICY_DISALLOW},
        {kHome, URLACTION_JAVA_PERMISSIONS, URLPOLICY_JAVA_PROHIBIT},
        {kLocal, URLACTION_SHELL_EXECUTE_HIGHRISK, URLPOLICY_DISALLOW},
        {kHome, URLACTION_ALLOW_RESTRICTEDPROTOCOLS, URLPOLICY_DISALLOW},
        {kHome, URLACTION_SHELL_FILE_DOWNLOAD, URLPOLICY_DISALLOW},
        {kHome, URLACTION_CROSS_DOMAIN_DATA, URLPOLICY_DISALLOW},
        {kOther, URLACTION_HTML_SUBMIT_FORMS_TO, URLPOLICY_DISALLOW},
        {kHome, URLACTION_FEATURE_ZONE_ELEVATION, URLPOLICY_DISALLOW},
    };
    for (const auto& row : rows) {
        DWORD policy = kNone;
        const HRESULT answer =
            manager->ProcessUrlAction(row.url, row.action, reinterpret_cast<BYTE*>(&policy),
                                      sizeof policy, nullptr, 0, PUAF_DEFAULT, 0);
        EXPECT_EQ(answer, row.policy == kNone ? INET_E_DEFAULT_ACTION : S_FALSE) << row.action;
        EXPECT_EQ(policy, row.policy) << row.action;
    }
}

TEST_F(WebBrowserContainer, TheEngineGetsNoContextMenuExternalHelpOrRefusedShortcut) {
    auto ui = container_.As<IDocHostUIHandler>(IID_IDocHostUIHandler);
    ASSERT_TRUE(ui);
    POINT at{};
    EXPECT_EQ(ui->ShowContextMenu(CONTEXT_MENU_DEFAULT, &at, nullptr, nullptr), S_OK);
    wchar_t helpFile[] = L"C:\\evil.chm";
    EXPECT_EQ(container_.As<IDocHostShowUI>(__uuidof(IDocHostShowUI))
                  ->ShowHelp(nullptr, helpFile, HELP_CONTEXT, 1, at, nullptr),
              S_OK);

    ComPtr<IDispatch> external;
    ASSERT_EQ(ui->GetExternal(external.Out()), S_OK);
    wchar_t name[] = L"AddFavorite";
    LPOLESTR names[] = {name};
    DISPID id = 0;
    EXPECT_EQ(external->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id),
              DISP_E_UNKNOWNNAME);

    // The engine passes its key messages on with the keyboard's state of the moment.
    const auto refused = [&](WPARAM key, bool control) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = control ? 0x80 : 0;
        SetKeyboardState(keys);
        MSG msg{nullptr, WM_KEYDOWN, key, 0, 0, {}};
        return ui->TranslateAccelerator(&msg, nullptr, 0) == S_OK;
    };
    for (int key :
         std::initializer_list<int>{'N', 'O', 'L', 'P', 'S', 'F', VK_ADD, VK_OEM_MINUS, '0'}) {
        EXPECT_TRUE(refused(key, true)) << "Ctrl and key " << key;
    }
    for (int key : std::initializer_list<int>{'A', 'C', 'V', VK_TAB}) {
        EXPECT_FALSE(refused(key, true)) << "Ctrl and key " << key;
    }
    EXPECT_TRUE(refused(VK_F11, false));
    EXPECT_TRUE(refused(VK_F1, false));
    EXPECT_FALSE(refused('N', false));
}

TEST_F(WebBrowserContainer, CtrlAndTheWheelOverThePageAreSwallowed) {
    // Stands for the engine's own window inside the view.
    HWND page = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, view_.Handle(), nullptr,
                                nullptr, nullptr);
    MSG wheel{page, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), 0, 0, {}};
    EXPECT_TRUE(view_.TranslateAccelerator(wheel));
    wheel.wParam = MAKEWPARAM(0, WHEEL_DELTA);
    EXPECT_FALSE(view_.TranslateAccelerator(wheel)) << "the wheel alone scrolls";
}

// The engine as the view takes it from the system, watched from outside.
class WebBrowserEngine : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 320, 240, nullptr, nullptr,
                                  nullptr, nullptr);
    }
    void TearDown() override {
        DestroyWindow(parent_);
        OleUninitialize();
    }
    HWND parent_ = nullptr;
};

TEST_F(WebBrowserEngine, EveryFeatureControlIsOnForTheProcessBeforeTheControlExists) {
    // As the user's settings may have them (and as views made earlier in this process left them).
    for (const auto feature : LockedDownFeatures()) {
        CoInternetSetFeatureEnabled(feature, SET_FEATURE_ON_PROCESS, FALSE);
        ASSERT_EQ(CoInternetIsFeatureEnabled(feature, GET_FEATURE_FROM_PROCESS), S_FALSE);
    }
    const BrowserEngine system = SystemBrowserEngine();
    std::vector<std::string> calls;
    std::vector<INTERNETFEATURELIST> offWhenCreated;
    const BrowserEngine watched{
        .enableFeature =
            [&](INTERNETFEATURELIST feature) {
                calls.push_back("feature " + std::to_string(feature));
                return system.enableFeature(feature);
            },
        .createControl =
            [&](IOleObject** control) {
                calls.push_back("create");
                for (const auto feature : LockedDownFeatures()) {
                    if (CoInternetIsFeatureEnabled(feature, GET_FEATURE_FROM_PROCESS) != S_OK) {
                        offWhenCreated.push_back(feature);
                    }
                }
                return system.createControl(control);
            }};
    WebBrowser view(watched);
    view.Create(parent_, 1, Place(0, 0, 320, 240));
    EXPECT_NE(view.Application(), nullptr);

    std::vector<std::string> expected;
    for (const auto feature : LockedDownFeatures()) {
        expected.push_back("feature " + std::to_string(feature));
    }
    expected.push_back("create");
    EXPECT_EQ(calls, expected);
    EXPECT_THAT(offWhenCreated, testing::IsEmpty());
    EXPECT_THAT(
        std::vector(LockedDownFeatures().begin(), LockedDownFeatures().end()),
        testing::IsSupersetOf(
            {FEATURE_RESTRICT_ACTIVEXINSTALL, FEATURE_RESTRICT_FILEDOWNLOAD,
             FEATURE_PROTOCOL_LOCKDOWN, FEATURE_ZONE_ELEVATION, FEATURE_MIME_HANDLING,
             FEATURE_MIME_SNIFFING, FEATURE_WINDOW_RESTRICTIONS, FEATURE_BEHAVIORS,
             FEATURE_DISABLE_MK_PROTOCOL, FEATURE_SAFE_BINDTOOBJECT, FEATURE_VALIDATE_NAVIGATE_URL,
             FEATURE_BLOCK_INPUT_PROMPTS, FEATURE_HTTP_USERNAME_PASSWORD_DISABLE}));
}

TEST_F(WebBrowserEngine, NoControlIsMadeWhenAFeatureControlCannotBeSwitchedOn) {
    bool created = false;
    const BrowserEngine failing{.enableFeature =
                                    [](INTERNETFEATURELIST feature) {
                                        return feature == FEATURE_PROTOCOL_LOCKDOWN ? E_FAIL : S_OK;
                                    },
                                .createControl =
                                    [&](IOleObject**) {
                                        created = true;
                                        return E_FAIL;
                                    }};
    WebBrowser view(failing);
    view.Create(parent_, 1, Place(0, 0, 320, 240));
    EXPECT_FALSE(created);
    EXPECT_EQ(view.Application(), nullptr);
    EXPECT_THROW(view.Navigate("https://www.ziruri.cn/"), Error);
}

}  // namespace
}  // namespace zr::widgets
