// CDlgUpdate: the first dialog of the interactive update. It opens in a
// waiting state with the activity indicator, starts the workflow's
// availability check (StartCheckJob with its window) and turns
// into the offer (install now, release notes, "don't show again", "transfer
// program information") or the notice that there are no updates.
// Template 1002, description "Update.ini".
//
// DoModal: 0 the user chose to update now, 1 later or closed, -1 no
// template. The two check boxes are saved when either button ends the
// dialog; read them with IsDontShowAgainChecked and
// IsSendProgramInformationChecked afterwards.
//
// The release-notes pane (IDC_BROWSER, 1020) is the system's web browser
// control in the toolkit's OLE container. OLE is initialised on the dialog's
// thread for the modal run (and released after it when this dialog
// initialised it). The skin's "IDC_BROWSER" section places the pane; a
// dialog without that section gets the pane just below its client area,
// which "New in this update" uncovers. When the browser cannot be created
// the pane stays blank and everything else works.
//
// Check boxes: the state is read from (and set on) the check box whether a
// skin made it a CZV_UniButton or it is the template's system check box, so
// that a program without a skin folder still saves the user's choice.
#pragma once

#include "dialogs/BaseDlg.h"
#include "toolkit/ZVControls.h"
#include "toolkit/ZVWebBrowser.h"
#include "update/WorkflowJobs.h"

class CDlgUpdate : public CBaseDlg, public CZVDocHostUIHandler {
public:
    static constexpr int kAccepted = 0;
    static constexpr int kNotAccepted = 1;
    // Height the release notes add to the dialog, at 96 DPI.
    static constexpr int kWhatsNewHeight = 200;

    CDlgUpdate(ZvAutoUpdate::CUpdateConfiguration2* configuration, CWorkflowJobs* workflow, HWND parent);
    ~CDlgUpdate() override;

    void RegisterControls() override;
    ZvOSAL::ZvString GetDescriptionFileName() override { return ZvOSAL::ZvString(L"Update.ini"); }
    UINT GetTemplateID() override;

    INT_PTR DoModal() override;

    bool IsDontShowAgainChecked() const { return m_dontShowAgain != 0; }
    bool IsSendProgramInformationChecked() const { return m_sendProgramInformation != 0; }

    // The release-notes pane stopped inside: logged, the pane stays as it is.
    void OnHostFailure() noexcept override;

    // Enter's button: "Perform update now" in the offer, "Close" when there
    // is no update; none while the check runs.
    UINT GetDefaultButtonId() const override;

protected:
    void InitContent() override;
    void DoDataExchange() override;
    bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    void OnCancel() override;
    INT_PTR GetCancelResult() const override { return kNotAccepted; }

    // Designer hooks: the "IDC_BROWSER" section makes the browser pane.
    CZV_Wnd* GetControlObject(const wchar_t* name) override;
    HWND CreateUnknownControl(const wchar_t* name, const wchar_t* type, const RECT& position, DWORD style,
                              DWORD styleEx, HWND parent, UINT& id) override;

private:
    void OnUpdateChecked(WPARAM found);
    void ShowResult(WPARAM found);
    void OnWhatsNew();
    void OnShowCRM();
    void SaveCheckBoxes();
    bool CreateBrowserPane(const RECT& position);
    void ShowControls(const UINT* ids, size_t count, bool show);

    CZV_Static m_activity;
    CZV_Static m_noUpdateText;
    CZV_Static m_productText;
    CZV_WebBrowserControl m_browser;
    unsigned char m_dontShowAgain = 0;
    unsigned char m_sendProgramInformation = 0;
    unsigned char m_updateAvailable = 0;
    bool m_checked = false;
    CWorkflowJobs* m_workflow;
};
