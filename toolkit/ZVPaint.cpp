#include "toolkit/ZVPaint.h"

namespace ZVPaint {

COLORREF Mix(COLORREF a, COLORREF b, int percentOfA)
{
    const int p = percentOfA, q = 100 - percentOfA;
    return RGB((GetRValue(a) * p + GetRValue(b) * q) / 100, (GetGValue(a) * p + GetGValue(b) * q) / 100,
               (GetBValue(a) * p + GetBValue(b) * q) / 100);
}

BufferedPaint::BufferedPaint(HDC target, const RECT& rect) : m_target(target), m_rect(rect)
{
    m_dc = CreateCompatibleDC(target);
    m_bitmap = CreateCompatibleBitmap(target, rect.right - rect.left > 0 ? rect.right - rect.left : 1,
                                      rect.bottom - rect.top > 0 ? rect.bottom - rect.top : 1);
    m_old = SelectObject(m_dc, m_bitmap);
}

BufferedPaint::~BufferedPaint()
{
    BitBlt(m_target, m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, m_dc, 0, 0,
           SRCCOPY);
    SelectObject(m_dc, m_old);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
}

} // namespace ZVPaint
