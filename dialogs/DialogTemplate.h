// Dialog templates from the library's resources, by language.
//
// The dialogs are created from templates in memory (not by resource id) so
// that the template's language is ours to choose: a lookup by id alone
// (DialogBox, FindResourceW) takes whatever language the loader prefers, and
// under Wine that is the lowest language id present, not the user's.
//
// Lookup order for FindDialogTemplate(id, language):
//   1. the template in exactly `language`;
//   2. in English (United Kingdom), 2057, the fallback of every template;
//   3. in any language the module holds it in: the lowest language id, so
//      that the choice is the same on every system.
// Language 0 (LANG_NEUTRAL) names no language: it skips step 1, because the
// loader would read it as "any language" (under Wine: the lowest id).
// Strings are looked up the same way by osal/ResourceLanguage.h.
#pragma once

#include <windows.h>

struct DialogTemplateResource {
    // The template as stored: an extended template (DLGTEMPLATEEX) for the
    // library's dialogs. Read-only resource data, valid while the module is
    // loaded; pass it to CreateDialogIndirectParamW and friends.
    const DLGTEMPLATE* data = nullptr;
    DWORD size = 0;      // bytes of resource data
    LANGID language = 0; // the language the template was found in
};

// Template `id` (RT_DIALOG) from the library's own module (LibraryModule),
// in the order above. False, with `found` cleared, when the module holds the
// template in no language or it cannot be loaded.
bool FindDialogTemplate(unsigned int id, LANGID language, DialogTemplateResource& found);

// The same in another module (tests look into the DLL with this).
bool FindDialogTemplate(HMODULE module, unsigned int id, LANGID language, DialogTemplateResource& found);

// Template `id` in exactly `language`, no fallback; false for language 0.
bool FindDialogTemplateExact(HMODULE module, unsigned int id, LANGID language, DialogTemplateResource& found);
