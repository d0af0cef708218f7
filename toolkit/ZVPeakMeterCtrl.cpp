#include "toolkit/ZVPeakMeterCtrl.h"

#include "toolkit/ZVImage.h"
#include "toolkit/ZVGdi.h"

#include <commctrl.h>

using ZvOSAL::ZvString;
using ZVGdi::BufferedPaint;

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
    const bool track = PaintBitmap(dc, rect);
    if (!track) {
        const COLORREF color = m_look.hasBack ? m_look.back : GetSysColor(COLOR_WINDOW);
        ZVImage::FillRoundRect(dc, rect, 0, color,
                               m_look.hasBorder ? static_cast<long>(m_look.border)
                                                : static_cast<long>(GetSysColor(COLOR_BTNSHADOW)));
    }
    // A drawn track has its own border; the fill covers it.
    RECT bar = rect;
    if (!track)
        InflateRect(&bar, -1, -1);
    const int filled = GetFilledWidth(bar.right - bar.left);
    if (filled <= 0)
        return;
    RECT fill = bar;
    fill.right = fill.left + filled;
    if (!m_barBitmap.IsEmpty() && ZVImage::DrawGrid(dc, fill, m_barBitmap, m_look.grid))
        return;
    const COLORREF start = m_hasBar ? m_bar : GetSysColor(COLOR_HIGHLIGHT);
    ZVImage::FillGradient(dc, fill, start, m_hasBarEnd ? m_barEnd : start);
}
