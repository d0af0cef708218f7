#include "online/FormatSize.h"

#include "osal/ResourceLanguage.h"
#include "resources/resource.h"

#include <cmath>
#include <cstdio>

using ZvOSAL::ZvString;

namespace {

constexpr int kLargestUnitIndex = 6;
constexpr double kLn1024 = 6.931471805599453;

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

} // namespace

unsigned int FormatSizeUnitStringId(int unitIndex, int style)
{
    if (unitIndex < 0 || unitIndex > kLargestUnitIndex || style < 0 || style > 2)
        return 0;
    return IDS_UNIT_FIRST + static_cast<unsigned int>(unitIndex * 3 + style);
}

ZvString FormatSize(std::uint64_t bytes, int style, int precision, int largestUnit, LANGID language)
{
    int unitIndex = 0;
    double value = 0.0;
    if (bytes != 0) {
        value = static_cast<double>(bytes);
        unitIndex = static_cast<int>(std::log(value) / kLn1024);
    }
    if (largestUnit >= 0 && unitIndex > largestUnit)
        unitIndex = largestUnit;
    value /= std::pow(1024.0, unitIndex);

    // Digits before the decimal point; a value below 1 occurs only for 0.
    int digits = value >= 1.0 ? static_cast<int>(std::log10(value) + 1.0) : 1;

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
