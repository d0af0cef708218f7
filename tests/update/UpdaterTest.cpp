// CUpdater with dialogs that answer at once: what the workflow makes of the
// dialogs' results, the byte answers it reads, the shared send flag, the
// lifetime of a job whose dialog closed early, and the silent action 1. The
// real dialogs run in tests/dialogs/InteractiveUpdateTest.cpp.
#include "ZvAutoUpdate.h"
#include "support/Files.h"
#include "support/LoopbackHttpServer.h"
#include "support/Threads.h"
#include "update/States.h"
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

// Dialogs that answer at once with fixed results (-1: could not be shown).
// The progress dialog may start a job on its way and return before it ends.
class ScriptedDialogs : public CWorkflowDialogs {
public:
    int update = 0, progress = 1, install = 8;
    UpdateChoice choice{false, true};
    std::function<void(CWorkflowJobs&)> duringProgress;
    std::string shown;

    int RunUpdateDialog(ZvAutoUpdate::CUpdateConfiguration2*, CWorkflowJobs&, HWND, UpdateChoice& out) override
    {
        shown += "U";
        out = choice;
        return update;
    }
    int RunProgressDialog(ZvAutoUpdate::CUpdateConfiguration2*, CWorkflowJobs& jobs, HWND) override
    {
        shown += "P";
        if (duringProgress)
            duringProgress(jobs);
        return progress;
    }
    int RunInstallDialog(ZvAutoUpdate::CUpdateConfiguration2*, HWND) override
    {
        shown += "I";
        return install;
    }
};

// The paths the real dialogs cannot take on demand (a dialog that cannot be
// shown, a cancel recorded at a given moment) and the stored choices; the
// common paths run with the real dialogs in InteractiveUpdateTest.
TEST(Workflow, DialogResultsDecideTheRunAndTheStoredChoices)
{
    struct Row {
        const char* name;
        int update, progress, install;
        bool dontShowAgain, send, offered, installDialog;
        ECancelCode cancel; // 0: none recorded while the progress dialog runs
        int result;
        const char* shown;
        const wchar_t* showArgument; // SetShowUpdateDialog
        const wchar_t* sendArgument; // SetSendCRMData
    } rows[] = {
        {"declined, don't show again", 1, 1, 8, true, true, true, true, ECancelCode(0), 1, "U", L"0", L"(no call)"},
        {"update dialog not shown", -1, 1, 8, false, true, true, true, ECancelCode(0), 1, "U", L"1", L"(no call)"},
        {"install later, send box cleared", 0, 1, 9, false, false, true, true, ECancelCode(0), 9, "UPI", L"1", L"0"},
        {"install dialog not shown", 0, 1, -1, false, true, true, true, ECancelCode(0), 7, "UPI", L"1", L"1"},
        {"upload not offered", 0, 1, 8, false, false, false, true, ECancelCode(0), 8, "UPI", L"1", L"(no call)"},
        {"cancelled, then cancel path", 0, 2, 8, false, true, true, true, kCancelWhileRunning, 15, "UP", L"1", L"1"},
        {"progress not shown", 0, -1, 8, false, true, true, true, ECancelCode(0), 15, "UP", L"1", L"1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        zvtest::RecordingHost host;
        host.settings.crmUploadOffered = row.offered;
        host.settings.showInstallDialog = row.installDialog;
        ScriptedDialogs dialogs;
        dialogs.update = row.update;
        dialogs.progress = row.progress;
        dialogs.install = row.install;
        dialogs.choice = {row.dontShowAgain, row.send};
        if (row.cancel)
            dialogs.duringProgress = [&](CWorkflowJobs& jobs) { jobs.Cancel(row.cancel); };
        CUpdater updater(&host, &dialogs);
        EXPECT_EQ(row.result, updater.Run(1));
        EXPECT_EQ(row.shown, dialogs.shown);
        EXPECT_EQ(row.showArgument, zvtest::ArgumentsOf(host.Calls(), "SetShowUpdateDialog"));
        EXPECT_EQ(row.sendArgument, zvtest::ArgumentsOf(host.Calls(), "SetSendCRMData"));
    }
}

// Hosts built by other compilers may answer a bool with any byte: the
// dialogs count only 1, worker threads any non-zero byte.
TEST(Workflow, BoolAnswersAreReadAsBytes)
{
    for (unsigned char byte : {1, 2}) {
        HookedHost host;
        host.settings.updateURL = L"http://127.0.0.1:9/update";
        host.boolByte = byte;
        ScriptedDialogs dialogs;
        dialogs.update = 1;
        CUpdater updater(&host, &dialogs);
        EXPECT_EQ(1, updater.Run(1));
        EXPECT_EQ(byte == 1 ? "U" : "", dialogs.shown) << int(byte);
        bool otherThread = false;
        for (const zvtest::HostCall& call : host.Calls())
            otherThread |= call.operation == "GetUpdateURL" && call.threadId != GetCurrentThreadId();
        EXPECT_EQ(byte == 2, otherThread) << "the silent check runs on a worker thread";
    }
}

TEST(Workflow, WithoutAConfigurationOrACustomerDataFileNothingHappens)
{
    EXPECT_EQ(3, CUpdater(nullptr).Run(1));
    zvtest::RecordingHost host;
    host.settings.crmUploadFile.reset();
    EXPECT_EQ(11, CUpdater(&host).Run(2)); // one question, no network
    EXPECT_EQ(std::vector<std::string>{"GetCRMDataFile"}, host.Operations());
}

// ---- Shared send flag -----------------------------------------------------

TEST(SharedSendFlag, ConcurrentFirstAccessesShareOneObjectAndARunStartsAfresh)
{
    for (int round = 0; round < 20; ++round) {
        Singleton<CStates>::Release();
        std::vector<CStates*> seen(6, nullptr);
        std::vector<HANDLE> threads;
        for (int i = 0; i < 6; ++i)
            threads.push_back(zvtest::StartThread([&seen, i] { seen[i] = Singleton<CStates>::Access().Get(); }));
        WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
        for (HANDLE thread : threads)
            CloseHandle(thread);
        ASSERT_EQ(1u, std::set<CStates*>(seen.begin(), seen.end()).size()) << "round " << round;
    }
    Singleton<CStates>::Ref old = Singleton<CStates>::Access();
    old->SetSendCRMData(false);
    { CUpdater run(nullptr); } // releases the flag when it ends
    EXPECT_FALSE(old->GetSendCRMData()); // a reference still held stays valid
    EXPECT_TRUE(Singleton<CStates>::Access()->GetSendCRMData());
    Singleton<CStates>::Release();
}

// ---- Jobs ------------------------------------------------------------------

// A dialog may close while its job runs: the run waits for the job before it
// ends, and while it waits it serves what the host sends to its thread.
TEST(Jobs, TheRunWaitsForAJobWhoseDialogClosedEarly)
{
    zvtest::TempFolder folder;
    HookedHost host;
    host.settings.crmRedirectURL = L"http://127.0.0.1:9/redirect";
    host.settings.crmUploadFile = folder.Path(L"crm.zip");
    ASSERT_TRUE(zvtest::WriteFileBytes(*host.settings.crmUploadFile, "abc"));
    const HWND hostWindow = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    std::atomic<size_t> served{0};
    host.onLog = [&](const std::wstring&) {
        Sleep(100);
        DWORD_PTR ignored = 0;
        served += SendMessageTimeoutW(hostWindow, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored) != 0;
    };
    ScriptedDialogs dialogs;
    dialogs.progress = 2;
    dialogs.duringProgress = [](CWorkflowJobs& jobs) { jobs.StartUploadJob(nullptr); };
    {
        CUpdater updater(&host, &dialogs);
        EXPECT_EQ(15, updater.Run(1));
    }
    const std::vector<std::wstring> lines = host.LogLines();
    ASSERT_LE(2u, lines.size());
    EXPECT_EQ(L"CUpdater::ThreadCRMUpload(): start uploading CRM data.", lines.front());
    EXPECT_EQ(L"CUpdater::ThreadCRMUpload(): finished uploading CRM data.", lines.back());
    EXPECT_EQ(lines.size(), served.load()) << "a message the host sent was not served";
    DestroyWindow(hostWindow);
    const size_t calls = host.CallCount();
    Sleep(300);
    EXPECT_EQ(calls, host.CallCount()) << "the job went on after the run";
}

TEST(Jobs, ASignatureCheckAfterACancelChecksNothing)
{
    zvtest::RecordingHost host;
    ScriptedDialogs dialogs;
    dialogs.progress = 2;
    dialogs.duringProgress = [](CWorkflowJobs& jobs) {
        jobs.Cancel(kCancelWhileRunning);
        jobs.StartFileCheckJob(nullptr);
    };
    {
        CUpdater updater(&host, &dialogs);
        updater.Run(1);
    }
    for (const std::wstring& line : host.LogLines())
        EXPECT_EQ(std::wstring::npos, line.find(L"ThreadFileCheck")) << std::string(line.begin(), line.end());
    EXPECT_EQ(0u, host.CountOf("AddInstallerFile"));
}

// ---- Silent action 1 ---------------------------------------------------------

class SilentCheck : public ::testing::TestWithParam<bool> {};

// An offer is reported from the check and once more at the end; a document
// without a usable patch gives its version, no answer gives 0.0.0.0.
TEST_P(SilentCheck, TheOfferedVersionIsReportedAndTheFilesAreGone)
{
    LoopbackHttpServer server;
    ASSERT_TRUE(server.IsRunning()) << server.Error();
    zvtest::TempFolder folder;
    HookedHost host;
    host.settings.showUpdateDialog = false;
    host.settings.useWorkerThreads = GetParam();
    host.settings.updateURL = server.Url("/update");
    host.settings.downloadFolder = folder.Path();
    server.Route("/update", HttpResponse::Ok(zvtest::PatchDocument("http://127.0.0.1/setup.exe", 123456)));
    bool notesExisted = false;
    host.onSetNewVersion = [&] { notesExisted |= zvtest::FileExists(folder.Path(L"result.html")); };
    EXPECT_EQ(1, DoAction(&host, 1));
    const std::vector<zvtest::HostCall> calls = host.Calls();
    size_t notes = 0;
    while (notes < calls.size() && calls[notes].operation != "SetReleaseNotesFile")
        ++notes;
    ASSERT_LT(notes + 2, calls.size()) << "no release notes reported";
    EXPECT_EQ(folder.Path(L"result.html"), calls[notes].arguments);
    EXPECT_EQ(GetParam(), calls[notes].threadId != GetCurrentThreadId());
    EXPECT_EQ(L"2.5.0.1", calls[notes + 1].arguments);
    EXPECT_EQ(L"123456", calls[notes + 2].arguments);
    // Once more at the end, from the calling thread.
    EXPECT_EQ("SetNewVersion", calls.back().operation);
    EXPECT_EQ(L"2.5.0.1", calls.back().arguments);
    EXPECT_EQ(GetCurrentThreadId(), calls.back().threadId);
    EXPECT_EQ(0u, host.CountOf("GetParentWindow") + host.CountOf("GetCRMDataFile") + host.CountOf("SetShowUpdateDialog"));
    EXPECT_TRUE(notesExisted);
    EXPECT_FALSE(zvtest::FileExists(folder.Path(L"result.html")));
    EXPECT_FALSE(zvtest::FileExists(folder.Path(L"result.xml")));

    const struct {
        HttpResponse answer;
        const wchar_t* version;
    } rows[] = {{HttpResponse::NotFound(), L"0.0.0.0"},
                {HttpResponse::Ok(zvtest::PatchDocument("", 100, "3.0.0.0")), L"3.0.0.0"}};
    for (const auto& row : rows) {
        host.ClearCalls();
        server.Route("/update", row.answer);
        EXPECT_EQ(1, DoAction(&host, 1));
        EXPECT_EQ(1u, host.CountOf("SetNewVersion"));
        EXPECT_EQ(row.version, host.NewVersion().value_or(L"(none)"));
        EXPECT_EQ(0u, host.CountOf("SetReleaseNotesFile") + host.CountOf("SetDownloadSize"));
    }
}

INSTANTIATE_TEST_SUITE_P(Threads, SilentCheck, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "WorkerThreads" : "CallingThread";
                         });

} // namespace
