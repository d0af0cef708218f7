// CDlgProgress against a jobs object that only records what the dialog asks
// of it: the test plays the jobs' reports (the private messages) and the
// user's presses, and reads the texts, the recorded cancel codes and the
// dialog's result. The real jobs are exercised by InteractiveUpdateTest.
#include "dialogs/DialogDriver.h"
#include "dialogs/DlgProgress.h"
#include "support/Files.h"
#include "online/FormatSize.h"
#include "osal/AllocationFailure.h"
#include "update/UpdateMessages.h"
#include "update/UpdateTestHelpers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

using zvtest::DialogDriver;

class RecordingJobs : public CWorkflowJobs {
public:
    explicit RecordingJobs(long long size)
    {
        zvtest::TempFolder folder;
        const std::wstring document = folder.Path(L"patch.xml");
        zvtest::WriteFileBytes(document, zvtest::PatchDocument("http://127.0.0.1/setup.exe", size));
        m_patch.Read(ZvOSAL::ZvPath(document.c_str()));
    }
    void StartCheckJob(HWND) override { started += "check "; }
    void StartUploadJob(HWND) override { started += "upload "; }
    void StartDownloadJob(HWND) override
    {
        started += "download ";
        ++downloads;
    }
    void StartFileCheckJob(HWND) override { started += "filecheck "; }
    void Cancel(ECancelCode code) override { cancels.push_back(code); }
    bool IsCancelled() const override { return !cancels.empty(); }
    const CPatchInfo& GetPatchInfo() const override { return m_patch; }
    const ZvOSAL::ZvPath& GetReleaseNotesPath() const override { return m_notes; }

    // Written on the dialog's thread; read by the test after the dialog ended.
    std::string started;
    std::vector<int> cancels;
    std::atomic<int> downloads{0};

private:
    CPatchInfo m_patch;
    ZvOSAL::ZvPath m_notes;
};

// One step of a script: a job report (message, wParam, lParam) or, with
// message 0, a press of the button wParam. Each is handled before the next.
struct Step {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
constexpr Step Uploaded{WM_CRM_UPLOADED, 0, 0};
constexpr Step Downloaded{WM_DOWNLOAD_DONE, 0, 1};
constexpr Step DownloadFailed{WM_DOWNLOAD_DONE, 0, 0};
constexpr Step CheckedGood{WM_FILE_CHECKED, 1, 0};
constexpr Step CheckedBad{WM_FILE_CHECKED, 0, 0};
constexpr Step PressCancel{0, IDCANCEL, 0};
constexpr Step PressYes{0, IDOK, 0};

// Sends the step and lets the dialog act on it. The dialog starts a download
// by posting to itself; such a step is over when the download was started or
// the dialog has ended.
void Play(DialogDriver& d, HWND dialog, RecordingJobs& jobs, const Step& step)
{
    const int downloads = jobs.downloads;
    DWORD_PTR ignored = 0;
    if (step.message)
        SendMessageTimeoutW(dialog, step.message, step.wParam, step.lParam, SMTO_BLOCK, 5000, &ignored);
    else
        SendMessageTimeoutW(dialog, WM_COMMAND, MAKEWPARAM(step.wParam, BN_CLICKED), 0, SMTO_BLOCK, 5000, &ignored);
    if (step.message == WM_CRM_UPLOADED || (!step.message && step.wParam == IDOK))
        d.Wait([&] { return jobs.downloads > downloads || !IsWindow(dialog); }, 5000, "no download started");
}

// Runs the dialog on this thread while `script` plays it from the driver.
int RunDialog(RecordingJobs& jobs, std::function<void(DialogDriver&, HWND)> script,
              zvtest::RecordingHost* theHost = nullptr)
{
    zvtest::RecordingHost own;
    zvtest::RecordingHost& host = theHost ? *theHost : own;
    host.settings.programLanguage = L"en_UK";
    DialogDriver driver(GetCurrentThreadId(), [&](DialogDriver& d) { script(d, d.WaitDialog(IDC_PROGRESS)); });
    CDlgProgress dialog(&host, &jobs, nullptr);
    const int result = static_cast<int>(dialog.DoModal());
    EXPECT_TRUE(driver.Finish());
    for (const std::string& failure : driver.Failures())
        ADD_FAILURE() << "driver: " << failure;
    return result;
}

// Every way through the dialog but the two plain ones (run end to end in
// InteractiveUpdateTest): its result, the cancel codes it recorded and the
// jobs it started.
TEST(ProgressDialog, PathsEndWithTheirResultAndCancelCodes)
{
    struct Path {
        const char* name;
        std::vector<Step> steps;
        int result;
        std::vector<int> cancels;
        const char* started;
    } paths[] = {
        {"cancel during upload", {PressCancel, Uploaded}, 2, {12, 14}, "upload "},
        {"cancel twice", {PressCancel, PressCancel}, 2, {12, 13}, "upload "},
        {"cancel during download", {Uploaded, PressCancel, DownloadFailed}, 2, {12}, "upload download "},
        {"cancel during check", {Uploaded, Downloaded, PressCancel, CheckedGood}, 1, {12}, "upload download filecheck "},
        {"cancel, then a bad check", {Uploaded, Downloaded, PressCancel, CheckedBad}, 1, {12}, "upload download filecheck "},
        {"bad check, No", {Uploaded, Downloaded, CheckedBad, PressCancel}, 2, {13}, "upload download filecheck "},
        {"bad check, Yes, verified", {Uploaded, Downloaded, CheckedBad, PressYes, Downloaded, CheckedGood}, 1, {},
         "upload download filecheck download filecheck "},
    };
    for (const Path& path : paths) {
        SCOPED_TRACE(path.name);
        RecordingJobs jobs(1000);
        const int result = RunDialog(jobs, [&](DialogDriver& d, HWND dialog) {
            for (const Step& step : path.steps) {
                d.Check(IsWindow(dialog), "the dialog ended before the script did");
                Play(d, dialog, jobs, step);
            }
            d.WaitDialogGone(IDC_PROGRESS);
        });
        EXPECT_EQ(path.result, result);
        EXPECT_EQ(path.cancels, jobs.cancels);
        EXPECT_EQ(path.started, jobs.started);
    }
}

std::wstring Status(const wchar_t* percent, unsigned long long bytes, unsigned long long total)
{
    return std::wstring(L"Downloading ....   ") + percent + L" (" + FormatSize(bytes, 0, 0, -1, 2057).c_str() +
           L" / " + FormatSize(total, 0, 0, -1, 2057).c_str() + L")";
}

// The status line follows the percentage only when it grows; the failure
// screen asks to restart, and a restart shows 0 % again.
TEST(ProgressDialog, StatusFollowsGrowingPercentagesAndRestartsAtZero)
{
    const unsigned long long total = 1000;
    RecordingJobs jobs(total);
    std::vector<std::wstring> texts;
    std::wstring restarted;
    const int result = RunDialog(jobs, [&](DialogDriver& d, HWND dialog) {
        texts.push_back(DialogDriver::Text(dialog, IDC_TXT_MESSAGE)); // uploading
        Play(d, dialog, jobs, Uploaded);
        texts.push_back(DialogDriver::Text(dialog, IDC_TXT_DOWNLOAD_STATUS));
        d.Check(DialogDriver::IsVisible(dialog, IDC_PROGRESS) && !DialogDriver::IsVisible(dialog, IDOK), "bar, Yes");
        for (unsigned int bytes : {100u, 105u, 110u, 50u, 999u}) {
            Play(d, dialog, jobs, {WM_DOWNLOAD_PROGRESS, bytes, 0});
            texts.push_back(DialogDriver::Text(dialog, IDC_TXT_DOWNLOAD_STATUS));
        }
        Play(d, dialog, jobs, Downloaded);
        texts.push_back(DialogDriver::Text(dialog, IDC_TXT_DOWNLOAD_STATUS));
        Play(d, dialog, jobs, CheckedBad);
        texts.push_back(DialogDriver::Text(dialog, IDC_TXT_DOWNLOAD_STATUS));
        Play(d, dialog, jobs, PressYes);
        Play(d, dialog, jobs, {WM_DOWNLOAD_PROGRESS, 0, 0});
        restarted = DialogDriver::Text(dialog, IDC_TXT_DOWNLOAD_STATUS);
        Play(d, dialog, jobs, PressCancel);
        Play(d, dialog, jobs, DownloadFailed);
    });
    EXPECT_EQ(2, result);
    const std::vector<std::wstring> expected = {
        L"Transferring program files...", L"Downloading ....",       Status(L"10%", 100, total),
        Status(L"10%", 100, total),       Status(L"11%", 110, total), Status(L"11%", 110, total),
        Status(L"99%", 999, total),       L"Checking update...",     L"Do you want to restart the update process?",
    };
    EXPECT_EQ(expected, texts);
    EXPECT_EQ(Status(L"0%", 0, total), restarted);
}

// An allocation that fails in a handler of the dialog, or while one of its
// controls paints, ends the dialog as cancelled with one log line, and the
// running job is told to stop; nothing reaches the system's window code.
TEST(ProgressDialog, AFailureInsideEndsTheDialogAsCancelled)
{
    namespace AllocationFailure = ZvOSAL::AllocationFailure;
    const struct {
        const char* name;
        void (*trigger)(HWND dialog);
    } rows[] = {
        {"dialog procedure",
         [](HWND dialog) { PostMessageW(dialog, WM_DOWNLOAD_PROGRESS, 500, 0); }},
        {"control procedure",
         [](HWND dialog) { InvalidateRect(GetDlgItem(dialog, IDC_TXT_DOWNLOAD_STATUS), nullptr, FALSE); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        RecordingJobs jobs(1000);
        zvtest::RecordingHost host;
        const int result = RunDialog(
            jobs,
            [&](DialogDriver& d, HWND dialog) {
                Play(d, dialog, jobs, Uploaded);
                AllocationFailure::Scope failing;
                AllocationFailure::FailEvery(AllocationFailure::Threads::Others);
                row.trigger(dialog);
                d.WaitDialogGone(IDC_PROGRESS);
            },
            &host);
        EXPECT_EQ(2, result);
        EXPECT_EQ(std::vector<int>{kCancelGiveUp}, jobs.cancels);
        EXPECT_EQ(1u, host.CountOf("Log"));
    }
}

} // namespace
