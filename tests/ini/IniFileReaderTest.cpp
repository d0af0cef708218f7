// The cached INI reader: encodings, syntax, the profile-function buffer
// rules, includes, the shared cache, locked files and writing back. Then the
// typed values on top of it (paths, rectangles, colours, fonts, integers),
// each read through an attached reader and through the system's
// private-profile functions on the same file, and the font facility's rule
// for the maker's fonts.
#include "ini/ZVIniFileReader.h"
#include "toolkit/ZVLegacyIniFileSupport.h"

#include "ZvOSAL/ZvString.h"
#include "osal/ZorvaFont.h"
#include "support/Files.h"
#include "support/Threads.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using zvtest::ReadFileBytes;
using zvtest::TempFolder;
using zvtest::Utf16Bytes;
using Names = std::vector<std::wstring>;

namespace {

std::wstring Get(const CZVIniFileReader& reader, const wchar_t* section, const wchar_t* key)
{
    wchar_t buffer[1024];
    reader.GetProfileString(section, key, L"<default>", buffer, 1024);
    return buffer;
}

// The names of a zero-separated list that ends with two zeros.
Names List(const CZVIniFileReader& reader, const wchar_t* section)
{
    wchar_t buffer[4096];
    reader.GetProfileString(section, nullptr, L"", buffer, 4096);
    Names names;
    for (const wchar_t* p = buffer; *p; p += names.back().size() + 1)
        names.emplace_back(p);
    return names;
}

std::wstring Ansi(const char* bytes)
{
    wchar_t wide[64] = {};
    MultiByteToWideChar(CP_ACP, 0, bytes, -1, wide, 64);
    return wide;
}

} // namespace

TEST(IniReader, EncodingsByTheByteOrderMark)
{
    const struct {
        std::string bytes;
        int encoding;
        std::wstring value; // of [S] K
    } rows[] = {
        {Utf16Bytes(L"[S]\r\nK=Stra\u00DFe \u20AC\r\n"), CZVIniFileReader::eUtf16LE, L"Stra\u00DFe \u20AC"},
        {Utf16Bytes(L"[S]\nK=\u0416\u4E2D\n", true), CZVIniFileReader::eUtf16BE, L"\u0416\u4E2D"},
        {"[S]\r\nK=caf\xE9\r\n", CZVIniFileReader::eAnsi, Ansi("caf\xE9")},
    };
    TempFolder folder;
    for (const auto& row : rows) {
        const std::wstring name = L"file" + std::to_wstring(&row - rows) + L".ini"; // one each: the cache
        ASSERT_TRUE(folder.Write(name, row.bytes));
        CZVIniFileReader reader;
        EXPECT_TRUE(reader.Open(folder.Path(name).c_str())) << name;
        EXPECT_TRUE(row.encoding == reader.GetEncoding() && row.value == Get(reader, L"S", L"K")) << name;
    }
    CZVIniFileReader text;
    ASSERT_TRUE(text.LoadFromText(std::wstring(L"\uFEFF[S]\nK=w\n\0K=x", 14).c_str(), 14));
    EXPECT_TRUE(text.LoadFromBytes("[S]\nK=third\n")) << "a loaded reader ignores further text loads";
    EXPECT_EQ(L"w", Get(text, L"S", L"K")) << "the mark is skipped and the text ends at its first 0";
}

TEST(IniReader, Syntax)
{
    const wchar_t* const rows[][4] = { // text, section, key, value
        {L"[Dialog]\nText=one\n[Other]\n[dialog]\ntext=two\n", L"DIALOG", L"TEXT", L"two"}, // case, repeated section
        {L"[\u00C4RGER]\n\u0416=v\n", L"\u00E4rger", L"\u0436", L"v"},                   // beyond ASCII
        {L"[S]\nK=1\nOther=x\nK=2\nk=3\n", L"S", L"K", L"3"},                              // the last line wins
        {L"  \t[S]\r\n\tKey \t =  a value  \t\rNext=x", L"S", L"Key", L"a value"},          // blanks, lone CR
        {L"[S]\n;A=1\n  # B=2\n", L"S", L";A", L"<default>"},                            // comments
        {L"Top=1\n[S]\nA=2\n", L"S", L"Top", L"<default>"},                              // above the first section
        {L"[S]\nWord=\"Word\"\nTwo=\"\"\n", L"S", L"Word", L"Word"},                      // quotes stripped
        {L"[S]\nInner=a \"b\" c\n", L"S", L"Inner", L"a \"b\" c"},
    };
    for (const auto& row : rows) {
        CZVIniFileReader reader;
        ASSERT_TRUE(reader.LoadFromText(row[0]));
        EXPECT_EQ(row[3], Get(reader, row[1], row[2])) << testing::PrintToString(std::wstring(row[0]));
    }
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText(L"Top=1\n[Dialog]\nText=1\n;c=1\nno equals\nName=n\n[Other]\n[dialog]\nExtra=e\n"));
    EXPECT_EQ((Names{L"Dialog", L"Other"}), List(reader, nullptr)) << "first spellings, in file order";
    EXPECT_EQ((Names{L"Text", L"Name", L"Extra"}), List(reader, L"DiAlOg"));

    CZVIniFileReader off;
    off.SetQuoteStripping(false);
    ASSERT_TRUE(off.LoadFromText(L"[S]\nWord=\"Word\"\n"));
    EXPECT_EQ(L"\"Word\"", Get(off, L"S", L"Word"));
}

TEST(IniReader, ResultsAreCutToTheBufferAsByTheProfileFunctions)
{
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText(L"[a]\nTen=0123456789\n[b]\n"));
    const struct {
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* defaultValue;
        unsigned long size, result;
        std::wstring buffer; // the first result + 1 (lists: + 2) units
    } rows[] = {
        {L"a", L"Ten", L"", 5, 4, std::wstring(L"0123\0", 5)},
        {nullptr, nullptr, L"", 16, 4, std::wstring(L"a\0b\0\0", 5)},
        {nullptr, nullptr, L"", 4, 2, std::wstring(L"a\0\0\0", 4)}, // size units, the last two zeros
        {L"a", L"Missing", L"def", 16, 3, std::wstring(L"def\0", 4)},
        {L"b", nullptr, L"def", 16, 3, std::wstring(L"def\0", 4)}, // an empty section's keys
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.size);
        wchar_t buffer[24];
        wmemset(buffer, L'#', 24);
        EXPECT_EQ(row.result, reader.GetProfileString(row.section, row.key, row.defaultValue, buffer, row.size));
        EXPECT_EQ(row.buffer, std::wstring(buffer, row.buffer.size()));
        EXPECT_EQ(L'#', buffer[row.size]) << "written beyond the buffer";
    }
    wchar_t buffer[4] = {L'#'};
    EXPECT_TRUE(reader.GetProfileString(L"a", L"Ten", L"", buffer, 0) == 0 && buffer[0] == L'#');
}

TEST(IniReader, NumbersAndStringValues)
{
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText((L"[S]\nA=42abc\nC=\"12\"\nD=x1\nLong=" + std::wstring(400, L'v')).c_str()));
    EXPECT_TRUE(reader.GetProfileInt(L"s", L"a", 5) == 42 && reader.GetProfileInt(L"S", L"C", 5) == 12 &&
                reader.GetProfileInt(L"S", L"D", 5) == 0 && reader.GetProfileInt(L"S", L"None", 5) == 5);
    using ZvOSAL::ZvString;
    ZvString result;
    EXPECT_EQ(259u, reader.GetStringValue(L"S", L"Long", L"", result)) << "a 260-unit buffer";
    EXPECT_TRUE(reader.GetStringValue(ZvString(L"s"), ZvString(L"LONG"), ZvString(L"d"), result) &&
                result.GetLength() == 400);
}

TEST(IniReader, OpenMissingUnreadableAndLockedFiles)
{
    TempFolder folder;
    // A missing file gives an empty reader that can be written and saved.
    const std::wstring path = folder.Path(L"new.ini");
    CZVIniFileReader missing;
    ASSERT_TRUE(missing.LoadFromText(L"[S]\nOld=1\n"));
    EXPECT_TRUE(missing.Open(path.c_str()) && Get(missing, L"S", L"Old") == L"<default>") << "drops what it had";
    EXPECT_TRUE(missing.WriteProfileString(L"S", L"K", L"v") && missing.Save());
    EXPECT_EQ(Utf16Bytes(L"[S]\r\nK=v\r\n"), ReadFileBytes(path));

    // A region locked by another holder: tried again up to the bound.
    ASSERT_TRUE(folder.Write(L"locked.ini", "[S]\nK=v\n"));
    HANDLE holder = CreateFileW(folder.Path(L"locked.ini").c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    OVERLAPPED whole = {};
    ASSERT_TRUE(LockFileEx(holder, LOCKFILE_EXCLUSIVE_LOCK, 0, 100, 0, &whole));
    CZVIniReaderOptions quick = {100, 0, 0};
    CZVIniFileReader gaveUp(quick), patient;
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(gaveUp.Open(folder.Path(L"locked.ini").c_str())) << "still held";
    EXPECT_GE(GetTickCount64() - start, 90u);
    HANDLE closer = zvtest::StartThread([holder] { // released while the reader waits (default bound 2 s)
        Sleep(60);
        CloseHandle(holder);
    });
    EXPECT_TRUE(patient.Open(folder.Path(L"locked.ini").c_str()) && Get(patient, L"S", L"K") == L"v");
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
}

TEST(IniReader, ReadersOfOnePathShareOneParsedContent)
{
    TempFolder folder;
    ASSERT_TRUE(folder.Write(L"Shared.ini", "[S]\nK=disk\nQ=\"quoted\"\n"));
    const std::wstring path = folder.Path(L"Shared.ini");
    CZVIniFileReader first, second;
    ASSERT_TRUE(first.Open(path.c_str()) && second.Open(CharUpperW(&std::wstring(path)[0])));
    EXPECT_EQ(1, first.WriteProfileString(L"S", L"K", L"changed"));
    EXPECT_TRUE(Get(second, L"S", L"K") == L"changed" && second.IsModified());
    // Served from the cache, not the disk; a reader keeping quotes parses anew.
    ASSERT_TRUE(folder.Write(L"Shared.ini", "[S]\nK=rewritten\nQ=\"quoted\"\n"));
    CZVIniFileReader third, raw;
    raw.SetQuoteStripping(false);
    ASSERT_TRUE(third.Open(path.c_str()) && raw.Open(path.c_str()));
    EXPECT_EQ(L"changed", Get(third, L"S", L"K"));
    EXPECT_TRUE(Get(raw, L"S", L"Q") == L"\"quoted\"" && Get(raw, L"S", L"K") == L"rewritten");
}

TEST(IniReader, WritesRemovalsAndRefusals)
{
    CZVIniFileReader reader;
    EXPECT_EQ(0, reader.WriteProfileString(L"S", L"K", L"v")) << "not loaded";
    ASSERT_TRUE(reader.LoadFromText(L"[S]\nA=1\nB=2\n[T]\nC=3\n"));
    EXPECT_FALSE(reader.WriteProfileString(nullptr, L"A", L"x") || reader.IsModified());
    EXPECT_TRUE(reader.WriteProfileString(L"s", L"a", L"one") && reader.WriteProfileString(L"S", L"B", nullptr) &&
                reader.WriteProfileString(L"T", nullptr, nullptr) && Get(reader, L"S", L"A") == L"one");
    EXPECT_EQ((Names{L"S"}), List(reader, nullptr));
    EXPECT_EQ((Names{L"A"}), List(reader, L"S"));
    // What would not read back the same from a file is refused.
    const wchar_t* const refused[][3] = {{L"S", L"a=b", L"v"}, {L"S", L"K", L"two\nlines"}, {L"S]", L"K", L"v"}};
    for (const auto& row : refused)
        EXPECT_EQ(0, reader.WriteProfileString(row[0], row[1], row[2])) << row[1];

    // Merging copies sections and keys; a section is read and written whole.
    CZVIniFileReader source;
    ASSERT_TRUE(source.LoadFromText(L"[s]\na=2\nB=\"3\"\n[Empty]\n"));
    EXPECT_TRUE(reader.Merge(&source) && Get(reader, L"S", L"A") == L"2");
    EXPECT_EQ((Names{L"S", L"Empty"}), List(reader, nullptr));
    CZvStringMap pairs;
    ASSERT_TRUE(reader.GetSection(L"S", pairs));
    EXPECT_EQ(L"3", pairs.GetAt(1).value) << "quote-stripped";
    pairs.Remove(L"B");
    pairs.Set(L"D", L"40");
    ASSERT_TRUE(reader.WriteSection(L"S", pairs));
    EXPECT_EQ((Names{L"A", L"D"}), List(reader, L"S"));
}

TEST(IniReader, SaveKeepsEveryLineAndTheEncoding)
{
    TempFolder folder;
    ASSERT_TRUE(folder.Write(L"round.ini", "; header\r\nOrphan=above\r\n\r\n[Dialog]\r\n  Text = \"Hello\"  \r\n"
                                           "# about the size\r\nSize=10\r\n\r\n[Other]\nGone=1\nKeep=2\n; end\n"));
    const std::wstring path = folder.Path(L"round.ini");
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.Open(path.c_str()));
    EXPECT_TRUE(reader.WriteProfileString(L"dialog", L"text", L"Bye") &&
                reader.WriteProfileString(L"Dialog", L"Added", L"new") &&
                reader.WriteProfileString(L"Other", L"Gone", nullptr) &&
                reader.WriteProfileString(L"Third", L"X", L"3"));
    EXPECT_TRUE(reader.Save() && !reader.IsModified());
    const std::string saved = "; header\r\nOrphan=above\r\n\r\n[Dialog]\r\n  Text = Bye\r\n# about the size\r\n"
                              "Size=10\r\nAdded=new\r\n\r\n[Other]\r\nKeep=2\r\n; end\r\n[Third]\r\nX=3\r\n";
    EXPECT_EQ(saved, ReadFileBytes(path));

    // ANSI refuses what it cannot hold.
    EXPECT_FALSE(!reader.WriteProfileString(L"S", L"K", L"\u4E2D\u6587") || reader.Save());
    EXPECT_EQ(saved, ReadFileBytes(path)) << "the file is left as it was";
    ASSERT_TRUE(reader.SetEncoding(CZVIniFileReader::eUtf16LE) && reader.Save());
    EXPECT_EQ(Utf16Bytes(std::wstring(saved.begin(), saved.end()) + L"[S]\r\nK=\u4E2D\u6587\r\n"), ReadFileBytes(path));

    // A value that an include supplies is written below the include.
    ASSERT_TRUE(folder.Write(L"inc.ini", "[S]\nK=included\n"));
    ASSERT_TRUE(folder.Write(L"main.ini", "[S]\nK=main\n$include <inc.ini>\n"));
    CZVIniFileReader including;
    ASSERT_TRUE(including.Open(folder.Path(L"main.ini").c_str()));
    ASSERT_TRUE(including.WriteProfileString(L"S", L"K", L"mine") && including.Save(folder.Path(L"out.ini").c_str()));
    EXPECT_EQ("[S]\r\n$include <inc.ini>\r\n[S]\r\nK=mine\r\n", ReadFileBytes(folder.Path(L"out.ini")));
}

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
        {L"Both", L"", L"", 1, L"from main"}, // the default section
        {L"Empty", L"", L"", 0, L"d"},        // an empty value counts as missing
    };
    wchar_t value[MAX_PATH];
    for (const auto& row : rows) {
        EXPECT_EQ(row.result, m_values.ReadValue(value, L"d", row.key, row.section, L"", row.fallback)) << row.key;
        EXPECT_STREQ(row.value, value) << row.key;
    }
}

TEST_P(LegacyIniValues, RectanglesColoursIntegersAndPaths)
{
    const struct {
        char kind; // rectangle, colour or integer
        const wchar_t* key;
        const wchar_t* defaultValue;
        int result;
        const wchar_t* value; // after the call, also when it fails
    } rows[] = {
        {'R', L"Rect", L"0 0 0 0", 1, L"10 20 110 40"},
        {'R', L"ShortRect", L"", 0, L"1 2 3 0"}, // written, but three numbers are a failure
        {'R', L"NoRect", L"5,6,7,8", 0, L"5 6 7 8"},
        {'C', L"Color", L"1 2 3", 1, L"80ff"},
        {'C', L"WideColor", L"1 2 3", 1, L"ff2c"}, // each number is cut to its low byte
        {'C', L"Word", L"1 2 3", 0, L"0"},
        {'I', L"Count", L"-5", 1, L"42"},
        {'I', L"NoCount", L"-5", 0, L"-5"},
    };
    for (const auto& row : rows) {
        RECT rect = {-1, -1, -1, -1};
        COLORREF color = 0xFFFFFFFF;
        int value = 99, result;
        wchar_t text[64];
        if (row.kind == 'R') {
            result = m_values.ReadRect(&rect, row.defaultValue, row.key, L"", L"", L"");
            _snwprintf(text, 64, L"%ld %ld %ld %ld", rect.left, rect.top, rect.right, rect.bottom);
        } else if (row.kind == 'C') {
            result = m_values.ReadColor(&color, row.defaultValue, row.key, L"", L"", L"");
            _snwprintf(text, 64, L"%lx", color);
        } else {
            result = m_values.ReadInt(&value, _wtoi(row.defaultValue), row.key, L"", L"", L"");
            _snwprintf(text, 64, L"%d", value);
        }
        EXPECT_EQ(row.result, result) << row.key;
        EXPECT_STREQ(row.value, text) << row.key;
    }
    wchar_t path[MAX_PATH];
    EXPECT_EQ(1, m_values.ReadPath(path, L"C:\\skin\\", L"none.bmp", L"Image", L"", L"", L""));
    EXPECT_STREQ(L"C:\\skin\\images\\button.bmp", path);
    EXPECT_EQ(0, m_values.ReadPath(path, L"C:\\", L"none.bmp", L"NoImage", L"", L"", L""));
    EXPECT_STREQ(L"C:\\none.bmp", path) << "written also when the read fails";
}

TEST_P(LegacyIniValues, FontRecords)
{
    // face|height|weight|italic|underline|quality|character set|output precision
    const wchar_t* const rows[][3] = {
        {L"Face", L"Size", L"Tahoma|12|700|1|0|3|1|7"}, // 3: not antialiased, 1: default set, 7: TrueType only
        {L"Face", L"Cleartype", L"Tahoma|9|400|0|0|5|1|7"},
        {L"Face", L"Cyrillic", L"Tahoma|10|400|0|1|0|204|7"},
        // The maker's face is refused (no such family here): the ".alternative" keys.
        {L"Maker", L"Size", L"Arial|8|400|1|1|3|1|7"},
    };
    ASSERT_FALSE(ZorvaFont::IsZorvaFontAvailable());
    for (const auto& row : rows) {
        LOGFONTW font;
        memset(&font, 0x5A, sizeof(font));
        ASSERT_EQ(1, m_values.ReadFont(&font, L"Arial", L"10", row[0], row[1], L"", L"", L"")) << row[1];
        const std::wstring read = std::wstring(font.lfFaceName) + L"|" + std::to_wstring(font.lfHeight) + L"|" +
                                  std::to_wstring(font.lfWeight) + L"|" + std::to_wstring(font.lfItalic) + L"|" +
                                  std::to_wstring(font.lfUnderline) + L"|" + std::to_wstring(font.lfQuality) + L"|" +
                                  std::to_wstring(font.lfCharSet) + L"|" + std::to_wstring(font.lfOutPrecision);
        EXPECT_EQ(row[2], read) << row[1];
    }
    LOGFONTW font;

    // A missing key, or a refused face without alternative: the record stays.
    for (const wchar_t* faceKey : {L"NoFace", L"MakerOnly"}) {
        memset(&font, 0x33, sizeof(font));
        const LOGFONTW before = font;
        EXPECT_FALSE(m_values.ReadFont(&font, L"Arial", L"10", faceKey, L"Size", L"", L"", L"") ||
                     memcmp(&font, &before, sizeof(font)))
            << faceKey;
    }
}

TEST(ZorvaFont, TheMakersFacesAndTheRuleForAFace)
{
    FontSettingsGuard guard;
    EXPECT_TRUE(ZorvaFont::Initialize());
    for (const wchar_t* face : {L" \tzorva mono", L"ZORVAIcons"})
        EXPECT_TRUE(ZorvaFont::IsZorvaFont(face) && !ZorvaFont::IsFaceUsable(face)) << face;
    for (const wchar_t* face : {L"Zorv", L"My Zorva", L"", L"Arial"}) // not the maker's: always usable
        EXPECT_TRUE(!ZorvaFont::IsZorvaFont(face) && ZorvaFont::IsFaceUsable(face)) << face;
    // The maker's fonts, once installed, are used unless suppressed.
    const std::wstring family = AnInstalledFamily();
    ASSERT_FALSE(family.empty());
    ZorvaFont::SetMakerFontPrefix(family.c_str());
    EXPECT_TRUE(ZorvaFont::IsFaceUsable(family.c_str()));
    ZorvaFont::SetMakerFontsSuppressed(true);
    EXPECT_FALSE(ZorvaFont::IsFaceUsable(family.c_str()));
}
