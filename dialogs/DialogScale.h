// The dialog manager lays a template out at the display's DPI; the skin is
// scaled with the dialog's own DPI, which is capped (CBaseDlg: at most 168).
// Above the cap the two would drift apart by tens of pixels, so the dialog's
// template controls and its font follow the dialog's DPI too.
#pragma once

#include <windows.h>

// The DPI the dialog manager used for the dialog's template (the display's
// vertical logical pixels per inch; 96 when it cannot be read).
unsigned int TemplateDpi();

// Scales the client area and every child window of dialog by dpi / from, and
// gives the dialog and its children a copy of the dialog's font scaled the
// same way. Returns that font (the caller owns it; null when nothing was
// scaled: from == dpi, or no window).
HFONT ScaleDialogTemplate(HWND dialog, unsigned int from, unsigned int dpi);
