// Process-wide settings of the dialog toolkit: DPI scaling, the glass-frame
// mode and the user interface language (code, identifier, code page and the
// default character set of skin fonts).
//
// Language codes have the form language_COUNTRY ("de_DE", "en_UK"): the
// language part is the text before the first "_", the country part the text
// after it (both empty when there is no "_"). The country "GB" is written
// "UK" throughout.
//
// Every function is callable from any thread; the settings themselves are
// plain process-wide values that the dialog thread sets.
#pragma once

#include "ZvOSAL/ZvString.h"

#include <windows.h>

namespace ZVToolkit {

// ---- DPI ----
// Skin positions are written for 96 DPI. While scaling is on, ScaleX/ScaleY
// turn 96-DPI values into pixels (MulDiv by the DPI over 96); while it is off
// they return the value unchanged. Off at start.
void SetDpiScaling(bool on, unsigned int dpiX, unsigned int dpiY);
bool IsDpiScaling();
unsigned int GetDpiX(); // 96 while scaling is off
unsigned int GetDpiY();
int ScaleX(int value);
int ScaleY(int value);
// The rectangle with its left and right scaled horizontally, top and bottom
// vertically.
RECT ScaleRect(const RECT& rect);

// ---- Glass frame ----
// When on, top-level skinned dialogs draw their own glass frame and take
// their general controls from "generalControls_vistaDialog.ini". It follows
// the system's desktop composition (DwmIsCompositionEnabled; off where the
// system has none, as under Wine) unless set explicitly.
void SetGlassFrameMode(bool on);
// Back to following the system.
void FollowSystemGlassFrame();
bool IsGlassFrameMode();
// Height of the custom caption that glass-frame dialogs draw above their
// controls, at 96 DPI (controls of such dialogs move down by it).
constexpr int kGlassCaptionHeight = 30;

// ---- Language ----
// "language_COUNTRY" of the identifier from the system's locale data
// (ISO 639 language, ISO 3166 country, "GB" written "UK"); empty when the
// system knows either part not. 1031 gives "de_DE", 2057 "en_UK".
ZvOSAL::ZvString LanguageIdToCode(LANGID id);
// The first identifier (primary 1..63, sublanguage 1..63) whose code equals
// code without regard to case; otherwise the first primary language (with
// its default sublanguage) whose language part equals the code's; else 0.
// "en_GB" gives 1033 by its language part. The codes of all identifiers are
// read from the system once per process.
LANGID CodeToLanguageId(const wchar_t* code);
// Normalises the code (known code, short code such as "D", or the user's
// default language), stores it, makes CodeToLanguageId of it the current
// language, sets the C runtime's LC_CTYPE locale from the runtime-locale
// table and stores the language's ANSI code page, its position in the
// font-signature code-page table and the matching character set as the
// default character set of skin fonts. Returns the current identifier.
LANGID SetUILanguageCode(const wchar_t* code);
// The stored (normalised) code; "en_UK" until SetUILanguageCode is called.
ZvOSAL::ZvString GetUILanguageCode();
// The current language identifier; 2057 until SetUILanguageCode is called.
LANGID GetUILanguageId();
// The stored code page (0 until known) and its table position (-1, -1 when
// the code page is not in the table).
unsigned int GetUICodePage();
void GetUICodePagePosition(int& wordIndex, int& bitIndex);

// Lookup tables, exposed for tests: the short code's full code (null when
// short is none), the runtime locale name of a code (exact comparison; ""
// when not listed) and the first position of a code page in the 64-entry
// font-signature table (-1 when absent; 0 is at position 9).
const wchar_t* ShortCodeToCode(const wchar_t* shortCode);
const wchar_t* CodeToRuntimeLocale(const wchar_t* code);
int CodePageTablePosition(unsigned int codePage);

} // namespace ZVToolkit
