#include "dialogs/DlgProgress.h"

#include "online/FormatSize.h"
#include "resources/resource.h"
#include "update/UpdateMessages.h"

#include <commctrl.h>

using ZvOSAL::ZvString;

namespace {

// The template's bar is a msctls_progress32: its class must be registered
// before the dialog is created from the template.
void RegisterProgressClass()
{
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls = {};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_PROGRESS_CLASS;
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)registered;
}

void SetText(CZV_Wnd& control, const ZvString& text)
{
    control.SetWindowText(text);
}

} // namespace

CDlgProgress::CDlgProgress(ZvAutoUpdate::CUpdateConfiguration2* configuration, CWorkflowJobs* workflow, HWND parent)
    : CBaseDlg(IDD_PROGRESS, configuration, parent), m_workflow(workflow)
{
    RegisterProgressClass();
}

UINT CDlgProgress::GetTemplateID()
{
    return IDD_PROGRESS;
}

void CDlgProgress::RegisterControls()
{
    RegisterControl(L"IDCANCEL", IDCANCEL, &m_cancelButton);
    RegisterControl(L"IDOK", IDOK, &m_okButton);
    RegisterControl(L"IDC_PROGRESS", IDC_PROGRESS, &m_progressBar);
    RegisterControl(L"IDC_TXT_MESSAGE", IDC_TXT_MESSAGE, &m_messageText);
    RegisterControl(L"IDC_TXT_TITLE", IDC_TXT_TITLE, &m_titleText);
    RegisterControl(L"IDC_TXT_DOWNLOAD_STATUS", IDC_TXT_DOWNLOAD_STATUS, &m_statusText);
}

void CDlgProgress::DoDataExchange()
{
    BindControl(IDC_PROGRESS, m_progressBar);
    BindControl(IDC_TXT_DOWNLOAD_STATUS, m_statusText);
    BindControl(IDC_TXT_TITLE, m_titleText);
    BindControl(IDC_TXT_MESSAGE, m_messageText);
    BindControl(IDCANCEL, m_cancelButton);
    BindControl(IDOK, m_okButton);
}

void CDlgProgress::InitContent()
{
    SetText(m_titleText, LoadUIString(IDS_DOWNLOAD_UPDATE));
    SetText(m_messageText, LoadUIString(IDS_TRANSFERRING_PROGRAM_FILES));
    m_statusText.ShowWindow(SW_HIDE);
    m_progressBar.ShowWindow(SW_HIDE);
    m_okButton.ShowWindow(SW_HIDE);
    SetText(m_cancelButton, LoadUIString(IDS_CANCEL));
    // The bar's text is no name of it (its value is).
    m_progressBar.SetWindowText(L"");
    m_jobRunning = true;
    if (m_workflow)
        m_workflow->StartUploadJob(m_hWnd);
}

UINT CDlgProgress::GetDefaultButtonId() const
{
    return m_phase == 0 && m_okButton.IsWindowVisible() ? IDOK : IDCANCEL;
}

bool CDlgProgress::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_CRM_UPLOADED:
        OnUploaded();
        break;
    case WM_START_DOWNLOAD:
        if (m_workflow)
            m_workflow->StartDownloadJob(m_hWnd);
        break;
    case WM_DOWNLOAD_PROGRESS:
        OnProgress(static_cast<unsigned int>(wParam));
        break;
    case WM_DOWNLOAD_DONE:
        OnDownloadDone(lParam);
        break;
    case WM_FILE_CHECKED:
        OnFileChecked(wParam);
        break;
    default:
        return CBaseDlg::OnDialogMessage(message, wParam, lParam, result);
    }
    result = 0;
    return true;
}

void CDlgProgress::OnUploaded()
{
    m_jobRunning = false;
    if (m_workflow && m_workflow->IsCancelled()) {
        m_workflow->Cancel(kCancelAfterUpload);
        EndDialog(kCancelledOrFailed);
        return;
    }
    StartDownload();
}

void CDlgProgress::StartDownload()
{
    if (m_jobRunning)
        return;
    m_jobRunning = true;
    m_phase = 1;
    SetText(m_titleText, LoadUIString(IDS_DOWNLOAD_UPDATE));
    SetText(m_messageText, LoadUIString(IDS_DOWNLOAD_MESSAGE));
    SetText(m_statusText, LoadUIString(IDS_DOWNLOADING));
    m_statusText.ShowWindow(SW_SHOW);
    m_progressBar.SetMaximum(100.0);
    m_progressBar.SetValue(0.0, false);
    m_progressBar.ShowWindow(SW_SHOW);
    m_okButton.ShowWindow(SW_HIDE);
    m_lastPercent = -1;
    SetText(m_cancelButton, LoadUIString(IDS_CANCEL));
    UpdateDefaultButton(true);
    ::PostMessageW(m_hWnd, WM_START_DOWNLOAD, 0, 0);
}

void CDlgProgress::OnProgress(unsigned int bytes)
{
    if (!m_workflow)
        return;
    long long total = m_workflow->GetPatchInfo().GetFileSize();
    if (total == 0)
        return;
    int percent = static_cast<int>(static_cast<long long>(bytes) * 100 / total);
    if (percent <= m_lastPercent)
        return;
    m_progressBar.SetValue(static_cast<double>(percent), true);
    LANGID language = GetUILanguage();
    ZvString status;
    ZvString format = LoadUIString(IDS_DOWNLOAD_STATUS_FORMAT);
    ZvString downloading = LoadUIString(IDS_DOWNLOADING);
    ZvString received = FormatSize(bytes, FormatSizeShort, 0, -1, language);
    ZvString expected = FormatSize(static_cast<unsigned long long>(total), FormatSizeShort, 0, -1, language);
    status.Format(format.c_str(), downloading.c_str(), percent, received.c_str(), expected.c_str());
    SetText(m_statusText, status);
    m_lastPercent = percent;
}

void CDlgProgress::OnDownloadDone(LPARAM transferResult)
{
    m_progressBar.ShowWindow(SW_HIDE);
    if (transferResult == 1) {
        SetText(m_statusText, LoadUIString(IDS_CHECKING_UPDATE));
        // The check follows at once: the download's report and the check's
        // start are one step.
        if (m_workflow)
            m_workflow->StartFileCheckJob(m_hWnd);
        return;
    }
    EndDialog(kCancelledOrFailed);
}

void CDlgProgress::OnFileChecked(WPARAM valid)
{
    m_jobRunning = false;
    if (valid == 0 && m_phase == 1) {
        SetText(m_titleText, LoadUIString(IDS_CHECK_FAILED));
        SetText(m_messageText, LoadUIString(IDS_CORRUPT_MESSAGE));
        SetText(m_statusText, LoadUIString(IDS_RESTART_QUESTION));
        m_okButton.ShowWindow(SW_SHOW);
        SetText(m_cancelButton, LoadUIString(IDS_NO));
        m_phase = 0;
        UpdateDefaultButton(true);
        return;
    }
    EndDialog(kDone);
}

void CDlgProgress::OnFailure() noexcept
{
    if (m_workflow && !m_workflow->IsCancelled())
        m_workflow->Cancel(kCancelGiveUp);
    CBaseDlg::OnFailure();
}

void CDlgProgress::OnCancel()
{
    if (m_phase == 1) {
        m_phase = 0;
        if (m_workflow)
            m_workflow->Cancel(kCancelWhileRunning);
        return;
    }
    if (m_workflow)
        m_workflow->Cancel(kCancelGiveUp);
    EndDialog(kCancelledOrFailed);
}
