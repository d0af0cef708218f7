// The string classes: sharing and copy-on-write (also across threads),
// locking, blocks going back to the allocator, editing, extraction, searching,
// comparison, splitting, code pages, string resources, failing allocations,
// and Format against the runtime's own output (randomised, seeded). Block
// headers are read through the documented layout: the ZvStringData record
// precedes the characters.
#include "ZvOSAL/ZvAString.h"
#include "ZvOSAL/ZvString.h"
#include "ZvOSAL/ZvWString.h"
#include "osal/AllocationFailure.h"
#include "osal/FormatLength.h"
#include "osal/ResourceLanguage.h"
#include "support/Threads.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cfloat>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <random>
#include <string>
#include <vector>

using namespace ZvOSAL;
namespace Fail = ZvOSAL::AllocationFailure;

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

// A string of the given length whose units tell where it came from.
ZvString Pattern(int seed, int length)
{
    ZvString s;
    wchar_t* out = s.GetBufferSetLength(length);
    for (int i = 0; i < length; ++i)
        out[i] = static_cast<wchar_t>(L'A' + (seed + i) % 26);
    return s;
}

// Pool and heap blocks, a heap block that grows, tokens, both formatters,
// code-page conversions and an edit buffer.
ZvString Workload(const ZvString& input)
{
    ZvStringList tokens;
    input.Tokenize(L";", tokens);
    ZvString text;
    text.Format(L"%s|%d|%.2f|%400.1f", input.c_str(), static_cast<int>(tokens.size()), 3.5, 1.0);
    ZvString large(L'x', 900);
    large += text;
    ZvAString narrow(large.c_str(), ZvCodepageUtf8);
    ZvWString wide(&narrow);
    narrow.GetBuffer(4);
    narrow.ReleaseBuffer();
    ZvString message;
    message.FormatMessageW(L"%1 %2", L"a", L"b");
    return ZvString(wide.c_str()).Right(8) + message;
}

int Bound(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    const int bound = FormatLengthBound(format, args);
    va_end(args);
    return bound;
}

// What the runtime writes, formatted into a buffer far larger than needed.
template <typename... Args>
std::wstring Reference(const wchar_t* format, Args... args)
{
    static std::vector<wchar_t> buffer(1 << 20); // one for every call: the test runs on one thread
    const int written = _snwprintf(buffer.data(), buffer.size() - 1, format, args...);
    EXPECT_GE(written, 0) << "reference output too long";
    buffer[buffer.size() - 1] = 0;
    return std::wstring(buffer.data());
}

template <typename... Args>
void ExpectAsRuntime(const std::wstring& format, Args... args)
{
    SCOPED_TRACE(std::string(format.begin(), format.end()));
    const std::wstring expected = Reference(format.c_str(), args...);
    EXPECT_GE(Bound(format.c_str(), args...), static_cast<int>(expected.size()));
    ZvString formatted;
    formatted.Format(format.c_str(), args...);
    ASSERT_EQ(static_cast<int>(expected.size()), formatted.GetLength());
    EXPECT_EQ(expected, std::wstring(formatted.c_str()));
}

} // namespace

TEST(String, CopiesShareTheBlockUntilOneChanges)
{
    const long blocks = BlocksInUse();
    ZvString original(L"counted");
    {
        ZvString copy(original), assigned;
        assigned = copy;
        EXPECT_TRUE(original.c_str() == copy.c_str() && original.c_str() == assigned.c_str());
        EXPECT_EQ(3, Header(original)->nRefs);
    }
    EXPECT_EQ(1, Header(original)->nRefs);

    // Every member that changes a string changes only its own copy.
    const std::vector<std::function<void(ZvString&)>> edits = {
        [](ZvString& s) { s.SetAt(2, L'#'); }, [](ZvString& s) { s += ZvString(L"++"); },
        [](ZvString& s) { s.Insert(1, L"##"); }, [](ZvString& s) { s.Delete(0, 3); },
        [](ZvString& s) { s.Replace(L"Mixed", L"#"); }, [](ZvString& s) { s.Remove(L'x'); },
        [](ZvString& s) { s.MakeUpper(); }, [](ZvString& s) { s.TrimLeft(L" M"); },
        [](ZvString& s) { s.GetBuffer(0)[0] = L'#'; s.ReleaseBuffer(); },
        [](ZvString& s) { s.LockBuffer()[0] = L'#'; }, [](ZvString& s) { s.Format(L"%d", 5); },
    };
    const wchar_t subject[] = L"  Mixed text, Mixed text  ";
    for (size_t i = 0; i < edits.size(); ++i) {
        ZvString source(subject), copy(source);
        const wchar_t* block = source.c_str();
        edits[i](copy);
        EXPECT_TRUE(source == subject && block == source.c_str()) << "edit " << i;
    }
    EXPECT_EQ(blocks + 1, BlocksInUse()) << "only the original's block is left";
}

TEST(String, LockedStringsNeverShareAndBuffersGrow)
{
    ZvString locked(L"locked");
    wchar_t* buffer = locked.LockBuffer();
    ZvString copy(locked);
    buffer[0] = L'L';
    EXPECT_STREQ(L"locked", copy);
    locked = ZvString(L"other"); // a locked target keeps its block
    EXPECT_TRUE(buffer == locked.c_str() && locked == L"other");
    locked.UnlockBuffer();
    EXPECT_EQ(ZvString(locked).c_str(), locked.c_str());

    const long blocks = BlocksInUse();
    {
        ZvString large(L'a', 600);
        large += L'b';
        large += large; // appending itself
        EXPECT_EQ(1202, large.GetLength());
        large += large.c_str() + 1200; // a part of itself
        EXPECT_EQ(L"abab", W(large.Right(4)));
    }
    EXPECT_EQ(blocks, BlocksInUse()) << "every block went back";
}

TEST(String, EditingExtractionSearchingAndComparison)
{
    const struct {
        const wchar_t* input;
        std::function<int(ZvString&)> apply;
        int result;
        const wchar_t* output;
    } edits[] = {
        {L"abcdef", [](ZvString& s) { return s.Delete(-5, 2); }, 6, L"cdef"},
        {L"bd", [](ZvString& s) { const int first = s.Insert(-3, L'a'); return first * 10 + s.Insert(2, L'c'); }, 34,
         L"abcd"},
        {L"aaaa", [](ZvString& s) { return s.Replace(L"aa", L"b"); }, 2, L"bb"}, // no overlap
        {L"xyz", [](ZvString& s) { return s.Replace(L"y", s.c_str()); }, 1, L"xxyzz"},
        {L" \t\r\n text \t ", [](ZvString& s) { return s.TrimLeft().GetLength(); }, 7, L"text \t "},
        {L"xyaxy", [](ZvString& s) { return s.Trim(L"yx").GetLength(); }, 1, L"a"},
    };
    for (const auto& row : edits) {
        ZvString s(row.input);
        EXPECT_EQ(row.result, row.apply(s)) << testing::PrintToString(std::wstring(row.input));
        EXPECT_EQ(row.output, W(s)) << testing::PrintToString(std::wstring(row.input));
    }
    const ZvString s(L"abcabc"), door(L"Close the door");
    const struct {
        ZvString actual;
        const wchar_t* expected;
    } parts[] = {{s.Mid(5), L"c"}, {s.Mid(-2, 3), L"abc"}, {s.Mid(2, -1), L""}, {s.Left(-1), L""},
                 {s.Right(2), L"bc"}, {s.SpanIncluding(L"ba"), L"ab"}, {s.SpanExcluding(L"c"), L"ab"}};
    for (const auto& row : parts)
        EXPECT_EQ(row.expected, W(row.actual));
    const int numbers[][2] = {
        {s.Find(L'b', 2), 4}, {s.Find(L'a', 6), -1}, {s.Find(L"abc", 1), 3}, {s.Find(L"abc", 4), -1},
        {s.Find(L"", 6), 6}, {s.ReverseFind(L'b'), 4}, {s.FindOneOf(L"xcb"), 1},
        {s.ReverseFindOneOf(L"xcb"), 5}, {ZvString(L"HayNEEDLE").FindNoCase(L"needle", 4), -1},
        {ZvString(L"ab\0c", 4).Find(L'c'), 3}, // units past an embedded 0 are searched too
        {ZvString(L"apple").Compare(L"apples"), -1}, {ZvString(L"z").Compare(L"\xFFFF"), -1},
        {ZvString(L"apple").CompareNoCase(L"APPLE"), 0},
        {door.StartsWith(L""), false}, {door.StartsWith(L"Close the door!"), false}, {door.EndsWith(L"door"), true},
        {door.StartsWith(MAKEINTRESOURCEW(142)), true}, // string-table entry 142: "Close"
        {ZvString(L"ab") < L"b" && L"aa" < ZvString(L"ab"), true},
        {ZvString(L"z") < ZvString(L"\u00e9"), true}, // ordinal: U+E9 sorts after 'z'
    };
    for (size_t i = 0; i < sizeof(numbers) / sizeof(numbers[0]); ++i)
        EXPECT_EQ(numbers[i][1], numbers[i][0]) << "row " << i;
    EXPECT_EQ(0xFFE9, (s + static_cast<char>(0xE9))[6]) << "a char is sign-extended";
}

TEST(String, Tokenize)
{
    const wchar_t* const rows[][3] = {
        {L",a,,b,", L",", L"a||b|"}, // no leading or trailing empty token
        {L"::a::b", L"::", L":a|:b|"}, // the search goes on one unit past a match's start
        {L"a,b", nullptr, L"a,b|"},
    };
    for (const auto& row : rows) {
        ZvStringList list(1, ZvString(L"stale"));
        EXPECT_TRUE(ZvString(row[0]).Tokenize(row[1], list));
        std::wstring tokens;
        for (const ZvString& token : list)
            tokens += W(token) + L"|";
        EXPECT_EQ(row[2], tokens) << row[0];
    }
}

TEST(String, CodePages)
{
    const wchar_t wide[] = L"Gr\u00fc\u00dfe \u20ac \U0001F600";
    const char utf8[] = "Gr\xc3\xbc\xc3\x9f" "e \xe2\x82\xac \xf0\x9f\x98\x80";
    EXPECT_EQ(wide, W(ZvString(ZvWString(utf8, ZvCodepageUtf8))));
    EXPECT_EQ(L"a?b??", W(ZvString("a\xe9" "b\x80\xff", ZvCodepage7Bit)));
    ZvAString other("caf\xe9", kWestern, kWestern);
    EXPECT_STREQ(utf8, ZvAString(wide, ZvCodepageUtf8));
    EXPECT_STREQ("Gr??e ? ??", ZvAString(wide, ZvCodepage7Bit)) << "a surrogate pair is two units";
    EXPECT_STREQ("caf\xc3\xa9", ZvAString(&other, ZvCodepageUtf8));
    for (const char* bytes : {"\xe9", "", "\xc3", "\xc3\x41", "\xbf\xa9", "x\xc3\xa9"})
        EXPECT_EQ(bytes[0] == 'x', ZvAString::isUTF8(ZvAString(bytes, kWestern, kWestern))) << bytes;
}

// The test's own string table (StringTestResources.rc): 60001 in German and
// English (UK), 60002 in German only, 60003 700 units long, 60004 with an
// embedded 0.
TEST(String, ResourcesInTheCurrentLanguageWithEnglishAsFallback)
{
    ZvString s;
    // A lookup without a language would find German (1031 < 2057) under Wine.
    EXPECT_STREQ(L"English", ZvString(MAKEINTRESOURCEW(60001)));
    SetResourceLanguage(1031);
    EXPECT_STREQ(L"Deutsch", ZvString(MAKEINTRESOURCEW(60001)));
    EXPECT_STREQ(L"Nur Deutsch", ZvString(MAKEINTRESOURCEW(60002)));
    SetResourceLanguage(1036);
    EXPECT_STREQ(L"English", ZvString(MAKEINTRESOURCEW(60001)));
    EXPECT_TRUE(ZvString(MAKEINTRESOURCEW(60002)).IsEmpty());
    SetResourceLanguage(0);
    EXPECT_TRUE(s.LoadString(60003) && s.GetLength() == 700) << "strings longer than 256 units load in full";
    EXPECT_TRUE(s.LoadString(60004) && W(s) == L"before") << "the text ends at its first 0";
    EXPECT_TRUE(s.LoadString(9999) == 0 && s.IsEmpty());
}

TEST(StringThreads, SharedBlocksAndPoolsUnderConcurrency)
{
    const long before = BlocksInUse();
    const int lengths[] = {5, 60, 100, 200, 300, 500, 900, 3000}; // every pool and the heap
    {
        std::vector<ZvString> shared;
        for (int i = 0; i < 8; ++i)
            shared.push_back(Pattern(i, lengths[i]));
        std::atomic<int> failures{0};
        std::vector<HANDLE> threads;
        for (int t = 0; t < 6; ++t)
            threads.push_back(zvtest::StartThread([&, t] {
                std::mt19937 random(1000u + static_cast<unsigned>(t));
                std::vector<ZvString> mine(50);
                for (int round = 0; round < 20000; ++round) {
                    const int which = round < 10000 ? 0 : static_cast<int>(random() % 8); // first: one count
                    ZvString copy(shared[which]), second;
                    second = copy;
                    if (random() % 2) { // copy-on-write: the change stays in this copy
                        second.SetAt(0, L'#');
                        failures += second[0] != L'#';
                    }
                    if (copy.c_str() != shared[which].c_str() || !(copy == Pattern(which, lengths[which])))
                        ++failures;
                    mine[random() % 50] = Pattern(round, 1 + static_cast<int>(random() % 700)); // every pool
                }
            }));
        WaitForMultipleObjects(6, threads.data(), TRUE, INFINITE);
        for (HANDLE thread : threads)
            CloseHandle(thread);
        EXPECT_EQ(0, failures.load());
        for (int i = 0; i < 8; ++i)
            EXPECT_TRUE(shared[i] == Pattern(i, lengths[i]) && Header(shared[i])->nRefs == 1) << i;
    }
    EXPECT_EQ(before, BlocksInUse());
}

// Failures come from the test-only allocation-failure hook: each point of the
// work in turn throws std::bad_alloc, leaves no block behind and disturbs no
// string that existed before.
TEST(AllocationFailure, EveryPointOfTheWorkFailsCleanly)
{
    Fail::Scope scope;
    const ZvString input(L"alpha;beta;;gamma");
    const ZvString expected = Workload(input);
    Fail::CountOnly();
    Workload(input);
    const long points = Fail::Allocations();
    Fail::Reset();
    ASSERT_GE(points, 10);
    const long blocks = BlocksInUse();
    for (int n = 1; n <= points; ++n) {
        Fail::FailNth(n);
        EXPECT_THROW(Workload(input), std::bad_alloc) << "allocation " << n;
        Fail::Reset();
        EXPECT_EQ(blocks, BlocksInUse()) << "blocks left behind after allocation " << n << " failed";
        EXPECT_EQ(L"alpha;beta;;gamma", input);
    }
    Fail::FailNth(static_cast<int>(points) + 1);
    EXPECT_EQ(expected, Workload(input)) << "armed beyond the last point: nothing fails";
}

// The common conversions are compared with the runtime by the randomised test
// below; these are the extremes.
TEST(StringFormat, OutputIsNeverCut)
{
    ExpectAsRuntime(L"%f|%.300f|%-400.2f|%*.*f|%.200e|%#.300g", DBL_MAX, -DBL_MAX, 1e200, -350, 20, 123.456, -DBL_MAX,
                    DBL_MIN);
    ExpectAsRuntime(L"%*.*d|%-*X|%.*s|%*S", -15, 7, 42, 9, 0xBEEFu, 3, L"abcdef", 12, "narrow");
    ZvString s;
    const std::wstring wide(100000, L'w');
    const std::string narrow(70000, 'n');
    s.Format(L"<%s|%S|%s>", wide.c_str(), narrow.c_str(), wide.c_str());
    ASSERT_EQ(270004, s.GetLength());
    EXPECT_EQ(L'n', s[100002]);
    s = L"abc";
    s.Format(L"%s-%s", s.c_str(), s.c_str());
    EXPECT_STREQ(L"abc-abc", s) << "an argument that is the string itself";
    s.FormatMessage(L"%1 and %2!d! and %1", L"one", 2);
    EXPECT_STREQ(L"one and 2 and one", s);
    EXPECT_TRUE(s.FormatErrorCode(ERROR_FILE_NOT_FOUND) && !s.IsEmpty() && !s.FormatErrorCode(0x2FFFFFFF));
}

// One conversion at a time with random flags, width, precision, size and
// argument, compared with the runtime writing into a large buffer. Integer
// conversions keep width <= 20 and precision <= 16: Wine 8's msvcrt corrupts
// its heap beyond that (measured: "%#23I64x", "%29.20d", "%.23d").
TEST(StringFormat, RandomFormatsMatchTheRuntimeAndStayWithinTheBound)
{
    std::mt19937 random(20240611);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const wchar_t flagChars[] = L"-+0 #";
    std::wstring wideText;
    std::string narrowText;
    for (int trial = 0; trial < 1500; ++trial) {
        const int kind = pick(7);
        const bool integer = kind <= 1;
        std::wstring format = std::wstring(static_cast<size_t>(pick(4)), L'.') + L'%';
        for (int i = 0; i < 5; ++i)
            format += pick(4) == 0 ? std::wstring(1, flagChars[i]) : L"";
        // Width and precision as digits (the '*' forms: OutputIsNeverCut).
        if (pick(2))
            format += std::to_wstring(integer ? pick(21) : pick(60));
        if (pick(2))
            format += L'.' + std::to_wstring(integer ? pick(17) : pick(60));
        auto check = [&](auto value) { ExpectAsRuntime(format, value); };
        switch (kind) {
        case 0:
            format += std::wstring(1, L"dixXou"[pick(6)]) + L"tail";
            check(static_cast<int>(random()));
            break;
        case 1:
            format += std::wstring(L"I64") + L"dixXou"[pick(6)];
            check(static_cast<long long>((static_cast<unsigned long long>(random()) << 32) | random()));
            break;
        case 2: {
            const double magnitudes[] = {0.0, 1e-300, 0.5, 3.25, 1e15, 1e100, 1e308, DBL_MAX};
            format += L"feEgG"[pick(5)];
            check(magnitudes[pick(8)] * (pick(2) ? -1 : 1) * (1 + pick(1000) / 1000.0));
            break;
        }
        case 3:
            wideText.assign(static_cast<size_t>(pick(400)), static_cast<wchar_t>(L'a' + pick(26)));
            format += pick(2) ? L"s" : L"ls";
            check(pick(10) == 0 ? static_cast<const wchar_t*>(nullptr) : wideText.c_str());
            break;
        case 4:
            narrowText.assign(static_cast<size_t>(pick(400)), static_cast<char>('A' + pick(26)));
            format += pick(2) ? L"S" : L"hs";
            check(pick(10) == 0 ? static_cast<const char*>(nullptr) : narrowText.c_str());
            break;
        case 5: // wide and narrow characters
            format += std::wstring(L"clCh").substr(static_cast<size_t>(pick(4)), 1) + L"c";
            check(static_cast<int>(L'!' + pick(90)));
            break;
        default:
            format = L"%%" + format + L"p";
            check(reinterpret_cast<void*>(static_cast<uintptr_t>(random())));
            break;
        }
        if (HasFailure())
            break;
    }
}
