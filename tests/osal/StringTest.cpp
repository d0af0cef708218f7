// The string classes: sharing and copy-on-write, locking, blocks going back
// to the allocator, editing, extraction, searching, comparison, splitting,
// numbers, code pages and string resources. Block headers are read through
// the documented layout: the ZvStringData record precedes the characters.
#include "ZvOSAL/ZvAString.h"
#include "ZvOSAL/ZvString.h"
#include "ZvOSAL/ZvWString.h"
#include "osal/ResourceLanguage.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace ZvOSAL;

namespace {

const ZvStringData* Header(const ZvString& s) { return reinterpret_cast<const ZvStringData*>(s.c_str()) - 1; }

long BlocksInUse()
{
    ZvStringPoolStatistics stats{};
    ZvString::GetPoolStatistics(stats);
    return stats.blocksInUse[0] + stats.blocksInUse[1] + stats.blocksInUse[2] + stats.blocksInUse[3] +
           stats.heapBlocksInUse;
}

std::wstring W(const ZvString& s) { return std::wstring(s.c_str(), static_cast<size_t>(s.GetLength())); }

const ZvCodepages kWestern = static_cast<ZvCodepages>(1252);

// An edit applied to a string; returns what the member returned (0 for none).
struct Edit {
    const wchar_t* input;
    std::function<int(ZvString&)> apply;
    int result;
    const wchar_t* output;
};

} // namespace

TEST(String, CopiesShareTheBlockUntilOneChanges)
{
    const long blocks = BlocksInUse();
    ZvString empty, fromEmpty(L""), fromNull(static_cast<const char*>(nullptr)), none(L'x', 0);
    EXPECT_TRUE(empty.c_str() == fromEmpty.c_str() && empty.c_str() == fromNull.c_str() &&
                empty.c_str() == none.c_str());
    EXPECT_EQ(-1, Header(empty)->nRefs) << "the shared empty block is never counted";
    EXPECT_EQ(blocks, BlocksInUse()) << "empty strings allocate nothing";

    ZvString original(L"counted");
    {
        ZvString copy(original), assigned;
        assigned = copy;
        EXPECT_TRUE(original.c_str() == copy.c_str() && original.c_str() == assigned.c_str());
        EXPECT_EQ(3, Header(original)->nRefs);
    }
    EXPECT_EQ(1, Header(original)->nRefs);
    for (const ZvString& part : {original.Mid(-3, 99), original.Right(9), ZvString() + original})
        EXPECT_EQ(original.c_str(), part.c_str()) << "a result that is the whole string shares its block";

    // Every member that changes a string changes only its own copy.
    const std::vector<std::function<void(ZvString&)>> edits = {
        [](ZvString& s) { s.SetAt(2, L'#'); }, [](ZvString& s) { s += ZvString(L"++"); },
        [](ZvString& s) { s += '+'; }, [](ZvString& s) { s.Insert(1, L"##"); }, [](ZvString& s) { s.Delete(0, 3); },
        [](ZvString& s) { s.Replace(L'x', L'#'); }, [](ZvString& s) { s.Replace(L"Mixed", L"#"); },
        [](ZvString& s) { s.Remove(L'x'); }, [](ZvString& s) { s.MakeUpper(); }, [](ZvString& s) { s.MakeReverse(); },
        [](ZvString& s) { s.Trim(); }, [](ZvString& s) { s.TrimLeft(L" M"); },
        [](ZvString& s) { s.GetBuffer(0)[0] = L'#'; s.ReleaseBuffer(); },
        [](ZvString& s) { s.GetBufferSetLength(4)[0] = L'#'; }, [](ZvString& s) { s.LockBuffer()[0] = L'#'; },
        [](ZvString& s) { s.FreeExtra(); s += L'#'; }, [](ZvString& s) { s.Empty(); },
        [](ZvString& s) { s.Format(L"%d", 5); }, [](ZvString& s) { s = "ansi"; },
        [](ZvString& s) { s.LoadString(142); },
    };
    const wchar_t subject[] = L"  Mixed text, Mixed text  ";
    for (size_t i = 0; i < edits.size(); ++i) {
        ZvString source(subject);
        const wchar_t* block = source.c_str();
        ZvString copy(source);
        edits[i](copy);
        EXPECT_STREQ(subject, source) << "edit " << i;
        EXPECT_EQ(block, source.c_str()) << "edit " << i;
        ZvString other(subject), otherCopy(other);
        edits[i](other);
        EXPECT_STREQ(subject, otherCopy) << "edit " << i;
    }
    EXPECT_EQ(blocks + 1, BlocksInUse()) << "only the original's block is left";
}

TEST(String, LockedStringsNeverShare)
{
    ZvString locked(L"locked");
    wchar_t* buffer = locked.LockBuffer();
    ZvString copy(locked), moved;
    EXPECT_NE(locked.c_str(), copy.c_str());
    moved = std::move(locked);
    EXPECT_EQ(buffer, locked.c_str()) << "a locked source keeps its block when moved from";
    buffer[0] = L'L';
    EXPECT_STREQ(L"locked", copy);
    EXPECT_STREQ(L"locked", moved);
    // A locked target keeps its block and receives the characters; growing
    // keeps the lock.
    locked = ZvString(L"other");
    EXPECT_EQ(buffer, locked.c_str());
    EXPECT_STREQ(L"other", locked);
    locked = ZvString(L'x', 100);
    EXPECT_NE(ZvString(locked).c_str(), locked.c_str());
    locked.UnlockBuffer();
    EXPECT_EQ(ZvString(locked).c_str(), locked.c_str());
}

TEST(String, LargeAppendsAndBufferAccess)
{
    const long blocks = BlocksInUse();
    {
        ZvString large(L'a', 600);
        large += L'b';
        large += large; // appending itself
        EXPECT_EQ(1202, large.GetLength());
        EXPECT_EQ(L"b", W(large.Mid(600, 1)));
        EXPECT_EQ(L"ab", W(large.Mid(1200)));
        large += large.c_str() + 1200; // a part of itself
        EXPECT_EQ(L"abab", W(large.Right(4)));

        ZvString s(L"abc");
        wchar_t* buffer = s.GetBuffer(300);
        EXPECT_GE(s.GetAllocLength(), 300);
        EXPECT_EQ(3, s.GetLength()) << "the content and length are kept";
        wcscpy(buffer, L"written");
        s.ReleaseBuffer();
        EXPECT_STREQ(L"written", s);
        s.ReleaseBuffer(2);
        s.FreeExtra();
        EXPECT_LT(s.GetAllocLength(), 300);
        EXPECT_STREQ(L"wr", s);
    }
    EXPECT_EQ(blocks, BlocksInUse()) << "every block went back";
}

TEST(String, Editing)
{
    const Edit rows[] = {
        {L"abc", [](ZvString& s) { return s.Delete(0, 1); }, 3, L"bc"},
        {L"abcdef", [](ZvString& s) { return s.Delete(-5, 2); }, 6, L"cdef"},
        {L"abcdef", [](ZvString& s) { return s.Delete(2, 100); }, 6, L"ab"},
        {L"bd", [](ZvString& s) { const int first = s.Insert(-3, L'a'); return first * 10 + s.Insert(2, L'c'); }, 34,
         L"abcd"},
        {L"ab", [](ZvString& s) { return s.Insert(100, L"ef"); }, 4, L"abef"},
        {L"abc", [](ZvString& s) { return s.Insert(1, static_cast<const wchar_t*>(nullptr)); }, 3, L"abc"},
        {L"abcdef", [](ZvString& s) { return s.Insert(0, s.c_str() + 3); }, 9, L"defabcdef"},
        {L"aaaa", [](ZvString& s) { return s.Replace(L"aa", L"b"); }, 2, L"bb"}, // no overlap
        {L"a-a", [](ZvString& s) { return s.Replace(L"a", L"aa"); }, 2, L"aa-aa"},
        {L"x.y.z", [](ZvString& s) { return s.Replace(L".", nullptr); }, 2, L"xyz"},
        {L"xyz", [](ZvString& s) { return s.Replace(L"y", s.c_str()); }, 1, L"xxyzz"},
        {L"xyz", [](ZvString& s) { return s.Replace(L"xyz", L""); }, 1, L""},
        {L"banana", [](ZvString& s) { return s.Replace(L'a', L'o'); }, 3, L"bonono"},
        {L"banana", [](ZvString& s) { return s.Remove(L'a'); }, 3, L"bnn"},
        {L"MiXeD", [](ZvString& s) { return s.MakeUpper().GetLength(); }, 5, L"MIXED"},
        {L"MiXeD", [](ZvString& s) { return s.MakeLower().MakeReverse().GetLength(); }, 5, L"dexim"},
        {L" \t\r\n text \t ", [](ZvString& s) { return s.TrimLeft().GetLength(); }, 7, L"text \t "},
        {L"--a--", [](ZvString& s) { return s.TrimLeft(L'-').GetLength(); }, 3, L"a--"},
        {L"xyaxy", [](ZvString& s) { return s.Trim(L"yx").GetLength(); }, 1, L"a"},
        {L"abc", [](ZvString& s) { s.SetAt(7, L'#'); return s.GetLength(); }, 3, L"abc"}, // outside: nothing
    };
    for (const Edit& row : rows) {
        ZvString s(row.input);
        EXPECT_EQ(row.result, row.apply(s)) << "input " << testing::PrintToString(std::wstring(row.input));
        EXPECT_EQ(row.output, W(s)) << "input " << testing::PrintToString(std::wstring(row.input));
    }
}

TEST(String, ExtractionSearchingAndComparison)
{
    const ZvString s(L"abcabc");
    const struct {
        ZvString actual;
        const wchar_t* expected;
    } parts[] = {
        {s.Mid(6), L""}, {s.Mid(5), L"c"}, {s.Mid(-2, 3), L"abc"}, {s.Mid(2, 100), L"cabc"}, {s.Mid(2, -1), L""},
        {s.Left(-1), L""}, {s.Right(2), L"bc"}, {s.SpanIncluding(L"ba"), L"ab"}, {s.SpanExcluding(L"c"), L"ab"},
    };
    for (const auto& row : parts)
        EXPECT_EQ(row.expected, W(row.actual));
    const struct {
        int actual, expected;
    } numbers[] = {
        {s.Find(L'b', 2), 4}, {s.Find(L'b', 5), -1}, {s.Find(L'a', 6), -1}, {s.Find(L"abc", 1), 3},
        {s.Find(L"abc", 4), -1}, {s.Find(L"", 6), 6}, {s.Find(L"", 7), -1}, {s.ReverseFind(L'b'), 4},
        {s.FindOneOf(L"xcb"), 1}, {s.ReverseFindOneOf(L"xcb"), 5},
        {ZvString(L"HayNEEDLE").FindNoCase(L"needle"), 3}, {ZvString(L"HayNEEDLE").FindNoCase(L"needle", 4), -1},
        {ZvString(L"ab\0c", 4).Find(L'c'), 3}, // units past an embedded 0 are searched too
        {ZvString(L"apple").Compare(L"Apple"), 1}, {ZvString(L"apple").Compare(nullptr), 1},
        {ZvString(L"apple").Compare(L"apples"), -1}, {ZvString(L"z").Compare(L"\xFFFF"), -1},
        {ZvString(L"apple").CompareNoCase(L"APPLE"), 0},
    };
    for (size_t i = 0; i < sizeof(numbers) / sizeof(numbers[0]); ++i)
        EXPECT_EQ(numbers[i].expected, numbers[i].actual) << "row " << i;

    const ZvString door(L"Close the door");
    const struct {
        bool actual, expected;
    } truths[] = {
        {door.StartsWith(L"close"), false}, {door.StartsWith(L""), false},
        {door.StartsWith(L"Close the door!"), false}, {door.EndsWith(L"door"), true}, {door.EndsWith(L"the"), false},
        // Identifiers below 0x10000 are string-table entries (142: "Close").
        {door.StartsWith(MAKEINTRESOURCEW(142)), true}, {door.EndsWith(MAKEINTRESOURCEW(142)), false},
        {ZvString(L"ab") != L"AB", true}, {ZvString(L"ab") < L"b" && L"aa" < ZvString(L"ab"), true},
        {ZvString(L"z") < ZvString(L"\u00e9"), true}, // ordinal: U+E9 sorts after 'z'
        {ZvString() == static_cast<const wchar_t*>(nullptr), true},
    };
    for (size_t i = 0; i < sizeof(truths) / sizeof(truths[0]); ++i)
        EXPECT_EQ(truths[i].expected, truths[i].actual) << "row " << i;

    const ZvString a(L"ab");
    EXPECT_EQ(L"xabz", W(L"x" + a + L'z'));
    EXPECT_EQ(0xFFE9, (a + static_cast<char>(0xE9))[2]) << "a char is sign-extended";
}

TEST(String, Tokenize)
{
    const struct {
        const wchar_t* text;
        const wchar_t* separator;
        std::vector<std::wstring> tokens;
    } rows[] = {
        {L",a,b", L",", {L"a", L"b"}},          // no leading empty token
        {L"a,,b", L",", {L"a", L"", L"b"}},     // an empty token between adjacent separators
        {L"a,b,", L",", {L"a", L"b"}},          // no trailing empty token
        {L"abc", L",", {L"abc"}},
        {L"", L",", {}},
        {L",,a", L",", {L"", L"a"}},
        {L",", L",", {}},
        {L"a::b", L"::", {L"a", L":b"}},        // the search goes on one unit past a match's start
        {L"::a::b", L"::", {L":a", L":b"}},
        {L"a,b", L"", {L"a,b"}},
        {L"a,b", nullptr, {L"a,b"}},
    };
    for (const auto& row : rows) {
        ZvStringList list;
        list.push_back(ZvString(L"stale"));
        EXPECT_TRUE(ZvString(row.text).Tokenize(row.separator, list));
        std::vector<std::wstring> tokens;
        for (const ZvString& token : list)
            tokens.push_back(W(token));
        EXPECT_EQ(row.tokens, tokens) << testing::PrintToString(std::wstring(row.text));
    }
}

TEST(String, CodePages)
{
    const wchar_t wide[] = L"Gr\u00fc\u00dfe \u20ac \U0001F600";
    const char utf8[] = "Gr\xc3\xbc\xc3\x9f" "e \xe2\x82\xac \xf0\x9f\x98\x80";
    const ZvCodepages unknown = static_cast<ZvCodepages>(12345);
    EXPECT_EQ(wide, W(ZvString(ZvWString(utf8, ZvCodepageUtf8))));
    EXPECT_EQ(L"a?b??", W(ZvString("a\xe9" "b\x80\xff", ZvCodepage7Bit)));
    EXPECT_EQ(std::wstring(L"a\0b", 3), W(ZvString("a\0b", 3))) << "exactly that many bytes";
    EXPECT_TRUE(ZvString("text", unknown).IsEmpty());
    ZvAString other("caf\xe9", kWestern, kWestern);
    const ZvAString converted("\xe9", ZvCodepageUtf8, kWestern);
    const struct {
        std::string actual, expected;
    } toNarrow[] = {
        {ZvAString(wide, ZvCodepageUtf8).operator const char*(), utf8},
        {ZvAString(wide, ZvCodepage7Bit).operator const char*(), "Gr??e ? ??"}, // a surrogate pair is two units
        {ZvAString("\xff\xfe", ZvCodepageUtf8, ZvCodepageUtf8).operator const char*(), "\xff\xfe"}, // unchecked
        {ZvAString(&other, ZvCodepageUtf8).operator const char*(), "caf\xc3\xa9"},
        {ZvAString(L"text", unknown).operator const char*(), ""},
        // A copy converts the stored text from the source code page once more.
        {ZvAString(converted).operator const char*(), "\xc3\x83\xc2\xa9"},
    };
    for (size_t i = 0; i < sizeof(toNarrow) / sizeof(toNarrow[0]); ++i)
        EXPECT_EQ(toNarrow[i].expected, toNarrow[i].actual) << "row " << i;
    ZvWString wideCopy(L"x");
    wideCopy = ZvWString("\xe9", kWestern);
    wideCopy = "\xfc";
    EXPECT_STREQ(L"\u00fc", wideCopy) << "8-bit text is read in the code page the copy took";

    // Edit buffers: at most n characters; the text changes at ReleaseBuffer.
    ZvAString edited(L"abcdef", ZvCodepageUtf8);
    char* buffer = edited.GetBuffer(3);
    EXPECT_STREQ("abc", buffer);
    std::strcpy(buffer, "xy");
    EXPECT_STREQ("abcdef", edited);
    edited.ReleaseBuffer();
    EXPECT_STREQ("xy", edited);
    for (const char* bytes : {"\xc3\xa9", "x\xff\xbfx"}) // a heuristic, not a validation
        EXPECT_TRUE(ZvAString::isUTF8(ZvAString(bytes, kWestern, kWestern))) << bytes;
    for (const char* bytes : {"\xe9", "", "\xc3", "\xc3\x41", "\xbf\xa9"})
        EXPECT_FALSE(ZvAString::isUTF8(ZvAString(bytes, kWestern, kWestern))) << bytes;
}

// The test's own string table (StringTestResources.rc): 60001 in German and
// English (UK), 60002 in German only, 60003 700 units long, 60004 with an
// embedded 0.
TEST(String, ResourcesInTheCurrentLanguageWithEnglishAsFallback)
{
    EXPECT_STREQ(L"Close", ZvString(MAKEINTRESOURCEW(142)));
    EXPECT_TRUE(ZvString(MAKEINTRESOURCEW(5000)).IsEmpty());
    ZvString s;
    s.Format(146u, L"Downloading", 50, L"1 kB", L"2 kB");
    EXPECT_STREQ(L"Downloading   50% (1 kB / 2 kB)", s);

    // A lookup without a language would find German (1031 < 2057) under Wine.
    EXPECT_STREQ(L"English", ZvString(MAKEINTRESOURCEW(60001)));
    SetResourceLanguage(1031);
    EXPECT_STREQ(L"Deutsch", ZvString(MAKEINTRESOURCEW(60001)));
    EXPECT_STREQ(L"Nur Deutsch", ZvString(MAKEINTRESOURCEW(60002)));
    SetResourceLanguage(1036);
    EXPECT_STREQ(L"English", ZvString(MAKEINTRESOURCEW(60001)));
    EXPECT_TRUE(ZvString(MAKEINTRESOURCEW(60002)).IsEmpty());
    SetResourceLanguage(0);
    EXPECT_EQ(2057, GetResourceLanguage());

    EXPECT_NE(0, s.LoadString(60003));
    EXPECT_EQ(700, s.GetLength()) << "strings longer than 256 units load in full";
    EXPECT_EQ(L'>', s[699]);
    EXPECT_NE(0, s.LoadString(60004));
    EXPECT_EQ(L"before", W(s)) << "the text ends at its first 0";
    EXPECT_EQ(0, s.LoadString(9999));
    EXPECT_TRUE(s.IsEmpty());
}
