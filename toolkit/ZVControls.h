// The skinned controls the update dialogs use. Each can take over a control
// of a dialog template (SubclassWindow) or create its own window (Create),
// and reads its look from a control template section (ZVControlBase.h lists
// the common keys; each class below lists its own).
#pragma once

#include "toolkit/ZVControlBase.h"

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
    bool m_hasBackHot = false, m_hasBackPressed = false, m_hasTextHot = false;
    COLORREF m_backHot = 0, m_backPressed = 0, m_textHot = 0;
};

// Text or picture; also the activity indicator. The control paints itself
// (text with the template's font, colour and alignment, word-wrapped unless
// SS_LEFTNOWORDWRAP; SS_CENTER / SS_RIGHT choose the alignment when the
// template names none).
// Activity animation: StartAnimation turns a ring of dots (or, when the
// template names `animationBitmap` with `animationFrames` frames side by
// side, those frames) every `animationInterval` milliseconds (default 80);
// StopAnimation stops and clears it. While the animation runs the text is
// not drawn. Template keys: animationBitmap, animationFrames,
// animationInterval, animationColor = r g b (dots, default system highlight).
class CZV_Static : public CZV_ControlBase {
public:
    CZV_Static() = default;
    ~CZV_Static() override;
    const wchar_t* GetTypeName() const override { return L"CZV_Static"; }

    // False without a window.
    bool StartAnimation();
    void StopAnimation();
    bool IsAnimating() const { return m_animating; }
    int GetAnimationFrame() const { return m_frame; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool LoadTemplate(CZVIniFileReader* file, const wchar_t* section) override;

protected:
    const wchar_t* GetSystemClass() const override { return L"STATIC"; }
    void Paint(HDC dc);

private:
    bool m_animating = false;
    int m_frame = 0;
    int m_interval = 80;
    int m_animationFrames = 0;
    ZvOSAL::ZvString m_animationBitmap;
    bool m_hasAnimationColor = false;
    COLORREF m_animationColor = 0;
};

// Edit field: the system edit with the template's font and colours
// (textColor, backColor; a read-only field uses them too).
class CZV_Edit : public CZV_ControlBase {
public:
    CZV_Edit() = default;
    const wchar_t* GetTypeName() const override { return L"CZV_Edit"; }
    HBRUSH OnCtlColor(HDC dc, UINT message) override;
    bool LoadTemplate(CZVIniFileReader* file, const wchar_t* section) override;

protected:
    const wchar_t* GetSystemClass() const override { return L"EDIT"; }
    void OnAttached() override;
};

// Progress meter with a settable maximum and value (floating point). It
// paints itself over whatever window it takes over (the templates use a
// msctls_progress32 there; created meters use a STATIC). The filled part is
// value / maximum of the width. Template keys: barColor, barColorEnd
// (gradient end), backColor, borderColor = r g b; bitmap (track) and
// barBitmap (fill), each stretched.
class CZV_PeakMeterCtrl : public CZV_ControlBase {
public:
    CZV_PeakMeterCtrl() = default;
    const wchar_t* GetTypeName() const override { return L"CZV_PeakMeterCtrl"; }

    // A maximum <= 0 is taken as 1.
    void SetMaximum(double maximum);
    double GetMaximum() const { return m_maximum; }
    // Clamped to 0..maximum; redraw: paint at once (UpdateWindow).
    void SetValue(double value, bool redraw = true);
    double GetValue() const { return m_value; }
    // The filled width in pixels for a control width.
    int GetFilledWidth(int width) const;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool LoadTemplate(CZVIniFileReader* file, const wchar_t* section) override;

protected:
    const wchar_t* GetSystemClass() const override { return L"STATIC"; }
    void Paint(HDC dc);

private:
    double m_maximum = 100.0;
    double m_value = 0.0;
    bool m_hasBar = false, m_hasBarEnd = false;
    COLORREF m_bar = 0, m_barEnd = 0;
    ZvOSAL::ZvString m_barBitmap;
};

// Creates the control object for a description type name (case-insensitive:
// CZV_UniButton, CZV_Static, CZV_Edit, CZV_PeakMeterCtrl, CZV_ColorFrame). Null for any other
// name, including the other type names description files may carry.
CZV_ControlBase* CreateControlByTypeName(const wchar_t* typeName);
// True for every type name a description file may carry (the full list of
// the toolkit's control types).
bool IsKnownControlTypeName(const wchar_t* typeName);
