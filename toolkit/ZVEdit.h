// Edit field: the system edit with the template's font and colours
// (textColor, backColor; a read-only field uses them too). A read-only field
// keeps its selection when Tab reaches it (the dialog manager selects all of
// an ordinary field).
#pragma once

#include "toolkit/ZVControlBase.h"

class CZV_Edit : public CZV_ControlBase {
public:
    CZV_Edit() = default;
    const wchar_t* GetTypeName() const override { return L"CZV_Edit"; }
    HBRUSH OnCtlColor(HDC dc, UINT message) override;
    bool LoadTemplate(CZVIniFileReader* file, const wchar_t* section) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    const wchar_t* GetSystemClass() const override { return L"EDIT"; }
    void OnAttached() override;
};
