// The interactive workflow end to end with real servers and real signed
// files, the dialogs played by stand-in windows (StandInDialogs.h): check,
// upload, download with progress, signature check, install stage, and the
// cancel paths with the result codes the workflow records. The upload always
// goes to port 80, so this program runs a loopback server on 127.0.0.1:80
// (CTest resource lock "loopback_port_80").
#include "ZvAutoUpdate.h"
#include "http/TestFiles.h"
#include "support/Fixtures.h"
#include "support/LoopbackHttpServer.h"
#include "update/StandInDialogs.h"
#include "update/UpdateTestHelpers.h"
#include "update/Updater.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using zvtest::HookedHost;
using zvtest::HttpRequest;
using zvtest::HttpResponse;
using zvtest::LoopbackHttpServer;
using zvtest::StandInDialogs;

const wchar_t kStartCheck[] = L"CUpdater::ThreadFileCheck(): start checking file for a valid certificate.";
const wchar_t kCheckFailed[] = L"CUpdater::ThreadFileCheck(): check was failed.";
const wchar_t kCheckOk[] = L"CUpdater::ThreadFileCheck(): check ok; adding file to list.";
const wchar_t kStartUpload[] = L"CUpdater::ThreadCRMUpload(): start uploading CRM data.";
const wchar_t kFinishedUpload[] = L"CUpdater::ThreadCRMUpload(): finished uploading CRM data.";

struct Mode {
    bool workers;
};

class Workflow : public ::testing::TestWithParam<bool> {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(zvtest::InstallTestRootCA()); }

    void SetUp() override
    {
        ASSERT_TRUE(server.IsRunning()) << server.Error();
        host.settings.useWorkerThreads = GetParam();
        host.settings.updateURL = server.Url("/update");
        host.settings.downloadFolder = folder.Path();
        host.settings.installerFileName = L"Setup.exe";
        host.settings.crmRedirectURL = server.Url("/redirect");
        host.settings.crmUploadFile = folder.File(L"crm.zip");
        host.settings.parentWindow = reinterpret_cast<HWND>(0x1234);
        ASSERT_TRUE(zvtest::WriteFileBytes(*host.settings.crmUploadFile, "customer data"));
        server.Route("/redirect", HttpResponse::Ok("http://127.0.0.1/upload/put"));
        server.Route("/upload/put", HttpResponse::Ok());
    }

    // Serves a fixture file as the installer and names it in the answer.
    void ServeInstaller(const std::wstring& fixture, int pugInstaller = 3)
    {
        installer = zvtest::ReadFileBytes(zvtest::FixturePath(fixture));
        ASSERT_FALSE(installer.empty());
        server.Route("/setup.exe", HttpResponse::Ok(installer));
        server.Route("/update", HttpResponse::Ok(zvtest::PatchDocument("http://127.0.0.1/setup.exe",
                                                                       installer.size(), "2.5.0.1", pugInstaller)));
    }

    size_t CountRequests(const std::string& method, const std::string& path) const
    {
        size_t count = 0;
        for (const HttpRequest& request : server.Requests())
            count += request.method == method && request.path == path;
        return count;
    }

    // Presses the progress stand-in's cancel button from a host hook, on the
    // dialog's thread as a real click would be.
    static void PressCancelFrom(zvtest::ProgressStandIn& dialog)
    {
        if (GetWindowThreadProcessId(dialog.Window(), nullptr) == GetCurrentThreadId())
            dialog.PressCancel();
        else
            SendMessageW(dialog.Window(), zvtest::WM_TEST_PRESS_CANCEL, 0, 0);
    }

    std::wstring InstallerPath() const { return folder.File(L"Setup.exe"); }

    LoopbackHttpServer server{LoopbackHttpServer::Tls::None, 80};
    zvtest::TempFolder folder;
    HookedHost host;
    StandInDialogs dialogs;
    std::string installer;
};

TEST_P(Workflow, SignedInstallerIsHandedOverAndInstalledNow)
{
    ServeInstaller(L"signed-valid.exe", 3);
    host.settings.showInstallDialog = false;

    int result = 0;
    {
        CUpdater updater(&host, &dialogs);
        result = updater.Run(1);
    }
    EXPECT_EQ(ZVAU_RESULT_INSTALL_NOW, result);
    EXPECT_EQ(1, dialogs.checkedReport);
    EXPECT_EQ(0, dialogs.updateResult);
    EXPECT_EQ(1, dialogs.progressResult);
    EXPECT_EQ(0, dialogs.installRuns);
    EXPECT_EQ(reinterpret_cast<HWND>(0x1234), dialogs.updateOwner);
    EXPECT_EQ(reinterpret_cast<HWND>(0x1234), dialogs.progressOwner);

    // The job chain as the progress dialog saw it.
    std::vector<UINT> chain;
    for (UINT message : dialogs.progressMessages)
        if (message != WM_DOWNLOAD_PROGRESS)
            chain.push_back(message);
    EXPECT_EQ((std::vector<UINT>{WM_CRM_UPLOADED, WM_START_DOWNLOAD, WM_DOWNLOAD_DONE, WM_FILE_CHECKED}), chain);
    EXPECT_EQ(std::vector<WPARAM>{1}, dialogs.fileChecked);
    ASSERT_FALSE(dialogs.progress.empty());
    EXPECT_EQ(installer.size(), dialogs.progress.back());
    for (size_t i = 1; i < dialogs.progress.size(); ++i)
        EXPECT_LT(dialogs.progress[i - 1], dialogs.progress[i]);

    // Upload, download, file on disk.
    EXPECT_EQ(1u, CountRequests("POST", "/upload/put"));
    EXPECT_FALSE(zvtest::FileExists(*host.settings.crmUploadFile));
    EXPECT_EQ(1u, CountRequests("GET", "/setup.exe"));
    EXPECT_TRUE(zvtest::ReadFileBytes(InstallerPath()) == installer);

    // The check's three calls, in order, and the hand-over.
    std::vector<zvtest::HostCall> calls = host.Calls();
    const int at = zvtest::IndexOf(calls, "AddInstallerFile");
    ASSERT_GE(at, 2);
    EXPECT_EQ(kStartCheck, calls[at - 2].arguments);
    EXPECT_EQ(kCheckOk, calls[at - 1].arguments);
    EXPECT_EQ(InstallerPath() + L"|3", calls[at].arguments);
    ASSERT_EQ(1u, host.Installers().size());
    EXPECT_EQ(1u, host.CountOf("GetShowInstallDialog"));
    EXPECT_TRUE(zvtest::FileExists(InstallerPath())); // left for the host

    // Choices stored (the send box as the host's stored choice ticked it),
    // and the interactive download told the host nothing.
    EXPECT_EQ(L"1", zvtest::ArgumentsOf(calls, "SetShowUpdateDialog"));
    EXPECT_EQ(L"1", zvtest::ArgumentsOf(calls, "SetSendCRMData"));
    EXPECT_EQ(1u, host.CountOf("SetDownloadSize")); // only the check's size
    EXPECT_EQ(0u, host.CountOf("OnDownloadProgress") + host.CountOf("OnDownloadBegin"));
    EXPECT_FALSE(zvtest::FileExists(folder.File(L"result.html")));
    EXPECT_FALSE(zvtest::FileExists(folder.File(L"result.xml")));
}

TEST_P(Workflow, InstallDialogDecides)
{
    ServeInstaller(L"signed-valid.exe");
    dialogs.installAnswer = ZVAU_RESULT_INSTALL_LATER;
    CUpdater updater(&host, &dialogs);
    EXPECT_EQ(ZVAU_RESULT_INSTALL_LATER, updater.Run(1));
    EXPECT_EQ(1, dialogs.installRuns);
    EXPECT_EQ(reinterpret_cast<HWND>(0x1234), dialogs.installOwner);
}

TEST_P(Workflow, UnsignedOrTamperedInstallerIsNeverHandedOver)
{
    for (const wchar_t* fixture : {L"unsigned.exe", L"signed-tampered.exe"}) {
        SCOPED_TRACE(std::string(fixture, fixture + wcslen(fixture)));
        host.ClearCalls();
        StandInDialogs local;
        ServeInstaller(fixture);
        ASSERT_TRUE(zvtest::WriteFileBytes(*host.settings.crmUploadFile, "customer data"));
        int result = 0;
        {
            CUpdater updater(&host, &local);
            result = updater.Run(1);
        }
        // The restart question is answered "No": the cancel path, 15.
        EXPECT_EQ(ZVAU_RESULT_TRANSFER_CANCELLED, result);
        EXPECT_EQ(std::vector<WPARAM>{0}, local.fileChecked);
        EXPECT_EQ(0, local.installRuns);
        EXPECT_TRUE(host.Installers().empty());
        std::vector<std::wstring> lines = host.LogLines();
        const auto start = std::find(lines.begin(), lines.end(), kStartCheck);
        ASSERT_NE(lines.end(), start);
        ASSERT_NE(lines.end(), start + 1);
        EXPECT_EQ(kCheckFailed, *(start + 1));
        EXPECT_EQ(lines.end(), std::find(lines.begin(), lines.end(), kCheckOk));
        // The file stays where the download put it.
        EXPECT_TRUE(zvtest::FileExists(InstallerPath()));
    }
}

TEST_P(Workflow, RestartAfterFailedCheckDownloadsAgain)
{
    // First answer: a tampered file; the restart fetches the signed one.
    ServeInstaller(L"signed-tampered.exe");
    const std::string good = zvtest::ReadFileBytes(zvtest::FixturePath(L"signed-valid.exe"));
    dialogs.prepareProgress = [&](zvtest::ProgressStandIn& dialog) {
        dialog.restartAfterFailedCheck = true;
        host.onLog = [&](const std::wstring& line) {
            if (line == kCheckFailed)
                server.Route("/setup.exe", HttpResponse::Ok(good));
        };
    };
    host.settings.showInstallDialog = false;
    CUpdater updater(&host, &dialogs);
    EXPECT_EQ(ZVAU_RESULT_INSTALL_NOW, updater.Run(1));
    EXPECT_EQ((std::vector<WPARAM>{0, 1}), dialogs.fileChecked);
    EXPECT_EQ(2u, CountRequests("GET", "/setup.exe"));
    EXPECT_EQ(1u, host.Installers().size());
    EXPECT_TRUE(zvtest::ReadFileBytes(InstallerPath()) == good);
}

TEST_P(Workflow, DeclinedOfferStoresTheBoxesAndStops)
{
    ServeInstaller(L"signed-valid.exe");
    dialogs.acceptOffer = false;
    dialogs.dontShowAgain = true;
    dialogs.sendBox = false;
    CUpdater updater(&host, &dialogs);
    EXPECT_EQ(1, updater.Run(1));
    EXPECT_EQ(1, dialogs.checkedReport);
    EXPECT_EQ(0, dialogs.progressRuns);
    EXPECT_EQ(1u, host.CountOf("SetShowUpdateDialog"));
    EXPECT_EQ(L"0", zvtest::ArgumentsOf(host.Calls(), "SetShowUpdateDialog"));
    EXPECT_EQ(0u, host.CountOf("SetSendCRMData"));
    EXPECT_EQ(0u, CountRequests("GET", "/setup.exe"));
}

TEST_P(Workflow, NoPatchMeansNothingToAccept)
{
    server.Route("/update", HttpResponse::NotFound());
    CUpdater updater(&host, &dialogs);
    EXPECT_EQ(1, updater.Run(1));
    EXPECT_EQ(0, dialogs.checkedReport);
    EXPECT_EQ(0, dialogs.progressRuns);
}

TEST_P(Workflow, SendBoxClearedMeansNoUpload)
{
    ServeInstaller(L"signed-valid.exe");
    host.settings.showInstallDialog = false;
    dialogs.sendBox = false;
    CUpdater updater(&host, &dialogs);
    EXPECT_EQ(ZVAU_RESULT_INSTALL_NOW, updater.Run(1));
    EXPECT_EQ(L"0", zvtest::ArgumentsOf(host.Calls(), "SetSendCRMData"));
    EXPECT_EQ(0u, CountRequests("POST", "/upload/put"));
    EXPECT_TRUE(zvtest::FileExists(*host.settings.crmUploadFile));
    EXPECT_EQ(0u, host.CountOf("GetCRMDataFile"));
}

TEST_P(Workflow, UploadNotOfferedKeepsTheHostsStoredChoice)
{
    ServeInstaller(L"signed-valid.exe");
    host.settings.showInstallDialog = false;
    host.settings.crmUploadOffered = false;
    host.settings.sendCRMData = true;
    dialogs.sendBox = false; // ignored: the box was not offered
    CUpdater updater(&host, &dialogs);
    EXPECT_EQ(ZVAU_RESULT_INSTALL_NOW, updater.Run(1));
    EXPECT_EQ(0u, host.CountOf("SetSendCRMData"));
    EXPECT_EQ(1u, CountRequests("POST", "/upload/put"));
}

// ---- Cancel -------------------------------------------------------------

TEST_P(Workflow, CancelDuringUploadLetsItFinishThenEndsWithFifteen)
{
    ServeInstaller(L"signed-valid.exe");
    zvtest::ProgressStandIn* progress = nullptr;
    dialogs.prepareProgress = [&](zvtest::ProgressStandIn& dialog) { progress = &dialog; };
    host.onLog = [&](const std::wstring& line) {
        if (line == kStartUpload && progress)
            PressCancelFrom(*progress);
    };
    int result = 0;
    {
        CUpdater updater(&host, &dialogs);
        result = updater.Run(1);
    }
    EXPECT_EQ(ZVAU_RESULT_TRANSFER_CANCELLED, result);
    EXPECT_EQ(2, dialogs.progressResult);
    // The upload ran to its end; nothing was downloaded.
    EXPECT_EQ(1u, CountRequests("POST", "/upload/put"));
    std::vector<std::wstring> lines = host.LogLines();
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), kFinishedUpload));
    EXPECT_EQ(0u, CountRequests("GET", "/setup.exe"));
    EXPECT_EQ(std::vector<UINT>{WM_CRM_UPLOADED}, dialogs.progressMessages);
    EXPECT_EQ(0u, host.CountOf("GetShowInstallDialog"));
}

TEST_P(Workflow, CancelDuringTransferStopsItWithFifteen)
{
    // A large answer that stalls after its first 64 KiB until the cancel was
    // pressed (with worker threads); on the calling thread the receiver's
    // message pump delivers the click between two blocks.
    const unsigned long long size = 4 * 65536 + 100;
    server.Route("/update", HttpResponse::Ok(zvtest::PatchDocument("http://127.0.0.1/setup.exe", size)));
    HttpResponse answer = HttpResponse::Pattern(size);
    if (GetParam())
        answer.StallAfter(65536);
    server.Route("/setup.exe", answer);
    dialogs.prepareProgress = [&](zvtest::ProgressStandIn& dialog) {
        dialog.onFirstProgress = [&dialog, this] {
            dialog.PressCancel();
            server.ReleaseStalls();
        };
    };
    int result = 0;
    {
        CUpdater updater(&host, &dialogs);
        result = updater.Run(1);
    }
    EXPECT_EQ(ZVAU_RESULT_TRANSFER_CANCELLED, result);
    EXPECT_EQ(2, dialogs.progressResult);
    EXPECT_TRUE(dialogs.fileChecked.empty());
    EXPECT_LT(zvtest::FileSize(InstallerPath()), static_cast<long long>(size));
    EXPECT_TRUE(host.Installers().empty());
}

TEST_P(Workflow, CancelDuringCheckEndsWithTwelveAndNoInstallStage)
{
    ServeInstaller(L"signed-valid.exe");
    zvtest::ProgressStandIn* progress = nullptr;
    dialogs.prepareProgress = [&](zvtest::ProgressStandIn& dialog) { progress = &dialog; };
    host.onLog = [&](const std::wstring& line) {
        if (line == kStartCheck && progress)
            PressCancelFrom(*progress);
    };
    int result = 0;
    {
        CUpdater updater(&host, &dialogs);
        result = updater.Run(1);
    }
    EXPECT_EQ(ZVAU_RESULT_CANCELLED_DURING_CHECK, result);
    EXPECT_EQ(1, dialogs.progressResult);
    EXPECT_EQ(0, dialogs.installRuns);
    EXPECT_EQ(0u, host.CountOf("GetShowInstallDialog"));
    // The check itself ran to its end and may have handed the file over.
    EXPECT_EQ(std::vector<WPARAM>{1}, dialogs.fileChecked);
}

TEST_P(Workflow, FailedDownloadEndsWithFifteen)
{
    ServeInstaller(L"signed-valid.exe");
    server.Route("/setup.exe", HttpResponse::NotFound());
    CUpdater updater(&host, &dialogs);
    EXPECT_EQ(ZVAU_RESULT_TRANSFER_CANCELLED, updater.Run(1));
    EXPECT_EQ(2, dialogs.progressResult);
    EXPECT_EQ(0, dialogs.installRuns);
}

// ---- Keep-alive through the workflow -----------------------------------

TEST_P(Workflow, UpdateDialogClosedDuringTheCheckWaitsForIt)
{
    ServeInstaller(L"signed-valid.exe");
    dialogs.closeUpdateAtOnce = true;
    host.onLog = [](const std::wstring&) { Sleep(100); };
    int result = 0;
    {
        CUpdater updater(&host, &dialogs);
        result = updater.Run(1);
    }
    const size_t callsAtEnd = host.CallCount();
    EXPECT_EQ(1, result);
    EXPECT_EQ(0, dialogs.progressRuns);
    // The check finished (it told the host the version) before the updater
    // was gone, and its release notes went with the updater.
    EXPECT_EQ(1u, host.CountOf("SetNewVersion"));
    EXPECT_FALSE(zvtest::FileExists(folder.File(L"result.html")));
    Sleep(300);
    EXPECT_EQ(callsAtEnd, host.CallCount());
}

INSTANTIATE_TEST_SUITE_P(Threads, Workflow, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "WorkerThreads" : "CallingThread";
                         });

} // namespace
