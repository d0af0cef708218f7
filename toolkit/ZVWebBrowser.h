// The system's web browser control (the ActiveX object
// {8856F961-340A-11D0-A96B-00C04FD705A2}) inside a minimal OLE container of
// our own: a client site, an in-place site with a frame and a document host
// UI handler.
//
// The container is a child window (class "ZvWebBrowserHost") that the
// browser is activated in place into; its id and visibility are the pane's.
// OLE must be initialised on the creating thread (OleInitialize); the
// control lives and is called only on that thread. When the browser object
// cannot be created (no OLE, no engine), Create still makes the container
// window, which then stays a blank pane: the dialog around it keeps working.
//
// Under Wine without its browser engine the page does not render, but the
// browser's LocationURL still shows where the pane was sent.
//
// A page that the browser cannot show (no browser object, a refused
// navigation, or no document after kShowTimeoutMs) is shown as formatted
// read-only text in the same place instead (ShowPage, CZV_TextPane).
#pragma once

#include "osal/ComPtr.h"
#include "toolkit/ZVControlBase.h"
#include "toolkit/ZVTextPane.h"

#include <windows.h>
#include <ole2.h>
#include <exdisp.h>
#include <mshtmhst.h>

#include <functional>
#include <string>


// What the browser asks its host about its look (IDocHostUIHandler).
// Derive from it to change the flags or to see context-menu requests.
// Reference counting is a no-op: the object's owner keeps it alive longer
// than the browser it is given to.
class CZVDocHostUIHandler : public IDocHostUIHandler {
public:
    // DOCHOSTUIFLAG_FLAT_SCROLLBAR | DOCHOSTUIFLAG_NO3DBORDER.
    static constexpr DWORD kHostFlags = 0x84;

    virtual ~CZVDocHostUIHandler() = default;

    // Called for every context menu before it is shown or suppressed; does
    // nothing here.
    virtual void OnContextMenu(DWORD menuId, const POINT& point) {}
    // Flags answered to GetHostInfo (kHostFlags unless overridden).
    virtual DWORD GetDocHostFlags() const { return kHostFlags; }
    // A method the browser called stopped inside (an allocation failed); the
    // method failed instead. Nothing here; must not throw.
    virtual void OnHostFailure() noexcept {}

    // IID_IDocHostUIHandler.
    static const IID kInterfaceId;

    // Runs the body of a method the browser called: nothing it throws reaches
    // the browser; OnHostFailure hears of it and the method answers `failed`.
    template <class Body> HRESULT Guarded(HRESULT failed, Body body) noexcept
    {
        try {
            return body();
        } catch (...) {
            OnHostFailure();
            return failed;
        }
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    // IDocHostUIHandler: only the menu for selected text is the browser's
    // own (S_FALSE); every other context menu is suppressed (S_OK).
    HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved,
                                              IDispatch* pdispReserved) override;
    HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* pInfo) override;
    HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                     IOleInPlaceUIWindow*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE HideUI() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* pchKey, DWORD) override;
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget** ppDropTarget) override;
    HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** ppDispatch) override;
    HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR* ppchURLOut) override;
    HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject** ppDORet) override;
};

class CZV_WebBrowserControl : public CZV_Wnd {
public:
    CZV_WebBrowserControl();
    ~CZV_WebBrowserControl() override;

    // Creates the container child window (style, e.g. WS_CHILD | WS_TABSTOP,
    // rectangle in the parent's client coordinates, id) and the browser in
    // it, with handler as its document host UI handler (may be null: the
    // browser's defaults), and sets the browser's Silent property so that it
    // shows no message boxes of its own. False only when the container
    // window cannot be made.
    bool Create(HWND parent, UINT id, const RECT& position, DWORD style, CZVDocHostUIHandler* handler);
    // Deactivates and releases the browser, destroys the window.
    void Destroy();

    // The browser object; null when it could not be created.
    IWebBrowser2* GetBrowser() const { return m_browser.Get(); }

    // Sends the browser to url; false without a browser or when it refuses.
    bool Navigate(const wchar_t* url);

    // Shows the HTML page in the file path: in the browser while it shows
    // the page; otherwise as formatted text (face at pointSize) in a pane
    // that takes the browser's place, and then onFallback is called once.
    // False when neither can show it.
    bool ShowPage(const wchar_t* path, const std::wstring& face, int pointSize, std::function<void()> onFallback);
    // True once the page is shown as text.
    bool IsShowingText() const { return m_text.GetSafeHwnd() != nullptr; }
    const CZV_TextPane& GetTextPane() const { return m_text; }
    // How long the browser may take to show a page.
    static constexpr DWORD kShowTimeoutMs = 3000;

private:
    class Site;
    friend class Site;

    static LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT HostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool CreateBrowser();
    void ReleaseBrowser();
    void Resize();
    bool ShowsDocument() const;
    bool ShowAsText();

    ZvOSAL::ComPtr<Site> m_site;
    ZvOSAL::ComPtr<IOleObject> m_oleObject;
    ZvOSAL::ComPtr<IWebBrowser2> m_browser;
    CZVDocHostUIHandler* m_handler = nullptr;
    CZV_TextPane m_text;
    std::wstring m_page, m_face;
    int m_pointSize = 9;
    DWORD m_shownAt = 0;
    std::function<void()> m_onFallback;
};
