// CDlgProgress: accompanies the steps after the user accepted an update:
// the customer-data upload, the download with a progress bar and the size
// texts, and the signature check of the installer. Template 102,
// description "Progress.ini". It is driven by the workflow's job messages
// (update/UpdateMessages.h) and starts each next job from the handler of
// the previous one's message.
//
// DoModal: 1 when the installer was downloaded and verified (or a check
// result arrived after a cancel), 2 when cancelled or failed, -1 no template.
//
// Phase: 1 while a step runs (from construction and from StartDownload), 0
// after a cancel or while the failure screen ("Do you want to restart the
// update process?") is shown. IDCANCEL with phase 1 records
// kCancelWhileRunning and waits for the running job's report; with phase 0
// it records kCancelGiveUp and ends with 2. An upload report that finds the
// cancel flag set records kCancelAfterUpload and ends with 2.
#pragma once

#include "dialogs/BaseDlg.h"
#include "toolkit/ZVControls.h"
#include "update/WorkflowJobs.h"

class CDlgProgress : public CBaseDlg {
public:
    static constexpr int kDone = 1;
    static constexpr int kCancelledOrFailed = 2;

    CDlgProgress(ZvAutoUpdate::CUpdateConfiguration2* configuration, CWorkflowJobs* workflow, HWND parent);

    void RegisterControls() override;
    ZvOSAL::ZvString GetDescriptionFileName() override { return ZvOSAL::ZvString(L"Progress.ini"); }
    UINT GetTemplateID() override;

    // Phase 1, the download texts, the bar at 0 of 100, and WM_START_DOWNLOAD
    // posted to the dialog itself so that the job starts after the queued
    // repaints. Also the IDOK ("Yes") handler of the failure screen. Nothing
    // while a job runs (it has not reported yet): no key starts one twice.
    void StartDownload();

    // Enter's button: "Yes" on the failure screen, else Cancel (the only
    // button while a step runs).
    UINT GetDefaultButtonId() const override;

protected:
    void InitContent() override;
    void DoDataExchange() override;
    bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnOK() override { StartDownload(); }
    void OnCancel() override;
    // Closed as cancelled: the running job is told to stop (unless it was
    // already), as by a second Cancel.
    void OnFailure() noexcept override;
    INT_PTR GetCancelResult() const override { return kCancelledOrFailed; }

private:
    void OnUploaded();
    void OnProgress(unsigned int bytes);
    void OnDownloadDone(LPARAM transferResult);
    void OnFileChecked(WPARAM valid);

    CZV_PeakMeterCtrl m_progressBar;
    CZV_Static m_titleText;
    CZV_Static m_messageText;
    CZV_Static m_statusText;
    CZV_UniButton m_cancelButton;
    CZV_UniButton m_okButton;
    int m_phase = 1;
    CWorkflowJobs* m_workflow;
    int m_lastPercent = 0;
    bool m_jobRunning = false; // started, its report not yet handled
};
