// Push button or check box. A taken-over BUTTON becomes owner-drawn; its
// kind (check box for BS_CHECKBOX/BS_AUTOCHECKBOX, else push button) is kept,
// and the check state is kept by the control: BM_GETCHECK / BM_SETCHECK (and
// so IsDlgButtonChecked / CheckDlgButton) work as for a system check box, and
// a click on a check box toggles it before the parent sees BN_CLICKED.
// Template keys:
//   bitmap        image with `frames` states side by side: normal, hot,
//                 pressed, disabled (push buttons); for check boxes the box
//                 image: unticked, ticked (drawn square at the left)
//   frames        number of states in the image (default 4 for push buttons,
//                 2 for check boxes)
//   backColorHot, backColorPressed, textColorHot = r g b
//   radius        corner radius of a colour-drawn push button (96 DPI)
//   padding       room between a push button's edges and its text (96 DPI,
//                 default 4)
//   drawText      0: the text is not drawn (a picture button; the text stays
//                 the button's name for assistive technology)
// Keyboard: a button is a tab stop; a push button answers the dialog manager
// as a push button (DLGC_UNDEFPUSHBUTTON / DLGC_DEFPUSHBUTTON), so that the
// dialog can make it the default (BM_SETSTYLE, drawn so) and Enter presses
// the focused one; Space presses it (and ticks a check box); the focus is
// drawn.
#pragma once

#include "toolkit/ZVControlBase.h"

class CZV_UniButton : public CZV_ControlBase {
public:
    CZV_UniButton() = default;
    const wchar_t* GetTypeName() const override { return L"CZV_UniButton"; }

    bool IsCheckBox() const { return m_checkBox; }
    void SetCheckBox(bool checkBox) { m_checkBox = checkBox; }
    // BST_CHECKED or BST_UNCHECKED.
    int GetCheck() const { return m_check; }
    // Stores the state and redraws.
    void SetCheck(int state);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnDrawItem(const DRAWITEMSTRUCT& item) override;
    void OnParentNotify(UINT code) override;
    bool LoadTemplate(CZVIniFileReader* file, const wchar_t* section) override;
    bool GetTextLayout(RECT& area, UINT& format) const override;
    // The dialog's default button (Enter presses it).
    bool IsDefault() const { return m_default; }

protected:
    const wchar_t* GetSystemClass() const override { return L"BUTTON"; }
    void OnAttached() override;

private:
    bool m_checkBox = false;
    int m_check = BST_UNCHECKED;
    bool m_hot = false;
    bool m_tracking = false;
    int m_frames = 0; // 0: the default for the kind
    int m_radius = 4;
    int m_padding = 4;
    bool m_drawText = true;
    bool m_default = false;
    bool m_hasBackHot = false, m_hasBackPressed = false, m_hasTextHot = false;
    COLORREF m_backHot = 0, m_backPressed = 0, m_textHot = 0;
};
