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
#pragma once

#include "toolkit/ZVControlBase.h"

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
    bool GetTextLayout(RECT& area, UINT& format) const override;

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
