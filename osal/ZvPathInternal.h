// Helpers shared by the files of ZvPath. Internal to the library.
#pragma once

#include "ZvOSAL/ZvString.h"

#include <windows.h>

namespace ZvOSAL {
namespace PathInternal {

inline bool IsSeparator(wchar_t ch) { return ch == L'\\' || ch == L'/'; }

inline wchar_t LastChar(const ZvString& text) { return text.IsEmpty() ? 0 : text[text.GetLength() - 1]; }

// The shell's path functions work in MAX_PATH buffers; longer input is
// refused instead of being handed to them.
inline bool FitsShellBuffer(const ZvString& text) { return text.GetLength() < MAX_PATH - 1; }

// PathCanonicalizeW with the result that Windows gives. Wine 8 reads past the
// end of a path whose last component is "." or ".." without a trailing
// separator ("\a\.." comes back as garbage), so such a path is canonicalised
// with a separator appended, which is then taken off again unless the result
// is a root ("\" or "X:\").
bool ShellCanonicalize(const ZvString& path, ZvString& out);

} // namespace PathInternal
} // namespace ZvOSAL
