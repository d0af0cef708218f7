// CZV_BeautyDialog: a dialog window run modally from a template in memory,
// which also is the designer of its own description file and, through
// CZV_ControlBase, a reader of typed skin values.
//
// Use: InitModalIndirect(template, owner), then DoModal(). The dialog
// procedure routes every message to OnDialogMessage (override it, call the
// base for what you do not handle). The base handles:
//   WM_INITDIALOG  -> OnInitDialog (its return value is the message result)
//   WM_COMMAND     -> the notifying skinned control's OnParentNotify, then
//                     OnCommand; IDOK -> OnOK (EndDialog(IDOK)), IDCANCEL ->
//                     OnCancel (EndDialog(IDCANCEL))
//   WM_CTLCOLOR*   -> the skinned control's OnCtlColor, else the skin's
//                     background brush
//   WM_DRAWITEM    -> the skinned control's OnDrawItem
//   WM_ERASEBKGND  -> the skin's background (colour, gradient or bitmap)
//   WM_SIZE        -> the alignment entries of the loaded description are
//                     applied (ApplyLayout), then the client area is
//                     invalidated with erasing (not when minimized)
// A message handler that returns a value through the dialog (DWLP_MSGRESULT)
// sets `result` and returns true.
//
// Dialog frame template (the [dialog] template= section in the description's
// dialogControlTemplateFile): backColor, backColorEnd (vertical gradient),
// bitmap (stretched background), textColor (default for statics).
#pragma once

#include "toolkit/ZVBeautyDialogDesigner.h"
#include "toolkit/ZVControlBase.h"

#include <windows.h>

class CZV_BeautyDialog : public CZV_ControlBase, public CZV_BeautyDialogDesigner {
public:
    CZV_BeautyDialog();
    ~CZV_BeautyDialog() override;

    const wchar_t* GetTypeName() const override { return L"CZV_BeautyDialog"; }

    // Remembers the template (not copied: it must stay valid until DoModal
    // returns) and the owner window. False for a null template.
    virtual bool InitModalIndirect(const DLGTEMPLATE* dialogTemplate, HWND owner);
    // Runs the dialog modally; the value passed to EndDialog, or -1 when no
    // template was given or the window could not be created.
    virtual INT_PTR DoModal();
    // Ends the modal run with result.
    virtual void EndDialog(INT_PTR result);

    // While true a window runs modally for this dialog (DoModal on the stack).
    bool IsModalRunning() const { return m_running; }
    HWND GetOwner() const { return m_owner; }

    // Disables / enables the dialog window (while a nested run owns it).
    virtual void BeginModalState();
    virtual void EndModalState();

    // Takes over the template's child id with control (data exchange): a
    // control already attached to that window stays. False when there is no
    // such child or the control cannot take it over.
    bool BindControl(UINT id, CZV_ControlBase& control);

protected:
    // Standard initialisation: the data exchange (DoDataExchange) and the
    // default focus. Returns TRUE to let the system set the focus.
    virtual BOOL OnInitDialog();
    // Derived dialogs bind their member controls here (BindControl).
    virtual void DoDataExchange() {}
    virtual bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // True when handled.
    virtual bool OnCommand(WPARAM wParam, LPARAM lParam);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    void OnDescriptionLoaded(HWND dialog) override;

    const wchar_t* GetSystemClass() const override { return L"#32770"; }

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void PaintDialogBackground(HDC dc);

    const DLGTEMPLATE* m_template = nullptr;
    HWND m_owner = nullptr;
    bool m_running = false;
    bool m_hasBackEnd = false;
    COLORREF m_backEnd = 0;
    ZvOSAL::ZvString m_dialogBitmap;
};
