// CDlgProgress on its own: the status line follows the percentage only when
// it grows, a restart shows 0 % again, and the texts and buttons of each
// screen. The download job is held by a stalled (later: a slow) loopback
// server while the test sends the dialog progress reports of its own choosing.
#include "dialogs/DialogDriver.h"
#include "dialogs/DlgProgress.h"
#include "http/TestFiles.h"
#include "online/FormatSize.h"
#include "support/LoopbackHttpServer.h"
#include "update/UpdateTestHelpers.h"
#include "update/Updater.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using zvtest::DialogDriver;
using zvtest::HttpResponse;
using zvtest::LoopbackHttpServer;

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t ch : text)
        out += ch < 128 ? static_cast<char>(ch) : '?';
    return out;
}

std::wstring Status(const wchar_t* percent, unsigned long long bytes, unsigned long long total)
{
    return std::wstring(L"Downloading ....   ") + percent + L" (" + FormatSize(bytes, 0, 0, -1, 2057).c_str() +
           L" / " + FormatSize(total, 0, 0, -1, 2057).c_str() + L")";
}

// A progress report handled before this returns.
void Report(HWND dialog, unsigned int bytes)
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(dialog, WM_DOWNLOAD_PROGRESS, bytes, 0, SMTO_BLOCK, 5000, &ignored);
}

TEST(ProgressDialog, StatusFollowsGrowingPercentagesAndRestartsAtZero)
{
    const unsigned long long total = 1000;
    LoopbackHttpServer server;
    ASSERT_TRUE(server.IsRunning()) << server.Error();
    HttpResponse held = HttpResponse::Pattern(total);
    held.StallAfter(0);
    server.Route("/setup.exe", held);

    zvtest::TempFolder folder;
    zvtest::HookedHost host;
    host.settings.sendCRMData = false; // no upload: the download starts at once
    host.settings.downloadFolder = folder.Path();
    host.settings.installerFileName = L"Setup.exe";
    host.settings.programLanguage = L"en_UK";
    std::wstring document = folder.File(L"patch.xml");
    std::wstring url = server.Url("/setup.exe");
    ASSERT_TRUE(zvtest::WriteFileBytes(document, zvtest::PatchDocument(Narrow(url), total)));

    std::vector<std::wstring> texts;
    std::wstring restarted, title, cancelText, failureStatus;
    int result = -100;
    {
        CUpdater updater(&host);
        updater.GetPatchInfo().Read(ZvOSAL::ZvPath(document.c_str()));
        ASSERT_EQ(total, static_cast<unsigned long long>(updater.GetPatchInfo().GetFileSize()));

        DialogDriver driver(GetCurrentThreadId(), [&](DialogDriver& d) {
            HWND dialog = d.WaitDialog(IDC_PROGRESS);
            d.Check(server.WaitForStall(20000), "the download job never started");
            d.WaitVisible(dialog, IDC_PROGRESS);
            texts.push_back(DialogDriver::Text(dialog, IDC_TXT_DOWNLOAD_STATUS)); // before any report
            for (unsigned int bytes : {100u, 105u, 110u, 50u, 999u}) {
                Report(dialog, bytes);
                texts.push_back(DialogDriver::Text(dialog, IDC_TXT_DOWNLOAD_STATUS));
            }
            // The held transfer ends; the file is no signed program, so the
            // check fails and the restart question shows. "Yes" downloads
            // again, this time answered only after a delay.
            server.ReleaseStalls();
            d.WaitText(dialog, IDC_TXT_DOWNLOAD_STATUS, L"Do you want to restart the update process?");
            failureStatus = DialogDriver::Text(dialog, IDC_TXT_DOWNLOAD_STATUS);
            d.Check(DialogDriver::IsVisible(dialog, IDOK), "Yes hidden on the failure screen");
            HttpResponse late = HttpResponse::Pattern(total);
            late.Delay(3000);
            server.Route("/setup.exe", late);
            DialogDriver::Click(dialog, IDOK);
            d.WaitText(dialog, IDC_TXT_TITLE, L"Download update");
            d.WaitVisible(dialog, IDOK, false);
            Report(dialog, 0);
            restarted = DialogDriver::Text(dialog, IDC_TXT_DOWNLOAD_STATUS);
            title = DialogDriver::Text(dialog, IDC_TXT_TITLE);
            cancelText = DialogDriver::Text(dialog, IDCANCEL);
            // Cancel keeps the dialog open until the held transfer reports.
            DialogDriver::Click(dialog, IDCANCEL);
            Sleep(300);
            d.Check(d.IsDialogOpen(IDC_PROGRESS), "cancel closed the dialog before the transfer reported");
            d.WaitDialogGone(IDC_PROGRESS);
        });
        CDlgProgress dialog(&host, &updater, nullptr);
        result = static_cast<int>(dialog.DoModal());
        server.ReleaseStalls(); // whatever happened, the held job may end now
        EXPECT_TRUE(driver.Finish());
        for (const std::string& failure : driver.Failures())
            ADD_FAILURE() << "driver: " << failure;
        EXPECT_EQ(12, updater.GetResult()) << "dialog result " << result;
    }
    EXPECT_EQ(2, result);
    ASSERT_EQ(6u, texts.size());
    EXPECT_EQ(L"Downloading ....", texts[0]);
    EXPECT_EQ(Status(L"10%", 100, total), texts[1]);
    EXPECT_EQ(Status(L"10%", 100, total), texts[2]) << "same percentage: the line must not change";
    EXPECT_EQ(Status(L"11%", 110, total), texts[3]);
    EXPECT_EQ(Status(L"11%", 110, total), texts[4]) << "a smaller percentage must not change the line";
    EXPECT_EQ(Status(L"99%", 999, total), texts[5]);
    EXPECT_EQ(L"Do you want to restart the update process?", failureStatus);
    EXPECT_EQ(Status(L"0%", 0, total), restarted);
    EXPECT_EQ(L"Download update", title);
    EXPECT_EQ(L"Cancel", cancelText);
}

} // namespace
