// The web browser host: the system's browser control in our own OLE
// container, in a plain window. Under Wine without its browser engine the
// page does not render, so the tests observe what the container asks of the
// browser (navigation target, Silent, host flags, context menus), not pixels.
#include "toolkit/ZVWebBrowser.h"

#include "support/Threads.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Serves this thread's messages until done() or the time is up.
template <typename Done> bool PumpUntil(Done done, DWORD milliseconds)
{
    DWORD start = GetTickCount();
    while (!done()) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (GetTickCount() - start > milliseconds)
            return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

class TopWindow {
public:
    TopWindow()
    {
        m_window = CreateWindowExW(0, L"STATIC", L"browser host test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 500,
                                   400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~TopWindow()
    {
        if (m_window)
            DestroyWindow(m_window);
    }
    HWND Get() const { return m_window; }

private:
    HWND m_window;
};

struct CountingHandler : CZVDocHostUIHandler {
    int menus = 0;
    DWORD lastMenu = 0xFFFFFFFF;
    void OnContextMenu(DWORD menuId, const POINT&) override
    {
        ++menus;
        lastMenu = menuId;
    }
};

std::wstring WriteTempPage()
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"zv_browser_host_test.html";
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (file) {
        fputs("<html><body><p>Release notes</p></body></html>", file);
        fclose(file);
    }
    return path;
}

// "file:///C:/a/b.html", "file://C:\\a\\b.html" and "C:\\a\\b.html" all
// name the file C:\\a\\b.html.
std::wstring AsPath(std::wstring text)
{
    if (text.compare(0, 5, L"file:") == 0) {
        text.erase(0, 5);
        while (!text.empty() && (text[0] == L'/' || text[0] == L'\\'))
            text.erase(0, 1);
    }
    for (auto& ch : text)
        if (ch == L'/')
            ch = L'\\';
    return text;
}

class WebBrowserHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        HRESULT ole = OleInitialize(nullptr);
        ASSERT_TRUE(SUCCEEDED(ole));
    }
    void TearDown() override { OleUninitialize(); }
};

TEST_F(WebBrowserHost, HandlerAnswersFlagsAndLetsOnlyTheTextSelectionMenuThrough)
{
    CountingHandler handler;
    DOCHOSTUIINFO info = {};
    info.cbSize = sizeof(info);
    ASSERT_EQ(S_OK, handler.GetHostInfo(&info));
    EXPECT_EQ(0x84u, info.dwFlags);
    EXPECT_EQ(static_cast<DWORD>(DOCHOSTUIDBLCLK_DEFAULT), info.dwDoubleClick);

    POINT at = {5, 6};
    EXPECT_EQ(S_FALSE, handler.ShowContextMenu(CONTEXT_MENU_TEXTSELECT, &at, nullptr, nullptr));
    EXPECT_EQ(S_OK, handler.ShowContextMenu(CONTEXT_MENU_DEFAULT, &at, nullptr, nullptr));
    EXPECT_EQ(S_OK, handler.ShowContextMenu(CONTEXT_MENU_ANCHOR, &at, nullptr, nullptr));
    EXPECT_EQ(S_OK, handler.ShowContextMenu(CONTEXT_MENU_IMAGE, nullptr, nullptr, nullptr));
    EXPECT_EQ(4, handler.menus); // the overridable hook sees every request
    EXPECT_EQ(static_cast<DWORD>(CONTEXT_MENU_IMAGE), handler.lastMenu);
}

TEST_F(WebBrowserHost, BrowserIsHostedSilentAndNavigatesToAFileUrl)
{
    TopWindow top;
    ASSERT_TRUE(top.Get());
    CountingHandler handler;
    CZV_WebBrowserControl browser;
    RECT place = {10, 20, 410, 320};
    ASSERT_TRUE(browser.Create(top.Get(), 1020, place, WS_CHILD | WS_TABSTOP | WS_VISIBLE, &handler));
    ASSERT_TRUE(browser.GetSafeHwnd());
    EXPECT_EQ(1020, GetDlgCtrlID(browser.GetSafeHwnd()));
    EXPECT_EQ(top.Get(), GetParent(browser.GetSafeHwnd()));
    RECT shown = {};
    GetWindowRect(browser.GetSafeHwnd(), &shown);
    EXPECT_EQ(400, shown.right - shown.left);
    EXPECT_EQ(300, shown.bottom - shown.top);

    ASSERT_TRUE(browser.HasBrowser()) << "the system's web browser control could not be created";
    EXPECT_TRUE(browser.IsSilent());

    // The browser finds our handler through its client site.
    IOleObject* ole = nullptr;
    ASSERT_TRUE(SUCCEEDED(browser.GetBrowser()->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole))));
    IOleClientSite* site = nullptr;
    ASSERT_TRUE(SUCCEEDED(ole->GetClientSite(&site)) && site);
    IDocHostUIHandler* fromSite = nullptr;
    const IID iidHandler = {0xBD3F23C0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};
    ASSERT_TRUE(SUCCEEDED(site->QueryInterface(iidHandler, reinterpret_cast<void**>(&fromSite))));
    EXPECT_EQ(static_cast<IDocHostUIHandler*>(&handler), fromSite);
    fromSite->Release();
    site->Release();
    ole->Release();

    std::wstring path = WriteTempPage();
    std::wstring url = L"file:///" + path;
    for (auto& ch : url)
        if (ch == L'\\')
            ch = L'/';
    ASSERT_TRUE(browser.Navigate(url.c_str()));
    bool arrived = PumpUntil([&] { return !browser.GetLastNavigateTarget().empty(); }, 5000);
    EXPECT_TRUE(arrived) << "no BeforeNavigate2 report";
    // Wine reports a file URL as its path; Windows keeps the URL.
    EXPECT_EQ(path, AsPath(browser.GetLastNavigateTarget()));
    EXPECT_EQ(path, AsPath(browser.GetLocationURL()));

    browser.Destroy();
    EXPECT_FALSE(browser.GetSafeHwnd());
    EXPECT_FALSE(browser.HasBrowser());
    DeleteFileW(path.c_str());
}

TEST_F(WebBrowserHost, ResizingTheContainerKeepsTheBrowserInside)
{
    TopWindow top;
    CZV_WebBrowserControl browser;
    RECT place = {0, 0, 200, 100};
    ASSERT_TRUE(browser.Create(top.Get(), 1020, place, WS_CHILD | WS_VISIBLE, nullptr));
    ASSERT_TRUE(browser.HasBrowser());
    SetWindowPos(browser.GetSafeHwnd(), nullptr, 0, 0, 300, 250, SWP_NOMOVE | SWP_NOZORDER);
    long width = 0, height = 0;
    HWND inner = GetWindow(browser.GetSafeHwnd(), GW_CHILD);
    ASSERT_TRUE(inner) << "the browser is not in place inside the container";
    RECT innerRect = {};
    GetWindowRect(inner, &innerRect);
    width = innerRect.right - innerRect.left;
    height = innerRect.bottom - innerRect.top;
    EXPECT_EQ(300, width);
    EXPECT_EQ(250, height);
}

// When the browser control cannot be created (here: a class nobody
// registered) the pane is still a window, blank, and navigation is refused
// instead of crashing.
void CreateWithoutBrowser(int* outcome)
{
    const CLSID missing = {0x0BADC0DE, 0x1234, 0x5678, {0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78}};
    OleInitialize(nullptr);
    {
        TopWindow top;
        CZV_WebBrowserControl browser;
        RECT place = {0, 0, 100, 100};
        bool created = browser.Create(top.Get(), 1020, place, WS_CHILD | WS_VISIBLE, nullptr, &missing);
        *outcome = (created ? 1 : 0) | (browser.HasBrowser() ? 2 : 0) | (browser.Navigate(L"about:blank") ? 4 : 0) |
                   (browser.GetLocationURL().empty() ? 8 : 0) | (IsWindow(browser.GetSafeHwnd()) ? 16 : 0);
    }
    OleUninitialize();
}

TEST(WebBrowserHostWithoutBrowser, PaneStaysBlankAndUsable)
{
    int outcome = -1;
    HANDLE thread = zvtest::StartThread([&outcome] { CreateWithoutBrowser(&outcome); });
    ASSERT_TRUE(thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 20000));
    CloseHandle(thread);
    EXPECT_EQ(1 | 8 | 16, outcome);
}

} // namespace
