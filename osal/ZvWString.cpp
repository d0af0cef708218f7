#include "ZvOSAL/ZvWString.h"

#include "ZvOSAL/ZvAString.h"
#include "osal/AllocationFailure.h"
#include "osal/CodepageConversion.h"

#include <cwchar>

namespace ZvOSAL {

#if defined(_WIN64)
static_assert(sizeof(ZvWString) == 32, "ZvWString: vtable, data, code page, edit buffer");
#else
static_assert(sizeof(ZvWString) == 16, "ZvWString: vtable, data, code page, edit buffer");
#endif

const wchar_t ZvWString::m_gwszEmpty[1] = L"";

ZvWString::ZvWString() : m_pwszData(nullptr), m_codepage(ZvCodepageAnsi), m_pwszEditBuffer(nullptr) {}

ZvWString::ZvWString(ZvCodepages codepage) : m_pwszData(nullptr), m_codepage(codepage), m_pwszEditBuffer(nullptr) {}

ZvWString::ZvWString(const wchar_t* text)
    : m_pwszData(Codepage::NewCopy(text)), m_codepage(ZvCodepageAnsi), m_pwszEditBuffer(nullptr)
{
}

ZvWString::ZvWString(const char* text, ZvCodepages codepage)
    : m_pwszData(Codepage::NewWide(text, codepage)), m_codepage(codepage), m_pwszEditBuffer(nullptr)
{
}

ZvWString::ZvWString(ZvAString* other)
    : m_pwszData(other ? Codepage::NewWide(*other, other->GetCodepage()) : nullptr),
      m_codepage(other ? other->GetCodepage() : ZvCodepageAnsi), m_pwszEditBuffer(nullptr)
{
}

ZvWString::ZvWString(const ZvWString& other)
    : ZvBaseString(other), m_pwszData(Codepage::NewCopy(other.m_pwszData)), m_codepage(other.m_codepage),
      m_pwszEditBuffer(nullptr)
{
}

ZvWString::~ZvWString()
{
    delete[] m_pwszData;
    delete[] m_pwszEditBuffer;
}

void ZvWString::DropEditBuffer()
{
    delete[] m_pwszEditBuffer;
    m_pwszEditBuffer = nullptr;
}

void ZvWString::Assign(const wchar_t* text)
{
    // Copied first: text may be this object's own data.
    wchar_t* copy = Codepage::NewCopy(text);
    delete[] m_pwszData;
    m_pwszData = copy;
}

ZvWString& ZvWString::operator=(const ZvWString& other)
{
    if (this == &other)
        return *this;
    DropEditBuffer();
    Assign(other.m_pwszData);
    m_codepage = other.m_codepage;
    return *this;
}

ZvWString& ZvWString::operator=(const wchar_t* text)
{
    Assign(text);
    return *this;
}

ZvWString& ZvWString::operator=(const char* text)
{
    wchar_t* converted = Codepage::NewWide(text, m_codepage);
    delete[] m_pwszData;
    m_pwszData = converted;
    return *this;
}

ZvWString::operator const wchar_t*() const { return m_pwszData ? m_pwszData : m_gwszEmpty; }

const wchar_t* ZvWString::c_str() const { return *this; }

int ZvWString::GetLength() const { return m_pwszData ? static_cast<int>(std::wcslen(m_pwszData)) : 0; }

wchar_t* ZvWString::GetBuffer(unsigned int n)
{
    if (m_pwszEditBuffer)
        return m_pwszEditBuffer;
    if (n == 0)
        n = static_cast<unsigned int>(GetLength());
    AllocationFailure::Check();
    m_pwszEditBuffer = new wchar_t[static_cast<size_t>(n) + 1];
    m_pwszEditBuffer[n] = 0;
    const size_t length = m_pwszData ? std::wcslen(m_pwszData) : 0;
    const size_t copied = length < n ? length : n;
    if (copied)
        std::wmemcpy(m_pwszEditBuffer, m_pwszData, copied);
    m_pwszEditBuffer[copied] = 0;
    return m_pwszEditBuffer;
}

void ZvWString::ReleaseBuffer()
{
    if (!m_pwszEditBuffer)
        return;
    Assign(m_pwszEditBuffer);
    DropEditBuffer();
}

} // namespace ZvOSAL
