// The three modal dialogs that the interactive update workflow runs, behind
// one small interface so that the workflow does not depend on how they are
// built. DefaultWorkflowDialogs() gives the library's skinned dialogs
// (dialogs/SkinnedWorkflowDialogs.h); CUpdater takes another provider for
// tests and embedders.
//
// Every Run* creates its dialog, runs it modally on the calling thread with
// `owner` as owner window (null for none), destroys it and returns its
// result; -1 means the dialog could not be created (no template), which the
// workflow treats like a user who said no.
#pragma once

#include "UpdateConfiguration2.h"

#include <windows.h>

class CUpdater;

class CWorkflowDialogs {
public:
    // Saved check-box states of the update dialog; a box that was never shown
    // counts as not ticked.
    struct UpdateChoice {
        bool dontShowAgain = false;
        bool sendProgramInformation = false;
    };

    // The update dialog: starts the check job itself (CUpdater::StartCheckJob
    // with its window) and shows the offer. 0: the user accepted an offered
    // update; 1: closed otherwise; -1: not created.
    virtual int RunUpdateDialog(ZvAutoUpdate::CUpdateConfiguration2* configuration, CUpdater& workflow, HWND owner,
                                UpdateChoice& choice) = 0;

    // The progress dialog: upload, download and signature check, each started
    // by the dialog (StartUploadJob, StartDownloadJob, StartFileCheckJob).
    // 1: the installer was downloaded and checked (or a check ended after a
    // cancel); 2: cancelled or failed; -1: not created.
    virtual int RunProgressDialog(ZvAutoUpdate::CUpdateConfiguration2* configuration, CUpdater& workflow,
                                  HWND owner) = 0;

    // The install dialog. 8: install now; 9: install when the program closes;
    // 7: cancelled or closed; -1: not created.
    virtual int RunInstallDialog(ZvAutoUpdate::CUpdateConfiguration2* configuration, HWND owner) = 0;

protected:
    ~CWorkflowDialogs() = default;
};

// The library's own dialogs (CDlgUpdate, CDlgProgress, CDlgInstall).
CWorkflowDialogs& DefaultWorkflowDialogs();
