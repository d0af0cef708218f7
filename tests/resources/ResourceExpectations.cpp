#include "resources/ResourceExpectations.h"

#include "../../resources/resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace zvres {

const std::vector<LANGID> kLanguages = {1028, 1029, 1030, 1031, 1032, 1034, 1035, 1036, 1038, 1040, 1041,
                                        1042, 1043, 1045, 1046, 1049, 1053, 1055, 2052, 2057, 2070, 3084};

const std::vector<unsigned int> kTemplateIds = {IDD_PROGRESS, IDD_UPDATE, IDD_INSTALL, IDD_CRM_VIEWER};

const std::vector<unsigned int> kStringIds = [] {
    std::vector<unsigned int> ids;
    for (unsigned int id = IDS_UNIT_FIRST; id <= IDS_UNIT_LAST; ++id)
        ids.push_back(id);
    for (unsigned int id = IDS_CLOSE; id <= IDS_CHECKING_UPDATE; ++id)
        ids.push_back(id);
    ids.push_back(IDS_TRANSFERRING_PROGRAM_FILES);
    return ids;
}();

namespace {

constexpr LANGID kEnglishUK = 2057;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

struct ControlSpec {
    DWORD id;
    ControlKind kind;
    DWORD style;
    short x, y, cx, cy;
    const wchar_t* text;
};

struct TemplateSpec {
    unsigned int id;
    DWORD style;
    DWORD exStyle;
    short cx, cy;
    const wchar_t* face;
    WORD weight; // 0: the face's normal weight
    std::vector<ControlSpec> controls;
};

const wchar_t kTitle[] = L"Major program update";

// The English (United Kingdom) templates, control by control in template order.
const std::vector<TemplateSpec>& EnglishTemplates()
{
    static const std::vector<TemplateSpec> specs = {
        {IDD_PROGRESS,
         WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND | DS_SETFONT,
         WS_EX_APPWINDOW, 324, 147, L"MS Sans Serif", 0,
         {
             {IDOK, ControlKind::PushButton, kChild | WS_TABSTOP | BS_PUSHBUTTON, 207, 126, 50, 14, L"Yes"},
             {IDCANCEL, ControlKind::PushButton, kChild | WS_TABSTOP | BS_PUSHBUTTON, 267, 126, 50, 14, L"..."},
             {IDC_PROGRESS, ControlKind::ProgressBar, kChild | WS_BORDER | PBS_SMOOTH, 7, 126, 175, 14, L"Progress1"},
             {IDC_TXT_TITLE, ControlKind::StaticText, kChild | WS_GROUP | SS_LEFT, 7, 7, 310, 20, L"..."},
             {IDC_TXT_DOWNLOAD_STATUS, ControlKind::StaticText, kChild | WS_GROUP | SS_LEFT, 7, 89, 118, 8, L"..."},
             {IDC_TXT_MESSAGE, ControlKind::StaticText, kChild | WS_GROUP | SS_LEFT, 7, 44, 310, 30, L"..."},
         }},
        {IDD_UPDATE,
         WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SHELLFONT, 0, 317, 182, L"MS Shell Dlg", 400,
         {
             {IDOK, ControlKind::DefaultPushButton, kChild | BS_DEFPUSHBUTTON, 142, 87, 50, 14, L"Perform update now"},
             {IDCANCEL, ControlKind::PushButton, kChild | BS_PUSHBUTTON, 191, 138, 125, 14, L"Update later"},
             {IDC_TXT_PRODUCT, ControlKind::StaticText, kChild | SS_LEFT, 15, 23, 302, 23,
              L"There is an update for $ZORVA$."},
             {IDC_TXT_UPDATE, ControlKind::StaticText, kChild | SS_LEFT, 15, 55, 302, 24,
              L"Updates contain technical and functional improvements.\nUpdating is highly recommended. "
              L"Would you like to update now?"},
             {IDC_BTN_WHATS_NEW, ControlKind::PushButton, kChild | BS_PUSHBUTTON, 200, 94, 116, 8,
              L"New in this update"},
             {IDC_BTN_SHOW_CRM, ControlKind::PushButton, kChild | BS_PUSHBUTTON, 200, 114, 116, 8, L"More"},
             {IDC_CHECK_DONT_SHOW_AGAIN, ControlKind::AutoCheckBox, kChild | BS_AUTOCHECKBOX, 7, 166, 107, 10,
              L"Don't show this dialog again"},
             {IDC_CHECK_SEND_CRM_DATA, ControlKind::AutoCheckBox, kChild | BS_AUTOCHECKBOX, 187, 166, 130, 10,
              L"Transfer program information"},
             {IDC_TXT_WAIT, ControlKind::StaticText, kChild | SS_LEFT, 7, 110, 212, 8,
              L"Information concerning the update is being compiled."},
             {IDC_TXT_PLEASE_WAIT, ControlKind::StaticText, kChild | SS_LEFT, 7, 210, 212, 8, L"Please wait..."},
             {IDC_ACTIVITY, ControlKind::StaticText, kChild | SS_LEFT, 15, 134, 26, 8, L"Static"},
             {IDC_TXT_NO_PATCH_AVAILABLE, ControlKind::StaticText, kChild | SS_LEFT, 7, 150, 212, 8,
              L"There are no updates for $ZORVA$."},
         }},
        {IDD_INSTALL,
         WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SHELLFONT, 0, 316, 183, L"MS Shell Dlg", 400,
         {
             {IDOK, ControlKind::DefaultPushButton, kChild | BS_DEFPUSHBUTTON, 77, 162, 50, 14, L"Update immediately"},
             {IDCANCEL, ControlKind::PushButton, kChild | BS_PUSHBUTTON, 243, 162, 50, 14, L"Cancel"},
             {IDC_TXT_PRODUCT, ControlKind::StaticText, kChild | SS_LEFT, 7, 22, 302, 31,
              L"The update for $ZORVA$ is now ready for installation."},
             {IDC_TXT_INSTALL_WHEN, ControlKind::StaticText, kChild | SS_LEFT, 7, 60, 302, 38,
              L"The update can be carried out now or later (Program restart necessary)."},
             {IDC_BTN_LATER, ControlKind::PushButton, kChild | BS_PUSHBUTTON, 148, 162, 50, 14,
              L"Install when program is closed"},
         }},
        {IDD_CRM_VIEWER,
         WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFOREGROUND | DS_SETFONT, 0, 291, 226,
         L"MS Sans Serif", 0,
         {
             {IDOK, ControlKind::DefaultPushButton, kChild | BS_DEFPUSHBUTTON, 228, 205, 56, 14, L"Close"},
             {IDC_EDIT_CRM, ControlKind::Edit,
              kChild | WS_VSCROLL | WS_BORDER | WS_TABSTOP | ES_MULTILINE | ES_READONLY, 7, 7, 277, 191, L""},
             {IDC_TXT_TITLE, ControlKind::StaticText, kChild | SS_LEFT, 7, 7, 277, 15, L"View transfer file"},
         }},
    };
    return specs;
}

// Places that differ from English: the German texts need room elsewhere.
struct PlaceOverride {
    LANGID language;
    unsigned int templateId;
    DWORD controlId;
    short x, y, cx, cy;
};
const PlaceOverride kPlaceOverrides[] = {
    {1031, IDD_UPDATE, IDC_TXT_PLEASE_WAIT, 104, 3, 212, 8},
    {1031, IDD_CRM_VIEWER, IDC_EDIT_CRM, 7, 25, 277, 173},
};

// Texts that are not shown as they stand (replaced at run time or covered by
// the skin) and so stay the same in every language.
bool IsFixedText(const std::wstring& english)
{
    return english.empty() || english == L"..." || english == L"Progress1" || english == L"Static";
}

const std::map<unsigned int, std::wstring>& EnglishStrings()
{
    static const std::map<unsigned int, std::wstring> strings = {
        {113, L"Bytes"}, {114, L"Bytes"}, {115, L"Bytes"},
        {116, L"kB"}, {117, L"KBytes"}, {118, L"Kilobytes"},
        {119, L"MB"}, {120, L"MBytes"}, {121, L"Megabytes"},
        {122, L"GB"}, {123, L"GBytes"}, {124, L"Gigabytes"},
        {125, L"TB"}, {126, L"TBytes"}, {127, L"Terabytes"},
        {128, L"PB"}, {129, L"PBytes"}, {130, L"Petabytes"},
        {131, L"EB"}, {132, L"EBytes"}, {133, L"Exabytes"},
        {142, L"Close"},
        {143, L"Downloading ...."},
        {144, L"Download update"},
        {145, L"Automatic check failed"},
        {146, L"%s   %d%% (%s / %s)"},
        {147, L"The update will now be downloaded. Please wait until the transfer is complete."},
        {148, L"The update has been checked and is corrupt. Installation has been cancelled."},
        {149, L"Cancel"},
        {150, L"No"},
        {151, L"Do you want to restart the update process?"},
        {152, L"Checking update..."},
        {1024, L"Transferring program files..."},
    };
    return strings;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param)
{
    reinterpret_cast<std::set<LANGID>*>(param)->insert(language);
    return TRUE;
}

std::set<LANGID> LanguagesOf(HMODULE module, LPCWSTR type, unsigned int id)
{
    std::set<LANGID> found;
    EnumResourceLanguagesW(module, type, MAKEINTRESOURCEW(id), CollectLanguage, reinterpret_cast<LONG_PTR>(&found));
    return found;
}

std::string Narrow(const std::wstring& text)
{
    std::string out;
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    out.resize(size);
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

std::string Where(LANGID language, unsigned int templateId, DWORD controlId = 0)
{
    std::string where = "language " + std::to_string(language) + ", template " + std::to_string(templateId);
    if (controlId)
        where += ", control " + std::to_string(controlId);
    return where;
}

} // namespace

bool LoadTemplate(HMODULE module, unsigned int id, LANGID language, DialogTemplateInfo& info)
{
    HRSRC found = FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(id), language);
    if (!found) {
        ADD_FAILURE() << "no template " << Where(language, id);
        return false;
    }
    HGLOBAL handle = LoadResource(module, found);
    const void* data = handle ? LockResource(handle) : nullptr;
    std::string error;
    if (!data || !ReadDialogTemplate(data, SizeofResource(module, found), info, error)) {
        ADD_FAILURE() << "unreadable template " << Where(language, id) << ": " << error;
        return false;
    }
    return true;
}

bool ReadStringEntry(HMODULE module, unsigned int id, LANGID language, std::wstring& text)
{
    text.clear();
    HRSRC found = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    HGLOBAL handle = found ? LoadResource(module, found) : nullptr;
    const WORD* block = handle ? static_cast<const WORD*>(LockResource(handle)) : nullptr;
    if (!block)
        return false;
    const WORD* end = block + SizeofResource(module, found) / sizeof(WORD);
    const WORD* entry = block;
    for (unsigned int skip = id % 16; skip > 0 && entry < end; --skip)
        entry += 1 + *entry;
    if (entry >= end || *entry == 0 || entry + 1 + *entry > end)
        return false;
    text.assign(reinterpret_cast<const wchar_t*>(entry + 1), *entry);
    return true;
}

std::vector<std::wstring> FormatSpecifiers(const std::wstring& format)
{
    std::vector<std::wstring> specifiers;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%')
            continue;
        size_t end = i + 1;
        // Flags, width, precision and size prefixes up to the conversion letter.
        while (end < format.size() && wcschr(L"-+ #0123456789.*lhIL", format[end]))
            ++end;
        if (end >= format.size()) {
            specifiers.push_back(format.substr(i));
            break;
        }
        specifiers.push_back(format.substr(i, end - i + 1));
        i = end;
    }
    return specifiers;
}

int CountPlaceholders(const std::wstring& text)
{
    int count = 0;
    for (size_t at = text.find(L"$ZORVA$"); at != std::wstring::npos; at = text.find(L"$ZORVA$", at + 1))
        ++count;
    return count;
}

void CheckLanguageSet(HMODULE module)
{
    const std::set<LANGID> expected(kLanguages.begin(), kLanguages.end());
    ASSERT_EQ(22u, expected.size());
    for (unsigned int id : kTemplateIds)
        EXPECT_EQ(expected, LanguagesOf(module, RT_DIALOG, id)) << "template " << id;
    std::set<unsigned int> blocks;
    for (unsigned int id : kStringIds)
        blocks.insert(id / 16 + 1);
    for (unsigned int block : blocks)
        EXPECT_EQ(expected, LanguagesOf(module, RT_STRING, block)) << "string block " << block;
    for (LANGID language : kLanguages) {
        for (unsigned int id : kStringIds) {
            std::wstring text;
            EXPECT_TRUE(ReadStringEntry(module, id, language, text)) << "string " << id << ", language " << language;
        }
    }
}

void CheckEnglishTemplates(HMODULE module)
{
    for (const TemplateSpec& tmpl : EnglishTemplates()) {
        SCOPED_TRACE(Where(kEnglishUK, tmpl.id));
        DialogTemplateInfo info;
        if (!LoadTemplate(module, tmpl.id, kEnglishUK, info))
            continue;
        EXPECT_EQ(tmpl.style, info.style);
        EXPECT_EQ(tmpl.exStyle, info.exStyle);
        EXPECT_EQ(0, info.x);
        EXPECT_EQ(0, info.y);
        EXPECT_EQ(tmpl.cx, info.cx);
        EXPECT_EQ(tmpl.cy, info.cy);
        EXPECT_EQ(0, info.menu.ordinal);
        EXPECT_EQ(L"", info.menu.name);
        EXPECT_EQ(0, info.windowClass.ordinal);
        EXPECT_EQ(L"", info.windowClass.name);
        EXPECT_EQ(kTitle, info.title);
        EXPECT_TRUE(info.hasFont);
        EXPECT_EQ(8, info.pointSize);
        EXPECT_EQ(tmpl.face, info.face);
        EXPECT_EQ(tmpl.weight, info.weight);
        EXPECT_EQ(0, info.italic);
        // The system picks the script from the text's language.
        EXPECT_EQ(DEFAULT_CHARSET, info.charset);
        ASSERT_EQ(tmpl.controls.size(), info.items.size());
        for (size_t i = 0; i < tmpl.controls.size(); ++i) {
            const ControlSpec& want = tmpl.controls[i];
            const DialogItem& item = info.items[i];
            SCOPED_TRACE("control " + std::to_string(want.id));
            EXPECT_EQ(want.id, item.id);
            EXPECT_EQ(want.kind, KindOf(item));
            EXPECT_EQ(want.style, item.style);
            EXPECT_EQ(0u, item.exStyle);
            EXPECT_EQ(want.x, item.x);
            EXPECT_EQ(want.y, item.y);
            EXPECT_EQ(want.cx, item.cx);
            EXPECT_EQ(want.cy, item.cy);
            EXPECT_EQ(0, item.text.ordinal);
            EXPECT_EQ(want.text, item.text.name);
            EXPECT_EQ(0, item.extraBytes);
        }
    }
}

void CheckTranslatedTemplates(HMODULE module)
{
    for (const TemplateSpec& tmpl : EnglishTemplates()) {
        for (LANGID language : kLanguages) {
            if (language == kEnglishUK)
                continue;
            SCOPED_TRACE(Where(language, tmpl.id));
            DialogTemplateInfo info;
            if (!LoadTemplate(module, tmpl.id, language, info))
                continue;
            EXPECT_EQ(tmpl.style, info.style);
            EXPECT_EQ(tmpl.exStyle, info.exStyle);
            EXPECT_EQ(tmpl.cx, info.cx);
            EXPECT_EQ(tmpl.cy, info.cy);
            EXPECT_EQ(tmpl.face, info.face);
            EXPECT_EQ(8, info.pointSize);
            EXPECT_EQ(tmpl.weight, info.weight);
            EXPECT_EQ(DEFAULT_CHARSET, info.charset);
            EXPECT_FALSE(info.title.empty());
            EXPECT_NE(kTitle, info.title) << "title not translated";
            ASSERT_EQ(tmpl.controls.size(), info.items.size());
            for (size_t i = 0; i < tmpl.controls.size(); ++i) {
                const ControlSpec& want = tmpl.controls[i];
                const DialogItem& item = info.items[i];
                SCOPED_TRACE("control " + std::to_string(want.id));
                EXPECT_EQ(want.id, item.id);
                EXPECT_EQ(want.kind, KindOf(item));
                EXPECT_EQ(want.style, item.style);
                ControlSpec place = want;
                for (const PlaceOverride& o : kPlaceOverrides) {
                    if (o.language == language && o.templateId == tmpl.id && o.controlId == want.id) {
                        place.x = o.x;
                        place.y = o.y;
                        place.cx = o.cx;
                        place.cy = o.cy;
                    }
                }
                EXPECT_EQ(place.x, item.x);
                EXPECT_EQ(place.y, item.y);
                EXPECT_EQ(place.cx, item.cx);
                EXPECT_EQ(place.cy, item.cy);

                const std::wstring english = want.text;
                const std::wstring& text = item.text.name;
                if (IsFixedText(english)) {
                    EXPECT_EQ(english, text);
                    continue;
                }
                EXPECT_FALSE(text.empty());
                EXPECT_EQ(CountPlaceholders(english), CountPlaceholders(text)) << Narrow(text);
                // A backslash would be an escape the resource compiler did not take.
                EXPECT_EQ(std::wstring::npos, text.find(L'\\')) << Narrow(text);
                if (want.id == IDC_TXT_UPDATE) {
                    EXPECT_NE(english, text) << "not translated";
                    EXPECT_EQ(1, std::count(text.begin(), text.end(), L'\n')) << Narrow(text);
                }
            }
        }
    }
}

void CheckStrings(HMODULE module)
{
    for (const auto& entry : EnglishStrings()) {
        std::wstring text;
        EXPECT_TRUE(ReadStringEntry(module, entry.first, kEnglishUK, text)) << "string " << entry.first;
        EXPECT_EQ(entry.second, text) << "string " << entry.first;
    }
    const std::vector<std::wstring> specifiers = FormatSpecifiers(EnglishStrings().at(IDS_DOWNLOAD_STATUS_FORMAT));
    ASSERT_EQ((std::vector<std::wstring>{L"%s", L"%d", L"%%", L"%s", L"%s"}), specifiers);

    for (LANGID language : kLanguages) {
        SCOPED_TRACE("language " + std::to_string(language));
        std::map<unsigned int, std::wstring> texts;
        for (unsigned int id : kStringIds) {
            std::wstring text;
            EXPECT_TRUE(ReadStringEntry(module, id, language, text)) << "string " << id;
            EXPECT_EQ(std::wstring::npos, text.find(L'\\')) << "string " << id << ": " << Narrow(text);
            EXPECT_EQ(0, CountPlaceholders(text)) << "string " << id;
            texts[id] = text;
        }
        EXPECT_EQ(specifiers, FormatSpecifiers(texts[IDS_DOWNLOAD_STATUS_FORMAT]));
        // Within one style the seven units are told apart.
        for (unsigned int style = 0; style < 3; ++style) {
            std::set<std::wstring> names;
            for (unsigned int unit = 0; unit < 7; ++unit)
                names.insert(texts[IDS_UNIT_FIRST + 3 * unit + style]);
            EXPECT_EQ(7u, names.size()) << "unit names of style " << style;
        }
        if (language != kEnglishUK) {
            for (unsigned int id : {IDS_DOWNLOAD_MESSAGE, IDS_CORRUPT_MESSAGE, IDS_RESTART_QUESTION})
                EXPECT_NE(EnglishStrings().at(id), texts[id]) << "string " << id << " not translated";
        }
    }
}

void CheckVersionResource(HMODULE module)
{
    EXPECT_NE(nullptr, FindResourceExW(module, RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO), kEnglishUK));
}

} // namespace zvres
