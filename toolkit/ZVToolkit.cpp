#include "toolkit/ZVToolkit.h"

#include "osal/ZorvaFont.h"

#include <atomic>
#include <clocale>
#include <cwchar>
#include <cwctype>
#include <mutex>
#include <utility>
#include <vector>

using ZvOSAL::ZvString;

namespace ZVToolkit {

namespace {

std::atomic<bool> g_dpiScaling{false};
std::atomic<unsigned int> g_dpiX{96};
std::atomic<unsigned int> g_dpiY{96};
// 0: follow the system's desktop composition, 1: on, 2: off.
std::atomic<int> g_glassFrame{0};

std::mutex g_languageLock;
wchar_t g_code[32] = L"en_UK";
std::atomic<LANGID> g_languageId{2057};
std::atomic<unsigned int> g_codePage{0};
std::atomic<int> g_codePageWord{-1};
std::atomic<int> g_codePageBit{-1};

struct CodePair {
    const wchar_t* from;
    const wchar_t* to;
};

const CodePair kShortCodes[] = {
    {L"CA", L"en_CA"}, {L"CN", L"zh_CN"}, {L"D", L"de_DE"},  {L"E", L"en_UK"},  {L"ES", L"es_ES"},
    {L"F", L"fr_FR"},  {L"FL", L"en_US"}, {L"I", L"it_IT"},  {L"JP", L"ja_JP"}, {L"KR", L"ko_KR"},
    {L"NL", L"nl_NL"}, {L"PL", L"pl_PL"}, {L"RU", L"ru_RU"}, {L"SE", L"sv_SE"}, {L"SI", L"si_SL"},
    {L"UK", L"en_UK"}, {L"US", L"en_US"},
};

const CodePair kRuntimeLocales[] = {
    {L"en_UK", L"eng"}, {L"en_US", L"enu"}, {L"en_CA", L"enc"}, {L"en_II", L"eng"}, {L"zh_CN", L"chs"},
    {L"zh_TW", L"cht"}, {L"de_DE", L"deu"}, {L"es_ES", L"esp"}, {L"es_US", L"esn"}, {L"fr_FR", L"fra"},
    {L"fr_CA", L"frc"}, {L"it_IT", L"ita"}, {L"ja_JP", L"jpn"}, {L"nl_NL", L"nld"}, {L"pl_PL", L"plk"},
    {L"cs_CZ", L"csy"}, {L"ru_RU", L"rus"}, {L"sv_SE", L"sve"}, {L"en_SE", L"enu"}, {L"da_DK", L"dan"},
    {L"en_DK", L"enu"}, {L"fi_FI", L"fin"}, {L"en_FI", L"enu"}, {L"nb_NO", L"nor"}, {L"en_NO", L"enu"},
    {L"el_GR", L"ell"}, {L"pt_PT", L"ptg"}, {L"hu_HU", L"hun"}, {L"sl_SI", L"enu"}, {L"tr_TR", L"trk"},
    {L"ko_KR", L"kor"},
};

// The code-page bit order of font signatures.
const unsigned int kCodePages[64] = {
    1252, 1250, 1251, 1253, 1254, 1255, 1256, 1257, 1258, 0,   0,   0,   0,   0,   0,   0,
    874,  932,  936,  949,  950,  1361, 0,    0,    0,    0,   0,   0,   0,   0,   0,   0,
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,   0,   0,   0,   0,   0,   1258,
    869,  866,  865,  864,  863,  862,  861,  860,  857,  855, 852, 775, 737, 708, 850, 437,
};

// The user's default languages that are kept with their sublanguage.
const LANGID kKeptDefaultLanguages[] = {1028, 1033, 1034, 1036, 2052, 2057, 2070, 3084, 4105, 21514};

ZvString LanguagePart(const ZvString& code)
{
    const int bar = code.Find(L'_');
    return bar < 0 ? ZvString() : code.Left(bar);
}

ZvString CountryPart(const ZvString& code)
{
    const int bar = code.Find(L'_');
    return bar < 0 ? ZvString() : code.Mid(bar + 1);
}

} // namespace

// ---- DPI ----

void SetDpiScaling(bool on, unsigned int dpiX, unsigned int dpiY)
{
    g_dpiX = dpiX ? dpiX : 96;
    g_dpiY = dpiY ? dpiY : 96;
    g_dpiScaling = on;
}

bool IsDpiScaling() { return g_dpiScaling; }
unsigned int GetDpiX() { return g_dpiScaling ? g_dpiX.load() : 96; }
unsigned int GetDpiY() { return g_dpiScaling ? g_dpiY.load() : 96; }
int ScaleX(int value) { return g_dpiScaling ? MulDiv(value, static_cast<int>(g_dpiX.load()), 96) : value; }
int ScaleY(int value) { return g_dpiScaling ? MulDiv(value, static_cast<int>(g_dpiY.load()), 96) : value; }

RECT ScaleRect(const RECT& rect)
{
    RECT scaled = {ScaleX(rect.left), ScaleY(rect.top), ScaleX(rect.right), ScaleY(rect.bottom)};
    return scaled;
}

void SetGlassFrameMode(bool on) { g_glassFrame = on ? 1 : 2; }
void FollowSystemGlassFrame() { g_glassFrame = 0; }

bool IsGlassFrameMode()
{
    const int mode = g_glassFrame;
    if (mode != 0)
        return mode == 1;
    // dwmapi is not on every system: looked up at run time.
    typedef HRESULT(WINAPI * CompositionQuery)(BOOL*);
    static const CompositionQuery query = [] {
        HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
        return dwm ? reinterpret_cast<CompositionQuery>(
                         reinterpret_cast<void*>(GetProcAddress(dwm, "DwmIsCompositionEnabled")))
                   : nullptr;
    }();
    BOOL enabled = FALSE;
    return query && SUCCEEDED(query(&enabled)) && enabled;
}

// ---- Language ----

ZvString LanguageIdToCode(LANGID id)
{
    if (id == 0)
        return ZvString();
    const LCID locale = MAKELCID(id, SORT_DEFAULT);
    wchar_t country[16] = {};
    if (GetLocaleInfoW(locale, LOCALE_SISO3166CTRYNAME, country, 16) <= 1)
        return ZvString();
    ZvString countryText(country);
    if (countryText.CompareNoCase(L"GB") == 0)
        countryText = L"UK";
    wchar_t language[16] = {};
    if (GetLocaleInfoW(locale, LOCALE_SISO639LANGNAME, language, 16) <= 1)
        return ZvString();
    ZvString code(language);
    code += L"_";
    code += countryText;
    return code;
}

namespace {

// Every identifier of the search (primary 1..63, sublanguage 1..63) with a
// code, in search order. The system's locale data does not change while the
// process runs, so the table is read once: a lookup costs a scan instead of
// thousands of locale queries.
const std::vector<std::pair<LANGID, ZvString>>& CodeTable()
{
    static const std::vector<std::pair<LANGID, ZvString>> table = [] {
        std::vector<std::pair<LANGID, ZvString>> codes;
        for (int p = 1; p <= 63; ++p) {
            for (int s = 1; s <= 63; ++s) {
                const LANGID id = static_cast<LANGID>(s * 1024 + p);
                ZvString code = LanguageIdToCode(id);
                if (!code.IsEmpty())
                    codes.emplace_back(id, code);
            }
        }
        return codes;
    }();
    return table;
}

} // namespace

LANGID CodeToLanguageId(const wchar_t* code)
{
    if (!code)
        return 0;
    const ZvString wanted(code);
    const auto& table = CodeTable();
    for (const auto& entry : table)
        if (entry.second.CompareNoCase(wanted) == 0)
            return entry.first;
    // Then by the language part of each primary language's default.
    const ZvString wantedLanguage = LanguagePart(wanted);
    for (int p = 1; p <= 63; ++p) {
        const LANGID id = static_cast<LANGID>(p + 1024);
        for (const auto& entry : table) {
            if (entry.first != id)
                continue;
            const ZvString language = LanguagePart(entry.second);
            if (!language.IsEmpty() && language.CompareNoCase(wantedLanguage) == 0)
                return id;
        }
    }
    return 0;
}

const wchar_t* ShortCodeToCode(const wchar_t* shortCode)
{
    if (!shortCode)
        return nullptr;
    for (const CodePair& pair : kShortCodes)
        if (_wcsicmp(pair.from, shortCode) == 0)
            return pair.to;
    return nullptr;
}

const wchar_t* CodeToRuntimeLocale(const wchar_t* code)
{
    if (!code)
        return L"";
    for (const CodePair& pair : kRuntimeLocales)
        if (wcscmp(pair.from, code) == 0)
            return pair.to;
    return L"";
}

int CodePageTablePosition(unsigned int codePage)
{
    for (int i = 0; i < 64; ++i)
        if (kCodePages[i] == codePage)
            return i;
    return -1;
}

LANGID SetUILanguageCode(const wchar_t* requested)
{
    // 1. Normalise.
    ZvString code(requested ? requested : L"");
    if (code.IsEmpty() || CodeToLanguageId(code) == 0) {
        const wchar_t* full = ShortCodeToCode(code);
        if (full) {
            code = full;
        } else {
            LANGID user = GetUserDefaultLangID();
            bool kept = false;
            for (LANGID id : kKeptDefaultLanguages)
                kept = kept || id == user;
            if (!kept)
                user = static_cast<LANGID>(PRIMARYLANGID(user) + 1024);
            code = LanguageIdToCode(user);
        }
    }
    ZvString language = LanguagePart(code);
    ZvString country = CountryPart(code);
    language.MakeLower();
    country.MakeUpper();
    code = language;
    code += L"_";
    code += country;

    // 2. Store; the current identifier follows the code.
    const LANGID id = CodeToLanguageId(code);
    {
        std::lock_guard<std::mutex> lock(g_languageLock);
        wcsncpy(g_code, code.c_str(), 31);
        g_code[31] = 0;
    }
    g_languageId = id;

    // 3. The C runtime's character-type locale (empty: the system default).
    _wsetlocale(LC_CTYPE, CodeToRuntimeLocale(code));

    // 4. Code page, its table position and the default font character set.
    unsigned int codePage = 0;
    wchar_t buffer[16] = {};
    if (id && GetLocaleInfoW(MAKELCID(id, SORT_DEFAULT), LOCALE_IDEFAULTANSICODEPAGE, buffer, 16) > 1)
        codePage = static_cast<unsigned int>(_wtoi(buffer));
    if (codePage == 0)
        codePage = g_codePage;
    if (codePage == 0 && id) {
        buffer[0] = 0;
        if (GetLocaleInfoW(MAKELCID(id, SORT_DEFAULT), LOCALE_IDEFAULTCODEPAGE, buffer, 16) > 1) {
            const unsigned int oem = static_cast<unsigned int>(_wtoi(buffer));
            if (oem != 1)
                codePage = oem;
        }
    }
    g_codePage = codePage;
    const int position = CodePageTablePosition(codePage);
    g_codePageWord = position < 0 ? -1 : position / 32;
    g_codePageBit = position < 0 ? -1 : position % 32;
    CHARSETINFO info = {};
    if (TranslateCharsetInfo(reinterpret_cast<DWORD*>(static_cast<UINT_PTR>(codePage)), &info, TCI_SRCCODEPAGE))
        ZorvaFont::SetDefaultCharSet(static_cast<unsigned char>(info.ciCharset));
    return id;
}

ZvString GetUILanguageCode()
{
    std::lock_guard<std::mutex> lock(g_languageLock);
    return ZvString(g_code);
}

LANGID GetUILanguageId() { return g_languageId; }
unsigned int GetUICodePage() { return g_codePage; }

void GetUICodePagePosition(int& wordIndex, int& bitIndex)
{
    wordIndex = g_codePageWord;
    bitIndex = g_codePageBit;
}

} // namespace ZVToolkit
