// ZvAutoUpdate.dll: the entry point.
//
//   int result = DoAction(&configuration, action);
//
// Actions: 1 interactive update (or a silent check when the host asks for no
// dialogs), 2 customer-data upload, 3 availability check, 4 download of the
// patch installer. The call blocks on the caller's thread until the action
// has ended. One call runs at a time: a second call from another thread
// waits for the first; a call made from inside one of the library's own calls
// to the host (on a thread that is running DoAction, or from a job thread of
// a running call) returns 3 at once. No exception leaves DoAction.
//
// DoActionWithPolicy (ZvUpdatePolicy.h) is DoAction with opt-in rules.
//
// Result codes:
//   1  action 1: ended without an install decision (no update, dialog closed,
//                or a silent check); action 2: uploaded; action 3: an update
//                is available; action 4: installer downloaded and handed over
//   2  action 2: upload failed; action 3: no update, or the check failed
//   3  null configuration, action 0, a call from inside a running call, or
//      (DoActionWithPolicy) a policy whose size is too small
//   4  action outside 1..4
//   7  action 1: the user cancelled the install dialog
//   8  action 1: install now
//   9  action 1: install when the program closes
//  10  action 4: no download address after the check
//  11  action 2: the host named no customer-data file
//  12  action 1: cancelled while the installer's signature was being checked
//  15  action 1: the progress dialog was cancelled or the download failed;
//      action 4: the transfer failed
#pragma once

#include "UpdateConfiguration2.h"

enum ZvAutoUpdateAction {
    ZVAU_ACTION_UPDATE = 1,
    ZVAU_ACTION_UPLOAD_CRM = 2,
    ZVAU_ACTION_CHECK = 3,
    ZVAU_ACTION_DOWNLOAD = 4,
};

enum ZvAutoUpdateResult {
    ZVAU_RESULT_OK = 1,
    ZVAU_RESULT_FAILED = 2,
    ZVAU_RESULT_BAD_ARGUMENT = 3,
    ZVAU_RESULT_UNKNOWN_ACTION = 4,
    ZVAU_RESULT_INSTALL_CANCELLED = 7,
    ZVAU_RESULT_INSTALL_NOW = 8,
    ZVAU_RESULT_INSTALL_LATER = 9,
    ZVAU_RESULT_NO_DOWNLOAD_URL = 10,
    ZVAU_RESULT_NO_CRM_FILE = 11,
    ZVAU_RESULT_CANCELLED_DURING_CHECK = 12,
    ZVAU_RESULT_TRANSFER_CANCELLED = 15,
};

#if defined(ZVAUTOUPDATE_BUILDING_DLL) || defined(ZVAUTOUPDATE_STATIC)
#define ZVAUTOUPDATE_ENTRY
#else
#define ZVAUTOUPDATE_ENTRY __declspec(dllimport)
#endif

// The exported functions are plain C functions (__cdecl, undecorated names),
// callable from C and from any compiler's C++. In C the configuration is the
// table-based CUpdateConfiguration2 of UpdateConfiguration2.h.
#ifdef __cplusplus
#define ZVAUTOUPDATE_CONFIGURATION ZvAutoUpdate::CUpdateConfiguration2
extern "C" {
#else
#define ZVAUTOUPDATE_CONFIGURATION CUpdateConfiguration2
#endif

ZVAUTOUPDATE_ENTRY int __cdecl DoAction(ZVAUTOUPDATE_CONFIGURATION* configuration, int action);

// For hosts that load the library with LoadLibraryW/GetProcAddress.
typedef int(__cdecl* ZvDoActionFn)(ZVAUTOUPDATE_CONFIGURATION* configuration, int action);

#ifdef __cplusplus
}
#endif
