// The private window messages of the update workflow. Jobs post them to the
// dialog that started them; the progress dialog also posts WM_START_DOWNLOAD
// to itself. Parameters:
//   WM_UPDATE_CHECKED     wParam 1: a usable patch was found, else 0
//   WM_CRM_UPLOADED       none
//   WM_DOWNLOAD_DONE      lParam: the transfer result, 1 for success
//   WM_DOWNLOAD_PROGRESS  wParam: low 32 bits of the bytes written so far
//   WM_START_DOWNLOAD     none
//   WM_FILE_CHECKED       wParam 1: the installer's signature is valid, else 0
#pragma once

#include <windows.h>

constexpr UINT WM_UPDATE_CHECKED = WM_USER + 1;
constexpr UINT WM_CRM_UPLOADED = WM_USER + 2;
constexpr UINT WM_DOWNLOAD_DONE = WM_USER + 3;
constexpr UINT WM_DOWNLOAD_PROGRESS = WM_USER + 4;
constexpr UINT WM_START_DOWNLOAD = WM_USER + 5;
constexpr UINT WM_FILE_CHECKED = WM_USER + 6;
