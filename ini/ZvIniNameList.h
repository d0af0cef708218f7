// Ordered lists of named entries whose names compare without regard to case,
// the containers behind the INI reader: CZvStringMap (key to value, in the
// order in which keys first appeared) and CZvStringObjMap (section name to
// its CZvStringMap).
//
// Lookup hashes the folded (lower-cased) name, finds the candidates by
// bisection over the sorted hashes and confirms each by comparing the folded
// names, so a lookup costs O(log n) plus one comparison however long the
// list. The entries keep the spelling of the name's first appearance.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ZvIni {

// The lower-case form used for every name comparison: one UTF-16 unit maps
// to one unit (invariant-culture simple case mapping), so folded lengths
// equal the original lengths. Thread-safe; the table is built on first use.
wchar_t FoldChar(wchar_t c);
void FoldName(const wchar_t* name, size_t length, std::wstring& folded);
std::wstring FoldName(const wchar_t* name, size_t length);
inline std::wstring FoldName(const std::wstring& name) { return FoldName(name.data(), name.size()); }

// FNV-1a over the folded units.
uint32_t HashName(const wchar_t* name, size_t length);

// True when both names are equal after folding.
bool NamesEqual(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength);

} // namespace ZvIni

template <class T>
class CZvNameList {
public:
    struct Entry {
        std::wstring name;
        T value;
    };

    size_t GetCount() const { return m_entries.size(); }
    bool IsEmpty() const { return m_entries.empty(); }
    const Entry& GetAt(size_t index) const { return m_entries[index]; }
    Entry& GetAt(size_t index) { return m_entries[index]; }

    // Position of the entry called name, or -1.
    long Find(const wchar_t* name, size_t length) const
    {
        const uint32_t hash = ZvIni::HashName(name, length);
        auto it = std::lower_bound(m_index.begin(), m_index.end(), IndexItem{hash, 0}, ByHash);
        for (; it != m_index.end() && it->hash == hash; ++it) {
            const std::wstring& candidate = m_entries[it->position].name;
            if (ZvIni::NamesEqual(candidate.data(), candidate.size(), name, length))
                return static_cast<long>(it->position);
        }
        return -1;
    }
    long Find(const std::wstring& name) const { return Find(name.data(), name.size()); }

    const T* Lookup(const wchar_t* name, size_t length) const
    {
        const long at = Find(name, length);
        return at < 0 ? nullptr : &m_entries[static_cast<size_t>(at)].value;
    }
    T* Lookup(const wchar_t* name, size_t length)
    {
        const long at = Find(name, length);
        return at < 0 ? nullptr : &m_entries[static_cast<size_t>(at)].value;
    }
    const T* Lookup(const std::wstring& name) const { return Lookup(name.data(), name.size()); }
    T* Lookup(const std::wstring& name) { return Lookup(name.data(), name.size()); }

    // The entry called name; a new one with an empty value is appended when
    // there is none (created tells which happened).
    T& Add(const wchar_t* name, size_t length, bool* created = nullptr)
    {
        const long at = Find(name, length);
        if (created)
            *created = at < 0;
        if (at >= 0)
            return m_entries[static_cast<size_t>(at)].value;
        const uint32_t position = static_cast<uint32_t>(m_entries.size());
        m_entries.push_back(Entry{std::wstring(name, length), T()});
        const IndexItem item{ZvIni::HashName(name, length), position};
        m_index.insert(std::upper_bound(m_index.begin(), m_index.end(), item, ByHash), item);
        return m_entries.back().value;
    }
    T& Add(const std::wstring& name, bool* created = nullptr) { return Add(name.data(), name.size(), created); }

    // Sets the value of name: an existing entry keeps its place (and the
    // spelling of its first appearance), a new one is appended.
    void Set(const std::wstring& name, const T& value) { Add(name) = value; }

    bool Remove(const wchar_t* name, size_t length)
    {
        const long at = Find(name, length);
        if (at < 0)
            return false;
        const uint32_t position = static_cast<uint32_t>(at);
        m_entries.erase(m_entries.begin() + at);
        for (auto it = m_index.begin(); it != m_index.end();) {
            if (it->position == position) {
                it = m_index.erase(it);
                continue;
            }
            if (it->position > position)
                --it->position;
            ++it;
        }
        return true;
    }
    bool Remove(const std::wstring& name) { return Remove(name.data(), name.size()); }

    void Clear()
    {
        m_entries.clear();
        m_index.clear();
    }

private:
    struct IndexItem {
        uint32_t hash;
        uint32_t position;
    };
    static bool ByHash(const IndexItem& a, const IndexItem& b) { return a.hash < b.hash; }

    std::vector<Entry> m_entries;
    std::vector<IndexItem> m_index; // sorted by hash
};

// Key to value, in the order of first appearance.
using CZvStringMap = CZvNameList<std::wstring>;
// Section name to its keys, in the order of first appearance.
using CZvStringObjMap = CZvNameList<CZvStringMap>;
