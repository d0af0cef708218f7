// ZvString behaviour: sharing and copy-on-write, locking, the block pools,
// editing and extraction bounds, searching, splitting, numbers and resources.
// Block headers are inspected through the documented layout: the
// ZvStringData record directly precedes the characters.
#include "ZvOSAL/ZvString.h"
#include "osal/ResourceLanguage.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace ZvOSAL;

namespace {

const ZvStringData* Header(const ZvString& s) { return reinterpret_cast<const ZvStringData*>(s.c_str()) - 1; }

ZvStringPoolStatistics Statistics()
{
    ZvStringPoolStatistics stats{};
    ZvString::GetPoolStatistics(stats);
    return stats;
}

std::vector<std::wstring> ToVector(const ZvStringList& list)
{
    std::vector<std::wstring> out;
    for (const ZvString& s : list)
        out.emplace_back(s.c_str(), static_cast<size_t>(s.GetLength()));
    return out;
}

std::vector<std::wstring> Tokens(const wchar_t* text, const wchar_t* separator)
{
    ZvStringList list;
    list.push_back(ZvString(L"stale"));
    EXPECT_TRUE(ZvString(text).Tokenize(separator, list));
    return ToVector(list);
}

struct Edit {
    const char* name;
    std::function<void(ZvString&)> apply;
};

// Every member that changes a string, applied to a string of "  Mixed text, Mixed text  ".
const std::vector<Edit>& Edits()
{
    static const std::vector<Edit> edits = {
        {"SetAt", [](ZvString& s) { s.SetAt(2, L'#'); }},
        {"append string", [](ZvString& s) { s += ZvString(L"++"); }},
        {"append text", [](ZvString& s) { s += L"++"; }},
        {"append wchar", [](ZvString& s) { s += L'+'; }},
        {"append char", [](ZvString& s) { s += '+'; }},
        {"Insert char", [](ZvString& s) { s.Insert(1, L'#'); }},
        {"Insert text", [](ZvString& s) { s.Insert(1, L"##"); }},
        {"Delete", [](ZvString& s) { s.Delete(0, 3); }},
        {"Replace char", [](ZvString& s) { s.Replace(L'x', L'#'); }},
        {"Replace text", [](ZvString& s) { s.Replace(L"Mixed", L"#"); }},
        {"Remove", [](ZvString& s) { s.Remove(L'x'); }},
        {"MakeUpper", [](ZvString& s) { s.MakeUpper(); }},
        {"MakeLower", [](ZvString& s) { s.MakeLower(); }},
        {"MakeReverse", [](ZvString& s) { s.MakeReverse(); }},
        {"Trim", [](ZvString& s) { s.Trim(); }},
        {"TrimLeft set", [](ZvString& s) { s.TrimLeft(L" M"); }},
        {"TrimRight char", [](ZvString& s) { s.TrimRight(L' '); }},
        {"GetBuffer", [](ZvString& s) { s.GetBuffer(0)[0] = L'#'; s.ReleaseBuffer(); }},
        {"GetBufferSetLength", [](ZvString& s) { s.GetBufferSetLength(4)[0] = L'#'; }},
        {"ReleaseBuffer shorter", [](ZvString& s) { s.GetBuffer(0); s.ReleaseBuffer(3); }},
        {"LockBuffer", [](ZvString& s) { s.LockBuffer()[0] = L'#'; }},
        {"FreeExtra", [](ZvString& s) { s.FreeExtra(); s += L'#'; }},
        {"Empty", [](ZvString& s) { s.Empty(); }},
        {"Format", [](ZvString& s) { s.Format(L"%d", 5); }},
        {"FromInt", [](ZvString& s) { s.FromInt(5); }},
        {"assign text", [](ZvString& s) { s = L"other"; }},
        {"assign char", [](ZvString& s) { s = 'c'; }},
        {"assign ansi", [](ZvString& s) { s = "ansi"; }},
        {"LoadString", [](ZvString& s) { s.LoadString(142); }},
    };
    return edits;
}

const wchar_t kEditSubject[] = L"  Mixed text, Mixed text  ";

} // namespace

// ---------------------------------------------------------------- sharing

TEST(StringSharing, EmptyStringsAllocateNothing)
{
    const ZvStringPoolStatistics before = Statistics();
    ZvString a;
    ZvString b(L"");
    ZvString c(L"x", 0);
    ZvString d(L'x', 0);
    ZvString e(static_cast<const char*>(nullptr));
    EXPECT_EQ(a.c_str(), b.c_str());
    EXPECT_EQ(a.c_str(), c.c_str());
    EXPECT_EQ(a.c_str(), d.c_str());
    EXPECT_EQ(a.c_str(), e.c_str());
    EXPECT_EQ(-1, Header(a)->nRefs);
    EXPECT_EQ(0, a.GetAllocLength());
    EXPECT_EQ(before.blocksInUse[0], Statistics().blocksInUse[0]);
}

TEST(StringSharing, CopiesShareAndCountReferences)
{
    ZvString original(L"counted");
    EXPECT_EQ(1, Header(original)->nRefs);
    {
        ZvString copy(original);
        ZvString assigned;
        assigned = copy;
        EXPECT_EQ(original.c_str(), copy.c_str());
        EXPECT_EQ(original.c_str(), assigned.c_str());
        EXPECT_EQ(3, Header(original)->nRefs);
    }
    EXPECT_EQ(1, Header(original)->nRefs);

    ZvString moved(std::move(original));
    EXPECT_EQ(1, Header(moved)->nRefs);
    EXPECT_TRUE(original.IsEmpty());
}

TEST(StringSharing, AChangeToOneCopyNeverShowsInAnother)
{
    for (const Edit& edit : Edits()) {
        SCOPED_TRACE(edit.name);
        // The copy changes; the original keeps its text and its block.
        ZvString original(kEditSubject);
        const wchar_t* block = original.c_str();
        ZvString copy(original);
        edit.apply(copy);
        EXPECT_STREQ(kEditSubject, original);
        EXPECT_EQ(block, original.c_str());
        EXPECT_EQ(1, Header(original)->nRefs);

        // The original changes; the copy keeps the text.
        ZvString second(kEditSubject);
        ZvString secondCopy(second);
        edit.apply(second);
        EXPECT_STREQ(kEditSubject, secondCopy);
    }
}

TEST(StringSharing, WholeStringExtractionSharesTheBlock)
{
    const ZvString s(L"whole");
    EXPECT_EQ(s.c_str(), s.Mid(0).c_str());
    EXPECT_EQ(s.c_str(), s.Mid(-3, 99).c_str());
    EXPECT_EQ(s.c_str(), s.Left(5).c_str());
    EXPECT_EQ(s.c_str(), s.Right(9).c_str());
    EXPECT_EQ(s.c_str(), (s + L"").c_str());
    EXPECT_EQ(s.c_str(), (ZvString() + s).c_str());
    EXPECT_NE(s.c_str(), s.Mid(1).c_str());
}

TEST(StringSharing, LockedStringsCopyDeepAndKeepTheirBlock)
{
    ZvString locked(L"locked");
    wchar_t* buffer = locked.LockBuffer();
    EXPECT_EQ(-1, Header(locked)->nRefs);

    ZvString copy(locked);
    ZvString assigned;
    assigned = locked;
    ZvString moved(std::move(locked));
    EXPECT_NE(locked.c_str(), copy.c_str());
    EXPECT_NE(locked.c_str(), assigned.c_str());
    EXPECT_NE(locked.c_str(), moved.c_str());
    EXPECT_EQ(buffer, locked.c_str()) << "a locked source keeps its block when moved from";
    buffer[0] = L'L';
    EXPECT_STREQ(L"locked", copy);
    EXPECT_STREQ(L"locked", assigned);
    EXPECT_STREQ(L"Locked", locked);

    // A locked target keeps its block and receives the characters.
    const ZvString other(L"other");
    locked = other;
    EXPECT_EQ(buffer, locked.c_str());
    EXPECT_STREQ(L"other", locked);
    EXPECT_NE(other.c_str(), locked.c_str());
    locked.Empty();
    EXPECT_EQ(buffer, locked.c_str());
    EXPECT_EQ(0, locked.GetLength());

    // Growing beyond the block keeps the lock.
    locked = ZvString(L'x', 100);
    EXPECT_EQ(-1, Header(locked)->nRefs);
    ZvString deep(locked);
    EXPECT_NE(deep.c_str(), locked.c_str());

    locked.UnlockBuffer();
    EXPECT_EQ(1, Header(locked)->nRefs);
    ZvString shared(locked);
    EXPECT_EQ(shared.c_str(), locked.c_str());

    // Unlocking a string that was never locked leaves its count alone.
    shared.UnlockBuffer();
    EXPECT_EQ(2, Header(shared)->nRefs);
}

// ---------------------------------------------------------------- pools

TEST(StringPools, CapacityIsThePoolSizeUpTo512ThenExact)
{
    const struct {
        int length, capacity;
    } cases[] = {{1, 64}, {64, 64}, {65, 128}, {128, 128}, {129, 256}, {256, 256}, {257, 512}, {512, 512},
                 {513, 513}, {5000, 5000}};
    for (const auto& c : cases) {
        const ZvString s(L'a', c.length);
        EXPECT_EQ(c.length, s.GetLength());
        EXPECT_EQ(c.capacity, s.GetAllocLength()) << c.length;
        EXPECT_EQ(0, s[c.length]);
    }
}

TEST(StringPools, AFreedBlockIsReused)
{
    for (int length : {10, 100, 200, 400}) {
        const wchar_t* first;
        {
            ZvString s(L'a', length);
            first = s.c_str();
        }
        ZvString again(L'b', length);
        EXPECT_EQ(first, again.c_str()) << length;
    }
}

TEST(StringPools, BlockCountsFollowAllocationAndRelease)
{
    const ZvStringPoolStatistics before = Statistics();
    {
        std::vector<ZvString> strings;
        for (int i = 0; i < 70; ++i)
            strings.emplace_back(L'a', 100);  // pool of 128
        strings.emplace_back(L'b', 700);
        const ZvStringPoolStatistics during = Statistics();
        EXPECT_EQ(before.blocksInUse[1] + 70, during.blocksInUse[1]);
        EXPECT_EQ(before.heapBlocksInUse + 1, during.heapBlocksInUse);
        EXPECT_GE(during.blocksAllocated[1], during.blocksInUse[1]);
        EXPECT_EQ(0, during.blocksAllocated[1] % 64) << "pools grow by chunks of 64 blocks";
    }
    const ZvStringPoolStatistics after = Statistics();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(before.blocksInUse[i], after.blocksInUse[i]) << i;
    EXPECT_EQ(before.heapBlocksInUse, after.heapBlocksInUse);
}

TEST(StringPools, AppendingGrowsToExactlyTheNewLength)
{
    ZvString s(L'a', 10);
    const wchar_t* block = s.c_str();
    s += ZvString(L'b', 54);
    EXPECT_EQ(block, s.c_str()) << "64 units fit the first block";
    s += L'c';
    EXPECT_EQ(65, s.GetLength());
    EXPECT_EQ(128, s.GetAllocLength());

    ZvString large(L'a', 600);
    large += L'b';
    EXPECT_EQ(601, large.GetAllocLength());
    large += large;
    EXPECT_EQ(1202, large.GetLength());
    EXPECT_EQ(L'b', large[600]);
    EXPECT_EQ(L'a', large[601]);
    EXPECT_EQ(L'b', large[1201]);
    large += large.c_str() + 1200;
    EXPECT_EQ(1204, large.GetLength());
}

TEST(StringPools, BufferAccess)
{
    ZvString s(L"abc");
    wchar_t* buffer = s.GetBuffer(300);
    EXPECT_EQ(512, s.GetAllocLength());
    EXPECT_EQ(3, s.GetLength());
    EXPECT_STREQ(L"abc", buffer);
    wcscpy(buffer, L"written");
    s.ReleaseBuffer();
    EXPECT_EQ(7, s.GetLength());
    s.ReleaseBuffer(2);
    EXPECT_STREQ(L"wr", s);

    s.FreeExtra();
    EXPECT_EQ(64, s.GetAllocLength());
    ZvString large(L'a', 2000);
    large.Delete(0, 1000);
    large.FreeExtra();
    EXPECT_EQ(1000, large.GetAllocLength());
    EXPECT_EQ(1000, large.GetLength());

    wchar_t* set = s.GetBufferSetLength(5);
    EXPECT_EQ(5, s.GetLength());
    EXPECT_EQ(0, set[5]);
}

// ---------------------------------------------------------------- construction, access

TEST(StringConstruction, SourcesAndSignExtension)
{
    EXPECT_STREQ(L"ab", ZvString(L"abc", 2));
    EXPECT_EQ(5, ZvString(L"ab\0cd", 5).GetLength());
    EXPECT_EQ(2, ZvString(L"ab\0cd", 5).GetCharCount());
    EXPECT_EQ(0u, ZvString().GetCharAt(0));
    EXPECT_EQ(static_cast<unsigned>(L'b'), ZvString(L"ab").GetCharAt(1));
    EXPECT_TRUE(ZvString(L'z', -4).IsEmpty());

    ZvString s;
    s = static_cast<char>(0xE9);
    EXPECT_EQ(0xFFE9, s[0]);
    s += static_cast<char>(0x41);
    s += static_cast<char>(0x80);
    EXPECT_EQ(L'A', s[1]);
    EXPECT_EQ(0xFF80, s[2]);
    s = L'w';
    EXPECT_STREQ(L"w", s);

    // 8-bit text without a code page is the ANSI code page's.
    const char ansi[] = "\xe9t\xe9";
    wchar_t expected[8] = {};
    MultiByteToWideChar(CP_ACP, 0, ansi, -1, expected, 8);
    EXPECT_STREQ(expected, ZvString(ansi));
    EXPECT_STREQ(expected, ZvString(reinterpret_cast<const unsigned char*>(ansi)));
    s = ansi;
    EXPECT_STREQ(expected, s);
    EXPECT_EQ(2, ZvString(ansi, 2).GetLength());
    EXPECT_EQ(3, ZvString("a\0b", 3).GetLength()) << "a byte length converts exactly that many bytes";
}

TEST(StringConstruction, CodePages)
{
    const wchar_t wide[] = L"a\u00e9\u20ac\U0001F600";
    const char utf8[] = "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80";
    EXPECT_STREQ(wide, ZvString(utf8, ZvCodepageUtf8));
    EXPECT_STREQ(L"a?????????", ZvString(utf8, ZvCodepage7Bit));
    EXPECT_TRUE(ZvString("text", static_cast<ZvCodepages>(12345)).IsEmpty()) << "unknown code page";
}

// ---------------------------------------------------------------- editing

TEST(StringEditing, DeleteClampsAndReturnsThePreviousLength)
{
    ZvString s(L"abc");
    EXPECT_EQ(3, s.Delete(0, 1));
    EXPECT_STREQ(L"bc", s);

    s = L"abcdef";
    EXPECT_EQ(6, s.Delete(-5, 2));
    EXPECT_STREQ(L"cdef", s);
    EXPECT_EQ(4, s.Delete(2, 100));
    EXPECT_STREQ(L"cd", s);
    EXPECT_EQ(2, s.Delete(2, 1));
    EXPECT_EQ(2, s.Delete(0, 0));
    EXPECT_EQ(2, s.Delete(1, -1));
    EXPECT_STREQ(L"cd", s);
    EXPECT_EQ(2, s.Delete(0, 2));
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(0, s.Delete(0, 1));
}

TEST(StringEditing, InsertClampsTheIndex)
{
    ZvString s(L"bd");
    EXPECT_EQ(3, s.Insert(-3, L'a'));
    EXPECT_EQ(4, s.Insert(2, L'c'));
    EXPECT_EQ(6, s.Insert(100, L"ef"));
    EXPECT_STREQ(L"abcdef", s);
    EXPECT_EQ(6, s.Insert(3, L""));
    EXPECT_EQ(6, s.Insert(3, static_cast<const wchar_t*>(nullptr)));
    EXPECT_EQ(9, s.Insert(0, s.c_str() + 3));
    EXPECT_STREQ(L"defabcdef", s);

    ZvString empty;
    EXPECT_EQ(1, empty.Insert(5, L'x'));
    EXPECT_STREQ(L"x", empty);
}

TEST(StringEditing, ReplaceDoesNotOverlap)
{
    ZvString s(L"aaaa");
    EXPECT_EQ(2, s.Replace(L"aa", L"b"));
    EXPECT_STREQ(L"bb", s);

    s = L"aaa";
    EXPECT_EQ(1, s.Replace(L"aa", L"b"));
    EXPECT_STREQ(L"ba", s);

    s = L"a-a";
    EXPECT_EQ(2, s.Replace(L"a", L"aa")) << "the replacement is not searched again";
    EXPECT_STREQ(L"aa-aa", s);

    s = L"x.y.z";
    EXPECT_EQ(2, s.Replace(L".", nullptr));
    EXPECT_STREQ(L"xyz", s);
    EXPECT_EQ(0, s.Replace(L"", L"q"));
    EXPECT_EQ(0, s.Replace(static_cast<const wchar_t*>(nullptr), L"q"));
    EXPECT_EQ(0, s.Replace(L"nothere", L"q"));
    EXPECT_EQ(1, s.Replace(L"y", s.c_str()));
    EXPECT_STREQ(L"xxyzz", s);
    EXPECT_EQ(1, s.Replace(L"xxyzz", L""));
    EXPECT_TRUE(s.IsEmpty());

    s = L"banana";
    EXPECT_EQ(3, s.Replace(L'a', L'o'));
    EXPECT_STREQ(L"bonono", s);
    EXPECT_EQ(0, s.Replace(L'o', L'o'));
    EXPECT_EQ(3, s.Remove(L'o'));
    EXPECT_STREQ(L"bnn", s);
    EXPECT_EQ(0, s.Remove(L'q'));
}

TEST(StringEditing, CaseReverseAndTrim)
{
    ZvString s(L"MiXeD");
    EXPECT_STREQ(L"MIXED", s.MakeUpper());
    EXPECT_STREQ(L"mixed", s.MakeLower());
    EXPECT_STREQ(L"dexim", s.MakeReverse());

    s = L" \t\r\n text \t ";
    EXPECT_STREQ(L"text \t ", ZvString(s).TrimLeft());
    EXPECT_STREQ(L" \t\r\n text", ZvString(s).TrimRight());
    EXPECT_STREQ(L"text", ZvString(s).Trim());
    EXPECT_STREQ(L"", ZvString(L"   ").Trim());
    EXPECT_STREQ(L"a--", ZvString(L"--a--").TrimLeft(L'-'));
    EXPECT_STREQ(L"a", ZvString(L"xyaxy").Trim(L"yx"));
    EXPECT_STREQ(L"xyaxy", ZvString(L"xyaxy").Trim(L""));
    EXPECT_STREQ(L"xya", ZvString(L"xyaxy").TrimRight(L"xy"));
}

// ---------------------------------------------------------------- extraction

TEST(StringExtraction, Bounds)
{
    const ZvString s(L"abcdef");
    EXPECT_STREQ(L"", s.Mid(6));
    EXPECT_STREQ(L"", s.Mid(60));
    EXPECT_STREQ(L"", s.Mid(6, 2));
    EXPECT_STREQ(L"f", s.Mid(5));
    EXPECT_STREQ(L"abc", s.Mid(-2, 3));
    EXPECT_STREQ(L"cdef", s.Mid(2, 100));
    EXPECT_STREQ(L"", s.Mid(2, -1));
    EXPECT_STREQ(L"", s.Left(-1));
    EXPECT_STREQ(L"", s.Left(0));
    EXPECT_STREQ(L"ab", s.Left(2));
    EXPECT_STREQ(L"abcdef", s.Left(100));
    EXPECT_STREQ(L"ef", s.Right(2));
    EXPECT_STREQ(L"abcdef", s.Right(100));
    EXPECT_STREQ(L"", s.Right(-3));
    EXPECT_STREQ(L"abc", s.SpanIncluding(L"cba"));
    EXPECT_STREQ(L"", s.SpanIncluding(L"x"));
    EXPECT_STREQ(L"abcd", s.SpanExcluding(L"fe"));
    EXPECT_STREQ(L"abcdef", s.SpanExcluding(L"xyz"));
}

// ---------------------------------------------------------------- searching

TEST(StringSearching, IndexesAndLimits)
{
    const ZvString s(L"abcabc");
    EXPECT_EQ(1, s.Find(L'b'));
    EXPECT_EQ(4, s.Find(L'b', 2));
    EXPECT_EQ(-1, s.Find(L'b', 5));
    EXPECT_EQ(-1, s.Find(L'a', 6));
    EXPECT_EQ(-1, s.Find(L'z'));
    EXPECT_EQ(3, s.Find(L"abc", 1));
    EXPECT_EQ(-1, s.Find(L"abc", 4));
    EXPECT_EQ(6, s.Find(L"", 6));
    EXPECT_EQ(-1, s.Find(L"", 7));
    EXPECT_EQ(-1, s.Find(static_cast<const wchar_t*>(nullptr)));
    EXPECT_EQ(4, s.ReverseFind(L'b'));
    EXPECT_EQ(-1, s.ReverseFind(L'z'));
    EXPECT_EQ(1, s.FindOneOf(L"xcb"));
    EXPECT_EQ(5, s.ReverseFindOneOf(L"xcb"));
    EXPECT_EQ(-1, s.FindOneOf(L"xyz"));
    EXPECT_EQ(-1, s.FindOneOf(L""));
    EXPECT_EQ(3, ZvString(L"HayNEEDLE").FindNoCase(L"needle"));
    EXPECT_EQ(-1, ZvString(L"HayNEEDLE").FindNoCase(L"needle", 4));
    // Units past an embedded 0 are searched too.
    EXPECT_EQ(3, ZvString(L"ab\0c", 4).Find(L'c'));
}

// ---------------------------------------------------------------- comparison

TEST(StringComparison, OrdinalAndCaseInsensitive)
{
    const ZvString s(L"apple");
    EXPECT_EQ(0, s.Compare(L"apple"));
    EXPECT_EQ(-1, s.Compare(L"zebra"));
    EXPECT_EQ(1, s.Compare(L"Apple"));
    EXPECT_EQ(1, s.Compare(nullptr));
    EXPECT_EQ(-1, s.Compare(L"apples"));
    EXPECT_EQ(-1, ZvString(L"z").Compare(L"\xFFFF"));
    EXPECT_EQ(0, s.CompareNoCase(L"APPLE"));
    EXPECT_GT(0, s.CompareNoCase(L"BANANA"));
    EXPECT_EQ(0, s.Collate(L"apple"));
    EXPECT_EQ(0, s.CollateNoCase(L"APPLE"));
    EXPECT_TRUE(s == ZvString(L"apple"));
    EXPECT_FALSE(s == ZvString(L"appl"));
    EXPECT_TRUE(ZvString() == static_cast<const wchar_t*>(nullptr));
}

TEST(StringComparison, StartsWithAndEndsWith)
{
    const ZvString s(L"Close the door");
    EXPECT_TRUE(s.StartsWith(L"Close"));
    EXPECT_TRUE(s.StartsWith(s));
    EXPECT_FALSE(s.StartsWith(L"close"));
    EXPECT_FALSE(s.StartsWith(L""));
    EXPECT_FALSE(s.StartsWith(nullptr));
    EXPECT_FALSE(s.StartsWith(L"Close the door!"));
    EXPECT_TRUE(s.EndsWith(L"door"));
    EXPECT_FALSE(s.EndsWith(L"the"));
    EXPECT_FALSE(s.EndsWith(L""));
    EXPECT_FALSE(ZvString(L"or").EndsWith(L"door"));
    // Identifiers below 0x10000 are string-table entries (142: "Close").
    EXPECT_TRUE(s.StartsWith(MAKEINTRESOURCEW(142)));
    EXPECT_TRUE(ZvString(L"Please Close").EndsWith(MAKEINTRESOURCEW(142)));
    EXPECT_FALSE(s.EndsWith(MAKEINTRESOURCEW(142)));
}

// ---------------------------------------------------------------- Tokenize

TEST(StringTokenize, SeparatorRules)
{
    using V = std::vector<std::wstring>;
    EXPECT_EQ((V{L"a", L"b"}), Tokens(L",a,b", L",")) << "no leading empty token";
    EXPECT_EQ((V{L"a", L"", L"b"}), Tokens(L"a,,b", L",")) << "empty token between adjacent separators";
    EXPECT_EQ((V{L"a", L"b"}), Tokens(L"a,b,", L",")) << "no trailing empty token";
    EXPECT_EQ((V{L"abc"}), Tokens(L"abc", L","));
    EXPECT_EQ((V{}), Tokens(L"", L","));
    EXPECT_EQ((V{L"", L"a"}), Tokens(L",,a", L","));
    EXPECT_EQ((V{}), Tokens(L",", L","));
    // After a match the search goes on one unit past its start, so the rest
    // of a longer separator begins the next token.
    EXPECT_EQ((V{L"a", L":b"}), Tokens(L"a::b", L"::"));
    EXPECT_EQ((V{L":a", L":b"}), Tokens(L"::a::b", L"::"));
    EXPECT_EQ((V{L"a,b"}), Tokens(L"a,b", L""));
    EXPECT_EQ((V{L"a,b"}), Tokens(L"a,b", nullptr));
}

// ---------------------------------------------------------------- numbers

TEST(StringNumbers, ParseAndFormat)
{
    EXPECT_EQ(42, ZvString(L"  42abc").ToInt());
    EXPECT_EQ(255, ZvString(L"ff").ToInt(16));
    EXPECT_EQ(0, ZvString(L"abc").ToInt());
    EXPECT_EQ(-7, ZvString(L"-7").ToInt());
    EXPECT_EQ(4294967295u, ZvString(L"4294967295").ToUInt());
    EXPECT_EQ(9223372036854775807LL, ZvString(L"9223372036854775807").ToInt64());
    EXPECT_EQ(-12LL, ZvString(L" -12x").ToInt64());
    EXPECT_DOUBLE_EQ(1500.0, ZvString(L"1.5e3").ToDouble());
    EXPECT_FLOAT_EQ(0.25f, ZvString(L"0.25").ToFloat());
    EXPECT_DOUBLE_EQ(0.0, ZvString(L"x1").ToDouble());

    ZvString s;
    EXPECT_STREQ(L"-5", s.FromInt(-5));
    EXPECT_STREQ(L"4000000000", s.FromUInt(4000000000u));
    EXPECT_STREQ(L"-9223372036854775808", s.FromInt64(-9223372036854775807LL - 1));
    EXPECT_STREQ(L"1.500000", s.FromDouble(1.5));
    EXPECT_STREQ(L"0.250000", s.FromFloat(0.25f));
    s.FromDouble(1e300);
    EXPECT_EQ(301 + 7, s.GetLength());
}

// ---------------------------------------------------------------- resources

TEST(StringResources, IdentifiersLoadEnglishUkStrings)
{
    EXPECT_STREQ(L"Bytes", ZvString(MAKEINTRESOURCEW(113)));
    EXPECT_STREQ(L"kB", ZvString(MAKEINTRESOURCEW(116)));
    EXPECT_STREQ(L"Exabytes", ZvString(MAKEINTRESOURCEW(133)));
    EXPECT_STREQ(L"%s   %d%% (%s / %s)", ZvString(MAKEINTRESOURCEW(146)));
    EXPECT_STREQ(L"Checking update...", ZvString(MAKEINTRESOURCEW(152)));
    EXPECT_STREQ(L"Transferring program files...", ZvString(MAKEINTRESOURCEW(1024)));
    EXPECT_TRUE(ZvString(MAKEINTRESOURCEW(5000)).IsEmpty());

    ZvString s;
    s = MAKEINTRESOURCEW(149);
    EXPECT_STREQ(L"Cancel", s);
    s.Format(146u, L"Downloading", 50, L"1 kB", L"2 kB");
    EXPECT_STREQ(L"Downloading   50% (1 kB / 2 kB)", s);
}

TEST(StringResources, LanguageSelectionAndFallback)
{
    const wchar_t* text = nullptr;
    int length = 0;
    EXPECT_TRUE(FindResourceString(142, 2057, text, length));
    EXPECT_EQ(5, length);
    EXPECT_FALSE(FindResourceString(142, 1044, text, length)) << "Norwegian is not among the resources";
    EXPECT_FALSE(FindResourceString(0x10000 + 142, 2057, text, length));

    EXPECT_EQ(2057, GetResourceLanguage());
    SetResourceLanguage(1044);
    EXPECT_EQ(1044, GetResourceLanguage());
    EXPECT_STREQ(L"Close", ZvString(MAKEINTRESOURCEW(142))) << "English (United Kingdom) is the fallback";
    SetResourceLanguage(0);
    EXPECT_EQ(2057, GetResourceLanguage());
}

// Strings of the test's own resources (StringTestResources.rc): entry 60001
// exists in German and English (UK), 60002 in German only, 60003 is 700 units
// long, 60004 holds an embedded 0.
TEST(StringResources, ExplicitLanguageBeatsTheLowestLanguage)
{
    // A lookup without a language would find German (1031 < 2057) under Wine.
    EXPECT_STREQ(L"English", ZvString(MAKEINTRESOURCEW(60001)));
    SetResourceLanguage(1031);
    EXPECT_STREQ(L"Deutsch", ZvString(MAKEINTRESOURCEW(60001)));
    EXPECT_STREQ(L"Nur Deutsch", ZvString(MAKEINTRESOURCEW(60002)));
    SetResourceLanguage(1036);
    EXPECT_STREQ(L"English", ZvString(MAKEINTRESOURCEW(60001)));
    EXPECT_TRUE(ZvString(MAKEINTRESOURCEW(60002)).IsEmpty());
    SetResourceLanguage(0);

    ZvString longText;
    EXPECT_NE(0, longText.LoadString(60003));
    EXPECT_EQ(700, longText.GetLength()) << "strings longer than 256 units load in full";
    EXPECT_EQ(L'<', longText[0]);
    EXPECT_EQ(L'>', longText[699]);

    ZvString cut;
    EXPECT_NE(0, cut.LoadString(60004));
    EXPECT_STREQ(L"before", cut);
    EXPECT_EQ(6, cut.GetLength()) << "the text ends at its first 0";
}
