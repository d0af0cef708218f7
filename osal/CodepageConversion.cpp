#include "osal/CodepageConversion.h"

#include "osal/AllocationFailure.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

namespace ZvOSAL {
namespace Codepage {

int WideLength(const char* text, int length, ZvCodepages codepage)
{
    if (!text || length < 1)
        return 0;
    if (codepage == ZvCodepage7Bit)
        return length;
    return MultiByteToWideChar(static_cast<UINT>(codepage), 0, text, length, nullptr, 0);
}

int ToWide(const char* text, int length, ZvCodepages codepage, wchar_t* out, int capacity)
{
    if (!text || length < 1 || capacity < 1)
        return 0;
    if (codepage == ZvCodepage7Bit) {
        const int count = length < capacity ? length : capacity;
        for (int i = 0; i < count; ++i) {
            const unsigned char byte = static_cast<unsigned char>(text[i]);
            out[i] = byte < 0x80 ? static_cast<wchar_t>(byte) : L'?';
        }
        return count;
    }
    const int written = MultiByteToWideChar(static_cast<UINT>(codepage), 0, text, length, out, capacity);
    return written > 0 ? written : 0;
}

wchar_t* NewWide(const char* text, ZvCodepages codepage)
{
    if (!text || !*text)
        return nullptr;
    if (codepage == ZvCodepage7Bit) {
        const size_t length = std::strlen(text);
        AllocationFailure::Check();
        wchar_t* out = new wchar_t[length + 1];
        for (size_t i = 0; i < length; ++i) {
            const unsigned char byte = static_cast<unsigned char>(text[i]);
            out[i] = byte < 0x80 ? static_cast<wchar_t>(byte) : L'?';
        }
        out[length] = 0;
        return out;
    }
    const UINT cp = static_cast<UINT>(codepage);
    const int needed = MultiByteToWideChar(cp, 0, text, -1, nullptr, 0);
    if (needed <= 0)
        return nullptr;
    AllocationFailure::Check();
    wchar_t* out = new wchar_t[needed];
    const int written = MultiByteToWideChar(cp, 0, text, -1, out, needed);
    // The count includes the terminator: a result of 1 is the empty string.
    if (written <= 1) {
        delete[] out;
        return nullptr;
    }
    out[needed - 1] = 0;
    return out;
}

char* NewNarrow(const wchar_t* text, ZvCodepages codepage)
{
    if (!text || !*text)
        return nullptr;
    if (codepage == ZvCodepage7Bit) {
        const size_t length = std::wcslen(text);
        AllocationFailure::Check();
        char* out = new char[length + 1];
        for (size_t i = 0; i < length; ++i)
            out[i] = text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
        out[length] = 0;
        return out;
    }
    const UINT cp = static_cast<UINT>(codepage);
    const int needed = WideCharToMultiByte(cp, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return nullptr;
    AllocationFailure::Check();
    char* out = new char[needed];
    const int written = WideCharToMultiByte(cp, 0, text, -1, out, needed, nullptr, nullptr);
    if (written <= 1) {
        delete[] out;
        return nullptr;
    }
    out[needed - 1] = 0;
    return out;
}

char* NewNarrow(const char* text, ZvCodepages from, ZvCodepages to)
{
    if (!text || !*text)
        return nullptr;
    if (from == to)
        return NewCopy(text);
    wchar_t* wide = NewWide(text, from);
    char* out = NewNarrow(wide, to);
    delete[] wide;
    return out;
}

char* NewCopy(const char* text)
{
    if (!text || !*text)
        return nullptr;
    const size_t size = std::strlen(text) + 1;
    AllocationFailure::Check();
    char* out = new char[size];
    std::memcpy(out, text, size);
    return out;
}

wchar_t* NewCopy(const wchar_t* text)
{
    if (!text || !*text)
        return nullptr;
    const size_t size = std::wcslen(text) + 1;
    AllocationFailure::Check();
    wchar_t* out = new wchar_t[size];
    std::wmemcpy(out, text, size);
    return out;
}

} // namespace Codepage
} // namespace ZvOSAL
