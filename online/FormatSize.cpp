#include "online/FormatSize.h"

#include "osal/ResourceLanguage.h"
#include "resources/resource.h"

#include <cmath>
#include <cstdio>

using ZvOSAL::ZvString;

namespace {

constexpr int kLargestUnitIndex = 6;

// The largest k with 1024^k <= value, by exact steps of 2^10: a log
// quotient lands just below a whole number for exact powers of 1024 on x87
// (80-bit intermediates), which truncated to the unit below.
int UnitIndexOf(double value)
{
    int index = 0;
    while (value >= 1024.0) {
        value = std::ldexp(value, -10);
        ++index;
    }
    return index;
}

// Digits before the decimal point of a value of at least 1.
int IntegerDigits(double value)
{
    int digits = 1;
    for (auto whole = static_cast<std::uint64_t>(value); whole >= 10; whole /= 10)
        ++digits;
    return digits;
}

// Entry `id` in `language`, else in English (United Kingdom); empty when the
// table has neither.
ZvString LoadUnitName(unsigned int id, LANGID language)
{
    const wchar_t* text = nullptr;
    int length = 0;
    if (ZvOSAL::FindResourceString(id, language, text, length) ||
        ZvOSAL::FindResourceString(id, ZvOSAL::kFallbackResourceLanguage, text, length))
        return ZvString(text, length);
    return ZvString();
}

// The string-table entry that names unit `unitIndex` in `style`, or 0 when
// the pair has no name (index outside 0..6, style outside 0..2).
unsigned int FormatSizeUnitStringId(int unitIndex, int style)
{
    if (unitIndex < 0 || unitIndex > kLargestUnitIndex || style < 0 || style > 2)
        return 0;
    return IDS_UNIT_FIRST + static_cast<unsigned int>(unitIndex * 3 + style);
}

} // namespace

ZvString FormatSize(std::uint64_t bytes, int style, int precision, int largestUnit, LANGID language)
{
    // The count becomes a double first (2^64 - 1 rounds up to 16 EiB).
    const double count = static_cast<double>(bytes);
    int unitIndex = UnitIndexOf(count);
    if (largestUnit >= 0 && unitIndex > largestUnit)
        unitIndex = largestUnit;
    // Division by a power of two: exact.
    const double value = std::ldexp(count, -10 * unitIndex);

    // A value below 1 occurs only for 0.
    const int digits = IntegerDigits(value);

    wchar_t number[64] = {};
    if (precision > digits && unitIndex != 0) {
        _snwprintf(number, 63, L"%.*f", precision - digits, value);
    } else if (unitIndex == 0) {
        // Whole bytes: the count itself, exact even beyond a double's 53 bits.
        _snwprintf(number, 63, L"%I64u", static_cast<unsigned long long>(bytes));
    } else {
        _snwprintf(number, 63, L"%I64d", static_cast<long long>(value));
    }

    ZvString text(number);
    text += L' ';
    if (unsigned int id = FormatSizeUnitStringId(unitIndex, style))
        text += LoadUnitName(id, language != 0 ? language : ZvOSAL::GetResourceLanguage());
    return text;
}
