// ZvString: numbers, formatting and string resources.
#include "ZvOSAL/ZvString.h"

#include "osal/AllocationFailure.h"
#include "osal/FormatLength.h"
#include "osal/ResourceLanguage.h"
#include "osal/ZvStringInternal.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <new>
#include <utility>

namespace ZvOSAL {

using namespace StringInternal;

// ---------------------------------------------------------------- numbers

int ZvString::ToInt(int base) const { return static_cast<int>(std::wcstol(m_pchData, nullptr, base)); }
unsigned int ZvString::ToUInt(int base) const
{
    return static_cast<unsigned int>(std::wcstoul(m_pchData, nullptr, base));
}
long long ZvString::ToInt64() const { return _wtoi64(m_pchData); }
float ZvString::ToFloat() const { return static_cast<float>(std::wcstod(m_pchData, nullptr)); }
double ZvString::ToDouble() const { return std::wcstod(m_pchData, nullptr); }

ZvString& ZvString::FromInt(int value)
{
    Format(L"%i", value);
    return *this;
}
ZvString& ZvString::FromUInt(unsigned int value)
{
    Format(L"%u", value);
    return *this;
}
ZvString& ZvString::FromInt64(long long value)
{
    Format(L"%I64i", value);
    return *this;
}
ZvString& ZvString::FromFloat(float value)
{
    Format(L"%f", static_cast<double>(value));
    return *this;
}
ZvString& ZvString::FromDouble(double value)
{
    Format(L"%f", value);
    return *this;
}

// ---------------------------------------------------------------- formatting

void ZvString::Format(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void ZvString::Format(unsigned int formatId, ...)
{
    ZvString format;
    format.LoadStringW(formatId);
    va_list args;
    va_start(args, formatId);
    FormatV(format, args);
    va_end(args);
}

void ZvString::FormatV(const wchar_t* format, va_list args)
{
    if (!format || !*format) {
        Empty();
        return;
    }
    const int bound = FormatLengthBound(format, args);
    // Formatted into a fresh block: an argument may be this string's text.
    ZvString result;
    int size = bound > 0 ? bound : 1;
    wchar_t* buffer = result.GetBuffer(size);
    va_list copy;
    va_copy(copy, args);
    int written = _vsnwprintf(buffer, static_cast<size_t>(size) + 1, format, copy);
    va_end(copy);
    // The bound is an upper limit of what the runtime writes; should it ever
    // fall short, grow a few times rather than lose text.
    for (int attempt = 0; written < 0 && attempt < 3; ++attempt) {
        size = AddLengths(size, std::max(size, 256));
        buffer = result.GetBuffer(size);
        va_copy(copy, args);
        written = _vsnwprintf(buffer, static_cast<size_t>(size) + 1, format, copy);
        va_end(copy);
    }
    result.ReleaseBuffer(-1);
    *this = std::move(result);
}

void ZvString::FormatMessageV(const wchar_t* format, va_list* args)
{
    if (!format || !*format) {
        Empty();
        return;
    }
    // The system allocates the message buffer.
    AllocationFailure::Check();
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER, format, 0, 0,
                                          reinterpret_cast<LPWSTR>(&buffer), 0, args);
    if (length == 0 || !buffer) {
        if (buffer)
            LocalFree(buffer);
        throw std::bad_alloc();
    }
    try {
        AssignCopy(static_cast<int>(length), buffer);
    } catch (...) {
        LocalFree(buffer);
        throw;
    }
    LocalFree(buffer);
}

void ZvString::FormatMessageW(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    try {
        FormatMessageV(format, &args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

void ZvString::FormatMessageW(unsigned int formatId, ...)
{
    ZvString format;
    format.LoadStringW(formatId);
    va_list args;
    va_start(args, formatId);
    try {
        FormatMessageV(format, &args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

bool ZvString::FormatErrorCode(unsigned long code)
{
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    if (length == 0 || !buffer) {
        if (buffer)
            LocalFree(buffer);
        return false;
    }
    try {
        AssignCopy(static_cast<int>(length), buffer);
    } catch (...) {
        LocalFree(buffer);
        throw;
    }
    LocalFree(buffer);
    return true;
}

// ---------------------------------------------------------------- resources

int ZvString::LoadStringW(unsigned int id)
{
    const wchar_t* text = nullptr;
    int length = 0;
    if (!FindResourceString(id, text, length)) {
        Empty();
        return 0;
    }
    // As the system loader: the text ends at its first 0.
    length = static_cast<int>(wcsnlen(text, static_cast<size_t>(length)));
    AssignCopy(length, text);
    return length > 0 ? 1 : 0;
}

} // namespace ZvOSAL
