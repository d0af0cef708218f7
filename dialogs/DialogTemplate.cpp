#include "dialogs/DialogTemplate.h"

#include "osal/LibraryModule.h"
#include "osal/ResourceLanguage.h"

namespace {

struct LowestLanguage {
    bool any = false;
    LANGID language = 0;
};

// Remembers the lowest language a resource exists in (0, neutral, counts).
BOOL CALLBACK KeepLowestLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param)
{
    LowestLanguage& lowest = *reinterpret_cast<LowestLanguage*>(param);
    if (!lowest.any || language < lowest.language) {
        lowest.any = true;
        lowest.language = language;
    }
    return TRUE;
}

bool LoadTemplate(HMODULE module, unsigned int id, LANGID language, DialogTemplateResource& found)
{
    found = DialogTemplateResource();
    // Resource ids are 16-bit; anything larger would be read as a name pointer.
    if (!module || id == 0 || id > 0xFFFF)
        return false;
    HRSRC info = FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(id), language);
    if (!info)
        return false;
    const DWORD size = SizeofResource(module, info);
    HGLOBAL handle = LoadResource(module, info);
    const void* data = handle ? LockResource(handle) : nullptr;
    // Smaller than the fixed header of a plain template: not a dialog template.
    if (!data || size < sizeof(DLGTEMPLATE))
        return false;
    found.data = static_cast<const DLGTEMPLATE*>(data);
    found.size = size;
    found.language = language;
    return true;
}

} // namespace

bool FindDialogTemplateExact(HMODULE module, unsigned int id, LANGID language, DialogTemplateResource& found)
{
    // The loader reads language 0 as "any language" (on Windows the thread's,
    // under Wine the lowest), which is no exact match.
    if (language == 0) {
        found = DialogTemplateResource();
        return false;
    }
    return LoadTemplate(module, id, language, found);
}

bool FindDialogTemplate(HMODULE module, unsigned int id, LANGID language, DialogTemplateResource& found)
{
    if (FindDialogTemplateExact(module, id, language, found))
        return true;
    const LANGID fallback = ZvOSAL::kFallbackResourceLanguage;
    if (language != fallback && FindDialogTemplateExact(module, id, fallback, found))
        return true;
    if (!module || id == 0 || id > 0xFFFF)
        return false;
    LowestLanguage lowest;
    EnumResourceLanguagesW(module, RT_DIALOG, MAKEINTRESOURCEW(id), KeepLowestLanguage,
                           reinterpret_cast<LONG_PTR>(&lowest));
    // A template stored language-neutral (0) is what the loader gives for 0.
    return lowest.any && LoadTemplate(module, id, lowest.language, found);
}

bool FindDialogTemplate(unsigned int id, LANGID language, DialogTemplateResource& found)
{
    return FindDialogTemplate(ZvOSAL::LibraryModule(), id, language, found);
}
