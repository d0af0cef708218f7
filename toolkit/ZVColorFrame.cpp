#include "toolkit/ZVColorFrame.h"

#include "toolkit/ZVGdi.h"
#include "toolkit/ZVToolkit.h"

#include <cwchar>

using ZvOSAL::ZvString;

void CZV_ColorFrame::OnAttached()
{
    // No visible area of its own: an empty window region.
    SetWindowRgn(m_hWnd, CreateRectRgn(0, 0, 0, 0), FALSE);
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetWindowLongPtrW(m_hWnd, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_TABSTOP));
}

bool CZV_ColorFrame::LoadTemplate(CZVIniFileReader* file, const wchar_t* section)
{
    const bool loaded = CZV_ControlBase::LoadTemplate(file, section);
    m_borderWidth = ZVToolkit::ScaleY(ReadTemplateInt(L"borderWidth", 1));
    ZvString sides;
    m_sides = 15;
    if (ReadTemplateString(L"borderSides", sides)) {
        sides.MakeLower();
        m_sides = (sides.Find(L"left") >= 0 ? 1u : 0u) | (sides.Find(L"top") >= 0 ? 2u : 0u) |
                  (sides.Find(L"right") >= 0 ? 4u : 0u) | (sides.Find(L"bottom") >= 0 ? 8u : 0u);
    }
    Redraw(true);
    return loaded;
}

LRESULT CZV_ColorFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps = {};
        BeginPaint(m_hWnd, &ps);
        EndPaint(m_hWnd, &ps);
        return 0;
    }
    default:
        return DefWindowProc(message, wParam, lParam);
    }
}

void CZV_ColorFrame::Redraw(bool)
{
    // The area is the parent's background: the parent repaints it.
    HWND parent = m_hWnd ? GetParent(m_hWnd) : nullptr;
    if (parent)
        RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CZV_ColorFrame::PaintArea(HDC dc) const
{
    if (!m_hWnd || (GetWindowLongPtrW(m_hWnd, GWL_STYLE) & WS_VISIBLE) == 0)
        return;
    RECT area = {};
    GetWindowRect(m_hWnd, &area);
    MapWindowPoints(nullptr, GetParent(m_hWnd), reinterpret_cast<POINT*>(&area), 2);
    if (m_look.hasBack) {
        ZVGdi::Brush fill(CreateSolidBrush(m_look.back));
        FillRect(dc, &area, fill);
    }
    if (!m_look.hasBorder || m_borderWidth <= 0)
        return;
    ZVGdi::Brush line(CreateSolidBrush(m_look.border));
    const int w = m_borderWidth;
    const RECT sides[4] = {{area.left, area.top, area.left + w, area.bottom},
                           {area.left, area.top, area.right, area.top + w},
                           {area.right - w, area.top, area.right, area.bottom},
                           {area.left, area.bottom - w, area.right, area.bottom}};
    for (int i = 0; i < 4; ++i)
        if (m_sides & (1u << i))
            FillRect(dc, &sides[i], line);
}
