#include "osal/CodepageConversion.h"

#include "osal/AllocationFailure.h"

#include <windows.h>

#include <climits>
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

bool ToWide(const char* text, size_t length, ZvCodepages codepage, std::wstring& out)
{
    out.clear();
    if (!text || length == 0)
        return true;
    if (length > INT_MAX)
        return false;
    const int count = static_cast<int>(length);
    const int needed = WideLength(text, count, codepage);
    if (needed <= 0)
        return false;
    AllocationFailure::Check();
    out.resize(static_cast<size_t>(needed));
    if (ToWide(text, count, codepage, &out[0], needed) != needed) {
        out.clear();
        return false;
    }
    return true;
}

bool ToNarrow(const wchar_t* text, size_t length, ZvCodepages codepage, std::string& out, bool exact)
{
    out.clear();
    if (!text || length == 0)
        return true;
    if (length > INT_MAX)
        return false;
    const int count = static_cast<int>(length);
    if (codepage == ZvCodepage7Bit) {
        AllocationFailure::Check();
        out.resize(length);
        for (size_t i = 0; i < length; ++i) {
            if (text[i] >= 0x80 && exact) {
                out.clear();
                return false;
            }
            out[i] = text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
        }
        return true;
    }
    const UINT cp = static_cast<UINT>(codepage);
    // UTF-8 takes neither the flag nor the default-character report.
    const bool utf8 = cp == CP_UTF8 || (cp == CP_ACP && GetACP() == CP_UTF8);
    const DWORD flags = exact && !utf8 ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL lossy = FALSE;
    BOOL* lossyOut = exact && !utf8 ? &lossy : nullptr;
    const int needed = WideCharToMultiByte(cp, flags, text, count, nullptr, 0, nullptr, lossyOut);
    if (needed <= 0 || lossy)
        return false;
    AllocationFailure::Check();
    out.resize(static_cast<size_t>(needed));
    if (WideCharToMultiByte(cp, flags, text, count, &out[0], needed, nullptr, lossyOut) != needed || lossy) {
        out.clear();
        return false;
    }
    return true;
}

} // namespace Codepage
} // namespace ZvOSAL
