#include "toolkit/ZVWebBrowser.h"

#include <mshtml.h>

// Declared here rather than taken from the import libraries, which do not
// carry it on every mingw-w64 release.
const IID CZVDocHostUIHandler::kInterfaceId = {0xBD3F23C0, 0xD43E, 0x11CF,
                                               {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};

HRESULT STDMETHODCALLTYPE CZVDocHostUIHandler::QueryInterface(REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kInterfaceId)) {
        *object = static_cast<IDocHostUIHandler*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE CZVDocHostUIHandler::ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown*, IDispatch*)
{
    // S_FALSE lets the browser show its own menu, S_OK means "handled"; a
    // failed hook shows none.
    return Guarded(S_OK, [&] {
        POINT point = ppt ? *ppt : POINT{0, 0};
        OnContextMenu(dwID, point);
        return dwID == CONTEXT_MENU_TEXTSELECT ? S_FALSE : S_OK;
    });
}

HRESULT STDMETHODCALLTYPE CZVDocHostUIHandler::GetHostInfo(DOCHOSTUIINFO* pInfo)
{
    if (!pInfo)
        return E_POINTER;
    return Guarded(E_UNEXPECTED, [&] {
        pInfo->dwFlags = GetDocHostFlags();
        pInfo->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
        return S_OK;
    });
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
