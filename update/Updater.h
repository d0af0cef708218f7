// CUpdater: one run of action 1 (the interactive update, or a silent check
// when the host asks for no dialogs) or action 2 (the customer-data upload).
//
// DoAction creates it on its stack with the dialogs to show, calls Run and
// destroys it. The dialogs of action 1 see it only as CWorkflowJobs: they
// call its job starters, Cancel and accessors from their message handlers.
//
// Jobs. The long steps run as jobs: the availability check (ThreadCheck), the
// customer-data upload (ThreadCRMUpload), the download (ThreadDownload) and
// the installer's signature check (ThreadFileCheck). A starter allocates a
// CJobContext {updater, window} and runs the job on a new worker thread, or
// on the calling thread when the host's GetUseWorkerThreads answers false.
// A job reports by posting its message (UpdateMessages.h) to the context's
// window; it never touches a control, and it deletes its context when done.
//
// Lifetime. A dialog may close while its job still runs (the update dialog
// during the check, the progress dialog during the upload). The updater
// therefore waits in its destructor for every job thread it started, so that
// no job uses the updater or the host's configuration after DoAction has
// returned. While it waits it serves messages sent to the calling thread, so
// a host that answers a job's call with SendMessage to that thread does not
// deadlock; posted messages stay queued.
//
// Process-wide state: the cancel flag (set by Cancel; each new CUpdater
// starts with it cleared, so a cancelled run does not disable the next one),
// the shared send flag (CStates) and the GDI+ session, which the destructor
// ends.
#pragma once

#include "UpdateConfiguration2.h"
#include "ZvOSAL/ZvCriticalSection.h"
#include "ZvOSAL/ZvPath.h"
#include "online/PatchInfo.h"
#include "osal/KernelHandle.h"
#include "update/UpdateMessages.h"
#include "update/WorkflowDialogs.h"
#include "update/WorkflowJobs.h"

#include <windows.h>

#include <atomic>
#include <vector>

class CUpdatePolicy;

class CUpdater : public CWorkflowJobs {
public:
    class CProgressReceiver;

    // What a job receives: the updater and the window that wants the job's
    // message (null for none). Allocated by the starter, deleted by the job.
    struct CJobContext {
        CUpdater* updater;
        HWND dialog;
    };

    // Clears the cancel flag. dialogs: the workflow's dialogs; null when the
    // run shows none (action 2, the silent check), in which case a run that
    // asks for dialogs goes on as if the update dialog could not be shown.
    explicit CUpdater(ZvAutoUpdate::CUpdateConfiguration2* configuration, CWorkflowDialogs* dialogs = nullptr);
    // Waits for running jobs, ends the GDI+ session if one exists, deletes the
    // release notes file and releases the shared send flag. The installer
    // stays on disk.
    virtual ~CUpdater();

    CUpdater(const CUpdater&) = delete;
    CUpdater& operator=(const CUpdater&) = delete;

    // 1: DoUpdate; 2: the customer-data upload alone (1 uploaded, 2 failed,
    // 11 no file named, 3 no configuration); any other action returns 1.
    int Run(int action);

    // Action 1. With dialogs: update dialog, progress dialog, install stage;
    // without: a silent check that reports the offered version through
    // SetNewVersion and returns 1. Returns the workflow's result code
    // (1, 3, 7, 8, 9, 12 or 15).
    int DoUpdate();

    // The install stage: only when accepted, not cancelled and code is 1, the
    // install dialog decides the code (8, 9 or 7), or 8 without a dialog when
    // the host's GetShowInstallDialog is not 1. An install dialog that cannot
    // be created gives 7 (do not install): the installer was already handed
    // over, but nobody confirmed it.
    void OfferInstall(int& code, bool accepted);

    // Posts the host's customer-data file (see CRMUpload.cpp). True when the
    // whole body was sent and the request ended without an error.
    bool UploadCRMData(const ZvOSAL::ZvPath& path, bool deleteAfter);

    // CWorkflowJobs. A job starter's dialog is the window that receives the
    // job's message.
    void StartCheckJob(HWND dialog) override;
    void StartUploadJob(HWND dialog) override;
    void StartDownloadJob(HWND dialog) override;
    void StartFileCheckJob(HWND dialog) override;
    void Cancel(ECancelCode code) override;
    bool IsCancelled() const override;
    const CPatchInfo& GetPatchInfo() const override { return m_patchInfo; }
    const ZvOSAL::ZvPath& GetReleaseNotesPath() const override { return m_releaseNotesPath; }

    // The host's opt-in rules (DoActionWithPolicy), read by the jobs and the
    // upload; null (the default) for none. Not owned.
    void SetPolicy(const CUpdatePolicy* policy) { m_policy = policy; }
    ZvAutoUpdate::CUpdateConfiguration2* GetConfiguration() const { return m_configuration; }
    const CUpdatePolicy* GetPolicy() const { return m_policy; }

    // The jobs. Each takes ownership of its context (null: nothing happens)
    // and returns 0.
    static unsigned ThreadCheck(CJobContext* context);
    static unsigned ThreadCRMUpload(CJobContext* context);
    static unsigned ThreadDownload(CJobContext* context);
    static unsigned ThreadFileCheck(CJobContext* context);

private:
    using JobRoutine = unsigned (*)(CJobContext*);

    // Runs routine on a worker thread (or here when the host switches worker
    // threads off). Returns true when the job has already run here.
    bool StartJob(JobRoutine routine, HWND dialog);
    static unsigned __stdcall JobThreadMain(void* parameter);
    void WaitForJobs();
    void ForgetFinishedJobs();

    bool m_silentMode = false;
    ZvOSAL::KernelHandle m_doneEvent; // auto-reset; the check job signals it in silent mode
    CPatchInfo m_patchInfo;
    ZvAutoUpdate::CUpdateConfiguration2* m_configuration;
    int m_result = 1;
    ZvOSAL::ZvPath m_releaseNotesPath;
    ZvOSAL::ZvPath m_installerPath;

    const CUpdatePolicy* m_policy = nullptr;
    CWorkflowDialogs* m_dialogs;
    HWND m_owner = nullptr;
    ZvOSAL::ZvCriticalSection m_jobLock;
    std::vector<ZvOSAL::KernelHandle> m_jobThreads; // guarded by m_jobLock

    static std::atomic<bool> s_cancelled;
};

// The definition of CUpdater::CProgressReceiver.
#include "update/ProgressReceiver.h"
