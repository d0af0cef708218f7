#include "toolkit/ZVUniButton.h"

#include "toolkit/ZVImage.h"
#include "toolkit/ZVGdi.h"
#include "toolkit/ZVToolkit.h"

#include <algorithm>

using ZvOSAL::ZvString;
using ZVGdi::BufferedPaint;
using ZVImage::Mix;

void CZV_UniButton::OnAttached()
{
    const LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_STYLE) | WS_TABSTOP;
    const LONG_PTR type = style & BS_TYPEMASK;
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, style);
    if (type == BS_OWNERDRAW)
        return; // already ours (created or taken over before)
    m_default = type == BS_DEFPUSHBUTTON;
    if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
        type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) {
        m_checkBox = true;
        m_check = static_cast<int>(DefWindowProc(BM_GETCHECK, 0, 0)) == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
    }
    SetWindowLongPtrW(m_hWnd, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    Invalidate();
}

void CZV_UniButton::SetCheck(int state)
{
    m_check = state == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
    if (m_hWnd) {
        InvalidateRect(m_hWnd, nullptr, FALSE);
        UpdateWindow(m_hWnd);
    }
}

void CZV_UniButton::OnParentNotify(UINT code)
{
    if (m_checkBox && code == BN_CLICKED)
        SetCheck(m_check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
}

bool CZV_UniButton::LoadTemplate(CZVIniFileReader* file, const wchar_t* section)
{
    const bool loaded = CZV_ControlBase::LoadTemplate(file, section);
    m_frames = ReadTemplateInt(L"frames", 0);
    m_radius = ZVToolkit::ScaleX(ReadTemplateInt(L"radius", 4));
    m_padding = ZVToolkit::ScaleX(ReadTemplateInt(L"padding", 4));
    m_drawText = ReadTemplateInt(L"drawText", 1) != 0;
    m_hasBackHot = ReadTemplateColor(L"backColorHot", m_backHot);
    m_hasBackPressed = ReadTemplateColor(L"backColorPressed", m_backPressed);
    m_hasTextHot = ReadTemplateColor(L"textColorHot", m_textHot);
    return loaded;
}

LRESULT CZV_UniButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case BM_GETCHECK:
        return m_check;
    case BM_SETCHECK:
        SetCheck(static_cast<int>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_GETDLGCODE:
        if (m_checkBox)
            return DLGC_BUTTON;
        return DLGC_BUTTON | (m_default ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case BM_SETSTYLE:
        // The dialog manager moves the default: remember it, keep drawing
        // the button ourselves.
        if (!m_checkBox) {
            m_default = (wParam & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
            if (lParam)
                InvalidateRect(m_hWnd, nullptr, FALSE);
        }
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        const LRESULT result = DefWindowProc(message, wParam, lParam);
        InvalidateRect(m_hWnd, nullptr, FALSE);
        return result;
    }
    case WM_MOUSEMOVE:
        if (!m_tracking) {
            TRACKMOUSEEVENT track = {};
            track.cbSize = sizeof(track);
            track.dwFlags = TME_LEAVE;
            track.hwndTrack = m_hWnd;
            m_tracking = TrackMouseEvent(&track) != FALSE;
        }
        if (!m_hot) {
            m_hot = true;
            InvalidateRect(m_hWnd, nullptr, FALSE);
        }
        break;
    case WM_MOUSELEAVE:
        m_tracking = false;
        m_hot = false;
        InvalidateRect(m_hWnd, nullptr, FALSE);
        break;
    case WM_SETTEXT:
    case WM_ENABLE: {
        const LRESULT result = DefWindowProc(message, wParam, lParam);
        InvalidateRect(m_hWnd, nullptr, FALSE);
        return result;
    }
    default:
        break;
    }
    return DefWindowProc(message, wParam, lParam);
}

bool CZV_UniButton::OnDrawItem(const DRAWITEMSTRUCT& item)
{
    if (item.hwndItem != m_hWnd)
        return false;
    RECT rect = item.rcItem;
    BufferedPaint paint(item.hDC, rect);
    HDC dc = paint.dc();
    RECT local = {0, 0, rect.right - rect.left, rect.bottom - rect.top};
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT);
    const ZvString text = GetWindowText();
    ZVGdi::Selection font(dc, GetDrawFont());
    SetBkMode(dc, TRANSPARENT);
    PaintBackground(dc, local, WM_CTLCOLORBTN);

    COLORREF textColor = GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
    if (m_look.hasText)
        textColor = m_look.text;
    if (m_hot && m_hasTextHot && !disabled)
        textColor = m_textHot;
    if (disabled && m_look.hasTextDisabled)
        textColor = m_look.textDisabled;
    SetTextColor(dc, textColor);

    if (m_checkBox) {
        // Box at the left, text beside it.
        const int box = std::min<int>(local.bottom - local.top, ZVToolkit::ScaleY(14));
        RECT boxRect = {local.left, local.top + (local.bottom - local.top - box) / 2, local.left + box, 0};
        boxRect.bottom = boxRect.top + box;
        const bool ticked = m_check == BST_CHECKED;
        if (!PaintBitmap(dc, boxRect, ticked ? 1 : 0, m_frames > 0 ? m_frames : 2)) {
            if (m_look.hasBorder || m_look.hasBack) {
                const COLORREF fill = m_look.hasBack ? m_look.back : RGB(255, 255, 255);
                ZVImage::FillRoundRect(dc, boxRect, ZVToolkit::ScaleX(2), m_hot ? Mix(fill, textColor, 85) : fill,
                                       m_look.hasBorder ? static_cast<long>(m_look.border) : -1);
                if (ticked) {
                    ZVGdi::Pen pen(
                        CreatePen(PS_SOLID, std::max(2, box / 7), m_look.hasBorder ? m_look.border : textColor));
                    ZVGdi::Selection selected(dc, pen);
                    POINT points[3] = {{boxRect.left + box / 4, boxRect.top + box / 2},
                                       {boxRect.left + box * 2 / 5, boxRect.top + box * 3 / 4 - 1},
                                       {boxRect.left + box * 3 / 4 + 1, boxRect.top + box / 4}};
                    Polyline(dc, points, 3);
                }
            } else {
                DrawFrameControl(dc, &boxRect, DFC_BUTTON,
                                 DFCS_BUTTONCHECK | (ticked ? DFCS_CHECKED : 0) | (disabled ? DFCS_INACTIVE : 0));
            }
        }
        RECT textRect = {};
        UINT format = 0;
        GetTextLayout(textRect, format);
        DrawTextW(dc, text, text.GetLength(), &textRect, format | DT_END_ELLIPSIS);
        if (focused) {
            // Around the text, as the system draws a check box's focus.
            RECT need = textRect;
            DrawTextW(dc, text, text.GetLength(), &need, format | DT_CALCRECT);
            RECT around = {textRect.left - 2, (local.bottom - (need.bottom - need.top)) / 2 - 1,
                           std::min<LONG>(need.right, textRect.right) + 2, 0};
            around.bottom = around.top + (need.bottom - need.top) + 2;
            DrawFocusRect(dc, &around);
        }
    } else {
        const int frame = disabled ? 3 : pressed ? 2 : m_hot ? 1 : 0;
        if (!PaintBitmap(dc, local, frame, m_frames > 0 ? m_frames : 4)) {
            if (m_look.hasBack) {
                COLORREF fill = m_look.back;
                if (pressed)
                    fill = m_hasBackPressed ? m_backPressed : Mix(fill, RGB(0, 0, 0), 80);
                else if (m_hot)
                    fill = m_hasBackHot ? m_backHot : Mix(fill, RGB(255, 255, 255), 85);
                if (disabled)
                    fill = Mix(fill, RGB(255, 255, 255), 50);
                ZVImage::FillRoundRect(dc, local, m_radius, fill,
                                       m_look.hasBorder ? static_cast<long>(m_look.border) : -1);
            } else {
                DrawFrameControl(dc, &local, DFC_BUTTON,
                                 DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0) | (disabled ? DFCS_INACTIVE : 0));
            }
        }
        RECT textRect = {};
        UINT format = 0;
        GetTextLayout(textRect, format);
        if (pressed)
            OffsetRect(&textRect, 1, 1);
        if (m_drawText)
            DrawTextW(dc, text, text.GetLength(), &textRect, format | DT_END_ELLIPSIS);
        if (focused) {
            RECT focus = local;
            InflateRect(&focus, -ZVToolkit::ScaleX(3), -ZVToolkit::ScaleY(3));
            // Dots that show on light and dark faces alike.
            SetTextColor(dc, RGB(0, 0, 0));
            SetBkColor(dc, RGB(255, 255, 255));
            DrawFocusRect(dc, &focus);
        }
    }
    return true;
}

bool CZV_UniButton::GetTextLayout(RECT& area, UINT& format) const
{
    if (!m_hWnd || (!m_checkBox && !m_drawText))
        return false;
    GetClientRect(m_hWnd, &area);
    if (m_checkBox) {
        const int box = std::min<int>(area.bottom - area.top, ZVToolkit::ScaleY(14));
        area.left += box + ZVToolkit::ScaleX(6);
        area.right -= ZVToolkit::ScaleX(3); // room for the focus frame
        format = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
        return true;
    }
    area.left += m_padding;
    area.right -= m_padding;
    format = (m_look.align >= 0 ? static_cast<UINT>(m_look.align) : DT_CENTER) | DT_VCENTER | DT_SINGLELINE;
    return true;
}
