// ZvString: searching, extraction, editing, comparison and splitting.
#include "ZvOSAL/ZvString.h"

#include "osal/AllocationFailure.h"
#include "osal/ZvStringInternal.h"

#include <algorithm>
#include <climits>
#include <cwchar>
#include <cwctype>
#include <new>
#include <string>
#include <utility>

namespace ZvOSAL {

using namespace StringInternal;

namespace {

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

} // namespace

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

} // namespace ZvOSAL
