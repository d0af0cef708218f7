#include "toolkit/ZVControls.h"

#include "toolkit/ZVColorFrame.h"

#include <cwchar>

CZV_ControlBase* CreateControlByTypeName(const wchar_t* typeName)
{
    if (!typeName)
        return nullptr;
    if (_wcsicmp(typeName, L"CZV_UniButton") == 0)
        return new CZV_UniButton();
    if (_wcsicmp(typeName, L"CZV_Static") == 0)
        return new CZV_Static();
    if (_wcsicmp(typeName, L"CZV_Edit") == 0)
        return new CZV_Edit();
    if (_wcsicmp(typeName, L"CZV_PeakMeterCtrl") == 0)
        return new CZV_PeakMeterCtrl();
    if (_wcsicmp(typeName, L"CZV_ColorFrame") == 0)
        return new CZV_ColorFrame();
    return nullptr;
}

bool IsKnownControlTypeName(const wchar_t* typeName)
{
    static const wchar_t* const kNames[] = {
        L"CZV_UniButton",  L"CZV_ListCtrl",  L"CZV_Static",        L"CZV_PeakMeterCtrl", L"CZV_ColorFrame",
        L"CZV_PointField", L"CZV_Edit",      L"CZV_RichEditCtrlEx", L"CZV_ComboBox",     L"CZV_ScrollBar",
        L"CZV_Fader",      L"CZV_SpinButtonCtrl", L"CZV_ListBox",   L"CZV_StatusBarCtrl", L"CZV_FarbTafelCtrl",
        L"CZV_TabCtrl",    L"CZV_Knob",      L"CZV_DateTimeCtrl",  L"CZV_ColorWheel",
    };
    if (!typeName)
        return false;
    for (const wchar_t* name : kNames)
        if (_wcsicmp(name, typeName) == 0)
            return true;
    return false;
}
