#include "ZvOSAL/ZvAString.h"

#include "osal/AllocationFailure.h"
#include "osal/CodepageConversion.h"

#include <cstring>

namespace ZvOSAL {

#if defined(_WIN64)
static_assert(sizeof(ZvAString) == 32, "ZvAString: vtable, data, two code pages, edit buffer");
#else
static_assert(sizeof(ZvAString) == 20, "ZvAString: vtable, data, two code pages, edit buffer");
#endif
static_assert(sizeof(ZvCodepages) == 4, "code pages are 32-bit");

const char ZvAString::m_gszEmpty[1] = "";

ZvAString::ZvAString()
    : m_pszData(nullptr), m_codepage(ZvCodepageAnsi), m_sourceCodepage(ZvCodepageAnsi), m_pszEditBuffer(nullptr)
{
}

ZvAString::ZvAString(ZvCodepages codepage, ZvCodepages sourceCodepage)
    : m_pszData(nullptr), m_codepage(codepage), m_sourceCodepage(sourceCodepage), m_pszEditBuffer(nullptr)
{
}

ZvAString::ZvAString(const wchar_t* text, ZvCodepages codepage)
    : m_pszData(Codepage::NewNarrow(text, codepage)), m_codepage(codepage), m_sourceCodepage(codepage),
      m_pszEditBuffer(nullptr)
{
}

ZvAString::ZvAString(const char* text, ZvCodepages codepage, ZvCodepages sourceCodepage)
    : m_pszData(Codepage::NewNarrow(text, sourceCodepage, codepage)), m_codepage(codepage),
      m_sourceCodepage(sourceCodepage), m_pszEditBuffer(nullptr)
{
}

ZvAString::ZvAString(ZvAString* other, ZvCodepages codepage)
    : m_pszData(other ? Codepage::NewNarrow(other->m_pszData, other->m_codepage, codepage) : nullptr),
      m_codepage(codepage), m_sourceCodepage(codepage), m_pszEditBuffer(nullptr)
{
}

ZvAString::ZvAString(const ZvAString& other)
    : ZvBaseString(other),
      m_pszData(Codepage::NewNarrow(other.m_pszData, other.m_sourceCodepage, other.m_codepage)),
      m_codepage(other.m_codepage), m_sourceCodepage(other.m_sourceCodepage), m_pszEditBuffer(nullptr)
{
}

ZvAString::~ZvAString()
{
    delete[] m_pszData;
    delete[] m_pszEditBuffer;
}

void ZvAString::DropEditBuffer()
{
    delete[] m_pszEditBuffer;
    m_pszEditBuffer = nullptr;
}

void ZvAString::Assign(const char* text, ZvCodepages from)
{
    // Converted first: text may be this object's own data.
    char* converted = Codepage::NewNarrow(text, from, m_codepage);
    delete[] m_pszData;
    m_pszData = converted;
}

ZvAString& ZvAString::operator=(const ZvAString& other)
{
    if (this == &other)
        return *this;
    char* converted = Codepage::NewNarrow(other.m_pszData, other.m_sourceCodepage, other.m_codepage);
    DropEditBuffer();
    delete[] m_pszData;
    m_pszData = converted;
    m_codepage = other.m_codepage;
    m_sourceCodepage = other.m_sourceCodepage;
    return *this;
}

ZvAString& ZvAString::operator=(const wchar_t* text)
{
    char* converted = Codepage::NewNarrow(text, m_codepage);
    delete[] m_pszData;
    m_pszData = converted;
    return *this;
}

ZvAString& ZvAString::operator=(const char* text)
{
    Assign(text, m_sourceCodepage);
    return *this;
}

ZvAString::operator const char*() const { return m_pszData ? m_pszData : m_gszEmpty; }

int ZvAString::GetLength() const { return m_pszData ? static_cast<int>(std::strlen(m_pszData)) : 0; }

char* ZvAString::GetBuffer(unsigned int n)
{
    if (m_pszEditBuffer)
        return m_pszEditBuffer;
    if (n == 0)
        n = static_cast<unsigned int>(GetLength());
    AllocationFailure::Check();
    m_pszEditBuffer = new char[static_cast<size_t>(n) + 1];
    m_pszEditBuffer[n] = 0;
    const size_t length = m_pszData ? std::strlen(m_pszData) : 0;
    const size_t copied = length < n ? length : n;
    if (copied)
        std::memcpy(m_pszEditBuffer, m_pszData, copied);
    m_pszEditBuffer[copied] = 0;
    return m_pszEditBuffer;
}

void ZvAString::ReleaseBuffer()
{
    if (!m_pszEditBuffer)
        return;
    Assign(m_pszEditBuffer, m_sourceCodepage);
    DropEditBuffer();
}

bool ZvAString::isUTF8(const ZvAString& text)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.m_pszData);
    if (!p)
        return false;
    for (; p[0] && p[1]; ++p) {
        if (p[0] >= 0xC0 && p[1] >= 0x80 && p[1] <= 0xBF)
            return true;
    }
    return false;
}

} // namespace ZvOSAL
