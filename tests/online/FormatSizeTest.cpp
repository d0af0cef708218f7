// FormatSize: unit choice, truncation, precision, the largest-unit limit,
// styles and unit names by language, as one table.
#include "online/FormatSize.h"
#include "osal/ResourceLanguage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr LANGID kEnglishUK = 2057;
constexpr LANGID kGerman = 1031;

struct SizeCase {
    unsigned long long bytes;
    int style, precision, largest;
    LANGID language;
    const wchar_t* text;
};

TEST(FormatSize, Table)
{
    const SizeCase cases[] = {
        {0, 0, 0, -1, kEnglishUK, L"0 Bytes"},
        {1023, 0, 0, -1, kEnglishUK, L"1023 Bytes"},
        {1536, 0, 0, -1, kEnglishUK, L"1 kB"}, // truncated, not rounded
        {1024 * 1024 - 1, 0, 0, -1, kEnglishUK, L"1023 kB"},
        {10485760ull, 1, 0, -1, kEnglishUK, L"10 MBytes"},
        {~0ull, 0, 0, -1, kEnglishUK, L"16 EB"}, // a double first: 2^64 - 1 rounds up
        {1536, 0, 3, -1, kEnglishUK, L"1.50 kB"},
        {1536, 0, 2, -1, kEnglishUK, L"1.5 kB"},
        {150000, 2, 2, -1, kEnglishUK, L"146 Kilobytes"}, // three digits already
        {150000, 2, 4, -1, kEnglishUK, L"146.5 Kilobytes"},
        {5, 0, 4, -1, kEnglishUK, L"5 Bytes"}, // whole bytes never get decimals
        {1048576, 0, 0, 1, kEnglishUK, L"1024 kB"},
        {1048576, 0, 0, 0, kEnglishUK, L"1048576 Bytes"},
        {1048576, 0, 0, 2, kEnglishUK, L"1 MB"},
        {~0ull, 0, 0, 0, kEnglishUK, L"18446744073709551615 Bytes"},
        {2048, 3, 0, -1, kEnglishUK, L"2 "}, // no unit name outside the styles
        {1536, -1, 3, -1, kEnglishUK, L"1.50 "},
        {10485760ull, 1, 0, -1, kGerman, L"10 MByte"},
        {1ull << 30, 2, 0, -1, kGerman, L"1 Gigabyte"},
        {2048, 1, 0, -1, 0x0436 /* Afrikaans: no strings, English (UK) */, L"2 KBytes"},
    };
    for (const SizeCase& c : cases)
        EXPECT_EQ(c.text, std::wstring(FormatSize(c.bytes, c.style, c.precision, c.largest, c.language).c_str()))
            << c.bytes << " " << c.style << "/" << c.precision << "/" << c.largest << " language " << c.language;
    // Every exact power of 1024 is one of its unit, on x87 as well, and every
    // unit has a name in every style.
    const wchar_t* units[] = {L"1 Bytes", L"1 kB", L"1 MB", L"1 GB", L"1 TB", L"1 PB", L"1 EB"};
    for (int k = 0; k <= 6; ++k) {
        EXPECT_EQ(units[k], std::wstring(FormatSize(1ull << (10 * k), 0, 0, -1, kEnglishUK).c_str()));
        for (int style = 1; style <= 2; ++style)
            EXPECT_GT(std::wstring(FormatSize(1ull << (10 * k), style, 0, -1, kEnglishUK).c_str()).size(), 2u);
    }
    // Without a language argument: the current resource language.
    ZvOSAL::SetResourceLanguage(kGerman);
    EXPECT_EQ(L"2 KByte", std::wstring(FormatSize(2048, 1, 0, -1).c_str()));
    ZvOSAL::SetResourceLanguage(0);
}

} // namespace
