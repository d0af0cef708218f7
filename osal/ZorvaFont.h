// The maker's font facility. It stands for the font library outside this
// library (its three calls: Initialize, IsZorvaFontAvailable, IsZorvaFont);
// the dialog toolkit and the INI font reader ask it.
//
// The maker's own fonts are the font families whose face names begin with
// "Zorva" (compared without regard to case, blanks and tabs before the face
// ignored), such as "Zorva Sans". They are "available" when the system has at
// least one such family installed (private fonts of this process included),
// as the system's font enumeration (EnumFontFamiliesExW) reports it.
//
// A skin may name one of the maker's fonts; such a face is accepted only
// while the maker's fonts are available and the process-wide switch that
// suppresses them is off (IsFaceUsable). A refused face makes the INI font
// reader fall back to the ".alternative" keys.
//
// Everything here is process-wide and thread-safe.
#pragma once

namespace ZorvaFont {

// Prepares the facility: forgets any earlier availability answer so that the
// next question enumerates the installed fonts again. Cheap and safe to call
// while the library is being loaded (it touches no GDI object); calling it
// more than once is harmless. Always true.
bool Initialize();

// True when face names one of the maker's fonts (see above). Null: false.
bool IsZorvaFont(const wchar_t* face);

// True when a font family of the maker's is installed. Enumerated on the
// first question after Initialize (or start-up) and remembered; call
// Initialize again after installing or removing fonts.
bool IsZorvaFontAvailable();

// The process-wide switch that suppresses the maker's fonts (off at start).
void SetMakerFontsSuppressed(bool suppressed);

// The toolkit's font rule: a face is usable when it is not one of the
// maker's fonts, or when those are available and not suppressed.
bool IsFaceUsable(const wchar_t* face);

// The name prefix that marks the maker's fonts ("Zorva" by default; null
// restores it). The maker may ship its fonts under another family name; an
// empty prefix means it has none. Changing it forgets the availability
// answer. At most 31 characters are kept.
void SetMakerFontPrefix(const wchar_t* prefix);

// The character set fonts get when a skin names none: DEFAULT_CHARSET (1)
// until the toolkit's language setting stores the user interface language's.
unsigned char GetDefaultCharSet();
void SetDefaultCharSet(unsigned char charSet);

} // namespace ZorvaFont
