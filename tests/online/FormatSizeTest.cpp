// FormatSize: unit choice, truncation, precision, the largest-unit limit,
// styles and unit names by language.
#include "online/FormatSize.h"
#include "osal/ResourceLanguage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr LANGID kEnglishUK = 2057;
constexpr LANGID kGerman = 1031;

std::wstring Fmt(unsigned long long bytes, int style, int precision, int largest, LANGID language = kEnglishUK)
{
    return std::wstring(FormatSize(bytes, style, precision, largest, language).c_str());
}

TEST(FormatSize, WholeBytesAndTruncatedUnits)
{
    EXPECT_EQ(L"0 Bytes", Fmt(0, 0, 0, -1));
    EXPECT_EQ(L"1 Bytes", Fmt(1, 0, 0, -1));
    EXPECT_EQ(L"1023 Bytes", Fmt(1023, 0, 0, -1));
    EXPECT_EQ(L"1 kB", Fmt(1024, 0, 0, -1));
    // Truncated, not rounded.
    EXPECT_EQ(L"1 kB", Fmt(1536, 0, 0, -1));
    EXPECT_EQ(L"1023 kB", Fmt(1024 * 1024 - 1, 0, 0, -1));
    EXPECT_EQ(L"1 MB", Fmt(1024 * 1024, 0, 0, -1));
    EXPECT_EQ(L"10 MBytes", Fmt(10485760ull, 1, 0, -1));
    EXPECT_EQ(L"3 GB", Fmt(3ull << 30, 0, 0, -1));
    EXPECT_EQ(L"5 TB", Fmt(5ull << 40, 0, 0, -1));
    EXPECT_EQ(L"2 PB", Fmt(2ull << 50, 0, 0, -1));
    // The count becomes a double first: 2^64 - 1 rounds up to 16 EiB.
    EXPECT_EQ(L"16 EB", Fmt(~0ull, 0, 0, -1));
    // Every exact power of 1024 is one of its unit, on x87 as well.
    const wchar_t* units[] = {L"1 Bytes", L"1 kB", L"1 MB", L"1 GB", L"1 TB", L"1 PB", L"1 EB"};
    for (int k = 0; k <= 6; ++k)
        EXPECT_EQ(units[k], Fmt(1ull << (10 * k), 0, 0, -1)) << "1024^" << k;
}

TEST(FormatSize, PrecisionAddsDecimalsOnlyWhenDigitsAreMissing)
{
    EXPECT_EQ(L"1.50 kB", Fmt(1536, 0, 3, -1));
    EXPECT_EQ(L"1.5 kB", Fmt(1536, 0, 2, -1));
    EXPECT_EQ(L"1 kB", Fmt(1536, 0, 1, -1));
    // 146.48 KB: three digits already, precision 2 asks for none more.
    EXPECT_EQ(L"146 Kilobytes", Fmt(150000, 2, 2, -1));
    EXPECT_EQ(L"146 Kilobytes", Fmt(150000, 2, 3, -1));
    EXPECT_EQ(L"146.5 Kilobytes", Fmt(150000, 2, 4, -1));
    // Whole bytes never get decimals.
    EXPECT_EQ(L"5 Bytes", Fmt(5, 0, 4, -1));
    EXPECT_EQ(L"0 Bytes", Fmt(0, 0, 5, -1));
}

TEST(FormatSize, LargestUnitLimitsTheUnit)
{
    EXPECT_EQ(L"1024 kB", Fmt(1048576, 0, 0, 1));
    EXPECT_EQ(L"1048576 Bytes", Fmt(1048576, 0, 0, 0));
    EXPECT_EQ(L"1 MB", Fmt(1048576, 0, 0, 2));   // a limit above the unit changes nothing
    EXPECT_EQ(L"1 MB", Fmt(1048576, 0, 0, -1));
    EXPECT_EQ(L"3072 MB", Fmt(3ull << 30, 0, 0, 2));
    // Exact whole bytes even where a double would round.
    EXPECT_EQ(L"18446744073709551615 Bytes", Fmt(~0ull, 0, 0, 0));
}

TEST(FormatSize, StylesAndUnitNames)
{
    EXPECT_EQ(L"2 KBytes", Fmt(2048, 1, 0, -1));
    EXPECT_EQ(L"2 Kilobytes", Fmt(2048, 2, 0, -1));
    EXPECT_EQ(L"2 Megabytes", Fmt(2u << 20, 2, 0, -1));
    EXPECT_EQ(L"7 Bytes", Fmt(7, 2, 0, -1));
    // Styles outside 0..2 give the number and a single blank.
    EXPECT_EQ(L"2 ", Fmt(2048, 3, 0, -1));
    EXPECT_EQ(L"1.50 ", Fmt(1536, -1, 3, -1));
    EXPECT_EQ(L"0 ", Fmt(0, 3, 0, -1));

    EXPECT_EQ(0u, FormatSizeUnitStringId(7, 0));
    EXPECT_EQ(0u, FormatSizeUnitStringId(-1, 0));
    EXPECT_EQ(0u, FormatSizeUnitStringId(0, 3));
    EXPECT_EQ(113u, FormatSizeUnitStringId(0, 0));
    EXPECT_EQ(133u, FormatSizeUnitStringId(6, 2));
    // Every cell of the table has an English name.
    for (int unit = 0; unit <= 6; ++unit)
        for (int style = 0; style <= 2; ++style) {
            unsigned long long bytes = 1ull << (10 * unit);
            std::wstring shown = Fmt(bytes, style, 0, -1);
            EXPECT_EQ(L"1 ", shown.substr(0, 2)) << unit << "/" << style;
            EXPECT_GT(shown.size(), 2u) << unit << "/" << style;
        }
}

TEST(FormatSize, GermanUnitNames)
{
    EXPECT_EQ(L"0 Bytes", Fmt(0, 0, 0, -1, kGerman));
    EXPECT_EQ(L"10 MByte", Fmt(10485760ull, 1, 0, -1, kGerman));
    EXPECT_EQ(L"146 Kilobyte", Fmt(150000, 2, 2, -1, kGerman));
    EXPECT_EQ(L"1 Gigabyte", Fmt(1ull << 30, 2, 0, -1, kGerman));
}

TEST(FormatSize, DefaultLanguageIsTheCurrentResourceLanguage)
{
    ZvOSAL::SetResourceLanguage(kGerman);
    EXPECT_EQ(L"2 KByte", std::wstring(FormatSize(2048, 1, 0, -1).c_str()));
    ZvOSAL::SetResourceLanguage(kEnglishUK);
    EXPECT_EQ(L"2 KBytes", std::wstring(FormatSize(2048, 1, 0, -1).c_str()));
    // A language the library has no strings in falls back to English (UK).
    EXPECT_EQ(L"2 KBytes", Fmt(2048, 1, 0, -1, 0x0436 /* Afrikaans */));
    ZvOSAL::SetResourceLanguage(0);
}

} // namespace
