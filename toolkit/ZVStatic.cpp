#include "toolkit/ZVStatic.h"

#include "toolkit/ZVImage.h"
#include "toolkit/ZVGdi.h"

#include <algorithm>
#include <cmath>

using ZvOSAL::ZvString;
using ZVGdi::BufferedPaint;
using ZVImage::Mix;

namespace {
const UINT_PTR kAnimationTimer = 0x5A56; // "ZV"
}

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
            ZVGdi::Selection noPen(dc, GetStockObject(NULL_PEN));
            for (int i = 0; i < 8; ++i) {
                const int age = ((m_frame % 8) - i + 8) % 8; // 0: the leading dot
                ZVGdi::Brush brush(CreateSolidBrush(Mix(color, faded, 100 - age * 12)));
                ZVGdi::Selection selected(dc, brush);
                const double angle = i * 3.14159265358979 / 4.0;
                const int x = static_cast<int>(cx + radius * std::sin(angle));
                const int y = static_cast<int>(cy - radius * std::cos(angle));
                const int size = age == 0 ? dot + 1 : dot;
                Ellipse(dc, x - size, y - size, x + size, y + size);
            }
        }
        return;
    }

    PaintBitmap(dc, rect);
    const ZvString text = GetWindowText();
    UINT format = 0;
    if (text.IsEmpty() || !GetTextLayout(rect, format))
        return;
    ZVGdi::Selection font(dc, GetDrawFont());
    DrawTextW(dc, text, text.GetLength(), &rect, format);
}

bool CZV_Static::GetTextLayout(RECT& area, UINT& format) const
{
    // While the animation runs the text is not drawn.
    if (!m_hWnd || m_animating)
        return false;
    GetClientRect(m_hWnd, &area);
    const LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    const LONG_PTR type = style & SS_TYPEMASK;
    format = DT_EXPANDTABS;
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
    return true;
}
