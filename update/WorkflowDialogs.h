// The three modal dialogs that the interactive update workflow runs, behind
// one small interface so that the workflow does not depend on how they are
// built. The library binds its skinned dialogs (dialogs/SkinnedWorkflowDialogs.h)
// where an action starts; tests and embedders bring their own.
//
// Every Run* creates its dialog, runs it modally on the calling thread with
// `owner` as owner window (null for none), destroys it and returns its
// result; -1 means the dialog could not be shown (no template, an owner that
// is no window, no memory), which the workflow treats like a user who said
// no.
#pragma once

#include "UpdateConfiguration2.h"
#include "update/WorkflowJobs.h"

#include <windows.h>

class CWorkflowDialogs {
public:
    // Saved check-box states of the update dialog; a box that was never shown
    // counts as not ticked.
    struct UpdateChoice {
        bool dontShowAgain = false;
        bool sendProgramInformation = false;
    };

    // The update dialog: starts the check job itself (StartCheckJob with its
    // window) and shows the offer. 0: the user accepted an offered update;
    // 1: closed otherwise; -1: not shown.
    virtual int RunUpdateDialog(ZvAutoUpdate::CUpdateConfiguration2* configuration, CWorkflowJobs& jobs, HWND owner,
                                UpdateChoice& choice) = 0;

    // The progress dialog: upload, download and signature check, each started
    // by the dialog (StartUploadJob, StartDownloadJob, StartFileCheckJob).
    // 1: the installer was downloaded and checked (or a check ended after a
    // cancel); 2: cancelled or failed; -1: not shown.
    virtual int RunProgressDialog(ZvAutoUpdate::CUpdateConfiguration2* configuration, CWorkflowJobs& jobs,
                                  HWND owner) = 0;

    // The install dialog. 8: install now; 9: install when the program closes;
    // 7: cancelled or closed; -1: not shown.
    virtual int RunInstallDialog(ZvAutoUpdate::CUpdateConfiguration2* configuration, HWND owner) = 0;

protected:
    ~CWorkflowDialogs() = default;
};
