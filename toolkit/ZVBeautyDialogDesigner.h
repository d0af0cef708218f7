// CZV_BeautyDialogDesigner: reads a dialog description file (see
// ini/ZVDialogDescription.h for the format) and applies it to a dialog
// window: registered controls are taken over ("subclass") or created
// ("create") with skinned control classes, given their look from control
// template files, and the alignment entries go to the layout manager.
//
// Dialog code first registers each control's name and id (RegisterControl),
// optionally with its own member control object, which is then used for the
// control instead of one the designer makes. Objects the designer makes are
// owned by the designer and destroyed with it.
#pragma once

#include "ZvOSAL/ZvString.h"
#include "toolkit/ZVDialogDescription.h"
#include "toolkit/ZVControlBase.h"
#include "toolkit/ZVLayoutManager.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class CZVIniFileReader;

class CZV_BeautyDialogDesigner {
public:
    // The general controls file's control sections (frame areas) are
    // registered under their section names with ids from here on.
    static constexpr UINT kFirstGeneralControlId = 0x7F00;
    // The close button the general controls file asks for
    // ([CZV_BeautyDialog] closeButtonTemplate, a template of the dialog
    // template file): a top-level dialog without the system's close box (or
    // with the glass frame) gets it in its top-right corner. A click on it
    // is the dialog's close command.
    static constexpr UINT kCloseButtonId = 0x7FFF;
    static constexpr const wchar_t* kCloseButtonName = L"IDC_GENERALCONTROLS_CLOSE";
    static constexpr int kCloseButtonSize = 24;  // 96 DPI
    static constexpr int kCloseButtonMargin = 6; // 96 DPI

    CZV_BeautyDialogDesigner();
    virtual ~CZV_BeautyDialogDesigner();
    CZV_BeautyDialogDesigner(const CZV_BeautyDialogDesigner&) = delete;
    CZV_BeautyDialogDesigner& operator=(const CZV_BeautyDialogDesigner&) = delete;

    // Records name -> id (and the member object, may be null). False when id
    // is 0xFFFFFFFF or name is null, empty or already registered (names
    // compare with case).
    bool RegisterControl(const wchar_t* name, UINT id, CZV_Wnd* member, UINT reserved = 0);
    // Reads folder + fileName and applies it to dialog. False when fileName
    // is empty, dialog is not a window or the file cannot be read (nothing is
    // changed then).
    bool LoadDescription(const wchar_t* folder, const wchar_t* fileName, HWND dialog);
    // The window of a registered or created control; null when there is none
    // (or the registered id has no child window).
    HWND FindControl(const wchar_t* name) const;
    // The control object used for name (member, hook object or the
    // designer's own), or null.
    CZV_Wnd* FindControlObject(const wchar_t* name) const;
    // True when id belongs to a registered or created control.
    bool IsKnownControlId(UINT id) const;
    // Writes the current description (dialog info, every registered control
    // with what was read for it, the alignment entries) to path; see
    // ZVDescription::WriteDescription.
    bool SaveDescription(const wchar_t* path) const;

    // The alignment entries of the last load (a load creates a fresh
    // manager owned by the dialog window).
    CZVLayoutManager& GetLayoutManager() { return *m_layout; }
    // True when the last load used the glass frame (see ZVToolkit.h).
    bool IsGlassFrame() const { return m_glass; }
    // True once a description was loaded (and with it the layout manager).
    bool HasLayout() const { return m_layoutLoaded; }
    // The layout pass (the load runs it once, the dialog's size handler after
    // every change); false (nothing done) before a description was loaded or
    // with ZVBDD_FLAG_NO_LAYOUT.
    bool ApplyLayout(int clientWidth, int clientHeight);
    const ZVDescription::DialogInfo& GetDialogInfo() const { return m_dialogInfo; }
    unsigned int GetDialogFlags() const { return m_dialogInfo.flags; }
    // The folder of the last description file read (with a trailing "\").
    const ZvOSAL::ZvString& GetDescriptionFolder() const { return m_folder; }
    // The template section of the dialog frame, from dialogControlTemplateFile
    // (null before a load or when none).
    CZVIniFileReader* GetDialogTemplateFile() const { return m_dialogTemplates.get(); }
    CZVIniFileReader* GetControlTemplateFile() const { return m_controlTemplates.get(); }
    CZVIniFileReader* GetGeneralControlsFile() const { return m_generalControls.get(); }
    size_t GetRegisteredCount() const { return m_controls.size(); }

protected:
    // Hook 1: the dialog's own window object for a control name, asked for
    // every applied control section before the designer makes one. Null
    // (the default): the designer uses the registered member or its own.
    virtual CZV_Wnd* GetControlObject(const wchar_t* name);
    // Hook 2: creates a control of a type the designer does not make, for a
    // "create" section. position is the section's, at 96 DPI as written (the
    // hook scales it); style/styleEx as parsed; parent is the dialog. Returns
    // the new window (null: not created) and sets id. The default creates
    // nothing.
    virtual HWND CreateUnknownControl(const wchar_t* name, const wchar_t* type, const RECT& position, DWORD style,
                                      DWORD styleEx, HWND parent, UINT& id);
    // Called when the load changed the dialog (after every control section
    // was applied), before hiding unlisted controls.
    virtual void OnDescriptionLoaded(HWND dialog) {}
    // The dialog window FindControl looks in (LoadDescription sets it too).
    void SetDesignerWindow(HWND dialog) { m_dialog = dialog; }

private:
    struct Registered {
        std::wstring name;
        UINT id = 0;
        CZV_Wnd* member = nullptr;
        CZV_Wnd* object = nullptr; // what is used (member, hook's or owned)
        std::unique_ptr<CZV_ControlBase> owned;
        HWND window = nullptr;     // set for created controls
        bool applied = false;
        ZVDescription::ControlSection section;
    };

    Registered* Find(const wchar_t* name);
    const Registered* Find(const wchar_t* name) const;
    void ApplyControlSection(Registered& control, const ZVDescription::ControlSection& section, HWND dialog,
                             int captionOffset);
    std::shared_ptr<CZVIniFileReader> OpenRelative(const std::wstring& fileName) const;
    void CreateCloseButton(HWND dialog);

    std::vector<std::unique_ptr<Registered>> m_controls;
    std::unique_ptr<CZVLayoutManager> m_layout;
    bool m_layoutLoaded = false;
    bool m_glass = false;
    ZVDescription::DialogInfo m_dialogInfo;
    std::vector<ZVDescription::AlignmentRecord> m_alignments;
    ZvOSAL::ZvString m_folder;
    HWND m_dialog = nullptr;
    std::shared_ptr<CZVIniFileReader> m_description, m_controlTemplates, m_dialogTemplates, m_generalControls;
};
