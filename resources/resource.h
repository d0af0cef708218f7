// Resource identifiers of the library's dialog templates, their controls and
// the string table, shared by the C++ sources and the resource scripts.
//
// Skin description files address controls by these names ("IDOK",
// "IDC_BTN_LATER", ...), so a name here is part of the skin file format:
// never rename one. IDOK (1) and IDCANCEL (2) come from <windows.h>.
//
// Only #define lines: the resource compiler reads this file too.
#pragma once

// ---- Dialog templates ----
#define IDD_PROGRESS 102    // CDlgProgress, "Progress.ini"
#define IDD_UPDATE 1002     // CDlgUpdate, "Update.ini"
#define IDD_INSTALL 1004    // CDlgInstall, "Install.ini"
#define IDD_CRM_VIEWER 1023 // CCRMViewer, "CRMViewer.ini"

// ---- Controls ----
// Progress dialog (with IDOK, IDCANCEL).
#define IDC_PROGRESS 1001
#define IDC_TXT_DOWNLOAD_STATUS 1003
#define IDC_TXT_TITLE 1005 // also the customer-data viewer's title text
#define IDC_TXT_MESSAGE 1006
// Update dialog (with IDOK, IDCANCEL).
#define IDC_CHECK_SEND_CRM_DATA 1007
#define IDC_TXT_PRODUCT 1008 // also the install dialog's product text
#define IDC_TXT_UPDATE 1009
#define IDC_BTN_WHATS_NEW 1010
#define IDC_CHECK_DONT_SHOW_AGAIN 1011
#define IDC_BTN_SHOW_CRM 1015
#define IDC_TXT_WAIT 1016
#define IDC_ACTIVITY 1017
#define IDC_TXT_NO_PATCH_AVAILABLE 1018
#define IDC_TXT_PLEASE_WAIT 1019
#define IDC_BROWSER 1020 // not in the template: the dialog creates the browser pane itself
// Install dialog (with IDOK, IDCANCEL, IDC_TXT_PRODUCT).
#define IDC_TXT_INSTALL_WHEN 1012
#define IDC_BTN_LATER 1013
// Customer-data viewer (with IDOK, IDC_TXT_TITLE).
#define IDC_EDIT_CRM 1022

// ---- Strings ----
// Byte units, three styles each: short ("kB"), medium ("KBytes"), long
// ("Kilobytes"). Unit u (0 bytes, 1 kilo, ... 6 exa) in style s (0 short,
// 1 medium, 2 long) is IDS_UNIT_FIRST + 3 * u + s.
#define IDS_UNIT_FIRST 113
#define IDS_UNIT_BYTES_SHORT 113
#define IDS_UNIT_BYTES_MEDIUM 114
#define IDS_UNIT_BYTES_LONG 115
#define IDS_UNIT_KILO_SHORT 116
#define IDS_UNIT_KILO_MEDIUM 117
#define IDS_UNIT_KILO_LONG 118
#define IDS_UNIT_MEGA_SHORT 119
#define IDS_UNIT_MEGA_MEDIUM 120
#define IDS_UNIT_MEGA_LONG 121
#define IDS_UNIT_GIGA_SHORT 122
#define IDS_UNIT_GIGA_MEDIUM 123
#define IDS_UNIT_GIGA_LONG 124
#define IDS_UNIT_TERA_SHORT 125
#define IDS_UNIT_TERA_MEDIUM 126
#define IDS_UNIT_TERA_LONG 127
#define IDS_UNIT_PETA_SHORT 128
#define IDS_UNIT_PETA_MEDIUM 129
#define IDS_UNIT_PETA_LONG 130
#define IDS_UNIT_EXA_SHORT 131
#define IDS_UNIT_EXA_MEDIUM 132
#define IDS_UNIT_EXA_LONG 133
#define IDS_UNIT_LAST 133
// Dialog texts.
#define IDS_CLOSE 142                 // update dialog: IDCANCEL when there is no update
#define IDS_DOWNLOADING 143           // progress: first argument of the status line
#define IDS_DOWNLOAD_UPDATE 144       // progress: title
#define IDS_CHECK_FAILED 145          // progress: title after a failed check
#define IDS_DOWNLOAD_STATUS_FORMAT 146 // progress: "%s   %d%% (%s / %s)"
#define IDS_DOWNLOAD_MESSAGE 147      // progress: message during the download
#define IDS_CORRUPT_MESSAGE 148       // progress: message after a failed check
#define IDS_CANCEL 149                // progress: cancel button
#define IDS_NO 150                    // progress: cancel button after a failed check
#define IDS_RESTART_QUESTION 151      // progress: status after a failed check
#define IDS_CHECKING_UPDATE 152       // progress: status during the check
#define IDS_TRANSFERRING_PROGRAM_FILES 1024 // progress: message during the upload
