// Dialog description files: the reader side (sections, style and flag names,
// control and alignment sections) that CZV_BeautyDialogDesigner applies to a
// dialog, and the writer of the designer's save.
//
// A description file has a [dialog] section, one section per control (named
// as the dialog registered the control, e.g. [IDC_BTN_LATER]) and numbered
// alignment sections [ALIGNMENT1], [ALIGNMENT2], ...:
//
//   [dialog]
//   name = Update
//   text = Update
//   template = dialogFrame            ; section in dialogControlTemplateFile
//   position = 0, 0, 476, 296         ; designed at 96 DPI
//   controlTemplateFile = controlTemplates.ini
//   dialogControlTemplateFile = dialogTemplates.ini
//   generalControlsFile = generalControls.ini
//   dialogIniFlags = ZVBDD_FLAG_HIDE_NOT_LISTED_CONTROLS
//
//   [IDOK]
//   create = subclass                 ; or "create" (exactly so)
//   type = CZV_UniButton
//   template = buttonDefault          ; section in controlTemplateFile
//   position = 200, 130, 300, 154     ; required for "create"
//   style = WS_CHILD | WS_VISIBLE     ; required for "create"
//   styleEx = WS_EX_TRANSPARENT
//   text = OK
//
//   [ALIGNMENT1]
//   a = IDOK, IDD_DIALOG, ZVGUI_RIGHT, ZVGUI_BOTTOM, ZVGUI_RIGHT, ZVGUI_BOTTOM, 0, 0, 0, 12, 12
#pragma once

#include "ZvOSAL/ZvString.h"

#include <windows.h>

#include <string>
#include <vector>

class CZVIniFileReader;

// dialogIniFlags values.
enum EZVBeautyDialogFlags : unsigned int {
    ZVBDD_FLAG_NONE = 0,
    ZVBDD_FLAG_USE_INI_Z_ORDER = 1,
    ZVBDD_FLAG_USE_DIALOG_CLIENT_POSITION = 2,
    ZVBDD_FLAG_IGNORE_VISTA_GLASS_FRAME = 4,
    ZVBDD_FLAG_HIDE_NOT_LISTED_CONTROLS = 8,
    ZVBDD_FLAG_NO_LAYOUT = 16,
};

namespace ZVDescription {

// Every value is read into a buffer of this many characters.
constexpr int kValueChars = 2048;

// The general controls of a top-level dialog in glass-frame mode.
extern const wchar_t* const kGlassGeneralControlsFile; // "generalControls_vistaDialog.ini"

struct DialogInfo {
    std::wstring name, text, templateName;
    RECT position = {0, 0, 0, 0};
    bool hasPosition = false;
    std::wstring controlTemplateFile, dialogControlTemplateFile, generalControlsFile;
    unsigned int flags = 0;
};

struct ControlSection {
    std::wstring name;
    bool create = false; // true: "create"; false: "subclass"
    std::wstring type, templateName, text;
    bool hasText = false;
    RECT position = {0, 0, 0, 0}; // 96 DPI as written
    bool hasPosition = false;
    DWORD style = 0, styleEx = 0;
    bool hasStyle = false, hasStyleEx = false;
};

struct AlignmentRecord {
    int set = 0; // section number - 1
    std::wstring control, reference;
    unsigned int left = 0, top = 0, right = 0, bottom = 0, sizing = 0;
    RECT margins = {0, 0, 0, 0}; // 96 DPI as written
};

// Names joined by "|" (blanks ignored); each known name adds its value, an
// unknown name adds nothing. Window (WS_), button (BS_), static (SS_), edit
// (ES_) and dialog (DS_) style names; extended names are WS_EX_ names.
DWORD ParseStyle(const wchar_t* text);
DWORD ParseExStyle(const wchar_t* text);
// dialogIniFlags names; unknown names add nothing.
unsigned int ParseDialogFlags(const wchar_t* text);
// One alignment flag field: "0" or ZVGUI_ names joined by "|". False when a
// part is neither a known name nor "0".
bool ParseAlignmentFlags(const wchar_t* text, unsigned int& value);

// True when name is "ALIGNMENT" (any case) followed by a decimal number
// other than zero; number receives it.
bool IsAlignmentSectionName(const wchar_t* name, int* number = nullptr);
// A control section: neither "dialog" (any case) nor an alignment section.
bool IsControlSectionName(const wchar_t* name);

// The section names of the file in file order.
std::vector<std::wstring> ListSections(const CZVIniFileReader& file);
bool ReadDialogInfo(const CZVIniFileReader& file, DialogInfo& info);
// Reads the section; false when it is invalid (a required key missing or a
// create value other than "create"/"subclass").
bool ReadControlSection(const CZVIniFileReader& file, const wchar_t* section, ControlSection& control);
// Splits one alignment value into a record; false for fewer than seven
// fields, an invalid flag field or a margin count other than 0 or 4.
bool ParseAlignmentEntry(const wchar_t* value, int set, AlignmentRecord& record);
// Reads ALIGNMENT1, ALIGNMENT2, ... (exact names) up to the first missing
// number and appends every valid entry. Returns the number appended.
size_t ReadAlignmentSections(const CZVIniFileReader& file, std::vector<AlignmentRecord>& records);

// Flag names for writing ("ZVGUI_LEFT|ZVGUI_TOP", "0").
std::wstring AlignmentFlagsToText(unsigned int value);
std::wstring DialogFlagsToText(unsigned int flags);
std::wstring StyleToText(DWORD style);
std::wstring ExStyleToText(DWORD styleEx);

// The designer's save: appends a description to path in the documented
// layout (banner, [dialog], control sections, alignment sections). An
// existing file that starts with a UTF-16 byte order mark is continued in
// UTF-16; an existing file without one in the ANSI code page; a new file is
// written in UTF-16 with a byte order mark, so every text reads back.
// A control's type of "" is written "unknown".
bool WriteDescription(const wchar_t* path, const DialogInfo& info, const std::vector<ControlSection>& controls,
                      const std::vector<AlignmentRecord>& alignments);

} // namespace ZVDescription
