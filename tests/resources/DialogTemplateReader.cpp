#include "resources/DialogTemplateReader.h"

#include <cstring>
#include <cwchar>

namespace zvres {

namespace {

class Cursor {
public:
    Cursor(const void* data, size_t size) : m_base(static_cast<const BYTE*>(data)), m_size(data ? size : 0) {}

    bool Word(WORD& value) { return Bytes(&value, sizeof value); }
    bool Dword(DWORD& value) { return Bytes(&value, sizeof value); }
    bool Short(short& value) { return Bytes(&value, sizeof value); }
    bool Byte(BYTE& value) { return Bytes(&value, sizeof value); }

    // NUL-terminated UTF-16 text.
    bool String(std::wstring& text)
    {
        text.clear();
        for (;;) {
            WORD unit;
            if (!Word(unit))
                return false;
            if (unit == 0)
                return true;
            text.push_back(static_cast<wchar_t>(unit));
        }
    }

    // 0x0000 (none), 0xFFFF followed by an ordinal, or a string.
    bool NameOrOrdinal(zvres::NameOrOrdinal& value)
    {
        value = zvres::NameOrOrdinal();
        WORD first;
        if (!Word(first))
            return false;
        if (first == 0)
            return true;
        if (first == 0xFFFF)
            return Word(value.ordinal);
        value.name.push_back(static_cast<wchar_t>(first));
        std::wstring rest;
        if (!String(rest))
            return false;
        value.name += rest;
        return true;
    }

    // Items start on DWORD boundaries of the template.
    bool AlignDword()
    {
        const size_t aligned = (m_offset + 3) & ~static_cast<size_t>(3);
        if (aligned > m_size)
            return false;
        m_offset = aligned;
        return true;
    }

    bool Skip(size_t count)
    {
        if (count > m_size - m_offset)
            return false;
        m_offset += count;
        return true;
    }

private:
    bool Bytes(void* out, size_t count)
    {
        if (count > m_size - m_offset)
            return false;
        memcpy(out, m_base + m_offset, count);
        m_offset += count;
        return true;
    }

    const BYTE* m_base;
    size_t m_size;
    size_t m_offset = 0;
};

bool EqualsNoCase(const std::wstring& a, const wchar_t* b)
{
    return _wcsicmp(a.c_str(), b) == 0;
}

} // namespace

bool ReadDialogTemplate(const void* data, size_t size, DialogTemplateInfo& info, std::string& error)
{
    info = DialogTemplateInfo();
    Cursor in(data, size);
    WORD version = 0, signature = 0, count = 0;
    if (!in.Word(version) || !in.Word(signature)) {
        error = "shorter than a template header";
        return false;
    }
    if (version != 1 || signature != 0xFFFF) {
        error = "not an extended template";
        return false;
    }
    if (!in.Dword(info.helpId) || !in.Dword(info.exStyle) || !in.Dword(info.style) || !in.Word(count) ||
        !in.Short(info.x) || !in.Short(info.y) || !in.Short(info.cx) || !in.Short(info.cy)) {
        error = "header cut short";
        return false;
    }
    if (!in.NameOrOrdinal(info.menu) || !in.NameOrOrdinal(info.windowClass) || !in.String(info.title)) {
        error = "menu, class or title cut short";
        return false;
    }
    info.hasFont = (info.style & DS_SETFONT) != 0;
    if (info.hasFont && (!in.Word(info.pointSize) || !in.Word(info.weight) || !in.Byte(info.italic) ||
                         !in.Byte(info.charset) || !in.String(info.face))) {
        error = "font cut short";
        return false;
    }
    for (WORD i = 0; i < count; ++i) {
        DialogItem item;
        if (!in.AlignDword() || !in.Dword(item.helpId) || !in.Dword(item.exStyle) || !in.Dword(item.style) ||
            !in.Short(item.x) || !in.Short(item.y) || !in.Short(item.cx) || !in.Short(item.cy) ||
            !in.Dword(item.id) || !in.NameOrOrdinal(item.windowClass) || !in.NameOrOrdinal(item.text) ||
            !in.Word(item.extraBytes) || !in.Skip(item.extraBytes)) {
            error = "control " + std::to_string(i) + " cut short";
            return false;
        }
        info.items.push_back(std::move(item));
    }
    return true;
}

ControlKind KindOf(const DialogItem& item)
{
    const NameOrOrdinal& cls = item.windowClass;
    if (cls.ordinal == 0x0080 || EqualsNoCase(cls.name, L"Button")) {
        switch (item.style & BS_TYPEMASK) {
        case BS_PUSHBUTTON:
            return ControlKind::PushButton;
        case BS_DEFPUSHBUTTON:
            return ControlKind::DefaultPushButton;
        case BS_AUTOCHECKBOX:
            return ControlKind::AutoCheckBox;
        default:
            return ControlKind::Other;
        }
    }
    if (cls.ordinal == 0x0081 || EqualsNoCase(cls.name, L"Edit"))
        return ControlKind::Edit;
    if (cls.ordinal == 0x0082 || EqualsNoCase(cls.name, L"Static"))
        return (item.style & SS_TYPEMASK) == SS_LEFT ? ControlKind::StaticText : ControlKind::Other;
    if (EqualsNoCase(cls.name, L"msctls_progress32"))
        return ControlKind::ProgressBar;
    return ControlKind::Other;
}

const char* KindName(ControlKind kind)
{
    switch (kind) {
    case ControlKind::PushButton:
        return "push button";
    case ControlKind::DefaultPushButton:
        return "default push button";
    case ControlKind::AutoCheckBox:
        return "automatic check box";
    case ControlKind::StaticText:
        return "static text";
    case ControlKind::Edit:
        return "edit field";
    case ControlKind::ProgressBar:
        return "progress bar";
    case ControlKind::Other:
        break;
    }
    return "other";
}

} // namespace zvres
