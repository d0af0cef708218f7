// The cached INI reader: encodings, syntax, the profile-function buffer
// rules, includes, the shared cache, locked files and writing back.
#include "ini/ZVIniFileReader.h"

#include "ZvOSAL/ZvString.h"
#include "ini/IniTestFiles.h"
#include "support/Threads.h"

#include <gtest/gtest.h>

#include <string>

using initest::SplitList;
using initest::TempFolder;

namespace {

std::wstring Get(const CZVIniFileReader& reader, const wchar_t* section, const wchar_t* key,
                 const wchar_t* defaultValue = L"<default>")
{
    wchar_t buffer[1024];
    reader.GetProfileString(section, key, defaultValue, buffer, 1024);
    return buffer;
}

std::vector<std::wstring> Sections(const CZVIniFileReader& reader)
{
    wchar_t buffer[4096];
    reader.GetProfileString(nullptr, nullptr, L"", buffer, 4096);
    return SplitList(buffer);
}

std::vector<std::wstring> Keys(const CZVIniFileReader& reader, const wchar_t* section)
{
    wchar_t buffer[4096];
    reader.GetProfileString(section, nullptr, L"", buffer, 4096);
    return SplitList(buffer);
}

} // namespace

// ---------------------------------------------------------------- encodings

TEST(IniEncodingTest, Utf16LittleEndianFileWithMark)
{
    TempFolder folder;
    const std::wstring text = L"[Gr\u00FC\u00DFe]\r\nWert=Stra\u00DFe \u20AC\r\n";
    ASSERT_TRUE(folder.WriteUtf16LE(L"le.ini", text));
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.Open(folder.Path(L"le.ini").c_str()));
    EXPECT_EQ(CZVIniFileReader::eUtf16LE, reader.GetEncoding());
    EXPECT_EQ(L"Stra\u00DFe \u20AC", Get(reader, L"gr\u00FC\u00DFe", L"wert"));
}

TEST(IniEncodingTest, Utf16BigEndianFileIsByteSwapped)
{
    TempFolder folder;
    ASSERT_TRUE(folder.WriteUtf16BE(L"be.ini", L"[S]\nK=\u0416\u4E2D\nL=plain\n"));
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.Open(folder.Path(L"be.ini").c_str()));
    EXPECT_EQ(CZVIniFileReader::eUtf16BE, reader.GetEncoding());
    EXPECT_EQ(L"\u0416\u4E2D", Get(reader, L"S", L"K"));
    EXPECT_EQ(L"plain", Get(reader, L"S", L"L"));
}

TEST(IniEncodingTest, FileWithoutMarkIsAnsi)
{
    TempFolder folder;
    const std::string bytes = "[S]\r\nK=caf\xE9\r\n";
    ASSERT_TRUE(folder.WriteBytes(L"ansi.ini", bytes));
    wchar_t expected[8] = {};
    ASSERT_EQ(4, MultiByteToWideChar(CP_ACP, 0, "caf\xE9", 4, expected, 8));
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.Open(folder.Path(L"ansi.ini").c_str()));
    EXPECT_EQ(CZVIniFileReader::eAnsi, reader.GetEncoding());
    EXPECT_EQ(std::wstring(expected), Get(reader, L"S", L"K"));
}

TEST(IniEncodingTest, EmptyFilesAndBareMarksAreEmptyLoads)
{
    TempFolder folder;
    ASSERT_TRUE(folder.WriteBytes(L"empty.ini", ""));
    ASSERT_TRUE(folder.WriteBytes(L"bom.ini", "\xFF\xFE"));
    ASSERT_TRUE(folder.WriteBytes(L"one.ini", "x"));
    for (const wchar_t* name : {L"empty.ini", L"bom.ini"}) {
        CZVIniFileReader reader;
        EXPECT_TRUE(reader.Open(folder.Path(name).c_str())) << name;
        EXPECT_TRUE(reader.IsLoaded());
        EXPECT_TRUE(Sections(reader).empty());
    }
    CZVIniFileReader one;
    EXPECT_TRUE(one.Open(folder.Path(L"one.ini").c_str()));
    EXPECT_EQ(CZVIniFileReader::eAnsi, one.GetEncoding());
}

TEST(IniEncodingTest, TextThatDecodesToNothingIsNotLoaded)
{
    TempFolder folder;
    ASSERT_TRUE(folder.WriteBytes(L"zero.ini", std::string("\0[S]\r\nK=1", 9)));
    CZVIniFileReader reader;
    EXPECT_FALSE(reader.Open(folder.Path(L"zero.ini").c_str()));
    EXPECT_FALSE(reader.IsLoaded());
    EXPECT_EQ(nullptr, reader.GetPath());
    EXPECT_EQ(L"<default>", Get(reader, L"S", L"K"));
}

TEST(IniEncodingTest, TextStopsAtTheFirstNul)
{
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText(std::wstring(L"[S]\nA=1\n\0B=2\n", 13).c_str(), 13));
    EXPECT_EQ(L"1", Get(reader, L"S", L"A"));
    EXPECT_EQ(L"<default>", Get(reader, L"S", L"B"));
}

TEST(IniEncodingTest, LoadFromBytesIsAnsiAndLoadFromTextIsUtf16)
{
    CZVIniFileReader bytes;
    ASSERT_TRUE(bytes.LoadFromBytes("[S]\nK=v\n"));
    EXPECT_EQ(CZVIniFileReader::eAnsi, bytes.GetEncoding());
    EXPECT_EQ(L"v", Get(bytes, L"S", L"K"));
    EXPECT_STREQ(L"", bytes.GetPath());

    CZVIniFileReader text;
    ASSERT_TRUE(text.LoadFromText(L"\uFEFF[S]\nK=w\n"));
    EXPECT_EQ(CZVIniFileReader::eUtf16LE, text.GetEncoding());
    EXPECT_EQ(L"w", Get(text, L"S", L"K"));
    EXPECT_FALSE(CZVIniFileReader().LoadFromText(nullptr));
}

TEST(IniEncodingTest, ALoadedReaderIgnoresFurtherTextLoads)
{
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText(L"[S]\nK=first\n"));
    EXPECT_TRUE(reader.LoadFromText(L"[S]\nK=second\n"));
    EXPECT_TRUE(reader.LoadFromBytes("[S]\nK=third\n"));
    EXPECT_EQ(L"first", Get(reader, L"S", L"K"));
}

// ---------------------------------------------------------------- syntax

TEST(IniSyntaxTest, SectionsAndKeysIgnoreCaseAndKeepFirstSpelling)
{
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText(L"[Dialog]\nText=one\nName=n\n[Other]\nX=1\n[dialog]\ntext=two\nExtra=e\n"));
    EXPECT_EQ(L"two", Get(reader, L"DIALOG", L"TEXT"));
    EXPECT_EQ(L"two", Get(reader, L"dialog", L"Text"));
    EXPECT_EQ((std::vector<std::wstring>{L"Dialog", L"Other"}), Sections(reader));
    EXPECT_EQ((std::vector<std::wstring>{L"Text", L"Name", L"Extra"}), Keys(reader, L"DiAlOg"));
}

TEST(IniSyntaxTest, NonAsciiNamesFoldToo)
{
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText(L"[\u00C4RGER]\n\u0416=v\n"));
    EXPECT_EQ(L"v", Get(reader, L"\u00E4rger", L"\u0436"));
}

TEST(IniSyntaxTest, TheLastLineOfAKeyWins)
{
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText(L"[S]\nK=1\nOther=x\nK=2\nk=3\n"));
    EXPECT_EQ(L"3", Get(reader, L"S", L"K"));
    EXPECT_EQ((std::vector<std::wstring>{L"K", L"Other"}), Keys(reader, L"S"));
}

TEST(IniSyntaxTest, BlanksAroundKeysAndValuesAndLineBreaks)
{
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText(L"  \t[S]\r\n\tKey \t =  a value  \t\rNext=x\n\n\r\nLast=y"));
    EXPECT_EQ(L"a value", Get(reader, L"S", L"Key"));
    EXPECT_EQ(L"x", Get(reader, L"S", L"Next"));
    EXPECT_EQ(L"y", Get(reader, L"S", L"Last"));
    EXPECT_EQ(L"", Get(reader, L"S", L"Empty", L""));
}

TEST(IniSyntaxTest, CommentsAndOtherLinesAreNotKeys)
{
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText(L"[S]\n;A=1\n  # B=2\nno equals sign\n$notinclude <x>\nC=3\n"));
    EXPECT_EQ((std::vector<std::wstring>{L"C"}), Keys(reader, L"S"));
}

TEST(IniSyntaxTest, KeysAboveTheFirstSectionCannotBeFound)
{
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText(L"Top=1\n[S]\nA=2\n"));
    EXPECT_EQ(L"<default>", Get(reader, L"S", L"Top"));
    EXPECT_EQ(L"<default>", Get(reader, L"??", L"Top"));
    EXPECT_EQ(L"<default>", Get(reader, L"[??]", L"Top"));
    EXPECT_EQ((std::vector<std::wstring>{L"S"}), Sections(reader));
}

TEST(IniSyntaxTest, QuotesAreStrippedWhileTheSwitchIsOn)
{
    const wchar_t* text = L"[S]\nWord=\"Word\"\nOne=\"\nTwo=\"\"\nInner=a \"b\" c\n";
    CZVIniFileReader on;
    EXPECT_TRUE(on.GetQuoteStripping());
    ASSERT_TRUE(on.LoadFromText(text));
    EXPECT_EQ(L"Word", Get(on, L"S", L"Word"));
    EXPECT_EQ(L"\"", Get(on, L"S", L"One"));
    EXPECT_EQ(L"", Get(on, L"S", L"Two"));
    EXPECT_EQ(L"a \"b\" c", Get(on, L"S", L"Inner"));

    CZVIniFileReader off;
    off.SetQuoteStripping(false);
    ASSERT_TRUE(off.LoadFromText(text));
    EXPECT_EQ(L"\"Word\"", Get(off, L"S", L"Word"));
    EXPECT_EQ(L"\"\"", Get(off, L"S", L"Two"));
}

TEST(IniSyntaxTest, SectionHeaderWithoutClosingBracketRunsToTheEnd)
{
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText(L"[Open\nK=1\n[Closed] trailing\nL=2\n"));
    EXPECT_EQ(L"1", Get(reader, L"Open", L"K"));
    EXPECT_EQ(L"2", Get(reader, L"Closed", L"L"));
}

// ---------------------------------------------------------------- buffers

TEST(IniBufferTest, ValuesDefaultsAndListsAreCutToTheBuffer)
{
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText(L"[a]\nTen=0123456789\n[b]\n"));
    wchar_t buffer[16];

    wmemset(buffer, L'#', 16);
    EXPECT_EQ(4u, reader.GetProfileString(L"a", L"Ten", L"", buffer, 5));
    EXPECT_EQ(std::wstring(L"0123"), buffer);
    EXPECT_EQ(10u, reader.GetProfileString(L"a", L"Ten", L"", buffer, 11));
    EXPECT_EQ(std::wstring(L"0123456789"), buffer);
    EXPECT_EQ(9u, reader.GetProfileString(L"a", L"Ten", L"", buffer, 10));

    EXPECT_EQ(4u, reader.GetProfileString(nullptr, nullptr, L"", buffer, 16));
    EXPECT_EQ(0, wmemcmp(buffer, L"a\0b\0\0", 5));

    // A list that does not fit: size characters, the last two zeros, size - 2.
    wmemset(buffer, L'#', 16);
    EXPECT_EQ(2u, reader.GetProfileString(nullptr, nullptr, L"", buffer, 4));
    EXPECT_EQ(0, wmemcmp(buffer, L"a\0\0\0#", 5));
    EXPECT_EQ(0u, reader.GetProfileString(nullptr, nullptr, L"", buffer, 1));
    EXPECT_EQ(L'\0', buffer[0]);

    EXPECT_EQ(4u, reader.GetProfileString(L"a", nullptr, L"", buffer, 16));
    EXPECT_EQ(0, wmemcmp(buffer, L"Ten\0\0", 5));

    // Defaults: missing key, missing section, empty section listed by key.
    EXPECT_EQ(3u, reader.GetProfileString(L"a", L"Missing", L"def", buffer, 16));
    EXPECT_EQ(std::wstring(L"def"), buffer);
    EXPECT_EQ(2u, reader.GetProfileString(L"zz", L"Ten", L"default", buffer, 3));
    EXPECT_EQ(std::wstring(L"de"), buffer);
    EXPECT_EQ(3u, reader.GetProfileString(L"b", nullptr, L"def", buffer, 16));
    EXPECT_EQ(3u, reader.GetProfileString(L"zz", nullptr, L"def", buffer, 16));
    EXPECT_EQ(0u, reader.GetProfileString(L"a", L"Missing", nullptr, buffer, 16));
    EXPECT_EQ(std::wstring(L""), buffer);

    // No buffer or no room: 0 and nothing written.
    buffer[0] = L'#';
    EXPECT_EQ(0u, reader.GetProfileString(L"a", L"Ten", L"", buffer, 0));
    EXPECT_EQ(L'#', buffer[0]);
    EXPECT_EQ(0u, reader.GetProfileString(L"a", L"Ten", L"", nullptr, 16));
}

TEST(IniBufferTest, AReaderWithoutSectionsGivesTheDefaultForEverything)
{
    CZVIniFileReader notLoaded;
    wchar_t buffer[16];
    EXPECT_EQ(3u, notLoaded.GetProfileString(nullptr, nullptr, L"def", buffer, 16));
    EXPECT_EQ(std::wstring(L"def"), buffer);
    CZVIniFileReader empty;
    ASSERT_TRUE(empty.LoadFromText(L"Top=1\n; only a comment\n"));
    EXPECT_EQ(3u, empty.GetProfileString(nullptr, nullptr, L"def", buffer, 16));
}

TEST(IniBufferTest, ProfileIntTakesTheLeadingDecimalNumber)
{
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText(L"[S]\nA=42abc\nB=-7\nC=\"12\"\nD=x1\n"));
    EXPECT_EQ(42, reader.GetProfileInt(L"S", L"A", 5));
    EXPECT_EQ(-7, reader.GetProfileInt(L"s", L"b", 5));
    EXPECT_EQ(12, reader.GetProfileInt(L"S", L"C", 5));
    EXPECT_EQ(0, reader.GetProfileInt(L"S", L"D", 5));
    EXPECT_EQ(5, reader.GetProfileInt(L"S", L"Missing", 5));
    EXPECT_EQ(5, reader.GetProfileInt(nullptr, L"A", 5));
    EXPECT_EQ(5, reader.GetProfileInt(L"S", nullptr, 5));
    EXPECT_EQ(5, CZVIniFileReader().GetProfileInt(L"S", L"A", 5));
}

TEST(IniBufferTest, StringValueFormsLimitedAndUnlimited)
{
    const std::wstring longValue(400, L'v');
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText((L"[S]\nLong=" + longValue + L"\nQ=\"q\"\n").c_str()));
    ZvOSAL::ZvString result;
    EXPECT_EQ(259u, reader.GetStringValue(L"S", L"Long", L"", result));
    EXPECT_EQ(259, result.GetLength());
    EXPECT_TRUE(reader.GetStringValue(ZvOSAL::ZvString(L"s"), ZvOSAL::ZvString(L"LONG"), ZvOSAL::ZvString(L"d"),
                                      result));
    EXPECT_EQ(400, result.GetLength());
    EXPECT_TRUE(reader.GetStringValue(ZvOSAL::ZvString(L"S"), ZvOSAL::ZvString(L"Q"), ZvOSAL::ZvString(), result));
    EXPECT_STREQ(L"q", result.c_str());
    EXPECT_FALSE(reader.GetStringValue(ZvOSAL::ZvString(L"S"), ZvOSAL::ZvString(L"None"),
                                       ZvOSAL::ZvString(L"fallback"), result));
    EXPECT_STREQ(L"fallback", result.c_str());
    EXPECT_FALSE(reader.GetStringValue(ZvOSAL::ZvString(), ZvOSAL::ZvString(L"Q"), ZvOSAL::ZvString(L"d"),
                                       result));
    EXPECT_EQ(1u, reader.GetStringValue(L"S", L"None", L"d", result));
    EXPECT_STREQ(L"d", result.c_str());
}

// ---------------------------------------------------------------- open

TEST(IniOpenTest, NullPathAndMissingFileGiveEmptyLoadedReaders)
{
    TempFolder folder;
    CZVIniFileReader none;
    EXPECT_TRUE(none.Open(nullptr));
    EXPECT_TRUE(none.IsLoaded());
    EXPECT_STREQ(L"", none.GetPath());
    EXPECT_STREQ(L"", none.GetFolder());

    const std::wstring path = folder.Path(L"new.ini");
    CZVIniFileReader missing;
    EXPECT_TRUE(missing.Open(path.c_str()));
    EXPECT_TRUE(missing.IsLoaded());
    EXPECT_EQ(path, missing.GetPath());
    EXPECT_EQ(folder.Path(), missing.GetFolder());
    EXPECT_FALSE(CZVIniFileReader::IsCached(path.c_str()));
    EXPECT_EQ(L"<default>", Get(missing, L"S", L"K"));

    // Values can be written into it and saved as a new UTF-16 file.
    EXPECT_EQ(1, missing.WriteProfileString(L"S", L"K", L"v"));
    EXPECT_TRUE(missing.Save());
    EXPECT_EQ(TempFolder::Utf16(L"[S]\r\nK=v\r\n", false, true), TempFolder::ReadBytes(path));
    EXPECT_TRUE(CZVIniFileReader::IsCached(path.c_str()));
}

TEST(IniOpenTest, AFolderIsUnreadableAndGivesNotLoaded)
{
    TempFolder folder;
    folder.MakeFolder(L"dir.ini");
    CZVIniFileReader reader;
    EXPECT_FALSE(reader.Open(folder.Path(L"dir.ini").c_str()));
    EXPECT_FALSE(reader.IsLoaded());
    EXPECT_EQ(nullptr, reader.GetPath());
    EXPECT_EQ(nullptr, reader.GetFolder());
    EXPECT_EQ(0, reader.WriteProfileString(L"S", L"K", L"v"));
}

TEST(IniOpenTest, OpenDropsThePreviousContent)
{
    TempFolder folder;
    ASSERT_TRUE(folder.WriteBytes(L"one.ini", "[S]\nK=one\n"));
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText(L"[S]\nK=text\nOnly=t\n"));
    ASSERT_TRUE(reader.Open(folder.Path(L"one.ini").c_str()));
    EXPECT_EQ(L"one", Get(reader, L"S", L"K"));
    EXPECT_EQ(L"<default>", Get(reader, L"S", L"Only"));
    EXPECT_EQ(folder.Path(), reader.GetFolder());
}

namespace {
// Closes handle after a while, on another thread.
HANDLE CloseLater(HANDLE handle, DWORD milliseconds)
{
    return zvtest::StartThread([handle, milliseconds] {
        Sleep(milliseconds);
        CloseHandle(handle);
    });
}
} // namespace

TEST(IniOpenTest, ALockedFileIsTriedAgainUntilTheBound)
{
    TempFolder folder;
    const std::wstring path = folder.Path(L"locked.ini");
    ASSERT_TRUE(folder.WriteBytes(L"locked.ini", "[S]\nK=v\n"));
    HANDLE exclusive = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, exclusive);

    CZVIniReaderOptions quick = {100, 0, 0};
    CZVIniFileReader gaveUp(quick);
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(gaveUp.Open(path.c_str()));
    const ULONGLONG waited = GetTickCount64() - start;
    EXPECT_GE(waited, 90u);
    EXPECT_LT(waited, 1500u);
    EXPECT_FALSE(CZVIniFileReader::IsCached(path.c_str()));

    // Released while the reader waits: the read then succeeds.
    HANDLE closer = CloseLater(exclusive, 60);
    ASSERT_NE(nullptr, closer);
    CZVIniFileReader patient; // the default bound of 2 s
    EXPECT_TRUE(patient.Open(path.c_str()));
    EXPECT_EQ(L"v", Get(patient, L"S", L"K"));
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
}

TEST(IniOpenTest, ALockedRegionIsTriedAgainToo)
{
    TempFolder folder;
    const std::wstring path = folder.Path(L"region.ini");
    ASSERT_TRUE(folder.WriteBytes(L"region.ini", "[S]\nK=v\n"));
    HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    OVERLAPPED whole = {};
    ASSERT_TRUE(LockFileEx(holder, LOCKFILE_EXCLUSIVE_LOCK, 0, 100, 0, &whole));

    CZVIniReaderOptions quick = {80, 0, 0};
    CZVIniFileReader gaveUp(quick);
    EXPECT_FALSE(gaveUp.Open(path.c_str()));

    HANDLE closer = CloseLater(holder, 60); // closing the handle releases the lock
    ASSERT_NE(nullptr, closer);
    CZVIniFileReader patient;
    EXPECT_TRUE(patient.Open(path.c_str()));
    EXPECT_EQ(L"v", Get(patient, L"S", L"K"));
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
}

// ---------------------------------------------------------------- includes

TEST(IniIncludeTest, RelativeIncludesAreParsedInPlace)
{
    TempFolder folder;
    folder.MakeFolder(L"skin");
    folder.MakeFolder(L"skin\\parts");
    ASSERT_TRUE(folder.WriteBytes(L"skin\\main.ini",
                                  "[S]\nK=main\nBefore=b\n$include <parts\\inc.ini>\nAfter=a\n[T]\nK=t\n"));
    // The nested include is relative to the included file's own folder.
    ASSERT_TRUE(folder.WriteBytes(L"skin\\parts\\inc.ini", "[S]\nK=inc\n[New]\nN=1\n$include <deeper.ini>\n"));
    ASSERT_TRUE(folder.WriteBytes(L"skin\\parts\\deeper.ini", "[Deep]\nD=2\n"));

    CZVIniFileReader reader;
    ASSERT_TRUE(reader.Open(folder.Path(L"skin\\main.ini").c_str()));
    EXPECT_EQ(0u, reader.GetIncludeErrors());
    EXPECT_EQ(L"inc", Get(reader, L"S", L"K"));
    // Parsing goes on in the section that was current before the directive.
    EXPECT_EQ(L"a", Get(reader, L"S", L"After"));
    EXPECT_EQ(L"<default>", Get(reader, L"New", L"After"));
    EXPECT_EQ(L"1", Get(reader, L"New", L"N"));
    EXPECT_EQ(L"2", Get(reader, L"Deep", L"D"));
    EXPECT_EQ((std::vector<std::wstring>{L"S", L"New", L"Deep", L"T"}), Sections(reader));
}

TEST(IniIncludeTest, AMissingIncludeIsSkippedAndCounted)
{
    TempFolder folder;
    ASSERT_TRUE(folder.WriteBytes(L"main.ini", "[S]\nA=1\n$include <missing.ini>\n$include <>\nB=2\n"));
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.Open(folder.Path(L"main.ini").c_str()));
    EXPECT_EQ(L"1", Get(reader, L"S", L"A"));
    EXPECT_EQ(L"2", Get(reader, L"S", L"B"));
    EXPECT_EQ(2u, reader.GetIncludeErrors());
}

TEST(IniIncludeTest, IncludesAreLimitedInDepth)
{
    TempFolder folder;
    for (int i = 0; i < 6; ++i) {
        char text[96];
        snprintf(text, sizeof(text), "[L%d]\nK=%d\n$include <f%d.ini>\n", i, i, i + 1);
        ASSERT_TRUE(folder.WriteBytes(L"f" + std::to_wstring(i) + L".ini", text));
    }
    ASSERT_TRUE(folder.WriteBytes(L"f6.ini", "[L6]\nK=6\n"));
    CZVIniReaderOptions shallow = {0, 3, 0};
    CZVIniFileReader reader(shallow);
    ASSERT_TRUE(reader.Open(folder.Path(L"f0.ini").c_str()));
    EXPECT_EQ(L"3", Get(reader, L"L3", L"K"));
    EXPECT_EQ(L"<default>", Get(reader, L"L4", L"K"));
    EXPECT_EQ(1u, reader.GetIncludeErrors());
}

// ---------------------------------------------------------------- the cache

TEST(IniCacheTest, ReadersOfOnePathShareTheContent)
{
    TempFolder folder;
    ASSERT_TRUE(folder.WriteBytes(L"Shared.ini", "[S]\nK=disk\nQ=\"quoted\"\n"));
    const std::wstring path = folder.Path(L"Shared.ini");
    std::wstring upper = path;
    for (auto& c : upper)
        c = towupper(c);

    CZVIniFileReader first, second;
    ASSERT_TRUE(first.Open(path.c_str()));
    EXPECT_TRUE(CZVIniFileReader::IsCached(upper.c_str()));
    ASSERT_TRUE(second.Open(upper.c_str()));
    EXPECT_EQ(1, first.WriteProfileString(L"S", L"K", L"changed"));
    EXPECT_EQ(L"changed", Get(second, L"S", L"K"));
    EXPECT_TRUE(second.IsModified());

    // Served from the cache although the file is gone.
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    CZVIniFileReader third;
    ASSERT_TRUE(third.Open(path.c_str()));
    EXPECT_EQ(L"changed", Get(third, L"S", L"K"));

    // A reader that keeps quotes gets a content of its own.
    ASSERT_TRUE(folder.WriteBytes(L"Shared.ini", "[S]\nK=disk\nQ=\"quoted\"\n"));
    CZVIniFileReader raw;
    raw.SetQuoteStripping(false);
    ASSERT_TRUE(raw.Open(path.c_str()));
    EXPECT_EQ(L"\"quoted\"", Get(raw, L"S", L"Q"));
    EXPECT_EQ(L"disk", Get(raw, L"S", L"K"));
}

TEST(IniCacheTest, TextFromMemoryIsNotCachedButItsIncludesAre)
{
    TempFolder folder;
    ASSERT_TRUE(folder.WriteBytes(L"inc.ini", "[I]\nK=included\n"));
    const std::wstring include = folder.Path(L"inc.ini");
    const size_t before = CZVIniFileReader::GetCachedFileCount();
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText((L"[S]\nA=1\n$include <" + include + L">\n").c_str()));
    EXPECT_EQ(L"included", Get(reader, L"I", L"K"));
    EXPECT_EQ(before + 1, CZVIniFileReader::GetCachedFileCount());
    EXPECT_TRUE(CZVIniFileReader::IsCached(include.c_str()));

    // A reader of the included file gets the cached content, not the disk.
    ASSERT_TRUE(folder.WriteBytes(L"inc.ini", "[I]\nK=rewritten\n"));
    CZVIniFileReader direct;
    ASSERT_TRUE(direct.Open(include.c_str()));
    EXPECT_EQ(L"included", Get(direct, L"I", L"K"));
}

TEST(IniCacheTest, ConcurrentOpensOfOnePathAgree)
{
    TempFolder folder;
    std::string text = "[S]\n";
    for (int i = 0; i < 500; ++i)
        text += "K" + std::to_string(i) + "=" + std::to_string(i * 3) + "\n";
    ASSERT_TRUE(folder.WriteBytes(L"busy.ini", text));
    const std::wstring path = folder.Path(L"busy.ini");
    volatile LONG failures = 0;
    HANDLE threads[4];
    for (HANDLE& thread : threads) {
        thread = zvtest::StartThread([&path, &failures] {
            for (int round = 0; round < 20; ++round) {
                CZVIniFileReader reader;
                if (!reader.Open(path.c_str()) || reader.GetProfileInt(L"S", L"K499", -1) != 1497)
                    InterlockedIncrement(&failures);
            }
        });
        ASSERT_NE(nullptr, thread);
    }
    WaitForMultipleObjects(4, threads, TRUE, INFINITE);
    for (HANDLE thread : threads)
        CloseHandle(thread);
    EXPECT_EQ(0, failures);
}

// ---------------------------------------------------------------- writing

TEST(IniWriteTest, WriteProfileStringSetsRemovesAndRefuses)
{
    CZVIniFileReader reader;
    EXPECT_EQ(0, reader.WriteProfileString(L"S", L"K", L"v")); // not loaded
    ASSERT_TRUE(reader.LoadFromText(L"[S]\nA=1\nB=2\n[T]\nC=3\n"));
    EXPECT_FALSE(reader.IsModified());
    EXPECT_EQ(0, reader.WriteProfileString(nullptr, L"A", L"x"));
    EXPECT_FALSE(reader.IsModified());

    EXPECT_EQ(1, reader.WriteProfileString(L"s", L"a", L"one"));
    EXPECT_TRUE(reader.IsModified());
    EXPECT_EQ(L"one", Get(reader, L"S", L"A"));
    EXPECT_EQ(1, reader.WriteProfileString(L"New", L"N", L"n"));
    EXPECT_EQ((std::vector<std::wstring>{L"S", L"T", L"New"}), Sections(reader));

    EXPECT_EQ(1, reader.WriteProfileString(L"S", L"B", nullptr));
    EXPECT_EQ((std::vector<std::wstring>{L"A"}), Keys(reader, L"S"));
    EXPECT_EQ(1, reader.WriteProfileString(L"S", L"Nothing", nullptr));
    EXPECT_EQ(1, reader.WriteProfileString(L"T", nullptr, nullptr));
    EXPECT_EQ(1, reader.WriteProfileString(L"NoSuchSection", nullptr, nullptr));
    EXPECT_EQ((std::vector<std::wstring>{L"S", L"New"}), Sections(reader));

    // Names and values that would not read back the same from a file.
    EXPECT_EQ(0, reader.WriteProfileString(L"S", L"K", L"two\nlines"));
    EXPECT_EQ(0, reader.WriteProfileString(L"S", L"a=b", L"v"));
    EXPECT_EQ(0, reader.WriteProfileString(L"S", L";comment", L"v"));
    EXPECT_EQ(0, reader.WriteProfileString(L"S", L" padded", L"v"));
    EXPECT_EQ(0, reader.WriteProfileString(L"S]", L"K", L"v"));
    EXPECT_EQ(L"<default>", Get(reader, L"S", L"K"));
}

TEST(IniWriteTest, SaveKeepsEveryLineCommentsAndOrder)
{
    TempFolder folder;
    const std::string original = "; header comment\r\n"
                                 "Orphan=above the first section\r\n"
                                 "\r\n"
                                 "[Dialog]\r\n"
                                 "  Text = \"Hello\"  \r\n"
                                 "# about the size\r\n"
                                 "Size=10\r\n"
                                 "\r\n"
                                 "[Other]\n"
                                 "Gone=1\n"
                                 "Keep=2\n"
                                 "; trailing comment\n";
    ASSERT_TRUE(folder.WriteBytes(L"round.ini", original));
    const std::wstring path = folder.Path(L"round.ini");
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.Open(path.c_str()));
    EXPECT_EQ(1, reader.WriteProfileString(L"dialog", L"text", L"Bye"));
    EXPECT_EQ(1, reader.WriteProfileString(L"Dialog", L"Added", L"new"));
    EXPECT_EQ(1, reader.WriteProfileString(L"Other", L"Gone", nullptr));
    EXPECT_EQ(1, reader.WriteProfileString(L"Third", L"X", L"3"));
    ASSERT_TRUE(reader.Save());
    EXPECT_FALSE(reader.IsModified());

    const std::string expected = "; header comment\r\n"
                                 "Orphan=above the first section\r\n"
                                 "\r\n"
                                 "[Dialog]\r\n"
                                 "  Text = Bye\r\n"
                                 "# about the size\r\n"
                                 "Size=10\r\n"
                                 "Added=new\r\n"
                                 "\r\n"
                                 "[Other]\r\n"
                                 "Keep=2\r\n"
                                 "; trailing comment\r\n"
                                 "[Third]\r\n"
                                 "X=3\r\n";
    EXPECT_EQ(expected, TempFolder::ReadBytes(path));
    EXPECT_EQ(CZVIniFileReader::eAnsi, reader.GetEncoding());

    // What was written reads back the same, from the disk.
    ASSERT_TRUE(folder.WriteBytes(L"copy.ini", TempFolder::ReadBytes(path)));
    CZVIniFileReader again;
    ASSERT_TRUE(again.Open(folder.Path(L"copy.ini").c_str()));
    EXPECT_EQ(L"Bye", Get(again, L"Dialog", L"Text"));
    EXPECT_EQ((std::vector<std::wstring>{L"Text", L"Size", L"Added"}), Keys(again, L"Dialog"));
    EXPECT_EQ(L"<default>", Get(again, L"Other", L"Gone"));
}

TEST(IniWriteTest, SaveKeepsTheFilesEncoding)
{
    TempFolder folder;
    ASSERT_TRUE(folder.WriteUtf16BE(L"be.ini", L"; \u00FC\r\n[S]\r\nK=\u0416\r\n"));
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.Open(folder.Path(L"be.ini").c_str()));
    EXPECT_EQ(1, reader.WriteProfileString(L"S", L"K", L"\u4E2D"));
    ASSERT_TRUE(reader.Save());
    EXPECT_EQ(TempFolder::Utf16(L"; \u00FC\r\n[S]\r\nK=\u4E2D\r\n", true, true),
              TempFolder::ReadBytes(folder.Path(L"be.ini")));
}

TEST(IniWriteTest, AnsiSaveRefusesLossAndLeavesTheFile)
{
    TempFolder folder;
    ASSERT_TRUE(folder.WriteBytes(L"ansi.ini", "[S]\r\nK=v\r\n"));
    const std::wstring path = folder.Path(L"ansi.ini");
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.Open(path.c_str()));
    EXPECT_EQ(1, reader.WriteProfileString(L"S", L"K", L"\u4E2D\u6587"));
    EXPECT_FALSE(reader.Save());
    EXPECT_EQ("[S]\r\nK=v\r\n", TempFolder::ReadBytes(path));
    EXPECT_TRUE(reader.IsModified());
    EXPECT_TRUE(reader.SetEncoding(CZVIniFileReader::eUtf16LE));
    EXPECT_FALSE(reader.SetEncoding(4));
    ASSERT_TRUE(reader.Save());
    EXPECT_EQ(TempFolder::Utf16(L"[S]\r\nK=\u4E2D\u6587\r\n", false, true), TempFolder::ReadBytes(path));
}

TEST(IniWriteTest, SavingElsewhereDropsThatPathFromTheCache)
{
    TempFolder folder;
    ASSERT_TRUE(folder.WriteBytes(L"a.ini", "[S]\nK=a\n"));
    ASSERT_TRUE(folder.WriteBytes(L"b.ini", "[S]\nK=b\n"));
    CZVIniFileReader a, b;
    ASSERT_TRUE(a.Open(folder.Path(L"a.ini").c_str()));
    ASSERT_TRUE(b.Open(folder.Path(L"b.ini").c_str()));
    ASSERT_TRUE(a.Save(folder.Path(L"b.ini").c_str()));
    EXPECT_FALSE(CZVIniFileReader::IsCached(folder.Path(L"b.ini").c_str()));
    CZVIniFileReader reopened;
    ASSERT_TRUE(reopened.Open(folder.Path(L"b.ini").c_str()));
    EXPECT_EQ(L"a", Get(reopened, L"S", L"K"));
    EXPECT_FALSE(CZVIniFileReader().Save()); // not loaded
    CZVIniFileReader memory;
    ASSERT_TRUE(memory.LoadFromText(L"[S]\n"));
    EXPECT_FALSE(memory.Save()); // no path of its own
}

TEST(IniWriteTest, AValueFromAnIncludeIsWrittenWhereItWinsOnReload)
{
    TempFolder folder;
    ASSERT_TRUE(folder.WriteBytes(L"inc.ini", "[S]\nK=included\n"));
    ASSERT_TRUE(folder.WriteBytes(L"main.ini", "[S]\nK=main\n$include <inc.ini>\n"));
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.Open(folder.Path(L"main.ini").c_str()));
    EXPECT_EQ(L"included", Get(reader, L"S", L"K"));
    EXPECT_EQ(1, reader.WriteProfileString(L"S", L"K", L"mine"));
    ASSERT_TRUE(reader.Save(folder.Path(L"out.ini").c_str()));
    EXPECT_EQ("[S]\r\n$include <inc.ini>\r\n[S]\r\nK=mine\r\n", TempFolder::ReadBytes(folder.Path(L"out.ini")));
    CZVIniFileReader reloaded;
    ASSERT_TRUE(reloaded.Open(folder.Path(L"out.ini").c_str()));
    EXPECT_EQ(L"mine", Get(reloaded, L"S", L"K"));
}

TEST(IniWriteTest, MergeCopiesSectionsAndKeys)
{
    CZVIniFileReader target, source, empty;
    ASSERT_TRUE(target.LoadFromText(L"[S]\nA=1\nKeep=k\n"));
    ASSERT_TRUE(source.LoadFromText(L"[s]\na=2\nB=3\n[T]\nC=4\n[Empty]\n"));
    EXPECT_FALSE(target.Merge(&empty));
    EXPECT_FALSE(empty.Merge(&target));
    EXPECT_FALSE(target.Merge(nullptr));
    EXPECT_TRUE(target.Merge(&source));
    EXPECT_TRUE(target.IsModified());
    EXPECT_EQ(L"2", Get(target, L"S", L"A"));
    EXPECT_EQ(L"3", Get(target, L"S", L"B"));
    EXPECT_EQ(L"k", Get(target, L"S", L"Keep"));
    EXPECT_EQ(L"4", Get(target, L"T", L"C"));
    EXPECT_EQ((std::vector<std::wstring>{L"S", L"T", L"Empty"}), Sections(target));
    EXPECT_FALSE(source.IsModified());
}

TEST(IniWriteTest, SectionsReadAndWrittenWhole)
{
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText(L"[S]\n; about A\nA=\"1\"\nB=2\nC=3\n"));
    CZvStringMap pairs;
    ASSERT_TRUE(reader.GetSection(L"s", pairs));
    ASSERT_EQ(3u, pairs.GetCount());
    EXPECT_EQ(L"A", pairs.GetAt(0).name);
    EXPECT_EQ(L"1", pairs.GetAt(0).value);
    EXPECT_FALSE(reader.GetSection(L"None", pairs));
    EXPECT_FALSE(reader.GetSection(nullptr, pairs));

    CZvStringMap replacement;
    replacement.Set(L"C", L"30");
    replacement.Set(L"D", L"40");
    replacement.Set(L"a", L"10");
    ASSERT_TRUE(reader.WriteSection(L"S", replacement));
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"C", L"D"}), Keys(reader, L"S"));
    EXPECT_EQ(L"10", Get(reader, L"S", L"A"));
    EXPECT_EQ(L"<default>", Get(reader, L"S", L"B"));
    CZvStringMap bad;
    bad.Set(L"x\ny", L"v");
    EXPECT_FALSE(reader.WriteSection(L"S", bad));
}
