#include "dialogs/DialogScale.h"

#include <vector>

unsigned int TemplateDpi()
{
    unsigned int dpi = 96;
    if (HDC dc = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr)) {
        const int measured = GetDeviceCaps(dc, LOGPIXELSY);
        if (measured > 0)
            dpi = static_cast<unsigned int>(measured);
        DeleteDC(dc);
    }
    return dpi;
}

HFONT ScaleDialogTemplate(HWND dialog, unsigned int from, unsigned int dpi)
{
    if (!dialog || !IsWindow(dialog) || from == dpi || from == 0 || dpi == 0)
        return nullptr;
    const int to = static_cast<int>(dpi), of = static_cast<int>(from);
    HFONT scaled = nullptr;
    LOGFONTW font = {};
    HFONT current = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    if (current && GetObjectW(current, sizeof(font), &font) == sizeof(font)) {
        font.lfHeight = MulDiv(font.lfHeight, to, of);
        font.lfWidth = MulDiv(font.lfWidth, to, of);
        scaled = CreateFontIndirectW(&font);
    }
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    for (HWND child : children) {
        RECT rect = {};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        const int left = MulDiv(rect.left, to, of), top = MulDiv(rect.top, to, of);
        SetWindowPos(child, nullptr, left, top, MulDiv(rect.right, to, of) - left, MulDiv(rect.bottom, to, of) - top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (scaled && reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)) == current)
            SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(scaled), FALSE);
    }
    if (scaled)
        SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(scaled), FALSE);
    RECT window = {}, client = {};
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + MulDiv(client.right, to, of) - client.right,
                 window.bottom - window.top + MulDiv(client.bottom, to, of) - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return scaled;
}
