// Not a test: runs action 1 with the real dialogs against a loopback server
// (port 80, for the customer-data upload) and saves a picture of every state
// of the interactive update as a BMP file: waiting, offer, release notes,
// customer-data viewer, uploading, downloading, checking, failure, install,
// no update. tools/workflow-screenshots.sh runs it in a private Xvfb display
// and turns the pictures into PNG files in docs/workflow/.
// Usage: workflow_screenshots.exe <output folder>
#include "demo/WindowCapture.h"
#include "dialogs/DialogDriver.h"
#include "dialogs/SkinnedWorkflowDialogs.h"
#include "support/Files.h"
#include "support/Fixtures.h"
#include "support/LoopbackHttpServer.h"
#include "update/UpdateTestHelpers.h"
#include "update/Updater.h"

#include <cstdio>
#include <string>

namespace {

using zvtest::DialogDriver;
using zvtest::HttpResponse;
using zvtest::LoopbackHttpServer;

std::wstring g_folder;

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t ch : text)
        out += ch < 128 ? static_cast<char>(ch) : '?';
    return out;
}

// A picture of the window, once it has finished painting.
void Capture(HWND window, const wchar_t* name)
{
    Sleep(600);
    if (zvdemo::CaptureWindowToBmp(window, g_folder + L"\\" + name + L".bmp"))
        std::printf("captured %s\n", Narrow(name).c_str());
    else
        std::printf("could not capture %s\n", Narrow(name).c_str());
}

struct Setup {
    LoopbackHttpServer server{LoopbackHttpServer::Tls::None, 80};
    zvtest::TempFolder folder;
    zvtest::HookedHost host;

    Setup()
    {
        host.settings.updateURL = server.Url("/update");
        host.settings.downloadFolder = folder.Path();
        host.settings.installerFileName = L"Setup.exe";
        host.settings.crmRedirectURL = server.Url("/redirect");
        host.settings.crmUploadFile = folder.Path(L"crm.zip");
        host.settings.crmViewFile = folder.Path(L"crm.txt");
        host.settings.programLanguage = L"en_UK";
        host.settings.productName = L"Sample Editor";
        zvtest::WriteFileBytes(*host.settings.crmUploadFile, "customer data");
        zvtest::WriteFileBytes(*host.settings.crmViewFile,
                               "Program=Sample Editor\nVersion=1.0.0.0\nLanguage=en_UK\nPlatform=1\n");
        server.Route("/redirect", HttpResponse::Ok("http://127.0.0.1/upload/put"));
    }

    int Run(std::function<void(DialogDriver&)> script)
    {
        DialogDriver driver(GetCurrentThreadId(), std::move(script));
        int result = 0;
        {
            CUpdater updater(&host, &SkinnedWorkflowDialogs());
            result = updater.Run(1);
        }
        driver.Finish();
        for (const std::string& failure : driver.Failures())
            std::printf("driver: %s\n", failure.c_str());
        return result;
    }
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::printf("usage: workflow_screenshots <output folder>\n");
        return 2;
    }
    g_folder = argv[1];
    CreateDirectoryW(g_folder.c_str(), nullptr);
    zvtest::InstallTestRootCA();

    // 1. The whole road: waiting, offer, release notes, viewer, uploading,
    //    downloading, checking, failure, (Yes) and the install dialog.
    {
        Setup setup;
        if (!setup.server.IsRunning()) {
            std::printf("port 80: %s\n", setup.server.Error().c_str());
            return 1;
        }
        const unsigned long long size = 640 * 1024;
        HttpResponse slowAnswer = HttpResponse::Ok(zvtest::PatchDocument(
            Narrow(setup.server.Url("/setup.exe")), size, "1.1.0.0", 3));
        slowAnswer.Delay(2500);
        setup.server.Route("/update", slowAnswer);
        HttpResponse slowUpload = HttpResponse::Ok();
        slowUpload.Delay(2500);
        setup.server.Route("/upload/put", slowUpload);
        HttpResponse held = HttpResponse::Pattern(size);
        held.StallAfter(size / 2);
        setup.server.Route("/setup.exe", held);
        setup.host.onLog = [](const std::wstring& line) {
            if (line.find(L"ThreadFileCheck(): start checking") != std::wstring::npos)
                Sleep(2500); // long enough to see "Checking update..."
        };
        int result = setup.Run([&](DialogDriver& d) {
            HWND update = d.WaitDialog(IDC_TXT_WAIT);
            Capture(update, L"1-waiting");
            d.WaitVisible(update, IDOK);
            Capture(update, L"2-offer");
            DialogDriver::Click(update, IDC_BTN_WHATS_NEW);
            d.WaitVisible(update, IDC_BROWSER);
            // Where no browser shows the page (Wine), the notes appear as
            // text in the pane (its child 1) a few seconds later.
            const HWND pane = DialogDriver::Item(update, IDC_BROWSER);
            for (int i = 0; i < 60 && !IsWindowVisible(DialogDriver::Item(pane, 1)); ++i)
                Sleep(100);
            Capture(update, L"3-release-notes");
            DialogDriver::Click(update, IDC_BTN_SHOW_CRM);
            HWND viewer = d.WaitDialog(IDC_EDIT_CRM);
            Capture(viewer, L"4-viewer");
            DialogDriver::Click(viewer, IDOK);
            d.WaitDialogGone(IDC_EDIT_CRM);
            DialogDriver::Click(update, IDOK);
            HWND progress = d.WaitDialog(IDC_PROGRESS);
            Capture(progress, L"5-uploading");
            setup.server.WaitForStall(20000);
            d.Wait([&] { return DialogDriver::Text(progress, IDC_TXT_DOWNLOAD_STATUS).find(L'%') != std::wstring::npos; },
                   20000, "no progress");
            Capture(progress, L"6-downloading");
            setup.server.ReleaseStalls();
            d.WaitText(progress, IDC_TXT_DOWNLOAD_STATUS, L"Checking update...");
            Capture(progress, L"7-checking");
            d.WaitText(progress, IDC_TXT_DOWNLOAD_STATUS, L"Do you want to restart the update process?");
            Capture(progress, L"8-failure");
            setup.host.onLog = nullptr;
            setup.server.Route("/setup.exe",
                               HttpResponse::Ok(zvtest::ReadFileBytes(zvtest::FixturePath(L"signed-valid.exe"))));
            DialogDriver::Click(progress, IDOK);
            HWND install = d.WaitDialog(IDC_BTN_LATER);
            Capture(install, L"9-install");
            DialogDriver::Click(install, IDOK);
            d.WaitDialogGone(IDC_BTN_LATER);
        });
        std::printf("road: result %d\n", result);
    }

    // 2. No update.
    {
        Setup setup;
        setup.server.Route("/update", HttpResponse::NotFound());
        int result = setup.Run([&](DialogDriver& d) {
            HWND update = d.WaitDialog(IDC_TXT_WAIT);
            d.WaitVisible(update, IDC_TXT_NO_PATCH_AVAILABLE);
            Capture(update, L"10-no-update");
            DialogDriver::Click(update, IDCANCEL);
            d.WaitDialogGone(IDC_TXT_WAIT);
        });
        std::printf("no update: result %d\n", result);
    }
    return 0;
}
