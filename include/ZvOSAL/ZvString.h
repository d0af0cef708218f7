// ZvString: the library's working UTF-16 string.
//
// A ZvString is one pointer to the first character of a character block that
// is preceded by its ZvStringData header. Copies share the block (the
// reference count is changed atomically) and a string makes its block its own
// before any change (copy-on-write), so copies are O(1) and a change to one
// copy never shows in another. Empty strings point at one static empty block
// and never allocate. Blocks of up to 512 characters come from four
// process-wide fixed-size pools (64, 128, 256 and 512 characters, each with
// its own lock); larger blocks come from the heap with exactly the requested
// capacity. Appending beyond the capacity reallocates to exactly the new
// length (the pools give slack up to 512 characters).
//
// All lengths and indexes are in UTF-16 units. Accessors do no range checks:
// an index must lie inside the string. Allocation failure throws
// std::bad_alloc.
//
// A ZvString object is not thread-safe, but strings that share a block may be
// used on different threads.
//
// Two members carry the names that <windows.h> gives them through its UNICODE
// macros: LoadString is exported as LoadStringW and FormatMessage as
// FormatMessageW. Both spellings work whether or not <windows.h> is included
// (before or after this header) as long as UNICODE is defined when it is.
#pragma once

#include "ZvCodepages.h"
#include "ZvExport.h"

#include <cstdarg>
#include <list>

namespace ZvOSAL {

// The header of a character block; the characters follow it directly.
struct ZvStringData {
    // Strings sharing the block; -1: locked (LockBuffer) or the static empty
    // block, which is never counted nor freed.
    long nRefs;
    // Characters in use, without the terminator.
    int nDataLength;
    // Capacity in characters, without the terminator.
    int nAllocLength;

    wchar_t* data() { return reinterpret_cast<wchar_t*>(this + 1); }
    const wchar_t* data() const { return reinterpret_cast<const wchar_t*>(this + 1); }
};

class ZvString;

// The list that Tokenize fills.
typedef std::list<ZvString> ZvStringList;

// Diagnostics of the block allocator (ZvString::GetPoolStatistics). Index 0 to
// 3 are the pools of 64, 128, 256 and 512 characters.
struct ZvStringPoolStatistics {
    int blocksInUse[4];      // pool blocks currently handed out
    int blocksAllocated[4];  // pool blocks carved from the system so far (in use + free)
    int heapBlocksInUse;     // blocks above 512 characters currently allocated
};

class ZVOSAL_API ZvString {
public:
    // ---- Construction ----
    ZvString();
    // Shares other's block, unless other is locked (then a deep copy).
    ZvString(const ZvString& other);
    // Takes other's block; other becomes empty. A locked other is copied.
    ZvString(ZvString&& other) noexcept;
    // text is NUL-terminated; null gives the empty string. A pointer whose
    // value is below 0x10000 is a string-resource identifier (as made by
    // MAKEINTRESOURCEW): the string is loaded with LoadString.
    ZvString(const wchar_t* text);
    // Exactly length units of text (none when length < 1 or text is null).
    ZvString(const wchar_t* text, int length);
    // ch repeated count times; count < 1 gives the empty string.
    ZvString(wchar_t ch, int count);
    // 8-bit text converted from the ANSI code page; null gives empty.
    ZvString(const char* text);
    // Exactly length bytes of text, converted from the ANSI code page.
    ZvString(const char* text, int length);
    // 8-bit text converted from the given code page.
    ZvString(const char* text, ZvCodepages codepage);
    // As const char*.
    ZvString(const unsigned char* text);
    ~ZvString();

    // ---- Assignment (8-bit input is converted from the ANSI code page; there
    // is no application framework here, so no assignment from its string) ----
    ZvString& operator=(const ZvString& other);
    ZvString& operator=(ZvString&& other) noexcept;
    // As construction: null gives empty, a pointer below 0x10000 loads that
    // string resource.
    ZvString& operator=(const wchar_t* text);
    ZvString& operator=(wchar_t ch);
    // A char is sign-extended to 16 bits: 0x80..0xFF become 0xFF80..0xFFFF.
    ZvString& operator=(char ch);
    ZvString& operator=(const char* text);
    ZvString& operator=(const unsigned char* text);

    // ---- Concatenation (a char is sign-extended, as for assignment) ----
    ZvString& operator+=(const ZvString& other);
    ZvString& operator+=(const wchar_t* text);
    ZvString& operator+=(wchar_t ch);
    ZvString& operator+=(char ch);

    // ---- Size and access (no range checks) ----
    int GetLength() const { return GetData()->nDataLength; }
    int GetAllocLength() const { return GetData()->nAllocLength; }
    // Non-zero when the length is 0.
    int IsEmpty() const { return GetData()->nDataLength == 0; }
    wchar_t GetAt(int index) const { return m_pchData[index]; }
    wchar_t operator[](int index) const { return m_pchData[index]; }
    // Makes the block the string's own first.
    void SetAt(int index, wchar_t ch);
    // Units up to the first 0 (a string may hold embedded zeros).
    int GetCharCount() const;
    // The unit at index; 0 for an empty string.
    unsigned int GetCharAt(int index) const;
    // Never null.
    const wchar_t* c_str() const { return m_pchData; }
    operator const wchar_t*() const { return m_pchData; }

    // ---- Buffer access ----
    // A writable buffer of at least minLength units (the block made the
    // string's own); the content and length are kept. Call ReleaseBuffer after
    // writing. An empty string asked for 0 units returns the shared empty
    // buffer: write nothing there.
    wchar_t* GetBuffer(int minLength);
    // Sets the length to newLength, or for -1 to the units before the first 0.
    void ReleaseBuffer(int newLength = -1);
    // GetBuffer(newLength), then the length is newLength.
    wchar_t* GetBufferSetLength(int newLength);
    // Reallocates for exactly the length (a pool size again for short strings).
    void FreeExtra();
    // Makes the block the string's own and locks it: the string never shares
    // it, so copies made from it are deep. Returns the characters.
    wchar_t* LockBuffer();
    // Makes a locked block shareable again.
    void UnlockBuffer();
    // Length 0: a locked string keeps its block, any other string lets it go.
    void Empty();

    // ---- Searching (indexes from the start; -1 when not found) ----
    int Find(wchar_t ch) const;
    // start must not be negative; a start at or beyond the length gives -1.
    int Find(wchar_t ch, int start) const;
    // Ordinal substring search; an empty text is found at the start, null is
    // never found.
    int Find(const wchar_t* text) const;
    // A start beyond the length gives -1.
    int Find(const wchar_t* text, int start) const;
    int ReverseFind(wchar_t ch) const;
    // First / last unit that is in the set.
    int FindOneOf(const wchar_t* set) const;
    int ReverseFindOneOf(const wchar_t* set) const;
    // Search after lower-casing copies of both strings (towlower).
    int FindNoCase(ZvString text) const;
    int FindNoCase(ZvString text, int start) const;

    // ---- Extraction (negative arguments count as 0; results are cut at the
    // end; a result that is the whole string shares its block) ----
    ZvString Mid(int first) const;
    ZvString Mid(int first, int count) const;
    ZvString Left(int count) const;
    ZvString Right(int count) const;
    // The leading run of units that are in / not in the set.
    ZvString SpanIncluding(const wchar_t* set) const;
    ZvString SpanExcluding(const wchar_t* set) const;

    // ---- Editing ----
    // The index is clamped to 0..length; returns the new length.
    int Insert(int index, wchar_t ch);
    int Insert(int index, const wchar_t* text);
    // Removes at most count units from index (a negative index counts as 0;
    // nothing when count < 1 or index is at or past the end). Returns the
    // length before the call.
    int Delete(int index, int count = 1);
    // Returns the number of units replaced (0 when both are equal).
    int Replace(wchar_t oldCh, wchar_t newCh);
    // Replaces every non-overlapping occurrence from left to right; a null or
    // empty pattern does nothing, a null replacement counts as empty. Returns
    // the number of replacements.
    int Replace(const wchar_t* oldText, const wchar_t* newText);
    // Returns the number of units removed.
    int Remove(wchar_t ch);
    ZvString& MakeUpper();
    ZvString& MakeLower();
    ZvString& MakeReverse();
    // Without an argument white space (iswspace) is trimmed; otherwise the
    // given unit or any unit of the set.
    ZvString& TrimLeft();
    ZvString& TrimLeft(wchar_t ch);
    ZvString& TrimLeft(const wchar_t* set);
    ZvString& TrimRight();
    ZvString& TrimRight(wchar_t ch);
    ZvString& TrimRight(const wchar_t* set);
    ZvString& Trim();
    ZvString& Trim(wchar_t ch);
    ZvString& Trim(const wchar_t* set);

    // ---- Comparison ----
    // Ordinal (units as unsigned 16-bit values): -1, 0 or 1. Null counts as empty.
    int Compare(const wchar_t* text) const;
    // _wcsicmp, wcscoll and _wcsicoll.
    int CompareNoCase(const wchar_t* text) const;
    int Collate(const wchar_t* text) const;
    int CollateNoCase(const wchar_t* text) const;

    // ---- Prefix and suffix ----
    // A text below 0x10000 is a string-resource identifier. An empty text, or
    // one longer than the string, gives false.
    bool StartsWith(const wchar_t* text) const;
    bool EndsWith(const wchar_t* text) const;

    // ---- Splitting ----
    // Clears tokens and fills it with the pieces between separators: no
    // leading empty token when the string begins with the separator, an empty
    // token between two adjacent separators, none after a trailing separator.
    // After a match the search goes on one unit after the match's start. A
    // null or empty separator gives the whole string as the only token (none
    // for an empty string). Always returns true.
    bool Tokenize(const wchar_t* separator, ZvStringList& tokens) const;

    // ---- Numbers (leading white space skipped; stop at the first unfit
    // character; unparsable text gives 0) ----
    int ToInt(int base = 10) const;            // wcstol
    unsigned int ToUInt(int base = 10) const;  // wcstoul
    long long ToInt64() const;                 // _wtoi64 (decimal)
    float ToFloat() const;                     // wcstod, narrowed
    double ToDouble() const;                   // wcstod
    // Replace the content with "%i", "%u", "%I64i", "%f" and "%f".
    ZvString& FromInt(int value);
    ZvString& FromUInt(unsigned int value);
    ZvString& FromInt64(long long value);
    ZvString& FromFloat(float value);
    ZvString& FromDouble(double value);

    // ---- Formatting ----
    // printf-style with the Microsoft wide conventions: %s and %c take wide
    // arguments, %S and %C narrow ones; h (narrow), l (wide) and I64 (64-bit)
    // size prefixes; F, N and L are ignored. The output is never truncated:
    // its size is computed before formatting once.
    void Format(const wchar_t* format, ...);
    // The format is loaded with LoadString first.
    void Format(unsigned int formatId, ...);
    void FormatV(const wchar_t* format, va_list args);
    // The system's FormatMessage over the arguments (inserts %1, %2, ...).
    // Throws std::bad_alloc when the system fails. An empty format gives the
    // empty string.
    void FormatMessageW(const wchar_t* format, ...);
    void FormatMessageW(unsigned int formatId, ...);
    // As FormatMessageW with a va_list (passed by address, as the system takes it).
    void FormatMessageV(const wchar_t* format, va_list* args);
#ifndef FormatMessage
    void FormatMessage(const wchar_t* format, ...)
    {
        va_list args;
        va_start(args, format);
        FormatMessageV(format, &args);
        va_end(args);
    }
    void FormatMessage(unsigned int formatId, ...)
    {
        ZvString format;
        format.LoadStringW(formatId);
        va_list args;
        va_start(args, formatId);
        FormatMessageV(format, &args);
        va_end(args);
    }
#endif
    // The system's message text for a system error code (neutral/default
    // language, inserts ignored). False, string unchanged, when there is none.
    bool FormatErrorCode(unsigned long code);

    // ---- Resources ----
    // Loads string-table entry id from the library's own module in the
    // library's current resource language (English (United Kingdom) when the
    // entry is missing there); strings of any length load in full, up to
    // their first 0. Non-zero when the loaded string is not empty; a missing
    // entry leaves the string empty.
    int LoadStringW(unsigned int id);
#ifndef LoadString
    int LoadString(unsigned int id) { return LoadStringW(id); }
#endif

    // ---- Diagnostics ----
    // Block counts of the allocator, for leak and reuse checks (diagnostic
    // only: the figures are process-wide and change with every string).
    static void GetPoolStatistics(ZvStringPoolStatistics& stats);

protected:
    ZvStringData* GetData() const { return reinterpret_cast<ZvStringData*>(m_pchData) - 1; }
    // Points at the empty block.
    void Init();
    // A fresh block for length characters (count 1, length set, terminator at
    // length); the empty block for 0. The old block is not released.
    void AllocBuffer(int length);
    // dest gets copyLength characters from copyIndex plus room for extraLength.
    void AllocCopy(ZvString& dest, int copyLength, int copyIndex, int extraLength) const;
    // Replaces the content with length characters of src.
    void AssignCopy(int length, const wchar_t* src);
    // Replaces the content with src1 followed by src2.
    void ConcatCopy(int length1, const wchar_t* src1, int length2, const wchar_t* src2);
    // Appends length characters of src.
    void ConcatInPlace(int length, const wchar_t* src);
    // Makes a shared block the string's own (copy-on-write).
    void CopyBeforeWrite();
    // Makes sure an own block of at least length characters exists, content
    // not kept (for changes that replace everything).
    void AllocBeforeWrite(int length);
    // Lets go of the block and points at the empty block.
    void Release();
    static void Release(ZvStringData* data);
    static void FreeData(ZvStringData* data);
    static int SafeStrlen(const wchar_t* text);

private:
    void AssignAnsi(const char* text, int length, ZvCodepages codepage);
    bool LoadResourceText(const wchar_t* id);

    wchar_t* m_pchData;
};

// ---- Concatenation ----
ZVOSAL_API ZvString operator+(const ZvString& left, const ZvString& right);
ZVOSAL_API ZvString operator+(const ZvString& left, const wchar_t* right);
ZVOSAL_API ZvString operator+(const wchar_t* left, const ZvString& right);
ZVOSAL_API ZvString operator+(const ZvString& left, wchar_t right);
ZVOSAL_API ZvString operator+(wchar_t left, const ZvString& right);
// A char is sign-extended to 16 bits.
ZVOSAL_API ZvString operator+(const ZvString& left, char right);
ZVOSAL_API ZvString operator+(char left, const ZvString& right);

// ---- Comparison: ordinal and case-sensitive (units as unsigned 16-bit
// values); a null const wchar_t* counts as empty ----
ZVOSAL_API bool operator==(const ZvString& left, const ZvString& right);
ZVOSAL_API bool operator==(const ZvString& left, const wchar_t* right);
ZVOSAL_API bool operator==(const wchar_t* left, const ZvString& right);
ZVOSAL_API bool operator!=(const ZvString& left, const ZvString& right);
ZVOSAL_API bool operator!=(const ZvString& left, const wchar_t* right);
ZVOSAL_API bool operator!=(const wchar_t* left, const ZvString& right);
ZVOSAL_API bool operator<(const ZvString& left, const ZvString& right);
ZVOSAL_API bool operator<(const ZvString& left, const wchar_t* right);
ZVOSAL_API bool operator<(const wchar_t* left, const ZvString& right);
ZVOSAL_API bool operator>(const ZvString& left, const ZvString& right);
ZVOSAL_API bool operator>(const ZvString& left, const wchar_t* right);
ZVOSAL_API bool operator>(const wchar_t* left, const ZvString& right);
ZVOSAL_API bool operator<=(const ZvString& left, const ZvString& right);
ZVOSAL_API bool operator<=(const ZvString& left, const wchar_t* right);
ZVOSAL_API bool operator<=(const wchar_t* left, const ZvString& right);
ZVOSAL_API bool operator>=(const ZvString& left, const ZvString& right);
ZVOSAL_API bool operator>=(const ZvString& left, const wchar_t* right);
ZVOSAL_API bool operator>=(const wchar_t* left, const ZvString& right);

} // namespace ZvOSAL
