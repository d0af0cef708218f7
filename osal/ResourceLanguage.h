// The library's current resource language and string-table lookups by
// language.
//
// Resources are always looked up in the library's own module (LibraryModule)
// and always with an explicit language: a lookup without one (plain
// LoadStringW, FindResourceW) returns whichever language has the lowest
// identifier under Wine, not the user's. The current resource language is a
// process-wide setting that starts as English (United Kingdom), 2057; the
// dialogs set it to the user interface language. ZvString::LoadString (and
// every ZvString built from a resource identifier) reads it.
#pragma once

#include <windows.h>

namespace ZvOSAL {

// English (United Kingdom): the fallback for every template and string.
constexpr LANGID kFallbackResourceLanguage = 2057;

// The current resource language (2057 until SetResourceLanguage is called).
LANGID GetResourceLanguage();
// Sets the current resource language; 0 restores 2057. Any thread.
void SetResourceLanguage(LANGID language);

// String-table entry id in exactly the given language, from the library's
// module. text points into the module's resource data (not NUL-terminated,
// valid while the module is loaded), length is its unit count. False when the
// table block (id / 16 + 1) is missing in that language (or the language is
// 0) or cannot be read; an empty entry gives true and length 0.
bool FindStringTableEntry(unsigned int id, LANGID language, const wchar_t*& text, int& length);

// As FindStringTableEntry, but an empty entry counts as missing too.
bool FindResourceString(unsigned int id, LANGID language, const wchar_t*& text, int& length);

// String-table entry id in the current resource language; when it is missing
// there, in English (United Kingdom). False when neither has it.
bool FindResourceString(unsigned int id, const wchar_t*& text, int& length);

} // namespace ZvOSAL
