#include "ZvOSAL/ZvVersion.h"

#include <cstddef>
#include <cwchar>

namespace ZvOSAL {

ZvVersion::ZvVersion()
{
#if defined(__i386__)
    // The x86 interface: a table pointer, then four 32-bit parts.
    static_assert(sizeof(unsigned long) == 4, "32-bit parts");
    static_assert(sizeof(ZvVersion) == 20, "ZvVersion layout");
#endif
    Init();
}

ZvVersion::ZvVersion(const ZvVersion& other)
{
    for (int i = 0; i < 4; ++i)
        m_nVersion[i] = other.m_nVersion[i];
}

ZvVersion::ZvVersion(unsigned long major, unsigned long minor, unsigned long release, unsigned long build)
{
    m_nVersion[0] = major;
    m_nVersion[1] = minor;
    m_nVersion[2] = release;
    m_nVersion[3] = build;
}

ZvVersion::ZvVersion(const ZvString& text)
{
    ConvertFromString(text);
}

ZvVersion::~ZvVersion() {}

ZvVersion& ZvVersion::operator=(const ZvVersion& other)
{
    for (int i = 0; i < 4; ++i)
        m_nVersion[i] = other.m_nVersion[i];
    return *this;
}

ZvVersion& ZvVersion::operator=(const ZvString& text)
{
    ConvertFromString(text);
    return *this;
}

void ZvVersion::Init()
{
    for (int i = 0; i < 4; ++i)
        m_nVersion[i] = 0;
}

unsigned long ZvVersion::GetVersion(EVersion index) const
{
    if (index < 0 || index > 3)
        return 0;
    return m_nVersion[index];
}

void ZvVersion::SetVersion(EVersion index, unsigned long value)
{
    if (index < 0 || index > 3)
        return;
    m_nVersion[index] = value;
}

ZvString ZvVersion::GetDisplayName() const
{
    ZvString name;
    name.Format(L"%u.%u.%u.%u", m_nVersion[0], m_nVersion[1], m_nVersion[2], m_nVersion[3]);
    return name;
}

void ZvVersion::ConvertFromString(const ZvString& text)
{
    Init();
    ZvStringList tokens;
    text.Tokenize(L".", tokens);
    int index = 0;
    for (ZvStringList::const_iterator it = tokens.begin(); it != tokens.end() && index < 4; ++it, ++index) {
        // wcstoul saturates at ULONG_MAX (32 bits on Windows) and stops at the
        // first non-digit, which is what version texts like "0b" need.
        m_nVersion[index] = wcstoul(it->c_str(), nullptr, 10);
    }
}

int ZvVersion::CompareTo(const ZvVersion& other) const
{
    for (int i = 0; i < 4; ++i) {
        if (m_nVersion[i] < other.m_nVersion[i])
            return -1;
        if (m_nVersion[i] > other.m_nVersion[i])
            return 1;
    }
    return 0;
}

bool ZvVersion::operator==(const ZvVersion& other) const { return CompareTo(other) == 0; }
bool ZvVersion::operator<(const ZvVersion& other) const { return CompareTo(other) < 0; }
bool ZvVersion::operator>(const ZvVersion& other) const { return CompareTo(other) > 0; }
bool ZvVersion::operator<=(const ZvVersion& other) const { return CompareTo(other) <= 0; }
bool ZvVersion::operator>=(const ZvVersion& other) const { return CompareTo(other) >= 0; }

} // namespace ZvOSAL
