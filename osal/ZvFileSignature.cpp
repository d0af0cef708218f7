// ZvFileSystemItem::IsSignedValid: the Authenticode check of a file.
#include "ZvOSAL/ZvFileSystemItem.h"

#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

#include <cstddef>

namespace ZvOSAL {

namespace {

// The trust-data record as the system defines it since Windows 8: mingw-w64's
// WINTRUST_DATA lacks the last member (pSignatureSettings), so its size would
// be 4 (x86) or 8 (x64) bytes short of what the system's own callers pass.
struct SystemTrustData {
    DWORD cbStruct;
    LPVOID pPolicyCallbackData;
    LPVOID pSIPClientData;
    DWORD dwUIChoice;
    DWORD fdwRevocationChecks;
    DWORD dwUnionChoice;
    WINTRUST_FILE_INFO* pFile;
    DWORD dwStateAction;
    HANDLE hWVTStateData;
    WCHAR* pwszURLReference;
    DWORD dwProvFlags;
    DWORD dwUIContext;
    void* pSignatureSettings;
};
static_assert(offsetof(SystemTrustData, pFile) == offsetof(WINTRUST_DATA, pFile), "trust-data layout");
static_assert(offsetof(SystemTrustData, dwUIContext) == offsetof(WINTRUST_DATA, dwUIContext), "trust-data layout");
static_assert(offsetof(SystemTrustData, pSignatureSettings) == sizeof(WINTRUST_DATA), "trust-data layout");
#if defined(__i386__)
static_assert(sizeof(WINTRUST_FILE_INFO) == 16, "file-info record of 16 bytes on x86");
static_assert(sizeof(SystemTrustData) == 52, "trust-data record of 52 bytes on x86");
#endif

} // namespace

bool ZvFileSystemItem::IsSignedValid() const
{
    if (m_fullPath.IsEmpty())
        return false;
    // WinVerifyTrust wants a full path (Wine's crashes on a relative one);
    // resolving it here names the same file the system would open.
    wchar_t fullPath[MAX_PATH] = {};
    DWORD length = GetFullPathNameW(m_fullPath, MAX_PATH, fullPath, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return false;

    WINTRUST_FILE_INFO fileInfo;
    ZeroMemory(&fileInfo, sizeof(fileInfo));
    fileInfo.cbStruct = sizeof(fileInfo);
    fileInfo.pcwszFilePath = fullPath;
    fileInfo.hFile = nullptr;
    fileInfo.pgKnownSubject = nullptr;

    SystemTrustData trustData;
    ZeroMemory(&trustData, sizeof(trustData));
    trustData.cbStruct = sizeof(trustData);
    trustData.pPolicyCallbackData = nullptr;
    trustData.pSIPClientData = nullptr;
    trustData.dwUIChoice = WTD_UI_NONE;
    trustData.fdwRevocationChecks = WTD_REVOKE_NONE;
    trustData.dwUnionChoice = WTD_CHOICE_FILE;
    trustData.pFile = &fileInfo;
    trustData.dwStateAction = WTD_STATEACTION_IGNORE;
    trustData.hWVTStateData = nullptr;
    trustData.pwszURLReference = nullptr;
    trustData.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
    trustData.dwUIContext = 0;
    trustData.pSignatureSettings = nullptr;

    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    // No window: the check never asks the user.
    return WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trustData) == 0;
}

} // namespace ZvOSAL
