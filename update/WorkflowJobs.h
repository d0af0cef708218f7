// What the workflow's dialogs may ask of the run that shows them: start the
// job that belongs to their step, record a cancel, and read what the check
// found. CUpdater implements it; the dialogs know nothing else of the
// updater.
//
// Each starter runs its job on a worker thread (or at once on the calling
// thread when the host switches worker threads off); the job reports by
// posting its message (update/UpdateMessages.h) to `dialog`.
#pragma once

#include "ZvOSAL/ZvPath.h"
#include "online/PatchInfo.h"

#include <windows.h>

// The codes the progress dialog records with Cancel. None of them reaches
// the host: a progress dialog that ends through its cancel path makes the
// run end with 15, and only a cancel during the signature check (after
// which the dialog ends normally) leaves kCancelWhileRunning as the result.
enum ECancelCode {
    kCancelWhileRunning = 12, // Cancel pressed while a step runs
    kCancelGiveUp = 13,       // Cancel pressed again, or "No" at the restart question
    kCancelAfterUpload = 14,  // the upload reported and found the cancel flag set
};

class CWorkflowJobs {
public:
    virtual void StartCheckJob(HWND dialog) = 0;
    virtual void StartUploadJob(HWND dialog) = 0;
    virtual void StartDownloadJob(HWND dialog) = 0;
    virtual void StartFileCheckJob(HWND dialog) = 0;

    // Sets the process-wide cancel flag (which a running transfer polls) and
    // records code as the run's result.
    virtual void Cancel(ECancelCode code) = 0;
    virtual bool IsCancelled() const = 0;

    // The patch record of the check (the progress dialog takes the expected
    // size from it) and the release notes it wrote (empty before).
    virtual const CPatchInfo& GetPatchInfo() const = 0;
    virtual const ZvOSAL::ZvPath& GetReleaseNotesPath() const = 0;

protected:
    ~CWorkflowJobs() = default;
};
