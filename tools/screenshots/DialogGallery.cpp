// The dialog gallery's pictures: every state of the four dialogs with the
// default skin, driven as the dialog tests drive them, one BMP file per
// language and state in the output folder (<code>-<nn>-<state>.bmp).
// tools/dialog-gallery.sh runs it at each DPI and puts the pictures together.
// Usage: dialog_gallery <output folder> [language code ...]  (default: en_UK)
#include "dialogs/DialogTestSupport.h"

#include "demo/WindowCapture.h"
#include "dialogs/CRMViewer.h"
#include "dialogs/DlgInstall.h"
#include "dialogs/DlgProgress.h"
#include "dialogs/DlgUpdate.h"
#include "resources/resource.h"
#include "toolkit/ZVWebBrowser.h"
#include "update/UpdateMessages.h"

#include <cstdio>
#include <string>

using namespace zvdialogtest;

namespace {

std::wstring g_folder, g_language;
int g_number = 0;

// Serves the thread's messages for a while (paints, the release notes pane's
// timer).
void Pump(DWORD milliseconds, const std::function<bool()>& done = nullptr)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds && !(done && done())) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(20);
    }
}

std::function<void(CBaseDlg&)> Shoot(const wchar_t* state)
{
    return [state](CBaseDlg& dialog) {
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Pump(300);
        wchar_t name[64] = {};
        swprintf(name, 64, L"%ls-%02d-%ls.bmp", g_language.c_str(), ++g_number, state);
        zvdemo::CaptureWindowToBmp(dialog, g_folder + L"\\" + name);
    };
}

template <class D> using Steps = std::vector<typename Probe<D>::Step>;

void ShootLanguage(TestConfiguration& config, FakeJobs& jobs)
{
    g_number = 0;
    Probe<CDlgUpdate> offer(Steps<CDlgUpdate>{Shoot(L"waiting"),
                                              [](Probe<CDlgUpdate>& d) { SendMessageW(d, WM_UPDATE_CHECKED, 1, 0); },
                                              Shoot(L"offer"),
                                              [](Probe<CDlgUpdate>& d) {
                                                  SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_BTN_WHATS_NEW, BN_CLICKED), 0);
                                                  const auto* browser = reinterpret_cast<CZV_WebBrowserControl*>(
                                                      GetWindowLongPtrW(d.Item(IDC_BROWSER), GWLP_USERDATA));
                                                  Pump(2 * CZV_WebBrowserControl::kShowTimeoutMs,
                                                       [browser] { return browser && browser->IsShowingText(); });
                                              },
                                              Shoot(L"notes")},
                            &config, &jobs, nullptr);
    offer.DoModal();
    Probe<CDlgUpdate> none(Steps<CDlgUpdate>{[](Probe<CDlgUpdate>& d) { SendMessageW(d, WM_UPDATE_CHECKED, 0, 0); },
                                             Shoot(L"none")},
                           &config, &jobs, nullptr);
    none.DoModal();
    const long long total = jobs.GetPatchInfo().GetFileSize();
    Probe<CDlgProgress> progress(
        Steps<CDlgProgress>{Shoot(L"uploading"),
                            [](Probe<CDlgProgress>& d) { SendMessageW(d, WM_CRM_UPLOADED, 0, 0); },
                            [total](Probe<CDlgProgress>& d) {
                                SendMessageW(d, WM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(total / 100 * 42), 0);
                            },
                            Shoot(L"downloading"),
                            [](Probe<CDlgProgress>& d) { SendMessageW(d, WM_DOWNLOAD_DONE, 0, 1); },
                            Shoot(L"checking"),
                            [](Probe<CDlgProgress>& d) { SendMessageW(d, WM_FILE_CHECKED, 0, 0); },
                            Shoot(L"failed")},
        &config, &jobs, nullptr);
    progress.DoModal();
    Probe<CDlgInstall> install(Steps<CDlgInstall>{Shoot(L"install")}, &config, nullptr);
    install.DoModal();
    Probe<CCRMViewer> viewer(Steps<CCRMViewer>{Shoot(L"viewer")}, &config, nullptr);
    viewer.DoModal();
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    g_folder = argv[1];
    CreateDirectoryW(g_folder.c_str(), nullptr);
    FakeJobs jobs;
    TestConfiguration config;
    config.crmFile = g_folder + L"\\crm.txt";
    if (FILE* file = _wfopen(config.crmFile.c_str(), L"wb")) {
        fputs("program=SampleStudio\nversion=1.0.0.0\nlanguage=en_UK\nplatform=x64\nmodules=pdf,export\n", file);
        fclose(file);
    }
    for (int i = 2; i < argc || i == 2; ++i) {
        g_language = i < argc ? argv[i] : L"en_UK";
        config.language = g_language;
        ShootLanguage(config, jobs);
    }
    DeleteFileW(config.crmFile.c_str());
    return 0;
}
