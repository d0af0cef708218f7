// ZvString: blocks, construction, assignment, concatenation and buffer
// access. Searching and editing are in ZvStringAlgorithms.cpp, numbers,
// formatting and resources in ZvStringFormat.cpp.
#include "ZvOSAL/ZvString.h"

#include "osal/CodepageConversion.h"
#include "osal/ZvStringInternal.h"
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

using namespace StringInternal;

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

// A char is sign-extended to 16 bits: 0x80..0xFF become 0xFF80..0xFFFF.
inline wchar_t Widen(char ch) { return static_cast<wchar_t>(static_cast<short>(static_cast<signed char>(ch))); }

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

} // namespace ZvOSAL
