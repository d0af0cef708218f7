#include "toolkit/ZVControlBase.h"

#include "ini/ZVIniFileReader.h"
#include "toolkit/ZVBeautyDialog.h"
#include "toolkit/ZVImage.h"
#include "toolkit/ZVToolkit.h"

#include <cwchar>
#include <vector>

using ZvOSAL::ZvString;

namespace {
// The window property that names a window's control object.
const wchar_t kControlProperty[] = L"ZV.ControlObject";
} // namespace

// ---- CZV_Wnd ----

bool CZV_Wnd::ShowWindow(int command) { return m_hWnd && ::ShowWindow(m_hWnd, command); }
bool CZV_Wnd::IsWindowVisible() const { return m_hWnd && ::IsWindowVisible(m_hWnd); }

void CZV_Wnd::SetWindowText(const wchar_t* text)
{
    if (m_hWnd)
        ::SetWindowTextW(m_hWnd, text ? text : L"");
}

ZvString CZV_Wnd::TextOf(HWND window)
{
    if (!window)
        return ZvString();
    const int length = ::GetWindowTextLengthW(window);
    if (length <= 0)
        return ZvString();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, 0);
    const int got = ::GetWindowTextW(window, buffer.data(), length + 1);
    return ZvString(buffer.data(), got > 0 ? got : 0);
}

void CZV_Wnd::Invalidate(bool erase)
{
    if (m_hWnd)
        ::InvalidateRect(m_hWnd, nullptr, erase);
}

bool CZV_Wnd::EnableWindow(bool enable) { return m_hWnd && ::EnableWindow(m_hWnd, enable); }
int CZV_Wnd::GetDlgCtrlID() const { return m_hWnd ? ::GetDlgCtrlID(m_hWnd) : 0; }

// ---- CZV_ControlBase ----

CZV_ControlBase::CZV_ControlBase() = default;

CZV_ControlBase::~CZV_ControlBase()
{
    UnsubclassWindow();
    ReleaseLook();
}

CZV_ControlBase* CZV_ControlBase::FromHandle(HWND window)
{
    if (!window || !IsWindow(window))
        return nullptr;
    return static_cast<CZV_ControlBase*>(GetPropW(window, kControlProperty));
}

bool CZV_ControlBase::Create(HWND parent, UINT id, const RECT& position, DWORD style, DWORD styleEx,
                             const wchar_t* text)
{
    if (m_hWnd || !parent || !IsWindow(parent))
        return false;
    HWND window = CreateWindowExW(styleEx, GetSystemClass(), text ? text : L"", style | WS_CHILD, position.left,
                                  position.top, position.right - position.left, position.bottom - position.top,
                                  parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                  reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
    if (!window)
        return false;
    // The dialog's font, as template controls get it.
    if (HFONT font = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0)))
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (!SubclassWindow(window)) {
        DestroyWindow(window);
        return false;
    }
    return true;
}

bool CZV_ControlBase::SubclassWindow(HWND window)
{
    if (!window || !IsWindow(window))
        return false;
    if (m_hWnd == window)
        return true;
    if (m_hWnd || GetPropW(window, kControlProperty))
        return false;
    if (!SetPropW(window, kControlProperty, this))
        return false;
    m_hWnd = window;
    m_originalProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CZV_ControlBase::StaticWindowProc)));
    OnAttached();
    return true;
}

void CZV_ControlBase::UnsubclassWindow()
{
    if (!m_hWnd)
        return;
    if (IsWindow(m_hWnd)) {
        if (m_originalProc)
            SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_originalProc));
        RemovePropW(m_hWnd, kControlProperty);
    }
    m_hWnd = nullptr;
    m_originalProc = nullptr;
}

LRESULT CALLBACK CZV_ControlBase::StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CZV_ControlBase* control = static_cast<CZV_ControlBase*>(GetPropW(window, kControlProperty));
    if (!control)
        return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window goes: give it back its procedure and forget it.
        WNDPROC original = control->m_originalProc;
        control->UnsubclassWindow();
        return original ? CallWindowProcW(original, window, message, wParam, lParam)
                        : ::DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return control->WindowProc(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind into the system's window code: the dialog the
        // control is in ends as cancelled.
        if (CZV_BeautyDialog* dialog = CZV_BeautyDialog::FromWindow(window))
            dialog->OnFailure();
        return 0;
    }
}

LRESULT CZV_ControlBase::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CZV_ControlBase::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_originalProc)
        return CallWindowProcW(m_originalProc, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

HBRUSH CZV_ControlBase::OnCtlColor(HDC dc, UINT message)
{
    if (!m_look.hasText && !m_backBrush)
        return nullptr;
    if (m_look.hasText)
        SetTextColor(dc, m_look.text);
    if (m_backBrush) {
        SetBkColor(dc, m_look.back);
        return m_backBrush;
    }
    return nullptr;
}

bool CZV_ControlBase::OnDrawItem(const DRAWITEMSTRUCT&) { return false; }

void CZV_ControlBase::Redraw(bool deferUpdate)
{
    if (!m_hWnd || !IsWindow(m_hWnd))
        return;
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | (deferUpdate ? 0u : RDW_UPDATENOW));
}

void CZV_ControlBase::ReleaseLook()
{
    m_look = Look();
    m_backBrush.Reset();
}

bool CZV_ControlBase::ReadTemplateString(const wchar_t* key, ZvString& value)
{
    if (!m_templateFile || m_templateName.IsEmpty())
        return false;
    return m_templateFile->GetStringValue(m_templateName, ZvString(key), ZvString(), value) && !value.IsEmpty();
}

bool CZV_ControlBase::ReadTemplateColor(const wchar_t* key, COLORREF& color)
{
    if (!m_templateFile || m_templateName.IsEmpty())
        return false;
    return ReadColor(&color, L"", key, m_templateName, m_templateFile->GetPath(), L"") != 0;
}

int CZV_ControlBase::ReadTemplateInt(const wchar_t* key, int defaultValue)
{
    if (!m_templateFile || m_templateName.IsEmpty())
        return defaultValue;
    int value = defaultValue;
    ReadInt(&value, defaultValue, key, m_templateName, m_templateFile->GetPath(), L"");
    return value;
}

ZvString CZV_ControlBase::ResolveTemplatePath(const wchar_t* file) const
{
    if (!file || !*file)
        return ZvString();
    // Full paths ("C:\...", "\\server\...") stay; others are relative to the
    // template file's folder.
    if ((file[0] && file[1] == L':') || (file[0] == L'\\' && file[1] == L'\\'))
        return ZvString(file);
    ZvString path(m_templateFile ? m_templateFile->GetFolder() : L"");
    if (!path.IsEmpty() && path[path.GetLength() - 1] != L'\\')
        path += L"\\";
    path += file;
    return path;
}

bool CZV_ControlBase::LoadTemplate(CZVIniFileReader* file, const wchar_t* section)
{
    ReleaseLook();
    m_templateFile = file;
    m_templateName = section ? section : L"";
    if (!file || m_templateName.IsEmpty() || !file->IsLoaded())
        return false;
    SetReader(file);
    m_look.hasText = ReadTemplateColor(L"textColor", m_look.text);
    m_look.hasTextDisabled = ReadTemplateColor(L"textColorDisabled", m_look.textDisabled);
    m_look.hasBack = ReadTemplateColor(L"backColor", m_look.back);
    m_look.hasBorder = ReadTemplateColor(L"borderColor", m_look.border);
    if (m_look.hasBack)
        m_backBrush.Reset(CreateSolidBrush(m_look.back));
    LOGFONTW font = {};
    if (ReadFont(&font, L"", L"", L"font", L"fontSize", m_templateName, file->GetPath(), L"")) {
        const LONG magnitude = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
        const LONG scaled = ZVToolkit::ScaleY(static_cast<int>(magnitude));
        font.lfHeight = font.lfHeight < 0 ? -scaled : scaled;
        m_look.font.Reset(CreateFontIndirectW(&font));
    }
    ZvString align;
    if (ReadTemplateString(L"align", align)) {
        if (align.CompareNoCase(L"center") == 0)
            m_look.align = DT_CENTER;
        else if (align.CompareNoCase(L"right") == 0)
            m_look.align = DT_RIGHT;
        else if (align.CompareNoCase(L"left") == 0)
            m_look.align = DT_LEFT;
    }
    ZvString bitmap;
    ReadRect(&m_look.grid, L"0 0 0 0", L"grid", m_templateName, file->GetPath(), L"");
    if (ReadTemplateString(L"bitmap", bitmap))
        m_look.bitmap = ResolveTemplatePath(bitmap);
    if (m_hWnd) {
        if (m_look.font)
            SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_look.font.Get()), FALSE);
        Invalidate();
    }
    return true;
}

HFONT CZV_ControlBase::GetDrawFont() const
{
    if (m_look.font)
        return m_look.font;
    HFONT font = m_hWnd ? reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0)) : nullptr;
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void CZV_ControlBase::PaintBackground(HDC dc, const RECT& rect, UINT ctlColorMessage)
{
    if (m_backBrush) {
        FillRect(dc, &rect, m_backBrush);
        return;
    }
    // See-through: the parent paints its own background (colour, gradient or
    // picture) into our context, moved so that it lines up.
    HWND parent = m_hWnd ? GetParent(m_hWnd) : nullptr;
    if (parent) {
        POINT origin = {0, 0};
        MapWindowPoints(m_hWnd, parent, &origin, 1);
        POINT old = {};
        OffsetViewportOrgEx(dc, -origin.x, -origin.y, &old);
        const LRESULT erased = SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        SetViewportOrgEx(dc, old.x, old.y, nullptr);
        if (erased)
            return;
    }
    HBRUSH brush = parent ? reinterpret_cast<HBRUSH>(SendMessageW(parent, ctlColorMessage,
                                                                  reinterpret_cast<WPARAM>(dc),
                                                                  reinterpret_cast<LPARAM>(m_hWnd)))
                          : nullptr;
    FillRect(dc, &rect, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
}

bool CZV_ControlBase::PaintBitmap(HDC dc, const RECT& rect, int frame, int frames)
{
    return !m_look.bitmap.IsEmpty() && ZVImage::DrawGrid(dc, rect, m_look.bitmap, m_look.grid, frame, frames);
}
