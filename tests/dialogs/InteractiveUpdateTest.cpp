// Action 1 with the real dialogs, driven like a user from a helper thread
// (DialogDriver.h) against a loopback server and real signed installers:
// check, offer, upload, download with progress texts, signature check,
// install dialog, and the ways out with their result codes. The customer-data
// upload always goes to port 80, so this program holds the CTest resource
// lock "loopback_port_80".
#include "ZvAutoUpdate.h"
#include "dialogs/DialogDriver.h"
#include "dialogs/SkinnedWorkflowDialogs.h"
#include "http/TestFiles.h"
#include "online/FormatSize.h"
#include "support/Fixtures.h"
#include "support/LoopbackHttpServer.h"
#include "update/UpdateTestHelpers.h"
#include "toolkit/ZVWebBrowser.h"
#include "update/Updater.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using zvtest::DialogDriver;
using zvtest::HookedHost;
using zvtest::HttpRequest;
using zvtest::HttpResponse;
using zvtest::LoopbackHttpServer;

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t ch : text)
        out += ch < 128 ? static_cast<char>(ch) : '?';
    return out;
}

std::wstring LocationOf(IWebBrowser2* browser)
{
    BSTR location = nullptr;
    if (FAILED(browser->get_LocationURL(&location)) || !location)
        return std::wstring();
    std::wstring text(location, SysStringLen(location));
    SysFreeString(location);
    return text;
}

unsigned int ScreenDpi()
{
    unsigned int dpi = 96;
    if (HDC dc = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr)) {
        dpi = static_cast<unsigned int>(GetDeviceCaps(dc, LOGPIXELSY));
        DeleteDC(dc);
    }
    return dpi > 168 ? 168 : dpi;
}

class InteractiveUpdate : public ::testing::TestWithParam<bool> {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(zvtest::InstallTestRootCA()); }

    // The upload posts to port 80 only; every test but the one that uploads
    // uses a port of its own, so that other programs on port 80 (the
    // workflow tests of a parallel run) never meet this one.
    virtual unsigned short ServerPort() const { return 0; }

    void SetUp() override
    {
        // A port 80 held by another program is waited for (bounded).
        for (int attempt = 0; attempt < 60; ++attempt) {
            serverHolder = std::make_unique<LoopbackHttpServer>(LoopbackHttpServer::Tls::None, ServerPort());
            if (serverHolder->IsRunning() || ServerPort() == 0)
                break;
            serverHolder.reset();
            Sleep(500);
        }
        ASSERT_TRUE(serverHolder && serverHolder->IsRunning()) << (serverHolder ? serverHolder->Error() : "port busy");
        host.settings.useWorkerThreads = GetParam();
        host.settings.sendCRMData = ServerPort() == 80;
        host.settings.updateURL = Server().Url("/update");
        host.settings.downloadFolder = folder.Path();
        host.settings.installerFileName = L"Setup.exe";
        host.settings.crmRedirectURL = Server().Url("/redirect");
        host.settings.crmUploadFile = folder.File(L"crm.zip");
        host.settings.programLanguage = L"en_UK";
        host.settings.productName = L"Test Product";
        ASSERT_TRUE(zvtest::WriteFileBytes(*host.settings.crmUploadFile, "customer data"));
        Server().Route("/redirect", HttpResponse::Ok("http://127.0.0.1/upload/put"));
        Server().Route("/upload/put", HttpResponse::Ok());
    }

    // Serves a fixture as the installer; stallAt: the download waits after
    // that many bytes until the server's stalls are released.
    void ServeInstaller(const std::wstring& fixture, unsigned long long stallAt = 0)
    {
        installer = zvtest::ReadFileBytes(zvtest::FixturePath(fixture));
        ASSERT_FALSE(installer.empty());
        HttpResponse response = HttpResponse::Ok(installer);
        if (stallAt)
            response.StallAfter(stallAt);
        Server().Route("/setup.exe", response);
        Server().Route("/update", HttpResponse::Ok(zvtest::PatchDocument(Narrow(Server().Url("/setup.exe")),
                                                                       installer.size(), "2.5.0.1", 3)));
    }

    size_t CountRequests(const std::string& method, const std::string& path) const
    {
        size_t count = 0;
        for (const HttpRequest& request : Server().Requests())
            count += request.method == method && request.path == path;
        return count;
    }

    // Runs action 1 with the real dialogs on this thread while script drives
    // them from another; the driver's failures become test failures.
    int RunWithDriver(std::function<void(DialogDriver&)> script)
    {
        DialogDriver driver(GetCurrentThreadId(), std::move(script));
        int result = -100;
        {
            CUpdater updater(&host, &SkinnedWorkflowDialogs());
            result = updater.Run(1);
        }
        EXPECT_TRUE(driver.Finish()) << "the driver thread did not end";
        for (const std::string& failure : driver.Failures())
            ADD_FAILURE() << "driver: " << failure;
        EXPECT_TRUE(driver.ScriptCompleted());
        return result;
    }

    // The offer as the update dialog shows it; returns the dialog.
    static HWND WaitForOffer(DialogDriver& d)
    {
        HWND dialog = d.WaitDialog(IDC_TXT_WAIT);
        d.WaitVisible(dialog, IDOK);
        d.Check(DialogDriver::Text(dialog, IDC_TXT_PRODUCT) == L"There is an update for Test Product.",
                "product text: " + Narrow(DialogDriver::Text(dialog, IDC_TXT_PRODUCT)));
        d.Check(DialogDriver::Text(dialog, IDOK) == L"Perform update now", "IDOK text");
        d.Check(DialogDriver::Text(dialog, IDCANCEL) == L"Update later", "IDCANCEL text");
        d.Check(!DialogDriver::IsVisible(dialog, IDC_TXT_WAIT), "wait text still shown");
        d.Check(!DialogDriver::IsVisible(dialog, IDC_ACTIVITY), "activity still shown");
        d.Check(!DialogDriver::IsVisible(dialog, IDC_TXT_NO_PATCH_AVAILABLE), "no-update text shown");
        d.Check(!DialogDriver::IsVisible(dialog, IDC_BROWSER), "browser shown before it was asked for");
        d.Check(DialogDriver::IsVisible(dialog, IDC_BTN_WHATS_NEW), "what's new hidden");
        return dialog;
    }

    std::unique_ptr<LoopbackHttpServer> serverHolder;
    LoopbackHttpServer& Server() const { return *serverHolder; }
    zvtest::TempFolder folder;
    HookedHost host;
    std::string installer;
};

class InteractiveUpdateWithUpload : public InteractiveUpdate {
protected:
    unsigned short ServerPort() const override { return 80; }
};

TEST_P(InteractiveUpdateWithUpload, AcceptedUpdateIsUploadedDownloadedVerifiedAndInstalledNow)
{
    ServeInstaller(L"signed-valid.exe");
    std::wstring installText, checking;
    int result = RunWithDriver([&](DialogDriver& d) {
        HWND offer = WaitForOffer(d);
        d.Check(DialogDriver::IsVisible(offer, IDC_CHECK_SEND_CRM_DATA), "send box hidden");
        d.Check(DialogDriver::IsVisible(offer, IDC_BTN_SHOW_CRM), "More hidden");
        d.Check(DialogDriver::GetCheck(offer, IDC_CHECK_SEND_CRM_DATA), "send box not ticked from GetSendCRMData");
        d.Check(DialogDriver::IsVisible(offer, IDC_CHECK_DONT_SHOW_AGAIN), "don't-show box hidden");
        DialogDriver::Click(offer, IDOK);
        HWND install = d.WaitDialog(IDC_BTN_LATER);
        installText = DialogDriver::Text(install, IDC_TXT_PRODUCT);
        d.Check(!d.IsDialogOpen(IDC_PROGRESS), "progress dialog still open");
        d.Check(!d.IsDialogOpen(IDC_TXT_WAIT), "update dialog still open");
        DialogDriver::Click(install, IDOK);
        d.WaitDialogGone(IDC_BTN_LATER);
    });
    EXPECT_EQ(8, result);
    EXPECT_EQ(L"The update for Test Product is now ready for installation.", installText);
    EXPECT_EQ(1u, CountRequests("POST", "/upload/put"));
    EXPECT_EQ(1u, CountRequests("GET", "/setup.exe"));
    ASSERT_EQ(1u, host.Installers().size());
    EXPECT_EQ(L"1", zvtest::ArgumentsOf(host.Calls(), "SetShowUpdateDialog"));
    EXPECT_EQ(L"1", zvtest::ArgumentsOf(host.Calls(), "SetSendCRMData"));
}

// Cancel while the customer data is posted: the upload runs to its end, the
// workflow records 12, then 14 when the upload reports, and the result is 15.
TEST_P(InteractiveUpdateWithUpload, CancelDuringTheUploadGivesFifteenAndDownloadsNothing)
{
    ServeInstaller(L"signed-valid.exe");
    HttpResponse slowUpload = HttpResponse::Ok();
    slowUpload.Delay(1500);
    Server().Route("/upload/put", slowUpload);
    if (!GetParam())
        GTEST_SKIP() << "without worker threads the upload runs inside the dialog's opening, before a click";
    int result = RunWithDriver([&](DialogDriver& d) {
        HWND offer = WaitForOffer(d);
        DialogDriver::Click(offer, IDOK);
        HWND progress = d.WaitDialog(IDC_PROGRESS);
        d.Check(DialogDriver::Text(progress, IDC_TXT_MESSAGE) == L"Transferring program files...", "upload text");
        d.Check(!DialogDriver::IsVisible(progress, IDC_PROGRESS), "bar shown during the upload");
        DialogDriver::Click(progress, IDCANCEL);
        Sleep(300);
        d.Check(d.IsDialogOpen(IDC_PROGRESS), "cancel closed the dialog before the upload reported");
        d.WaitDialogGone(IDC_PROGRESS);
    });
    EXPECT_EQ(15, result);
    EXPECT_EQ(1u, CountRequests("POST", "/upload/put"));
    EXPECT_EQ(0u, CountRequests("GET", "/setup.exe"));
    EXPECT_EQ(0u, host.Installers().size());
}

INSTANTIATE_TEST_SUITE_P(WorkerThreads, InteractiveUpdateWithUpload, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Workers" : "CallerThread");
                         });

// A download large enough to report progress between its 64 KiB blocks,
// held half-way: the status line shows string 146 with FormatSize texts.
// The file is no signed program, so the check then fails and "No" ends it.
TEST_P(InteractiveUpdate, ProgressTextsDuringTheDownloadThenAFailedCheck)
{
    if (!GetParam())
        GTEST_SKIP() << "without worker threads a held download blocks the dialog's thread: no texts to read then";
    const unsigned long long size = 640 * 1024;
    HttpResponse payload = HttpResponse::Pattern(size);
    payload.StallAfter(size / 2);
    Server().Route("/setup.exe", payload);
    Server().Route("/update", HttpResponse::Ok(zvtest::PatchDocument(Narrow(Server().Url("/setup.exe")), size,
                                                                     "2.5.0.1", 3)));
    std::wstring status, title, message;
    bool barShown = false;
    int result = RunWithDriver([&](DialogDriver& d) {
        HWND offer = WaitForOffer(d);
        d.Check(!DialogDriver::GetCheck(offer, IDC_CHECK_SEND_CRM_DATA), "send box ticked though GetSendCRMData");
        DialogDriver::Click(offer, IDOK);
        HWND progress = d.WaitDialog(IDC_PROGRESS);
        d.Check(DialogDriver::Text(progress, IDCANCEL) == L"Cancel", "progress cancel text");
        d.Check(Server().WaitForStall(20000), "the download never reached its stall point");
        d.Wait([&] { return DialogDriver::Text(progress, IDC_TXT_DOWNLOAD_STATUS).find(L'%') != std::wstring::npos; },
               20000, "no progress in the status line");
        status = DialogDriver::Text(progress, IDC_TXT_DOWNLOAD_STATUS);
        title = DialogDriver::Text(progress, IDC_TXT_TITLE);
        message = DialogDriver::Text(progress, IDC_TXT_MESSAGE);
        barShown = DialogDriver::IsVisible(progress, IDC_PROGRESS);
        d.Check(!DialogDriver::IsVisible(progress, IDOK), "Yes shown during the download");
        Server().ReleaseStalls();
        d.WaitText(progress, IDC_TXT_DOWNLOAD_STATUS, L"Do you want to restart the update process?");
        d.Check(!DialogDriver::IsVisible(progress, IDC_PROGRESS), "bar still shown after the download");
        DialogDriver::Click(progress, IDCANCEL); // "No"
        d.WaitDialogGone(IDC_PROGRESS);
    });
    EXPECT_EQ(15, result);
    EXPECT_TRUE(barShown);
    EXPECT_EQ(L"Download update", title);
    EXPECT_EQ(L"The update will now be downloaded. Please wait until the transfer is complete.", message);
    // "Downloading ....   <p>% (<received> / 640 kB)", p < 100 while held.
    EXPECT_EQ(0u, status.find(L"Downloading ....   ")) << Narrow(status);
    EXPECT_NE(std::wstring::npos, status.find(L" / 640 kB)")) << Narrow(status);
    int percent = _wtoi(status.c_str() + 19);
    EXPECT_GT(percent, 0) << Narrow(status);
    EXPECT_LE(percent, 50) << Narrow(status);
    EXPECT_EQ(0u, host.Installers().size());
    EXPECT_EQ(0u, CountRequests("POST", "/upload/put"));
    EXPECT_EQ(L"0", zvtest::ArgumentsOf(host.Calls(), "SetSendCRMData"));
}

TEST_P(InteractiveUpdate, InstallLaterAndCancelAreTheInstallDialogsAnswers)
{
    const UINT buttons[] = {IDC_BTN_LATER, IDCANCEL};
    const int expected[] = {9, 7};
    for (int i = 0; i < 2; ++i) {
        ServeInstaller(L"signed-valid.exe");
        int result = RunWithDriver([&](DialogDriver& d) {
            HWND offer = WaitForOffer(d);
            DialogDriver::Click(offer, IDOK);
            HWND install = d.WaitDialog(IDC_BTN_LATER);
            DialogDriver::Click(install, buttons[i]);
            d.WaitDialogGone(IDC_BTN_LATER);
        });
        EXPECT_EQ(expected[i], result);
        EXPECT_EQ(static_cast<size_t>(i + 1), host.Installers().size());
    }
}

TEST_P(InteractiveUpdate, DeclinedOfferEndsWithOneAndDownloadsNothing)
{
    ServeInstaller(L"signed-valid.exe");
    int result = RunWithDriver([&](DialogDriver& d) {
        HWND offer = WaitForOffer(d);
        DialogDriver::Click(offer, IDCANCEL);
        d.WaitDialogGone(IDC_TXT_WAIT);
    });
    EXPECT_EQ(1, result);
    EXPECT_EQ(0u, CountRequests("GET", "/setup.exe"));
    EXPECT_EQ(0u, host.CountOf("SetSendCRMData"));
    EXPECT_EQ(L"1", zvtest::ArgumentsOf(host.Calls(), "SetShowUpdateDialog"));
}

TEST_P(InteractiveUpdate, NoUpdateShowsTheNoticeAndClose)
{
    Server().Route("/update", HttpResponse::NotFound());
    int result = RunWithDriver([&](DialogDriver& d) {
        HWND dialog = d.WaitDialog(IDC_TXT_WAIT);
        d.WaitVisible(dialog, IDC_TXT_NO_PATCH_AVAILABLE);
        d.Check(DialogDriver::Text(dialog, IDC_TXT_NO_PATCH_AVAILABLE) == L"There are no updates for Test Product.",
                "no-update text");
        d.Check(DialogDriver::IsVisible(dialog, IDCANCEL), "Close hidden");
        d.Check(DialogDriver::Text(dialog, IDCANCEL) == L"Close", "IDCANCEL is not Close");
        const UINT hidden[] = {IDOK, IDC_BTN_SHOW_CRM, IDC_BTN_WHATS_NEW, IDC_CHECK_DONT_SHOW_AGAIN,
                               IDC_CHECK_SEND_CRM_DATA, IDC_TXT_PRODUCT, IDC_TXT_UPDATE, IDC_ACTIVITY,
                               IDC_TXT_WAIT, IDC_TXT_PLEASE_WAIT, IDC_BROWSER};
        for (UINT id : hidden)
            d.Check(!DialogDriver::IsVisible(dialog, id), "shown with no update: " + std::to_string(id));
        DialogDriver::Click(dialog, IDCANCEL);
        d.WaitDialogGone(IDC_TXT_WAIT);
    });
    EXPECT_EQ(1, result);
}

TEST_P(InteractiveUpdate, FailedDownloadGivesFifteenWithoutInstallDialog)
{
    ServeInstaller(L"signed-valid.exe");
    Server().Route("/setup.exe", HttpResponse::NotFound());
    int result = RunWithDriver([&](DialogDriver& d) {
        HWND offer = WaitForOffer(d);
        DialogDriver::Click(offer, IDOK);
        d.Wait([&] { return d.IsDialogOpen(IDC_PROGRESS) || CountRequests("GET", "/setup.exe") > 0; }, 20000,
               "no progress dialog");
        d.WaitDialogGone(IDC_PROGRESS);
    });
    EXPECT_EQ(15, result);
    EXPECT_EQ(0u, host.Installers().size());
}

TEST_P(InteractiveUpdate, BadSignatureAsksToRestartYesDownloadsAgainNoGivesFifteen)
{
    ServeInstaller(L"signed-tampered.exe");
    int result = RunWithDriver([&](DialogDriver& d) {
        HWND offer = WaitForOffer(d);
        DialogDriver::Click(offer, IDOK);
        HWND progress = d.WaitDialog(IDC_PROGRESS);
        d.WaitText(progress, IDC_TXT_DOWNLOAD_STATUS, L"Do you want to restart the update process?");
        d.Check(DialogDriver::Text(progress, IDC_TXT_TITLE) == L"Automatic check failed", "failure title");
        d.Check(DialogDriver::Text(progress, IDC_TXT_MESSAGE) ==
                    L"The update has been checked and is corrupt. Installation has been cancelled.",
                "failure message");
        d.Check(DialogDriver::IsVisible(progress, IDOK) && DialogDriver::Text(progress, IDOK) == L"Yes", "Yes");
        d.Check(DialogDriver::Text(progress, IDCANCEL) == L"No", "No");
        DialogDriver::Click(progress, IDOK); // "Yes": download again
        d.Wait([&] { return CountRequests("GET", "/setup.exe") == 2; }, 20000, "no second download");
        d.WaitText(progress, IDC_TXT_DOWNLOAD_STATUS, L"Do you want to restart the update process?");
        DialogDriver::Click(progress, IDCANCEL); // "No"
        d.WaitDialogGone(IDC_PROGRESS);
    });
    EXPECT_EQ(15, result);
    EXPECT_EQ(2u, CountRequests("GET", "/setup.exe"));
    EXPECT_EQ(0u, host.Installers().size());
}

TEST_P(InteractiveUpdate, CancelDuringTheTransferGivesFifteen)
{
    const unsigned long long size = 640 * 1024;
    HttpResponse payload = HttpResponse::Pattern(size);
    payload.StallAfter(size / 2);
    Server().Route("/setup.exe", payload);
    Server().Route("/update", HttpResponse::Ok(zvtest::PatchDocument(Narrow(Server().Url("/setup.exe")), size,
                                                                     "2.5.0.1", 3)));
    int result = RunWithDriver([&](DialogDriver& d) {
        HWND offer = WaitForOffer(d);
        DialogDriver::Click(offer, IDOK);
        HWND progress = d.WaitDialog(IDC_PROGRESS);
        d.Check(Server().WaitForStall(20000), "no stall");
        // The transfer ends when it next asks whether to stop (data already
        // buffered may bring that before the server goes on).
        DialogDriver::Click(progress, IDCANCEL);
        Sleep(300);
        Server().ReleaseStalls();
        d.WaitDialogGone(IDC_PROGRESS);
    });
    EXPECT_EQ(15, result);
    EXPECT_EQ(0u, host.Installers().size());
}

// Cancel pressed while the signature check runs: the check finishes, the
// dialog ends with 1, the result is the recorded 12 and no install dialog
// opens. The press is made from the host's log hook when the check starts.
BOOL CALLBACK FindProgress(HWND window, LPARAM found)
{
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wstring(className) == L"#32770" && GetDlgItem(window, IDC_PROGRESS)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

TEST_P(InteractiveUpdate, CancelDuringTheCheckGivesTwelveWithoutInstallDialog)
{
    ServeInstaller(L"signed-valid.exe");
    const DWORD uiThread = GetCurrentThreadId();
    host.onLog = [&](const std::wstring& line) {
        if (line.find(L"ThreadFileCheck(): start checking") == std::wstring::npos)
            return;
        HWND progress = nullptr;
        EnumThreadWindows(uiThread, FindProgress, reinterpret_cast<LPARAM>(&progress));
        if (progress)
            PostMessageW(progress, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        if (GetCurrentThreadId() != uiThread)
            Sleep(500); // the dialog handles the press before the check reports
    };
    int result = RunWithDriver([&](DialogDriver& d) {
        HWND offer = WaitForOffer(d);
        DialogDriver::Click(offer, IDOK);
        d.Wait([&] { return CountRequests("GET", "/setup.exe") > 0; }, 20000, "no download");
        d.WaitDialogGone(IDC_PROGRESS);
        Sleep(500);
        d.Check(!d.IsDialogOpen(IDC_BTN_LATER), "install dialog shown after a cancel");
    });
    EXPECT_EQ(12, result);
    EXPECT_EQ(1u, host.Installers().size()); // the check itself went through
}

TEST_P(InteractiveUpdate, WithoutInstallDialogTheResultIsEight)
{
    ServeInstaller(L"signed-valid.exe");
    host.settings.showInstallDialog = false;
    int result = RunWithDriver([&](DialogDriver& d) {
        HWND offer = WaitForOffer(d);
        DialogDriver::Click(offer, IDOK);
        // Without worker threads the whole progress run may pass between two
        // looks; the download request tells that it ran.
        d.Wait([&] { return CountRequests("GET", "/setup.exe") > 0; }, 20000, "no download");
        d.WaitDialogGone(IDC_PROGRESS);
        d.Check(!d.IsDialogOpen(IDC_BTN_LATER), "install dialog shown");
    });
    EXPECT_EQ(8, result);
    EXPECT_EQ(1u, host.Installers().size());
}

TEST_P(InteractiveUpdate, ChoicesAreSavedWhenNotOfferedCRMControlsAreHidden)
{
    ServeInstaller(L"signed-valid.exe");
    host.settings.crmUploadOffered = false;
    int result = RunWithDriver([&](DialogDriver& d) {
        HWND offer = WaitForOffer(d);
        d.Check(!DialogDriver::IsVisible(offer, IDC_CHECK_SEND_CRM_DATA), "send box shown");
        d.Check(!DialogDriver::IsVisible(offer, IDC_BTN_SHOW_CRM), "More shown");
        DialogDriver::SetCheck(offer, IDC_CHECK_DONT_SHOW_AGAIN, true);
        DialogDriver::Click(offer, IDCANCEL);
        d.WaitDialogGone(IDC_TXT_WAIT);
    });
    EXPECT_EQ(1, result);
    EXPECT_EQ(L"0", zvtest::ArgumentsOf(host.Calls(), "SetShowUpdateDialog"));
    EXPECT_EQ(0u, host.CountOf("SetSendCRMData"));
}

TEST_P(InteractiveUpdate, WhatsNewEnlargesTheDialogAndShowsTheReleaseNotes)
{
    ServeInstaller(L"signed-valid.exe");
    std::wstring target;
    int result = RunWithDriver([&](DialogDriver& d) {
        HWND offer = WaitForOffer(d);
        RECT before = DialogDriver::WindowRect(offer);
        DialogDriver::Click(offer, IDC_BTN_WHATS_NEW);
        d.WaitVisible(offer, IDC_BROWSER);
        d.WaitVisible(offer, IDC_BTN_WHATS_NEW, false);
        // The pane shows before the dialog has grown: wait for the new height.
        RECT after = before;
        d.Wait([&] {
            after = DialogDriver::WindowRect(offer);
            return after.bottom - after.top == before.bottom - before.top + MulDiv(200, ScreenDpi(), 96);
        }, 5000, "the dialog did not grow by 200 pixels at 96 DPI");
        d.Check(after.left == before.left && after.top == before.top && after.right == before.right,
                "the dialog moved or changed its width");
        HWND pane = GetDlgItem(offer, IDC_BROWSER);
        auto* browser = reinterpret_cast<CZV_WebBrowserControl*>(GetWindowLongPtrW(pane, GWLP_USERDATA));
        d.Check(browser != nullptr && browser->GetBrowser() != nullptr, "the pane is not the browser host");
        // Read across threads: the browser only hands out the address it keeps.
        d.Wait([&] { return !(target = LocationOf(browser->GetBrowser())).empty(); }, 10000, "not navigated");
        DialogDriver::Click(offer, IDCANCEL);
        d.WaitDialogGone(IDC_TXT_WAIT);
    });
    EXPECT_EQ(1, result);
    ASSERT_TRUE(host.ReleaseNotesFile().has_value());
    std::wstring expected = *host.ReleaseNotesFile();
    // Windows keeps the URL, Wine writes it "file://C:\\...": the same file.
    std::wstring shown = target;
    shown.erase(0, shown.compare(0, 5, L"file:") == 0 ? 5 : 0);
    shown.erase(0, shown.find_first_not_of(L"/\\"));
    for (auto& ch : shown)
        ch = ch == L'/' ? L'\\' : ch;
    EXPECT_EQ(expected, shown);
}

TEST_P(InteractiveUpdate, ClosingWhileTheCheckRunsGivesOneAndTheCheckEndsFirst)
{
    if (!GetParam())
        GTEST_SKIP() << "without worker threads the check runs before the dialog shows";
    installer = zvtest::ReadFileBytes(zvtest::FixturePath(L"signed-valid.exe"));
    HttpResponse answer =
        HttpResponse::Ok(zvtest::PatchDocument(Narrow(Server().Url("/setup.exe")), installer.size(), "2.5.0.1", 3));
    answer.Delay(1500);
    Server().Route("/update", answer);
    int result = RunWithDriver([&](DialogDriver& d) {
        HWND dialog = d.WaitDialog(IDC_TXT_WAIT);
        d.Check(DialogDriver::IsVisible(dialog, IDC_TXT_WAIT), "not waiting");
        d.Check(DialogDriver::IsVisible(dialog, IDC_TXT_PLEASE_WAIT), "no please-wait");
        d.Check(!DialogDriver::IsVisible(dialog, IDOK), "IDOK while waiting");
        DialogDriver::Click(dialog, IDCANCEL);
        d.WaitDialogGone(IDC_TXT_WAIT);
    });
    EXPECT_EQ(1, result);
    // The check job reported to the host before the run returned, and
    // nothing comes after it.
    size_t calls = host.CallCount();
    EXPECT_EQ(1u, host.CountOf("SetReleaseNotesFile"));
    Sleep(500);
    EXPECT_EQ(calls, host.CallCount());
}

INSTANTIATE_TEST_SUITE_P(WorkerThreads, InteractiveUpdate, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Workers" : "CallerThread");
                         });

} // namespace
