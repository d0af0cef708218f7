// The cached INI reader: encodings, syntax, the profile-function buffer
// rules, includes, the shared cache, locked files and writing back.
#include "ini/ZVIniFileReader.h"

#include "ZvOSAL/ZvString.h"
#include "support/Files.h"
#include "support/Threads.h"

#include <gtest/gtest.h>

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

// Closes handle after a while, on another thread.
HANDLE CloseLater(HANDLE handle, DWORD milliseconds)
{
    return zvtest::StartThread([handle, milliseconds] {
        Sleep(milliseconds);
        CloseHandle(handle);
    });
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
        {"", CZVIniFileReader::eAnsi, L"<default>"},
        {"\xFF\xFE", CZVIniFileReader::eUtf16LE, L"<default>"},
        {Utf16Bytes(std::wstring(L"[S]\nK=1\n\0K=2\n", 13)), CZVIniFileReader::eUtf16LE, L"1"}, // up to the first 0
    };
    TempFolder folder;
    int n = 0;
    for (const auto& row : rows) {
        const std::wstring name = L"file" + std::to_wstring(++n) + L".ini";
        ASSERT_TRUE(folder.Write(name, row.bytes));
        CZVIniFileReader reader;
        EXPECT_TRUE(reader.Open(folder.Path(name).c_str())) << name;
        EXPECT_EQ(row.encoding, reader.GetEncoding()) << name;
        EXPECT_EQ(row.value, Get(reader, L"S", L"K")) << name;
    }
    ASSERT_TRUE(folder.Write(L"nothing.ini", std::string("\0[S]\r\nK=1", 9)));
    CZVIniFileReader nothing;
    EXPECT_FALSE(nothing.Open(folder.Path(L"nothing.ini").c_str()) || nothing.IsLoaded()) << "decodes to nothing";
    CZVIniFileReader bytes, text;
    ASSERT_TRUE(bytes.LoadFromBytes("[S]\nK=v\n"));
    EXPECT_EQ(CZVIniFileReader::eAnsi, bytes.GetEncoding());
    EXPECT_STREQ(L"", bytes.GetPath());
    ASSERT_TRUE(text.LoadFromText(std::wstring(L"\uFEFF[S]\nK=w\n\0K=x", 14).c_str(), 14));
    EXPECT_EQ(CZVIniFileReader::eUtf16LE, text.GetEncoding());
    EXPECT_EQ(L"w", Get(text, L"S", L"K")) << "the mark is skipped and the text ends at its first 0";
    EXPECT_TRUE(text.LoadFromBytes("[S]\nK=third\n")) << "a loaded reader ignores further text loads";
    EXPECT_EQ(L"w", Get(text, L"S", L"K"));
}

TEST(IniReader, Syntax)
{
    const struct {
        const wchar_t* text;
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* expected;
    } rows[] = {
        {L"[Dialog]\nText=one\n[Other]\n[dialog]\ntext=two\n", L"DIALOG", L"TEXT", L"two"}, // case, repeated section
        {L"[\u00C4RGER]\n\u0416=v\n", L"\u00E4rger", L"\u0436", L"v"},                   // beyond ASCII
        {L"[S]\nK=1\nOther=x\nK=2\nk=3\n", L"S", L"K", L"3"},                              // the last line wins
        {L"  \t[S]\r\n\tKey \t =  a value  \t\rNext=x", L"S", L"Key", L"a value"},          // blanks, lone CR
        {L"[S]\n;A=1\n  # B=2\n", L"S", L";A", L"<default>"},                            // comments
        {L"Top=1\n[S]\nA=2\n", L"S", L"Top", L"<default>"},                              // above the first section
        {L"[S]\nWord=\"Word\"\nTwo=\"\"\n", L"S", L"Word", L"Word"},                      // quotes stripped
        {L"[S]\nOne=\"\n", L"S", L"One", L"\""},
        {L"[S]\nInner=a \"b\" c\n", L"S", L"Inner", L"a \"b\" c"},
        {L"[Open\nK=1\n", L"Open", L"K", L"1"},                                          // no closing bracket
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "text " << testing::PrintToString(std::wstring(row.text)));
        CZVIniFileReader reader;
        ASSERT_TRUE(reader.LoadFromText(row.text));
        EXPECT_EQ(row.expected, Get(reader, row.section, row.key));
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
        {L"a", L"Ten", L"", 10, 9, std::wstring(L"012345678\0", 10)},
        {nullptr, nullptr, L"", 16, 4, std::wstring(L"a\0b\0\0", 5)},
        {nullptr, nullptr, L"", 4, 2, std::wstring(L"a\0\0\0", 4)}, // size units, the last two zeros
        {nullptr, nullptr, L"", 1, 0, std::wstring(L"\0", 1)},
        {L"a", nullptr, L"", 16, 4, std::wstring(L"Ten\0\0", 5)},
        {L"a", L"Missing", L"def", 16, 3, std::wstring(L"def\0", 4)},
        {L"b", nullptr, L"def", 16, 3, std::wstring(L"def\0", 4)}, // an empty section's keys
        {L"a", L"Missing", nullptr, 16, 0, std::wstring(L"\0", 1)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "size " << row.size << " result " << row.result);
        wchar_t buffer[24];
        wmemset(buffer, L'#', 24);
        EXPECT_EQ(row.result, reader.GetProfileString(row.section, row.key, row.defaultValue, buffer, row.size));
        EXPECT_EQ(row.buffer, std::wstring(buffer, row.buffer.size()));
        EXPECT_EQ(L'#', buffer[row.size]) << "written beyond the buffer";
    }
    wchar_t buffer[4] = {L'#'};
    EXPECT_EQ(0u, reader.GetProfileString(L"a", L"Ten", L"", buffer, 0));
    EXPECT_EQ(L'#', buffer[0]);
    CZVIniFileReader empty; // a reader without sections answers every question with the default
    EXPECT_EQ(3u, empty.GetProfileString(nullptr, nullptr, L"def", buffer, 4));
}

TEST(IniReader, NumbersAndStringValues)
{
    CZVIniFileReader reader;
    ASSERT_TRUE(reader.LoadFromText((L"[S]\nA=42abc\nC=\"12\"\nD=x1\nLong=" + std::wstring(400, L'v')).c_str()));
    EXPECT_EQ(42, reader.GetProfileInt(L"s", L"a", 5));
    EXPECT_EQ(12, reader.GetProfileInt(L"S", L"C", 5));
    EXPECT_EQ(0, reader.GetProfileInt(L"S", L"D", 5));
    EXPECT_EQ(5, reader.GetProfileInt(L"S", L"None", 5));
    EXPECT_EQ(5, reader.GetProfileInt(nullptr, L"A", 5));
    using ZvOSAL::ZvString;
    ZvString result;
    EXPECT_EQ(259u, reader.GetStringValue(L"S", L"Long", L"", result)) << "a 260-unit buffer";
    EXPECT_TRUE(reader.GetStringValue(ZvString(L"s"), ZvString(L"LONG"), ZvString(L"d"), result));
    EXPECT_EQ(400, result.GetLength());
}

TEST(IniReader, OpenMissingUnreadableAndLockedFiles)
{
    TempFolder folder;
    // A missing file gives an empty reader that can be written and saved.
    const std::wstring path = folder.Path(L"new.ini");
    CZVIniFileReader missing;
    ASSERT_TRUE(missing.LoadFromText(L"[S]\nOld=1\n"));
    EXPECT_TRUE(missing.Open(path.c_str())) << "drops the previous content";
    EXPECT_EQ(folder.Path(), missing.GetFolder());
    EXPECT_EQ(L"<default>", Get(missing, L"S", L"Old"));
    EXPECT_EQ(1, missing.WriteProfileString(L"S", L"K", L"v"));
    EXPECT_TRUE(missing.Save());
    EXPECT_EQ(Utf16Bytes(L"[S]\r\nK=v\r\n"), ReadFileBytes(path));

    ASSERT_TRUE(folder.MakeDir(L"dir.ini"));
    CZVIniFileReader directory;
    EXPECT_FALSE(directory.Open(folder.Path(L"dir.ini").c_str()));
    EXPECT_EQ(nullptr, directory.GetFolder());

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
    HANDLE closer = CloseLater(holder, 60); // released while the reader waits (default bound 2 s)
    ASSERT_NE(nullptr, closer);
    EXPECT_TRUE(patient.Open(folder.Path(L"locked.ini").c_str()));
    EXPECT_EQ(L"v", Get(patient, L"S", L"K"));
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
}

TEST(IniReader, ReadersOfOnePathShareOneParsedContent)
{
    TempFolder folder;
    ASSERT_TRUE(folder.Write(L"Shared.ini", "[S]\nK=disk\nQ=\"quoted\"\n"));
    const std::wstring path = folder.Path(L"Shared.ini");
    std::wstring upper = path;
    for (auto& c : upper)
        c = towupper(c);
    CZVIniFileReader first, second;
    ASSERT_TRUE(first.Open(path.c_str()));
    ASSERT_TRUE(second.Open(upper.c_str()));
    EXPECT_EQ(1, first.WriteProfileString(L"S", L"K", L"changed"));
    EXPECT_EQ(L"changed", Get(second, L"S", L"K"));
    EXPECT_TRUE(second.IsModified());
    // Served from the cache, not the disk; a reader keeping quotes parses anew.
    ASSERT_TRUE(folder.Write(L"Shared.ini", "[S]\nK=rewritten\nQ=\"quoted\"\n"));
    CZVIniFileReader third, raw;
    raw.SetQuoteStripping(false);
    ASSERT_TRUE(third.Open(path.c_str()) && raw.Open(path.c_str()));
    EXPECT_EQ(L"changed", Get(third, L"S", L"K"));
    EXPECT_EQ(L"\"quoted\"", Get(raw, L"S", L"Q"));
    EXPECT_EQ(L"rewritten", Get(raw, L"S", L"K"));

    // Text from memory is not cached, but the files it includes are.
    ASSERT_TRUE(folder.Write(L"inc.ini", "[I]\nK=included\n"));
    CZVIniFileReader memory, direct;
    ASSERT_TRUE(memory.LoadFromText((L"$include <" + folder.Path(L"inc.ini") + L">\n").c_str()));
    ASSERT_TRUE(folder.Write(L"inc.ini", "[I]\nK=rewritten\n"));
    ASSERT_TRUE(direct.Open(folder.Path(L"inc.ini").c_str()));
    EXPECT_EQ(L"included", Get(direct, L"I", L"K"));
}

TEST(IniReader, ConcurrentOpensOfOnePathAgree)
{
    TempFolder folder;
    std::string text = "[S]\n";
    for (int i = 0; i < 500; ++i)
        text += "K" + std::to_string(i) + "=" + std::to_string(i * 3) + "\n";
    ASSERT_TRUE(folder.Write(L"busy.ini", text));
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

TEST(IniReader, WritesRemovalsAndRefusals)
{
    CZVIniFileReader reader;
    EXPECT_EQ(0, reader.WriteProfileString(L"S", L"K", L"v")) << "not loaded";
    ASSERT_TRUE(reader.LoadFromText(L"[S]\nA=1\nB=2\n[T]\nC=3\n"));
    EXPECT_EQ(0, reader.WriteProfileString(nullptr, L"A", L"x"));
    EXPECT_FALSE(reader.IsModified());
    EXPECT_EQ(1, reader.WriteProfileString(L"s", L"a", L"one"));
    EXPECT_EQ(L"one", Get(reader, L"S", L"A"));
    EXPECT_EQ(1, reader.WriteProfileString(L"New", L"N", L"n"));
    EXPECT_EQ(1, reader.WriteProfileString(L"S", L"B", nullptr));
    EXPECT_EQ(1, reader.WriteProfileString(L"T", nullptr, nullptr));
    EXPECT_EQ(1, reader.WriteProfileString(L"NoSuchSection", nullptr, nullptr));
    EXPECT_EQ((Names{L"S", L"New"}), List(reader, nullptr));
    EXPECT_EQ((Names{L"A"}), List(reader, L"S"));
    // What would not read back the same from a file is refused.
    const wchar_t* const refused[][3] = {{L"S", L"a=b", L"v"}, {L"S", L";c", L"v"}, {L"S", L"K", L"two\nlines"},
                                         {L"S]", L"K", L"v"}};
    for (const auto& row : refused)
        EXPECT_EQ(0, reader.WriteProfileString(row[0], row[1], row[2])) << row[1];

    // Merging copies sections and keys; a section is read and written whole.
    CZVIniFileReader source, unloaded;
    ASSERT_TRUE(source.LoadFromText(L"[s]\na=2\nB=\"3\"\n[Empty]\n"));
    EXPECT_FALSE(reader.Merge(&unloaded));
    EXPECT_TRUE(reader.Merge(&source));
    EXPECT_EQ(L"2", Get(reader, L"S", L"A"));
    EXPECT_EQ((Names{L"S", L"New", L"Empty"}), List(reader, nullptr));
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
    EXPECT_EQ(1, reader.WriteProfileString(L"dialog", L"text", L"Bye"));
    EXPECT_EQ(1, reader.WriteProfileString(L"Dialog", L"Added", L"new"));
    EXPECT_EQ(1, reader.WriteProfileString(L"Other", L"Gone", nullptr));
    EXPECT_EQ(1, reader.WriteProfileString(L"Third", L"X", L"3"));
    ASSERT_TRUE(reader.Save());
    EXPECT_FALSE(reader.IsModified());
    const std::string saved = "; header\r\nOrphan=above\r\n\r\n[Dialog]\r\n  Text = Bye\r\n# about the size\r\n"
                              "Size=10\r\nAdded=new\r\n\r\n[Other]\r\nKeep=2\r\n; end\r\n[Third]\r\nX=3\r\n";
    EXPECT_EQ(saved, ReadFileBytes(path));

    // UTF-16 big-endian stays so; ANSI refuses what it cannot hold.
    ASSERT_TRUE(folder.Write(L"be.ini", Utf16Bytes(L"; \u00FC\r\n[S]\r\nK=\u0416\r\n", true)));
    CZVIniFileReader wide;
    ASSERT_TRUE(wide.Open(folder.Path(L"be.ini").c_str()));
    EXPECT_EQ(1, wide.WriteProfileString(L"S", L"K", L"\u4E2D"));
    ASSERT_TRUE(wide.Save());
    EXPECT_EQ(Utf16Bytes(L"; \u00FC\r\n[S]\r\nK=\u4E2D\r\n", true), ReadFileBytes(folder.Path(L"be.ini")));
    EXPECT_EQ(1, reader.WriteProfileString(L"S", L"K", L"\u4E2D\u6587"));
    EXPECT_FALSE(reader.Save());
    EXPECT_EQ(saved, ReadFileBytes(path)) << "the file is left as it was";
    EXPECT_FALSE(reader.SetEncoding(4));
    ASSERT_TRUE(reader.SetEncoding(CZVIniFileReader::eUtf16LE));
    ASSERT_TRUE(reader.Save());
    EXPECT_EQ(Utf16Bytes(std::wstring(saved.begin(), saved.end()) + L"[S]\r\nK=\u4E2D\u6587\r\n"), ReadFileBytes(path));

    // A value that an include supplies is written below the include.
    ASSERT_TRUE(folder.Write(L"inc.ini", "[S]\nK=included\n"));
    ASSERT_TRUE(folder.Write(L"main.ini", "[S]\nK=main\n$include <inc.ini>\n"));
    CZVIniFileReader including, reloaded;
    ASSERT_TRUE(including.Open(folder.Path(L"main.ini").c_str()));
    EXPECT_EQ(1, including.WriteProfileString(L"S", L"K", L"mine"));
    ASSERT_TRUE(including.Save(folder.Path(L"out.ini").c_str()));
    EXPECT_EQ("[S]\r\n$include <inc.ini>\r\n[S]\r\nK=mine\r\n", ReadFileBytes(folder.Path(L"out.ini")));
    ASSERT_TRUE(reloaded.Open(folder.Path(L"out.ini").c_str()));
    EXPECT_EQ(L"mine", Get(reloaded, L"S", L"K"));
}
