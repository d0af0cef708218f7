// Byte counts as short display texts ("1 kB", "1.50 kB", "146 Kilobytes")
// with 1024-based units whose names come from the library's string table
// (entries 113 to 133) in the user interface language.
//
// The number of units is ln(bytes) / ln(1024) truncated; the value is shown
// with `precision` significant digits when that asks for more digits than
// the value has before its decimal point, otherwise truncated (never
// rounded) to a whole number. Whole bytes never get decimals.
#pragma once

#include "ZvOSAL/ZvString.h"

#include <windows.h>

#include <cstdint>

// Unit-name styles (string-table rows): "kB", "KBytes", "Kilobytes".
enum EFormatSizeStyle {
    FormatSizeShort = 0,
    FormatSizeMedium = 1,
    FormatSizeLong = 2,
    // Any other style gives the number and one blank, no unit name.
};

// bytes: the count. style: see EFormatSizeStyle. precision: significant
// digits wanted, 0 for whole numbers. largestUnit: the largest unit index to
// use (0 bytes, 1 kilo, ... 6 exa); -1, or any other negative value, for no
// limit. The result is the number, one blank and the unit name.
//
// Unit names are taken in `language`, falling back to English (United
// Kingdom) when the string table lacks them there; language 0 means the
// current resource language (ZvOSAL::GetResourceLanguage, which the dialogs
// set to the user interface language).
ZvOSAL::ZvString FormatSize(std::uint64_t bytes, int style, int precision, int largestUnit, LANGID language = 0);

