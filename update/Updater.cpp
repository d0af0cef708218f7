#include "update/Updater.h"

#include "ZvAutoUpdate.h"
#include "toolkit/GdiPlusSession.h"
#include "update/States.h"

#include <process.h>

using ZvAutoUpdate::CUpdateConfiguration2;
using ZvOSAL::ZvPath;

std::atomic<bool> CUpdater::s_cancelled{false};

namespace {

// Hosts built by other compilers may answer a bool with any byte. Some of the
// workflow's questions count only exactly 1 as yes, others any non-zero byte;
// read the byte as it arrived, not as the compiler's idea of a bool.
unsigned char RawByte(bool answer)
{
    volatile bool stored = answer;
    return *reinterpret_cast<volatile unsigned char*>(&stored);
}

bool IsExactlyOne(bool answer) { return RawByte(answer) == 1; }
bool IsNonZero(bool answer) { return RawByte(answer) != 0; }

struct ThreadStart {
    unsigned (*routine)(CUpdater::CJobContext*);
    CUpdater::CJobContext* context;
};

} // namespace

CUpdater::CUpdater(CUpdateConfiguration2* configuration, CWorkflowDialogs* dialogs)
    : m_doneEvent(CreateEventW(nullptr, FALSE, FALSE, nullptr))
    , m_configuration(configuration)
    , m_dialogs(dialogs)
{
    // Each run starts uncancelled: a cancel belongs to the run that made it.
    s_cancelled.store(false);
}

CUpdater::~CUpdater()
{
    // A job may still run after its dialog closed early; it uses this object
    // and the host's configuration, so both must outlive it.
    WaitForJobs();

    zvlibs::graphics::EndGdiPlus();
    if (!m_releaseNotesPath.IsEmpty())
        DeleteFileW(m_releaseNotesPath.ToString());
    Singleton<CStates>::Release();
}

int CUpdater::Run(int action)
{
    if (action == ZVAU_ACTION_UPDATE)
        return DoUpdate();
    if (action != ZVAU_ACTION_UPLOAD_CRM)
        return ZVAU_RESULT_OK;

    if (!m_configuration)
        return ZVAU_RESULT_BAD_ARGUMENT;
    if (!m_configuration->GetCRMDataFile(1))
        return ZVAU_RESULT_NO_CRM_FILE;
    // Asked again: the host's text is only valid until its next call.
    ZvPath file(m_configuration->GetCRMDataFile(1));
    return UploadCRMData(file, true) ? ZVAU_RESULT_OK : ZVAU_RESULT_FAILED;
}

int CUpdater::DoUpdate()
{
    if (!m_configuration)
        return ZVAU_RESULT_BAD_ARGUMENT;

    const bool withDialogs = IsExactlyOne(m_configuration->GetShowUpdateDialog());
    Singleton<CStates>::Access()->SetSendCRMData(m_configuration->GetSendCRMData());

    bool accepted = false;
    if (withDialogs) {
        m_owner = m_configuration->GetParentWindow();
        CWorkflowDialogs::UpdateChoice choice;
        const int answer = m_dialogs ? m_dialogs->RunUpdateDialog(m_configuration, *this, m_owner, choice) : -1;
        accepted = answer == 0;
        m_configuration->SetShowUpdateDialog(!choice.dontShowAgain);
        if (accepted && IsExactlyOne(m_configuration->IsCRMUploadOffered())) {
            m_configuration->SetSendCRMData(choice.sendProgramInformation);
            Singleton<CStates>::Access()->SetSendCRMData(choice.sendProgramInformation);
        }
        if (accepted) {
            const int progress = m_dialogs->RunProgressDialog(m_configuration, *this, m_owner);
            // 2 is the dialog's cancel path. A progress dialog that could not
            // be created (-1) downloaded nothing either: no install stage.
            if (progress != 1)
                m_result = ZVAU_RESULT_TRANSFER_CANCELLED;
        }
    } else {
        m_silentMode = true;
        if (!StartJob(&CUpdater::ThreadCheck, nullptr)) {
            // Without an event (the system refused one) the thread's end is
            // the signal.
            if (m_doneEvent)
                WaitForSingleObject(m_doneEvent.Get(), INFINITE);
            else
                WaitForJobs();
        }
        m_configuration->SetNewVersion(m_patchInfo.GetVersion().GetDisplayName());
    }

    int result = m_result;
    OfferInstall(result, accepted);
    return result;
}

void CUpdater::OfferInstall(int& code, bool accepted)
{
    if (!accepted || IsCancelled() || code != ZVAU_RESULT_OK || !m_configuration)
        return;
    if (!IsExactlyOne(m_configuration->GetShowInstallDialog())) {
        code = ZVAU_RESULT_INSTALL_NOW;
        return;
    }
    const int answer = m_dialogs->RunInstallDialog(m_configuration, m_owner);
    code = answer == -1 ? ZVAU_RESULT_INSTALL_CANCELLED : answer;
}

void CUpdater::StartCheckJob(HWND dialog) { StartJob(&CUpdater::ThreadCheck, dialog); }
void CUpdater::StartUploadJob(HWND dialog) { StartJob(&CUpdater::ThreadCRMUpload, dialog); }
void CUpdater::StartDownloadJob(HWND dialog) { StartJob(&CUpdater::ThreadDownload, dialog); }
void CUpdater::StartFileCheckJob(HWND dialog) { StartJob(&CUpdater::ThreadFileCheck, dialog); }

void CUpdater::Cancel(ECancelCode code)
{
    s_cancelled.store(true);
    m_result = code;
}

bool CUpdater::IsCancelled() const
{
    return s_cancelled.load();
}

bool CUpdater::StartJob(JobRoutine routine, HWND dialog)
{
    auto* context = new CJobContext{this, dialog};
    if (m_configuration && !IsNonZero(m_configuration->GetUseWorkerThreads())) {
        routine(context);
        return true;
    }

    ForgetFinishedJobs();
    auto* start = new ThreadStart{routine, context};
    ZvOSAL::ZvCriticalSectionLock lock(m_jobLock, 1);
    ZvOSAL::KernelHandle thread(
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &CUpdater::JobThreadMain, start, 0, nullptr)));
    if (!thread) {
        // No thread to be had: run the job here rather than leave the dialog
        // (or the silent check) waiting for a message that never comes.
        lock.Unlock();
        delete start;
        routine(context);
        return true;
    }
    m_jobThreads.push_back(std::move(thread));
    return false;
}

unsigned __stdcall CUpdater::JobThreadMain(void* parameter)
{
    auto* start = static_cast<ThreadStart*>(parameter);
    auto routine = start->routine;
    CJobContext* context = start->context;
    delete start;
    return routine(context);
}

void CUpdater::ForgetFinishedJobs()
{
    ZvOSAL::ZvCriticalSectionLock lock(m_jobLock, 1);
    auto it = m_jobThreads.begin();
    while (it != m_jobThreads.end()) {
        if (WaitForSingleObject(it->Get(), 0) == WAIT_OBJECT_0)
            it = m_jobThreads.erase(it);
        else
            ++it;
    }
}

void CUpdater::WaitForJobs()
{
    for (;;) {
        ZvOSAL::KernelHandle thread;
        {
            ZvOSAL::ZvCriticalSectionLock lock(m_jobLock, 1);
            if (m_jobThreads.empty())
                return;
            thread = std::move(m_jobThreads.back());
            m_jobThreads.pop_back();
        }
        HANDLE waited = thread.Get();
        // Serve messages sent to this thread while waiting: a host may answer
        // a job's call by sending to its own window on this thread.
        while (MsgWaitForMultipleObjects(1, &waited, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}
