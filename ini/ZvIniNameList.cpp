#include "ini/ZvIniNameList.h"

#include <windows.h>

namespace ZvIni {
namespace {

// One lower-case unit for every UTF-16 unit. ASCII is folded directly; the
// rest comes from the system's invariant simple case mapping, asked once for
// the whole range so that folding never calls the system again.
class FoldTable {
public:
    FoldTable()
    {
        for (unsigned c = 0; c < 0x10000; ++c)
            m_table[c] = static_cast<wchar_t>(c);
        for (unsigned c = 'A'; c <= 'Z'; ++c)
            m_table[c] = static_cast<wchar_t>(c + ('a' - 'A'));
        // Surrogates stay as they are: they are halves, not characters.
        MapRange(0x80, 0xD800);
        MapRange(0xE000, 0x10000);
    }

    wchar_t operator[](wchar_t c) const { return m_table[static_cast<unsigned short>(c)]; }

private:
    void MapRange(unsigned first, unsigned end)
    {
        const int count = static_cast<int>(end - first);
        std::vector<wchar_t> source(static_cast<size_t>(count));
        std::vector<wchar_t> target(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            source[static_cast<size_t>(i)] = static_cast<wchar_t>(first + static_cast<unsigned>(i));
        const int written = LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, source.data(), count,
                                         target.data(), count);
        // Only a unit-for-unit answer is usable; otherwise keep the identity.
        if (written != count)
            return;
        for (int i = 0; i < count; ++i)
            m_table[first + static_cast<unsigned>(i)] = target[static_cast<size_t>(i)];
    }

    wchar_t m_table[0x10000];
};

const FoldTable& Table()
{
    static const FoldTable* table = new FoldTable(); // lives as long as the process
    return *table;
}

} // namespace

wchar_t FoldChar(wchar_t c)
{
    if (c < 0x80)
        return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
    return Table()[c];
}

void FoldName(const wchar_t* name, size_t length, std::wstring& folded)
{
    folded.resize(length);
    for (size_t i = 0; i < length; ++i)
        folded[i] = FoldChar(name[i]);
}

std::wstring FoldName(const wchar_t* name, size_t length)
{
    std::wstring folded;
    FoldName(name, length, folded);
    return folded;
}

uint32_t HashName(const wchar_t* name, size_t length)
{
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < length; ++i) {
        hash ^= static_cast<uint16_t>(FoldChar(name[i]));
        hash *= 16777619u;
    }
    return hash;
}

bool NamesEqual(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength)
{
    if (aLength != bLength)
        return false;
    for (size_t i = 0; i < aLength; ++i) {
        if (a[i] != b[i] && FoldChar(a[i]) != FoldChar(b[i]))
            return false;
    }
    return true;
}

} // namespace ZvIni
