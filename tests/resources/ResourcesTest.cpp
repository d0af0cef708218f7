// The dialog templates and string tables in their 22 languages: every
// language (in the program and in ZvAutoUpdate.dll) holds every template and
// string; each translation has English's controls (ids, classes, styles) and
// keeps its placeholders and format specifiers; and the template lookup's
// fallback order.
#include "dialogs/DialogTemplate.h"
#include "osal/LibraryModule.h"
#include "osal/ResourceLanguage.h"
#include "../../resources/resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace {

const LANGID kLanguages[] = {1028, 1029, 1030, 1031, 1032, 1034, 1035, 1036, 1038, 1040, 1041,
                             1042, 1043, 1045, 1046, 1049, 1053, 1055, 2052, 2057, 2070, 3084};
const unsigned int kTemplates[] = {IDD_PROGRESS, IDD_UPDATE, IDD_INSTALL, IDD_CRM_VIEWER};

struct Control {
    std::wstring className, text;
    LONG_PTR style;
};

INT_PTR CALLBACK Ignore(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The template as the system's dialog manager makes it: control id -> control.
std::map<int, Control> Controls(unsigned int id, LANGID language, std::wstring& title)
{
    std::map<int, Control> controls;
    DialogTemplateResource found;
    if (!FindDialogTemplateExact(ZvOSAL::LibraryModule(), id, language, found))
        return controls;
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), found.data, nullptr, Ignore, 0);
    wchar_t text[1024] = {};
    GetWindowTextW(dialog, text, 1024);
    title = text;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        Control control;
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        GetWindowTextW(child, text, 1024);
        control = {name, text, GetWindowLongPtrW(child, GWL_STYLE)};
        controls[GetDlgCtrlID(child)] = control;
    }
    DestroyWindow(dialog);
    return controls;
}

size_t Count(const std::wstring& text, const wchar_t* what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

// The specifiers of a format, in order ("%s%d%%%s%s").
std::wstring Specifiers(const std::wstring& text)
{
    std::wstring specifiers;
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == L'%')
            specifiers += text.substr(i++, 2);
    return specifiers;
}

std::wstring String(unsigned int id, LANGID language)
{
    const wchar_t* text = nullptr;
    int length = 0;
    return ZvOSAL::FindResourceString(id, language, text, length) ? std::wstring(text, length) : std::wstring();
}

TEST(Resources, EveryLanguageInTheProgramAndTheDllHoldsEveryTemplateAndString)
{
    HMODULE dll = LoadLibraryW(L"ZvAutoUpdate.dll");
    ASSERT_NE(nullptr, dll);
    for (HMODULE module : {ZvOSAL::LibraryModule(), dll})
        for (LANGID language : kLanguages)
            for (unsigned int id : kTemplates) {
                DialogTemplateResource found;
                EXPECT_TRUE(FindDialogTemplateExact(module, id, language, found)) << language << " " << id;
            }
    std::set<unsigned int> strings = {IDS_TRANSFERRING_PROGRAM_FILES};
    for (unsigned int id = IDS_UNIT_FIRST; id <= IDS_UNIT_LAST; ++id)
        strings.insert(id);
    for (unsigned int id = IDS_CLOSE; id <= IDS_CHECKING_UPDATE; ++id)
        strings.insert(id);
    for (LANGID language : kLanguages)
        for (unsigned int id : strings)
            EXPECT_FALSE(String(id, language).empty()) << "string " << id << ", language " << language;
    FreeLibrary(dll);
}

TEST(Resources, TranslationsKeepTheControlsPlaceholdersAndSpecifiers)
{
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    for (unsigned int id : kTemplates) {
        std::wstring englishTitle, title;
        const std::map<int, Control> english = Controls(id, 2057, englishTitle);
        ASSERT_FALSE(english.empty());
        for (LANGID language : kLanguages) {
            SCOPED_TRACE("template " + std::to_string(id) + ", language " + std::to_string(language));
            const std::map<int, Control> translated = Controls(id, language, title);
            ASSERT_EQ(english.size(), translated.size());
            EXPECT_FALSE(title.empty());
            EXPECT_EQ(language == 2057, title == englishTitle);
            for (const auto& entry : english) {
                const auto other = translated.find(entry.first);
                ASSERT_NE(translated.end(), other) << "control " << entry.first;
                EXPECT_EQ(entry.second.className, other->second.className) << entry.first;
                EXPECT_EQ(entry.second.style, other->second.style) << entry.first;
                EXPECT_EQ(entry.second.text.empty(), other->second.text.empty()) << entry.first;
                EXPECT_EQ(Count(entry.second.text, L"$ZORVA$"), Count(other->second.text, L"$ZORVA$")) << entry.first;
            }
        }
    }
    // The status line's format keeps the English specifiers in their order.
    const std::wstring english = Specifiers(String(IDS_DOWNLOAD_STATUS_FORMAT, 2057));
    EXPECT_EQ(L"%s%d%%%s%s", english);
    for (LANGID language : kLanguages)
        EXPECT_EQ(english, Specifiers(String(IDS_DOWNLOAD_STATUS_FORMAT, language))) << language;
}

TEST(DialogTemplateLookup, LanguageThenEnglishThenTheLowestLanguagePresent)
{
    const struct {
        unsigned int id;
        LANGID asked, found;
    } cases[] = {
        {IDD_UPDATE, 1041, 1041}, {IDD_UPDATE, 1044, 2057}, {IDD_UPDATE, 1033, 2057}, {IDD_UPDATE, 0, 2057},
        {4001, 1036, 1031}, // only German: found for French
        {4002, 1044, 1029}, // Japanese and Czech, no English: Czech has the lower id
        {4002, 1041, 1041}, {4003, 1036, 2057}, // English comes before a lower language
    };
    for (const auto& c : cases) {
        DialogTemplateResource found;
        ASSERT_TRUE(FindDialogTemplate(c.id, c.asked, found)) << c.id << " " << c.asked;
        EXPECT_EQ(c.found, found.language) << c.id << " " << c.asked;
    }
    DialogTemplateResource found;
    found.language = 7;
    for (unsigned int id : {4999u, 0u, 0x10000u + IDD_UPDATE, 4004u}) { // none, invalid ids, two bytes of data
        EXPECT_FALSE(FindDialogTemplate(id, 2057, found)) << id;
        EXPECT_EQ(nullptr, found.data);
        EXPECT_EQ(0, found.language);
    }
    EXPECT_FALSE(FindDialogTemplate(nullptr, IDD_UPDATE, 2057, found));
    EXPECT_FALSE(FindDialogTemplateExact(ZvOSAL::LibraryModule(), IDD_UPDATE, 1044, found));
    // Strings: a language outside the 22 has none of its own (the dialogs fall back to English).
    const wchar_t* text = nullptr;
    int length = 0;
    EXPECT_FALSE(ZvOSAL::FindResourceString(IDS_CLOSE, 1044, text, length));
}

} // namespace
