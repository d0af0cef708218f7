#include "toolkit/ZVControls.h"

#include "toolkit/ZVColorFrame.h"

#include "ini/ZVIniFileReader.h"
#include "toolkit/ZVImage.h"
#include "toolkit/ZVToolkit.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <vector>

using ZvOSAL::ZvString;

namespace {

const UINT_PTR kAnimationTimer = 0x5A56; // "ZV"

COLORREF Mix(COLORREF a, COLORREF b, int percentOfA)
{
    const int p = percentOfA, q = 100 - percentOfA;
    return RGB((GetRValue(a) * p + GetRValue(b) * q) / 100, (GetGValue(a) * p + GetGValue(b) * q) / 100,
               (GetBValue(a) * p + GetBValue(b) * q) / 100);
}

// A memory context the size of the window; copied to the target at the end.
class BufferedPaint {
public:
    BufferedPaint(HDC target, const RECT& rect) : m_target(target), m_rect(rect)
    {
        m_dc = CreateCompatibleDC(target);
        m_bitmap = CreateCompatibleBitmap(target, rect.right - rect.left > 0 ? rect.right - rect.left : 1,
                                          rect.bottom - rect.top > 0 ? rect.bottom - rect.top : 1);
        m_old = SelectObject(m_dc, m_bitmap);
    }
    ~BufferedPaint()
    {
        BitBlt(m_target, m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, m_dc, 0,
               0, SRCCOPY);
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    HDC dc() const { return m_dc; }

private:
    HDC m_target;
    RECT m_rect;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
};

ZvString WindowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    if (length <= 0)
        return ZvString();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, 0);
    const int got = GetWindowTextW(window, buffer.data(), length + 1);
    return ZvString(buffer.data(), got > 0 ? got : 0);
}

} // namespace

// ---- CZV_UniButton ----

void CZV_UniButton::OnAttached()
{
    const LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    const LONG_PTR type = style & BS_TYPEMASK;
    if (type == BS_OWNERDRAW)
        return; // already ours (created or taken over before)
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
    const ZvString text = WindowText(m_hWnd);
    HGDIOBJ oldFont = SelectObject(dc, GetDrawFont());
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
                    HPEN pen = CreatePen(PS_SOLID, std::max(2, box / 7), m_look.hasBorder ? m_look.border : textColor);
                    HGDIOBJ oldPen = SelectObject(dc, pen);
                    POINT points[3] = {{boxRect.left + box / 4, boxRect.top + box / 2},
                                       {boxRect.left + box * 2 / 5, boxRect.top + box * 3 / 4 - 1},
                                       {boxRect.left + box * 3 / 4 + 1, boxRect.top + box / 4}};
                    Polyline(dc, points, 3);
                    SelectObject(dc, oldPen);
                    DeleteObject(pen);
                }
            } else {
                DrawFrameControl(dc, &boxRect, DFC_BUTTON,
                                 DFCS_BUTTONCHECK | (ticked ? DFCS_CHECKED : 0) | (disabled ? DFCS_INACTIVE : 0));
            }
        }
        RECT textRect = local;
        textRect.left = boxRect.right + ZVToolkit::ScaleX(6);
        DrawTextW(dc, text, text.GetLength(), &textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
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
        RECT textRect = local;
        if (pressed)
            OffsetRect(&textRect, 1, 1);
        const UINT align = m_look.align >= 0 ? static_cast<UINT>(m_look.align) : DT_CENTER;
        DrawTextW(dc, text, text.GetLength(), &textRect, align | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
        if ((item.itemState & ODS_FOCUS) && !m_look.hasBack && m_look.bitmap.IsEmpty()) {
            RECT focus = local;
            InflateRect(&focus, -3, -3);
            DrawFocusRect(dc, &focus);
        }
    }
    SelectObject(dc, oldFont);
    return true;
}

// ---- CZV_Static ----

CZV_Static::~CZV_Static()
{
    if (m_hWnd && m_animating)
        KillTimer(m_hWnd, kAnimationTimer);
}

bool CZV_Static::LoadTemplate(CZVIniFileReader* file, const wchar_t* section)
{
    const bool loaded = CZV_ControlBase::LoadTemplate(file, section);
    m_interval = ReadTemplateInt(L"animationInterval", 80);
    if (m_interval < 10)
        m_interval = 10;
    m_animationFrames = ReadTemplateInt(L"animationFrames", 0);
    ZvString bitmap;
    m_animationBitmap = ReadTemplateString(L"animationBitmap", bitmap) ? ResolveTemplatePath(bitmap) : ZvString();
    m_hasAnimationColor = ReadTemplateColor(L"animationColor", m_animationColor);
    return loaded;
}

bool CZV_Static::StartAnimation()
{
    if (!m_hWnd)
        return false;
    m_frame = 0;
    m_animating = SetTimer(m_hWnd, kAnimationTimer, static_cast<UINT>(m_interval), nullptr) != 0;
    Invalidate(false);
    return m_animating;
}

void CZV_Static::StopAnimation()
{
    if (m_hWnd)
        KillTimer(m_hWnd, kAnimationTimer);
    m_animating = false;
    m_frame = 0;
    Invalidate(false);
}

LRESULT CZV_Static::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT painted = 0;
    if (ServeSelfDrawing(message, wParam, painted, [this](HDC dc) { Paint(dc); }))
        return painted;
    switch (message) {
    case WM_TIMER:
        if (wParam == kAnimationTimer) {
            ++m_frame;
            InvalidateRect(m_hWnd, nullptr, FALSE);
            return 0;
        }
        break;
    case WM_SETTEXT:
    case WM_ENABLE:
    case WM_SETFONT: {
        const LRESULT result = DefWindowProc(message, wParam, lParam);
        InvalidateRect(m_hWnd, nullptr, FALSE);
        return result;
    }
    case WM_DESTROY:
        KillTimer(m_hWnd, kAnimationTimer);
        m_animating = false;
        break;
    default:
        break;
    }
    return DefWindowProc(message, wParam, lParam);
}

void CZV_Static::Paint(HDC target)
{
    RECT rect = {};
    GetClientRect(m_hWnd, &rect);
    BufferedPaint paint(target, rect);
    HDC dc = paint.dc();
    PaintBackground(dc, rect, WM_CTLCOLORSTATIC);
    // The parent's colour message sets the default text colour.
    HWND parent = GetParent(m_hWnd);
    if (parent)
        SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(m_hWnd));
    const bool disabled = !IsWindowEnabled(m_hWnd);
    if (m_look.hasText)
        SetTextColor(dc, m_look.text);
    if (disabled)
        SetTextColor(dc, m_look.hasTextDisabled ? m_look.textDisabled : GetSysColor(COLOR_GRAYTEXT));
    SetBkMode(dc, TRANSPARENT);
    if (m_look.hasBorder)
        ZVImage::FillRoundRect(dc, rect, 0, m_look.hasBack ? m_look.back : GetSysColor(COLOR_BTNFACE),
                               static_cast<long>(m_look.border));

    if (m_animating) {
        const int frames = m_animationFrames > 0 ? m_animationFrames : 1;
        if (!m_animationBitmap.IsEmpty() && m_animationFrames > 0) {
            SIZE size = {};
            ZVImage::Load(m_animationBitmap, &size);
            const int side = std::min<int>(rect.right - rect.left, rect.bottom - rect.top);
            RECT frameRect = {(rect.right - side) / 2, (rect.bottom - side) / 2, 0, 0};
            frameRect.right = frameRect.left + side;
            frameRect.bottom = frameRect.top + side;
            ZVImage::Draw(dc, frameRect, m_animationBitmap, m_frame % frames, frames);
        } else {
            // A ring of eight dots, the leading one strongest.
            const COLORREF color = m_hasAnimationColor ? m_animationColor : GetSysColor(COLOR_HIGHLIGHT);
            const COLORREF faded = Mix(color, RGB(255, 255, 255), 20);
            const int side = std::min<int>(rect.right - rect.left, rect.bottom - rect.top);
            const double radius = side * 0.36;
            const int dot = std::max(2, side / 8);
            const double cx = (rect.left + rect.right) / 2.0, cy = (rect.top + rect.bottom) / 2.0;
            HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
            for (int i = 0; i < 8; ++i) {
                const int age = ((m_frame % 8) - i + 8) % 8; // 0: the leading dot
                HBRUSH brush = CreateSolidBrush(Mix(color, faded, 100 - age * 12));
                HGDIOBJ oldBrush = SelectObject(dc, brush);
                const double angle = i * 3.14159265358979 / 4.0;
                const int x = static_cast<int>(cx + radius * std::sin(angle));
                const int y = static_cast<int>(cy - radius * std::cos(angle));
                const int size = age == 0 ? dot + 1 : dot;
                Ellipse(dc, x - size, y - size, x + size, y + size);
                SelectObject(dc, oldBrush);
                DeleteObject(brush);
            }
            SelectObject(dc, oldPen);
        }
        return;
    }

    PaintBitmap(dc, rect);
    const ZvString text = WindowText(m_hWnd);
    if (text.IsEmpty())
        return;
    const LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    const LONG_PTR type = style & SS_TYPEMASK;
    UINT format = DT_EXPANDTABS;
    if (m_look.align >= 0)
        format |= static_cast<UINT>(m_look.align);
    else if (type == SS_CENTER)
        format |= DT_CENTER;
    else if (type == SS_RIGHT)
        format |= DT_RIGHT;
    if (type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE)
        format |= DT_SINGLELINE;
    else
        format |= DT_WORDBREAK;
    if (style & SS_NOPREFIX)
        format |= DT_NOPREFIX;
    if (style & SS_CENTERIMAGE)
        format |= DT_VCENTER | DT_SINGLELINE;
    HGDIOBJ oldFont = SelectObject(dc, GetDrawFont());
    DrawTextW(dc, text, text.GetLength(), &rect, format);
    SelectObject(dc, oldFont);
}

// ---- CZV_Edit ----

void CZV_Edit::OnAttached()
{
    if (m_look.font)
        SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_look.font), TRUE);
}

bool CZV_Edit::LoadTemplate(CZVIniFileReader* file, const wchar_t* section)
{
    return CZV_ControlBase::LoadTemplate(file, section);
}

HBRUSH CZV_Edit::OnCtlColor(HDC dc, UINT message)
{
    if (m_look.hasText)
        SetTextColor(dc, m_look.text);
    if (m_backBrush) {
        SetBkColor(dc, m_look.back);
        return m_backBrush;
    }
    // A read-only field asks as a static would; keep it white like an input.
    if (message == WM_CTLCOLORSTATIC) {
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return GetSysColorBrush(COLOR_WINDOW);
    }
    return nullptr;
}

// ---- CZV_PeakMeterCtrl ----

void CZV_PeakMeterCtrl::SetMaximum(double maximum)
{
    m_maximum = maximum > 0 ? maximum : 1.0;
    if (m_value > m_maximum)
        m_value = m_maximum;
    Invalidate(false);
}

void CZV_PeakMeterCtrl::SetValue(double value, bool redraw)
{
    if (!(value >= 0)) // also NaN
        value = 0;
    m_value = value > m_maximum ? m_maximum : value;
    if (m_hWnd) {
        InvalidateRect(m_hWnd, nullptr, FALSE);
        if (redraw)
            UpdateWindow(m_hWnd);
    }
}

int CZV_PeakMeterCtrl::GetFilledWidth(int width) const
{
    if (width <= 0 || m_maximum <= 0)
        return 0;
    const double filled = width * (m_value / m_maximum);
    return static_cast<int>(filled + 0.5);
}

bool CZV_PeakMeterCtrl::LoadTemplate(CZVIniFileReader* file, const wchar_t* section)
{
    const bool loaded = CZV_ControlBase::LoadTemplate(file, section);
    m_hasBar = ReadTemplateColor(L"barColor", m_bar);
    m_hasBarEnd = ReadTemplateColor(L"barColorEnd", m_barEnd);
    ZvString bitmap;
    m_barBitmap = ReadTemplateString(L"barBitmap", bitmap) ? ResolveTemplatePath(bitmap) : ZvString();
    return loaded;
}

LRESULT CZV_PeakMeterCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT painted = 0;
    if (ServeSelfDrawing(message, wParam, painted, [this](HDC dc) { Paint(dc); }))
        return painted;
    switch (message) {
    // Progress-bar messages, for code that drives the meter as a progress bar.
    case PBM_SETRANGE32:
        SetMaximum(static_cast<double>(static_cast<int>(lParam)));
        return 0;
    case PBM_SETPOS: {
        const LRESULT previous = static_cast<LRESULT>(m_value);
        SetValue(static_cast<double>(static_cast<int>(wParam)), false);
        return previous;
    }
    case PBM_GETPOS:
        return static_cast<LRESULT>(m_value);
    default:
        break;
    }
    return DefWindowProc(message, wParam, lParam);
}

void CZV_PeakMeterCtrl::Paint(HDC target)
{
    RECT rect = {};
    GetClientRect(m_hWnd, &rect);
    BufferedPaint paint(target, rect);
    HDC dc = paint.dc();
    PaintBackground(dc, rect, WM_CTLCOLORSTATIC);
    if (!PaintBitmap(dc, rect)) {
        const COLORREF track = m_look.hasBack ? m_look.back : GetSysColor(COLOR_WINDOW);
        ZVImage::FillRoundRect(dc, rect, 0, track,
                               m_look.hasBorder ? static_cast<long>(m_look.border)
                                                : static_cast<long>(GetSysColor(COLOR_BTNSHADOW)));
    }
    RECT bar = rect;
    InflateRect(&bar, -1, -1);
    const int width = bar.right - bar.left;
    const int filled = GetFilledWidth(width);
    if (filled <= 0)
        return;
    RECT fill = bar;
    fill.right = fill.left + filled;
    if (!m_barBitmap.IsEmpty()) {
        // The fill image spans the whole bar; only the filled part shows.
        HRGN clip = CreateRectRgnIndirect(&fill);
        SelectClipRgn(dc, clip);
        const bool drawn = ZVImage::Draw(dc, bar, m_barBitmap);
        SelectClipRgn(dc, nullptr);
        DeleteObject(clip);
        if (drawn)
            return;
    }
    const COLORREF start = m_hasBar ? m_bar : GetSysColor(COLOR_HIGHLIGHT);
    ZVImage::FillGradient(dc, fill, start, m_hasBarEnd ? m_barEnd : start);
}

// ---- Type names ----

CZV_ControlBase* CreateControlByTypeName(const wchar_t* typeName)
{
    if (!typeName)
        return nullptr;
    if (_wcsicmp(typeName, L"CZV_UniButton") == 0)
        return new CZV_UniButton();
    if (_wcsicmp(typeName, L"CZV_Static") == 0)
        return new CZV_Static();
    if (_wcsicmp(typeName, L"CZV_Edit") == 0)
        return new CZV_Edit();
    if (_wcsicmp(typeName, L"CZV_PeakMeterCtrl") == 0)
        return new CZV_PeakMeterCtrl();
    if (_wcsicmp(typeName, L"CZV_ColorFrame") == 0)
        return new CZV_ColorFrame();
    return nullptr;
}

bool IsKnownControlTypeName(const wchar_t* typeName)
{
    static const wchar_t* const kNames[] = {
        L"CZV_UniButton",  L"CZV_ListCtrl",  L"CZV_Static",        L"CZV_PeakMeterCtrl", L"CZV_ColorFrame",
        L"CZV_PointField", L"CZV_Edit",      L"CZV_RichEditCtrlEx", L"CZV_ComboBox",     L"CZV_ScrollBar",
        L"CZV_Fader",      L"CZV_SpinButtonCtrl", L"CZV_ListBox",   L"CZV_StatusBarCtrl", L"CZV_FarbTafelCtrl",
        L"CZV_TabCtrl",    L"CZV_Knob",      L"CZV_DateTimeCtrl",  L"CZV_ColorWheel",
    };
    if (!typeName)
        return false;
    for (const wchar_t* name : kNames)
        if (_wcsicmp(name, typeName) == 0)
            return true;
    return false;
}
