#include "toolkit/ZVEdit.h"

void CZV_Edit::OnAttached()
{
    if (m_look.font)
        SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_look.font.Get()), TRUE);
}

LRESULT CZV_Edit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = DefWindowProc(message, wParam, lParam);
    // A read-only field is not selected whole when Tab reaches it.
    if (message == WM_GETDLGCODE && (GetWindowLongPtrW(m_hWnd, GWL_STYLE) & ES_READONLY))
        return result & ~static_cast<LRESULT>(DLGC_HASSETSEL);
    return result;
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
