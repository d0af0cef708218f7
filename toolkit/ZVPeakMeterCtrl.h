// Progress meter with a settable maximum and value (floating point). It
// paints itself over whatever window it takes over (the templates use a
// msctls_progress32 there; created meters use a STATIC). The filled part is
// value / maximum of the width. Template keys: barColor, barColorEnd
// (gradient end), backColor, borderColor = r g b; bitmap (track) and
// barBitmap (fill), each stretched.
#pragma once

#include "toolkit/ZVControlBase.h"

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
