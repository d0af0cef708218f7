// CDlgInstall: asks whether the verified installer is to run now, when the
// program closes, or not at all. Template 1004, description "Install.ini".
// DoModal: 8 IDOK ("Update immediately"), 9 IDC_BTN_LATER ("Install when
// program is closed"), 7 IDCANCEL or closing the window, -1 no template.
#pragma once

#include "dialogs/BaseDlg.h"
#include "toolkit/ZVControls.h"

class CDlgInstall : public CBaseDlg {
public:
    static constexpr int kInstallNow = 8;
    static constexpr int kInstallLater = 9;
    static constexpr int kDoNotInstall = 7;

    CDlgInstall(ZvAutoUpdate::CUpdateConfiguration2* configuration, HWND parent);

    void RegisterControls() override;
    ZvOSAL::ZvString GetDescriptionFileName() override { return ZvOSAL::ZvString(L"Install.ini"); }
    UINT GetTemplateID() override;

protected:
    void InitContent() override;
    void DoDataExchange() override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override { EndDialog(kInstallNow); }
    void OnCancel() override { EndDialog(kDoNotInstall); }
    INT_PTR GetCancelResult() const override { return kDoNotInstall; }

private:
    CZV_Static m_productText;
};
