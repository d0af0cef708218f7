// CUpdater without port 80: the shared send flag, the progress receiver, the
// updater's lifecycle and process-wide state, the job plumbing (threads,
// contexts, messages, keep-alive) and the silent action 1.
#include "ZvAutoUpdate.h"
#include "http/TestFiles.h"
#include "support/LoopbackHttpServer.h"
#include "support/Threads.h"
#include "toolkit/GdiPlusSession.h"
#include "update/States.h"
#include "update/StandInDialogs.h"
#include "update/UpdateTestHelpers.h"
#include "update/Updater.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <vector>

namespace {

using zvtest::HookedHost;
using zvtest::HttpResponse;
using zvtest::LoopbackHttpServer;

// ---- Shared send flag ---------------------------------------------------

TEST(SharedSendFlag, FirstAccessCreatesOneObjectWithTheFlagSet)
{
    Singleton<CStates>::Release();
    ASSERT_FALSE(Singleton<CStates>::Exists());
    {
        Singleton<CStates>::Ref first = Singleton<CStates>::Access();
        Singleton<CStates>::Ref second = Singleton<CStates>::Access();
        ASSERT_TRUE(first);
        EXPECT_EQ(first.Get(), second.Get());
        EXPECT_TRUE(first->GetSendCRMData());
        // The holder's reference and the two handed out.
        EXPECT_EQ(3, first.UseCount());
        first->SetSendCRMData(false);
        EXPECT_FALSE(second->GetSendCRMData());
    }
    EXPECT_EQ(1, Singleton<CStates>::Access().UseCount() - 1);
    Singleton<CStates>::Release();
    EXPECT_FALSE(Singleton<CStates>::Exists());
}

TEST(SharedSendFlag, ReleaseStartsAfreshWhileOldReferencesStayValid)
{
    Singleton<CStates>::Ref old = Singleton<CStates>::Access();
    old->SetSendCRMData(false);
    Singleton<CStates>::Release();
    EXPECT_FALSE(Singleton<CStates>::Exists());
    // The old reference still owns its object.
    EXPECT_EQ(1, old.UseCount());
    EXPECT_FALSE(old->GetSendCRMData());

    Singleton<CStates>::Ref fresh = Singleton<CStates>::Access();
    EXPECT_NE(old.Get(), fresh.Get());
    EXPECT_TRUE(fresh->GetSendCRMData());
    Singleton<CStates>::Release();
    EXPECT_EQ(1, fresh.UseCount());
    // Releasing twice is harmless.
    Singleton<CStates>::Release();
}

TEST(SharedSendFlag, ConcurrentFirstAccessesAgreeOnOneObject)
{
    // Bounded: 40 rounds of 8 threads racing for the first access.
    for (int round = 0; round < 40; ++round) {
        Singleton<CStates>::Release();
        HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::vector<CStates*> seen(8, nullptr);
        std::vector<HANDLE> threads;
        for (int i = 0; i < 8; ++i) {
            threads.push_back(zvtest::StartThread([&, i] {
                WaitForSingleObject(go, INFINITE);
                Singleton<CStates>::Ref ref = Singleton<CStates>::Access();
                seen[i] = ref.Get();
            }));
        }
        SetEvent(go);
        WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
        for (HANDLE thread : threads)
            CloseHandle(thread);
        CloseHandle(go);
        std::set<CStates*> distinct(seen.begin(), seen.end());
        ASSERT_EQ(1u, distinct.size()) << "round " << round;
        ASSERT_NE(nullptr, *distinct.begin());
        ASSERT_EQ(1, Singleton<CStates>::Access().UseCount() - 1) << "references leaked in round " << round;
    }
    Singleton<CStates>::Release();
}

// ---- Progress receiver --------------------------------------------------

// A window on this thread that counts what reaches it.
class CountingWindow : public zvtest::StandInWindow {
public:
    std::vector<std::pair<UINT, std::pair<WPARAM, LPARAM>>> received;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        received.push_back({message, {wParam, lParam}});
        return true;
    }
};

void DrainQueue()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

TEST(ProgressReceiver, PostsTheLow32BitsToTheDialog)
{
    CountingWindow dialog;
    CUpdater::CProgressReceiver receiver(dialog.Window());
    receiver.OnDownloadProgress(0x123456789LL);
    receiver.OnDownloadProgress(65536);
    DrainQueue();
    ASSERT_EQ(2u, dialog.received.size());
    EXPECT_EQ(WM_DOWNLOAD_PROGRESS, dialog.received[0].first);
    EXPECT_EQ(0x23456789u, dialog.received[0].second.first);
    EXPECT_EQ(0, dialog.received[0].second.second);
    EXPECT_EQ(65536u, dialog.received[1].second.first);
}

TEST(ProgressReceiver, ServesTheQueueBeforePostingAndWithoutDialogOnlyServes)
{
    CountingWindow other;
    PostMessageW(other.Window(), WM_USER + 77, 5, 6);
    CUpdater::CProgressReceiver receiver(nullptr);
    receiver.OnDownloadProgress(10);
    // The waiting message was dispatched inside the call, and nothing else
    // was posted anywhere on this thread.
    ASSERT_EQ(1u, other.received.size());
    EXPECT_EQ(WM_USER + 77u, other.received[0].first);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));

    CountingWindow dialog;
    PostMessageW(other.Window(), WM_USER + 78, 0, 0);
    CUpdater::CProgressReceiver toDialog(dialog.Window());
    toDialog.OnDownloadProgress(11);
    // The earlier message was served first; the progress report waits.
    EXPECT_EQ(2u, other.received.size());
    EXPECT_TRUE(dialog.received.empty());
    DrainQueue();
    ASSERT_EQ(1u, dialog.received.size());
}

TEST(ProgressReceiver, LeavesQuitForTheOuterLoop)
{
    PostQuitMessage(7);
    CUpdater::CProgressReceiver receiver(nullptr);
    receiver.OnDownloadProgress(1);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, msg.wParam);
}

TEST(ProgressReceiver, AnswersFromTheCancelFlagAndTellsTheHostNothing)
{
    zvtest::RecordingHost host;
    CUpdater updater(&host);
    CUpdater::CProgressReceiver receiver(nullptr);
    EXPECT_FALSE(receiver.IsCancelRequested());
    updater.Cancel(kCancelWhileRunning);
    EXPECT_TRUE(receiver.IsCancelRequested());

    EXPECT_EQ(nullptr, receiver.GetCRMDataFile(1));
    EXPECT_EQ(nullptr, receiver.GetProgram());
    EXPECT_EQ(nullptr, receiver.GetUpdateURL());
    EXPECT_EQ(nullptr, receiver.GetProgramLanguage());
    EXPECT_EQ(nullptr, receiver.GetProgramVersion());
    EXPECT_EQ(nullptr, receiver.GetSerialNumber());
    receiver.AddInstallerFile(L"x", 1);
    receiver.Log(L"x");
    receiver.SetDownloadSize(100); // interface default: nothing
    EXPECT_EQ(0u, host.CallCount());
}

// ---- Lifecycle and process-wide state ----------------------------------

TEST(UpdaterState, EachRunStartsUncancelled)
{
    zvtest::RecordingHost first, second;
    {
        CUpdater updater(&first);
        updater.Cancel(kCancelGiveUp);
        EXPECT_TRUE(updater.IsCancelled());
    }
    CUpdater next(&second);
    EXPECT_FALSE(next.IsCancelled());
    EXPECT_EQ(0u, first.CallCount() + second.CallCount());
}

TEST(UpdaterState, DestructorEndsGdiPlusAndReleasesTheSendFlag)
{
    zvtest::RecordingHost host;
    ASSERT_TRUE(zvlibs::graphics::GdiPlusToken().IsStarted());
    {
        CUpdater updater(&host);
        Singleton<CStates>::Access()->SetSendCRMData(false);
        EXPECT_TRUE(Singleton<CStates>::Exists());
    }
    EXPECT_FALSE(zvlibs::graphics::HasGdiPlusToken());
    EXPECT_FALSE(Singleton<CStates>::Exists());
    EXPECT_TRUE(Singleton<CStates>::Access()->GetSendCRMData());
    Singleton<CStates>::Release();

    // Without a token the destructor has nothing to end.
    { CUpdater updater(&host); }
    EXPECT_FALSE(zvlibs::graphics::HasGdiPlusToken());
}

TEST(UpdaterRun, ArgumentsAndActionsOutsideTheWorkflow)
{
    CUpdater noConfiguration(nullptr);
    EXPECT_EQ(3, noConfiguration.Run(1));
    EXPECT_EQ(3, noConfiguration.Run(2));

    zvtest::RecordingHost host;
    CUpdater updater(&host);
    EXPECT_EQ(1, updater.Run(3));
    EXPECT_EQ(1, updater.Run(0));
    EXPECT_EQ(0u, host.CallCount());

    // No customer-data file: one question, no network, 11.
    EXPECT_EQ(11, updater.Run(2));
    EXPECT_EQ(std::vector<std::string>{"GetCRMDataFile"}, host.Operations());
    EXPECT_EQ(L"1", host.Calls()[0].arguments);
}

// Dialogs that answer at once with fixed results; -1 is a dialog whose
// template could not be found.
class ScriptedDialogs : public CWorkflowDialogs {
public:
    ScriptedDialogs(int update, int progress, int install) : m_update(update), m_progress(progress), m_install(install)
    {
    }
    int runs = 0;
    int RunUpdateDialog(ZvAutoUpdate::CUpdateConfiguration2*, CWorkflowJobs&, HWND, UpdateChoice&) override
    {
        ++runs;
        return m_update;
    }
    int RunProgressDialog(ZvAutoUpdate::CUpdateConfiguration2*, CWorkflowJobs&, HWND) override
    {
        ++runs;
        return m_progress;
    }
    int RunInstallDialog(ZvAutoUpdate::CUpdateConfiguration2*, HWND) override
    {
        ++runs;
        return m_install;
    }

private:
    int m_update, m_progress, m_install;
};

std::vector<std::string> WithoutLog(const std::vector<std::string>& operations)
{
    std::vector<std::string> kept;
    for (const std::string& op : operations)
        if (op != "Log")
            kept.push_back(op);
    return kept;
}

TEST(UpdaterRun, UpdateDialogThatCannotBeCreatedMeansDeclined)
{
    zvtest::RecordingHost host;
    host.settings.sendCRMData = false;
    ScriptedDialogs dialogs(-1, 1, 8);
    CUpdater updater(&host, &dialogs);
    EXPECT_EQ(1, updater.Run(1));
    EXPECT_EQ(1, dialogs.runs);
    std::vector<std::string> expected = {"GetShowUpdateDialog", "GetSendCRMData", "GetParentWindow",
                                         "SetShowUpdateDialog"};
    EXPECT_EQ(expected, WithoutLog(host.Operations()));
    // A box that was never shown counts as not ticked.
    EXPECT_EQ(L"1", zvtest::ArgumentsOf(host.Calls(), "SetShowUpdateDialog"));
}

TEST(UpdaterRun, ProgressDialogThatCannotBeCreatedOffersNoInstall)
{
    // Nothing was downloaded: the cancel path's 15, no install stage.
    zvtest::RecordingHost host;
    ScriptedDialogs dialogs(0, -1, 8);
    CUpdater updater(&host, &dialogs);
    EXPECT_EQ(15, updater.Run(1));
    EXPECT_EQ(2, dialogs.runs);
    EXPECT_EQ(0u, host.CountOf("GetShowInstallDialog"));
}

TEST(UpdaterRun, InstallDialogThatCannotBeCreatedMeansDoNotInstall)
{
    zvtest::RecordingHost host;
    ScriptedDialogs dialogs(0, 1, -1);
    CUpdater updater(&host, &dialogs);
    EXPECT_EQ(7, updater.Run(1));
    EXPECT_EQ(3, dialogs.runs);
    std::vector<std::string> expected = {"GetShowUpdateDialog", "GetSendCRMData",     "GetParentWindow",
                                         "SetShowUpdateDialog", "IsCRMUploadOffered", "SetSendCRMData",
                                         "GetShowInstallDialog"};
    EXPECT_EQ(expected, WithoutLog(host.Operations()));
}

TEST(UpdaterRun, ProgressCancelPathOverridesAnEarlierCancelCode)
{
    // The progress dialog recorded 12 and then ended through its cancel
    // path: the run ends with 15.
    class CancellingDialogs : public ScriptedDialogs {
    public:
        CancellingDialogs() : ScriptedDialogs(0, 2, 8) {}
        int RunProgressDialog(ZvAutoUpdate::CUpdateConfiguration2* c, CWorkflowJobs& workflow, HWND owner) override
        {
            workflow.Cancel(kCancelWhileRunning);
            return ScriptedDialogs::RunProgressDialog(c, workflow, owner);
        }
    };
    zvtest::RecordingHost host;
    CancellingDialogs dialogs;
    CUpdater updater(&host, &dialogs);
    EXPECT_EQ(15, updater.Run(1));
}

TEST(UpdaterRun, ShowUpdateDialogCountsOnlyExactlyOne)
{
    // A byte of 2 is not "yes" here: the silent check runs (against a closed
    // port, so it finds nothing).
    HookedHost host;
    host.settings.updateURL = L"http://127.0.0.1:9/update";
    host.showUpdateDialogByte = 2;
    EXPECT_EQ(1, DoAction(&host, 1));
    EXPECT_EQ(0u, host.CountOf("GetParentWindow"));
    EXPECT_EQ(1u, host.CountOf("SetNewVersion"));
    EXPECT_EQ(L"0.0.0.0", host.NewVersion().value_or(L"(none)"));
}

TEST(UpdaterRun, UseWorkerThreadsCountsAnyNonZeroByte)
{
    HookedHost host;
    host.settings.updateURL = L"http://127.0.0.1:9/update";
    host.settings.showUpdateDialog = false;
    host.useWorkerThreadsByte = 2;
    EXPECT_EQ(1, DoAction(&host, 1));
    // The check's calls came from another thread.
    const DWORD self = GetCurrentThreadId();
    bool otherThread = false;
    for (const zvtest::HostCall& call : host.Calls())
        otherThread |= call.operation == "GetUpdateURL" && call.threadId != self;
    EXPECT_TRUE(otherThread);
}

// ---- Jobs: contexts, threads, messages ----------------------------------

// Runs a job starter and waits for the job's message on this thread.
class JobWindow : public zvtest::StandInWindow {
public:
    std::vector<UINT> received;
    std::vector<std::pair<WPARAM, LPARAM>> parameters;
    UINT awaited = 0;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        received.push_back(message);
        parameters.push_back({wParam, lParam});
        if (message == awaited)
            End(0);
        return true;
    }
};

TEST(Jobs, WithoutContextNothingHappens)
{
    EXPECT_EQ(0u, CUpdater::ThreadCheck(nullptr));
    EXPECT_EQ(0u, CUpdater::ThreadCRMUpload(nullptr));
    EXPECT_EQ(0u, CUpdater::ThreadDownload(nullptr));
    EXPECT_EQ(0u, CUpdater::ThreadFileCheck(nullptr));
}

TEST(Jobs, UploadJobReportsEvenWhenItSendsNothing)
{
    for (bool workers : {true, false}) {
        SCOPED_TRACE(workers ? "worker threads" : "calling thread");
        zvtest::RecordingHost host;
        host.settings.useWorkerThreads = workers;
        host.settings.crmUploadFile.reset();
        CUpdater updater(&host);
        JobWindow window;
        window.awaited = WM_CRM_UPLOADED;
        updater.StartUploadJob(window.Window());
        EXPECT_EQ(0, window.RunModal());
        EXPECT_EQ(std::vector<UINT>{WM_CRM_UPLOADED}, window.received);
        // The send flag was set (fresh), the host named no file: no log line.
        EXPECT_EQ(1u, host.CountOf("GetCRMDataFile"));
        EXPECT_EQ(0u, host.CountOf("Log"));
        const DWORD self = GetCurrentThreadId();
        for (const zvtest::HostCall& call : host.Calls()) {
            if (call.operation == "GetCRMDataFile") {
                EXPECT_EQ(workers, call.threadId != self);
            }
        }
    }
}

TEST(Jobs, UploadJobSkipsWhenCancelledOrNotWanted)
{
    zvtest::TempFolder folder;
    zvtest::RecordingHost host;
    host.settings.crmUploadFile = folder.File(L"crm.zip");
    ASSERT_TRUE(zvtest::WriteFileBytes(*host.settings.crmUploadFile, "abc"));
    {
        CUpdater updater(&host);
        Singleton<CStates>::Access()->SetSendCRMData(false);
        JobWindow window;
        window.awaited = WM_CRM_UPLOADED;
        updater.StartUploadJob(window.Window());
        window.RunModal();
        EXPECT_EQ(std::vector<std::string>{"GetUseWorkerThreads"}, host.Operations());
    }
    host.ClearCalls();
    {
        CUpdater updater(&host);
        updater.Cancel(kCancelWhileRunning);
        JobWindow window;
        window.awaited = WM_CRM_UPLOADED;
        updater.StartUploadJob(window.Window());
        window.RunModal();
        EXPECT_EQ(std::vector<std::string>{"GetUseWorkerThreads"}, host.Operations());
        EXPECT_EQ(std::vector<UINT>{WM_CRM_UPLOADED}, window.received);
    }
    EXPECT_TRUE(zvtest::FileExists(*host.settings.crmUploadFile));
}

TEST(Jobs, FileCheckAfterCancelChecksNothingAndReportsZero)
{
    zvtest::RecordingHost host;
    CUpdater updater(&host);
    updater.Cancel(kCancelWhileRunning);
    JobWindow window;
    window.awaited = WM_FILE_CHECKED;
    updater.StartFileCheckJob(window.Window());
    window.RunModal();
    ASSERT_EQ(1u, window.parameters.size());
    EXPECT_EQ(0u, window.parameters[0].first);
    EXPECT_EQ(0u, host.CountOf("Log"));
    EXPECT_EQ(0u, host.CountOf("AddInstallerFile"));
}

TEST(Jobs, DownloadWithoutConfigurationReportsFailure)
{
    CUpdater updater(nullptr);
    JobWindow window;
    window.awaited = WM_DOWNLOAD_DONE;
    updater.StartDownloadJob(window.Window());
    window.RunModal();
    ASSERT_EQ(1u, window.parameters.size());
    EXPECT_EQ(0, window.parameters[0].second);
}

TEST(Jobs, DownloadFailureReportsZeroAndStoresThePath)
{
    // No patch record yet: the download address is empty and the transfer
    // fails; the path is stored all the same.
    zvtest::TempFolder folder;
    zvtest::RecordingHost host;
    host.settings.downloadFolder = folder.Path();
    host.settings.installerFileName = L"Setup.exe";
    CUpdater updater(&host);
    JobWindow window;
    window.awaited = WM_DOWNLOAD_DONE;
    updater.StartDownloadJob(window.Window());
    window.RunModal();
    ASSERT_EQ(1u, window.parameters.size());
    EXPECT_EQ(0, window.parameters[0].second);
    // The host hears nothing of an interactive download.
    EXPECT_EQ(0u, host.CountOf("SetDownloadSize") + host.CountOf("OnDownloadProgress") + host.CountOf("Log"));
}

// ---- Keep-alive ---------------------------------------------------------

TEST(KeepAlive, DestructorWaitsForAJobWhoseDialogClosedEarly)
{
    // The upload job runs against an unreachable redirect address and its
    // host logs slowly; its window is gone before the job reports.
    zvtest::TempFolder folder;
    HookedHost host;
    host.settings.crmRedirectURL = L"http://127.0.0.1:9/redirect";
    host.settings.crmUploadFile = folder.File(L"crm.zip");
    ASSERT_TRUE(zvtest::WriteFileBytes(*host.settings.crmUploadFile, "abc"));
    host.onLog = [](const std::wstring&) { Sleep(150); };

    size_t callsAtEnd = 0;
    {
        CUpdater updater(&host);
        zvtest::ProgressStandIn dialog(updater);
        dialog.closeAtOnce = true;
        EXPECT_EQ(2, dialog.RunModal());
    }
    callsAtEnd = host.CallCount();
    // The job had finished when the updater was gone...
    std::vector<std::wstring> lines = host.LogLines();
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(L"CUpdater::ThreadCRMUpload(): start uploading CRM data.", lines[0]);
    EXPECT_EQ(L"Unable to redirect path", lines[1]);
    EXPECT_EQ(L"CUpdater::ThreadCRMUpload(): finished uploading CRM data.", lines[2]);
    // ...and nothing reaches the host afterwards.
    Sleep(300);
    EXPECT_EQ(callsAtEnd, host.CallCount());
}

TEST(KeepAlive, WaitingServesMessagesSentToTheCallingThread)
{
    // A host that answers a job's log line by SendMessage to a window of the
    // thread that is destroying the updater: the wait must serve it.
    zvtest::TempFolder folder;
    HookedHost host;
    host.settings.crmRedirectURL = L"http://127.0.0.1:9/redirect";
    host.settings.crmUploadFile = folder.File(L"crm.zip");
    ASSERT_TRUE(zvtest::WriteFileBytes(*host.settings.crmUploadFile, "abc"));
    CountingWindow hostWindow;
    HWND target = hostWindow.Window();
    host.onLog = [target](const std::wstring&) {
        Sleep(50);
        SendMessageW(target, WM_USER + 9, 0, 0);
    };
    {
        CUpdater updater(&host);
        zvtest::ProgressStandIn dialog(updater);
        dialog.closeAtOnce = true;
        dialog.RunModal();
    }
    EXPECT_EQ(3u, hostWindow.received.size());
    EXPECT_EQ(3u, host.LogLines().size());
}

// ---- Silent action 1 ------------------------------------------------------

class SilentCheck : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.IsRunning()) << server.Error();
        host.settings.showUpdateDialog = false;
        host.settings.useWorkerThreads = GetParam();
        host.settings.updateURL = server.Url("/update");
        host.settings.downloadFolder = folder.Path();
    }

    LoopbackHttpServer server;
    zvtest::TempFolder folder;
    HookedHost host;
};

TEST_P(SilentCheck, OfferedPatchIsReportedAndTheResultIsOne)
{
    server.Route("/update", HttpResponse::Ok(zvtest::PatchDocument(
                                "http://127.0.0.1/setup.exe", 123456, "2.5.0.1", 3)));
    // While the run is on, the release notes file exists.
    bool notesExisted = false;
    host.onSetNewVersion = [&] {
        if (host.ReleaseNotesFile())
            notesExisted |= zvtest::FileExists(*host.ReleaseNotesFile());
    };

    EXPECT_EQ(1, DoAction(&host, 1));

    EXPECT_EQ(1u, server.RequestCount());
    std::vector<zvtest::HostCall> calls = host.Calls();
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ("GetShowUpdateDialog", calls[0].operation);
    EXPECT_EQ("GetSendCRMData", calls[1].operation);
    EXPECT_EQ("GetUseWorkerThreads", calls[2].operation);
    EXPECT_EQ(1u, host.CountOf("GetUseWorkerThreads"));

    const int notes = zvtest::IndexOf(calls, "SetReleaseNotesFile");
    ASSERT_GE(notes, 0);
    EXPECT_EQ(folder.File(L"result.html"), calls[notes].arguments);
    ASSERT_EQ("SetNewVersion", calls[notes + 1].operation);
    EXPECT_EQ(L"2.5.0.1", calls[notes + 1].arguments);
    ASSERT_EQ("SetDownloadSize", calls[notes + 2].operation);
    EXPECT_EQ(L"123456", calls[notes + 2].arguments);
    // Once more at the end, from the calling thread.
    EXPECT_EQ("SetNewVersion", calls.back().operation);
    EXPECT_EQ(L"2.5.0.1", calls.back().arguments);
    EXPECT_EQ(GetCurrentThreadId(), calls.back().threadId);
    EXPECT_EQ(2u, host.CountOf("SetNewVersion"));
    EXPECT_EQ(GetParam(), calls[notes].threadId != GetCurrentThreadId());

    // No dialog, no upload, no download.
    EXPECT_EQ(0u, host.CountOf("GetParentWindow") + host.CountOf("GetCRMDataFile") +
                      host.CountOf("AddInstallerFile") + host.CountOf("SetShowUpdateDialog"));
    EXPECT_TRUE(notesExisted);
    EXPECT_FALSE(zvtest::FileExists(folder.File(L"result.html")));
    EXPECT_FALSE(zvtest::FileExists(folder.File(L"result.xml")));
}

TEST_P(SilentCheck, NothingFoundReportsVersionZero)
{
    server.Route("/update", HttpResponse::NotFound());
    EXPECT_EQ(1, DoAction(&host, 1));
    EXPECT_EQ(1u, host.CountOf("SetNewVersion"));
    EXPECT_EQ(L"0.0.0.0", host.NewVersion().value_or(L"(none)"));
    EXPECT_EQ(0u, host.CountOf("SetReleaseNotesFile") + host.CountOf("SetDownloadSize"));
    EXPECT_EQ("SetNewVersion", host.Operations().back());
}

TEST_P(SilentCheck, UnusablePatchIsNotOffered)
{
    // No download address: the answer is not a usable patch. The record still
    // holds the version that the document named.
    server.Route("/update", HttpResponse::Ok(zvtest::PatchDocument("", 100, "3.0.0.0")));
    EXPECT_EQ(1, DoAction(&host, 1));
    EXPECT_EQ(0u, host.CountOf("SetReleaseNotesFile") + host.CountOf("SetDownloadSize"));
    EXPECT_EQ(1u, host.CountOf("SetNewVersion"));
    EXPECT_EQ(L"3.0.0.0", host.NewVersion().value_or(L"(none)"));
    EXPECT_FALSE(zvtest::FileExists(folder.File(L"result.xml")));
}

INSTANTIATE_TEST_SUITE_P(Threads, SilentCheck, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "WorkerThreads" : "CallingThread";
                         });

} // namespace
