// CBaseDlg under Wine with real windows: templates and strings by language
// with their fallbacks, language codes, the skin folder rules, the
// placeholder, and the default skin applied to the four dialogs.
#include "DialogTestSupport.h"

#include "dialogs/DialogTemplate.h"
#include "osal/ResourceLanguage.h"
#include "resources/resource.h"
#include "toolkit/ZVControls.h"
#include "toolkit/ZVToolkit.h"

#include <gtest/gtest.h>

using namespace zvdialogtest;
using ZvOSAL::ZvString;

namespace {

const wchar_t kEnglishCaption[] = L"Major program update";
const wchar_t kGermanCaption[] = L"Wichtiges Programm-Update";
const wchar_t kJapaneseCaption[] = L"\u30D7\u30ED\u30B0\u30E9\u30E0\u306E\u91CD\u8981\u306A\u66F4\u65B0";

class BaseDlgTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        ZVToolkit::SetUILanguageCode(L"en_UK");
        ZvOSAL::SetResourceLanguage(2057);
    }

    // Opens the library dialog templateId with the default skin; returns
    // DoModal's result and the caption the dialog had.
    INT_PTR Open(UINT templateId, std::wstring& caption, std::function<void(TestDialog&)> onInit = nullptr)
    {
        TestDialog dialog(templateId, &config, DescriptionOf(templateId), ControlsOf(templateId));
        dialog.onInit = std::move(onInit);
        const INT_PTR result = dialog.DoModal();
        caption = dialog.caption;
        return result;
    }

    TestConfiguration config;
};

struct LanguageCase {
    const wchar_t* code;
    const wchar_t* caption;
};

TEST_F(BaseDlgTest, FourDialogsOpenInEnglishGermanJapaneseAndNorwegianFallsBackToEnglish)
{
    const LanguageCase cases[] = {
        {L"en_UK", kEnglishCaption}, {L"de_DE", kGermanCaption}, {L"ja_JP", kJapaneseCaption},
        {L"nb_NO", kEnglishCaption}, // 1044: no templates, English (United Kingdom) instead
    };
    const UINT templates[] = {IDD_UPDATE, IDD_INSTALL, IDD_PROGRESS, IDD_CRM_VIEWER};
    for (const LanguageCase& language : cases) {
        config.language = language.code;
        for (UINT id : templates) {
            std::wstring caption;
            bool skinned = false;
            const INT_PTR result = Open(id, caption, [&](TestDialog& dialog) {
                // The default skin took over the OK button.
                skinned = dynamic_cast<CZV_UniButton*>(CZV_ControlBase::FromHandle(GetDlgItem(dialog, IDOK))) !=
                          nullptr;
            });
            EXPECT_EQ(IDOK, result) << id;
            EXPECT_EQ(std::wstring(language.caption), caption) << id;
            EXPECT_TRUE(skinned) << id;
        }
    }
    config.language = L"nb_NO";
    TestDialog probe(IDD_UPDATE, &config, L"", {});
    EXPECT_EQ(1044, probe.GetUILanguage());
}

TEST_F(BaseDlgTest, ShortCodeAndCaseNormalisation)
{
    config.language = L"D";
    std::wstring caption;
    EXPECT_EQ(IDOK, Open(IDD_INSTALL, caption));
    EXPECT_EQ(std::wstring(kGermanCaption), caption);
    EXPECT_EQ(ZvString(L"de_DE"), ZVToolkit::GetUILanguageCode());
    EXPECT_EQ(1031, ZVToolkit::GetUILanguageId());

    EXPECT_EQ(1031, ZVToolkit::SetUILanguageCode(L"de_de"));
    EXPECT_EQ(ZvString(L"de_DE"), ZVToolkit::GetUILanguageCode());
    EXPECT_STREQ(L"deu", ZVToolkit::CodeToRuntimeLocale(L"de_DE"));
    EXPECT_STREQ(L"", ZVToolkit::CodeToRuntimeLocale(L"de_de"));
    EXPECT_STREQ(L"en_UK", ZVToolkit::ShortCodeToCode(L"uk"));
    EXPECT_EQ(nullptr, ZVToolkit::ShortCodeToCode(L"XX"));
}

TEST_F(BaseDlgTest, EnGbFallsBackToUkTemplates)
{
    EXPECT_EQ(1033, ZVToolkit::CodeToLanguageId(L"en_GB"));
    EXPECT_EQ(2057, ZVToolkit::CodeToLanguageId(L"en_UK"));
    EXPECT_EQ(ZvString(L"en_UK"), ZVToolkit::LanguageIdToCode(2057));
    EXPECT_EQ(ZvString(L"de_DE"), ZVToolkit::LanguageIdToCode(1031));
    config.language = L"en_GB";
    DialogTemplateResource found;
    TestDialog probe(IDD_UPDATE, &config, L"", {});
    const LANGID language = probe.GetUILanguage();
    EXPECT_EQ(1033, language);
    ASSERT_TRUE(FindDialogTemplate(IDD_UPDATE, language, found));
    EXPECT_EQ(2057, found.language);
    std::wstring caption;
    EXPECT_EQ(IDOK, Open(IDD_UPDATE, caption));
    EXPECT_EQ(std::wstring(kEnglishCaption), caption);
}

TEST_F(BaseDlgTest, TemplateOnlyInGermanIsFoundForFrench)
{
    config.language = L"fr_FR";
    TestDialog dialog(4001, &config, L"", {});
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(std::wstring(L"Nur Deutsch"), dialog.caption);
    // A template that exists nowhere: -1 and no window.
    TestDialog missing(4999, &config, L"", {});
    EXPECT_EQ(-1, missing.DoModal());
    EXPECT_FALSE(missing.initialised);
}

TEST_F(BaseDlgTest, StringsInTheLanguageWithBlockFallbackToEnglish)
{
    config.language = L"de_DE";
    TestDialog dialog(IDD_UPDATE, &config, L"", {});
    EXPECT_EQ(ZvString(L"Only in English"), dialog.LoadUIString(4010));
    const ZvString german = dialog.LoadUIString(IDS_CLOSE);
    config.language = L"en_UK";
    const ZvString english = dialog.LoadUIString(IDS_CLOSE);
    EXPECT_EQ(ZvString(L"Close"), english);
    EXPECT_FALSE(german.IsEmpty());
    EXPECT_NE(english, german);
    config.language = L"ja_JP";
    EXPECT_EQ(ZvString(L"Only in English"), dialog.LoadUIString(4010));
    EXPECT_TRUE(dialog.LoadUIString(4011).IsEmpty()); // an empty entry of the English block
}

TEST_F(BaseDlgTest, EmptyCodeTakesTheUsersDefaultLanguage)
{
    LANGID user = GetUserDefaultLangID();
    const LANGID kept[] = {1028, 1033, 1034, 1036, 2052, 2057, 2070, 3084, 4105, 21514};
    bool keep = false;
    for (LANGID id : kept)
        keep = keep || id == user;
    if (!keep)
        user = static_cast<LANGID>(PRIMARYLANGID(user) + 1024);
    ZvString expected = ZVToolkit::LanguageIdToCode(user);
    config.language = L"";
    TestDialog probe(IDD_UPDATE, &config, L"", {});
    const LANGID language = probe.GetUILanguage();
    EXPECT_EQ(ZVToolkit::CodeToLanguageId(expected), language);
    EXPECT_NE(0, language);
    std::wstring caption;
    EXPECT_EQ(IDOK, Open(IDD_INSTALL, caption)); // a template in some language is shown
    EXPECT_FALSE(caption.empty());
    // An unknown code behaves as an empty one.
    EXPECT_EQ(language, ZVToolkit::SetUILanguageCode(L"xx_YY"));
}

TEST_F(BaseDlgTest, SkinFolderRules)
{
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring folder(module);
    folder = folder.substr(0, folder.rfind(L'\\') + 1);

    TestDialog noConfiguration(IDD_UPDATE, nullptr, L"", {});
    EXPECT_EQ(folder, std::wstring(noConfiguration.GetSkinFolder()));
    TestDialog dialog(IDD_UPDATE, &config, L"", {});
    EXPECT_EQ(folder + L"Bitmaps\\ZvAutoUpdate\\", std::wstring(dialog.GetSkinFolder()));
    config.haveSkinPath = true;
    config.skinPath = L"";
    EXPECT_TRUE(dialog.GetSkinFolder().IsEmpty());
    config.skinPath = L"C:\\Skins\\Blue";
    EXPECT_EQ(std::wstring(L"C:\\Skins\\Blue\\"), std::wstring(dialog.GetSkinFolder()));
}

TEST_F(BaseDlgTest, PlaceholderShowControlAndCheck)
{
    config.product = L"Foo";
    std::wstring caption;
    std::wstring replaced, unchanged;
    bool hidden = false, shownAgain = false;
    int checkAfter = -1;
    const INT_PTR result = Open(IDD_UPDATE, caption, [&](TestDialog& dialog) {
        HWND text = GetDlgItem(dialog, IDC_TXT_PRODUCT);
        SetWindowTextW(text, L"$ZORVA$ and $ZORVA$!");
        dialog.ReplacePlaceholder(text);
        wchar_t buffer[128] = {};
        GetWindowTextW(text, buffer, 128);
        replaced = buffer;

        dialog.ShowControl(IDC_TXT_PRODUCT, false);
        hidden = (GetWindowLongPtrW(text, GWL_STYLE) & WS_VISIBLE) == 0;
        dialog.ShowControl(IDC_TXT_PRODUCT, true);
        shownAgain = (GetWindowLongPtrW(text, GWL_STYLE) & WS_VISIBLE) != 0;
        dialog.ShowControl(4321, true); // no such child: nothing happens

        dialog.SetControlCheck(IDC_CHECK_SEND_CRM_DATA, BST_CHECKED);
        checkAfter = IsDlgButtonChecked(dialog, IDC_CHECK_SEND_CRM_DATA);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(std::wstring(L"Foo and Foo!"), replaced);
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(shownAgain);
    EXPECT_EQ(BST_CHECKED, checkAfter);

    // Without a configuration the text stays.
    TestDialog bare(IDD_UPDATE, nullptr, L"", {});
    bare.onInit = [&](TestDialog& dialog) {
        HWND text = GetDlgItem(dialog, IDC_TXT_PRODUCT);
        SetWindowTextW(text, L"$ZORVA$");
        dialog.ReplacePlaceholder(text);
        wchar_t buffer[64] = {};
        GetWindowTextW(text, buffer, 64);
        unchanged = buffer;
    };
    EXPECT_EQ(IDOK, bare.DoModal());
    EXPECT_EQ(std::wstring(L"$ZORVA$"), unchanged);
}

TEST_F(BaseDlgTest, MissingDescriptionLeavesThePlainTemplateWorking)
{
    config.haveSkinPath = true;
    config.skinPath = L"C:\\no\\such\\skin";
    TestDialog dialog(IDD_INSTALL, &config, L"Install.ini", ControlsOf(IDD_INSTALL));
    bool plain = false;
    dialog.onInit = [&](TestDialog& d) {
        plain = CZV_ControlBase::FromHandle(GetDlgItem(d, IDOK)) == nullptr && IsWindow(GetDlgItem(d, IDOK));
    };
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_TRUE(plain);
}

} // namespace
