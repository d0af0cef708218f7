// A frame area of a skinned dialog: the general controls' frame areas
// (IDC_GENERALCONTROLS_FRAME_MAIN_AREA and the like). The window only places
// the area; the dialog paints the area as part of its own background (fill
// and border lines), so that the controls lying on it show it through their
// see-through backgrounds. The window itself has no visible area and takes
// no input, wherever the Z order puts it.
//
// Template keys: backColor (fill), borderColor (lines), borderSides (any of
// left, top, right, bottom joined by "|"; default all four), borderWidth
// (96-DPI pixels, default 1).
#pragma once

#include "toolkit/ZVControlBase.h"

class CZV_ColorFrame : public CZV_ControlBase {
public:
    CZV_ColorFrame() = default;
    const wchar_t* GetTypeName() const override { return L"CZV_ColorFrame"; }

    // Paints the area into the parent's context (parent client coordinates).
    void PaintArea(HDC parentDc) const;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool LoadTemplate(CZVIniFileReader* file, const wchar_t* section) override;
    void Redraw(bool deferUpdate) override;

protected:
    const wchar_t* GetSystemClass() const override { return L"STATIC"; }
    void OnAttached() override;

private:
    unsigned int m_sides = 15; // 1 left, 2 top, 4 right, 8 bottom
    int m_borderWidth = 1;
};
