#include "dialogs/DlgInstall.h"

#include "resources/resource.h"

CDlgInstall::CDlgInstall(ZvAutoUpdate::CUpdateConfiguration2* configuration, HWND parent)
    : CBaseDlg(IDD_INSTALL, configuration, parent)
{
}

UINT CDlgInstall::GetTemplateID()
{
    return IDD_INSTALL;
}

void CDlgInstall::RegisterControls()
{
    RegisterControl(L"IDC_BTN_LATER", IDC_BTN_LATER, nullptr);
    RegisterControl(L"IDOK", IDOK, nullptr);
    RegisterControl(L"IDCANCEL", IDCANCEL, nullptr);
    RegisterControl(L"IDC_TXT_PRODUCT", IDC_TXT_PRODUCT, &m_productText);
    RegisterControl(L"IDC_TXT_INSTALL_WHEN", IDC_TXT_INSTALL_WHEN, nullptr);
}

void CDlgInstall::DoDataExchange()
{
    BindControl(IDC_TXT_PRODUCT, m_productText);
}

void CDlgInstall::InitContent()
{
    ReplacePlaceholder(::GetDlgItem(m_hWnd, IDC_TXT_PRODUCT));
}

bool CDlgInstall::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDC_BTN_LATER && HIWORD(wParam) == BN_CLICKED) {
        EndDialog(kInstallLater);
        return true;
    }
    return CBaseDlg::OnCommand(wParam, lParam);
}
