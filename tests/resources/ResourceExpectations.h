// Checks of the library's resources that run against any module: the test
// program (resources linked in, as in the static build) or ZvAutoUpdate.dll
// itself. Each check reports through GoogleTest assertions.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "resources/DialogTemplateReader.h"

namespace zvres {

// The 22 user-interface languages, English (United Kingdom) 2057 among them.
extern const std::vector<LANGID> kLanguages;
// The four templates and every string id the library shows.
extern const std::vector<unsigned int> kTemplateIds;
extern const std::vector<unsigned int> kStringIds;

// Template `id` in exactly `language` from `module`, parsed; false (with a
// test failure) when missing or damaged.
bool LoadTemplate(HMODULE module, unsigned int id, LANGID language, DialogTemplateInfo& info);
// String-table entry `id` in exactly `language`; false when missing or empty.
bool ReadStringEntry(HMODULE module, unsigned int id, LANGID language, std::wstring& text);

// Every template and string block exists in exactly the 22 languages.
void CheckLanguageSet(HMODULE module);
// The English (United Kingdom) templates: styles, places, fonts, titles, texts.
void CheckEnglishTemplates(HMODULE module);
// The other 21 languages: the same controls as English, translated texts.
void CheckTranslatedTemplates(HMODULE module);
// The string table in English and in all other languages.
void CheckStrings(HMODULE module);
// The version resource stays English (United Kingdom).
void CheckVersionResource(HMODULE module);

// The format specifiers of a printf format, in order ("%s", "%d", "%%", ...).
std::vector<std::wstring> FormatSpecifiers(const std::wstring& format);
// Occurrences of "$ZORVA$".
int CountPlaceholders(const std::wstring& text);

} // namespace zvres
