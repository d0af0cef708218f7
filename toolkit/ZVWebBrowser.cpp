#include "toolkit/ZVWebBrowser.h"

#include "osal/LibraryModule.h"

#include <exdispid.h>

namespace {

// Declared here rather than taken from the import libraries, which do not
// carry all of them on every mingw-w64 release.
const IID kIID_IDocHostUIHandler = {0xBD3F23C0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};
const IID kIID_IWebBrowser2 = {0xD30C1661, 0xCDAF, 0x11D0, {0x8A, 0x3E, 0x00, 0xC0, 0x4F, 0xC9, 0xE2, 0x6E}};
const IID kDIID_DWebBrowserEvents2 = {0x34A715A0, 0x6587, 0x11D0, {0x92, 0x4A, 0x00, 0x20, 0xAF, 0xC7, 0xAC, 0x4D}};

constexpr DISPID kDispidSilent = 551;
constexpr wchar_t kHostClassName[] = L"ZvWebBrowserHost";

// The string inside a VARIANT that may be passed by reference.
const wchar_t* VariantText(const VARIANT& value)
{
    const VARIANT* v = &value;
    if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal)
        v = v->pvarVal;
    if (v->vt == VT_BSTR)
        return v->bstrVal;
    if (v->vt == (VT_BYREF | VT_BSTR) && v->pbstrVal)
        return *v->pbstrVal;
    return nullptr;
}

} // namespace

const CLSID CZV_WebBrowserControl::kBrowserClassId = {
    0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};

// ---- CZVDocHostUIHandler ----------------------------------------------------

HRESULT STDMETHODCALLTYPE CZVDocHostUIHandler::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIID_IDocHostUIHandler)) {
        *object = static_cast<IDocHostUIHandler*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE CZVDocHostUIHandler::ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown*, IDispatch*)
{
    POINT point = ppt ? *ppt : POINT{0, 0};
    OnContextMenu(dwID, point);
    // S_FALSE lets the browser show its own menu, S_OK means "handled".
    return dwID == CONTEXT_MENU_TEXTSELECT ? S_FALSE : S_OK;
}

HRESULT STDMETHODCALLTYPE CZVDocHostUIHandler::GetHostInfo(DOCHOSTUIINFO* pInfo)
{
    if (!pInfo)
        return E_POINTER;
    pInfo->dwFlags = GetDocHostFlags();
    pInfo->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CZVDocHostUIHandler::GetOptionKeyPath(LPOLESTR* pchKey, DWORD)
{
    if (pchKey)
        *pchKey = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CZVDocHostUIHandler::GetDropTarget(IDropTarget*, IDropTarget** ppDropTarget)
{
    if (ppDropTarget)
        *ppDropTarget = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CZVDocHostUIHandler::GetExternal(IDispatch** ppDispatch)
{
    if (ppDispatch)
        *ppDispatch = nullptr;
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE CZVDocHostUIHandler::TranslateUrl(DWORD, LPWSTR, LPWSTR* ppchURLOut)
{
    if (ppchURLOut)
        *ppchURLOut = nullptr;
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE CZVDocHostUIHandler::FilterDataObject(IDataObject*, IDataObject** ppDORet)
{
    if (ppDORet)
        *ppDORet = nullptr;
    return S_FALSE;
}

// ---- The container's site ---------------------------------------------------

// One object for every interface the browser asks its container for. It is
// reference counted for real: the browser may keep it a little longer than
// the control (the control drops its own reference in Destroy).
class CZV_WebBrowserControl::Site final : public IOleClientSite,
                                          public IOleInPlaceSite,
                                          public IOleInPlaceFrame,
                                          public IDispatch {
public:
    explicit Site(CZV_WebBrowserControl* owner) : m_owner(owner) {}
    void Detach() { m_owner = nullptr; }

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
        else if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, kDIID_DWebBrowserEvents2))
            *object = static_cast<IDispatch*>(this);
        else if (IsEqualIID(riid, kIID_IDocHostUIHandler) && m_owner && m_owner->m_handler)
            return m_owner->m_handler->QueryInterface(riid, object);
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
        IOleInPlaceObject* inPlace = nullptr;
        if (rect && m_owner && m_owner->m_oleObject &&
            SUCCEEDED(m_owner->m_oleObject->QueryInterface(IID_IOleInPlaceObject,
                                                           reinterpret_cast<void**>(&inPlace)))) {
            inPlace->SetObjectRects(rect, rect);
            inPlace->Release();
        }
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

    // IDispatch: ambient properties (none given: the browser's defaults) and
    // the DWebBrowserEvents2 sink.
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
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        // BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData,
        // Headers, Cancel): arguments arrive in reverse order.
        if (member == DISPID_BEFORENAVIGATE2 && params && params->cArgs >= 7 && m_owner) {
            if (const wchar_t* url = VariantText(params->rgvarg[params->cArgs - 2]))
                m_owner->m_lastNavigateTarget = url;
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
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
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<CZV_WebBrowserControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_SIZE:
        if (self)
            self->Resize();
        break;
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
                                   CZVDocHostUIHandler* handler, const CLSID* classId)
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
    CreateBrowser(classId ? *classId : kBrowserClassId);
    return true;
}

bool CZV_WebBrowserControl::CreateBrowser(const CLSID& classId)
{
    if (FAILED(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                IID_IOleObject, reinterpret_cast<void**>(&m_oleObject))) ||
        !m_oleObject) {
        m_oleObject = nullptr;
        return false;
    }
    m_site = new Site(this);
    m_oleObject->SetClientSite(static_cast<IOleClientSite*>(m_site));
    OleSetContainedObject(m_oleObject, TRUE);

    RECT client = {};
    GetClientRect(m_hWnd, &client);
    HRESULT activated = m_oleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(m_site),
                                            0, m_hWnd, &client);
    if (FAILED(activated) ||
        FAILED(m_oleObject->QueryInterface(kIID_IWebBrowser2, reinterpret_cast<void**>(&m_browser)))) {
        m_browser = nullptr;
        ReleaseBrowser();
        return false;
    }

    // No message boxes of the browser's own (script errors and the like).
    IDispatch* dispatch = nullptr;
    if (SUCCEEDED(m_browser->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
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
        dispatch->Release();
    }

    IConnectionPointContainer* points = nullptr;
    if (SUCCEEDED(m_browser->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&points)))) {
        if (SUCCEEDED(points->FindConnectionPoint(kDIID_DWebBrowserEvents2, &m_eventPoint)) && m_eventPoint) {
            if (FAILED(m_eventPoint->Advise(static_cast<IDispatch*>(m_site), &m_eventCookie))) {
                m_eventPoint->Release();
                m_eventPoint = nullptr;
                m_eventCookie = 0;
            }
        } else {
            m_eventPoint = nullptr;
        }
        points->Release();
    }
    return true;
}

void CZV_WebBrowserControl::Resize()
{
    if (!m_oleObject || !m_hWnd)
        return;
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    IOleInPlaceObject* inPlace = nullptr;
    if (SUCCEEDED(m_oleObject->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
        inPlace->SetObjectRects(&client, &client);
        inPlace->Release();
    }
}

void CZV_WebBrowserControl::Destroy()
{
    ReleaseBrowser();
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
    if (m_eventPoint) {
        m_eventPoint->Unadvise(m_eventCookie);
        m_eventPoint->Release();
        m_eventPoint = nullptr;
        m_eventCookie = 0;
    }
    if (m_browser) {
        m_browser->Stop();
        m_browser->Release();
        m_browser = nullptr;
    }
    if (m_oleObject) {
        IOleInPlaceObject* inPlace = nullptr;
        if (SUCCEEDED(m_oleObject->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
            inPlace->InPlaceDeactivate();
            inPlace->Release();
        }
        m_oleObject->Close(OLECLOSE_NOSAVE);
        m_oleObject->SetClientSite(nullptr);
        m_oleObject->Release();
        m_oleObject = nullptr;
    }
    if (m_site) {
        m_site->Detach();
        m_site->Release();
        m_site = nullptr;
    }
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

std::wstring CZV_WebBrowserControl::GetLocationURL() const
{
    std::wstring text;
    if (!m_browser)
        return text;
    BSTR location = nullptr;
    if (SUCCEEDED(m_browser->get_LocationURL(&location)) && location) {
        text.assign(location, SysStringLen(location));
        SysFreeString(location);
    }
    return text;
}

bool CZV_WebBrowserControl::IsSilent() const
{
    VARIANT_BOOL silent = VARIANT_FALSE;
    return m_browser && SUCCEEDED(m_browser->get_Silent(&silent)) && silent != VARIANT_FALSE;
}
