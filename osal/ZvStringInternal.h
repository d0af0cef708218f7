// Helpers shared by the files of ZvString. Internal to the library.
#pragma once

#include "ZvOSAL/ZvString.h"

#include <climits>
#include <cstdint>
#include <cwchar>
#include <new>

namespace ZvOSAL {
namespace StringInternal {

// Pointers below 0x10000 are string-resource identifiers (MAKEINTRESOURCEW).
inline bool IsResourceId(const wchar_t* text) { return reinterpret_cast<uintptr_t>(text) < 0x10000; }

inline bool InSet(const wchar_t* set, wchar_t ch) { return ch != 0 && std::wcschr(set, ch) != nullptr; }

// Sum of two lengths; an int overflow is an allocation failure.
inline int AddLengths(int a, int b)
{
    if (b > INT_MAX - a)
        throw std::bad_alloc();
    return a + b;
}

// Whether text lies inside the block (an argument that is part of the string
// itself).
inline bool PointsInto(const wchar_t* text, const ZvStringData* data)
{
    const wchar_t* begin = data->data();
    return text >= begin && text <= begin + data->nAllocLength;
}

} // namespace StringInternal
} // namespace ZvOSAL
