// The library's dialog templates and strings as the static build links them
// (the same resource script as the DLL), and the template lookup by language
// that the dialogs use.
#include "dialogs/DialogTemplate.h"
#include "osal/LibraryModule.h"
#include "osal/ResourceLanguage.h"
#include "resources/ResourceExpectations.h"
#include "../../resources/resource.h"

#include "ZvOSAL/ZvString.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <random>

using namespace zvres;

namespace {

bool HasJapanese(const std::wstring& text)
{
    for (wchar_t c : text) {
        if ((c >= 0x3040 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xFF00 && c <= 0xFFEF))
            return true;
    }
    return false;
}

bool IsFixedText(const std::wstring& text)
{
    return text.empty() || text == L"..." || text == L"Progress1" || text == L"Static";
}

INT_PTR CALLBACK IgnoreMessages(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

DialogTemplateInfo Read(const DialogTemplateResource& found)
{
    DialogTemplateInfo info;
    std::string error;
    EXPECT_TRUE(ReadDialogTemplate(found.data, found.size, info, error)) << error;
    return info;
}

// Restores the process-wide resource language when a test ends.
class ResourceLanguageScope {
public:
    explicit ResourceLanguageScope(LANGID language) { ZvOSAL::SetResourceLanguage(language); }
    ~ResourceLanguageScope() { ZvOSAL::SetResourceLanguage(ZvOSAL::kFallbackResourceLanguage); }
};

} // namespace

TEST(Resources, EveryLanguageHasAllTemplatesAndStrings)
{
    CheckLanguageSet(ZvOSAL::LibraryModule());
}

TEST(Resources, EnglishTemplatesAsDesigned)
{
    CheckEnglishTemplates(ZvOSAL::LibraryModule());
}

TEST(Resources, TranslatedTemplatesKeepControlsAndPlaceholders)
{
    CheckTranslatedTemplates(ZvOSAL::LibraryModule());
}

TEST(Resources, StringTables)
{
    CheckStrings(ZvOSAL::LibraryModule());
}

TEST(Resources, VersionResourceStaysEnglish)
{
    CheckVersionResource(ZvOSAL::LibraryModule());
}

TEST(Resources, FormatSpecifiersAndPlaceholders)
{
    EXPECT_EQ((std::vector<std::wstring>{L"%s", L"%d", L"%%", L"%s", L"%s"}),
              FormatSpecifiers(L"%s   %d%% (%s / %s)"));
    EXPECT_EQ((std::vector<std::wstring>{L"%-5.2ls", L"%I64d"}), FormatSpecifiers(L"a %-5.2ls b %I64d"));
    EXPECT_EQ((std::vector<std::wstring>{L"%"}), FormatSpecifiers(L"100%"));
    EXPECT_TRUE(FormatSpecifiers(L"none").empty());
    EXPECT_EQ(2, CountPlaceholders(L"$ZORVA$ and $ZORVA$"));
    EXPECT_EQ(0, CountPlaceholders(L"$ZORVA and ZORVA$"));
}

TEST(DialogTemplateLookup, EachLanguageFindsItsOwnTemplates)
{
    for (LANGID language : kLanguages) {
        for (unsigned int id : kTemplateIds) {
            DialogTemplateResource found;
            ASSERT_TRUE(FindDialogTemplate(id, language, found)) << id << " " << language;
            EXPECT_EQ(language, found.language);
            EXPECT_FALSE(Read(found).items.empty());
        }
    }
}

TEST(DialogTemplateLookup, JapaneseGivesJapaneseTemplatesAndStrings)
{
    for (unsigned int id : kTemplateIds) {
        SCOPED_TRACE("template " + std::to_string(id));
        DialogTemplateResource found;
        ASSERT_TRUE(FindDialogTemplate(id, 1041, found));
        EXPECT_EQ(1041, found.language);
        const DialogTemplateInfo info = Read(found);
        EXPECT_TRUE(HasJapanese(info.title));
        for (const DialogItem& item : info.items) {
            if (!IsFixedText(item.text.name)) {
                EXPECT_TRUE(HasJapanese(item.text.name)) << "control " << item.id;
            }
        }
    }
    ResourceLanguageScope japanese(1041);
    for (unsigned int id : {IDS_CLOSE, IDS_DOWNLOADING, IDS_DOWNLOAD_UPDATE, IDS_CHECK_FAILED, IDS_DOWNLOAD_MESSAGE,
                            IDS_CORRUPT_MESSAGE, IDS_CANCEL, IDS_NO, IDS_RESTART_QUESTION, IDS_CHECKING_UPDATE,
                            IDS_TRANSFERRING_PROGRAM_FILES, IDS_UNIT_BYTES_LONG, IDS_UNIT_MEGA_LONG}) {
        const ZvOSAL::ZvString text(MAKEINTRESOURCEW(id));
        EXPECT_TRUE(HasJapanese(text.c_str())) << "string " << id;
    }
    std::wstring english;
    ASSERT_TRUE(ReadStringEntry(ZvOSAL::LibraryModule(), IDS_DOWNLOAD_STATUS_FORMAT, 2057, english));
    EXPECT_EQ(english, ZvOSAL::ZvString(MAKEINTRESOURCEW(IDS_DOWNLOAD_STATUS_FORMAT)).c_str());
}

TEST(DialogTemplateLookup, UnknownLanguageFallsBackToEnglishUK)
{
    // 1044, Norwegian (Bokmål), and 1033, English (United States), are not among the 22.
    for (LANGID language : {LANGID(1044), LANGID(1033), LANGID(0)}) {
        for (unsigned int id : kTemplateIds) {
            DialogTemplateResource found, english;
            ASSERT_TRUE(FindDialogTemplate(id, language, found));
            ASSERT_TRUE(FindDialogTemplateExact(ZvOSAL::LibraryModule(), id, 2057, english));
            EXPECT_EQ(2057, found.language);
            EXPECT_EQ(english.data, found.data);
            EXPECT_EQ(L"Major program update", Read(found).title);
        }
    }
    ResourceLanguageScope norwegian(1044);
    EXPECT_STREQ(L"Close", ZvOSAL::ZvString(MAKEINTRESOURCEW(IDS_CLOSE)).c_str());
    EXPECT_STREQ(L"Transferring program files...",
                 ZvOSAL::ZvString(MAKEINTRESOURCEW(IDS_TRANSFERRING_PROGRAM_FILES)).c_str());
    const wchar_t* text = nullptr;
    int length = 0;
    EXPECT_FALSE(ZvOSAL::FindResourceString(IDS_CLOSE, 1044, text, length));
}

TEST(DialogTemplateLookup, LastResortIsTheLowestLanguagePresent)
{
    DialogTemplateResource found;
    // Only German: found for French by the third lookup.
    ASSERT_TRUE(FindDialogTemplate(4001, 1036, found));
    EXPECT_EQ(1031, found.language);
    EXPECT_EQ(L"nur Deutsch", Read(found).title);
    // Japanese and Czech, no English: Czech has the lower id.
    ASSERT_TRUE(FindDialogTemplate(4002, 1044, found));
    EXPECT_EQ(1029, found.language);
    EXPECT_EQ(L"\u010desky", Read(found).title);
    ASSERT_TRUE(FindDialogTemplate(4002, 1041, found));
    EXPECT_EQ(1041, found.language);
    // English (United Kingdom) comes before any lower language.
    ASSERT_TRUE(FindDialogTemplate(4003, 1036, found));
    EXPECT_EQ(2057, found.language);
    EXPECT_EQ(L"English", Read(found).title);
}

TEST(DialogTemplateLookup, MissingOrDamagedTemplates)
{
    DialogTemplateResource found;
    found.language = 7;
    EXPECT_FALSE(FindDialogTemplate(4999, 2057, found));
    EXPECT_EQ(nullptr, found.data);
    EXPECT_EQ(0u, found.size);
    EXPECT_EQ(0, found.language);
    EXPECT_FALSE(FindDialogTemplate(0, 2057, found));
    EXPECT_FALSE(FindDialogTemplate(0x10000 + IDD_UPDATE, 2057, found));
    EXPECT_FALSE(FindDialogTemplate(nullptr, IDD_UPDATE, 2057, found));
    EXPECT_FALSE(FindDialogTemplateExact(ZvOSAL::LibraryModule(), IDD_UPDATE, 1044, found));
    // Two bytes of RT_DIALOG data are no template.
    EXPECT_FALSE(FindDialogTemplate(4004, 2057, found));
    EXPECT_EQ(nullptr, found.data);
}

// The templates work with the system's dialog manager: every language's
// update and progress dialogs can be created from memory, with the texts of
// the template.
TEST(DialogTemplateLookup, DialogsCreateFromTheFoundTemplates)
{
    // The progress dialog's bar is a common control: its class must be registered first.
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_PROGRESS_CLASS;
    ASSERT_TRUE(InitCommonControlsEx(&controls));
    for (LANGID language : {LANGID(2057), LANGID(1031), LANGID(1041), LANGID(2052), LANGID(1049)}) {
        for (unsigned int id : kTemplateIds) {
            SCOPED_TRACE("language " + std::to_string(language) + ", template " + std::to_string(id));
            DialogTemplateResource found;
            ASSERT_TRUE(FindDialogTemplate(id, language, found));
            const DialogTemplateInfo info = Read(found);
            HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), found.data, nullptr, IgnoreMessages, 0);
            ASSERT_NE(nullptr, dialog) << GetLastError();
            wchar_t title[256] = {};
            GetWindowTextW(dialog, title, 256);
            EXPECT_EQ(info.title, title);
            for (const DialogItem& item : info.items) {
                HWND control = GetDlgItem(dialog, static_cast<int>(item.id));
                ASSERT_NE(nullptr, control) << "control " << item.id;
                wchar_t text[512] = {};
                GetWindowTextW(control, text, 512);
                EXPECT_EQ(item.text.name, text) << "control " << item.id;
            }
            DestroyWindow(dialog);
        }
    }
}

// The template reader itself, on damaged copies of real templates: it must
// answer true or false without reading outside the buffer. Seeded, bounded.
TEST(DialogTemplateReader, DamagedTemplatesAreRejectedSafely)
{
    std::mt19937 random(20240611);
    for (unsigned int id : kTemplateIds) {
        DialogTemplateResource found;
        ASSERT_TRUE(FindDialogTemplate(id, 1041, found));
        const BYTE* original = reinterpret_cast<const BYTE*>(found.data);
        // Every truncation fails.
        for (DWORD cut = 0; cut < found.size; ++cut) {
            std::vector<BYTE> copy(original, original + cut);
            DialogTemplateInfo info;
            std::string error;
            const bool read = ReadDialogTemplate(copy.data(), copy.size(), info, error);
            // Trailing alignment padding may be cut without losing anything.
            if (read) {
                EXPECT_GE(cut + 4, found.size);
            }
        }
        // Random byte changes: any answer, no crash.
        for (int round = 0; round < 500; ++round) {
            std::vector<BYTE> copy(original, original + found.size);
            const int changes = 1 + static_cast<int>(random() % 8);
            for (int i = 0; i < changes; ++i)
                copy[random() % copy.size()] = static_cast<BYTE>(random());
            DialogTemplateInfo info;
            std::string error;
            if (ReadDialogTemplate(copy.data(), copy.size(), info, error))
                EXPECT_LE(info.items.size(), copy.size() / 18);
            else
                EXPECT_FALSE(error.empty());
        }
    }
    DialogTemplateInfo info;
    std::string error;
    EXPECT_FALSE(ReadDialogTemplate(nullptr, 100, info, error));
    const WORD plain[] = {0, 0, 0, 0};
    EXPECT_FALSE(ReadDialogTemplate(plain, sizeof plain, info, error));
    EXPECT_EQ("not an extended template", error);
}
