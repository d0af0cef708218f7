// ZvWString: an owning UTF-16 string that converts 8-bit input from its code
// page. Conversions that fail give the empty string, never an error.
#pragma once

#include "ZvBaseString.h"
#include "ZvCodepages.h"

namespace ZvOSAL {

class ZvAString;

class ZVOSAL_API ZvWString : public ZvBaseString {
public:
    // Empty, code page 0 (ANSI).
    ZvWString();
    // Empty with the given code page for 8-bit input.
    explicit ZvWString(ZvCodepages codepage);
    // A copy of text; code page 0.
    ZvWString(const wchar_t* text);
    // text converted from codepage.
    ZvWString(const char* text, ZvCodepages codepage);
    // other's text converted from other's code page, which this object takes.
    // A null other gives the empty string with code page 0.
    ZvWString(ZvAString* other);
    ZvWString(const ZvWString& other);
    ~ZvWString() override;

    // Takes the text and the code page; drops an outstanding edit buffer.
    ZvWString& operator=(const ZvWString& other);
    ZvWString& operator=(const wchar_t* text);
    // text converted from this object's code page.
    ZvWString& operator=(const char* text);

    // Never null: m_gwszEmpty when empty.
    operator const wchar_t*() const;
    const wchar_t* c_str() const;
    // UTF-16 units up to the terminator.
    int GetLength() const override;

    ZvCodepages GetCodepage() const { return m_codepage; }

    // An edit buffer of n + 1 units (n = current length when 0) holding at
    // most n units of the text; returns the outstanding buffer if there is one.
    wchar_t* GetBuffer(unsigned int n);
    // Replaces the text with the edit buffer's text and frees the buffer.
    void ReleaseBuffer();

    // The empty text returned for an empty string.
    static const wchar_t m_gwszEmpty[1];

private:
    void Assign(const wchar_t* text);
    void DropEditBuffer();

    wchar_t* m_pwszData;        // heap-owned, null when empty
    ZvCodepages m_codepage;     // code page of 8-bit input
    wchar_t* m_pwszEditBuffer;  // heap-owned, null unless GetBuffer is outstanding
};

} // namespace ZvOSAL
