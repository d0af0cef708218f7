#include "toolkit/ZVDialogDescription.h"

#include "toolkit/ZVAlignmentFlags.h"
#include "ini/ZVIniFileReader.h"
#include "osal/CodepageConversion.h"

#include <cstdio>
#include <cwchar>
#include <cwctype>

namespace ZVDescription {

const wchar_t* const kGlassGeneralControlsFile = L"generalControls_vistaDialog.ini";

namespace {

struct NamedValue {
    const wchar_t* name;
    unsigned long value;
};

// Standard window, dialog, button, static and edit style names.
const NamedValue kStyles[] = {
    {L"WS_OVERLAPPED", WS_OVERLAPPED}, {L"WS_POPUP", WS_POPUP}, {L"WS_CHILD", WS_CHILD},
    {L"WS_MINIMIZE", WS_MINIMIZE}, {L"WS_VISIBLE", WS_VISIBLE}, {L"WS_DISABLED", WS_DISABLED},
    {L"WS_CLIPSIBLINGS", WS_CLIPSIBLINGS}, {L"WS_CLIPCHILDREN", WS_CLIPCHILDREN}, {L"WS_MAXIMIZE", WS_MAXIMIZE},
    {L"WS_CAPTION", WS_CAPTION}, {L"WS_BORDER", WS_BORDER}, {L"WS_DLGFRAME", WS_DLGFRAME},
    {L"WS_VSCROLL", WS_VSCROLL}, {L"WS_HSCROLL", WS_HSCROLL}, {L"WS_SYSMENU", WS_SYSMENU},
    {L"WS_THICKFRAME", WS_THICKFRAME}, {L"WS_GROUP", WS_GROUP}, {L"WS_TABSTOP", WS_TABSTOP},
    {L"WS_MINIMIZEBOX", WS_MINIMIZEBOX}, {L"WS_MAXIMIZEBOX", WS_MAXIMIZEBOX}, {L"WS_TILED", WS_TILED},
    {L"WS_ICONIC", WS_ICONIC}, {L"WS_SIZEBOX", WS_SIZEBOX}, {L"WS_TILEDWINDOW", WS_TILEDWINDOW},
    {L"WS_OVERLAPPEDWINDOW", WS_OVERLAPPEDWINDOW}, {L"WS_POPUPWINDOW", WS_POPUPWINDOW},
    {L"WS_CHILDWINDOW", WS_CHILDWINDOW},
    {L"DS_ABSALIGN", DS_ABSALIGN}, {L"DS_SYSMODAL", DS_SYSMODAL}, {L"DS_LOCALEDIT", DS_LOCALEDIT},
    {L"DS_SETFONT", DS_SETFONT}, {L"DS_MODALFRAME", DS_MODALFRAME}, {L"DS_NOIDLEMSG", DS_NOIDLEMSG},
    {L"DS_SETFOREGROUND", DS_SETFOREGROUND}, {L"DS_3DLOOK", DS_3DLOOK}, {L"DS_FIXEDSYS", DS_FIXEDSYS},
    {L"DS_NOFAILCREATE", DS_NOFAILCREATE}, {L"DS_CONTROL", DS_CONTROL}, {L"DS_CENTER", DS_CENTER},
    {L"DS_CENTERMOUSE", DS_CENTERMOUSE}, {L"DS_CONTEXTHELP", DS_CONTEXTHELP}, {L"DS_SHELLFONT", DS_SHELLFONT},
    {L"BS_PUSHBUTTON", BS_PUSHBUTTON}, {L"BS_DEFPUSHBUTTON", BS_DEFPUSHBUTTON}, {L"BS_CHECKBOX", BS_CHECKBOX},
    {L"BS_AUTOCHECKBOX", BS_AUTOCHECKBOX}, {L"BS_RADIOBUTTON", BS_RADIOBUTTON}, {L"BS_3STATE", BS_3STATE},
    {L"BS_AUTO3STATE", BS_AUTO3STATE}, {L"BS_GROUPBOX", BS_GROUPBOX}, {L"BS_USERBUTTON", BS_USERBUTTON},
    {L"BS_AUTORADIOBUTTON", BS_AUTORADIOBUTTON}, {L"BS_PUSHBOX", BS_PUSHBOX}, {L"BS_OWNERDRAW", BS_OWNERDRAW},
    {L"BS_TYPEMASK", BS_TYPEMASK}, {L"BS_LEFTTEXT", BS_LEFTTEXT}, {L"BS_TEXT", BS_TEXT}, {L"BS_ICON", BS_ICON},
    {L"BS_BITMAP", BS_BITMAP}, {L"BS_LEFT", BS_LEFT}, {L"BS_RIGHT", BS_RIGHT}, {L"BS_CENTER", BS_CENTER},
    {L"BS_TOP", BS_TOP}, {L"BS_BOTTOM", BS_BOTTOM}, {L"BS_VCENTER", BS_VCENTER}, {L"BS_PUSHLIKE", BS_PUSHLIKE},
    {L"BS_MULTILINE", BS_MULTILINE}, {L"BS_NOTIFY", BS_NOTIFY}, {L"BS_FLAT", BS_FLAT},
    {L"BS_RIGHTBUTTON", BS_RIGHTBUTTON},
    {L"SS_LEFT", SS_LEFT}, {L"SS_CENTER", SS_CENTER}, {L"SS_RIGHT", SS_RIGHT}, {L"SS_ICON", SS_ICON},
    {L"SS_BLACKRECT", SS_BLACKRECT}, {L"SS_GRAYRECT", SS_GRAYRECT}, {L"SS_WHITERECT", SS_WHITERECT},
    {L"SS_BLACKFRAME", SS_BLACKFRAME}, {L"SS_GRAYFRAME", SS_GRAYFRAME}, {L"SS_WHITEFRAME", SS_WHITEFRAME},
    {L"SS_USERITEM", SS_USERITEM}, {L"SS_SIMPLE", SS_SIMPLE}, {L"SS_LEFTNOWORDWRAP", SS_LEFTNOWORDWRAP},
    {L"SS_OWNERDRAW", SS_OWNERDRAW}, {L"SS_BITMAP", SS_BITMAP}, {L"SS_ENHMETAFILE", SS_ENHMETAFILE},
    {L"SS_ETCHEDHORZ", SS_ETCHEDHORZ}, {L"SS_ETCHEDVERT", SS_ETCHEDVERT}, {L"SS_ETCHEDFRAME", SS_ETCHEDFRAME},
    {L"SS_TYPEMASK", SS_TYPEMASK}, {L"SS_REALSIZECONTROL", SS_REALSIZECONTROL}, {L"SS_NOPREFIX", SS_NOPREFIX},
    {L"SS_NOTIFY", SS_NOTIFY}, {L"SS_CENTERIMAGE", SS_CENTERIMAGE}, {L"SS_RIGHTJUST", SS_RIGHTJUST},
    {L"SS_REALSIZEIMAGE", SS_REALSIZEIMAGE}, {L"SS_SUNKEN", SS_SUNKEN}, {L"SS_EDITCONTROL", SS_EDITCONTROL},
    {L"SS_ENDELLIPSIS", SS_ENDELLIPSIS}, {L"SS_PATHELLIPSIS", SS_PATHELLIPSIS},
    {L"SS_WORDELLIPSIS", SS_WORDELLIPSIS}, {L"SS_ELLIPSISMASK", SS_ELLIPSISMASK},
    {L"ES_LEFT", ES_LEFT}, {L"ES_CENTER", ES_CENTER}, {L"ES_RIGHT", ES_RIGHT}, {L"ES_MULTILINE", ES_MULTILINE},
    {L"ES_UPPERCASE", ES_UPPERCASE}, {L"ES_LOWERCASE", ES_LOWERCASE}, {L"ES_PASSWORD", ES_PASSWORD},
    {L"ES_AUTOVSCROLL", ES_AUTOVSCROLL}, {L"ES_AUTOHSCROLL", ES_AUTOHSCROLL}, {L"ES_NOHIDESEL", ES_NOHIDESEL},
    {L"ES_OEMCONVERT", ES_OEMCONVERT}, {L"ES_READONLY", ES_READONLY}, {L"ES_WANTRETURN", ES_WANTRETURN},
    {L"ES_NUMBER", ES_NUMBER},
};

const NamedValue kExStyles[] = {
    {L"WS_EX_DLGMODALFRAME", WS_EX_DLGMODALFRAME}, {L"WS_EX_NOPARENTNOTIFY", WS_EX_NOPARENTNOTIFY},
    {L"WS_EX_TOPMOST", WS_EX_TOPMOST}, {L"WS_EX_ACCEPTFILES", WS_EX_ACCEPTFILES},
    {L"WS_EX_TRANSPARENT", WS_EX_TRANSPARENT}, {L"WS_EX_MDICHILD", WS_EX_MDICHILD},
    {L"WS_EX_TOOLWINDOW", WS_EX_TOOLWINDOW}, {L"WS_EX_WINDOWEDGE", WS_EX_WINDOWEDGE},
    {L"WS_EX_CLIENTEDGE", WS_EX_CLIENTEDGE}, {L"WS_EX_CONTEXTHELP", WS_EX_CONTEXTHELP},
    {L"WS_EX_RIGHT", WS_EX_RIGHT}, {L"WS_EX_LEFT", WS_EX_LEFT}, {L"WS_EX_RTLREADING", WS_EX_RTLREADING},
    {L"WS_EX_LTRREADING", WS_EX_LTRREADING}, {L"WS_EX_LEFTSCROLLBAR", WS_EX_LEFTSCROLLBAR},
    {L"WS_EX_RIGHTSCROLLBAR", WS_EX_RIGHTSCROLLBAR}, {L"WS_EX_CONTROLPARENT", WS_EX_CONTROLPARENT},
    {L"WS_EX_STATICEDGE", WS_EX_STATICEDGE}, {L"WS_EX_APPWINDOW", WS_EX_APPWINDOW},
    {L"WS_EX_OVERLAPPEDWINDOW", WS_EX_OVERLAPPEDWINDOW}, {L"WS_EX_PALETTEWINDOW", WS_EX_PALETTEWINDOW},
    {L"WS_EX_LAYERED", WS_EX_LAYERED}, {L"WS_EX_NOINHERITLAYOUT", WS_EX_NOINHERITLAYOUT},
    {L"WS_EX_LAYOUTRTL", WS_EX_LAYOUTRTL}, {L"WS_EX_COMPOSITED", WS_EX_COMPOSITED},
    {L"WS_EX_NOACTIVATE", WS_EX_NOACTIVATE},
};

const NamedValue kDialogFlags[] = {
    {L"ZVBDD_FLAG_NONE", ZVBDD_FLAG_NONE},
    {L"ZVBDD_FLAG_USE_INI_Z_ORDER", ZVBDD_FLAG_USE_INI_Z_ORDER},
    {L"ZVBDD_FLAG_USE_DIALOG_CLIENT_POSITION", ZVBDD_FLAG_USE_DIALOG_CLIENT_POSITION},
    {L"ZVBDD_FLAG_IGNORE_VISTA_GLASS_FRAME", ZVBDD_FLAG_IGNORE_VISTA_GLASS_FRAME},
    {L"ZVBDD_FLAG_HIDE_NOT_LISTED_CONTROLS", ZVBDD_FLAG_HIDE_NOT_LISTED_CONTROLS},
    {L"ZVBDD_FLAG_NO_LAYOUT", ZVBDD_FLAG_NO_LAYOUT},
};

const NamedValue kAlignmentFlags[] = {
    {L"ZVGUI_NONE", ZVGUI_NONE}, {L"ZVGUI_LEFT", ZVGUI_LEFT}, {L"ZVGUI_RIGHT", ZVGUI_RIGHT},
    {L"ZVGUI_TOP", ZVGUI_TOP}, {L"ZVGUI_BOTTOM", ZVGUI_BOTTOM}, {L"ZVGUI_PERCENT_WIDTH", ZVGUI_PERCENT_WIDTH},
    {L"ZVGUI_PERCENT_HEIGHT", ZVGUI_PERCENT_HEIGHT}, {L"ZVGUI_SIZEX", ZVGUI_SIZEX}, {L"ZVGUI_SIZEY", ZVGUI_SIZEY},
    {L"ZVGUI_CENTERX", ZVGUI_CENTERX}, {L"ZVGUI_CENTERY", ZVGUI_CENTERY}, {L"ZVGUI_CENTER", ZVGUI_CENTER},
};

std::wstring Trim(const std::wstring& text)
{
    size_t first = 0, last = text.size();
    while (first < last && iswspace(text[first]))
        ++first;
    while (last > first && iswspace(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

std::vector<std::wstring> Split(const wchar_t* text, wchar_t separator)
{
    std::vector<std::wstring> parts;
    std::wstring current;
    for (const wchar_t* p = text; *p; ++p) {
        if (*p == separator) {
            parts.push_back(Trim(current));
            current.clear();
        } else {
            current += *p;
        }
    }
    parts.push_back(Trim(current));
    return parts;
}

// A plain number ("0x1000", "268435456"): true with its value.
bool ParseNumber(const std::wstring& text, unsigned long& value)
{
    if (text.empty())
        return false;
    wchar_t* end = nullptr;
    const bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
    if (!hex && !iswdigit(text[0]))
        return false;
    value = wcstoul(text.c_str(), &end, hex ? 16 : 10);
    return end && *end == 0;
}

template <size_t N>
unsigned long ParseNames(const wchar_t* text, const NamedValue (&table)[N], bool numbers)
{
    if (!text)
        return 0;
    unsigned long value = 0;
    for (const std::wstring& part : Split(text, L'|')) {
        if (part.empty())
            continue;
        unsigned long number = 0;
        if (numbers && ParseNumber(part, number)) {
            value |= number;
            continue;
        }
        for (const NamedValue& entry : table) {
            if (_wcsicmp(entry.name, part.c_str()) == 0) {
                value |= entry.value;
                break;
            }
        }
    }
    return value;
}

template <size_t N>
std::wstring NamesToText(unsigned long value, const NamedValue (&table)[N], const wchar_t* zero)
{
    std::wstring text;
    unsigned long left = value;
    for (const NamedValue& entry : table) {
        if (entry.value == 0 || (entry.value & left) != entry.value)
            continue;
        // Only single-bit names and exact composite names: a composite name
        // is used only when all its bits are still to be written.
        if (!text.empty())
            text += L"|";
        text += entry.name;
        left &= ~entry.value;
    }
    if (left) {
        wchar_t number[16];
        swprintf(number, 16, L"0x%08lX", left);
        if (!text.empty())
            text += L"|";
        text += number;
    }
    return text.empty() ? std::wstring(zero) : text;
}

std::wstring ReadValue(const CZVIniFileReader& file, const wchar_t* section, const wchar_t* key)
{
    std::vector<wchar_t> buffer(kValueChars, 0);
    file.GetProfileString(section, key, L"", buffer.data(), kValueChars);
    return Trim(buffer.data());
}

bool ParseRect(const std::wstring& text, RECT& rect)
{
    std::wstring spaced = text;
    for (wchar_t& c : spaced)
        if (c == L',')
            c = L' ';
    long values[4] = {};
    wchar_t extra = 0;
    const int count = swscanf(spaced.c_str(), L"%ld %ld %ld %ld %lc", &values[0], &values[1], &values[2],
                              &values[3], &extra);
    if (count < 4)
        return false;
    rect = RECT{values[0], values[1], values[2], values[3]};
    return true;
}

bool ParseMargin(const std::wstring& text, long& value)
{
    if (text.empty())
        return false;
    wchar_t* end = nullptr;
    value = wcstol(text.c_str(), &end, 10);
    return end && *end == 0;
}

} // namespace

DWORD ParseStyle(const wchar_t* text) { return ParseNames(text, kStyles, true); }
DWORD ParseExStyle(const wchar_t* text) { return ParseNames(text, kExStyles, true); }
unsigned int ParseDialogFlags(const wchar_t* text) { return ParseNames(text, kDialogFlags, true); }

bool ParseAlignmentFlags(const wchar_t* text, unsigned int& value)
{
    value = 0;
    if (!text)
        return false;
    for (const std::wstring& part : Split(text, L'|')) {
        if (part == L"0")
            continue;
        bool known = false;
        for (const NamedValue& entry : kAlignmentFlags) {
            if (part == entry.name) {
                value |= entry.value;
                known = true;
                break;
            }
        }
        if (!known)
            return false;
    }
    return true;
}

bool IsAlignmentSectionName(const wchar_t* name, int* number)
{
    if (!name || _wcsnicmp(name, L"ALIGNMENT", 9) != 0)
        return false;
    const wchar_t* digits = name + 9;
    if (!*digits)
        return false;
    long value = 0;
    for (const wchar_t* p = digits; *p; ++p) {
        if (*p < L'0' || *p > L'9')
            return false;
        if (value < 100000000)
            value = value * 10 + (*p - L'0');
    }
    if (value == 0)
        return false;
    if (number)
        *number = static_cast<int>(value);
    return true;
}

bool IsControlSectionName(const wchar_t* name)
{
    return name && *name && _wcsicmp(name, L"dialog") != 0 && !IsAlignmentSectionName(name);
}

std::vector<std::wstring> ListSections(const CZVIniFileReader& file)
{
    std::vector<std::wstring> names;
    std::vector<wchar_t> buffer(16384);
    for (;;) {
        const unsigned long length =
            file.GetProfileString(nullptr, nullptr, L"", buffer.data(), static_cast<unsigned long>(buffer.size()));
        if (length + 2 < buffer.size() || buffer.size() >= (1u << 24))
            break;
        buffer.assign(buffer.size() * 4, 0);
    }
    for (const wchar_t* p = buffer.data(); *p; p += wcslen(p) + 1)
        names.emplace_back(p);
    return names;
}

bool ReadDialogInfo(const CZVIniFileReader& file, DialogInfo& info)
{
    info = DialogInfo();
    info.name = ReadValue(file, L"dialog", L"name");
    info.text = ReadValue(file, L"dialog", L"text");
    info.templateName = ReadValue(file, L"dialog", L"template");
    info.hasPosition = ParseRect(ReadValue(file, L"dialog", L"position"), info.position);
    info.controlTemplateFile = ReadValue(file, L"dialog", L"controlTemplateFile");
    info.dialogControlTemplateFile = ReadValue(file, L"dialog", L"dialogControlTemplateFile");
    info.generalControlsFile = ReadValue(file, L"dialog", L"generalControlsFile");
    info.flags = ParseDialogFlags(ReadValue(file, L"dialog", L"dialogIniFlags").c_str());
    return true;
}

bool ReadControlSection(const CZVIniFileReader& file, const wchar_t* section, ControlSection& control)
{
    control = ControlSection();
    if (!IsControlSectionName(section))
        return false;
    control.name = section;
    const std::wstring create = ReadValue(file, section, L"create");
    control.type = ReadValue(file, section, L"type");
    control.templateName = ReadValue(file, section, L"template");
    const std::wstring position = ReadValue(file, section, L"position");
    const std::wstring style = ReadValue(file, section, L"style");
    const std::wstring styleEx = ReadValue(file, section, L"styleEx");
    control.text = ReadValue(file, section, L"text");
    control.hasText = !control.text.empty();
    control.hasPosition = ParseRect(position, control.position);
    control.hasStyle = !style.empty();
    control.style = ParseStyle(style.c_str());
    control.hasStyleEx = !styleEx.empty();
    control.styleEx = ParseExStyle(styleEx.c_str());

    if (create == L"create")
        control.create = true;
    else if (create == L"subclass")
        control.create = false;
    else
        return false;
    if (control.type.empty() || control.templateName.empty())
        return false;
    if (control.create && (!control.hasPosition || !control.hasStyle))
        return false;
    return true;
}

bool ParseAlignmentEntry(const wchar_t* value, int set, AlignmentRecord& record)
{
    record = AlignmentRecord();
    if (!value)
        return false;
    const std::vector<std::wstring> fields = Split(value, L',');
    if (fields.size() < 7 || (fields.size() != 7 && fields.size() != 11))
        return false;
    record.set = set;
    record.control = fields[0];
    record.reference = fields[1];
    if (!ParseAlignmentFlags(fields[2].c_str(), record.left) || !ParseAlignmentFlags(fields[3].c_str(), record.top) ||
        !ParseAlignmentFlags(fields[4].c_str(), record.right) ||
        !ParseAlignmentFlags(fields[5].c_str(), record.bottom) ||
        !ParseAlignmentFlags(fields[6].c_str(), record.sizing))
        return false;
    if (!ZVAlignment::IsValidHorizontalAnchor(record.left) ||
        !ZVAlignment::IsValidHorizontalAnchor(record.right) ||
        !ZVAlignment::IsValidVerticalAnchor(record.top) ||
        !ZVAlignment::IsValidVerticalAnchor(record.bottom) || !ZVAlignment::IsValidSizing(record.sizing))
        return false;
    if (fields.size() == 11) {
        long margins[4] = {};
        for (int i = 0; i < 4; ++i)
            if (!ParseMargin(fields[7 + i], margins[i]))
                return false;
        record.margins = RECT{margins[0], margins[1], margins[2], margins[3]};
    }
    return !record.control.empty();
}

size_t ReadAlignmentSections(const CZVIniFileReader& file, std::vector<AlignmentRecord>& records)
{
    const std::vector<std::wstring> sections = ListSections(file);
    size_t added = 0;
    for (int number = 1;; ++number) {
        wchar_t name[32];
        swprintf(name, 32, L"ALIGNMENT%i", number);
        bool present = false;
        for (const std::wstring& section : sections)
            present = present || section == name;
        if (!present)
            break;
        // The keys of the section in file order, then each value.
        std::vector<wchar_t> keys(32768);
        file.GetProfileString(name, nullptr, L"", keys.data(), static_cast<unsigned long>(keys.size()));
        for (const wchar_t* key = keys.data(); *key; key += wcslen(key) + 1) {
            AlignmentRecord record;
            if (ParseAlignmentEntry(ReadValue(file, name, key).c_str(), number - 1, record)) {
                records.push_back(record);
                ++added;
            }
        }
    }
    return added;
}

std::wstring AlignmentFlagsToText(unsigned int value)
{
    // ZVGUI_CENTER is the two centre flags together; written as its parts.
    std::wstring text;
    for (const NamedValue& entry : kAlignmentFlags) {
        if (entry.value == 0 || entry.value == ZVGUI_CENTER || (value & entry.value) != entry.value)
            continue;
        if (!text.empty())
            text += L"|";
        text += entry.name;
    }
    return text.empty() ? L"0" : text;
}

std::wstring DialogFlagsToText(unsigned int flags) { return NamesToText(flags, kDialogFlags, L"ZVBDD_FLAG_NONE"); }

std::wstring StyleToText(DWORD style)
{
    // Single-bit window styles first so composites do not swallow them.
    static const NamedValue windowBits[] = {
        {L"WS_POPUP", WS_POPUP}, {L"WS_CHILD", WS_CHILD}, {L"WS_MINIMIZE", WS_MINIMIZE},
        {L"WS_VISIBLE", WS_VISIBLE}, {L"WS_DISABLED", WS_DISABLED}, {L"WS_CLIPSIBLINGS", WS_CLIPSIBLINGS},
        {L"WS_CLIPCHILDREN", WS_CLIPCHILDREN}, {L"WS_MAXIMIZE", WS_MAXIMIZE}, {L"WS_BORDER", WS_BORDER},
        {L"WS_DLGFRAME", WS_DLGFRAME}, {L"WS_VSCROLL", WS_VSCROLL}, {L"WS_HSCROLL", WS_HSCROLL},
        {L"WS_SYSMENU", WS_SYSMENU}, {L"WS_THICKFRAME", WS_THICKFRAME}, {L"WS_GROUP", WS_GROUP},
        {L"WS_TABSTOP", WS_TABSTOP},
    };
    std::wstring text = NamesToText(style & 0xFFFF0000ul, windowBits, L"");
    const DWORD low = style & 0xFFFFul;
    if (low) {
        wchar_t number[16];
        swprintf(number, 16, L"0x%04lX", low);
        if (!text.empty())
            text += L"|";
        text += number;
    }
    return text.empty() ? L"0" : text;
}

std::wstring ExStyleToText(DWORD styleEx) { return NamesToText(styleEx, kExStyles, L"0"); }

namespace {

// Writes text in the file's encoding: UTF-16 LE or the ANSI code page, with
// CR LF line ends.
class DescriptionWriter {
public:
    DescriptionWriter(FILE* file, bool wide) : m_file(file), m_wide(wide) {}
    void Line(const std::wstring& text = std::wstring())
    {
        Put(text);
        Put(L"\r\n");
    }
    void Put(const std::wstring& text)
    {
        if (text.empty())
            return;
        if (m_wide) {
            fwrite(text.data(), sizeof(wchar_t), text.size(), m_file);
            return;
        }
        std::string narrow;
        ZvOSAL::Codepage::ToNarrow(text.data(), text.size(), ZvOSAL::ZvCodepageAnsi, narrow);
        fwrite(narrow.data(), 1, narrow.size(), m_file);
    }

private:
    FILE* m_file;
    bool m_wide;
};

std::wstring DialogKey(const wchar_t* key, const std::wstring& value)
{
    std::wstring line = key;
    line += L"\t\t\t= ";
    line += value;
    return line;
}

std::wstring ControlKey(const wchar_t* key, const std::wstring& value)
{
    std::wstring line = key;
    while (line.size() < 16)
        line += L' ';
    line += L"=";
    line += std::wstring(13, L' ');
    line += value;
    return line;
}

std::wstring RectText(const RECT& rect)
{
    wchar_t text[64];
    swprintf(text, 64, L"%i, %i, %i, %i", static_cast<int>(rect.left), static_cast<int>(rect.top),
             static_cast<int>(rect.right), static_cast<int>(rect.bottom));
    return text;
}

} // namespace

bool WriteDescription(const wchar_t* path, const DialogInfo& info, const std::vector<ControlSection>& controls,
                      const std::vector<AlignmentRecord>& alignments)
{
    if (!path || !*path)
        return false;
    // Encoding of an existing file: UTF-16 when it starts with a byte order mark.
    bool exists = false, wide = true;
    if (FILE* existing = _wfopen(path, L"rb")) {
        unsigned char bom[2] = {};
        const size_t got = fread(bom, 1, 2, existing);
        fseek(existing, 0, SEEK_END);
        exists = ftell(existing) > 0;
        fclose(existing);
        wide = !exists || (got == 2 && bom[0] == 0xFF && bom[1] == 0xFE);
    }
    FILE* file = _wfopen(path, L"ab");
    if (!file)
        return false;
    if (!exists && wide)
        fwrite("\xFF\xFE", 1, 2, file);
    DescriptionWriter out(file, wide);
    const std::wstring hashes56(56, L'#');
    out.Line(hashes56);
    out.Line(L"# generated by CZV_BeautyDialogDesigner, do not modify #");
    out.Line(hashes56);
    out.Line();
    out.Line(L"# dialog related information ");
    out.Line();
    out.Line(L"[dialog]");
    out.Line();
    out.Line(DialogKey(L"name", info.name));
    out.Line(DialogKey(L"text", info.text));
    out.Line(DialogKey(L"template", info.templateName));
    out.Line(DialogKey(L"position", RectText(info.position)));
    out.Line(DialogKey(L"controlTemplateFile", info.controlTemplateFile));
    out.Line(DialogKey(L"dialogControlTemplateFile", info.dialogControlTemplateFile));
    out.Line(DialogKey(L"generalControlsFile", info.generalControlsFile));
    out.Line(DialogKey(L"dialogIniFlags", DialogFlagsToText(info.flags)));
    out.Line(L"# control information ");
    for (const ControlSection& control : controls) {
        out.Line();
        out.Line(L"[" + control.name + L"]");
        out.Line();
        out.Line(ControlKey(L"type", control.type.empty() ? std::wstring(L"unknown") : control.type));
        out.Line(ControlKey(L"template", control.templateName));
        out.Line(ControlKey(L"text", control.text));
        out.Line(ControlKey(L"style", StyleToText(control.style)));
        out.Line(ControlKey(L"styleEx", ExStyleToText(control.styleEx)));
        out.Line(ControlKey(L"position", RectText(control.position)));
        out.Line(ControlKey(L"create", control.create ? L"create" : L"subclass"));
    }
    out.Line();
    const std::wstring hashes48(48, L'#');
    out.Line(hashes48);
    out.Line(L"#                  Alignment infos");
    out.Line(hashes48);
    int currentSet = -1, entry = 0;
    for (const AlignmentRecord& record : alignments) {
        if (record.set != currentSet) {
            currentSet = record.set;
            entry = 0;
            wchar_t header[40];
            swprintf(header, 40, L"[ALIGNMENT%i]", record.set + 1);
            out.Line();
            out.Line(header);
        }
        wchar_t key[24];
        swprintf(key, 24, L"entry%i", ++entry);
        std::wstring value = record.control + L", " + record.reference + L", " + AlignmentFlagsToText(record.left) +
                             L", " + AlignmentFlagsToText(record.top) + L", " + AlignmentFlagsToText(record.right) +
                             L", " + AlignmentFlagsToText(record.bottom) + L", " +
                             AlignmentFlagsToText(record.sizing);
        value += L", " + RectText(record.margins);
        out.Line(std::wstring(key) + L" = " + value);
    }
    const bool ok = ferror(file) == 0;
    return fclose(file) == 0 && ok;
}

} // namespace ZVDescription
