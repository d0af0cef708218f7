#include "toolkit/ZVBeautyDialog.h"

#include "ini/ZVIniFileReader.h"
#include "osal/LibraryModule.h"
#include "toolkit/ZVColorFrame.h"
#include "toolkit/ZVImage.h"
#include "toolkit/ZVToolkit.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

using ZvOSAL::ZvString;

namespace {
const wchar_t kDialogProperty[] = L"ZV.BeautyDialog";
}

CZV_BeautyDialog::CZV_BeautyDialog() = default;

CZV_BeautyDialog::~CZV_BeautyDialog()
{
    if (m_hWnd && IsWindow(m_hWnd))
        RemovePropW(m_hWnd, kDialogProperty);
    m_hWnd = nullptr;
}

bool CZV_BeautyDialog::InitModalIndirect(const DLGTEMPLATE* dialogTemplate, HWND owner)
{
    if (!dialogTemplate)
        return false;
    m_template = dialogTemplate;
    m_owner = owner;
    return true;
}

INT_PTR CZV_BeautyDialog::DoModal()
{
    // DialogBoxIndirectParam answers an owner that is no window with 0, which
    // is also a result EndDialog can give: such a dialog was not shown.
    if (!m_template || m_running || (m_owner && !IsWindow(m_owner)))
        return -1;
    m_running = true;
    m_initialised = false;
    // Templates may hold progress bars; their class must be registered.
    INITCOMMONCONTROLSEX classes = {};
    classes.dwSize = sizeof(classes);
    classes.dwICC = ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES;
    InitCommonControlsEx(&classes);
    const INT_PTR result = DialogBoxIndirectParamW(ZvOSAL::LibraryModule(), m_template, m_owner,
                                                   &CZV_BeautyDialog::StaticDialogProc,
                                                   reinterpret_cast<LPARAM>(this));
    m_running = false;
    m_hWnd = nullptr;
    // A dialog that never initialised has no result of its own (the owner
    // went away in between, say).
    return m_initialised ? result : -1;
}

void CZV_BeautyDialog::EndDialog(INT_PTR result)
{
    if (m_hWnd)
        ::EndDialog(m_hWnd, result);
}

void CZV_BeautyDialog::OnFailure() noexcept
{
    EndDialog(IDCANCEL);
}

CZV_BeautyDialog* CZV_BeautyDialog::FromWindow(HWND window)
{
    for (HWND at = window; at; at = GetParent(at))
        if (auto* dialog = static_cast<CZV_BeautyDialog*>(GetPropW(at, kDialogProperty)))
            return dialog;
    return nullptr;
}

bool CZV_BeautyDialog::BindControl(UINT id, CZV_ControlBase& control)
{
    HWND child = m_hWnd ? GetDlgItem(m_hWnd, static_cast<int>(id)) : nullptr;
    if (!child)
        return false;
    if (control.m_hWnd == child)
        return true;
    return control.SubclassWindow(child);
}

BOOL CZV_BeautyDialog::OnInitDialog()
{
    DoDataExchange();
    if (IsGlassFrame())
        ExtendGlassFrame();
    SortTabOrder();
    return TRUE;
}

bool CZV_BeautyDialog::IsUsable(HWND control)
{
    return control && (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0 && IsWindowEnabled(control);
}

bool CZV_BeautyDialog::IsCommandAvailable(UINT id) const
{
    HWND control = GetDlgItem(m_hWnd, static_cast<int>(id));
    if (id == IDCANCEL)
        return IsUsable(control) || IsUsable(GetDlgItem(m_hWnd, static_cast<int>(kCloseButtonId))) ||
               (GetWindowLongPtrW(m_hWnd, GWL_STYLE) & WS_SYSMENU) != 0;
    // Enter in a dialog without a default button sends IDOK.
    if (!control)
        return id != IDOK;
    return IsUsable(control);
}

bool CZV_BeautyDialog::UpdateDefaultButton(bool focus)
{
    if (!m_hWnd)
        return false;
    const UINT id = GetDefaultButtonId();
    HWND button = id ? GetDlgItem(m_hWnd, static_cast<int>(id)) : nullptr;
    if (!IsUsable(button))
        return false;
    // Not DM_SETDEFID: its number (WM_USER + 1) is a workflow message of the
    // dialogs. The buttons are told directly; DM_GETDEFID answers for Enter.
    for (HWND child = GetWindow(m_hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (child != button && (SendMessageW(child, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON))
            SendMessageW(child, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    SendMessageW(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    if (focus)
        SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
    return true;
}

void CZV_BeautyDialog::SortTabOrder()
{
    if (!m_hWnd || (GetDialogFlags() & ZVBDD_FLAG_USE_INI_Z_ORDER))
        return;
    struct Item {
        HWND window;
        RECT rect;
    };
    std::vector<Item> items;
    for (HWND child = GetWindow(m_hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetWindowLongPtrW(child, GWL_STYLE) & WS_TABSTOP) {
            Item item = {child, {}};
            GetWindowRect(child, &item.rect);
            items.push_back(item);
        }
    }
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.rect.top < b.rect.top; });
    // A row: the controls whose tops lie above the middle of its first one.
    for (size_t first = 0; first < items.size();) {
        const RECT& head = items[first].rect;
        size_t end = first + 1;
        while (end < items.size() && items[end].rect.top < (head.top + head.bottom) / 2)
            ++end;
        std::stable_sort(items.begin() + static_cast<std::ptrdiff_t>(first),
                         items.begin() + static_cast<std::ptrdiff_t>(end),
                         [](const Item& a, const Item& b) { return a.rect.left < b.rect.left; });
        first = end;
    }
    for (const Item& item : items)
        SetWindowPos(item.window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CZV_BeautyDialog::ExtendGlassFrame()
{
    // The system's frame reaches down over the custom caption band.
    struct Margins {
        int left, right, top, bottom;
    };
    typedef HRESULT(WINAPI * ExtendFrame)(HWND, const Margins*);
    static const ExtendFrame extend = [] {
        HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
        return dwm ? reinterpret_cast<ExtendFrame>(
                         reinterpret_cast<void*>(GetProcAddress(dwm, "DwmExtendFrameIntoClientArea")))
                   : nullptr;
    }();
    const Margins margins = {0, 0, ZVToolkit::ScaleY(ZVToolkit::kGlassCaptionHeight), 0};
    if (extend)
        extend(m_hWnd, &margins);
}

void CZV_BeautyDialog::OnDescriptionLoaded(HWND dialog)
{
    // The dialog frame's look: [dialog] template= in dialogControlTemplateFile.
    CZVIniFileReader* templates = GetDialogTemplateFile();
    const ZvString section(GetDialogInfo().templateName.c_str());
    LoadTemplate(templates, section);
    m_hasBackEnd = ReadTemplateColor(L"backColorEnd", m_backEnd);
    m_dialogBitmap = m_look.bitmap;
    if (!GetDialogInfo().text.empty())
        ::SetWindowTextW(dialog, GetDialogInfo().text.c_str());
    InvalidateRect(dialog, nullptr, TRUE);
}

void CZV_BeautyDialog::PaintDialogBackground(HDC dc)
{
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    if (m_dialogBitmap.IsEmpty() || !ZVImage::Draw(dc, client, m_dialogBitmap)) {
        if (m_look.hasBack && m_hasBackEnd)
            ZVImage::FillGradient(dc, client, m_look.back, m_backEnd);
        else
            FillRect(dc, &client, m_backBrush ? m_backBrush.Get() : GetSysColorBrush(COLOR_BTNFACE));
    }
    // The frame areas, the lowest in the Z order first.
    HWND first = GetWindow(m_hWnd, GW_CHILD);
    for (HWND child = first ? GetWindow(first, GW_HWNDLAST) : nullptr; child; child = GetWindow(child, GW_HWNDPREV))
        if (const CZV_ColorFrame* area = dynamic_cast<const CZV_ColorFrame*>(FromHandle(child)))
            area->PaintArea(dc);
    if (IsGlassFrame()) {
        // Black is where the system's glass shows through.
        RECT band = {0, 0, client.right, ZVToolkit::ScaleY(ZVToolkit::kGlassCaptionHeight)};
        FillRect(dc, &band, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
}

bool CZV_BeautyDialog::OnCommand(WPARAM wParam, LPARAM)
{
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    default:
        return false;
    }
}

bool CZV_BeautyDialog::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_COMMAND: {
        const UINT id = LOWORD(wParam);
        // A hidden or disabled button does nothing, whatever key asks for it.
        if (HIWORD(wParam) == BN_CLICKED && !IsCommandAvailable(id)) {
            result = 0;
            return true;
        }
        if (lParam)
            if (CZV_ControlBase* control = FromHandle(reinterpret_cast<HWND>(lParam)))
                control->OnParentNotify(HIWORD(wParam));
        if (HIWORD(wParam) == BN_CLICKED &&
            (id == kCloseButtonId || (id == IDCANCEL && !IsUsable(GetDlgItem(m_hWnd, IDCANCEL))))) {
            OnClose();
            return true;
        }
        return OnCommand(wParam, lParam);
    }
    case DM_GETDEFID: {
        const UINT id = GetDefaultButtonId();
        result = id && IsUsable(GetDlgItem(m_hWnd, static_cast<int>(id))) ? MAKELRESULT(id, DC_HASDEFID) : 0;
        return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        if (CZV_ControlBase* control = FromHandle(reinterpret_cast<HWND>(lParam)))
            if (HBRUSH brush = control->OnCtlColor(dc, message)) {
                result = reinterpret_cast<LRESULT>(brush);
                return true;
            }
        if (!m_backBrush && !m_look.hasText)
            return false;
        if (m_look.hasText)
            SetTextColor(dc, m_look.text);
        if (m_backBrush)
            SetBkColor(dc, m_look.back);
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(m_backBrush ? m_backBrush.Get() : GetSysColorBrush(COLOR_BTNFACE));
        return true;
    }
    case WM_CTLCOLORDLG:
        if (!m_backBrush)
            return false;
        result = reinterpret_cast<LRESULT>(m_backBrush.Get());
        return true;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item)
            if (CZV_ControlBase* control = FromHandle(item->hwndItem))
                if (control->OnDrawItem(*item)) {
                    result = TRUE;
                    return true;
                }
        return false;
    }
    case WM_SIZE:
        // The window has its new size; the skin's alignment entries follow
        // it, then everything is painted afresh (the background may be a
        // gradient or a stretched bitmap).
        // A minimized window has no client area to place anything against.
        if (HasLayout() && m_hWnd && wParam != SIZE_MINIMIZED) {
            ApplyLayout(LOWORD(lParam), HIWORD(lParam));
            InvalidateRect(m_hWnd, nullptr, TRUE);
        }
        return false;
    case WM_ERASEBKGND:
        PaintDialogBackground(reinterpret_cast<HDC>(wParam));
        result = 1;
        return true;
    default:
        return false;
    }
}

INT_PTR CALLBACK CZV_BeautyDialog::StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CZV_BeautyDialog* dialog = message == WM_INITDIALOG
                                   ? reinterpret_cast<CZV_BeautyDialog*>(lParam)
                                   : static_cast<CZV_BeautyDialog*>(GetPropW(window, kDialogProperty));
    if (!dialog)
        return FALSE;
    try {
        return dialog->DialogProc(window, message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind into the system's dialog code.
        dialog->OnFailure();
        return FALSE;
    }
}

INT_PTR CZV_BeautyDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        m_hWnd = window;
        m_initialised = true;
        SetDesignerWindow(window);
        SetPropW(window, kDialogProperty, this);
        return OnInitDialog();
    }
    if (message == WM_NCDESTROY) {
        RemovePropW(window, kDialogProperty);
        m_hWnd = nullptr;
        return FALSE;
    }
    LRESULT result = 0;
    if (!OnDialogMessage(message, wParam, lParam, result))
        return FALSE;
    switch (message) {
    // Messages whose result is the procedure's return value.
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return static_cast<INT_PTR>(result);
    default:
        SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
        return TRUE;
    }
}
