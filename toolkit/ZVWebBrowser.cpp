#include "toolkit/ZVWebBrowser.h"

#include "osal/LibraryModule.h"

#include <mshtml.h>
#include <mshtmdid.h>
#include <urlmon.h>

using ZvOSAL::ComPtr;

namespace {

// Declared here rather than taken from the import libraries, which do not
// carry all of them on every mingw-w64 release.
const IID kIID_IHTMLDocument2 = {0x332C4425, 0x26CB, 0x11D0, {0xB4, 0x83, 0x00, 0xC0, 0x4F, 0xD9, 0x01, 0x19}};
const IID kIID_IWebBrowser2 = {0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};
// The system's web browser control.
const CLSID kBrowserClassId = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};

constexpr DISPID kDispidSilent = 551;
// The timer that watches whether the browser shows the page.
constexpr UINT_PTR kPageTimer = 0x5A57;

// What the page may load and run (the ambient download control): its images,
// videos and sounds, but no scripts, Java or ActiveX controls, no binary
// behaviours and no client-pull navigation, and nothing is downloaded to run.
constexpr LONG kDownloadControl = DLCTL_DLIMAGES | DLCTL_VIDEOS | DLCTL_BGSOUNDS | DLCTL_NO_SCRIPTS | DLCTL_NO_JAVA |
                                  DLCTL_NO_RUNACTIVEXCTLS | DLCTL_NO_DLACTIVEXCTLS | DLCTL_NO_BEHAVIORS |
                                  DLCTL_NO_CLIENTPULL;

// The Internet zone's policy for action; false when it cannot be read. The
// zone manager comes from urlmon, which the browser has loaded already; it is
// looked up at run time so that the library imports no more system DLLs.
bool InternetZonePolicy(DWORD action, DWORD& policy)
{
    using CreateZoneManager = HRESULT(WINAPI*)(IServiceProvider*, IInternetZoneManager**, DWORD);
    HMODULE urlmon = GetModuleHandleW(L"urlmon.dll");
    auto create = urlmon ? reinterpret_cast<CreateZoneManager>(
                               reinterpret_cast<void*>(GetProcAddress(urlmon, "CoInternetCreateZoneManager")))
                         : nullptr;
    ComPtr<IInternetZoneManager> zones;
    return create && SUCCEEDED(create(nullptr, zones.Out(), 0)) && zones &&
           SUCCEEDED(zones->GetZoneActionPolicy(URLZONE_INTERNET, action, reinterpret_cast<BYTE*>(&policy),
                                                sizeof(policy), URLZONEREG_DEFAULT));
}

// URL actions that run or fetch code: refused whatever the zone's settings.
bool RunsCode(DWORD action)
{
    const auto in = [action](DWORD low, DWORD high) { return action >= low && action <= high; };
    return in(URLACTION_DOWNLOAD_MIN, URLACTION_DOWNLOAD_MAX) || in(URLACTION_ACTIVEX_MIN, URLACTION_ACTIVEX_MAX) ||
           in(URLACTION_SCRIPT_MIN, URLACTION_SCRIPT_MAX) || in(URLACTION_JAVA_MIN, URLACTION_JAVA_MAX) ||
           in(URLACTION_SHELL_MIN, URLACTION_SHELL_MAX) || action == URLACTION_HTML_JAVA_RUN;
}
constexpr wchar_t kHostClassName[] = L"ZvWebBrowserHost";

} // namespace

// ---- The container's site ---------------------------------------------------

// One object for every interface the browser asks its container for. It is
// reference counted for real: the browser may keep it a little longer than
// the control (the control drops its own reference in Destroy).
//
// The page it shows comes from the update server, though the browser reads
// it from a local file: the ambient download control keeps it from running
// code, and the security manager offered through IServiceProvider puts every
// page into the Internet zone, so that the zone's rules apply and not those
// of the local machine.
class CZV_WebBrowserControl::Site final : public IOleClientSite,
                                          public IOleInPlaceSite,
                                          public IOleInPlaceFrame,
                                          public IDispatch,
                                          public IServiceProvider,
                                          public IInternetSecurityManager {
public:
    explicit Site(CZV_WebBrowserControl* owner) : m_owner(owner) {}
    void Detach() { m_owner = nullptr; }
    CZVDocHostUIHandler* Handler() const { return m_owner ? m_owner->m_handler : nullptr; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite))
            *object = static_cast<IOleClientSite*>(this);
        else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite))
            *object = static_cast<IOleInPlaceSite*>(this);
        else if (IsEqualIID(riid, IID_IOleInPlaceFrame) || IsEqualIID(riid, IID_IOleInPlaceUIWindow))
            *object = static_cast<IOleInPlaceFrame*>(this);
        else if (IsEqualIID(riid, IID_IDispatch))
            *object = static_cast<IDispatch*>(this);
        else if (IsEqualIID(riid, IID_IServiceProvider))
            *object = static_cast<IServiceProvider*>(this);
        else if (IsEqualIID(riid, IID_IInternetSecurityManager))
            *object = static_cast<IInternetSecurityManager*>(this);
        else if (IsEqualIID(riid, CZVDocHostUIHandler::kInterfaceId) && Handler())
            return Handler()->Guarded(E_NOINTERFACE, [&] { return Handler()->QueryInterface(riid, object); });
        if (!*object)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&m_references);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override
    {
        if (moniker)
            *moniker = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override
    {
        if (container)
            *container = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the in-place site and the frame)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override
    {
        if (!window)
            return E_POINTER;
        *window = m_owner ? m_owner->m_hWnd : nullptr;
        return *window ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override
    {
        if (frame) {
            *frame = static_cast<IOleInPlaceFrame*>(this);
            AddRef();
        }
        if (document)
            *document = nullptr;
        RECT client = {};
        if (m_owner && m_owner->m_hWnd)
            GetClientRect(m_owner->m_hWnd, &client);
        if (position)
            *position = client;
        if (clip)
            *clip = client;
        if (info) {
            info->fMDIApp = FALSE;
            info->hwndFrame = m_owner && m_owner->m_hWnd ? GetAncestor(m_owner->m_hWnd, GA_ROOT) : nullptr;
            info->haccel = nullptr;
            info->cAccelEntries = 0;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT rect) override
    {
        if (!rect || !m_owner)
            return S_OK;
        if (auto inPlace = m_owner->m_oleObject.As<IOleInPlaceObject>(IID_IOleInPlaceObject))
            inPlace->SetObjectRects(rect, rect);
        return S_OK;
    }

    // IOleInPlaceUIWindow / IOleInPlaceFrame: no tool space, no menus.
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDispatch: the ambient properties; only the download control is ours,
    // the browser's defaults hold for the others.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count)
            *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info)
            *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override
    {
        if (member != DISPID_AMBIENT_DLCONTROL)
            return DISP_E_MEMBERNOTFOUND;
        if (!result)
            return E_POINTER;
        VariantInit(result);
        result->vt = VT_I4;
        result->lVal = kDownloadControl;
        return S_OK;
    }

    // IServiceProvider: the security manager; no other service.
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (!IsEqualGUID(service, SID_SInternetSecurityManager))
            return E_NOINTERFACE;
        return QueryInterface(riid, object);
    }

    // IInternetSecurityManager: every page is in the Internet zone; actions
    // that run code are refused, the others follow the Internet zone's
    // settings. The security identity is the system's (it builds it best).
    HRESULT STDMETHODCALLTYPE SetSecuritySite(IInternetSecurityMgrSite*) override { return INET_E_DEFAULT_ACTION; }
    HRESULT STDMETHODCALLTYPE GetSecuritySite(IInternetSecurityMgrSite** site) override
    {
        if (site)
            *site = nullptr;
        return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE MapUrlToZone(LPCWSTR url, DWORD* zone, DWORD) override
    {
        if (!url || !zone)
            return E_INVALIDARG;
        *zone = URLZONE_INTERNET;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSecurityId(LPCWSTR, BYTE*, DWORD*, DWORD_PTR) override
    {
        return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE ProcessUrlAction(LPCWSTR url, DWORD action, BYTE* policy, DWORD policySize, BYTE*,
                                               DWORD, DWORD, DWORD) override
    {
        if (!url)
            return E_INVALIDARG;
        DWORD decided = URLPOLICY_DISALLOW;
        if (RunsCode(action) || !InternetZonePolicy(action, decided))
            decided = URLPOLICY_DISALLOW;
        if (policy && policySize >= sizeof(DWORD))
            memcpy(policy, &decided, sizeof(DWORD));
        return GetUrlPolicyPermissions(decided) == URLPOLICY_ALLOW ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE QueryCustomPolicy(LPCWSTR, REFGUID, BYTE** policy, DWORD* policySize, BYTE*, DWORD,
                                                DWORD) override
    {
        if (policy)
            *policy = nullptr;
        if (policySize)
            *policySize = 0;
        return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE SetZoneMapping(DWORD, LPCWSTR, DWORD) override { return INET_E_DEFAULT_ACTION; }
    HRESULT STDMETHODCALLTYPE GetZoneMappings(DWORD, IEnumString** mappings, DWORD) override
    {
        if (mappings)
            *mappings = nullptr;
        return INET_E_DEFAULT_ACTION;
    }

private:
    ~Site() = default;
    CZV_WebBrowserControl* m_owner;
    LONG m_references = 1;
};

// ---- CZV_WebBrowserControl --------------------------------------------------

CZV_WebBrowserControl::CZV_WebBrowserControl() = default;

CZV_WebBrowserControl::~CZV_WebBrowserControl()
{
    Destroy();
}

LRESULT CALLBACK CZV_WebBrowserControl::HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<CZV_WebBrowserControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    try {
        return HostMessage(window, message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind into the system's window code.
        if (self && self->m_handler)
            self->m_handler->OnHostFailure();
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CZV_WebBrowserControl::HostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<CZV_WebBrowserControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_SIZE:
        if (self)
            self->Resize();
        if (self && self->m_text.GetSafeHwnd())
            MoveWindow(self->m_text.GetSafeHwnd(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        break;
    case WM_TIMER:
        if (wParam == kPageTimer && self) {
            if (self->ShowsDocument()) {
                KillTimer(window, kPageTimer);
            } else if (GetTickCount() - self->m_shownAt >= kShowTimeoutMs) {
                KillTimer(window, kPageTimer);
                self->ShowAsText();
            }
            return 0;
        }
        break;
    case WM_SETFOCUS:
        if (self && self->m_text.GetSafeHwnd()) {
            SetFocus(self->m_text.GetSafeHwnd());
            return 0;
        }
        break;
    case WM_CLOSE:
        // The text pane's Escape: the dialog's, not this window's.
        if (HWND parent = GetParent(window))
            PostMessageW(parent, WM_CLOSE, 0, 0);
        return 0;
    case WM_ERASEBKGND: {
        // The blank pane (no browser, or nothing loaded yet) is white.
        RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        return 1;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (self)
            self->m_hWnd = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool CZV_WebBrowserControl::Create(HWND parent, UINT id, const RECT& position, DWORD style,
                                   CZVDocHostUIHandler* handler)
{
    if (m_hWnd)
        return false;
    HINSTANCE instance = ZvOSAL::LibraryModule();
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    if (!GetClassInfoExW(instance, kHostClassName, &windowClass)) {
        windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = HostWindowProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kHostClassName;
        if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return false;
    }
    m_handler = handler;
    HWND window = CreateWindowExW(0, kHostClassName, L"", style | WS_CHILD | WS_CLIPCHILDREN, position.left,
                                  position.top, position.right - position.left, position.bottom - position.top,
                                  parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance, this);
    if (!window)
        return false;
    m_hWnd = window;
    CreateBrowser();
    return true;
}

bool CZV_WebBrowserControl::CreateBrowser()
{
    if (FAILED(CoCreateInstance(kBrowserClassId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                IID_IOleObject, m_oleObject.OutVoid())) ||
        !m_oleObject) {
        m_oleObject.Reset();
        return false;
    }
    m_site.Reset(new Site(this));
    m_oleObject->SetClientSite(static_cast<IOleClientSite*>(m_site.Get()));
    OleSetContainedObject(m_oleObject.Get(), TRUE);

    RECT client = {};
    GetClientRect(m_hWnd, &client);
    const HRESULT activated = m_oleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr,
                                                  static_cast<IOleClientSite*>(m_site.Get()), 0, m_hWnd, &client);
    if (SUCCEEDED(activated))
        m_browser = m_oleObject.As<IWebBrowser2>(kIID_IWebBrowser2);
    if (!m_browser) {
        ReleaseBrowser();
        return false;
    }

    // No message boxes of the browser's own (script errors and the like).
    if (auto dispatch = m_browser.As<IDispatch>(IID_IDispatch)) {
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_BOOL;
        value.boolVal = VARIANT_TRUE;
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params = {};
        params.rgvarg = &value;
        params.cArgs = 1;
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
        dispatch->Invoke(kDispidSilent, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                         nullptr, nullptr);
    }
    return true;
}

void CZV_WebBrowserControl::Resize()
{
    if (!m_oleObject || !m_hWnd)
        return;
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    if (auto inPlace = m_oleObject.As<IOleInPlaceObject>(IID_IOleInPlaceObject))
        inPlace->SetObjectRects(&client, &client);
}

void CZV_WebBrowserControl::Destroy()
{
    ReleaseBrowser();
    m_text.Destroy();
    if (m_hWnd && IsWindow(m_hWnd)) {
        HWND window = m_hWnd;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        m_hWnd = nullptr;
        DestroyWindow(window);
    }
    m_hWnd = nullptr;
}

void CZV_WebBrowserControl::ReleaseBrowser()
{
    if (m_browser) {
        m_browser->Stop();
        m_browser.Reset();
    }
    if (m_oleObject) {
        if (auto inPlace = m_oleObject.As<IOleInPlaceObject>(IID_IOleInPlaceObject))
            inPlace->InPlaceDeactivate();
        m_oleObject->Close(OLECLOSE_NOSAVE);
        m_oleObject->SetClientSite(nullptr);
        m_oleObject.Reset();
    }
    if (m_site) {
        m_site->Detach();
        m_site.Reset();
    }
}

bool CZV_WebBrowserControl::ShowPage(const wchar_t* path, const std::wstring& face, int pointSize,
                                     std::function<void()> onFallback)
{
    if (!m_hWnd || !path || !*path)
        return false;
    m_page = path;
    m_face = face;
    m_pointSize = pointSize;
    m_onFallback = std::move(onFallback);
    if (m_text.GetSafeHwnd())
        return m_text.SetHtmlFile(path, face, pointSize);
    if (!Navigate(path))
        return ShowAsText();
    m_shownAt = GetTickCount();
    SetTimer(m_hWnd, kPageTimer, 100, nullptr);
    return true;
}

bool CZV_WebBrowserControl::ShowsDocument() const
{
    ComPtr<IDispatch> document;
    if (!m_browser || FAILED(m_browser->get_Document(document.Out())) || !document)
        return false;
    auto html = document.As<IHTMLDocument2>(kIID_IHTMLDocument2);
    ComPtr<IHTMLElement> body;
    return html && SUCCEEDED(html->get_body(body.Out())) && body;
}

bool CZV_WebBrowserControl::ShowAsText()
{
    ReleaseBrowser();
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    if (!m_text.Create(m_hWnd, 1, client))
        return false;
    // Tab goes into the pane itself (the container is no stop of its own).
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetWindowLongPtrW(m_hWnd, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_TABSTOP));
    SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    const bool read = m_text.SetHtmlFile(m_page.c_str(), m_face, m_pointSize);
    if (m_onFallback)
        m_onFallback();
    return read;
}

bool CZV_WebBrowserControl::Navigate(const wchar_t* url)
{
    if (!m_browser || !url)
        return false;
    BSTR target = SysAllocString(url);
    if (!target)
        return false;
    VARIANT empty;
    VariantInit(&empty);
    HRESULT result = m_browser->Navigate(target, &empty, &empty, &empty, &empty);
    SysFreeString(target);
    return SUCCEEDED(result);
}
