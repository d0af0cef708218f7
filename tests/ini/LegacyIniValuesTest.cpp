// Typed INI values (paths, rectangles, colours, fonts, integers), each read
// through an attached reader and through the system's private-profile
// function on the same file, and the font facility's rule for the maker's
// fonts.
#include "ini/ZVLegacyIniFileSupport.h"

#include "ini/ZVIniFileReader.h"
#include "osal/ZorvaFont.h"
#include "support/Files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const char kSkin[] = "[Main]\r\nRect=10, 20, 110, 40\r\nShortRect=1,2,3\r\nColor=255 128 0\r\nWideColor=300,-1,0\r\n"
                     "Face=  \tTahoma\r\nSize=12.7 700 1\r\nCleartype=9 400 0 0 0 0 5\r\n"
                     "Cyrillic=10.2, 400, 0, 1, 0, 204\r\nNegative=-11.9 400\r\nMaker=Zorva Sans\r\n"
                     "Maker.alternative=Arial\r\nSize.alternative=8 400 1 1\r\nMakerOnly=Zorva Mono\r\nEmpty=\r\n"
                     "Count=42 apples\r\nWord=abc\r\nImage=images\\button.bmp\r\nBoth=from main\r\n"
                     "[Fallback]\r\nBoth=from fallback\r\nOnlyInFallback=fb\r\n";

int CALLBACK FirstFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM parameter)
{
    if (font->lfFaceName[0] == L'@')
        return 1;
    wcscpy(reinterpret_cast<wchar_t*>(parameter), font->lfFaceName);
    return 0;
}

// The name of some installed font family, or empty.
std::wstring AnInstalledFamily()
{
    wchar_t face[LF_FACESIZE] = {};
    HDC dc = CreateCompatibleDC(nullptr);
    LOGFONTW query = {};
    query.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(dc, &query, FirstFamily, reinterpret_cast<LPARAM>(face), 0);
    DeleteDC(dc);
    return face;
}

// Restores the font facility's process-wide settings after a test.
struct FontSettingsGuard {
    ~FontSettingsGuard()
    {
        ZorvaFont::SetMakerFontPrefix(nullptr);
        ZorvaFont::SetMakerFontsSuppressed(false);
        ZorvaFont::Initialize();
    }
};

} // namespace

class LegacyIniValues : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.Write(L"skin.ini", kSkin));
        m_file = m_folder.Path(L"skin.ini");
        if (GetParam()) {
            ASSERT_TRUE(m_reader.Open(m_file.c_str()));
            EXPECT_EQ(nullptr, m_values.SetReader(&m_reader));
        }
        m_values.SetDefaults(m_file.c_str(), L"Main");
    }

    zvtest::TempFolder m_folder;
    std::wstring m_file;
    CZVIniFileReader m_reader;
    CZVLegacyIniFileSupport m_values;
    FontSettingsGuard m_fontSettings;
};

INSTANTIATE_TEST_SUITE_P(ReaderAndSystem, LegacyIniValues, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Reader" : "System"; });

TEST_P(LegacyIniValues, PlainValuesWithSectionFallbackAndDefaults)
{
    const struct {
        const wchar_t* key;
        const wchar_t* section;
        const wchar_t* fallback;
        int result;
        const wchar_t* value;
    } rows[] = {
        {L"OnlyInFallback", L"Main", L"Fallback", 1, L"fb"},
        {L"Both", L"Main", L"Fallback", 1, L"from main"},
        {L"OnlyInFallback", L"Main", L"", 0, L"d"},
        {L"Both", L"Fallback", L"", 1, L"from fallback"},
        {L"Both", L"", L"", 1, L"from main"}, // the default section
        {L"Empty", L"", L"", 0, L"d"},        // an empty value counts as missing
        {L"", L"", L"", 0, L"d"},
    };
    wchar_t value[MAX_PATH];
    for (const auto& row : rows) {
        EXPECT_EQ(row.result, m_values.ReadValue(value, L"d", row.key, row.section, L"", row.fallback)) << row.key;
        EXPECT_STREQ(row.value, value) << row.key;
    }
    EXPECT_EQ(0, m_values.ReadValue(nullptr, L"d", L"Count", L"", L"", L""));
    // No section at all: only the fallback section is asked.
    m_values.SetDefaults(m_file.c_str(), L"");
    EXPECT_EQ(1, m_values.ReadValue(value, L"", L"Both", L"", L"", L"Fallback"));
    EXPECT_STREQ(L"from fallback", value);
}

TEST_P(LegacyIniValues, RectanglesColoursIntegersAndPaths)
{
    const struct {
        const wchar_t* key;
        const wchar_t* defaultValue;
        int result;
        RECT rect;
    } rects[] = {
        {L"Rect", L"0 0 0 0", 1, {10, 20, 110, 40}},
        {L"ShortRect", L"", 0, {1, 2, 3, 0}}, // written, but three numbers are a failure
        {L"NoRect", L"5,6,7,8", 0, {5, 6, 7, 8}},
    };
    for (const auto& row : rects) {
        RECT rect = {-1, -1, -1, -1};
        EXPECT_EQ(row.result, m_values.ReadRect(&rect, row.defaultValue, row.key, L"", L"", L"")) << row.key;
        EXPECT_TRUE(EqualRect(&row.rect, &rect)) << row.key;
    }
    const struct {
        const wchar_t* key;
        int result;
        COLORREF color;
    } colours[] = {{L"Color", 1, 0x000080FF}, {L"WideColor", 1, RGB(300 & 0xFF, 0xFF, 0)}, {L"Word", 0, 0}};
    for (const auto& row : colours) {
        COLORREF color = 0xFFFFFFFF;
        EXPECT_EQ(row.result, m_values.ReadColor(&color, L"1 2 3", row.key, L"", L"", L"")) << row.key;
        EXPECT_EQ(row.color, color) << row.key;
    }
    const struct {
        const wchar_t* key;
        int result, value;
    } integers[] = {{L"Count", 1, 42}, {L"NoCount", 0, -5}, {L"Word", 1, 0}};
    for (const auto& row : integers) {
        int value = 99;
        EXPECT_EQ(row.result, m_values.ReadInt(&value, -5, row.key, L"", L"", L"")) << row.key;
        EXPECT_EQ(row.value, value) << row.key;
    }
    EXPECT_EQ(0, m_values.ReadRect(nullptr, L"", L"Rect", L"", L"", L""));

    wchar_t path[MAX_PATH];
    EXPECT_EQ(1, m_values.ReadPath(path, L"C:\\skin\\", L"none.bmp", L"Image", L"", L"", L""));
    EXPECT_STREQ(L"C:\\skin\\images\\button.bmp", path);
    EXPECT_EQ(0, m_values.ReadPath(path, L"C:\\", L"none.bmp", L"NoImage", L"", L"", L""));
    EXPECT_STREQ(L"C:\\none.bmp", path) << "written also when the read fails";
    EXPECT_EQ(1, m_values.ReadPath(path, std::wstring(300, L'p').c_str(), L"", L"Image", L"", L"", L""));
    EXPECT_EQ(259u, wcslen(path)) << "cut, not overrun";
}

TEST_P(LegacyIniValues, FontRecords)
{
    const struct {
        const wchar_t* faceKey;
        const wchar_t* sizeKey;
        const wchar_t* face;
        LONG height, weight;
        BYTE italic, underline, quality, charSet;
    } rows[] = {
        {L"Face", L"Size", L"Tahoma", 12, 700, 1, 0, NONANTIALIASED_QUALITY, DEFAULT_CHARSET},
        {L"Face", L"Cleartype", L"Tahoma", 9, 400, 0, 0, CLEARTYPE_QUALITY, DEFAULT_CHARSET},
        {L"Face", L"Cyrillic", L"Tahoma", 10, 400, 0, 1, DEFAULT_QUALITY, RUSSIAN_CHARSET},
        {L"Face", L"Negative", L"Tahoma", -11, 400, 0, 0, NONANTIALIASED_QUALITY, DEFAULT_CHARSET},
        // The maker's face is refused (no such family here): the ".alternative" keys.
        {L"Maker", L"Size", L"Arial", 8, 400, 1, 1, NONANTIALIASED_QUALITY, DEFAULT_CHARSET},
    };
    ASSERT_FALSE(ZorvaFont::IsZorvaFontAvailable());
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.faceKey << " " << row.sizeKey);
        LOGFONTW font;
        memset(&font, 0x5A, sizeof(font));
        ASSERT_EQ(1, m_values.ReadFont(&font, L"Arial", L"10", row.faceKey, row.sizeKey, L"", L"", L""));
        EXPECT_STREQ(row.face, font.lfFaceName);
        EXPECT_EQ(row.height, font.lfHeight);
        EXPECT_EQ(row.weight, font.lfWeight);
        EXPECT_EQ(row.italic, font.lfItalic);
        EXPECT_EQ(row.underline, font.lfUnderline);
        EXPECT_EQ(row.quality, font.lfQuality);
        EXPECT_EQ(row.charSet, font.lfCharSet);
        EXPECT_EQ(OUT_TT_ONLY_PRECIS, font.lfOutPrecision);
    }
    LOGFONTW font;
    ZorvaFont::SetDefaultCharSet(GREEK_CHARSET);
    EXPECT_EQ(1, m_values.ReadFont(&font, L"", L"", L"Face", L"Size", L"", L"", L""));
    ZorvaFont::SetDefaultCharSet(DEFAULT_CHARSET);
    EXPECT_EQ(GREEK_CHARSET, font.lfCharSet) << "the toolkit's default character set";

    // A missing key, or a refused face without alternative: the record stays.
    for (const wchar_t* faceKey : {L"NoFace", L"MakerOnly"}) {
        memset(&font, 0x33, sizeof(font));
        const LOGFONTW before = font;
        EXPECT_EQ(0, m_values.ReadFont(&font, L"Arial", L"10", faceKey, L"Size", L"", L"", L"")) << faceKey;
        EXPECT_EQ(0, memcmp(&font, &before, sizeof(font))) << faceKey;
    }
    EXPECT_EQ(0, m_values.ReadFont(nullptr, L"Arial", L"10", L"Face", L"Size", L"", L"", L""));

    // The maker's fonts, once installed, are used unless suppressed.
    const std::wstring family = AnInstalledFamily();
    if (family.empty())
        GTEST_SKIP() << "no font family is installed";
    ZorvaFont::SetMakerFontPrefix(family.c_str());
    ASSERT_TRUE(m_folder.Write(L"fonts.ini", "[F]\r\nFace=" + std::string(family.begin(), family.end()) +
                                                 "\r\nSize=11\r\nFace.alternative=Other\r\nSize.alternative=7\r\n"));
    const std::wstring fonts = m_folder.Path(L"fonts.ini");
    CZVIniFileReader reader;
    if (GetParam()) {
        ASSERT_TRUE(reader.Open(fonts.c_str()));
        m_values.SetReader(&reader);
    }
    ASSERT_EQ(1, m_values.ReadFont(&font, L"", L"", L"Face", L"Size", L"F", fonts.c_str(), L""));
    EXPECT_EQ(family, font.lfFaceName);
    ZorvaFont::SetMakerFontsSuppressed(true);
    ASSERT_EQ(1, m_values.ReadFont(&font, L"", L"", L"Face", L"Size", L"F", fonts.c_str(), L""));
    EXPECT_STREQ(L"Other", font.lfFaceName);
    EXPECT_EQ(7, font.lfHeight);
}

TEST(ZorvaFont, TheMakersFacesAndTheRuleForAFace)
{
    FontSettingsGuard guard;
    EXPECT_TRUE(ZorvaFont::Initialize());
    for (const wchar_t* face : {L" \tzorva mono", L"ZORVAIcons"})
        EXPECT_TRUE(ZorvaFont::IsZorvaFont(face)) << face;
    for (const wchar_t* face : {L"Zorv", L"My Zorva", L""})
        EXPECT_FALSE(ZorvaFont::IsZorvaFont(face)) << face;
    EXPECT_FALSE(ZorvaFont::IsZorvaFontAvailable()) << "no family named Zorva is installed here";
    // Not the maker's: always usable; the maker's, not installed: never.
    EXPECT_TRUE(ZorvaFont::IsFaceUsable(L"Arial"));
    EXPECT_FALSE(ZorvaFont::IsFaceUsable(L"Zorva Sans"));
    const std::wstring family = AnInstalledFamily();
    std::wstring lower = family;
    for (auto& c : lower)
        c = towlower(c);
    ZorvaFont::SetMakerFontPrefix(lower.c_str());
    EXPECT_EQ(!family.empty(), ZorvaFont::IsZorvaFontAvailable()) << "a new prefix forgets the remembered answer";
}
