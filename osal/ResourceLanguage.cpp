#include "osal/ResourceLanguage.h"

#include "osal/LibraryModule.h"

namespace ZvOSAL {

namespace {
volatile LONG g_resourceLanguage = kFallbackResourceLanguage;
}

LANGID GetResourceLanguage()
{
    return static_cast<LANGID>(InterlockedCompareExchange(&g_resourceLanguage, 0, 0));
}

void SetResourceLanguage(LANGID language)
{
    InterlockedExchange(&g_resourceLanguage, language ? language : kFallbackResourceLanguage);
}

bool FindStringTableEntry(unsigned int id, LANGID language, const wchar_t*& text, int& length)
{
    text = nullptr;
    length = 0;
    // String-table entries are stored 16 to a block, block n holding the ids
    // (n - 1) * 16 to n * 16 - 1; ids are 16-bit. Language 0 would let the
    // loader pick any language.
    if (id > 0xFFFF || language == 0)
        return false;
    HMODULE module = LibraryModule();
    HRSRC info = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    if (!info)
        return false;
    HGLOBAL handle = LoadResource(module, info);
    const WORD* block = handle ? static_cast<const WORD*>(LockResource(handle)) : nullptr;
    if (!block)
        return false;
    const WORD* end = block + SizeofResource(module, info) / sizeof(WORD);
    // Each entry: a 16-bit length, then that many UTF-16 units.
    const WORD* entry = block;
    for (unsigned int skip = id % 16; skip > 0; --skip) {
        if (entry >= end)
            return false;
        entry += 1 + *entry;
    }
    if (entry >= end || entry + 1 + *entry > end)
        return false;
    text = reinterpret_cast<const wchar_t*>(entry + 1);
    length = *entry;
    return true;
}

bool FindResourceString(unsigned int id, LANGID language, const wchar_t*& text, int& length)
{
    return FindStringTableEntry(id, language, text, length) && length > 0;
}

bool FindResourceString(unsigned int id, const wchar_t*& text, int& length)
{
    const LANGID language = GetResourceLanguage();
    if (FindResourceString(id, language, text, length))
        return true;
    return language != kFallbackResourceLanguage && FindResourceString(id, kFallbackResourceLanguage, text, length);
}

} // namespace ZvOSAL
