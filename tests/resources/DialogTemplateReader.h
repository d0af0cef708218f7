// Reads an extended dialog template (DLGTEMPLATEEX) into plain values, so
// that tests can compare the library's templates with what the dialogs
// expect. Bounds-checked: a damaged template gives false and a reason,
// never a read past the end.
#pragma once

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

namespace zvres {

// A class or menu given either as an ordinal (0xFFFF, n) or as a string.
struct NameOrOrdinal {
    WORD ordinal = 0; // non-zero when given as an ordinal
    std::wstring name;
};

struct DialogItem {
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    NameOrOrdinal windowClass;
    NameOrOrdinal text; // text.ordinal is set for a resource reference (icons)
    WORD extraBytes = 0;
};

struct DialogTemplateInfo {
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::wstring title;
    bool hasFont = false; // DS_SETFONT (and so DS_SHELLFONT)
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::wstring face;
    std::vector<DialogItem> items;
};

// False with `error` set when `data` is not a complete extended template.
bool ReadDialogTemplate(const void* data, size_t size, DialogTemplateInfo& info, std::string& error);

// What a control is, from its class and style.
enum class ControlKind { PushButton, DefaultPushButton, AutoCheckBox, StaticText, Edit, ProgressBar, Other };
ControlKind KindOf(const DialogItem& item);
const char* KindName(ControlKind kind);
inline std::ostream& operator<<(std::ostream& out, ControlKind kind) { return out << KindName(kind); }

} // namespace zvres
