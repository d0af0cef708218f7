// A control of a dialog that another thread (or process) owns, found without
// GetDlgItem. GetDlgItem lists the siblings of the dialog's first child in
// one server request; while the owning thread destroys the dialog, that
// child may already be unlinked from it, and Wine 10's server then walks the
// unlinked list for ever: every program of the Wine session stops. Asking
// for one window at a time (GW_CHILD, GW_HWNDNEXT) ends at an unlinked
// window instead.
#pragma once

#include <windows.h>

namespace zvtest {

// The direct child of `dialog` with control id `id`, or null.
inline HWND ForeignDialogItem(HWND dialog, int id)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) == id)
            return child;
    return nullptr;
}

} // namespace zvtest
