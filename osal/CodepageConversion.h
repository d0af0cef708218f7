// Code-page conversion shared by ZvString, ZvAString and ZvWString. Code page
// ZvCodepage7Bit (65002) is converted here without the system: bytes and
// units below 0x80 are copied, every other one becomes '?'. Failures
// (unknown code page, invalid input) give 0 / null, never an error.
#pragma once

#include "ZvOSAL/ZvCodepages.h"

#include <cstddef>
#include <string>

namespace ZvOSAL {
namespace Codepage {

// UTF-16 units that length bytes of text (no terminator counted) convert to;
// 0 on failure.
int WideLength(const char* text, int length, ZvCodepages codepage);
// Converts length bytes into out (room for capacity units, no terminator
// written); returns the units written, 0 on failure.
int ToWide(const char* text, int length, ZvCodepages codepage, wchar_t* out, int capacity);

// Heap (new[]) NUL-terminated conversions; null for null or empty input and
// on failure. Free with delete[].
wchar_t* NewWide(const char* text, ZvCodepages codepage);
char* NewNarrow(const wchar_t* text, ZvCodepages codepage);
// 8-bit to 8-bit: equal code pages copy the bytes; otherwise through UTF-16.
char* NewNarrow(const char* text, ZvCodepages from, ZvCodepages to);
// Copies (new[]); null for null or empty input.
char* NewCopy(const char* text);
wchar_t* NewCopy(const wchar_t* text);

// Whole texts of any length, embedded zeros included. False (out empty) when
// the system cannot convert them; empty input gives empty output and true.
bool ToWide(const char* text, size_t length, ZvCodepages codepage, std::wstring& out);
// With exact, also false when a character has no form of its own in the code
// page (no best-fit or default substitutes; not detectable for UTF-8).
bool ToNarrow(const wchar_t* text, size_t length, ZvCodepages codepage, std::string& out, bool exact = false);

} // namespace Codepage
} // namespace ZvOSAL
