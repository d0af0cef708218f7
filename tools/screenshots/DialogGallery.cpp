// Opens one of the library's dialogs with the default skin and keeps it open
// for a while, for screenshots (tools/dialog-screenshots.sh).
// Usage: dialog_gallery <update|install|progress|crm> <language code> [milliseconds]
//        dialog_gallery <offer|whatsnew> <language code> [milliseconds]
// "offer" and "whatsnew" run the real update dialog (no workflow) in its
// offer state, "whatsnew" after "New in this update" was pressed.
#include "dialogs/DialogTestSupport.h"

#include "dialogs/DlgUpdate.h"
#include "resources/resource.h"
#include "toolkit/ZVControls.h"
#include "update/UpdateMessages.h"

#include <cwchar>
#include <string>

using namespace zvdialogtest;

namespace {

class GalleryUpdateDialog : public CDlgUpdate {
public:
    GalleryUpdateDialog(ZvAutoUpdate::CUpdateConfiguration2* configuration, bool whatsNew, unsigned int ms)
        : CDlgUpdate(configuration, nullptr, nullptr), m_whatsNew(whatsNew), m_ms(ms)
    {
    }

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = CDlgUpdate::OnInitDialog();
        SetTimer(m_hWnd, 0x6A11, m_ms, nullptr);
        PostMessageW(m_hWnd, WM_UPDATE_CHECKED, 1, 0);
        if (m_whatsNew)
            PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_BTN_WHATS_NEW, BN_CLICKED), 0);
        return result;
    }
    bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == WM_TIMER && wParam == 0x6A11) {
            EndDialog(kNotAccepted);
            return true;
        }
        return CDlgUpdate::OnDialogMessage(message, wParam, lParam, result);
    }

private:
    bool m_whatsNew;
    unsigned int m_ms;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
        return 2;
    const std::wstring which = argv[1];
    if (which == L"offer" || which == L"whatsnew") {
        TestConfiguration config;
        config.language = argv[2];
        config.product = L"Sample Studio 2024";
        GalleryUpdateDialog dialog(&config, which == L"whatsnew",
                                   argc > 3 ? static_cast<unsigned>(_wtoi(argv[3])) : 4000);
        dialog.DoModal();
        return 0;
    }
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
