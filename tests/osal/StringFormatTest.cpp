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

// The common conversions are compared with the runtime by the randomised test
// below; these are the extremes.
TEST(StringFormat, OutputIsNeverCut)
{
    ExpectAsRuntime(L"%f|%+f|% f|%.300f", DBL_MAX, -DBL_MAX, 1e308, -DBL_MAX);
    ExpectAsRuntime(L"%400.2f|%-400.2f|%#.0f|%*.*f", 1.5, 1e200, 1e300, -350, 20, 123.456);
    ExpectAsRuntime(L"%.200e|%#.300g|[%*s][%500d]|%Fs %Ns %Lf", -DBL_MAX, DBL_MIN, -300, L"x", 1, L"a", L"b", 2.5);
    ZvString s;
    s.Format(L"%.22d|%S", 1, static_cast<const char*>(nullptr)); // Wine 8's msvcrt breaks above 22 digits
    EXPECT_STREQ(L"0000000000000000000001|(null)", s);
    const std::wstring wide(100000, L'w');
    const std::string narrow(70000, 'n');
    s.Format(L"<%s|%S|%s>", wide.c_str(), narrow.c_str(), wide.c_str());
    ASSERT_EQ(270004, s.GetLength());
    EXPECT_EQ(L'n', s[100002]);
    s = L"abc";
    s.Format(L"%s-%s", s.c_str(), s.c_str());
    EXPECT_STREQ(L"abc-abc", s) << "an argument that is the string itself";
    s.Format(L"");
    EXPECT_TRUE(s.IsEmpty());
}

TEST(StringFormat, FormatMessageAndErrorCodes)
{
    ZvString s;
    s.FormatMessage(L"%1 and %2!d! and %1", L"one", 2);
    EXPECT_STREQ(L"one and 2 and one", s);
    EXPECT_TRUE(s.FormatErrorCode(ERROR_FILE_NOT_FOUND));
    const ZvString known(s);
    EXPECT_FALSE(known.IsEmpty());
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

    for (int trial = 0; trial < 1500; ++trial) {
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
        case 6: // wide and narrow characters
            format += std::wstring(L"clCh").substr(static_cast<size_t>(pick(4)), 1) + L"c";
            check(static_cast<int>(L'!' + pick(90)));
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
