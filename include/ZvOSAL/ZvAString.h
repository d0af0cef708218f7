// ZvAString: an owning 8-bit string that knows its code page and the code page
// in which 8-bit text handed to it is written (its source code page).
// Conversions that fail (unknown code page, invalid input) give the empty
// string; the object never reports an error.
#pragma once

#include "ZvBaseString.h"
#include "ZvCodepages.h"

namespace ZvOSAL {

class ZVOSAL_API ZvAString : public ZvBaseString {
public:
    // Empty, both code pages 0 (ANSI).
    ZvAString();
    // Empty with the given code pages.
    ZvAString(ZvCodepages codepage, ZvCodepages sourceCodepage);
    // text converted to codepage; both code pages = codepage.
    ZvAString(const wchar_t* text, ZvCodepages codepage);
    // text converted from sourceCodepage to codepage.
    ZvAString(const char* text, ZvCodepages codepage, ZvCodepages sourceCodepage);
    // other's text converted from other's code page to codepage; both code
    // pages = codepage. A null other gives the empty string.
    ZvAString(ZvAString* other, ZvCodepages codepage);
    // Takes both code pages of other; the text is other's text converted from
    // its source code page to its code page. The stored text is already in
    // the code page, so the copy is identical only when the two code pages
    // are equal (as after construction from wide text); otherwise the text is
    // converted a second time.
    ZvAString(const ZvAString& other);
    ~ZvAString() override;

    // As the copy constructor; drops an outstanding edit buffer.
    ZvAString& operator=(const ZvAString& other);
    // text converted to the code page.
    ZvAString& operator=(const wchar_t* text);
    // text converted from the source code page to the code page.
    ZvAString& operator=(const char* text);

    // Never null: m_gszEmpty when empty.
    operator const char*() const;
    const char* c_str() const { return *this; }
    // Bytes up to the terminator.
    int GetLength() const override;

    ZvCodepages GetCodepage() const { return m_codepage; }
    ZvCodepages GetSourceCodepage() const { return m_sourceCodepage; }

    // An edit buffer of n + 1 bytes (n = current length when 0) holding at
    // most n bytes of the text; returns the outstanding buffer if there is one.
    char* GetBuffer(unsigned int n);
    // Replaces the text with the edit buffer's text, converted from the source
    // code page to the code page, and frees the buffer.
    void ReleaseBuffer();

    // Heuristic, not a validation: true when a byte >= 0xC0 is directly
    // followed by a byte in 0x80..0xBF somewhere in the text.
    static bool isUTF8(const ZvAString& text);

    // The empty text returned for an empty string.
    static const char m_gszEmpty[1];

private:
    void Assign(const char* text, ZvCodepages from);
    void DropEditBuffer();

    char* m_pszData;               // heap-owned, null when empty
    ZvCodepages m_codepage;        // code page of the stored text
    ZvCodepages m_sourceCodepage;  // code page assumed for 8-bit input
    char* m_pszEditBuffer;         // heap-owned, null unless GetBuffer is outstanding
};

} // namespace ZvOSAL
