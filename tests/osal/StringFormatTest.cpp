// ZvString::Format: Microsoft wide conventions, no truncation of long or huge
// output, and the one-pass size bound checked against the runtime's own
// output for randomised formats (seeded, so a failure reproduces).
#include "ZvOSAL/ZvString.h"
#include "osal/FormatLength.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cfloat>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace ZvOSAL;

namespace {

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
    std::vector<wchar_t> buffer(1 << 20);
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

TEST(StringFormat, WideAndNarrowStringsAndCharacters)
{
    ZvString s;
    s.Format(L"%s/%S/%hs/%ls/%hS/%lS", L"w1", "n1", "n2", L"w2", "n3", L"w3");
    EXPECT_STREQ(L"w1/n1/n2/w2/n3/w3", s);
    s.Format(L"%c%C%hc%lc%hC%lC", L'a', 'b', 'c', L'd', 'e', L'f');
    EXPECT_STREQ(L"abcdef", s);
    s.Format(L"%s|%S", static_cast<const wchar_t*>(nullptr), static_cast<const char*>(nullptr));
    EXPECT_STREQ(L"(null)|(null)", s);
    s.Format(L"100%% %s", L"done");
    EXPECT_STREQ(L"100% done", s);
    s.Format(L"%c", L'\u20ac');
    EXPECT_EQ(0x20AC, s[0]);
}

TEST(StringFormat, SixtyFourBitIntegers)
{
    ZvString s;
    s.Format(L"%I64d %I64u %I64x %d", LLONG_MIN, ULLONG_MAX, 0x123456789ABCDEFLL, 7);
    EXPECT_STREQ(L"-9223372036854775808 18446744073709551615 123456789abcdef 7", s);
    // An argument after a 64-bit one is read from the right place.
    s.Format(L"%I64d|%s", 1LL, L"after");
    EXPECT_STREQ(L"1|after", s);
}

TEST(StringFormat, WidthAndPrecision)
{
    ZvString s;
    s.Format(L"[%-6s][%6s][%.2s][%6.2s][%*d][%-*d][%.*s][%05d][%#x][%+d]", L"ab", L"ab", L"abcdef", L"abcdef", 4, 7,
             4, 7, 3, L"abcdef", 42, 255, 5);
    EXPECT_STREQ(L"[ab    ][    ab][ab][    ab][   7][7   ][abc][00042][0xff][+5]", s);
    // A negative width from the arguments left-justifies with its magnitude.
    s.Format(L"[%*s]", -300, L"x");
    EXPECT_EQ(302, s.GetLength());
    EXPECT_EQ(L'x', s[1]);
    s.Format(L"[%500d]", 1);
    EXPECT_EQ(502, s.GetLength());
    // Wine 8's msvcrt corrupts its heap for an integer precision above 22.
    s.Format(L"%.22d", 1);
    EXPECT_EQ(22, s.GetLength());
}

TEST(StringFormat, HugeFloatingPointValuesAreNeverCut)
{
    ExpectAsRuntime(L"%f", DBL_MAX);
    ExpectAsRuntime(L"%f", -DBL_MAX);
    ExpectAsRuntime(L"%+f", DBL_MAX);
    ExpectAsRuntime(L"% f", 1e308);
    ExpectAsRuntime(L"%.300f", -DBL_MAX);
    ExpectAsRuntime(L"%400.2f", 1.5);
    ExpectAsRuntime(L"%-400.2f|", 1e200);
    ExpectAsRuntime(L"%#.0f", 1e300);
    ExpectAsRuntime(L"%*.*f", -350, 20, 123.456);
    ExpectAsRuntime(L"%.200e", -DBL_MAX);
    ExpectAsRuntime(L"%#.300g", DBL_MIN);
    ExpectAsRuntime(L"%E %G %e", 1e-300, 1e300, 0.0);
    ExpectAsRuntime(L"%f", DBL_MIN);
    ZvString s;
    s.Format(L"%f", DBL_MAX);
    EXPECT_EQ(309 + 7, s.GetLength());
}

TEST(StringFormat, LongStringsAreNeverCut)
{
    const std::wstring wide(100000, L'w');
    const std::string narrow(70000, 'n');
    ZvString s;
    s.Format(L"<%s|%S|%s>", wide.c_str(), narrow.c_str(), wide.c_str());
    ASSERT_EQ(270004, s.GetLength());
    EXPECT_EQ(L'n', s[100002]);
    EXPECT_EQ(L'>', s[270003]);

    // An argument that is the string itself.
    s = L"abc";
    s.Format(L"%s-%s", s.c_str(), s.c_str());
    EXPECT_STREQ(L"abc-abc", s);
}

TEST(StringFormat, OddFormats)
{
    ZvString s(L"previous");
    s.Format(L"");
    EXPECT_TRUE(s.IsEmpty());
    s.Format(L"50%");
    EXPECT_STREQ(L"50", s);
    ExpectAsRuntime(L"%p", reinterpret_cast<void*>(0x1234));
    ExpectAsRuntime(L"%I64X %Id", 0xFFFFFFFFFFFFLL, static_cast<INT_PTR>(-3));
    ExpectAsRuntime(L"%Fs %Ns %Lf", L"a", L"b", 2.5);
    int count = -1;
    s.Format(L"abc%n!", &count);
    EXPECT_STREQ(L"abc!", s);
    EXPECT_EQ(3, count);
}

TEST(StringFormat, FormatMessageAndErrorCodes)
{
    ZvString s;
    s.FormatMessage(L"%1 and %2!d! and %1", L"one", 2);
    EXPECT_STREQ(L"one and 2 and one", s);
    s.FormatMessage(L"");
    EXPECT_TRUE(s.IsEmpty());

    EXPECT_TRUE(s.FormatErrorCode(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(s.IsEmpty());
    const ZvString known(s);
    EXPECT_FALSE(s.FormatErrorCode(0x2FFFFFFF));
    EXPECT_STREQ(known, s) << "no text: the string stays as it was";
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

    for (int trial = 0; trial < 3000; ++trial) {
        const int kind = pick(8);
        const bool integer = kind <= 1;
        std::wstring format(static_cast<size_t>(pick(4)), L'.');
        format += L'%';
        for (int i = 0; i < 5; ++i) {
            if (pick(4) == 0)
                format += flagChars[i];
        }
        const int widthKind = pick(3);  // none, digits, '*'
        const int starWidth = integer ? pick(41) - 20 : pick(81) - 40;
        if (widthKind == 1)
            format += std::to_wstring(integer ? pick(21) : pick(60));
        else if (widthKind == 2)
            format += L'*';
        const int precisionKind = pick(3);
        const int starPrecision = integer ? pick(22) - 5 : pick(50) - 5;
        if (precisionKind == 1)
            format += L'.' + std::to_wstring(integer ? pick(17) : pick(60));
        else if (precisionKind == 2)
            format += L".*";

        auto check = [&](auto value) {
            if (widthKind == 2 && precisionKind == 2)
                ExpectAsRuntime(format, starWidth, starPrecision, value);
            else if (widthKind == 2)
                ExpectAsRuntime(format, starWidth, value);
            else if (precisionKind == 2)
                ExpectAsRuntime(format, starPrecision, value);
            else
                ExpectAsRuntime(format, value);
        };
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
            const double value = magnitudes[pick(8)] * (pick(2) ? -1 : 1) * (1 + pick(1000) / 1000.0);
            format += L"feEgG"[pick(5)];
            check(value);
            break;
        }
        case 3:
            wideText.assign(static_cast<size_t>(pick(400)), static_cast<wchar_t>(L'a' + pick(26)));
            format += pick(2) ? L"s" : L"ls";
            if (pick(10) == 0)
                check(static_cast<const wchar_t*>(nullptr));
            else
                check(wideText.c_str());
            break;
        case 4:
            narrowText.assign(static_cast<size_t>(pick(400)), static_cast<char>('A' + pick(26)));
            format += pick(2) ? L"S" : L"hs";
            check(narrowText.c_str());
            break;
        case 5:
            format += pick(2) ? L"c" : L"lc";
            check(static_cast<int>(L'!' + pick(90)));
            break;
        case 6:
            format += pick(2) ? L"C" : L"hc";
            check(static_cast<int>('!' + pick(90)));
            break;
        default:
            format = L"%%" + format + L"p";
            check(reinterpret_cast<void*>(static_cast<uintptr_t>(random())));
            break;
        }
        if (HasFatalFailure() || testing::Test::HasFailure())
            break;
    }
}
