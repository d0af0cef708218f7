// Action 1 with the real dialogs, driven like a user from a helper thread
// (DialogDriver.h) against a loopback server and real installers, signed,
// unsigned and tampered: the offer, the upload, the download, the signature
// check, the install dialog, and every way out with its result code, with
// worker threads on and off. The customer-data upload always goes to port 80,
// so the server listens there (CTest resource lock "loopback_port_80").
#include "ZvAutoUpdate.h"
#include "dialogs/DialogDriver.h"
#include "dialogs/SkinnedWorkflowDialogs.h"
#include "support/Files.h"
#include "support/Fixtures.h"
#include "support/LoopbackHttpServer.h"
#include "toolkit/ZVWebBrowser.h"
#include "update/UpdateTestHelpers.h"
#include "update/Updater.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

namespace {

using zvtest::DialogDriver;
using zvtest::HttpRequest;
using zvtest::HttpResponse;
using zvtest::LoopbackHttpServer;
using Script = std::function<void(DialogDriver&)>;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class InteractiveUpdate : public ::testing::TestWithParam<bool> {
public: // the rows of the tables prepare the fixture
    static void SetUpTestSuite() { ASSERT_TRUE(zvtest::InstallTestRootCA()); }

    void SetUp() override
    {
        // A port 80 held by another program is waited for (bounded).
        for (int attempt = 0; attempt < 60 && !(server && server->IsRunning()); ++attempt) {
            server = std::make_unique<LoopbackHttpServer>(LoopbackHttpServer::Tls::None, 80);
            if (!server->IsRunning())
                Sleep(500);
        }
        ASSERT_TRUE(server->IsRunning()) << server->Error();
        host.settings.useWorkerThreads = GetParam();
        host.settings.updateURL = server->Url("/update");
        host.settings.downloadFolder = folder.Path();
        host.settings.installerFileName = L"Setup.exe";
        host.settings.crmRedirectURL = server->Url("/redirect");
        host.settings.crmUploadFile = folder.Path(L"crm.zip");
        host.settings.programLanguage = L"en_UK";
        host.settings.productName = L"Test Product";
        server->Route("/redirect", HttpResponse::Ok("http://127.0.0.1/upload/put"));
        Reset(L"signed-valid.exe");
    }

    // Before each row: the customer data again, a server that answers
    // everything, nothing recorded.
    void Reset(const std::wstring& installer)
    {
        ASSERT_TRUE(zvtest::WriteFileBytes(*host.settings.crmUploadFile, "customer data"));
        server->Route("/upload/put", HttpResponse::Ok());
        ServeInstaller(installer);
        server->ClearRequests();
        host.ClearCalls();
        host.onLog = nullptr;
    }

    void ServeInstaller(const std::wstring& fixture)
    {
        Serve(HttpResponse::Ok(zvtest::ReadFileBytes(zvtest::FixturePath(fixture))),
              zvtest::ReadFileBytes(zvtest::FixturePath(fixture)).size());
    }
    void Serve(HttpResponse installer, unsigned long long size)
    {
        server->Route("/setup.exe", installer);
        server->Route("/update", HttpResponse::Ok(zvtest::PatchDocument(Narrow(server->Url("/setup.exe")), size)));
    }
    size_t Requests(const std::string& method, const std::string& path) const
    {
        size_t count = 0;
        for (const HttpRequest& request : server->Requests())
            count += request.method == method && request.path == path;
        return count;
    }

    // Runs action 1 with the real dialogs on this thread while script drives
    // them from another; the driver's failures become test failures.
    int Run(Script script)
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

    // The offer as the update dialog shows it.
    static HWND WaitForOffer(DialogDriver& d)
    {
        HWND dialog = d.WaitDialog(IDC_TXT_WAIT);
        d.WaitVisible(dialog, IDOK);
        d.Check(DialogDriver::Text(dialog, IDC_TXT_PRODUCT) == L"There is an update for Test Product.", "product");
        return dialog;
    }
    static HWND Accept(DialogDriver& d)
    {
        HWND offer = WaitForOffer(d);
        d.Check(DialogDriver::IsVisible(offer, IDC_BTN_SHOW_CRM) && DialogDriver::GetCheck(offer, IDC_CHECK_SEND_CRM_DATA),
                "More hidden or the send box not ticked from GetSendCRMData");
        DialogDriver::Click(offer, IDOK);
        return offer;
    }
    static void AnswerFailedCheck(DialogDriver& d, UINT button)
    {
        HWND progress = d.WaitDialog(IDC_PROGRESS);
        d.WaitText(progress, IDC_TXT_DOWNLOAD_STATUS, L"Do you want to restart the update process?");
        DialogDriver::Click(progress, button);
    }

    std::unique_ptr<LoopbackHttpServer> server;
    zvtest::TempFolder folder;
    zvtest::HookedHost host;
};

// Signed, unsigned and tampered installers: the customer data goes first,
// only a sound installer is handed over, and the install dialog (or its
// absence) decides the result.
TEST_P(InteractiveUpdate, TheInstallerDecidesWhatTheUserIsAsked)
{
    const struct {
        const char* name;
        const wchar_t* fixture;
        bool installDialog;
        Script answer; // after the offer was accepted
        int result;
        size_t downloads, handedOver;
    } rows[] = {
        {"signed, now", L"signed-valid.exe", true,
         [](DialogDriver& d) { DialogDriver::Click(d.WaitDialog(IDC_BTN_LATER), IDOK); }, 8, 1, 1},
        {"signed, later", L"signed-valid.exe", true,
         [](DialogDriver& d) { DialogDriver::Click(d.WaitDialog(IDC_BTN_LATER), IDC_BTN_LATER); }, 9, 1, 1},
        {"signed, cancel", L"signed-valid.exe", true,
         [](DialogDriver& d) { DialogDriver::Click(d.WaitDialog(IDC_BTN_LATER), IDCANCEL); }, 7, 1, 1},
        {"signed, no install dialog", L"signed-valid.exe", false, [](DialogDriver&) {}, 8, 1, 1},
        {"unsigned, No", L"unsigned.exe", true, [](DialogDriver& d) { AnswerFailedCheck(d, IDCANCEL); }, 15, 1, 0},
        {"tampered, Yes, No", L"signed-tampered.exe", true,
         [](DialogDriver& d) {
             AnswerFailedCheck(d, IDOK);
             d.WaitText(d.WaitDialog(IDC_PROGRESS), IDC_TXT_TITLE, L"Download update");
             AnswerFailedCheck(d, IDCANCEL);
         },
         15, 2, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Reset(row.fixture);
        host.settings.showInstallDialog = row.installDialog;
        const size_t before = host.Installers().size();
        const int result = Run([&](DialogDriver& d) {
            Accept(d);
            row.answer(d);
            d.Wait([&] { return Requests("GET", "/setup.exe") == row.downloads; }, 20000, "downloads");
            d.WaitDialogGone(IDC_PROGRESS);
            d.WaitDialogGone(IDC_BTN_LATER);
        });
        EXPECT_EQ(row.result, result);
        EXPECT_EQ(row.handedOver, host.Installers().size() - before);
        EXPECT_TRUE(!row.handedOver || host.Installers().back().path == folder.Path(L"Setup.exe"));
        EXPECT_EQ(1u, Requests("POST", "/upload/put"));
        EXPECT_FALSE(zvtest::FileExists(*host.settings.crmUploadFile));
        EXPECT_EQ(L"1", zvtest::ArgumentsOf(host.Calls(), "SetSendCRMData"));
    }
}

// Presses Cancel in window if it is the progress dialog (and then stops).
BOOL CALLBACK PressCancelInProgressDialog(HWND window, LPARAM)
{
    return !DialogDriver::Item(window, IDC_PROGRESS)
           || !PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

// Every other way out of the run, with the result it gives.
TEST_P(InteractiveUpdate, EveryWayOutGivesItsResult)
{
    const unsigned long long size = 640 * 1024;
    const struct {
        const char* name;
        bool workersOnly;
        std::function<void(InteractiveUpdate&)> prepare;
        Script script;
        int result;
        size_t handedOver;
        const wchar_t* showAgain; // SetShowUpdateDialog: only the box decides
    } rows[] = {
        {"declined", false, nullptr,
         [](DialogDriver& d) { DialogDriver::Click(WaitForOffer(d), IDCANCEL); }, 1, 0, L"1"},
        {"declined for good, upload not offered", false,
         [](InteractiveUpdate& t) { t.host.settings.crmUploadOffered = false; },
         [](DialogDriver& d) {
             HWND offer = WaitForOffer(d);
             d.Check(!DialogDriver::IsVisible(offer, IDC_CHECK_SEND_CRM_DATA) &&
                         !DialogDriver::IsVisible(offer, IDC_BTN_SHOW_CRM),
                     "upload controls shown");
             DialogDriver::SetCheck(offer, IDC_CHECK_DONT_SHOW_AGAIN, true);
             DialogDriver::Click(offer, IDCANCEL);
         },
         1, 0, L"0"},
        {"no update", false, [](InteractiveUpdate& t) { t.server->Route("/update", HttpResponse::NotFound()); },
         [](DialogDriver& d) {
             HWND dialog = d.WaitDialog(IDC_TXT_WAIT);
             d.WaitVisible(dialog, IDC_TXT_NO_PATCH_AVAILABLE);
             d.Check(!DialogDriver::IsVisible(dialog, IDOK) && DialogDriver::Text(dialog, IDCANCEL) == L"Close",
                     "the notice offers only Close");
             DialogDriver::Click(dialog, IDCANCEL);
         },
         1, 0, L"1"},
        {"closed while the check runs", true,
         [](InteractiveUpdate& t) {
             HttpResponse late = HttpResponse::Ok(zvtest::PatchDocument("http://127.0.0.1/setup.exe", 100));
             late.Delay(1500);
             t.server->Route("/update", late);
         },
         [](DialogDriver& d) { DialogDriver::Click(d.WaitDialog(IDC_TXT_WAIT), IDCANCEL); }, 1, 0, L"1"},
        {"cancel during the upload", true,
         [](InteractiveUpdate& t) {
             HttpResponse slowUpload = HttpResponse::Ok();
             slowUpload.Delay(1500);
             t.server->Route("/upload/put", slowUpload);
         },
         [this](DialogDriver& d) {
             Accept(d);
             HWND progress = d.WaitDialog(IDC_PROGRESS);
             // Pressed once the data is on its way: a cancel before that
             // skips the upload. The upload runs to its end.
             d.Wait([&] { return Requests("POST", "/upload/put") == 1; }, 20000, "the upload did not begin");
             DialogDriver::Click(progress, IDCANCEL);
             Sleep(300);
             d.Check(d.IsDialogOpen(IDC_PROGRESS), "cancel closed the dialog before the upload reported");
         },
         15, 0, L"1"},
        {"download fails", false, [](InteractiveUpdate& t) { t.server->Route("/setup.exe", HttpResponse::NotFound()); },
         [](DialogDriver& d) { Accept(d); }, 15, 0, L"1"},
        {"cancel during the transfer", false,
         [size](InteractiveUpdate& t) {
             HttpResponse held = HttpResponse::Pattern(size);
             held.StallAfter(size / 2);
             t.Serve(held, size);
         },
         [this](DialogDriver& d) {
             Accept(d);
             HWND progress = d.WaitDialog(IDC_PROGRESS);
             d.Check(server->WaitForStall(20000), "no stall");
             DialogDriver::Click(progress, IDCANCEL);
             Sleep(300);
             server->ReleaseStalls();
         },
         15, 0, L"1"},
        {"cancel during the signature check", false,
         [](InteractiveUpdate& t) {
             // The press comes from the host's log hook as the check starts.
             const DWORD uiThread = GetCurrentThreadId();
             t.host.onLog = [uiThread](const std::wstring& line) {
                 if (line.find(L"ThreadFileCheck(): start checking") == std::wstring::npos)
                     return;
                 EnumThreadWindows(uiThread, PressCancelInProgressDialog, 0);
                 if (GetCurrentThreadId() != uiThread)
                     Sleep(500); // the dialog handles the press before the check reports
             };
         },
         [](DialogDriver& d) { Accept(d); }, 12, 1, L"1"},
    };
    for (const auto& row : rows) {
        if (row.workersOnly && !GetParam())
            continue; // without worker threads the check has ended before the dialog shows
        SCOPED_TRACE(row.name);
        Reset(L"signed-valid.exe");
        host.settings.crmUploadOffered = true;
        if (row.prepare)
            row.prepare(*this);
        const size_t before = host.Installers().size();
        const int result = Run([&](DialogDriver& d) {
            row.script(d);
            d.WaitDialogGone(IDC_TXT_WAIT);
            d.WaitDialogGone(IDC_PROGRESS);
            Sleep(300);
            d.Check(!d.IsDialogOpen(IDC_BTN_LATER), "install dialog shown");
        });
        EXPECT_EQ(row.result, result);
        EXPECT_EQ(row.handedOver, host.Installers().size() - before);
        // Only the box decides whether the offer comes again.
        EXPECT_EQ(row.showAgain, zvtest::ArgumentsOf(host.Calls(), "SetShowUpdateDialog"));
    }
}

TEST_P(InteractiveUpdate, WhatsNewEnlargesTheDialogAndShowsTheReleaseNotes)
{
    HDC screen = GetDC(nullptr);
    const int grows = MulDiv(200, std::min(GetDeviceCaps(screen, LOGPIXELSY), 168), 96);
    ReleaseDC(nullptr, screen);
    std::wstring target;
    const int result = Run([&](DialogDriver& d) {
        HWND offer = WaitForOffer(d);
        const RECT before = DialogDriver::WindowRect(offer);
        DialogDriver::Click(offer, IDC_BTN_WHATS_NEW);
        d.WaitVisible(offer, IDC_BTN_WHATS_NEW, false);
        d.Wait([&] {
            const RECT after = DialogDriver::WindowRect(offer);
            return after.bottom - after.top == before.bottom - before.top + grows && after.top == before.top &&
                   after.left == before.left && after.right == before.right;
        }, 5000, "the dialog did not grow by 200 pixels at 96 DPI, in place");
        auto* browser = reinterpret_cast<CZV_WebBrowserControl*>(
            GetWindowLongPtrW(DialogDriver::Item(offer, IDC_BROWSER), GWLP_USERDATA));
        d.Check(DialogDriver::IsVisible(offer, IDC_BROWSER) && browser && browser->GetBrowser(), "no browser pane");
        // Read across threads: the browser only hands out the address it keeps.
        d.Wait([&] { return !(target = zvtest::FileShownBy(browser->GetBrowser())).empty(); }, 10000, "not navigated");
        DialogDriver::Click(offer, IDCANCEL);
        d.WaitDialogGone(IDC_TXT_WAIT);
    });
    EXPECT_EQ(1, result);
    EXPECT_EQ(host.ReleaseNotesFile().value_or(L"(none)"), target);
}

// DialogBoxIndirectParam answers 0 when the owner is no window; the run must
// take that for a dialog that could not be shown, not for an acceptance.
TEST_P(InteractiveUpdate, AnOwnerThatIsNoWindowIsNoAcceptance)
{
    HWND gone = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    host.settings.parentWindow = gone;
    host.settings.sendCRMData = false;
    EXPECT_EQ(1, DoAction(&host, 1));
    EXPECT_EQ(0u, host.CountOf("SetSendCRMData"));
    EXPECT_EQ(L"1", zvtest::ArgumentsOf(host.Calls(), "SetShowUpdateDialog")); // the box was never shown
    EXPECT_EQ(0u, Requests("GET", "/setup.exe"));
}

INSTANTIATE_TEST_SUITE_P(WorkerThreads, InteractiveUpdate, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Workers" : "CallerThread");
                         });

} // namespace
