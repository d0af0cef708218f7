// Opens one of the library's dialogs with the default skin and keeps it open
// for a while, for screenshots (tools/dialog-screenshots.sh).
// Usage: dialog_gallery <update|install|progress|crm> <language code> [milliseconds]
#include "DialogTestSupport.h"

#include "resources/resource.h"
#include "toolkit/ZVControls.h"

#include <cwchar>
#include <string>

using namespace zvdialogtest;

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
        return 2;
    const std::wstring which = argv[1];
    const UINT id = which == L"update"     ? IDD_UPDATE
                    : which == L"install"  ? IDD_INSTALL
                    : which == L"progress" ? IDD_PROGRESS
                    : which == L"crm"      ? IDD_CRM_VIEWER
                                           : 0;
    if (!id)
        return 2;
    TestConfiguration config;
    config.language = argv[2];
    config.product = L"Sample Studio 2024";
    CBaseDlg::SetLanguageConfigurationOverride(&config);
    TestDialog dialog(id, &config, DescriptionOf(id), ControlsOf(id));
    dialog.stayOpen = true;
    dialog.watchdogMs = argc > 3 ? static_cast<unsigned>(_wtoi(argv[3])) : 4000;
    dialog.onInit = [id](TestDialog& d) {
        for (int child : {IDC_TXT_PRODUCT, IDC_TXT_UPDATE, IDC_TXT_NO_PATCH_AVAILABLE})
            if (HWND window = GetDlgItem(d, child))
                d.ReplacePlaceholder(window);
        if (id == IDD_UPDATE) {
            // The offer, as shown once an update was found.
            for (int child : {IDC_TXT_WAIT, IDC_TXT_PLEASE_WAIT, IDC_ACTIVITY, IDC_TXT_NO_PATCH_AVAILABLE})
                d.ShowControl(child, false);
            d.SetControlCheck(IDC_CHECK_SEND_CRM_DATA, BST_CHECKED);
        } else if (id == IDD_PROGRESS) {
            SetWindowTextW(GetDlgItem(d, IDC_TXT_TITLE), d.LoadUIString(IDS_DOWNLOAD_UPDATE));
            SetWindowTextW(GetDlgItem(d, IDC_TXT_MESSAGE), d.LoadUIString(IDS_DOWNLOAD_MESSAGE));
            SetWindowTextW(GetDlgItem(d, IDC_TXT_DOWNLOAD_STATUS), L"42% (21.0 MB / 50.0 MB)");
            SetWindowTextW(GetDlgItem(d, IDCANCEL), d.LoadUIString(IDS_CANCEL));
            d.ShowControl(IDOK, false);
            if (auto* meter = dynamic_cast<CZV_PeakMeterCtrl*>(CZV_ControlBase::FromHandle(GetDlgItem(d, IDC_PROGRESS)))) {
                meter->SetMaximum(100);
                meter->SetValue(42);
            }
        } else if (id == IDD_CRM_VIEWER) {
            SetWindowTextW(GetDlgItem(d, IDC_EDIT_CRM),
                           L"program=SampleStudio\r\nversion=1.0.0.0\r\nlanguage=en_UK\r\nplatform=x64\r\n");
            d.ShowControl(IDC_TXT_TITLE, false);
        }
        SetForegroundWindow(d);
    };
    dialog.DoModal();
    return 0;
}
