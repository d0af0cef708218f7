#include "ZvOSAL/ZvString.h"

#include "osal/AllocationFailure.h"
#include "osal/CodepageConversion.h"
#include "osal/FormatLength.h"
#include "osal/ResourceLanguage.h"
#include "osal/ZvStringPool.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <new>
#include <string>
#include <utility>

namespace ZvOSAL {

static_assert(sizeof(ZvString) == sizeof(void*), "ZvString is one pointer");
static_assert(sizeof(ZvStringData) == 12, "ZvStringData: three signed 32-bit fields");
static_assert(sizeof(long) == 4, "the reference count is a 32-bit LONG for the Interlocked functions");

namespace {

// The shared empty block: count -1 (never counted, never freed), both lengths
// 0, one terminator.
struct EmptyBlock {
    ZvStringData header;
    wchar_t chars[2];
};
EmptyBlock g_emptyBlock = {{-1, 0, 0}, {0, 0}};

inline ZvStringData* EmptyData() { return &g_emptyBlock.header; }

inline bool IsLocked(const ZvStringData* data) { return data->nRefs < 0 && data != EmptyData(); }

// Pointers below 0x10000 are string-resource identifiers (MAKEINTRESOURCEW).
inline bool IsResourceId(const wchar_t* text) { return reinterpret_cast<uintptr_t>(text) < 0x10000; }

// A char is sign-extended to 16 bits: 0x80..0xFF become 0xFF80..0xFFFF.
inline wchar_t Widen(char ch) { return static_cast<wchar_t>(static_cast<short>(static_cast<signed char>(ch))); }

inline bool InSet(const wchar_t* set, wchar_t ch) { return ch != 0 && std::wcschr(set, ch) != nullptr; }

// Sum of two lengths; an int overflow is an allocation failure.
inline int AddLengths(int a, int b)
{
    if (b > INT_MAX - a)
        throw std::bad_alloc();
    return a + b;
}

inline bool PointsInto(const wchar_t* text, const ZvStringData* data)
{
    const wchar_t* begin = data->data();
    return text >= begin && text <= begin + data->nAllocLength;
}

// Ordinal search of pattern (patternLength >= 1) in text from start: the
// first unit is found with the runtime's fast character search, the rest
// compared after it. -1 when there is none.
int SearchUnits(const wchar_t* text, int length, int start, const wchar_t* pattern, int patternLength)
{
    using Traits = std::char_traits<wchar_t>;
    if (patternLength > length - start)
        return -1;
    const wchar_t first = pattern[0];
    const wchar_t* at = text + start;
    const wchar_t* const last = text + (length - patternLength);
    while (at <= last) {
        at = Traits::find(at, static_cast<size_t>(last - at) + 1, first);
        if (!at)
            return -1;
        if (Traits::compare(at + 1, pattern + 1, static_cast<size_t>(patternLength) - 1) == 0)
            return static_cast<int>(at - text);
        ++at;
    }
    return -1;
}

// The capacity a request for length characters gets from the allocator.
inline int CapacityFor(int length)
{
    for (int capacity : StringPool::kPoolCapacity) {
        if (length <= capacity)
            return capacity;
    }
    return length;
}

} // namespace

// ---------------------------------------------------------------- blocks

void ZvString::Init() { m_pchData = EmptyData()->data(); }

int ZvString::SafeStrlen(const wchar_t* text) { return text ? static_cast<int>(std::wcslen(text)) : 0; }

void ZvString::AllocBuffer(int length)
{
    if (length <= 0) {
        Init();
        return;
    }
    m_pchData = StringPool::Allocate(length)->data();
}

void ZvString::FreeData(ZvStringData* data) { StringPool::Free(data); }

void ZvString::Release(ZvStringData* data)
{
    if (data != EmptyData() && InterlockedDecrement(&data->nRefs) <= 0)
        FreeData(data);
}

void ZvString::Release()
{
    ZvStringData* data = GetData();
    if (data != EmptyData()) {
        if (InterlockedDecrement(&data->nRefs) <= 0)
            FreeData(data);
        Init();
    }
}

void ZvString::CopyBeforeWrite()
{
    ZvStringData* data = GetData();
    if (data->nRefs > 1) {
        const int length = data->nDataLength;
        ZvStringData* own = StringPool::Allocate(length);
        std::wmemcpy(own->data(), data->data(), static_cast<size_t>(length) + 1);
        m_pchData = own->data();
        Release(data);
    }
}

void ZvString::AllocBeforeWrite(int length)
{
    ZvStringData* data = GetData();
    if (data->nRefs > 1 || length > data->nAllocLength) {
        // A locked string stays locked in its new block.
        const bool locked = IsLocked(data);
        Release();
        AllocBuffer(length);
        if (locked && GetData() != EmptyData())
            GetData()->nRefs = -1;
    }
}

void ZvString::AssignCopy(int length, const wchar_t* src)
{
    if (length <= 0) {
        Empty();
        return;
    }
    ZvStringData* data = GetData();
    if (data->nRefs > 1 || length > data->nAllocLength) {
        // Copy before letting go: src may lie in the old block.
        ZvStringData* fresh = StringPool::Allocate(length);
        std::wmemcpy(fresh->data(), src, static_cast<size_t>(length));
        if (IsLocked(data)) {
            fresh->nRefs = -1;
            FreeData(data);
        } else {
            Release(data);
        }
        m_pchData = fresh->data();
    } else {
        std::wmemmove(m_pchData, src, static_cast<size_t>(length));
        data->nDataLength = length;
        m_pchData[length] = 0;
    }
}

void ZvString::AllocCopy(ZvString& dest, int copyLength, int copyIndex, int extraLength) const
{
    const int total = AddLengths(copyLength, extraLength);
    if (total == 0) {
        dest.Release();
        return;
    }
    ZvStringData* fresh = StringPool::Allocate(total);
    std::wmemcpy(fresh->data(), m_pchData + copyIndex, static_cast<size_t>(copyLength));
    dest.Release();
    dest.m_pchData = fresh->data();
}

void ZvString::ConcatCopy(int length1, const wchar_t* src1, int length2, const wchar_t* src2)
{
    const int total = AddLengths(length1, length2);
    if (total == 0) {
        Empty();
        return;
    }
    ZvStringData* fresh = StringPool::Allocate(total);
    std::wmemcpy(fresh->data(), src1, static_cast<size_t>(length1));
    std::wmemcpy(fresh->data() + length1, src2, static_cast<size_t>(length2));
    ZvStringData* old = GetData();
    if (IsLocked(old)) {
        fresh->nRefs = -1;
        FreeData(old);
    } else {
        Release(old);
    }
    m_pchData = fresh->data();
}

void ZvString::ConcatInPlace(int length, const wchar_t* src)
{
    if (length <= 0)
        return;
    ZvStringData* data = GetData();
    const int oldLength = data->nDataLength;
    const int newLength = AddLengths(oldLength, length);
    if (data->nRefs <= 1 && newLength <= data->nAllocLength) {
        std::wmemmove(m_pchData + oldLength, src, static_cast<size_t>(length));
        data->nDataLength = newLength;
        m_pchData[newLength] = 0;
        return;
    }
    // Grows to exactly the new length. An own heap block that stays on the
    // heap can grow in place, unless src lies inside it.
    if (data != EmptyData() && data->nRefs <= 1 && data->nAllocLength > StringPool::kLargestPooled &&
        !PointsInto(src, data)) {
        const long refs = data->nRefs;
        data = StringPool::GrowHeapBlock(data, newLength);
        data->nRefs = refs;
        m_pchData = data->data();
        std::wmemcpy(m_pchData + oldLength, src, static_cast<size_t>(length));
        data->nDataLength = newLength;
        m_pchData[newLength] = 0;
        return;
    }
    ConcatCopy(oldLength, m_pchData, length, src);
}

void ZvString::AssignAnsi(const char* text, int length, ZvCodepages codepage)
{
    if (!text || length == 0) {
        Empty();
        return;
    }
    if (length < 0)
        length = static_cast<int>(std::strlen(text));
    const int units = Codepage::WideLength(text, length, codepage);
    if (units <= 0) {
        Empty();
        return;
    }
    ZvString converted;
    wchar_t* buffer = converted.GetBuffer(units);
    const int written = Codepage::ToWide(text, length, codepage, buffer, units);
    converted.ReleaseBuffer(written);
    *this = std::move(converted);
}

bool ZvString::LoadResourceText(const wchar_t* id)
{
    return LoadStringW(static_cast<unsigned int>(reinterpret_cast<uintptr_t>(id))) != 0;
}

void ZvString::GetPoolStatistics(ZvStringPoolStatistics& stats) { StringPool::GetStatistics(stats); }

// ---------------------------------------------------------------- construction

ZvString::ZvString() { Init(); }

ZvString::ZvString(const ZvString& other)
{
    ZvStringData* data = other.GetData();
    if (data->nRefs >= 0) {
        InterlockedIncrement(&data->nRefs);
        m_pchData = other.m_pchData;
    } else {
        // Locked (or the empty block): a block of our own.
        Init();
        AssignCopy(data->nDataLength, other.m_pchData);
    }
}

ZvString::ZvString(ZvString&& other) noexcept
{
    if (other.GetData()->nRefs >= 0) {
        m_pchData = other.m_pchData;
        other.Init();
    } else {
        Init();
        // A locked source keeps its block; copying may throw, which ends the
        // program here as for any failing noexcept move.
        AssignCopy(other.GetLength(), other.m_pchData);
    }
}

ZvString::ZvString(const wchar_t* text)
{
    Init();
    if (!text)
        return;
    if (IsResourceId(text))
        LoadResourceText(text);
    else
        AssignCopy(SafeStrlen(text), text);
}

ZvString::ZvString(const wchar_t* text, int length)
{
    Init();
    if (text && length > 0)
        AssignCopy(length, text);
}

ZvString::ZvString(wchar_t ch, int count)
{
    Init();
    if (count > 0) {
        AllocBuffer(count);
        std::wmemset(m_pchData, ch, static_cast<size_t>(count));
    }
}

ZvString::ZvString(const char* text)
{
    Init();
    AssignAnsi(text, -1, ZvCodepageAnsi);
}

ZvString::ZvString(const char* text, int length)
{
    Init();
    if (length > 0)
        AssignAnsi(text, length, ZvCodepageAnsi);
}

ZvString::ZvString(const char* text, ZvCodepages codepage)
{
    Init();
    AssignAnsi(text, -1, codepage);
}

ZvString::ZvString(const unsigned char* text)
{
    Init();
    AssignAnsi(reinterpret_cast<const char*>(text), -1, ZvCodepageAnsi);
}

ZvString::~ZvString() { Release(GetData()); }

// ---------------------------------------------------------------- assignment

ZvString& ZvString::operator=(const ZvString& other)
{
    if (m_pchData == other.m_pchData)
        return *this;
    ZvStringData* data = GetData();
    ZvStringData* source = other.GetData();
    if (IsLocked(data) || source->nRefs < 0) {
        AssignCopy(source->nDataLength, other.m_pchData);
    } else {
        InterlockedIncrement(&source->nRefs);
        Release();
        m_pchData = other.m_pchData;
    }
    return *this;
}

ZvString& ZvString::operator=(ZvString&& other) noexcept
{
    if (this == &other || m_pchData == other.m_pchData)
        return *this;
    if (IsLocked(GetData()) || other.GetData()->nRefs < 0) {
        AssignCopy(other.GetLength(), other.m_pchData);
    } else {
        Release();
        m_pchData = other.m_pchData;
        other.Init();
    }
    return *this;
}

ZvString& ZvString::operator=(const wchar_t* text)
{
    if (text && IsResourceId(text)) {
        ZvString loaded(text);
        return *this = std::move(loaded);
    }
    AssignCopy(SafeStrlen(text), text);
    return *this;
}

ZvString& ZvString::operator=(wchar_t ch)
{
    AssignCopy(1, &ch);
    return *this;
}

ZvString& ZvString::operator=(char ch)
{
    const wchar_t unit = Widen(ch);
    AssignCopy(1, &unit);
    return *this;
}

ZvString& ZvString::operator=(const char* text)
{
    AssignAnsi(text, -1, ZvCodepageAnsi);
    return *this;
}

ZvString& ZvString::operator=(const unsigned char* text)
{
    AssignAnsi(reinterpret_cast<const char*>(text), -1, ZvCodepageAnsi);
    return *this;
}

// ---------------------------------------------------------------- concatenation

ZvString& ZvString::operator+=(const ZvString& other)
{
    ConcatInPlace(other.GetLength(), other.m_pchData);
    return *this;
}

ZvString& ZvString::operator+=(const wchar_t* text)
{
    ConcatInPlace(SafeStrlen(text), text);
    return *this;
}

ZvString& ZvString::operator+=(wchar_t ch)
{
    ConcatInPlace(1, &ch);
    return *this;
}

ZvString& ZvString::operator+=(char ch)
{
    const wchar_t unit = Widen(ch);
    ConcatInPlace(1, &unit);
    return *this;
}

namespace {
ZvString Concatenate(const wchar_t* left, int leftLength, const wchar_t* right, int rightLength)
{
    ZvString result;
    const int total = AddLengths(leftLength, rightLength);
    if (total > 0) {
        wchar_t* out = result.GetBufferSetLength(total);
        std::wmemcpy(out, left, static_cast<size_t>(leftLength));
        std::wmemcpy(out + leftLength, right, static_cast<size_t>(rightLength));
    }
    return result;
}

int Length(const wchar_t* text) { return text ? static_cast<int>(std::wcslen(text)) : 0; }
} // namespace

ZvString operator+(const ZvString& left, const ZvString& right)
{
    // An empty side: the other shares its block.
    if (right.IsEmpty())
        return left;
    if (left.IsEmpty())
        return right;
    return Concatenate(left, left.GetLength(), right, right.GetLength());
}

ZvString operator+(const ZvString& left, const wchar_t* right)
{
    const int length = Length(right);
    if (length == 0)
        return left;
    return Concatenate(left, left.GetLength(), right, length);
}

ZvString operator+(const wchar_t* left, const ZvString& right)
{
    const int length = Length(left);
    if (length == 0)
        return right;
    return Concatenate(left, length, right, right.GetLength());
}

ZvString operator+(const ZvString& left, wchar_t right) { return Concatenate(left, left.GetLength(), &right, 1); }

ZvString operator+(wchar_t left, const ZvString& right) { return Concatenate(&left, 1, right, right.GetLength()); }

ZvString operator+(const ZvString& left, char right)
{
    const wchar_t unit = Widen(right);
    return Concatenate(left, left.GetLength(), &unit, 1);
}

ZvString operator+(char left, const ZvString& right)
{
    const wchar_t unit = Widen(left);
    return Concatenate(&unit, 1, right, right.GetLength());
}

// ---------------------------------------------------------------- access

void ZvString::SetAt(int index, wchar_t ch)
{
    // Outside the string there is nothing to set (and the empty block must
    // never be written).
    if (index < 0 || index >= GetLength())
        return;
    CopyBeforeWrite();
    m_pchData[index] = ch;
}

int ZvString::GetCharCount() const { return static_cast<int>(std::wcslen(m_pchData)); }

unsigned int ZvString::GetCharAt(int index) const
{
    if (IsEmpty())
        return 0;
    return static_cast<unsigned int>(m_pchData[index]);
}

// ---------------------------------------------------------------- buffer access

wchar_t* ZvString::GetBuffer(int minLength)
{
    if (minLength < 0)
        minLength = 0;
    ZvStringData* data = GetData();
    if (data->nRefs > 1 || minLength > data->nAllocLength) {
        const int length = data->nDataLength;
        ZvStringData* fresh = StringPool::Allocate(std::max(minLength, length));
        std::wmemcpy(fresh->data(), data->data(), static_cast<size_t>(length) + 1);
        fresh->nDataLength = length;
        if (IsLocked(data)) {
            fresh->nRefs = -1;
            FreeData(data);
        } else {
            Release(data);
        }
        m_pchData = fresh->data();
    }
    return m_pchData;
}

void ZvString::ReleaseBuffer(int newLength)
{
    CopyBeforeWrite();
    ZvStringData* data = GetData();
    if (data == EmptyData())
        return;
    if (newLength < 0)
        newLength = static_cast<int>(wcsnlen(m_pchData, static_cast<size_t>(data->nAllocLength)));
    if (newLength > data->nAllocLength)
        newLength = data->nAllocLength;
    data->nDataLength = newLength;
    m_pchData[newLength] = 0;
}

wchar_t* ZvString::GetBufferSetLength(int newLength)
{
    if (newLength < 0)
        newLength = 0;
    GetBuffer(newLength);
    ZvStringData* data = GetData();
    if (data != EmptyData()) {
        data->nDataLength = newLength;
        m_pchData[newLength] = 0;
    }
    return m_pchData;
}

void ZvString::FreeExtra()
{
    ZvStringData* data = GetData();
    const int length = data->nDataLength;
    if (data == EmptyData() || length == data->nAllocLength)
        return;
    if (length == 0) {
        Empty();
        return;
    }
    // Already the smallest block that holds the length.
    if (CapacityFor(length) == data->nAllocLength)
        return;
    ZvStringData* fresh = StringPool::Allocate(length);
    std::wmemcpy(fresh->data(), m_pchData, static_cast<size_t>(length));
    if (IsLocked(data)) {
        fresh->nRefs = -1;
        FreeData(data);
    } else {
        Release(data);
    }
    m_pchData = fresh->data();
}

wchar_t* ZvString::LockBuffer()
{
    wchar_t* buffer = GetBuffer(0);
    if (GetData() != EmptyData())
        GetData()->nRefs = -1;
    return buffer;
}

void ZvString::UnlockBuffer()
{
    ZvStringData* data = GetData();
    if (IsLocked(data))
        data->nRefs = 1;
}

void ZvString::Empty()
{
    ZvStringData* data = GetData();
    if (data == EmptyData())
        return;
    if (IsLocked(data)) {
        data->nDataLength = 0;
        m_pchData[0] = 0;
    } else {
        Release();
    }
}

// ---------------------------------------------------------------- searching

int ZvString::Find(wchar_t ch) const { return Find(ch, 0); }

int ZvString::Find(wchar_t ch, int start) const
{
    const int length = GetLength();
    if (start < 0)
        start = 0;
    if (start >= length)
        return -1;
    const wchar_t* hit = std::wmemchr(m_pchData + start, ch, static_cast<size_t>(length - start));
    return hit ? static_cast<int>(hit - m_pchData) : -1;
}

int ZvString::Find(const wchar_t* text) const { return Find(text, 0); }

int ZvString::Find(const wchar_t* text, int start) const
{
    if (!text)
        return -1;
    const int length = GetLength();
    if (start < 0)
        start = 0;
    if (start > length)
        return -1;
    const int textLength = SafeStrlen(text);
    if (textLength == 0)
        return start;
    return SearchUnits(m_pchData, length, start, text, textLength);
}

int ZvString::ReverseFind(wchar_t ch) const
{
    for (int i = GetLength() - 1; i >= 0; --i) {
        if (m_pchData[i] == ch)
            return i;
    }
    return -1;
}

int ZvString::FindOneOf(const wchar_t* set) const
{
    if (!set || !*set)
        return -1;
    const int length = GetLength();
    for (int i = 0; i < length; ++i) {
        if (InSet(set, m_pchData[i]))
            return i;
    }
    return -1;
}

int ZvString::ReverseFindOneOf(const wchar_t* set) const
{
    if (!set || !*set)
        return -1;
    for (int i = GetLength() - 1; i >= 0; --i) {
        if (InSet(set, m_pchData[i]))
            return i;
    }
    return -1;
}

int ZvString::FindNoCase(ZvString text) const { return FindNoCase(std::move(text), 0); }

int ZvString::FindNoCase(ZvString text, int start) const
{
    ZvString self(*this);
    self.MakeLower();
    text.MakeLower();
    return self.Find(text.c_str(), start);
}

// ---------------------------------------------------------------- extraction

ZvString ZvString::Mid(int first) const
{
    return Mid(first, GetLength());
}

ZvString ZvString::Mid(int first, int count) const
{
    const int length = GetLength();
    if (first < 0)
        first = 0;
    if (count < 0)
        count = 0;
    if (first >= length)
        return ZvString();
    if (count > length - first)
        count = length - first;
    if (first == 0 && count == length)
        return *this;
    return ZvString(m_pchData + first, count);
}

ZvString ZvString::Left(int count) const
{
    if (count <= 0)
        return ZvString();
    if (count >= GetLength())
        return *this;
    return ZvString(m_pchData, count);
}

ZvString ZvString::Right(int count) const
{
    const int length = GetLength();
    if (count <= 0)
        return ZvString();
    if (count >= length)
        return *this;
    return ZvString(m_pchData + length - count, count);
}

ZvString ZvString::SpanIncluding(const wchar_t* set) const
{
    if (!set || !*set)
        return ZvString();
    const int length = GetLength();
    int count = 0;
    while (count < length && InSet(set, m_pchData[count]))
        ++count;
    return Left(count);
}

ZvString ZvString::SpanExcluding(const wchar_t* set) const
{
    const int length = GetLength();
    if (!set || !*set)
        return *this;
    int count = 0;
    while (count < length && !InSet(set, m_pchData[count]))
        ++count;
    return Left(count);
}

// ---------------------------------------------------------------- editing

int ZvString::Insert(int index, wchar_t ch)
{
    const int length = GetLength();
    if (index < 0)
        index = 0;
    if (index > length)
        index = length;
    const int newLength = AddLengths(length, 1);
    wchar_t* buffer = GetBuffer(newLength);
    std::wmemmove(buffer + index + 1, buffer + index, static_cast<size_t>(length - index));
    buffer[index] = ch;
    ReleaseBuffer(newLength);
    return newLength;
}

int ZvString::Insert(int index, const wchar_t* text)
{
    const int length = GetLength();
    const int count = SafeStrlen(text);
    if (count == 0)
        return length;
    if (PointsInto(text, GetData())) {
        // The text is part of this string: take a copy before moving things.
        const ZvString copy(text, count);
        return Insert(index, copy.c_str());
    }
    if (index < 0)
        index = 0;
    if (index > length)
        index = length;
    const int newLength = AddLengths(length, count);
    wchar_t* buffer = GetBuffer(newLength);
    std::wmemmove(buffer + index + count, buffer + index, static_cast<size_t>(length - index));
    std::wmemcpy(buffer + index, text, static_cast<size_t>(count));
    ReleaseBuffer(newLength);
    return newLength;
}

int ZvString::Delete(int index, int count)
{
    const int length = GetLength();
    if (index < 0)
        index = 0;
    if (count < 1 || index >= length)
        return length;
    if (count > length - index)
        count = length - index;
    CopyBeforeWrite();
    std::wmemmove(m_pchData + index, m_pchData + index + count, static_cast<size_t>(length - index - count) + 1);
    GetData()->nDataLength = length - count;
    return length;
}

int ZvString::Replace(wchar_t oldCh, wchar_t newCh)
{
    if (oldCh == newCh)
        return 0;
    const int length = GetLength();
    int replaced = 0;
    for (int i = 0; i < length; ++i) {
        if (m_pchData[i] == oldCh) {
            if (replaced == 0)
                CopyBeforeWrite();
            m_pchData[i] = newCh;
            ++replaced;
        }
    }
    return replaced;
}

int ZvString::Replace(const wchar_t* oldText, const wchar_t* newText)
{
    const int oldLength = SafeStrlen(oldText);
    if (oldLength == 0)
        return 0;
    const int newLength = SafeStrlen(newText);
    const int length = GetLength();
    int count = 0;
    for (int at = SearchUnits(m_pchData, length, 0, oldText, oldLength); at >= 0;
         at = SearchUnits(m_pchData, length, at + oldLength, oldText, oldLength))
        ++count;
    if (count == 0)
        return 0;

    const long long resultLength = length + static_cast<long long>(count) * (newLength - oldLength);
    if (resultLength > INT_MAX)
        throw std::bad_alloc();
    // Built in a fresh block: the replacement may lie inside this string.
    ZvString result;
    if (resultLength > 0) {
        wchar_t* out = result.GetBufferSetLength(static_cast<int>(resultLength));
        int from = 0;
        for (int at = SearchUnits(m_pchData, length, 0, oldText, oldLength); at >= 0;
             at = SearchUnits(m_pchData, length, at + oldLength, oldText, oldLength)) {
            std::wmemcpy(out, m_pchData + from, static_cast<size_t>(at - from));
            out += at - from;
            std::wmemcpy(out, newText, static_cast<size_t>(newLength));
            out += newLength;
            from = at + oldLength;
        }
        std::wmemcpy(out, m_pchData + from, static_cast<size_t>(length - from));
    }
    *this = std::move(result);
    return count;
}

int ZvString::Remove(wchar_t ch)
{
    const int length = GetLength();
    const wchar_t* first = std::wmemchr(m_pchData, ch, static_cast<size_t>(length));
    if (!first)
        return 0;
    int kept = static_cast<int>(first - m_pchData);
    CopyBeforeWrite();
    for (int i = kept; i < length; ++i) {
        if (m_pchData[i] != ch)
            m_pchData[kept++] = m_pchData[i];
    }
    m_pchData[kept] = 0;
    GetData()->nDataLength = kept;
    return length - kept;
}

ZvString& ZvString::MakeUpper()
{
    if (!IsEmpty()) {
        CopyBeforeWrite();
        const int length = GetLength();
        for (int i = 0; i < length; ++i)
            m_pchData[i] = static_cast<wchar_t>(std::towupper(m_pchData[i]));
    }
    return *this;
}

ZvString& ZvString::MakeLower()
{
    if (!IsEmpty()) {
        CopyBeforeWrite();
        const int length = GetLength();
        for (int i = 0; i < length; ++i)
            m_pchData[i] = static_cast<wchar_t>(std::towlower(m_pchData[i]));
    }
    return *this;
}

ZvString& ZvString::MakeReverse()
{
    if (GetLength() > 1) {
        CopyBeforeWrite();
        std::reverse(m_pchData, m_pchData + GetLength());
    }
    return *this;
}

namespace {
template <typename Trimmed>
int LeadingRun(const wchar_t* text, int length, Trimmed trimmed)
{
    int count = 0;
    while (count < length && trimmed(text[count]))
        ++count;
    return count;
}

template <typename Trimmed>
int TrailingRun(const wchar_t* text, int length, Trimmed trimmed)
{
    int end = length;
    while (end > 0 && trimmed(text[end - 1]))
        --end;
    return length - end;
}

bool IsSpace(wchar_t ch) { return std::iswspace(ch) != 0; }
} // namespace

ZvString& ZvString::TrimLeft()
{
    const int count = LeadingRun(m_pchData, GetLength(), IsSpace);
    if (count > 0)
        Delete(0, count);
    return *this;
}

ZvString& ZvString::TrimLeft(wchar_t ch)
{
    const int count = LeadingRun(m_pchData, GetLength(), [ch](wchar_t unit) { return unit == ch; });
    if (count > 0)
        Delete(0, count);
    return *this;
}

ZvString& ZvString::TrimLeft(const wchar_t* set)
{
    if (!set || !*set)
        return *this;
    const int count = LeadingRun(m_pchData, GetLength(), [set](wchar_t unit) { return InSet(set, unit); });
    if (count > 0)
        Delete(0, count);
    return *this;
}

ZvString& ZvString::TrimRight()
{
    const int count = TrailingRun(m_pchData, GetLength(), IsSpace);
    if (count > 0)
        Delete(GetLength() - count, count);
    return *this;
}

ZvString& ZvString::TrimRight(wchar_t ch)
{
    const int count = TrailingRun(m_pchData, GetLength(), [ch](wchar_t unit) { return unit == ch; });
    if (count > 0)
        Delete(GetLength() - count, count);
    return *this;
}

ZvString& ZvString::TrimRight(const wchar_t* set)
{
    if (!set || !*set)
        return *this;
    const int count = TrailingRun(m_pchData, GetLength(), [set](wchar_t unit) { return InSet(set, unit); });
    if (count > 0)
        Delete(GetLength() - count, count);
    return *this;
}

ZvString& ZvString::Trim() { return TrimLeft().TrimRight(); }
ZvString& ZvString::Trim(wchar_t ch) { return TrimLeft(ch).TrimRight(ch); }
ZvString& ZvString::Trim(const wchar_t* set) { return TrimLeft(set).TrimRight(set); }

// ---------------------------------------------------------------- comparison

namespace {
// Units as unsigned 16-bit values, up to the first difference or terminator.
int OrdinalCompare(const wchar_t* a, const wchar_t* b)
{
    if (a == b)
        return 0;
    if (!a)
        a = L"";
    if (!b)
        b = L"";
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    const unsigned int ua = static_cast<unsigned short>(*a);
    const unsigned int ub = static_cast<unsigned short>(*b);
    return ua < ub ? -1 : (ua > ub ? 1 : 0);
}

const wchar_t* OrEmpty(const wchar_t* text) { return text ? text : L""; }
} // namespace

int ZvString::Compare(const wchar_t* text) const { return OrdinalCompare(m_pchData, text); }
int ZvString::CompareNoCase(const wchar_t* text) const { return _wcsicmp(m_pchData, OrEmpty(text)); }
int ZvString::Collate(const wchar_t* text) const { return std::wcscoll(m_pchData, OrEmpty(text)); }
int ZvString::CollateNoCase(const wchar_t* text) const { return _wcsicoll(m_pchData, OrEmpty(text)); }

bool operator==(const ZvString& left, const ZvString& right)
{
    return left.c_str() == right.c_str() || OrdinalCompare(left, right) == 0;
}
bool operator==(const ZvString& left, const wchar_t* right) { return OrdinalCompare(left, right) == 0; }
bool operator==(const wchar_t* left, const ZvString& right) { return OrdinalCompare(left, right) == 0; }
bool operator!=(const ZvString& left, const ZvString& right) { return !(left == right); }
bool operator!=(const ZvString& left, const wchar_t* right) { return OrdinalCompare(left, right) != 0; }
bool operator!=(const wchar_t* left, const ZvString& right) { return OrdinalCompare(left, right) != 0; }
bool operator<(const ZvString& left, const ZvString& right) { return OrdinalCompare(left, right) < 0; }
bool operator<(const ZvString& left, const wchar_t* right) { return OrdinalCompare(left, right) < 0; }
bool operator<(const wchar_t* left, const ZvString& right) { return OrdinalCompare(left, right) < 0; }
bool operator>(const ZvString& left, const ZvString& right) { return OrdinalCompare(left, right) > 0; }
bool operator>(const ZvString& left, const wchar_t* right) { return OrdinalCompare(left, right) > 0; }
bool operator>(const wchar_t* left, const ZvString& right) { return OrdinalCompare(left, right) > 0; }
bool operator<=(const ZvString& left, const ZvString& right) { return OrdinalCompare(left, right) <= 0; }
bool operator<=(const ZvString& left, const wchar_t* right) { return OrdinalCompare(left, right) <= 0; }
bool operator<=(const wchar_t* left, const ZvString& right) { return OrdinalCompare(left, right) <= 0; }
bool operator>=(const ZvString& left, const ZvString& right) { return OrdinalCompare(left, right) >= 0; }
bool operator>=(const ZvString& left, const wchar_t* right) { return OrdinalCompare(left, right) >= 0; }
bool operator>=(const wchar_t* left, const ZvString& right) { return OrdinalCompare(left, right) >= 0; }

// ---------------------------------------------------------------- prefix, suffix

bool ZvString::StartsWith(const wchar_t* text) const
{
    if (!text)
        return false;
    if (IsResourceId(text))
        return StartsWith(ZvString(text).c_str());
    const int count = SafeStrlen(text);
    if (count == 0 || count > GetLength())
        return false;
    return std::wmemcmp(m_pchData, text, static_cast<size_t>(count)) == 0;
}

bool ZvString::EndsWith(const wchar_t* text) const
{
    if (!text)
        return false;
    if (IsResourceId(text))
        return EndsWith(ZvString(text).c_str());
    const int count = SafeStrlen(text);
    const int length = GetLength();
    if (count == 0 || count > length)
        return false;
    return std::wmemcmp(m_pchData + length - count, text, static_cast<size_t>(count)) == 0;
}

// ---------------------------------------------------------------- splitting

namespace {
// Each token is a list node from the heap.
void AppendToken(ZvStringList& tokens, ZvString token)
{
    AllocationFailure::Check();
    tokens.push_back(std::move(token));
}
} // namespace

bool ZvString::Tokenize(const wchar_t* separator, ZvStringList& tokens) const
{
    tokens.clear();
    const int length = GetLength();
    if (!separator || !*separator) {
        if (length > 0)
            AppendToken(tokens, *this);
        return true;
    }
    int start = 0;
    while (start <= length) {
        const int match = Find(separator, start);
        if (match < 0)
            break;
        // A separator at the very beginning opens no empty token.
        if (!(match == 0 && start == 0))
            AppendToken(tokens, Mid(start, match - start));
        start = match + 1;
    }
    if (start < length)
        AppendToken(tokens, Mid(start));
    return true;
}

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
