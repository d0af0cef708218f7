// Keys and focus through the real dialogs, keys sent to the focused control:
// Enter and Escape only do what a shown button does and never start a job
// twice, the first focus is on the primary button, Tab reaches every control
// in reading order, Space ticks a check box, and the customer-data viewer is
// modal to the update dialog and opens at its first line. And the release
// notes are readable where the browser cannot show them.
#include "DialogTestSupport.h"

#include "dialogs/DlgProgress.h"
#include "dialogs/DlgUpdate.h"
#include "resources/resource.h"
#include "toolkit/ZVBeautyDialogDesigner.h"
#include "update/UpdateMessages.h"

#include <gtest/gtest.h>

using namespace zvdialogtest;

namespace {

using ProgressSteps = std::vector<Probe<CDlgProgress>::Step>;
using UpdateSteps = std::vector<Probe<CDlgUpdate>::Step>;

template <class D> std::function<void(D&)> Press(UINT key)
{
    return [key](D&) { PressKey(key); };
}

TEST(DialogKeys, EnterDuringAStepNeverStartsASecondDownload)
{
    FakeJobs jobs;
    TestConfiguration config;
    Probe<CDlgProgress> dialog(
        ProgressSteps{[&](Probe<CDlgProgress>& d) {
                          EXPECT_EQ(d.Item(IDCANCEL), GetFocus());
                          SendMessageW(d, WM_CRM_UPLOADED, 0, 0); // the download starts
                      },
                      [&](Probe<CDlgProgress>& d) {
                          EXPECT_EQ(1, jobs.downloads);
                          EXPECT_FALSE(CZV_BeautyDialog::IsUsable(d.Item(IDOK)));
                          SendMessageW(d, WM_COMMAND, IDOK, 0); // Enter's command for the hidden IDOK
                      },
                      Press<Probe<CDlgProgress>>(VK_RETURN), // the focused Cancel button
                      [&](Probe<CDlgProgress>& d) {
                          EXPECT_EQ(1, jobs.downloads);
                          EXPECT_EQ(std::vector<int>{kCancelWhileRunning}, jobs.cancels);
                          SendMessageW(d, WM_FILE_CHECKED, 0, 0); // a late report after the cancel ends it
                      }},
        &config, &jobs, nullptr);
    EXPECT_EQ(CDlgProgress::kDone, dialog.DoModal());
    EXPECT_EQ(1, jobs.uploads);
}

TEST(DialogKeys, AfterAFailedCheckEnterRestartsTheDownloadOnce)
{
    FakeJobs jobs;
    TestConfiguration config;
    Probe<CDlgProgress> dialog(ProgressSteps{[](Probe<CDlgProgress>& d) { SendMessageW(d, WM_CRM_UPLOADED, 0, 0); },
                                             [](Probe<CDlgProgress>& d) { SendMessageW(d, WM_DOWNLOAD_DONE, 0, 1); },
                                             [](Probe<CDlgProgress>& d) { SendMessageW(d, WM_FILE_CHECKED, 0, 0); },
                                             [](Probe<CDlgProgress>& d) { EXPECT_EQ(d.Item(IDOK), GetFocus()); },
                                             Press<Probe<CDlgProgress>>(VK_RETURN), // "Yes"
                                             [](Probe<CDlgProgress>&) {}, // the job starts from a posted message
                                             [&](Probe<CDlgProgress>& d) {
                                                 EXPECT_EQ(2, jobs.downloads);
                                                 EXPECT_TRUE(jobs.cancels.empty());
                                                 EXPECT_EQ(d.Item(IDCANCEL), GetFocus());
                                                 PressKey(VK_ESCAPE);
                                             }},
                               &config, &jobs, nullptr);
    EXPECT_EQ(kStepsDone, dialog.DoModal());
    EXPECT_EQ(std::vector<int>{kCancelWhileRunning}, jobs.cancels);
}

// Steps that record the focused control and press Tab, count times.
UpdateSteps TabRound(int count, std::vector<int>& visited)
{
    UpdateSteps steps;
    for (int i = 0; i < count; ++i)
        steps.push_back([&visited](Probe<CDlgUpdate>&) {
            visited.push_back(GetDlgCtrlID(GetFocus()));
            PressKey(VK_TAB);
        });
    return steps;
}

TEST(DialogKeys, UpdateDialogFocusTabOrderSpaceAndEnter)
{
    FakeJobs jobs;
    TestConfiguration config;
    const int close = static_cast<int>(CZV_BeautyDialogDesigner::kCloseButtonId);
    std::vector<int> visited;
    UpdateSteps steps = {[&](Probe<CDlgUpdate>& d) {
                             // Waiting: the close button is the one control, and has a name.
                             EXPECT_EQ(d.Item(close), GetFocus());
                             EXPECT_NE(L"", TextOf(d.Item(close)));
                             SendMessageW(d, WM_UPDATE_CHECKED, 1, 0);
                         }};
    for (auto& step : TabRound(6, visited)) // from the primary button to "Don't show this dialog again"
        steps.push_back(step);
    steps.push_back(Press<Probe<CDlgUpdate>>(VK_SPACE));
    steps.push_back([](Probe<CDlgUpdate>& d) {
        EXPECT_EQ(BST_CHECKED, SendMessageW(d.Item(IDC_CHECK_DONT_SHOW_AGAIN), BM_GETCHECK, 0, 0));
        PressKey(VK_TAB);
    });
    steps.push_back(Press<Probe<CDlgUpdate>>(VK_TAB));
    steps.push_back(Press<Probe<CDlgUpdate>>(VK_RETURN)); // "Update later", focused
    Probe<CDlgUpdate> dialog(steps, &config, &jobs, nullptr);
    EXPECT_EQ(CDlgUpdate::kNotAccepted, dialog.DoModal());
    EXPECT_TRUE(dialog.IsDontShowAgainChecked());
    const std::vector<int> reading = {IDOK, IDCANCEL, close, IDC_BTN_WHATS_NEW, IDC_CHECK_SEND_CRM_DATA,
                                      IDC_BTN_SHOW_CRM};
    EXPECT_EQ(reading, visited);
}

TEST(DialogKeys, TheViewerIsModalToTheUpdateDialogAndOpensAtItsFirstLine)
{
    FakeJobs jobs;
    TestConfiguration config;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    config.crmFile = std::wstring(temp) + L"zv_keys_crm.txt";
    if (FILE* file = _wfopen(config.crmFile.c_str(), L"wb")) {
        for (int line = 0; line < 80; ++line)
            fprintf(file, "line %d of the program information\n", line);
        fclose(file);
    }
    bool viewerSeen = false;
    std::vector<int> visited;
    UpdateSteps steps = {[](Probe<CDlgUpdate>& d) { SendMessageW(d, WM_UPDATE_CHECKED, 1, 0); }};
    for (auto& step : TabRound(5, visited)) // to "More"
        steps.push_back(step);
    steps.push_back(Press<Probe<CDlgUpdate>>(VK_SPACE)); // the viewer runs; the next step runs inside it
    steps.push_back([&](Probe<CDlgUpdate>& d) {
        HWND viewer = GetParent(GetFocus());
        HWND field = GetDlgItem(viewer, IDC_EDIT_CRM);
        viewerSeen = viewer != d && field != nullptr;
        EXPECT_EQ(static_cast<HWND>(d), GetWindow(viewer, GW_OWNER));
        EXPECT_FALSE(IsWindowEnabled(d));
        DWORD start = 1, end = 1;
        SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(0u, start + end);
        EXPECT_EQ(0, SendMessageW(field, EM_GETFIRSTVISIBLELINE, 0, 0));
        PressKey(VK_ESCAPE);
    });
    steps.push_back([](Probe<CDlgUpdate>& d) { EXPECT_TRUE(IsWindowEnabled(d)); });
    Probe<CDlgUpdate> dialog(steps, &config, &jobs, nullptr);
    EXPECT_EQ(kStepsDone, dialog.DoModal());
    EXPECT_TRUE(viewerSeen);
}

// Runs the dialog thread's messages until done() holds, at most ms.
bool RunUntil(const std::function<bool()>& done, DWORD ms = 10000)
{
    for (const DWORD start = GetTickCount(); !done() && GetTickCount() - start < ms; Sleep(10)) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return done();
}

TEST(ReleaseNotes, WithoutABrowserThatShowsThemTheyAreTextInThePaneAndLoggedOnce)
{
    FakeJobs jobs;
    TestConfiguration config;
    std::wstring shown;
    RECT pane = {}, text = {};
    bool visible = false;
    UpdateSteps steps = {[](Probe<CDlgUpdate>& d) { SendMessageW(d, WM_UPDATE_CHECKED, 1, 0); },
                         [](Probe<CDlgUpdate>& d) {
                             SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_BTN_WHATS_NEW, BN_CLICKED), 0);
                         },
                         [&](Probe<CDlgUpdate>& d) {
                             // Wine here has no browser engine: the browser never shows a document.
                             // The pane's window holds its control object.
                             CZV_WebBrowserControl& browser = *reinterpret_cast<CZV_WebBrowserControl*>(
                                 GetWindowLongPtrW(d.Item(IDC_BROWSER), GWLP_USERDATA));
                             ASSERT_TRUE(RunUntil([&] { return browser.IsShowingText(); }));
                             HWND field = browser.GetTextPane().GetSafeHwnd();
                             shown = browser.GetTextPane().GetText();
                             visible = IsWindowVisible(field) != FALSE;
                             GetWindowRect(d.Item(IDC_BROWSER), &pane);
                             GetWindowRect(field, &text);
                             RunUntil([] { return false; }, 500); // later timer ticks change nothing
                         }};
    Probe<CDlgUpdate> dialog(steps, &config, &jobs, nullptr);
    EXPECT_EQ(kStepsDone, dialog.DoModal());
    EXPECT_TRUE(visible);
    EXPECT_TRUE(EqualRect(&pane, &text)) << "the text does not take the pane's place";
    for (const wchar_t* part : {L"Sample Studio 2.0", L"Opens files twice as fast.", L"Exports to PDF.", L"the web site"})
        EXPECT_NE(std::wstring::npos, shown.find(part)) << part;
    EXPECT_EQ(std::wstring::npos, shown.find(L'<')) << "markup shown";
    size_t lines = 0;
    for (const auto& line : config.log)
        lines += line.find(L"release notes") != std::wstring::npos;
    EXPECT_EQ(1u, lines);
}

} // namespace
