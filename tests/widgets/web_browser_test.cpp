// The web view's leash from the browser's side: the calls the browser makes on its container
// (ambient properties, events with their by-reference Cancel), made here by hand on the
// container of a real hosted control, since Wine's browser has no HTML engine to make them.

#include "widgets/web_browser.h"

#include <windows.h>

#include <exdispid.h>
#include <gtest/gtest.h>
#include <mshtmdid.h>

#include <algorithm>
#include <string>
#include <vector>

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

}  // namespace
}  // namespace zr::widgets
