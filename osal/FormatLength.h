// The size pass of ZvString::Format: an upper bound, in UTF-16 units, of what
// the Microsoft runtime's wide printf writes for a format and its arguments,
// so that the string formats exactly once and never truncates.
#pragma once

#include <cstdarg>

namespace ZvOSAL {

// Reads the arguments from its own copy of args. Throws std::bad_alloc when
// the bound does not fit an int.
int FormatLengthBound(const wchar_t* format, va_list args);

} // namespace ZvOSAL
