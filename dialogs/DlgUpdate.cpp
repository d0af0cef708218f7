#include "dialogs/DlgUpdate.h"

#include "ZvOSAL/ZvURL.h"
#include "dialogs/CRMViewer.h"
#include "resources/resource.h"
#include "update/UpdateMessages.h"

#include <algorithm>
#include <cwchar>

using ZvOSAL::ZvString;

namespace {

constexpr DWORD kBrowserStyle = WS_CHILD | WS_TABSTOP; // 0x40010000

template <size_t N> constexpr size_t Count(const UINT (&)[N]) { return N; }

// A check box of the template, skinned (CZV_UniButton, which answers
// BM_GETCHECK like a system check box) or not.
bool IsCheckBox(HWND control)
{
    if (!control)
        return false;
    if (dynamic_cast<CZV_UniButton*>(CZV_ControlBase::FromHandle(control)))
        return true;
    wchar_t className[16] = {};
    ::GetClassNameW(control, className, 16);
    if (_wcsicmp(className, L"Button") != 0)
        return false;
    LONG kind = ::GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    return kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_3STATE || kind == BS_AUTO3STATE;
}

} // namespace

CDlgUpdate::CDlgUpdate(ZvAutoUpdate::CUpdateConfiguration2* configuration, CWorkflowJobs* workflow, HWND parent)
    : CBaseDlg(IDD_UPDATE, configuration, parent), m_workflow(workflow)
{
}

CDlgUpdate::~CDlgUpdate()
{
    m_browser.Destroy();
}

UINT CDlgUpdate::GetTemplateID()
{
    return IDD_UPDATE;
}

void CDlgUpdate::RegisterControls()
{
    RegisterControl(L"IDOK", IDOK, nullptr);
    RegisterControl(L"IDCANCEL", IDCANCEL, nullptr);
    RegisterControl(L"IDC_BTN_SHOW_CRM", IDC_BTN_SHOW_CRM, nullptr);
    RegisterControl(L"IDC_BTN_WHATS_NEW", IDC_BTN_WHATS_NEW, nullptr);
    RegisterControl(L"IDC_CHECK_DONT_SHOW_AGAIN", IDC_CHECK_DONT_SHOW_AGAIN, nullptr);
    RegisterControl(L"IDC_CHECK_SEND_CRM_DATA", IDC_CHECK_SEND_CRM_DATA, nullptr);
    RegisterControl(L"IDC_ACTIVITY", IDC_ACTIVITY, &m_activity);
    RegisterControl(L"IDC_TXT_NO_PATCH_AVAILABLE", IDC_TXT_NO_PATCH_AVAILABLE, &m_noUpdateText);
    RegisterControl(L"IDC_TXT_PLEASE_WAIT", IDC_TXT_PLEASE_WAIT, nullptr);
    RegisterControl(L"IDC_TXT_PRODUCT", IDC_TXT_PRODUCT, &m_productText);
    RegisterControl(L"IDC_TXT_UPDATE", IDC_TXT_UPDATE, nullptr);
    RegisterControl(L"IDC_TXT_WAIT", IDC_TXT_WAIT, nullptr);
    RegisterControl(L"IDC_BROWSER", IDC_BROWSER, nullptr);
}

void CDlgUpdate::DoDataExchange()
{
    BindControl(IDC_TXT_NO_PATCH_AVAILABLE, m_noUpdateText);
    BindControl(IDC_TXT_PRODUCT, m_productText);
    // The indicator animates without a skin, too.
    BindControl(IDC_ACTIVITY, m_activity);
}

INT_PTR CDlgUpdate::DoModal()
{
    // The browser pane needs OLE on this thread (single-threaded apartment).
    // A thread that already is in the multithreaded apartment keeps it; the
    // browser may then fail, which leaves the pane blank.
    HRESULT ole = OleInitialize(nullptr);
    INT_PTR result = CBaseDlg::DoModal();
    m_browser.Destroy();
    if (SUCCEEDED(ole))
        OleUninitialize();
    return result;
}

CZV_Wnd* CDlgUpdate::GetControlObject(const wchar_t* name)
{
    if (name && std::wcscmp(name, L"IDC_BROWSER") == 0)
        return &m_browser;
    return CBaseDlg::GetControlObject(name);
}

HWND CDlgUpdate::CreateUnknownControl(const wchar_t* name, const wchar_t* type, const RECT& position, DWORD style,
                                      DWORD styleEx, HWND parent, UINT& id)
{
    if (!name || std::wcscmp(name, L"IDC_BROWSER") != 0)
        return CBaseDlg::CreateUnknownControl(name, type, position, style, styleEx, parent, id);
    unsigned int dpi = GetDpi();
    RECT scaled = {MulDiv(position.left, dpi, 96), MulDiv(position.top, dpi, 96), MulDiv(position.right, dpi, 96),
                   MulDiv(position.bottom, dpi, 96)};
    if (!CreateBrowserPane(scaled))
        return nullptr;
    id = IDC_BROWSER;
    return m_browser.GetSafeHwnd();
}

bool CDlgUpdate::CreateBrowserPane(const RECT& position)
{
    if (m_browser.GetSafeHwnd())
        return true;
    return m_browser.Create(m_hWnd, IDC_BROWSER, position, kBrowserStyle, this);
}

void CDlgUpdate::ShowControls(const UINT* ids, size_t count, bool show)
{
    for (size_t i = 0; i < count; ++i)
        ShowControl(ids[i], show);
}

void CDlgUpdate::InitContent()
{

    // No skin section placed the pane: put it below the client area, where
    // "New in this update" makes room for it.
    if (!m_browser.GetSafeHwnd()) {
        RECT client = {};
        ::GetClientRect(m_hWnd, &client);
        int margin = MulDiv(8, GetDpi(), 96);
        int height = MulDiv(kWhatsNewHeight, GetDpi(), 96);
        RECT pane = {client.left + margin, client.bottom, client.right - margin, client.bottom + height - margin};
        CreateBrowserPane(pane);
    }

    ReplacePlaceholder(::GetDlgItem(m_hWnd, IDC_TXT_NO_PATCH_AVAILABLE));
    ReplacePlaceholder(::GetDlgItem(m_hWnd, IDC_TXT_PRODUCT));

    static const UINT hidden[] = {IDOK, IDCANCEL, IDC_BTN_SHOW_CRM, IDC_BTN_WHATS_NEW, IDC_CHECK_DONT_SHOW_AGAIN,
                                  IDC_CHECK_SEND_CRM_DATA, IDC_TXT_PRODUCT, IDC_TXT_UPDATE,
                                  IDC_TXT_NO_PATCH_AVAILABLE, IDC_BROWSER};
    static const UINT shown[] = {IDC_ACTIVITY, IDC_TXT_WAIT, IDC_TXT_PLEASE_WAIT};
    ShowControls(hidden, Count(hidden), false);
    ShowControls(shown, Count(shown), true);

    // The indicator's name for assistive technology: what it stands for.
    m_activity.SetWindowText(CZV_Wnd::TextOf(::GetDlgItem(m_hWnd, IDC_TXT_PLEASE_WAIT)));
    m_activity.StartAnimation();
    if (m_workflow)
        m_workflow->StartCheckJob(m_hWnd);
}

bool CDlgUpdate::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_UPDATE_CHECKED) {
        OnUpdateChecked(wParam);
        result = 0;
        return true;
    }
    if (message == WM_DESTROY)
        m_browser.Destroy(); // before the pane's window goes with the dialog
    return CBaseDlg::OnDialogMessage(message, wParam, lParam, result);
}

UINT CDlgUpdate::GetDefaultButtonId() const
{
    if (!m_checked)
        return 0;
    return m_updateAvailable ? IDOK : IDCANCEL;
}

void CDlgUpdate::OnUpdateChecked(WPARAM found)
{
    m_activity.StopAnimation();
    m_checked = true;
    ShowResult(found);
    SortTabOrder();
    UpdateDefaultButton(true);
}

void CDlgUpdate::ShowResult(WPARAM found)
{
    if (found != 1) {
        static const UINT hidden[] = {IDOK, IDCANCEL, IDC_BTN_SHOW_CRM, IDC_BTN_WHATS_NEW,
                                      IDC_CHECK_DONT_SHOW_AGAIN, IDC_CHECK_SEND_CRM_DATA, IDC_TXT_PRODUCT,
                                      IDC_TXT_UPDATE, IDC_ACTIVITY, IDC_TXT_WAIT, IDC_TXT_PLEASE_WAIT, IDC_BROWSER};
        ShowControls(hidden, Count(hidden), false);
        ShowControl(IDC_TXT_NO_PATCH_AVAILABLE, true);
        ShowControl(IDCANCEL, true);
        if (HWND cancel = ::GetDlgItem(m_hWnd, IDCANCEL))
            ::SetWindowTextW(cancel, LoadUIString(IDS_CLOSE));
        m_updateAvailable = 0;
        return;
    }

    static const UINT offer[] = {IDOK, IDCANCEL, IDC_BTN_SHOW_CRM, IDC_BTN_WHATS_NEW};
    ShowControls(offer, Count(offer), true);
    ZvAutoUpdate::CUpdateConfiguration2* configuration = GetConfiguration();
    if (configuration)
        ShowControl(IDC_CHECK_DONT_SHOW_AGAIN, configuration->IsDontShowAgainOffered());
    ShowControl(IDC_TXT_PRODUCT, true);
    ShowControl(IDC_TXT_UPDATE, true);
    static const UINT waiting[] = {IDC_ACTIVITY, IDC_TXT_WAIT, IDC_TXT_PLEASE_WAIT, IDC_TXT_NO_PATCH_AVAILABLE,
                                   IDC_BROWSER};
    ShowControls(waiting, Count(waiting), false);
    if (configuration) {
        bool offered = configuration->IsCRMUploadOffered();
        ShowControl(IDC_CHECK_SEND_CRM_DATA, offered);
        ShowControl(IDC_BTN_SHOW_CRM, offered);
        if (offered) {
            int state = configuration->GetSendCRMData() ? BST_CHECKED : BST_UNCHECKED;
            HWND box = ::GetDlgItem(m_hWnd, IDC_CHECK_SEND_CRM_DATA);
            if (dynamic_cast<CZV_UniButton*>(CZV_ControlBase::FromHandle(box)))
                SetControlCheck(IDC_CHECK_SEND_CRM_DATA, state);
            else if (IsCheckBox(box))
                ::CheckDlgButton(m_hWnd, IDC_CHECK_SEND_CRM_DATA, state);
        }
    }
    m_updateAvailable = 1;
}

void CDlgUpdate::SaveCheckBoxes()
{
    HWND dontShow = ::GetDlgItem(m_hWnd, IDC_CHECK_DONT_SHOW_AGAIN);
    if (IsCheckBox(dontShow))
        m_dontShowAgain = ::IsDlgButtonChecked(m_hWnd, IDC_CHECK_DONT_SHOW_AGAIN) == BST_CHECKED ? 1 : 0;
    HWND send = ::GetDlgItem(m_hWnd, IDC_CHECK_SEND_CRM_DATA);
    if (IsCheckBox(send))
        m_sendProgramInformation = ::IsDlgButtonChecked(m_hWnd, IDC_CHECK_SEND_CRM_DATA) == BST_CHECKED ? 1 : 0;
}

void CDlgUpdate::OnOK()
{
    SaveCheckBoxes();
    EndDialog(m_updateAvailable ? kAccepted : kNotAccepted);
}

void CDlgUpdate::OnCancel()
{
    SaveCheckBoxes();
    EndDialog(kNotAccepted);
}

bool CDlgUpdate::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDC_BTN_WHATS_NEW:
            OnWhatsNew();
            return true;
        case IDC_BTN_SHOW_CRM:
            OnShowCRM();
            return true;
        default:
            break;
        }
    }
    return CBaseDlg::OnCommand(wParam, lParam);
}

void CDlgUpdate::OnWhatsNew()
{
    ShowControl(IDC_BTN_WHATS_NEW, false);
    ShowControl(IDC_BROWSER, true);

    // The dialog grows downwards, moving up as far as needed to stay inside
    // the monitor's work area.
    RECT frame = {};
    ::GetWindowRect(m_hWnd, &frame);
    const int height = frame.bottom - frame.top + MulDiv(kWhatsNewHeight, GetDpi(), 96);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    int top = frame.top;
    if (GetMonitorInfoW(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor) &&
        top + height > monitor.rcWork.bottom)
        top = std::max<int>(monitor.rcWork.top, monitor.rcWork.bottom - height);
    ::SetWindowPos(m_hWnd, nullptr, frame.left, top, frame.right - frame.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

    if (HWND pane = m_browser.GetSafeHwnd()) {
        // The pane's name for assistive technology: the button that opened it.
        ::SetWindowTextW(pane, CZV_Wnd::TextOf(::GetDlgItem(m_hWnd, IDC_BTN_WHATS_NEW)));
        ::SetWindowPos(pane, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    }

    SortTabOrder();
    UpdateDefaultButton(GetFocus() == nullptr || !IsUsable(GetFocus()));

    if (m_workflow && !m_workflow->GetReleaseNotesPath().IsEmpty()) {
        // The notes' text in the skin's text font; shown as text when no
        // browser can show the page.
        LOGFONTW font = {};
        std::wstring face = L"Tahoma";
        int points = 9;
        if (CZV_ControlBase* text = CZV_ControlBase::FromHandle(::GetDlgItem(m_hWnd, IDC_TXT_UPDATE)))
            if (GetObjectW(text->GetDrawFont(), sizeof(font), &font) == sizeof(font) && font.lfHeight) {
                face = font.lfFaceName;
                points = MulDiv(font.lfHeight < 0 ? -font.lfHeight : font.lfHeight, 72, static_cast<int>(GetDpi()));
            }
        ZvAutoUpdate::CUpdateConfiguration2* configuration = GetConfiguration();
        m_browser.ShowPage(m_workflow->GetReleaseNotesPath(), face, points, [configuration] {
            if (configuration)
                configuration->Log(L"CDlgUpdate::OnWhatsNew(): the browser cannot show the release notes; they are "
                                   L"shown as text.");
        });
    }
}

void CDlgUpdate::OnHostFailure() noexcept
{
    if (ZvAutoUpdate::CUpdateConfiguration2* configuration = GetConfiguration()) {
        try {
            configuration->Log(L"CDlgUpdate::OnHostFailure(): internal error in the release-notes pane.");
        } catch (...) {
        }
    }
}

void CDlgUpdate::OnShowCRM()
{
    // Modal to this dialog: it is disabled while the viewer is open.
    CCRMViewer viewer(GetConfiguration(), m_hWnd);
    viewer.DoModal();
}
