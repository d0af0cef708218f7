#include "toolkit/ZVBeautyDialogDesigner.h"

#include "ini/ZVIniFileReader.h"
#include "toolkit/ZVControls.h"
#include "toolkit/ZVToolkit.h"

#include <algorithm>
#include <cwchar>

using ZvOSAL::ZvString;

namespace {

struct HideContext {
    const CZV_BeautyDialogDesigner* designer;
    HWND dialog;
};

BOOL CALLBACK HideUnknownChild(HWND child, LPARAM parameter)
{
    const HideContext* context = reinterpret_cast<const HideContext*>(parameter);
    // Direct children only: the controls inside a child window belong to it.
    if (GetParent(child) == context->dialog &&
        !context->designer->IsKnownControlId(static_cast<UINT>(GetDlgCtrlID(child))))
        ShowWindow(child, SW_HIDE);
    return TRUE;
}

// The reader takes a missing file as an empty one; a description or
// template file that is not there counts as unreadable here.
bool IsExistingFile(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsTopLevel(HWND window) { return (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) == 0; }

} // namespace

CZV_BeautyDialogDesigner::CZV_BeautyDialogDesigner() : m_layout(new CZVLayoutManager()) {}

CZV_BeautyDialogDesigner::~CZV_BeautyDialogDesigner()
{
    // Owned controls give their windows back before the objects go.
    for (auto& control : m_controls)
        if (control->owned)
            control->owned->UnsubclassWindow();
}

bool CZV_BeautyDialogDesigner::RegisterControl(const wchar_t* name, UINT id, CZV_Wnd* member, UINT)
{
    if (id == 0xFFFFFFFFu || !name || !*name || Find(name))
        return false;
    std::unique_ptr<Registered> control(new Registered());
    control->name = name;
    control->id = id;
    control->member = member;
    control->object = member;
    m_controls.push_back(std::move(control));
    return true;
}

CZV_BeautyDialogDesigner::Registered* CZV_BeautyDialogDesigner::Find(const wchar_t* name)
{
    if (!name)
        return nullptr;
    for (auto& control : m_controls)
        if (control->name == name)
            return control.get();
    return nullptr;
}

const CZV_BeautyDialogDesigner::Registered* CZV_BeautyDialogDesigner::Find(const wchar_t* name) const
{
    return const_cast<CZV_BeautyDialogDesigner*>(this)->Find(name);
}

HWND CZV_BeautyDialogDesigner::FindControl(const wchar_t* name) const
{
    const Registered* control = Find(name);
    if (!control)
        return nullptr;
    if (control->window && IsWindow(control->window))
        return control->window;
    if (control->object && control->object->m_hWnd && IsWindow(control->object->m_hWnd))
        return control->object->m_hWnd;
    return m_dialog ? GetDlgItem(m_dialog, static_cast<int>(control->id)) : nullptr;
}

CZV_Wnd* CZV_BeautyDialogDesigner::FindControlObject(const wchar_t* name) const
{
    const Registered* control = Find(name);
    return control ? control->object : nullptr;
}

bool CZV_BeautyDialogDesigner::IsKnownControlId(UINT id) const
{
    for (const auto& control : m_controls)
        if (control->id == id)
            return true;
    return false;
}

CZV_Wnd* CZV_BeautyDialogDesigner::GetControlObject(const wchar_t*) { return nullptr; }

HWND CZV_BeautyDialogDesigner::CreateUnknownControl(const wchar_t*, const wchar_t*, const RECT&, DWORD, DWORD, HWND,
                                                    UINT&)
{
    return nullptr;
}

std::shared_ptr<CZVIniFileReader> CZV_BeautyDialogDesigner::OpenRelative(const std::wstring& fileName) const
{
    if (fileName.empty())
        return nullptr;
    std::wstring path;
    const bool full = (fileName.size() > 1 && fileName[1] == L':') || fileName.compare(0, 2, L"\\\\") == 0;
    if (!full) {
        path = m_folder.c_str();
        if (!path.empty() && path.back() != L'\\')
            path += L'\\';
    }
    path += fileName;
    std::shared_ptr<CZVIniFileReader> reader(new CZVIniFileReader());
    if (!IsExistingFile(path) || !reader->Open(path.c_str()))
        return nullptr;
    return reader;
}

bool CZV_BeautyDialogDesigner::LoadDescription(const wchar_t* folder, const wchar_t* fileName, HWND dialog)
{
    if (!fileName || !*fileName || !dialog || !IsWindow(dialog))
        return false;
    std::wstring path = folder ? folder : L"";
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/')
        path += L'\\';
    path += fileName;
    std::shared_ptr<CZVIniFileReader> description(new CZVIniFileReader());
    if (!IsExistingFile(path) || !description->Open(path.c_str()))
        return false;

    m_dialog = dialog;
    m_description = description;
    m_folder = description->GetFolder() ? description->GetFolder() : L"";
    m_layout.reset(new CZVLayoutManager());
    m_layout->SetOwner(dialog);
    m_layoutLoaded = true;
    m_alignments.clear();

    ZVDescription::ReadDialogInfo(*description, m_dialogInfo);
    m_controlTemplates = OpenRelative(m_dialogInfo.controlTemplateFile);
    m_dialogTemplates = OpenRelative(m_dialogInfo.dialogControlTemplateFile);

    const bool topLevel = IsTopLevel(dialog);
    m_glass = ZVToolkit::IsGlassFrameMode() && (m_dialogInfo.flags & ZVBDD_FLAG_IGNORE_VISTA_GLASS_FRAME) == 0 &&
              topLevel;
    m_generalControls = OpenRelative(m_glass ? std::wstring(ZVDescription::kGlassGeneralControlsFile)
                                             : m_dialogInfo.generalControlsFile);
    if (m_generalControls)
        ZVDescription::ReadAlignmentSections(*m_generalControls, m_alignments);
    ZVDescription::ReadAlignmentSections(*description, m_alignments);

    m_layout->SetReferenceSize(m_dialogInfo.position.right - m_dialogInfo.position.left,
                               m_dialogInfo.position.bottom - m_dialogInfo.position.top);

    // The dialog's client area takes the designed size (at the display's
    // DPI), plus the caption band in glass-frame mode; the dialog is centred
    // on its owner, or on the screen.
    const int captionOffset = m_glass ? ZVToolkit::kGlassCaptionHeight : 0;
    if ((m_dialogInfo.flags & ZVBDD_FLAG_USE_DIALOG_CLIENT_POSITION) && m_dialogInfo.hasPosition && topLevel) {
        RECT window = {}, client = {};
        GetWindowRect(dialog, &window);
        GetClientRect(dialog, &client);
        const int width = window.right - window.left - client.right +
                          ZVToolkit::ScaleX(m_dialogInfo.position.right - m_dialogInfo.position.left);
        const int height = window.bottom - window.top - client.bottom +
                           ZVToolkit::ScaleY(m_dialogInfo.position.bottom - m_dialogInfo.position.top + captionOffset);
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof(monitor);
        GetMonitorInfoW(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor);
        RECT around = monitor.rcWork;
        HWND owner = GetWindow(dialog, GW_OWNER);
        if (owner && IsWindowVisible(owner) && !IsIconic(owner))
            GetWindowRect(owner, &around);
        const RECT& work = monitor.rcWork;
        const int x = std::max<int>(work.left, std::min<int>((around.left + around.right - width) / 2, work.right - width));
        const int y = std::max<int>(work.top, std::min<int>((around.top + around.bottom - height) / 2, work.bottom - height));
        SetWindowPos(dialog, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // Controls and the entries aligned to the client area keep below the
    // caption band, which the glass frame leaves free.
    m_layout->SetOwnerTopInset(ZVToolkit::ScaleY(captionOffset));
    // The general controls (frame areas) come first, so that the dialog's
    // own controls lie above them; a section of the same name in the
    // description replaces the general one.
    std::vector<std::wstring> general;
    if (m_generalControls) {
        for (const std::wstring& section : ZVDescription::ListSections(*m_generalControls)) {
            ZVDescription::ControlSection control;
            if (!ZVDescription::IsControlSectionName(section.c_str()) || Find(section.c_str()) ||
                !(ZVDescription::ReadControlSection(*description, section.c_str(), control) ||
                  ZVDescription::ReadControlSection(*m_generalControls, section.c_str(), control)))
                continue;
            RegisterControl(section.c_str(), kFirstGeneralControlId + static_cast<UINT>(general.size()), nullptr);
            general.push_back(section);
            ApplyControlSection(*Find(section.c_str()), control, dialog, captionOffset);
        }
    }
    std::vector<HWND> iniOrder;
    for (const std::wstring& section : ZVDescription::ListSections(*description)) {
        if (!ZVDescription::IsControlSectionName(section.c_str()))
            continue;
        bool isGeneral = false;
        for (const std::wstring& name : general)
            isGeneral = isGeneral || name == section;
        ZVDescription::ControlSection control;
        Registered* registered = Find(section.c_str());
        if (isGeneral || !registered || !ZVDescription::ReadControlSection(*description, section.c_str(), control))
            continue;
        ApplyControlSection(*registered, control, dialog, captionOffset);
        if (HWND window = FindControl(section.c_str()))
            iniOrder.push_back(window);
    }
    // The sections' order is the Z order (and with it the Tab order).
    if (m_dialogInfo.flags & ZVBDD_FLAG_USE_INI_Z_ORDER) {
        HWND after = HWND_TOP;
        for (HWND window : iniOrder) {
            SetWindowPos(window, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            after = window;
        }
    }
    if (topLevel && (m_glass || (GetWindowLongPtrW(dialog, GWL_STYLE) & WS_SYSMENU) == 0))
        CreateCloseButton(dialog);

    // Alignment entries, now that created controls have their windows. A
    // reference name that no control registered means the dialog's client
    // area; an entry whose control, or whose registered reference, has no
    // window is left out.
    const bool scaleMargins = ZVToolkit::IsDpiScaling() && topLevel;
    for (const ZVDescription::AlignmentRecord& record : m_alignments) {
        const RECT margins = scaleMargins ? ZVToolkit::ScaleRect(record.margins) : record.margins;
        HWND control = FindControl(record.control.c_str());
        HWND reference = FindControl(record.reference.c_str());
        if (record.set < 0 || !control || (!reference && Find(record.reference.c_str())))
            continue;
        m_layout->AddAlignment(static_cast<unsigned int>(record.set), control, reference, record.left, record.top,
                               record.right, record.bottom, record.sizing, margins, record.control.c_str(),
                               record.reference.c_str());
    }
    // Controls follow their entries from the start, not only once the
    // dialog changes size.
    RECT client = {};
    GetClientRect(dialog, &client);
    ApplyLayout(client.right, client.bottom);

    OnDescriptionLoaded(dialog);

    if (m_dialogInfo.flags & ZVBDD_FLAG_HIDE_NOT_LISTED_CONTROLS) {
        HideContext context = {this, dialog};
        EnumChildWindows(dialog, &HideUnknownChild, reinterpret_cast<LPARAM>(&context));
    }
    return true;
}

void CZV_BeautyDialogDesigner::ApplyControlSection(Registered& control, const ZVDescription::ControlSection& section,
                                                   HWND dialog, int captionOffset)
{
    RECT position96 = section.position;
    position96.top += captionOffset;
    position96.bottom += captionOffset;
    const RECT position = ZVToolkit::ScaleRect(position96);

    CZV_Wnd* hookObject = GetControlObject(control.name.c_str());
    CZV_ControlBase* skinned = nullptr;
    if (!hookObject) {
        skinned = dynamic_cast<CZV_ControlBase*>(control.member);
        if (!skinned && !control.member) {
            if (!control.owned)
                control.owned.reset(CreateControlByTypeName(section.type.c_str()));
            skinned = control.owned.get();
        }
    }

    if (section.create) {
        HWND existing = FindControl(control.name.c_str());
        if (skinned && !skinned->m_hWnd && !(existing && existing != skinned->m_hWnd)) {
            if (!skinned->Create(dialog, control.id, position, section.style, section.styleEx,
                                 section.hasText ? section.text.c_str() : L""))
                return;
            control.window = skinned->m_hWnd;
        } else if (!skinned && !existing) {
            UINT id = control.id;
            HWND window = CreateUnknownControl(control.name.c_str(), section.type.c_str(), position96,
                                               section.style, section.styleEx, dialog, id);
            if (!window)
                return;
            control.window = window;
            control.id = id;
        }
    } else {
        HWND window = GetDlgItem(dialog, static_cast<int>(control.id));
        if (!window)
            return;
        if (skinned && !skinned->SubclassWindow(window))
            skinned = nullptr;
        if (section.hasPosition)
            SetWindowPos(window, nullptr, position.left, position.top, position.right - position.left,
                         position.bottom - position.top, SWP_NOZORDER | SWP_NOACTIVATE);
        if (section.hasText)
            SetWindowTextW(window, section.text.c_str());
    }
    if (hookObject)
        control.object = hookObject;
    else if (skinned)
        control.object = skinned;
    if (skinned)
        skinned->LoadTemplate(m_controlTemplates.get(), section.templateName.c_str());
    control.applied = true;
    control.section = section;
}

void CZV_BeautyDialogDesigner::CreateCloseButton(HWND dialog)
{
    ZvString templateName;
    if (!m_generalControls || !m_generalControls->GetStringValue(ZvString(L"CZV_BeautyDialog"),
                                                                 ZvString(L"closeButtonTemplate"), ZvString(),
                                                                 templateName) ||
        templateName.IsEmpty() || Find(kCloseButtonName))
        return;
    RegisterControl(kCloseButtonName, kCloseButtonId, nullptr);
    Registered& control = *Find(kCloseButtonName);
    RECT client = {};
    GetClientRect(dialog, &client);
    const int side = ZVToolkit::ScaleX(kCloseButtonSize), margin = ZVToolkit::ScaleX(kCloseButtonMargin);
    const RECT place = {client.right - margin - side, margin, client.right - margin, margin + side};
    std::unique_ptr<CZV_UniButton> button(new CZV_UniButton());
    if (!button->Create(dialog, kCloseButtonId, place, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, L""))
        return;
    button->LoadTemplate(m_dialogTemplates ? m_dialogTemplates.get() : m_controlTemplates.get(), templateName);
    control.window = button->m_hWnd;
    control.object = button.get();
    control.owned = std::move(button);
    control.applied = true;
    // It keeps its corner when the dialog changes size, in the caption band
    // (hence the top inset taken back).
    RECT margins = {margin + side, -margin, 0, 0};
    if (m_glass)
        margins.top += ZVToolkit::ScaleY(ZVToolkit::kGlassCaptionHeight);
    m_layout->AddAlignment(0, control.window, nullptr, ZVGUI_RIGHT, ZVGUI_TOP, 0, 0, 0, margins, kCloseButtonName);
}

bool CZV_BeautyDialogDesigner::ApplyLayout(int clientWidth, int clientHeight)
{
    if (!m_layoutLoaded || !m_layout || (m_dialogInfo.flags & ZVBDD_FLAG_NO_LAYOUT))
        return false;
    return m_layout->ApplyLayout(clientWidth, clientHeight);
}

bool CZV_BeautyDialogDesigner::SaveDescription(const wchar_t* path) const
{
    std::vector<ZVDescription::ControlSection> controls;
    for (const auto& control : m_controls) {
        ZVDescription::ControlSection section = control->section;
        section.name = control->name;
        HWND window = FindControl(control->name.c_str());
        const CZV_ControlBase* skinned = dynamic_cast<const CZV_ControlBase*>(control->object);
        if (!control->applied) {
            section.create = false;
            section.type.clear();
        }
        if (skinned)
            section.type = skinned->GetTypeName();
        else if (!control->applied)
            section.type.clear(); // written "unknown"
        if (window && m_dialog) {
            RECT rect = {};
            GetWindowRect(window, &rect);
            MapWindowPoints(nullptr, m_dialog, reinterpret_cast<POINT*>(&rect), 2);
            // Back to 96 DPI, as description files are written.
            const unsigned int dpiX = ZVToolkit::GetDpiX(), dpiY = ZVToolkit::GetDpiY();
            section.position = RECT{MulDiv(rect.left, 96, static_cast<int>(dpiX)),
                                    MulDiv(rect.top, 96, static_cast<int>(dpiY)),
                                    MulDiv(rect.right, 96, static_cast<int>(dpiX)),
                                    MulDiv(rect.bottom, 96, static_cast<int>(dpiY))};
            section.style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
            section.styleEx = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
            if (!section.hasText) {
                wchar_t text[ZVDescription::kValueChars] = {};
                GetWindowTextW(window, text, ZVDescription::kValueChars);
                section.text = text;
            }
        }
        controls.push_back(section);
    }
    return ZVDescription::WriteDescription(path, m_dialogInfo, controls, m_alignments);
}
