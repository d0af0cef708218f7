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
// Keys: Enter and Escape only ever do what a visible button does. A click
// command (BN_CLICKED) for a button that is hidden or disabled is dropped, so
// the dialog manager's Enter (IDOK when no default button is set) cannot run
// a hidden action; IDCANCEL (Escape, the system's close box) is the close
// command while the dialog can be closed (a shown Cancel button, the close
// button of the general controls, or a system menu). DM_GETDEFID answers the
// dialog's primary action (GetDefaultButtonId) while it is shown.
//
// Frame areas of the general controls (CZV_ColorFrame) are painted with the
// background; in glass-frame mode the custom caption band is left to the
// system's frame.
//
// Nothing thrown in a handler of the dialog or of its skinned controls
// unwinds into the system's window code: the procedures catch it and call
// OnFailure, which ends the dialog as cancelled.
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
    // template was given or the window could not be created (an owner that
    // is no window among the reasons).
    virtual INT_PTR DoModal();
    // Ends the modal run with result.
    virtual void EndDialog(INT_PTR result);

    // While true a window runs modally for this dialog (DoModal on the stack).
    bool IsModalRunning() const { return m_running; }
    HWND GetOwner() const { return m_owner; }

    // The button Enter presses: the dialog's primary action, while it is
    // shown and enabled (IDOK by default; 0 for none). A dialog whose primary
    // action changes with its state overrides it and calls
    // UpdateDefaultButton after each change.
    virtual UINT GetDefaultButtonId() const { return IDOK; }
    // Makes GetDefaultButtonId the default button (drawn so) and, with
    // focus, moves the keyboard focus to it. False when there is none.
    bool UpdateDefaultButton(bool focus);
    // Orders the Tab sequence (the Z order) of the tab-stop controls in
    // reading order: rows from top to bottom, each from left to right. Not
    // when the description gives the order (ZVBDD_FLAG_USE_INI_Z_ORDER).
    void SortTabOrder();
    // The control is shown (its own WS_VISIBLE) and enabled.
    static bool IsUsable(HWND control);

    // Takes over the template's child id with control (data exchange): a
    // control already attached to that window stays. False when there is no
    // such child or the control cannot take it over.
    bool BindControl(UINT id, CZV_ControlBase& control);

    // A handler of the dialog or of one of its controls stopped inside (an
    // allocation failed). Ends the dialog with IDCANCEL here; dialogs that
    // know more (their cancel result, a log) override it. Must not throw.
    virtual void OnFailure() noexcept;
    // The running dialog that window is, or is a child of; null for none.
    static CZV_BeautyDialog* FromWindow(HWND window);

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
    // The close command: the close button of the general controls, and
    // Escape or the system's close box while no Cancel button is shown.
    virtual void OnClose() { OnCancel(); }
    void OnDescriptionLoaded(HWND dialog) override;

    const wchar_t* GetSystemClass() const override { return L"#32770"; }

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void PaintDialogBackground(HDC dc);
    bool IsCommandAvailable(UINT id) const;
    void ExtendGlassFrame();

    const DLGTEMPLATE* m_template = nullptr;
    HWND m_owner = nullptr;
    bool m_running = false;
    bool m_initialised = false; // WM_INITDIALOG arrived during this run
    bool m_hasBackEnd = false;
    COLORREF m_backEnd = 0;
    ZvOSAL::ZvString m_dialogBitmap;
};
