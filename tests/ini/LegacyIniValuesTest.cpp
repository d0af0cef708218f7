// Typed INI values (paths, rectangles, colours, fonts, integers) read through
// an attached reader and through the system's private-profile function, and
// the font facility's rule for the maker's fonts.
#include "ini/ZVLegacyIniFileSupport.h"

#include "ini/IniTestFiles.h"
#include "ini/ZVIniFileReader.h"
#include "toolkit/ZorvaFont.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using initest::TempFolder;

namespace {

const char kSkin[] = "[Main]\r\n"
                     "Rect=10, 20, 110, 40\r\n"
                     "ShortRect=1,2,3\r\n"
                     "Color=255 128 0\r\n"
                     "WideColor=300,-1,0\r\n"
                     "Face=  \tTahoma\r\n"
                     "Size=12.7 700 1\r\n"
                     "Cleartype=9 400 0 0 0 0 5\r\n"
                     "Cyrillic=10.2, 400, 0, 1, 0, 204\r\n"
                     "Negative=-11.9 400\r\n"
                     "Maker=Zorva Sans\r\n"
                     "Maker.alternative=Arial\r\n"
                     "Size.alternative=8 400 1 1\r\n"
                     "MakerOnly=Zorva Mono\r\n"
                     "Empty=\r\n"
                     "Count=42 apples\r\n"
                     "Word=abc\r\n"
                     "Image=images\\button.bmp\r\n"
                     "Both=from main\r\n"
                     "[Fallback]\r\n"
                     "Both=from fallback\r\n"
                     "OnlyInFallback=fb\r\n";

// Restores the font facility's process-wide settings after a test.
class FontSettingsGuard {
public:
    FontSettingsGuard() { ZorvaFont::GetMakerFontPrefix(m_prefix); }
    ~FontSettingsGuard()
    {
        ZorvaFont::SetMakerFontPrefix(m_prefix);
        ZorvaFont::SetMakerFontsSuppressed(false);
        ZorvaFont::Initialize();
    }

private:
    wchar_t m_prefix[32];
};

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

} // namespace

// Every case runs twice: through an attached reader, and through
// GetPrivateProfileStringW on the same file.
class LegacyIniValuesTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.WriteBytes(L"skin.ini", kSkin));
        m_file = m_folder.Path(L"skin.ini");
        if (GetParam()) {
            ASSERT_TRUE(m_reader.Open(m_file.c_str()));
            EXPECT_EQ(nullptr, m_values.SetReader(&m_reader));
        }
        m_values.SetDefaults(m_file.c_str(), L"Main");
    }

    TempFolder m_folder;
    std::wstring m_file;
    CZVIniFileReader m_reader;
    CZVLegacyIniFileSupport m_values;
    FontSettingsGuard m_fontSettings;
};

INSTANTIATE_TEST_SUITE_P(ReaderAndSystem, LegacyIniValuesTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Reader" : "System";
                         });

TEST_P(LegacyIniValuesTest, RectanglesWithCommas)
{
    RECT rect = {};
    EXPECT_EQ(1, m_values.ReadRect(&rect, L"0 0 0 0", L"Rect", L"", L"", L""));
    EXPECT_EQ(10, rect.left);
    EXPECT_EQ(20, rect.top);
    EXPECT_EQ(110, rect.right);
    EXPECT_EQ(40, rect.bottom);

    // Three numbers: written, missing one 0, but a failure.
    EXPECT_EQ(0, m_values.ReadRect(&rect, L"", L"ShortRect", L"", L"", L""));
    EXPECT_EQ(1, rect.left);
    EXPECT_EQ(3, rect.right);
    EXPECT_EQ(0, rect.bottom);

    // A missing key gives the default rectangle and a failure.
    EXPECT_EQ(0, m_values.ReadRect(&rect, L"5,6,7,8", L"NoRect", L"", L"", L""));
    EXPECT_EQ(5, rect.left);
    EXPECT_EQ(8, rect.bottom);
    EXPECT_EQ(0, m_values.ReadRect(nullptr, L"", L"Rect", L"", L"", L""));
}

TEST_P(LegacyIniValuesTest, ColoursAreRedLowest)
{
    COLORREF color = 0;
    EXPECT_EQ(1, m_values.ReadColor(&color, L"0 0 0", L"Color", L"", L"", L""));
    EXPECT_EQ(0x000080FFu, color);
    EXPECT_EQ(1, m_values.ReadColor(&color, L"0 0 0", L"WideColor", L"", L"", L""));
    EXPECT_EQ(RGB(300 & 0xFF, 0xFF, 0), color);
    EXPECT_EQ(0, m_values.ReadColor(&color, L"1 2 3", L"NoColor", L"", L"", L""));
    EXPECT_EQ(RGB(1, 2, 3), color);
    EXPECT_EQ(0, m_values.ReadColor(&color, L"", L"Word", L"", L"", L""));
    EXPECT_EQ(0u, color);
}

TEST_P(LegacyIniValuesTest, IntegersAndTheirDefault)
{
    int value = 0;
    EXPECT_EQ(1, m_values.ReadInt(&value, 7, L"Count", L"", L"", L""));
    EXPECT_EQ(42, value);
    EXPECT_EQ(0, m_values.ReadInt(&value, -5, L"NoCount", L"", L"", L""));
    EXPECT_EQ(-5, value);
    EXPECT_EQ(1, m_values.ReadInt(&value, 7, L"Word", L"", L"", L""));
    EXPECT_EQ(0, value);
    EXPECT_EQ(0, m_values.ReadInt(nullptr, 7, L"Count", L"", L"", L""));
}

TEST_P(LegacyIniValuesTest, AnEmptyValueCountsAsMissing)
{
    wchar_t value[MAX_PATH];
    EXPECT_EQ(0, m_values.ReadValue(value, L"dflt", L"Empty", L"", L"", L""));
    EXPECT_STREQ(L"dflt", value);
    int number = 0;
    EXPECT_EQ(0, m_values.ReadInt(&number, 3, L"Empty", L"", L"", L""));
    EXPECT_EQ(3, number);
}

TEST_P(LegacyIniValuesTest, FallbackSectionAndDefaults)
{
    wchar_t value[MAX_PATH];
    EXPECT_EQ(1, m_values.ReadValue(value, L"", L"OnlyInFallback", L"Main", L"", L"Fallback"));
    EXPECT_STREQ(L"fb", value);
    EXPECT_EQ(1, m_values.ReadValue(value, L"", L"Both", L"Main", L"", L"Fallback"));
    EXPECT_STREQ(L"from main", value);
    EXPECT_EQ(0, m_values.ReadValue(value, L"d", L"OnlyInFallback", L"Main", L"", L""));
    EXPECT_STREQ(L"d", value);
    // A named section and file override the defaults.
    EXPECT_EQ(1, m_values.ReadValue(value, L"", L"Both", L"Fallback", m_file.c_str(), L""));
    EXPECT_STREQ(L"from fallback", value);
    // No section at all: only the fallback section is asked.
    m_values.SetDefaults(m_file.c_str(), L"");
    EXPECT_EQ(1, m_values.ReadValue(value, L"", L"Both", L"", L"", L"Fallback"));
    EXPECT_STREQ(L"from fallback", value);
}

TEST_P(LegacyIniValuesTest, ReadValueRefusesBadArguments)
{
    wchar_t value[MAX_PATH];
    EXPECT_EQ(0, m_values.ReadValue(nullptr, L"d", L"Count", L"", L"", L""));
    EXPECT_EQ(0, m_values.ReadValue(value, L"d", L"", L"", L"", L""));
    EXPECT_STREQ(L"d", value);
    EXPECT_EQ(0, m_values.ReadValue(value, L"d", nullptr, L"", L"", L""));
    EXPECT_EQ(0, m_values.ReadValue(value, L"d", L"Count", nullptr, L"", L""));
    EXPECT_EQ(0, m_values.ReadValue(value, nullptr, L"Count", L"", L"", L""));
    EXPECT_STREQ(L"", value);
    CZVLegacyIniFileSupport noFile; // no default file, none given
    if (GetParam())
        noFile.SetReader(&m_reader);
    EXPECT_EQ(0, noFile.ReadValue(value, L"d", L"Count", L"Main", L"", L""));
    EXPECT_STREQ(L"d", value);
}

TEST_P(LegacyIniValuesTest, PathsGetThePrefixText)
{
    wchar_t path[MAX_PATH];
    EXPECT_EQ(1, m_values.ReadPath(path, L"C:\\skin\\", L"none.bmp", L"Image", L"", L"", L""));
    EXPECT_STREQ(L"C:\\skin\\images\\button.bmp", path);
    EXPECT_EQ(0, m_values.ReadPath(path, L"C:\\skin\\", L"none.bmp", L"NoImage", L"", L"", L""));
    EXPECT_STREQ(L"C:\\skin\\none.bmp", path);
    // A result longer than the buffer is cut, not overrun.
    const std::wstring longPrefix(300, L'p');
    EXPECT_EQ(1, m_values.ReadPath(path, longPrefix.c_str(), L"", L"Image", L"", L"", L""));
    EXPECT_EQ(259u, wcslen(path));
}

TEST_P(LegacyIniValuesTest, FontRecordFromFaceAndSize)
{
    LOGFONTW font;
    memset(&font, 0x5A, sizeof(font));
    ASSERT_EQ(1, m_values.ReadFont(&font, L"Arial", L"10", L"Face", L"Size", L"", L"", L""));
    EXPECT_STREQ(L"Tahoma", font.lfFaceName);
    EXPECT_EQ(12, font.lfHeight);
    EXPECT_EQ(700, font.lfWeight);
    EXPECT_EQ(1, font.lfItalic);
    EXPECT_EQ(0, font.lfUnderline);
    EXPECT_EQ(NONANTIALIASED_QUALITY, font.lfQuality);
    EXPECT_EQ(ZorvaFont::GetDefaultCharSet(), font.lfCharSet);
    EXPECT_EQ(DEFAULT_CHARSET, font.lfCharSet);
    EXPECT_EQ(OUT_TT_ONLY_PRECIS, font.lfOutPrecision);
    EXPECT_EQ(0, font.lfWidth);
    EXPECT_EQ(0, font.lfEscapement);

    ASSERT_EQ(1, m_values.ReadFont(&font, L"Arial", L"10", L"Face", L"Cleartype", L"", L"", L""));
    EXPECT_EQ(9, font.lfHeight);
    EXPECT_EQ(CLEARTYPE_QUALITY, font.lfQuality);
    EXPECT_EQ(0, font.lfItalic);

    ASSERT_EQ(1, m_values.ReadFont(&font, L"Arial", L"10", L"Face", L"Cyrillic", L"", L"", L""));
    EXPECT_EQ(10, font.lfHeight);
    EXPECT_EQ(1, font.lfUnderline);
    EXPECT_EQ(RUSSIAN_CHARSET, font.lfCharSet);
    EXPECT_EQ(DEFAULT_QUALITY, font.lfQuality);

    ASSERT_EQ(1, m_values.ReadFont(&font, L"Arial", L"10", L"Face", L"Negative", L"", L"", L""));
    EXPECT_EQ(-11, font.lfHeight); // truncated towards zero
}

TEST_P(LegacyIniValuesTest, DefaultCharSetFollowsTheToolkitSetting)
{
    LOGFONTW font;
    ZorvaFont::SetDefaultCharSet(GREEK_CHARSET);
    EXPECT_EQ(1, m_values.ReadFont(&font, L"", L"", L"Face", L"Size", L"", L"", L""));
    ZorvaFont::SetDefaultCharSet(DEFAULT_CHARSET);
    EXPECT_EQ(GREEK_CHARSET, font.lfCharSet);
}

TEST_P(LegacyIniValuesTest, AMissingFontKeyLeavesTheCallersRecord)
{
    LOGFONTW font, before;
    memset(&font, 0x5A, sizeof(font));
    before = font;
    EXPECT_EQ(0, m_values.ReadFont(&font, L"Arial", L"10", L"NoFace", L"Size", L"", L"", L""));
    EXPECT_EQ(0, memcmp(&font, &before, sizeof(font)));
    EXPECT_EQ(0, m_values.ReadFont(&font, L"Arial", L"10", L"Face", L"NoSize", L"", L"", L""));
    EXPECT_EQ(0, memcmp(&font, &before, sizeof(font)));
    EXPECT_EQ(0, m_values.ReadFont(nullptr, L"Arial", L"10", L"Face", L"Size", L"", L"", L""));
}

TEST_P(LegacyIniValuesTest, ARefusedMakerFaceFallsBackToTheAlternativeKeys)
{
    // No font family named Zorva... is installed here.
    ASSERT_FALSE(ZorvaFont::IsZorvaFontAvailable());
    LOGFONTW font;
    ASSERT_EQ(1, m_values.ReadFont(&font, L"", L"", L"Maker", L"Size", L"", L"", L""));
    EXPECT_STREQ(L"Arial", font.lfFaceName);
    EXPECT_EQ(8, font.lfHeight);
    EXPECT_EQ(400, font.lfWeight);
    EXPECT_EQ(1, font.lfUnderline);

    // Without ".alternative" keys the read fails and the record stays.
    LOGFONTW before;
    memset(&font, 0x33, sizeof(font));
    before = font;
    EXPECT_EQ(0, m_values.ReadFont(&font, L"", L"", L"MakerOnly", L"Size", L"", L"", L""));
    EXPECT_EQ(0, memcmp(&font, &before, sizeof(font)));
}

TEST_P(LegacyIniValuesTest, AvailableMakerFontsAreUsedUnlessSuppressed)
{
    const std::wstring family = AnInstalledFamily();
    if (family.empty())
        GTEST_SKIP() << "no font family is installed";
    // Take an installed family as the maker's, the way a host shipping its
    // fonts under another name would.
    ZorvaFont::SetMakerFontPrefix(family.c_str());
    ASSERT_TRUE(m_folder.WriteBytes(
        L"fonts.ini", "[F]\r\nFace=" + std::string(family.begin(), family.end()) +
                          "\r\nSize=11\r\nFace.alternative=Fallback Face\r\nSize.alternative=7\r\n"));
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.Open(m_folder.Path(L"fonts.ini").c_str()));
    CZVLegacyIniFileSupport values;
    values.SetReader(&reader);
    const std::wstring file = m_folder.Path(L"fonts.ini");

    LOGFONTW font;
    ASSERT_EQ(1, values.ReadFont(&font, L"", L"", L"Face", L"Size", L"F", file.c_str(), L""));
    EXPECT_EQ(family, font.lfFaceName);
    EXPECT_EQ(11, font.lfHeight);

    ZorvaFont::SetMakerFontsSuppressed(true);
    ASSERT_EQ(1, values.ReadFont(&font, L"", L"", L"Face", L"Size", L"F", file.c_str(), L""));
    EXPECT_STREQ(L"Fallback Face", font.lfFaceName);
    EXPECT_EQ(7, font.lfHeight);
}

TEST(LegacyIniSupportTest, PrefixDefaultsAndReader)
{
    CZVLegacyIniFileSupport values;
    wchar_t buffer[MAX_PATH];
    values.GetPrefix(buffer);
    EXPECT_STREQ(L"", buffer);
    values.SetPrefix(L"C:\\skin\\bitmaps\\");
    values.GetPrefix(buffer);
    EXPECT_STREQ(L"C:\\skin\\bitmaps\\", buffer);
    const std::wstring longPrefix(400, L'x');
    values.SetPrefix(longPrefix.c_str());
    values.GetPrefix(buffer);
    EXPECT_EQ(259u, wcslen(buffer));
    values.SetPrefix(nullptr);
    values.GetPrefix(buffer);
    EXPECT_STREQ(L"", buffer);

    CZVIniFileReader first, second;
    EXPECT_EQ(nullptr, values.SetReader(&first));
    EXPECT_EQ(&first, values.SetReader(&second));
    EXPECT_EQ(&second, values.GetReader());
    EXPECT_EQ(&second, values.SetReader(nullptr));
}

// ---------------------------------------------------------------- fonts

TEST(ZorvaFontTest, TheMakersFacesAreNamedZorva)
{
    FontSettingsGuard guard;
    EXPECT_TRUE(ZorvaFont::Initialize());
    EXPECT_TRUE(ZorvaFont::IsZorvaFont(L"Zorva Sans"));
    EXPECT_TRUE(ZorvaFont::IsZorvaFont(L" \tzorva mono"));
    EXPECT_TRUE(ZorvaFont::IsZorvaFont(L"ZORVAIcons"));
    EXPECT_FALSE(ZorvaFont::IsZorvaFont(L"Zorv"));
    EXPECT_FALSE(ZorvaFont::IsZorvaFont(L"Arial"));
    EXPECT_FALSE(ZorvaFont::IsZorvaFont(L"My Zorva"));
    EXPECT_FALSE(ZorvaFont::IsZorvaFont(L""));
    EXPECT_FALSE(ZorvaFont::IsZorvaFont(nullptr));
}

TEST(ZorvaFontTest, AvailabilityComesFromTheInstalledFamilies)
{
    FontSettingsGuard guard;
    ZorvaFont::Initialize();
    EXPECT_FALSE(ZorvaFont::IsFontFamilyInstalled(L"Zorva"));
    EXPECT_FALSE(ZorvaFont::IsZorvaFontAvailable());
    EXPECT_FALSE(ZorvaFont::IsFontFamilyInstalled(L""));
    EXPECT_FALSE(ZorvaFont::IsFontFamilyInstalled(nullptr));

    const std::wstring family = AnInstalledFamily();
    if (family.empty())
        GTEST_SKIP() << "no font family is installed";
    EXPECT_TRUE(ZorvaFont::IsFontFamilyInstalled(family.c_str()));
    std::wstring lower = family;
    for (auto& c : lower)
        c = towlower(c);
    EXPECT_TRUE(ZorvaFont::IsFontFamilyInstalled(lower.c_str()));

    // A new prefix forgets the remembered answer.
    ZorvaFont::SetMakerFontPrefix(family.c_str());
    wchar_t prefix[32];
    ZorvaFont::GetMakerFontPrefix(prefix);
    EXPECT_EQ(family.substr(0, 31), prefix);
    EXPECT_TRUE(ZorvaFont::IsZorvaFontAvailable());
    ZorvaFont::SetMakerFontPrefix(L"");
    EXPECT_FALSE(ZorvaFont::IsZorvaFont(family.c_str()));
    EXPECT_FALSE(ZorvaFont::IsZorvaFontAvailable());
}

TEST(ZorvaFontTest, TheRuleForAFace)
{
    FontSettingsGuard guard;
    EXPECT_FALSE(ZorvaFont::AreMakerFontsSuppressed());
    // Not the maker's: always usable.
    EXPECT_TRUE(ZorvaFont::IsFaceUsable(L"Arial"));
    ZorvaFont::SetMakerFontsSuppressed(true);
    EXPECT_TRUE(ZorvaFont::AreMakerFontsSuppressed());
    EXPECT_TRUE(ZorvaFont::IsFaceUsable(L"Arial"));
    // The maker's, not installed: refused whatever the switch says.
    EXPECT_FALSE(ZorvaFont::IsFaceUsable(L"Zorva Sans"));
    ZorvaFont::SetMakerFontsSuppressed(false);
    EXPECT_FALSE(ZorvaFont::IsFaceUsable(L"Zorva Sans"));

    const std::wstring family = AnInstalledFamily();
    if (family.empty())
        GTEST_SKIP() << "no font family is installed";
    ZorvaFont::SetMakerFontPrefix(family.c_str());
    // The maker's and installed: usable until suppressed.
    EXPECT_TRUE(ZorvaFont::IsFaceUsable(family.c_str()));
    ZorvaFont::SetMakerFontsSuppressed(true);
    EXPECT_FALSE(ZorvaFont::IsFaceUsable(family.c_str()));
}
