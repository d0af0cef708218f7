// Dialog description files: parsing (style and flag names, sections,
// alignment entries, a seeded robustness run) and applying to real windows
// (create and subclass sections, invalid sections, unregistered names,
// hiding unlisted controls, alignment sets, the designer's save).
#include "../dialogs/DialogTestSupport.h"

#include "ini/ZVDialogDescription.h"
#include "ini/ZVIniFileReader.h"
#include "resources/resource.h"
#include "toolkit/ZVControls.h"
#include "toolkit/ZVToolkit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

using namespace zvdialogtest;

namespace {

std::wstring TempFolder(const wchar_t* name)
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + name + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

// Shown as far as the window itself goes (the dialog is not visible yet
// while it initialises).
bool HasVisibleStyle(HWND window) { return window && (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

void WriteText(const std::wstring& path, const std::string& text)
{
    FILE* file = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(nullptr, file);
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
}

TEST(DescriptionParsing, StyleNamesWithAndWithoutBlanks)
{
    const DWORD expected = WS_CHILD | WS_VISIBLE;
    EXPECT_EQ(expected, ZVDescription::ParseStyle(L"WS_CHILD|WS_VISIBLE"));
    EXPECT_EQ(expected, ZVDescription::ParseStyle(L"WS_CHILD | WS_VISIBLE"));
    EXPECT_EQ(expected, ZVDescription::ParseStyle(L"  WS_CHILD |WS_VISIBLE  "));
    EXPECT_EQ(expected, ZVDescription::ParseStyle(L"WS_CHILD|NOT_A_STYLE|WS_VISIBLE"));
    EXPECT_EQ(static_cast<DWORD>(WS_CHILD | BS_AUTOCHECKBOX | SS_NOTIFY | ES_READONLY),
              ZVDescription::ParseStyle(L"WS_CHILD|BS_AUTOCHECKBOX|SS_NOTIFY|ES_READONLY"));
    EXPECT_EQ(0u, ZVDescription::ParseStyle(L""));
    EXPECT_EQ(static_cast<DWORD>(WS_EX_TRANSPARENT | WS_EX_CLIENTEDGE),
              ZVDescription::ParseExStyle(L"WS_EX_TRANSPARENT | WS_EX_CLIENTEDGE"));
    EXPECT_EQ(static_cast<unsigned>(ZVBDD_FLAG_HIDE_NOT_LISTED_CONTROLS | ZVBDD_FLAG_NO_LAYOUT),
              ZVDescription::ParseDialogFlags(L"ZVBDD_FLAG_HIDE_NOT_LISTED_CONTROLS|ZVBDD_FLAG_NO_LAYOUT"));
}

TEST(DescriptionParsing, SectionKinds)
{
    int number = 0;
    EXPECT_TRUE(ZVDescription::IsAlignmentSectionName(L"ALIGNMENT1", &number));
    EXPECT_EQ(1, number);
    EXPECT_TRUE(ZVDescription::IsAlignmentSectionName(L"alignment12", &number));
    EXPECT_EQ(12, number);
    EXPECT_FALSE(ZVDescription::IsAlignmentSectionName(L"ALIGNMENT0"));
    EXPECT_FALSE(ZVDescription::IsAlignmentSectionName(L"ALIGNMENT"));
    EXPECT_FALSE(ZVDescription::IsAlignmentSectionName(L"ALIGNMENT1a"));
    EXPECT_TRUE(ZVDescription::IsControlSectionName(L"ALIGNMENT0"));
    EXPECT_FALSE(ZVDescription::IsControlSectionName(L"Dialog"));
    EXPECT_TRUE(ZVDescription::IsControlSectionName(L"IDOK"));
}

TEST(DescriptionParsing, AlignmentEntries)
{
    ZVDescription::AlignmentRecord record;
    ASSERT_TRUE(ZVDescription::ParseAlignmentEntry(
        L"IDOK, IDD, ZVGUI_RIGHT, ZVGUI_BOTTOM, ZVGUI_RIGHT, ZVGUI_BOTTOM, ZVGUI_SIZEX|ZVGUI_CENTERY, 1, 2, 3, 4", 2,
        record));
    EXPECT_EQ(L"IDOK", record.control);
    EXPECT_EQ(L"IDD", record.reference);
    EXPECT_EQ(2u, record.left);
    EXPECT_EQ(8u, record.bottom);
    EXPECT_EQ(static_cast<unsigned>(ZVGUI_SIZEX | ZVGUI_CENTERY), record.sizing);
    EXPECT_EQ(4, record.margins.bottom);
    EXPECT_EQ(2, record.set);
    EXPECT_TRUE(ZVDescription::ParseAlignmentEntry(L"A, B, 0, 0, 0, 0, 0", 0, record));
    EXPECT_EQ(0, record.margins.left);
    EXPECT_TRUE(ZVDescription::ParseAlignmentEntry(L"A, B, ZVGUI_PERCENT_WIDTH, 0, 0, 0, ZVGUI_CENTER", 0, record));
    // Too few fields, wrong anchors, unknown names, partial margins.
    EXPECT_FALSE(ZVDescription::ParseAlignmentEntry(L"A, B, 0, 0, 0, 0", 0, record));
    EXPECT_FALSE(ZVDescription::ParseAlignmentEntry(L"A, B, ZVGUI_TOP, 0, 0, 0, 0", 0, record));
    EXPECT_FALSE(ZVDescription::ParseAlignmentEntry(L"A, B, 0, ZVGUI_LEFT, 0, 0, 0", 0, record));
    EXPECT_FALSE(ZVDescription::ParseAlignmentEntry(L"A, B, 0, 0, 0, 0, ZVGUI_LEFT", 0, record));
    EXPECT_FALSE(ZVDescription::ParseAlignmentEntry(L"A, B, LEFT, 0, 0, 0, 0", 0, record));
    EXPECT_FALSE(ZVDescription::ParseAlignmentEntry(L"A, B, 0, 0, 0, 0, 0, 1, 2", 0, record));
}

TEST(DescriptionParsing, ControlSectionsAndAlignmentNumbering)
{
    CZVIniFileReader file;
    ASSERT_TRUE(file.LoadFromText(L"[dialog]\nposition = 0, 0, 300, 200\n"
                                  L"[A]\ncreate = create\ntype = CZV_Static\ntemplate = t\n"
                                  L"position = 1 2 3 4\nstyle = WS_CHILD\n"
                                  L"[B]\ncreate = Create\ntype = CZV_Static\ntemplate = t\n"
                                  L"[C]\ncreate = subclass\ntemplate = t\n"
                                  L"[D]\ncreate = subclass\ntype = CZV_Edit\ntemplate = t\n"
                                  L"[E]\ncreate = create\ntype = CZV_Static\ntemplate = t\n"
                                  L"[ALIGNMENT1]\na = A, dialog, ZVGUI_LEFT, 0, 0, 0, 0\nb = bad\n"
                                  L"[ALIGNMENT3]\nc = A, dialog, ZVGUI_LEFT, 0, 0, 0, 0\n"
                                  L"[alignment2]\nd = A, dialog, ZVGUI_LEFT, 0, 0, 0, 0\n"));
    ZVDescription::ControlSection section;
    EXPECT_TRUE(ZVDescription::ReadControlSection(file, L"A", section));
    EXPECT_TRUE(section.create);
    EXPECT_EQ(4, section.position.bottom);
    EXPECT_FALSE(ZVDescription::ReadControlSection(file, L"B", section)); // "Create"
    EXPECT_FALSE(ZVDescription::ReadControlSection(file, L"C", section)); // no type
    EXPECT_TRUE(ZVDescription::ReadControlSection(file, L"D", section));  // subclass needs no position
    EXPECT_FALSE(section.hasPosition);
    EXPECT_FALSE(ZVDescription::ReadControlSection(file, L"E", section)); // create without position/style
    std::vector<ZVDescription::AlignmentRecord> records;
    // "alignment2" is not "ALIGNMENT2" (exact names), so ALIGNMENT3 is not reached.
    EXPECT_EQ(1u, ZVDescription::ReadAlignmentSections(file, records));
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(0, records[0].set);
}

TEST(DescriptionParsing, RandomTextNeverCrashes)
{
    std::mt19937 random(20240611u);
    const wchar_t alphabet[] = L"WS_CHILD|VISIBLE ZVGUI_LEFT,0123456789-[]=\n\r\t;#ALIGNMENT createsubclass\x00e9\x4e2d";
    const size_t letters = sizeof(alphabet) / sizeof(alphabet[0]) - 1;
    for (int round = 0; round < 300; ++round) {
        std::wstring text;
        const size_t length = random() % 400;
        for (size_t i = 0; i < length; ++i)
            text += alphabet[random() % letters];
        ZVDescription::ParseStyle(text.c_str());
        ZVDescription::ParseExStyle(text.c_str());
        unsigned int flags = 0;
        ZVDescription::ParseAlignmentFlags(text.c_str(), flags);
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

// ---- Applying to real windows ----

class DescriptionApplyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = TempFolder(L"zv_description_test");
        CreateDirectoryW((folder + L"Dialogs").c_str(), nullptr);
        config.haveSkinPath = true;
        config.skinPath = folder;
        CBaseDlg::SetLanguageConfigurationOverride(&config);
        WriteText(folder + L"Dialogs\\templates.ini",
                  "[blue]\ntextColor = 0 0 255\nbackColor = 200 220 255\n[meter]\nbarColor = 0 128 0\n");
        WriteText(folder + L"Dialogs\\general.ini",
                  "[CZV_BeautyDialog]\ncloseButtonTemplate = blue\n"
                  "[ALIGNMENT1]\ng = IDOK, dialog, ZVGUI_RIGHT, ZVGUI_BOTTOM, ZVGUI_RIGHT, ZVGUI_BOTTOM, 0, 8, 8, 8, 8\n");
    }
    void TearDown() override { CBaseDlg::SetLanguageConfigurationOverride(nullptr); }

    std::wstring folder;
    TestConfiguration config;
};

const char kInstallDescription[] =
    "[dialog]\n"
    "position = 0, 0, 480, 300\n"
    "controlTemplateFile = templates.ini\n"
    "generalControlsFile = general.ini\n"
    "dialogIniFlags = ZVBDD_FLAG_HIDE_NOT_LISTED_CONTROLS\n"
    "[IDOK]\ncreate = subclass\ntype = CZV_UniButton\ntemplate = blue\nposition = 10, 20, 110, 44\n"
    "[IDCANCEL]\ncreate = Create\ntype = CZV_UniButton\ntemplate = blue\n"
    "[IDC_BTN_LATER]\ncreate = subclass\ntemplate = blue\n"
    "[IDC_TXT_PRODUCT]\ncreate = subclass\ntype = CZV_Static\ntemplate = blue\ntext = Skinned text\n"
    "[MY_STATIC]\ncreate = create\ntype = CZV_Static\ntemplate = blue\nposition = 5, 5, 105, 25\n"
    "style = WS_CHILD|WS_VISIBLE\ntext = Created\n"
    "[MY_METER]\ncreate = create\ntype = CZV_PeakMeterCtrl\ntemplate = meter\nposition = 5, 30, 105, 40\n"
    "style = WS_CHILD | WS_VISIBLE\n"
    "[NOT_REGISTERED]\ncreate = create\ntype = CZV_Static\ntemplate = blue\nposition = 0, 0, 10, 10\n"
    "style = WS_CHILD|WS_VISIBLE\n"
    "[ALIGNMENT0]\ncreate = subclass\ntype = CZV_Static\ntemplate = blue\n"
    "[ALIGNMENT1]\na = MY_STATIC, dialog, ZVGUI_LEFT, ZVGUI_TOP, 0, 0, 0\n"
    "bad = MY_STATIC, dialog, ZVGUI_TOP, 0, 0, 0, 0\n"
    "[ALIGNMENT3]\nc = MY_METER, dialog, ZVGUI_LEFT, ZVGUI_TOP, 0, 0, 0\n";

TEST_F(DescriptionApplyTest, CreateSubclassInvalidUnregisteredHideAndAlignment)
{
    WriteText(folder + L"Dialogs\\Test.ini", kInstallDescription);
    std::vector<std::pair<std::wstring, UINT>> controls = {
        {L"IDOK", IDOK},          {L"IDCANCEL", IDCANCEL},        {L"IDC_BTN_LATER", IDC_BTN_LATER},
        {L"IDC_TXT_PRODUCT", IDC_TXT_PRODUCT}, {L"MY_STATIC", 3001}, {L"MY_METER", 3002},
        {L"ALIGNMENT0", IDC_TXT_INSTALL_WHEN}};
    TestDialog dialog(IDD_INSTALL, &config, L"Test.ini", controls);
    const std::wstring savePath = folder + L"Saved.ini";
    DeleteFileW(savePath.c_str());
    dialog.onInit = [&](TestDialog& d) {
        HWND ok = GetDlgItem(d, IDOK);
        // subclass, moved to its position (scaled with the dialog's DPI).
        EXPECT_NE(nullptr, dynamic_cast<CZV_UniButton*>(CZV_ControlBase::FromHandle(ok)));
        RECT rect = {};
        GetWindowRect(ok, &rect);
        MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(MulDiv(10, static_cast<int>(d.GetDpi()), 96), rect.left);
        EXPECT_EQ(MulDiv(44, static_cast<int>(d.GetDpi()), 96), rect.bottom);
        // "Create" (capital C) and a missing type: not applied.
        EXPECT_EQ(nullptr, CZV_ControlBase::FromHandle(GetDlgItem(d, IDCANCEL)));
        EXPECT_EQ(nullptr, CZV_ControlBase::FromHandle(GetDlgItem(d, IDC_BTN_LATER)));
        // Text from the section.
        wchar_t text[64] = {};
        GetWindowTextW(GetDlgItem(d, IDC_TXT_PRODUCT), text, 64);
        EXPECT_STREQ(L"Skinned text", text);
        // create: a real child with the parsed style, found by name and id.
        HWND created = d.FindControl(L"MY_STATIC");
        ASSERT_NE(nullptr, created);
        EXPECT_EQ(created, GetDlgItem(d, 3001));
        EXPECT_TRUE(HasVisibleStyle(created));
        EXPECT_NE(nullptr, dynamic_cast<CZV_Static*>(CZV_ControlBase::FromHandle(created)));
        auto* meter = dynamic_cast<CZV_PeakMeterCtrl*>(CZV_ControlBase::FromHandle(d.FindControl(L"MY_METER")));
        ASSERT_NE(nullptr, meter);
        meter->SetMaximum(200);
        meter->SetValue(50);
        EXPECT_EQ(25, meter->GetFilledWidth(100));
        meter->SetValue(500);
        EXPECT_EQ(200.0, meter->GetValue());
        // ALIGNMENT0 is a control section.
        EXPECT_NE(nullptr, dynamic_cast<CZV_Static*>(CZV_ControlBase::FromHandle(GetDlgItem(d, IDC_TXT_INSTALL_WHEN))));
        // Unregistered: nothing created for it.
        EXPECT_EQ(nullptr, d.FindControl(L"NOT_REGISTERED"));
        // Every child is registered here, so nothing was hidden.
        EXPECT_TRUE(HasVisibleStyle(GetDlgItem(d, IDC_BTN_LATER)));
        // Alignment: general controls first, set 0 shared; ALIGNMENT3 is not
        // read without ALIGNMENT2; the invalid entry is skipped.
        const CZVLayoutManager& layout = d.GetLayoutManager();
        EXPECT_EQ(480, layout.GetReferenceSize().cx);
        EXPECT_EQ(1u, layout.GetSetCount());
        // Each entry is followed by its inverse.
        ASSERT_EQ(4u, layout.GetEntries(0).size());
        EXPECT_EQ(ZvOSAL::ZvString(L"IDOK"), layout.GetEntries(0)[0].control);
        EXPECT_EQ(MulDiv(8, static_cast<int>(d.GetDpi()), 96), layout.GetEntries(0)[0].margins.left);
        EXPECT_EQ(ok, layout.GetEntries(0)[0].controlWindow);
        EXPECT_EQ(ok, layout.GetEntries(0)[1].referenceWindow);
        EXPECT_EQ(created, layout.GetEntries(0)[2].controlWindow);
        EXPECT_EQ(static_cast<HWND>(d), layout.GetOwner());
        EXPECT_TRUE(d.SaveDescription(savePath.c_str()));
    };
    EXPECT_EQ(IDOK, dialog.DoModal());

    // The save reads back: banner, [dialog], the controls, the alignment.
    CZVIniFileReader saved;
    ASSERT_TRUE(saved.Open(savePath.c_str()));
    wchar_t value[256] = {};
    saved.GetProfileString(L"dialog", L"position", L"", value, 256);
    EXPECT_STREQ(L"0, 0, 480, 300", value);
    saved.GetProfileString(L"MY_STATIC", L"create", L"", value, 256);
    EXPECT_STREQ(L"create", value);
    saved.GetProfileString(L"MY_STATIC", L"type", L"", value, 256);
    EXPECT_STREQ(L"CZV_Static", value);
    saved.GetProfileString(L"IDCANCEL", L"type", L"", value, 256);
    EXPECT_STREQ(L"unknown", value);
    saved.GetProfileString(L"IDOK", L"create", L"", value, 256);
    EXPECT_STREQ(L"subclass", value);
    std::vector<ZVDescription::AlignmentRecord> records;
    EXPECT_EQ(2u, ZVDescription::ReadAlignmentSections(saved, records));
    FILE* raw = _wfopen(savePath.c_str(), L"rb");
    ASSERT_NE(nullptr, raw);
    char head[200] = {};
    fread(head, 1, sizeof(head) - 1, raw);
    fclose(raw);
    EXPECT_EQ('\xFF', head[0]); // a new file is written as UTF-16
    EXPECT_EQ(L'#', reinterpret_cast<wchar_t*>(head + 2)[0]);
}

TEST_F(DescriptionApplyTest, HideNotListedControls)
{
    WriteText(folder + L"Dialogs\\Hide.ini",
              "[dialog]\ndialogIniFlags = ZVBDD_FLAG_HIDE_NOT_LISTED_CONTROLS\n"
              "[IDOK]\ncreate = subclass\ntype = CZV_UniButton\ntemplate = blue\n");
    WriteText(folder + L"Dialogs\\Keep.ini", "[dialog]\n[IDOK]\ncreate = subclass\ntype = CZV_UniButton\ntemplate = blue\n");
    for (const wchar_t* file : {L"Hide.ini", L"Keep.ini"}) {
        TestDialog dialog(IDD_INSTALL, &config, file, {{L"IDOK", IDOK}, {L"IDCANCEL", IDCANCEL}});
        bool okVisible = false, cancelVisible = false, laterVisible = true;
        dialog.onInit = [&](TestDialog& d) {
            okVisible = HasVisibleStyle(GetDlgItem(d, IDOK));
            cancelVisible = HasVisibleStyle(GetDlgItem(d, IDCANCEL));
            laterVisible = HasVisibleStyle(GetDlgItem(d, IDC_BTN_LATER));
        };
        EXPECT_EQ(IDOK, dialog.DoModal());
        EXPECT_TRUE(okVisible);
        EXPECT_TRUE(cancelVisible); // registered, though not in the file
        EXPECT_EQ(std::wstring(file) == L"Keep.ini", laterVisible) << file;
    }
}

TEST_F(DescriptionApplyTest, LoadFailuresChangeNothing)
{
    TestDialog dialog(IDD_INSTALL, &config, L"Missing.ini", {{L"IDOK", IDOK}});
    bool loadedMissing = true, loadedEmpty = true, loadedNoWindow = true, plain = false;
    dialog.onInit = [&](TestDialog& d) {
        loadedMissing = d.LoadDescription(folder.c_str(), L"Missing.ini", d);
        loadedEmpty = d.LoadDescription(folder.c_str(), L"", d);
        loadedNoWindow = d.LoadDescription(folder.c_str(), L"Missing.ini", nullptr);
        plain = CZV_ControlBase::FromHandle(GetDlgItem(d, IDOK)) == nullptr;
    };
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_FALSE(loadedMissing);
    EXPECT_FALSE(loadedEmpty);
    EXPECT_FALSE(loadedNoWindow);
    EXPECT_TRUE(plain);
}

TEST(DesignerRegistration, RefusesDuplicatesAndTheInvalidId)
{
    TestDialog dialog(IDD_INSTALL, nullptr, L"", {});
    EXPECT_TRUE(dialog.RegisterControl(L"IDOK", IDOK, nullptr));
    EXPECT_FALSE(dialog.RegisterControl(L"IDOK", 7, nullptr));
    EXPECT_TRUE(dialog.RegisterControl(L"idok", 8, nullptr)); // names compare with case
    EXPECT_FALSE(dialog.RegisterControl(L"X", 0xFFFFFFFFu, nullptr));
    EXPECT_FALSE(dialog.RegisterControl(L"", 9, nullptr));
    EXPECT_EQ(2u, dialog.GetRegisteredCount());
    EXPECT_EQ(nullptr, dialog.FindControl(L"IDOK")); // no window yet
}

TEST(ToolkitSettings, DpiScaling)
{
    ZVToolkit::SetDpiScaling(true, 144, 120);
    EXPECT_EQ(15, ZVToolkit::ScaleX(10));
    EXPECT_EQ(13, ZVToolkit::ScaleY(10)); // MulDiv rounds 12.5 up
    ZVToolkit::SetDpiScaling(false, 144, 144);
    EXPECT_EQ(10, ZVToolkit::ScaleX(10));
    EXPECT_FALSE(ZVToolkit::IsGlassFrameMode());
}

} // namespace
