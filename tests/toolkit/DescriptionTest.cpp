// Dialog description files: parsing (a table of entries and sections, a
// seeded robustness run) and applying them to a real dialog: create and
// subclass sections, the general controls (frame areas, close button), the
// dialog flags, the glass-frame caption offset and alignment entries
// without windows.
#include "../dialogs/DialogTestSupport.h"

#include "toolkit/ZVDialogDescription.h"
#include "ini/ZVIniFileReader.h"
#include "resources/resource.h"
#include "toolkit/ZVColorFrame.h"
#include "toolkit/ZVControls.h"
#include "toolkit/ZVToolkit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

using namespace zvdialogtest;

namespace {

TEST(DescriptionParsing, StylesSectionsAndAlignmentEntries)
{
    for (const wchar_t* style : {L"WS_CHILD|WS_VISIBLE", L" WS_CHILD | WS_VISIBLE ", L"WS_CHILD|NOPE|WS_VISIBLE"})
        EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_VISIBLE), ZVDescription::ParseStyle(style)) << style;
    EXPECT_TRUE(ZVDescription::IsControlSectionName(L"ALIGNMENT0")); // zero is no alignment number
    EXPECT_FALSE(ZVDescription::IsControlSectionName(L"Dialog"));
    const struct {
        const wchar_t* entry;
        bool valid;
    } entries[] = {
        {L"A, B, ZVGUI_RIGHT, ZVGUI_BOTTOM, ZVGUI_RIGHT, ZVGUI_BOTTOM, ZVGUI_SIZEX|ZVGUI_CENTERY, 1, 2, 3, 4", true},
        {L"A, B, 0, 0, 0, 0, 0", true},
        {L"A, B, 0, 0, 0, 0", false},                 // six fields
        {L"A, B, ZVGUI_TOP, 0, 0, 0, 0", false},      // a vertical anchor on the left edge
        {L"A, B, 0, 0, 0, 0, ZVGUI_LEFT", false},     // an anchor as size flag
        {L"A, B, LEFT, 0, 0, 0, 0", false},           // unknown name
        {L"A, B, 0, 0, 0, 0, 0, 1, 2", false},        // two margins
    };
    for (const auto& e : entries) {
        ZVDescription::AlignmentRecord record;
        EXPECT_EQ(e.valid, ZVDescription::ParseAlignmentEntry(e.entry, 0, record)) << e.entry;
    }
    CZVIniFileReader file;
    ASSERT_TRUE(file.LoadFromText(L"[A]\ncreate = create\ntype = CZV_Static\ntemplate = t\nposition = 1 2 3 4\n"
                                  L"style = WS_CHILD\n[B]\ncreate = Create\ntype = CZV_Static\ntemplate = t\n"
                                  L"[C]\ncreate = subclass\ntemplate = t\n[D]\ncreate = create\ntype = CZV_Static\n"
                                  L"template = t\n[ALIGNMENT1]\na = A, d, ZVGUI_LEFT, 0, 0, 0, 0\n"
                                  L"[ALIGNMENT3]\nc = A, d, ZVGUI_LEFT, 0, 0, 0, 0\n"));
    ZVDescription::ControlSection section;
    EXPECT_TRUE(ZVDescription::ReadControlSection(file, L"A", section));
    EXPECT_FALSE(ZVDescription::ReadControlSection(file, L"B", section)); // "Create"
    EXPECT_FALSE(ZVDescription::ReadControlSection(file, L"C", section)); // no type
    EXPECT_FALSE(ZVDescription::ReadControlSection(file, L"D", section)); // create without position and style
    std::vector<ZVDescription::AlignmentRecord> records;
    EXPECT_EQ(1u, ZVDescription::ReadAlignmentSections(file, records)); // no ALIGNMENT2: ALIGNMENT3 unread
}

TEST(DescriptionParsing, RandomTextNeverCrashes)
{
    std::mt19937 random(20240611u);
    const wchar_t alphabet[] = L"WS_CHILD|VISIBLE ZVGUI_LEFT,0123456789-[]=\n\r\t;#ALIGNMENT createsubclass\x00e9\x4e2d";
    for (int round = 0; round < 300; ++round) {
        std::wstring text;
        for (size_t n = random() % 400; n > 0; --n)
            text += alphabet[random() % (sizeof(alphabet) / sizeof(alphabet[0]) - 1)];
        ZVDescription::ParseStyle(text.c_str());
        ZVDescription::AlignmentRecord record;
        if (ZVDescription::ParseAlignmentEntry(text.c_str(), 0, record)) {
            EXPECT_FALSE(record.control.empty()) << round;
        }
        CZVIniFileReader file;
        file.LoadFromText((L"[dialog]\n" + text + L"\n[ALIGNMENT1]\n" + text).c_str());
        std::vector<ZVDescription::AlignmentRecord> records;
        ZVDescription::ReadAlignmentSections(file, records);
        for (const std::wstring& name : ZVDescription::ListSections(file)) {
            ZVDescription::ControlSection section;
            if (ZVDescription::ReadControlSection(file, name.c_str(), section)) {
                EXPECT_FALSE(section.type.empty()) << round;
            }
        }
    }
}

// ---- Applying to a real dialog ----

class DescriptionApplyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"zv_description_test\\";
        CreateDirectoryW(folder.c_str(), nullptr);
        CreateDirectoryW((folder + L"Dialogs").c_str(), nullptr);
        config.haveSkinPath = true;
        config.skinPath = folder;
        Write(L"templates.ini", "[blue]\ntextColor = 0 0 255\nbackColor = 200 220 255\n[area]\nbackColor = 1 2 3\n");
        const char general[] = "[CZV_BeautyDialog]\ncloseButtonTemplate = blue\n"
                               "[IDC_GENERALCONTROLS_FRAME_MAIN_AREA]\ncreate = create\ntype = CZV_ColorFrame\n"
                               "template = area\nposition = 0, 0, 10, 10\nstyle = WS_CHILD|WS_VISIBLE\n"
                               "[ALIGNMENT1]\nf = IDC_GENERALCONTROLS_FRAME_MAIN_AREA, IDD_DIALOG, ZVGUI_LEFT, "
                               "ZVGUI_TOP, ZVGUI_RIGHT, ZVGUI_BOTTOM, ZVGUI_SIZEX|ZVGUI_SIZEY, 0, 0, 0, 0\n";
        Write(L"general.ini", general);
        Write(L"generalControls_vistaDialog.ini", general);
    }
    void TearDown() override { ZVToolkit::FollowSystemGlassFrame(); }

    void Write(const std::wstring& name, const std::string& text)
    {
        FILE* file = _wfopen((folder + L"Dialogs\\" + name).c_str(), L"wb");
        ASSERT_NE(nullptr, file);
        fwrite(text.data(), 1, text.size(), file);
        fclose(file);
    }
    int Scaled(int value, const TestDialog& d) const { return MulDiv(value, static_cast<int>(d.GetDpi()), 96); }
    static RECT Place(HWND control)
    {
        RECT rect = {};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    std::wstring folder;
    TestConfiguration config;
};

const char kHead[] = "[dialog]\nposition = 0, 0, 480, 300\ncontrolTemplateFile = templates.ini\n"
                     "generalControlsFile = general.ini\n";
const char kControls[] =
    "[IDOK]\ncreate = subclass\ntype = CZV_UniButton\ntemplate = blue\nposition = 10, 20, 110, 44\n"
    "[IDCANCEL]\ncreate = Create\ntype = CZV_UniButton\ntemplate = blue\n"
    "[IDC_TXT_PRODUCT]\ncreate = subclass\ntype = CZV_Static\ntemplate = blue\ntext = Skinned text\n"
    "[MY_METER]\ncreate = create\ntype = CZV_PeakMeterCtrl\ntemplate = blue\nposition = 5, 30, 105, 40\n"
    "style = WS_CHILD | WS_VISIBLE\n"
    "[NOT_REGISTERED]\ncreate = create\ntype = CZV_Static\ntemplate = blue\nposition = 0, 0, 9, 9\nstyle = WS_CHILD\n"
    "[ALIGNMENT1]\nm = MY_METER, IDD_DIALOG, ZVGUI_LEFT, 0, 0, 0, 0, -7, 0, 0, 0\n"
    "gone = MY_METER, IDC_BROWSER, ZVGUI_LEFT, 0, 0, 0, 0, -50, 0, 0, 0\n";

TEST_F(DescriptionApplyTest, SectionsGeneralControlsAndAlignment)
{
    // Positions without the glass caption band (a Wine that reports desktop
    // composition would otherwise move every control down by it).
    ZVToolkit::SetGlassFrameMode(false);
    Write(L"Test.ini", std::string(kHead) + "dialogIniFlags = ZVBDD_FLAG_HIDE_NOT_LISTED_CONTROLS\n" + kControls);
    std::vector<std::pair<std::wstring, UINT>> controls = {{L"MY_METER", 3002}};
    for (const auto& control : ControlsOf(IDD_UPDATE))
        if (control.second != IDC_TXT_PLEASE_WAIT)
            controls.push_back(control);
    TestDialog dialog(IDD_UPDATE, &config, L"Test.ini", controls);
    dialog.onInit = [&](TestDialog& d) {
        HWND ok = GetDlgItem(d, IDOK);
        ASSERT_NE(nullptr, dynamic_cast<CZV_UniButton*>(CZV_ControlBase::FromHandle(ok)));
        EXPECT_EQ(Scaled(10, d), Place(ok).left);
        EXPECT_EQ(Scaled(44, d), Place(ok).bottom);
        EXPECT_EQ(nullptr, CZV_ControlBase::FromHandle(GetDlgItem(d, IDCANCEL))); // "Create": not applied
        wchar_t text[32] = {};
        GetWindowTextW(GetDlgItem(d, IDC_TXT_PRODUCT), text, 32);
        EXPECT_STREQ(L"Skinned text", text);
        HWND meter = d.FindControl(L"MY_METER");
        ASSERT_NE(nullptr, dynamic_cast<CZV_PeakMeterCtrl*>(CZV_ControlBase::FromHandle(meter)));
        EXPECT_EQ(meter, GetDlgItem(d, 3002));
        EXPECT_EQ(Scaled(7, d), Place(meter).left); // placed by its entry when loaded
        EXPECT_EQ(nullptr, d.FindControl(L"NOT_REGISTERED"));
        // The general controls: the frame area over the whole client area, the close button top right.
        RECT client = {};
        GetClientRect(d, &client);
        HWND area = d.FindControl(L"IDC_GENERALCONTROLS_FRAME_MAIN_AREA");
        ASSERT_NE(nullptr, dynamic_cast<CZV_ColorFrame*>(CZV_ControlBase::FromHandle(area)));
        EXPECT_EQ(client.right, Place(area).right);
        EXPECT_EQ(client.bottom, Place(area).bottom);
        HWND close = GetDlgItem(d, CZV_BeautyDialogDesigner::kCloseButtonId);
        ASSERT_NE(nullptr, close);
        EXPECT_EQ(client.right - Scaled(6, d), Place(close).right);
        // The entry whose reference (a registered control) has no window is left out.
        size_t meterEntries = 0;
        for (const CZVAlignmentEntry& entry : d.GetLayoutManager().GetEntries(0))
            meterEntries += !entry.inverse && entry.controlWindow == meter;
        EXPECT_EQ(1u, meterEntries);
        // Registered controls stay, the others are hidden.
        EXPECT_NE(0, GetWindowLongPtrW(GetDlgItem(d, IDC_TXT_WAIT), GWL_STYLE) & WS_VISIBLE);
        EXPECT_EQ(0, GetWindowLongPtrW(GetDlgItem(d, IDC_TXT_PLEASE_WAIT), GWL_STYLE) & WS_VISIBLE);
    };
    EXPECT_EQ(IDOK, dialog.DoModal());
}

TEST_F(DescriptionApplyTest, FlagsAndTheGlassCaption)
{
    const struct {
        const char* flags;
        bool glass;
    } cases[] = {{"ZVBDD_FLAG_USE_DIALOG_CLIENT_POSITION|ZVBDD_FLAG_USE_INI_Z_ORDER", false},
                 {"ZVBDD_FLAG_NO_LAYOUT", false},
                 {"ZVBDD_FLAG_NONE", true}};
    for (const auto& c : cases) {
        Write(L"Flags.ini", std::string(kHead) + "dialogIniFlags = " + c.flags + "\n" + kControls);
        ZVToolkit::SetGlassFrameMode(c.glass);
        auto controls = ControlsOf(IDD_UPDATE);
        controls.push_back({L"MY_METER", 3002});
        TestDialog dialog(IDD_UPDATE, &config, L"Flags.ini", controls);
        dialog.onInit = [&](TestDialog& d) {
            const unsigned flags = d.GetDialogFlags();
            RECT client = {};
            GetClientRect(d, &client);
            // The designed client size, plus the caption band in glass-frame mode.
            EXPECT_EQ((flags & ZVBDD_FLAG_USE_DIALOG_CLIENT_POSITION) != 0,
                      client.right == Scaled(480, d) && client.bottom == Scaled(c.glass ? 330 : 300, d))
                << c.flags;
            HWND meter = d.FindControl(L"MY_METER"), ok = GetDlgItem(d, IDOK);
            // With the INI order IDOK, listed first, lies above the meter.
            bool okFirst = false;
            for (HWND w = GetWindow(d, GW_CHILD); w && w != meter; w = GetWindow(w, GW_HWNDNEXT))
                okFirst = okFirst || w == ok;
            if (flags & ZVBDD_FLAG_USE_INI_Z_ORDER) {
                EXPECT_TRUE(okFirst);
            }
            EXPECT_EQ((flags & ZVBDD_FLAG_NO_LAYOUT) ? Scaled(5, d) : Scaled(7, d), Place(meter).left) << c.flags;
            EXPECT_EQ(!(flags & ZVBDD_FLAG_NO_LAYOUT), d.ApplyLayout(0, 0));
            EXPECT_EQ(c.glass, d.IsGlassFrame());
            EXPECT_EQ(Scaled(c.glass ? 30 + 30 : 30, d), Place(meter).top) << c.flags;
        };
        EXPECT_EQ(IDOK, dialog.DoModal()) << c.flags;
    }
}

TEST_F(DescriptionApplyTest, LoadFailuresChangeNothingAndRegistrationRefusals)
{
    TestDialog dialog(IDD_INSTALL, &config, L"Missing.ini", {{L"IDOK", IDOK}});
    dialog.onInit = [&](TestDialog& d) {
        EXPECT_FALSE(d.LoadDescription(folder.c_str(), L"Missing.ini", d));
        EXPECT_FALSE(d.LoadDescription(folder.c_str(), L"", d));
        EXPECT_FALSE(d.LoadDescription(folder.c_str(), L"Missing.ini", nullptr));
        EXPECT_EQ(nullptr, CZV_ControlBase::FromHandle(GetDlgItem(d, IDOK)));
    };
    EXPECT_EQ(IDOK, dialog.DoModal());
    TestDialog fresh(IDD_INSTALL, nullptr, L"", {});
    EXPECT_TRUE(fresh.RegisterControl(L"IDOK", IDOK, nullptr));
    EXPECT_FALSE(fresh.RegisterControl(L"IDOK", 7, nullptr));
    EXPECT_TRUE(fresh.RegisterControl(L"idok", 8, nullptr)); // names compare with case
    EXPECT_FALSE(fresh.RegisterControl(L"X", 0xFFFFFFFFu, nullptr));
    EXPECT_FALSE(fresh.RegisterControl(L"", 9, nullptr));
}

} // namespace
