// The workflow's jobs. Each runs on a worker thread or on the thread of the
// dialog handler that started it, reports by posting one message to the
// context's window (or, for the silent check, by signalling the done event),
// and deletes its context at the end.
#include "update/Updater.h"

#include "ZvOSAL/ZvFileSystemItem.h"
#include "http/ZorvaHttpTransfer.h"
#include "online/PatchOnline.h"
#include "update/States.h"

#include <memory>

using ZvAutoUpdate::CUpdateConfiguration2;
using ZvOSAL::ZvPath;
using ZvOSAL::ZvString;

unsigned CUpdater::ThreadCheck(CJobContext* context)
{
    std::unique_ptr<CJobContext> owned(context);
    if (!context || !context->updater)
        return 0;
    CUpdater& updater = *context->updater;
    CUpdateConfiguration2* configuration = updater.m_configuration;

    bool found = false;
    {
        CPatchOnline online(configuration);
        const int available = online.IsAvailable(false);
        const ZvPath resultFile = online.GetLocalFile();
        if (available == 1) {
            CPatchInfo& patch = updater.m_patchInfo;
            patch.Read(resultFile);
            if (patch.IsValid()) {
                // result.html beside result.xml: the update dialog shows it.
                patch.SaveDescriptionAsHtml(resultFile);
                updater.m_releaseNotesPath = patch.GetHtmlPath();
                found = true;
            }
            if (configuration && patch.IsValid()) {
                configuration->SetReleaseNotesFile(updater.m_releaseNotesPath.ToString().c_str());
                configuration->SetNewVersion(patch.GetVersion().GetDisplayName().c_str());
                configuration->SetDownloadSize(patch.GetFileSize());
            }
            DeleteFileW(resultFile.ToString().c_str());
        }
    }

    if (updater.m_silentMode)
        SetEvent(updater.m_doneEvent.Get());
    else if (context->dialog)
        PostMessageW(context->dialog, WM_UPDATE_CHECKED, found ? 1 : 0, 0);
    return 0;
}

unsigned CUpdater::ThreadCRMUpload(CJobContext* context)
{
    std::unique_ptr<CJobContext> owned(context);
    if (!context)
        return 0;
    CUpdater* updater = context->updater;
    CUpdateConfiguration2* configuration = updater ? updater->m_configuration : nullptr;
    if (configuration && !updater->IsCancelled()) {
        const bool send = Singleton<CStates>::Access()->GetSendCRMData();
        if (send && configuration->GetCRMDataFile(1)) {
            configuration->Log(L"CUpdater::ThreadCRMUpload(): start uploading CRM data.");
            // Asked again: the host's text is only valid until its next call.
            ZvPath file(configuration->GetCRMDataFile(1));
            updater->UploadCRMData(file, true);
            configuration->Log(L"CUpdater::ThreadCRMUpload(): finished uploading CRM data.");
        }
    }
    if (context->dialog)
        PostMessageW(context->dialog, WM_CRM_UPLOADED, 0, 0);
    return 0;
}

unsigned CUpdater::ThreadDownload(CJobContext* context)
{
    std::unique_ptr<CJobContext> owned(context);
    if (!context)
        return 0;
    CUpdater* updater = context->updater;
    CUpdateConfiguration2* configuration = updater ? updater->m_configuration : nullptr;

    // Without an updater there is nothing to download; the dialog still hears
    // that the download failed.
    int transferred = 0;
    ZvPath target;
    if (configuration) {
        const wchar_t* folder = configuration->GetDownloadFolder();
        target = folder ? ZvPath(folder) : ZvPath(ZvPath::eSF_Temp);
        const wchar_t* name = configuration->GetInstallerFileName();
        target.SetFileNameAndExt(ZvString(name));

        CProgressReceiver receiver(context->dialog);
        CZorvaHttpTransfer transfer;
        transfer.SetObserver(&receiver);
        // Keep-answer stays set. The client replaces an installer left by an
        // earlier attempt without a question.
        transfer.m_keepAnswer = TRUE;
        transferred = transfer.RequestUrl(updater->m_patchInfo.GetUrl().ToString().c_str(), target.ToString().c_str());
    }

    if (context->dialog) {
        // Stored before the message goes out: its handler starts the signature
        // check, which reads the installer path.
        if (updater)
            updater->m_installerPath = target;
        PostMessageW(context->dialog, WM_DOWNLOAD_DONE, 0, transferred);
    }
    return 0;
}

unsigned CUpdater::ThreadFileCheck(CJobContext* context)
{
    std::unique_ptr<CJobContext> owned(context);
    if (!context)
        return 0;
    CUpdater* updater = context->updater;
    CUpdateConfiguration2* configuration = updater ? updater->m_configuration : nullptr;

    WPARAM verdict = 0;
    if (configuration && !updater->IsCancelled()) {
        configuration->Log(L"CUpdater::ThreadFileCheck(): start checking file for a valid certificate.");
        ZvOSAL::ZvFileSystemItem installer(updater->m_installerPath);
        if (!installer.IsSignedValid()) {
            configuration->Log(L"CUpdater::ThreadFileCheck(): check was failed.");
        } else {
            configuration->Log(L"CUpdater::ThreadFileCheck(): check ok; adding file to list.");
            verdict = 1;
            configuration->AddInstallerFile(updater->m_installerPath.ToString().c_str(),
                                            updater->m_patchInfo.GetPugInstaller());
        }
    }
    if (context->dialog)
        PostMessageW(context->dialog, WM_FILE_CHECKED, verdict, 0);
    return 0;
}
