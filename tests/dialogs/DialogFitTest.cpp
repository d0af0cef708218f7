// No clipped text: every state of the four dialogs with the default skin, in
// all 22 languages at 96, 120, 144, 168 and 192 DPI, and at 144 DPI in
// glass-frame mode (controls below the caption band). Each shown text fits
// its control (measured with the control's own font and the way it draws),
// no two shown controls overlap (the frame areas lie under everything), each
// lies inside the client area, the dialog inside the screen's work area
// (also once it grew for the release notes), and each one a keyboard reaches has a name
// (its window text) for assistive technology.
#include "DialogTestSupport.h"

#include "dialogs/CRMViewer.h"
#include "dialogs/DlgInstall.h"
#include "dialogs/DlgProgress.h"
#include "dialogs/DlgUpdate.h"
#include "resources/resource.h"
#include "toolkit/ZVBeautyDialogDesigner.h"
#include "toolkit/ZVColorFrame.h"
#include "toolkit/ZVToolkit.h"
#include "update/UpdateMessages.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace zvdialogtest;

namespace {

const wchar_t* const kLanguages[] = {L"en_UK", L"de_DE", L"fr_FR", L"fr_CA", L"it_IT", L"es_ES", L"pt_PT", L"pt_BR",
                                     L"nl_NL", L"da_DK", L"sv_SE", L"fi_FI", L"pl_PL", L"cs_CZ", L"hu_HU", L"el_GR",
                                     L"ru_RU", L"tr_TR", L"ja_JP", L"ko_KR", L"zh_CN", L"zh_TW"};

struct Walk {
    std::string where;
    std::vector<std::string> misfits;
    void Fail(const std::string& what) { misfits.push_back(where + ": " + what); }
};

std::string Name(HWND control) { return "control " + std::to_string(GetDlgCtrlID(control)); }

// The checks of one state, in the dialog's thread.
void CheckState(HWND dialog, const char* state, bool glass, Walk& walk)
{
    const std::string where = walk.where;
    walk.where += std::string(" ") + state;
    RECT client = {}, frame = {}, inside = {};
    GetClientRect(dialog, &client);
    GetWindowRect(dialog, &frame);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor);
    if (!IntersectRect(&inside, &frame, &monitor.rcWork) || !EqualRect(&inside, &frame))
        walk.Fail("the dialog leaves the screen's work area");
    std::vector<std::pair<HWND, RECT>> shown;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!(GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE))
            continue;
        CZV_ControlBase* control = CZV_ControlBase::FromHandle(child);
        if (dynamic_cast<CZV_ColorFrame*>(control))
            continue;
        RECT rect = {};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        if (rect.left < 0 || rect.top < 0 || rect.right > client.right || rect.bottom > client.bottom)
            walk.Fail(Name(child) + " leaves the client area");
        const int band = glass ? ZVToolkit::ScaleY(ZVToolkit::kGlassCaptionHeight) : 0;
        if (rect.top < band && GetDlgCtrlID(child) != static_cast<int>(CZV_BeautyDialogDesigner::kCloseButtonId))
            walk.Fail(Name(child) + " lies in the caption band");
        for (const auto& other : shown) {
            RECT both = {};
            if (IntersectRect(&both, &rect, &other.second))
                walk.Fail(Name(child) + " overlaps " + Name(other.first));
        }
        shown.push_back({child, rect});
        const std::wstring text = TextOf(child);
        if ((GetWindowLongPtrW(child, GWL_STYLE) & WS_TABSTOP) && text.empty() && !(GetWindowLongPtrW(child, GWL_STYLE) & ES_READONLY))
            walk.Fail(Name(child) + " has no name");
        RECT area = {};
        UINT format = 0;
        if (!control || text.empty() || !control->GetTextLayout(area, format))
            continue;
        HDC dc = GetDC(child);
        HGDIOBJ old = SelectObject(dc, control->GetDrawFont());
        RECT needed = area;
        DrawTextW(dc, text.c_str(), -1, &needed, format | DT_CALCRECT);
        SelectObject(dc, old);
        ReleaseDC(child, dc);
        if (needed.right > area.right || needed.bottom > area.bottom) {
            std::ostringstream what;
            what << Name(child) << " text needs " << needed.right - needed.left << "x" << needed.bottom - needed.top
                 << ", has " << area.right - area.left << "x" << area.bottom - area.top;
            walk.Fail(what.str());
        }
    }
    walk.where = where;
}

template <class Dialog> using Steps = std::vector<typename Probe<Dialog>::Step>;

TEST(DialogFit, EveryStateInEveryLanguageAndDpi)
{
    FakeJobs jobs;
    TestConfiguration config;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    config.crmFile = std::wstring(temp) + L"zv_fit_crm.txt";
    if (FILE* file = _wfopen(config.crmFile.c_str(), L"wb")) {
        fputs("program=SampleStudio\nversion=1.0.0.0\n", file);
        fclose(file);
    }
    Walk walk;
    size_t states = 0;
    // The glass frame is set for each row, whatever the system says (sid's
    // Wine reports desktop composition, bookworm's does not).
    const struct {
        unsigned int dpi;
        bool glass;
    } rows[] = {{96, false}, {120, false}, {144, false}, {168, false}, {192, false}, {144, true}};
    for (const auto& row : rows) {
        const unsigned int dpi = row.dpi;
        const bool glass = row.glass;
        ZVToolkit::SetGlassFrameMode(glass);
        CBaseDlg::SetDpiOverride(dpi);
        for (const wchar_t* language : kLanguages) {
            config.language = language;
            walk.where = std::string(language, language + wcslen(language)) + " " + std::to_string(dpi) + " DPI" +
                         (glass ? " glass" : "");
            auto check = [&](const char* state) {
                return [&walk, &states, state, dpi, glass](CBaseDlg& d) {
                    if (d.GetDpi() != (dpi > 168u ? 168u : dpi)) // the cap: 96 * 7 / 4
                        walk.Fail("laid out at " + std::to_string(d.GetDpi()) + " DPI");
                    CheckState(d, state, glass, walk);
                    ++states;
                };
            };
            Probe<CDlgUpdate> offer(Steps<CDlgUpdate>{check("waiting"),
                                                      [](Probe<CDlgUpdate>& d) { SendMessageW(d, WM_UPDATE_CHECKED, 1, 0); },
                                                      check("offer"),
                                                      [](Probe<CDlgUpdate>& d) {
                                                          SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_BTN_WHATS_NEW, BN_CLICKED), 0);
                                                      },
                                                      check("release notes")},
                                    &config, &jobs, nullptr);
            EXPECT_EQ(kStepsDone, offer.DoModal()) << walk.where;
            Probe<CDlgUpdate> none(Steps<CDlgUpdate>{[](Probe<CDlgUpdate>& d) { SendMessageW(d, WM_UPDATE_CHECKED, 0, 0); },
                                                     check("no update")},
                                   &config, &jobs, nullptr);
            EXPECT_EQ(kStepsDone, none.DoModal()) << walk.where;
            const long long total = jobs.GetPatchInfo().GetFileSize();
            Probe<CDlgProgress> progress(
                Steps<CDlgProgress>{check("uploading"),
                                    [](Probe<CDlgProgress>& d) { SendMessageW(d, WM_CRM_UPLOADED, 0, 0); },
                                    [total](Probe<CDlgProgress>& d) {
                                        SendMessageW(d, WM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(total / 100 * 99), 0);
                                    },
                                    check("downloading"),
                                    [](Probe<CDlgProgress>& d) { SendMessageW(d, WM_DOWNLOAD_DONE, 0, 1); },
                                    check("checking"),
                                    [](Probe<CDlgProgress>& d) { SendMessageW(d, WM_FILE_CHECKED, 0, 0); },
                                    check("check failed")},
                &config, &jobs, nullptr);
            EXPECT_EQ(kStepsDone, progress.DoModal()) << walk.where;
            Probe<CDlgInstall> install(Steps<CDlgInstall>{check("install")}, &config, nullptr);
            EXPECT_EQ(kStepsDone, install.DoModal()) << walk.where;
            Probe<CCRMViewer> viewer(Steps<CCRMViewer>{check("viewer")}, &config, nullptr);
            EXPECT_EQ(kStepsDone, viewer.DoModal()) << walk.where;
        }
    }
    CBaseDlg::SetDpiOverride(0);
    ZVToolkit::FollowSystemGlassFrame();
    EXPECT_EQ(sizeof(rows) / sizeof(rows[0]) * 22u * 10u, states);
    std::string report;
    for (size_t i = 0; i < walk.misfits.size() && i < 40; ++i)
        report += walk.misfits[i] + "\n";
    EXPECT_TRUE(walk.misfits.empty()) << walk.misfits.size() << " misfits, the first ones:\n" << report;
}

} // namespace
