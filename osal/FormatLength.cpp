#include "osal/FormatLength.h"

#include "osal/AllocationFailure.h"

#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>
#include <vector>

namespace ZvOSAL {

namespace {

enum Size { SizeDefault, SizeNarrow, SizeWide, Size64, SizePointer };

bool IsDigit(wchar_t ch) { return ch >= L'0' && ch <= L'9'; }

// Parses a decimal count, saturating instead of overflowing.
long long ReadCount(const wchar_t*& p)
{
    long long value = 0;
    while (IsDigit(*p)) {
        if (value < INT_MAX)
            value = value * 10 + (*p - L'0');
        ++p;
    }
    return value;
}

long long Max(long long a, long long b) { return a > b ? a : b; }

// Characters that "%*.*f" writes for value: measured, in a scratch buffer
// large enough for the widest double (309 integer digits, sign, point) plus
// the precision.
long long FixedLength(double value, int width, int precision)
{
    const size_t scratch = static_cast<size_t>(Max(width, 330LL + precision)) + 1;
    wchar_t local[512];
    std::vector<wchar_t> heap;
    wchar_t* buffer = local;
    if (scratch > sizeof(local) / sizeof(local[0])) {
        AllocationFailure::Check();
        heap.resize(scratch);
        buffer = heap.data();
    }
    const int written = _snwprintf(buffer, scratch, L"%*.*f", width, precision, value);
    if (written < 0)
        return static_cast<long long>(scratch);
    return written;
}

} // namespace

int FormatLengthBound(const wchar_t* format, va_list original)
{
    if (!format)
        return 0;
    va_list args;
    va_copy(args, original);

    long long total = 0;
    const wchar_t* p = format;
    while (*p) {
        if (*p != L'%') {
            ++total;
            ++p;
            continue;
        }
        ++p;
        if (*p == L'%') {
            ++total;
            ++p;
            continue;
        }
        if (!*p)
            break;

        // Flags; '#' adds a prefix such as 0x.
        long long width = 0;
        bool widthGiven = false;
        bool signFlag = false;
        for (; *p; ++p) {
            if (*p == L'+' || *p == L' ') {
                signFlag = true;
            } else if (*p == L'#') {
                total += 2;
            } else if (*p == L'*') {
                int w = va_arg(args, int);
                // A negative width means left-justified with its magnitude.
                width = w < 0 ? -static_cast<long long>(w) : w;
                widthGiven = true;
            } else if (*p != L'-' && *p != L'+' && *p != L'0' && *p != L' ') {
                break;
            }
        }
        if (!widthGiven)
            width = ReadCount(p);
        else
            ReadCount(p);

        long long precision = 0;
        bool precisionGiven = false;
        if (*p == L'.') {
            ++p;
            if (*p == L'*') {
                const int given = va_arg(args, int);
                // A negative precision counts as none.
                precision = given < 0 ? 0 : given;
                precisionGiven = given >= 0;
                ++p;
            } else {
                precision = ReadCount(p);
                precisionGiven = true;
            }
        }

        Size size = SizeDefault;
        if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
            size = Size64;
            p += 3;
        } else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') {
            p += 3;
        } else if (p[0] == L'I') {
            size = SizePointer;
            ++p;
        } else if (p[0] == L'l' && p[1] == L'l') {
            size = Size64;
            p += 2;
        } else if (p[0] == L'h' && p[1] == L'h') {
            size = SizeNarrow;
            p += 2;
        } else if (*p == L'h') {
            size = SizeNarrow;
            ++p;
        } else if (*p == L'l' || *p == L'w') {
            size = SizeWide;
            ++p;
        } else if (*p == L'F' || *p == L'N' || *p == L'L') {
            ++p;
        }

        const wchar_t conversion = *p;
        if (!conversion)
            break;
        ++p;

        long long item = 0;
        switch (conversion) {
        case L'c':
        case L'C':
            (void)va_arg(args, int);
            item = Max(2, width);
            break;
        case L's':
        case L'S': {
            // %s is wide and %S narrow unless h or l says otherwise.
            const bool narrow = size == SizeNarrow || (conversion == L'S' && size != SizeWide);
            long long length;
            if (narrow) {
                const char* text = va_arg(args, const char*);
                // Each byte gives at most one UTF-16 unit.
                length = text ? Max(1, static_cast<long long>(std::strlen(text))) : 6;
            } else {
                const wchar_t* text = va_arg(args, const wchar_t*);
                length = text ? Max(1, static_cast<long long>(std::wcslen(text))) : 6;
            }
            if (precisionGiven && precision != 0 && length > precision)
                length = precision;
            item = Max(length, width);
            break;
        }
        case L'd':
        case L'i':
        case L'u':
        case L'x':
        case L'X':
        case L'o':
            if (size == Size64)
                (void)va_arg(args, long long);
            else if (size == SizePointer)
                (void)va_arg(args, void*);
            else
                (void)va_arg(args, int);
            item = Max(32, width + precision);
            break;
        case L'p':
            (void)va_arg(args, void*);
            item = Max(32, width + precision);
            break;
        case L'e':
        case L'E':
        case L'g':
        case L'G':
        case L'a':
        case L'A':
            (void)va_arg(args, double);
            // Beyond the precision: sign, leading digit, point and exponent.
            item = Max(128, width + precision + 32);
            break;
        case L'f': {
            const double value = va_arg(args, double);
            // Measured with six more digits than asked for; the '+' and ' '
            // flags add a sign that the measurement does not show.
            const long long digits = precision + 6;
            if (width > INT_MAX || digits > INT_MAX - 400)
                throw std::bad_alloc();
            item = Max(FixedLength(value, static_cast<int>(width), static_cast<int>(digits)) + (signFlag ? 1 : 0), width);
            break;
        }
        case L'n':
            (void)va_arg(args, void*);
            break;
        default:
            // Not a conversion the runtime knows: it writes the character.
            item = Max(1, width);
            break;
        }
        total += item;
        if (total > INT_MAX / 2) {
            va_end(args);
            throw std::bad_alloc();
        }
    }
    va_end(args);
    if (total > INT_MAX / 2)
        throw std::bad_alloc();
    return static_cast<int>(total);
}

} // namespace ZvOSAL
