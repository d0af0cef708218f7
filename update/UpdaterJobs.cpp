// The workflow's jobs. Each runs on a worker thread or on the thread of the
// dialog handler that started it, reports by posting one message to the
// context's window (or, for the silent check, by signalling the done event),
// and deletes its context at the end.
#include "update/Updater.h"

#include "ZvOSAL/ZvFileSystemItem.h"
#include "http/ZorvaHttpTransfer.h"
#include "online/InstallerTrust.h"
#include "online/PatchOnline.h"
#include "update/ActionScope.h"
#include "update/ProgressReceiver.h"
#include "update/States.h"

#include <memory>

using ZvAutoUpdate::CUpdateConfiguration2;
using ZvOSAL::ZvPath;
using ZvOSAL::ZvString;

namespace {

// What every job does around its work: it owns its context, its thread
// counts as part of the running call (a host that calls DoAction from it is
// refused instead of waiting for itself), and nothing its work throws leaves
// the thread: the failure is logged and the job's message still goes out,
// telling of a failure.
class CJob {
public:
    explicit CJob(CUpdater::CJobContext* context) : m_context(context) {}
    explicit operator bool() const { return m_context != nullptr; }

    CUpdater* Updater() const { return m_context->updater; }
    CUpdateConfiguration2* Configuration() const
    {
        return m_context->updater ? m_context->updater->GetConfiguration() : nullptr;
    }
    HWND Dialog() const { return m_context->dialog; }

    // Runs work; false when it threw. failureLine is logged as it stands (no
    // text is built while memory may be short).
    template <class Work>
    bool Run(const wchar_t* failureLine, Work work)
    {
        try {
            work();
            return true;
        } catch (...) {
            if (CUpdateConfiguration2* configuration = Configuration()) {
                try {
                    configuration->Log(failureLine);
                } catch (...) {
                }
            }
            return false;
        }
    }

private:
    std::unique_ptr<CUpdater::CJobContext> m_context;
    CActionScope::CJobThread m_thread;
};

} // namespace

unsigned CUpdater::ThreadCheck(CJobContext* context)
{
    CJob job(context);
    if (!job || !job.Updater())
        return 0;
    CUpdater& updater = *job.Updater();
    CUpdateConfiguration2* configuration = updater.m_configuration;

    bool found = false;
    job.Run(L"CUpdater::ThreadCheck(): the check failed (out of memory).", [&] {
        CPatchOnline online(configuration, updater.m_policy);
        const int available = online.IsAvailable(false);
        const ZvPath resultFile = online.GetLocalFile();
        if (available == 1) {
            CPatchInfo& patch = updater.m_patchInfo;
            patch.Read(resultFile);
            const bool usable = patch.IsValid() && online.IsAcceptedByPolicy(patch);
            if (usable) {
                // result.html beside result.xml: the update dialog shows it.
                patch.SaveDescriptionAsHtml(resultFile);
                updater.m_releaseNotesPath = patch.GetHtmlPath();
                found = true;
            }
            if (configuration && usable) {
                configuration->SetReleaseNotesFile(updater.m_releaseNotesPath.ToString().c_str());
                configuration->SetNewVersion(patch.GetVersion().GetDisplayName().c_str());
                configuration->SetDownloadSize(patch.GetFileSize());
            }
            DeleteFileW(resultFile.ToString().c_str());
        }
    });

    if (updater.m_silentMode)
        SetEvent(updater.m_doneEvent.Get());
    else if (job.Dialog())
        PostMessageW(job.Dialog(), WM_UPDATE_CHECKED, found ? 1 : 0, 0);
    return 0;
}

unsigned CUpdater::ThreadCRMUpload(CJobContext* context)
{
    CJob job(context);
    if (!job)
        return 0;
    CUpdater* updater = job.Updater();
    CUpdateConfiguration2* configuration = job.Configuration();
    if (configuration && !updater->IsCancelled()) {
        job.Run(L"CUpdater::ThreadCRMUpload(): the upload failed (out of memory).", [&] {
            const bool send = Singleton<CStates>::Access()->GetSendCRMData();
            if (send && configuration->GetCRMDataFile(1)) {
                configuration->Log(L"CUpdater::ThreadCRMUpload(): start uploading CRM data.");
                // Asked again: the host's text is only valid until its next call.
                ZvPath file(configuration->GetCRMDataFile(1));
                updater->UploadCRMData(file, true);
                configuration->Log(L"CUpdater::ThreadCRMUpload(): finished uploading CRM data.");
            }
        });
    }
    if (job.Dialog())
        PostMessageW(job.Dialog(), WM_CRM_UPLOADED, 0, 0);
    return 0;
}

unsigned CUpdater::ThreadDownload(CJobContext* context)
{
    CJob job(context);
    if (!job)
        return 0;
    CUpdater* updater = job.Updater();
    CUpdateConfiguration2* configuration = job.Configuration();

    // Without an updater there is nothing to download; the dialog still hears
    // that the download failed.
    int transferred = 0;
    job.Run(L"CUpdater::ThreadDownload(): the download failed (out of memory).", [&] {
        if (!configuration) {
            if (job.Dialog() && updater)
                updater->m_installerPath = ZvPath();
            return;
        }
        const wchar_t* folder = configuration->GetDownloadFolder();
        ZvPath target = folder ? ZvPath(folder) : ZvPath(ZvPath::eSF_Temp);
        const wchar_t* name = configuration->GetInstallerFileName();
        target.SetFileNameAndExt(ZvString(name));
        // Stored before the message goes out: its handler starts the
        // signature check, which reads the installer path.
        if (job.Dialog())
            updater->m_installerPath = target;

        const CUpdatePolicy& policy = CUpdatePolicy::Of(updater->m_policy);
        CTransferLimits limits;
        if (!CPatchOnline::InstallerLimits(policy, updater->m_patchInfo, limits)) {
            configuration->Log(L"CUpdater::ThreadDownload(): the sha256 of the patch description is not 64 "
                               L"hexadecimal digits; nothing was downloaded.");
            return;
        }
        CProgressReceiver receiver(job.Dialog());
        CZorvaHttpTransfer transfer;
        transfer.SetObserver(&receiver);
        transfer.SetLimits(limits);
        // Keep-answer stays set. The client replaces an installer left by an
        // earlier attempt without a question.
        transfer.SetKeepAnswer(true);
        const ZvString path = target.ToString();
        transferred = transfer.RequestUrl(updater->m_patchInfo.GetUrl().ToString().c_str(), path.c_str());
        if (!transferred
            && CPatchOnline::ReportInstallerFailure(*configuration, policy, transfer.GetFailure(),
                                                    L"CUpdater::ThreadDownload()")) {
            DeleteFileW(path.c_str());
        }
    });

    if (job.Dialog())
        PostMessageW(job.Dialog(), WM_DOWNLOAD_DONE, 0, transferred);
    return 0;
}

unsigned CUpdater::ThreadFileCheck(CJobContext* context)
{
    CJob job(context);
    if (!job)
        return 0;
    CUpdater* updater = job.Updater();
    CUpdateConfiguration2* configuration = job.Configuration();

    WPARAM verdict = 0;
    if (configuration && !updater->IsCancelled()) {
        job.Run(L"CUpdater::ThreadFileCheck(): check was failed (out of memory).", [&] {
            configuration->Log(L"CUpdater::ThreadFileCheck(): start checking file for a valid certificate.");
            const CUpdatePolicy& policy = CUpdatePolicy::Of(updater->m_policy);
            const ZvString path = updater->m_installerPath.ToString();
            // The policy's signer rules need the signer; without them the
            // plain signature check of every run.
            const CInstallerTrust::EVerdict trust =
                policy.HasSignerRules() ? CInstallerTrust::Check(path, policy)
                : ZvOSAL::ZvFileSystemItem(updater->m_installerPath).IsSignedValid()
                    ? CInstallerTrust::EVerdict::Trusted
                    : CInstallerTrust::EVerdict::BadSignature;
            if (trust != CInstallerTrust::EVerdict::Trusted) {
                configuration->Log(L"CUpdater::ThreadFileCheck(): check was failed.");
                if (trust != CInstallerTrust::EVerdict::BadSignature) {
                    DeleteFileW(path.c_str());
                    CInstallerTrust::LogRefusal(trust, *configuration, policy);
                }
            } else {
                configuration->Log(L"CUpdater::ThreadFileCheck(): check ok; adding file to list.");
                verdict = 1;
                configuration->AddInstallerFile(path.c_str(), updater->m_patchInfo.GetPugInstaller());
            }
        });
    }
    if (job.Dialog())
        PostMessageW(job.Dialog(), WM_FILE_CHECKED, verdict, 0);
    return 0;
}
