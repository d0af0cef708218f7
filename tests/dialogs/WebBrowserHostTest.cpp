// The web browser host: the system's browser control in our own OLE
// container, in a plain window. Under Wine without its browser engine the
// page does not render, so the tests ask what the container tells the
// browser through its site (host flags, context menus, ambient download
// control, security zone) and where the browser was sent, not pixels.
#include "toolkit/ZVWebBrowser.h"

#include "ZvOSAL/ZvString.h"
#include "osal/AllocationFailure.h"
#include "update/UpdateTestHelpers.h"

#include <gtest/gtest.h>

#include <mshtmdid.h>
#include <urlmon.h>

#include <string>

namespace {

using ZvOSAL::ComPtr;

// A top-level window for the browser; destroyed when the test ends.
struct TopWindow {
    HWND window = CreateWindowExW(0, L"STATIC", L"browser host test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 500,
                                  400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ~TopWindow() { DestroyWindow(window); }
    HWND Get() const { return window; }
};

// Counts the hooks' calls; while allocations fail, its hooks stop inside.
struct CountingHandler : CZVDocHostUIHandler {
    int menus = 0, failures = 0;
    void OnContextMenu(DWORD, const POINT&) override { menus += ZvOSAL::ZvString("menu").GetLength() > 0; }
    DWORD GetDocHostFlags() const override { return ZvOSAL::ZvString("flags").GetLength() ? kHostFlags : 0; }
    void OnHostFailure() noexcept override { ++failures; }
};

class WebBrowserHost : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }

    // The client site the browser was given.
    static ComPtr<IOleClientSite> SiteOf(CZV_WebBrowserControl& browser)
    {
        ComPtr<IOleObject> object;
        ComPtr<IOleClientSite> site;
        if (browser.GetBrowser() && SUCCEEDED(browser.GetBrowser()->QueryInterface(IID_IOleObject, object.OutVoid())))
            object->GetClientSite(site.Out());
        return site;
    }
};

TEST_F(WebBrowserHost, HandlerAnswersFlagsLetsOnlyTheTextSelectionMenuThroughAndFailsOnlyAFailedCall)
{
    CountingHandler handler;
    DOCHOSTUIINFO info = {};
    info.cbSize = sizeof(info);
    ASSERT_EQ(S_OK, handler.GetHostInfo(&info));
    EXPECT_EQ(0x84u, info.dwFlags);
    EXPECT_EQ(static_cast<DWORD>(DOCHOSTUIDBLCLK_DEFAULT), info.dwDoubleClick);
    const struct {
        DWORD menu;
        HRESULT answer; // S_FALSE: the browser shows its own menu; S_OK: suppressed
    } menus[] = {{CONTEXT_MENU_TEXTSELECT, S_FALSE}, {CONTEXT_MENU_DEFAULT, S_OK}, {CONTEXT_MENU_ANCHOR, S_OK}};
    POINT at = {5, 6};
    for (const auto& row : menus)
        EXPECT_EQ(row.answer, handler.ShowContextMenu(row.menu, &at, nullptr, nullptr)) << row.menu;
    EXPECT_EQ(3, handler.menus); // the overridable hook sees every request

    // A hook that stops inside (an allocation failed) fails the browser's
    // call instead of unwinding into it, and the handler hears of it.
    namespace AllocationFailure = ZvOSAL::AllocationFailure;
    {
        AllocationFailure::Scope failing;
        AllocationFailure::FailEvery(AllocationFailure::Threads::This);
        EXPECT_EQ(S_OK, handler.ShowContextMenu(CONTEXT_MENU_TEXTSELECT, &at, nullptr, nullptr)); // no menu at all
        EXPECT_EQ(E_UNEXPECTED, handler.GetHostInfo(&info));
    }
    EXPECT_EQ(2, handler.failures);
    EXPECT_EQ(3, handler.menus);
}

TEST_F(WebBrowserHost, BrowserIsHostedSilentAndNavigatesToTheFileUrl)
{
    TopWindow top;
    CountingHandler handler;
    CZV_WebBrowserControl browser;
    RECT place = {10, 20, 410, 320};
    ASSERT_TRUE(browser.Create(top.Get(), 1020, place, WS_CHILD | WS_TABSTOP | WS_VISIBLE, &handler));
    EXPECT_EQ(1020, GetDlgCtrlID(browser.GetSafeHwnd()));
    EXPECT_EQ(top.Get(), GetParent(browser.GetSafeHwnd()));
    RECT frame = {};
    GetWindowRect(browser.GetSafeHwnd(), &frame);
    EXPECT_EQ(400, frame.right - frame.left);
    EXPECT_EQ(300, frame.bottom - frame.top);
    ASSERT_NE(nullptr, browser.GetBrowser()) << "the system's web browser control could not be created";
    VARIANT_BOOL silent = VARIANT_FALSE;
    EXPECT_TRUE(SUCCEEDED(browser.GetBrowser()->get_Silent(&silent)) && silent == VARIANT_TRUE);

    // The browser finds our handler through its client site.
    ComPtr<IOleClientSite> site = SiteOf(browser);
    ASSERT_TRUE(site);
    const IID iidHandler = {0xBD3F23C0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};
    auto fromSite = site.As<IDocHostUIHandler>(iidHandler);
    EXPECT_EQ(static_cast<IDocHostUIHandler*>(&handler), fromSite.Get());

    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"zv_browser_host_test.html";
    std::wstring url = L"file:///" + path;
    for (auto& ch : url)
        ch = ch == L'\\' ? L'/' : ch;
    ASSERT_TRUE(browser.Navigate(url.c_str()));
    EXPECT_EQ(path, zvtest::FileShownBy(browser.GetBrowser()));

    // Resizing the container keeps the browser inside it.
    SetWindowPos(browser.GetSafeHwnd(), nullptr, 0, 0, 300, 250, SWP_NOMOVE | SWP_NOZORDER);
    HWND inner = GetWindow(browser.GetSafeHwnd(), GW_CHILD);
    ASSERT_TRUE(inner) << "the browser is not in place inside the container";
    GetWindowRect(inner, &frame);
    EXPECT_EQ(300, frame.right - frame.left);
    EXPECT_EQ(250, frame.bottom - frame.top);

    browser.Destroy();
    EXPECT_FALSE(browser.GetSafeHwnd());
    EXPECT_EQ(nullptr, browser.GetBrowser());
}

// The release notes come from the server: the site tells the browser to run
// no scripts, Java or ActiveX controls, and puts the local file into the
// Internet zone, where code is refused too.
TEST_F(WebBrowserHost, SiteKeepsThePageFromRunningCodeAndInTheInternetZone)
{
    TopWindow top;
    CZV_WebBrowserControl browser;
    RECT place = {0, 0, 200, 100};
    ASSERT_TRUE(browser.Create(top.Get(), 1020, place, WS_CHILD, nullptr));
    ComPtr<IOleClientSite> site = SiteOf(browser);
    ASSERT_TRUE(site);

    auto ambient = site.As<IDispatch>(IID_IDispatch);
    ASSERT_TRUE(ambient);
    VARIANT control;
    VariantInit(&control);
    DISPPARAMS none = {};
    ASSERT_EQ(S_OK, ambient->Invoke(DISPID_AMBIENT_DLCONTROL, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                                    &none, &control, nullptr, nullptr));
    ASSERT_EQ(VT_I4, control.vt);
    const LONG refused = DLCTL_NO_SCRIPTS | DLCTL_NO_JAVA | DLCTL_NO_RUNACTIVEXCTLS | DLCTL_NO_DLACTIVEXCTLS;
    EXPECT_EQ(refused, control.lVal & refused);
    EXPECT_EQ(DLCTL_DLIMAGES, control.lVal & DLCTL_DLIMAGES) << "the notes' pictures must still show";

    auto services = site.As<IServiceProvider>(IID_IServiceProvider);
    ASSERT_TRUE(services);
    ComPtr<IInternetSecurityManager> security;
    ASSERT_EQ(S_OK, services->QueryService(SID_SInternetSecurityManager, IID_IInternetSecurityManager,
                                           security.OutVoid()));
    for (const wchar_t* page : {L"file:///C:/Users/x/AppData/Local/Temp/result.html", L"C:\\Temp\\result.html",
                                L"http://127.0.0.1/notes.html"}) {
        DWORD zone = URLZONE_LOCAL_MACHINE;
        EXPECT_EQ(S_OK, security->MapUrlToZone(page, &zone, 0));
        EXPECT_EQ(static_cast<DWORD>(URLZONE_INTERNET), zone);
    }
    for (DWORD action : {URLACTION_SCRIPT_RUN, URLACTION_ACTIVEX_RUN, URLACTION_JAVA_PERMISSIONS,
                         URLACTION_DOWNLOAD_SIGNED_ACTIVEX, URLACTION_SHELL_FILE_DOWNLOAD}) {
        DWORD policy = URLPOLICY_ALLOW;
        EXPECT_EQ(S_FALSE, security->ProcessUrlAction(L"file:///C:/result.html", action,
                                                      reinterpret_cast<BYTE*>(&policy), sizeof(policy), nullptr,
                                                      0, 0, 0))
            << action;
        EXPECT_EQ(static_cast<DWORD>(URLPOLICY_DISALLOW), policy) << action;
    }
}

} // namespace
