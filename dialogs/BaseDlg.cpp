#include "dialogs/BaseDlg.h"

#include "dialogs/DialogScale.h"
#include "dialogs/DialogTemplate.h"
#include "osal/LibraryModule.h"
#include "osal/ResourceLanguage.h"
#include "resources/resource.h"
#include "toolkit/ZVControls.h"
#include "toolkit/ZVGdi.h"
#include "toolkit/ZVToolkit.h"

#include <atomic>

using ZvOSAL::ZvPath;
using ZvOSAL::ZvString;

namespace {

std::atomic<unsigned int> g_dpiOverride{0};

unsigned int MeasureDpi()
{
    const unsigned int given = g_dpiOverride;
    return CBaseDlg::CapDpi(given ? given : TemplateDpi());
}

} // namespace

CBaseDlg::CBaseDlg(UINT, ZvAutoUpdate::CUpdateConfiguration2* configuration, HWND parent)
    : m_configuration(configuration), m_placeholder(L"$ZORVA$"), m_parent(parent), m_dpi(MeasureDpi())
{
}

CBaseDlg::~CBaseDlg() = default;

void CBaseDlg::SetDpiOverride(unsigned int dpi) { g_dpiOverride = dpi; }

void CBaseDlg::UpdateDpi() { m_dpi = MeasureDpi(); }

ZvPath CBaseDlg::GetSkinFolder()
{
    wchar_t module[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH * 4);
    ZvString folder(module, length < MAX_PATH * 4 ? static_cast<int>(length) : 0);
    const int slash = folder.ReverseFind(L'\\');
    folder = slash >= 0 ? folder.Left(slash + 1) : ZvString();
    if (!m_configuration)
        return ZvPath(folder);
    if (const wchar_t* skin = m_configuration->GetSkinPath()) {
        // An answer, even an empty one, is the skin folder as given.
        ZvString path(skin);
        if (!path.IsEmpty() && path[path.GetLength() - 1] != L'\\' && path[path.GetLength() - 1] != L'/')
            path += L"\\";
        return ZvPath(path);
    }
    folder += L"Bitmaps\\ZvAutoUpdate\\";
    return ZvPath(folder);
}

LANGID CBaseDlg::GetUILanguage()
{
    if (!m_configuration)
        return ZvOSAL::kFallbackResourceLanguage;
    const LANGID language = ZVToolkit::SetUILanguageCode(m_configuration->GetProgramLanguage());
    // Strings read through ZvString follow the dialogs' language.
    ZvOSAL::SetResourceLanguage(language);
    return language;
}

ZvString CBaseDlg::LoadUIString(UINT id)
{
    const LANGID language = GetUILanguage();
    // The entry in the user interface language, else in English (United
    // Kingdom); a block found is final, even when the entry is empty.
    const wchar_t* text = nullptr;
    int length = 0;
    if (ZvOSAL::FindStringTableEntry(id, language, text, length) ||
        ZvOSAL::FindStringTableEntry(id, ZvOSAL::kFallbackResourceLanguage, text, length))
        return ZvString(text, length);
    // The standard loader as the last resort.
    const wchar_t* resource = nullptr;
    length = LoadStringW(ZvOSAL::LibraryModule(), id, reinterpret_cast<LPWSTR>(&resource), 0);
    return length > 0 && resource ? ZvString(resource, length) : ZvString();
}

INT_PTR CBaseDlg::DoModal()
{
    const LANGID language = GetUILanguage();
    const UINT templateId = GetTemplateID();
    DialogTemplateResource found;
    if (!FindDialogTemplate(templateId, language, found) || !found.data)
        return -1;
    if (!InitModalIndirect(found.data, m_parent))
        return -1;
    const INT_PTR result = CZV_BeautyDialog::DoModal();
    m_templateFont.Reset(); // the window that used it is gone
    return result;
}

BOOL CBaseDlg::OnInitDialog()
{
    ZVToolkit::SetDpiScaling(true, m_dpi, m_dpi);
    // The template's controls at the dialog's DPI, as the skin's.
    m_templateFont.Reset(ScaleDialogTemplate(m_hWnd, TemplateDpi(), m_dpi));
    RegisterControls();
    ZvString folder = GetSkinFolder().ToString();
    folder += L"Dialogs\\";
    LoadDescription(folder, GetDescriptionFileName(), m_hWnd);

    if (HWND frame = FindControl(ZV_MAIN_AREA_FRAME_NAME)) {
        RECT client = {}, rect = {};
        GetClientRect(m_hWnd, &client);
        GetWindowRect(frame, &rect);
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        const int gap = client.bottom - rect.bottom;
        const int scaled = MulDiv(gap, static_cast<int>(m_dpi), 96);
        const int bottom = client.bottom - scaled;
        SetWindowPos(frame, HWND_TOP, rect.left, rect.top, rect.right - rect.left, bottom - rect.top,
                     SWP_NOACTIVATE);
    }
    // The close button's name for assistive technology.
    if (HWND close = GetDlgItem(m_hWnd, static_cast<int>(kCloseButtonId)))
        ::SetWindowTextW(close, LoadUIString(IDS_CLOSE));
    BOOL focus = CZV_BeautyDialog::OnInitDialog();
    InitContent();
    SortTabOrder();
    // The first focus is on the primary button.
    if (UpdateDefaultButton(true))
        focus = FALSE;
    ::SetForegroundWindow(m_hWnd);
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return focus;
}

void CBaseDlg::ShowControl(UINT id, bool show)
{
    if (HWND child = m_hWnd ? GetDlgItem(m_hWnd, static_cast<int>(id)) : nullptr)
        ::ShowWindow(child, show ? SW_SHOW : SW_HIDE);
}

void CBaseDlg::SetControlCheck(UINT id, int state)
{
    HWND child = m_hWnd ? GetDlgItem(m_hWnd, static_cast<int>(id)) : nullptr;
    if (CZV_UniButton* button = dynamic_cast<CZV_UniButton*>(CZV_ControlBase::FromHandle(child)))
        button->SetCheck(state);
}

void CBaseDlg::ReplacePlaceholder(HWND control)
{
    if (!m_configuration || !control || !IsWindow(control))
        return;
    ZvString text = CZV_Wnd::TextOf(control);
    const wchar_t* product = m_configuration->GetProductName();
    text.Replace(m_placeholder, product ? product : L"");
    ::SetWindowTextW(control, text);
}

void CBaseDlg::OnFailure() noexcept
{
    if (!m_failureLogged && m_configuration) {
        m_failureLogged = true;
        try {
            m_configuration->Log(L"CBaseDlg::OnFailure(): internal error; the dialog ends as cancelled.");
        } catch (...) {
        }
    }
    EndDialog(GetCancelResult());
}
