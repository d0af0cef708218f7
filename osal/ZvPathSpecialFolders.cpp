// ZvPath: the system's special folders.
#include "ZvOSAL/ZvPath.h"

#include "osal/ZvPathInternal.h"

#include <windows.h>
#include <shlobj.h>

namespace ZvOSAL {

using namespace PathInternal;

namespace {

// Shell folder identifiers of the special folders 0..46; -1: resolved
// otherwise (temporary folder, VST plug-ins, the program's folder and file).
const int kSpecialFolderCsidl[ZvPath::eSF_Count] = {
    26, 35, 46, 23, 22, 24, 45, -1, 33, 0,
    16, 17, 6, 20, 32, 28, 13, 39, 5, 40,
    21, 38, 43, 37, 36, 18, 19, 47, 53, 58,
    54, 55, 61, 49, 5, 14, -1, 42, 44, 56,
    57, 41, -1, -1, 34, 48, 59,
};

// The known folder of a shell folder identifier (the documented
// correspondence), for systems where SHGetSpecialFolderPathW gives nothing.
const KNOWNFOLDERID* KnownFolderOf(int csidl)
{
    switch (csidl) {
    case 0: case 16: return &FOLDERID_Desktop;
    case 5: return &FOLDERID_Documents;
    case 6: return &FOLDERID_Favorites;
    case 13: return &FOLDERID_Music;
    case 14: return &FOLDERID_Videos;
    case 17: return &FOLDERID_ComputerFolder;
    case 18: case 61: return &FOLDERID_NetworkFolder;
    case 19: return &FOLDERID_NetHood;
    case 20: return &FOLDERID_Fonts;
    case 21: return &FOLDERID_Templates;
    case 22: return &FOLDERID_CommonStartMenu;
    case 23: return &FOLDERID_CommonPrograms;
    case 24: return &FOLDERID_CommonStartup;
    case 26: return &FOLDERID_RoamingAppData;
    case 28: return &FOLDERID_LocalAppData;
    case 32: return &FOLDERID_InternetCache;
    case 33: return &FOLDERID_Cookies;
    case 34: return &FOLDERID_History;
    case 35: return &FOLDERID_ProgramData;
    case 36: return &FOLDERID_Windows;
    case 37: return &FOLDERID_System;
    case 38: return &FOLDERID_ProgramFiles;
    case 39: return &FOLDERID_Pictures;
    case 40: return &FOLDERID_Profile;
    case 41: return &FOLDERID_SystemX86;
    case 42: return &FOLDERID_ProgramFilesX86;
    case 43: return &FOLDERID_ProgramFilesCommon;
    case 44: return &FOLDERID_ProgramFilesCommonX86;
    case 45: return &FOLDERID_CommonTemplates;
    case 46: return &FOLDERID_PublicDocuments;
    case 47: return &FOLDERID_CommonAdminTools;
    case 48: return &FOLDERID_AdminTools;
    case 49: return &FOLDERID_ConnectionsFolder;
    case 53: return &FOLDERID_PublicMusic;
    case 54: return &FOLDERID_PublicPictures;
    case 55: return &FOLDERID_PublicVideos;
    case 56: return &FOLDERID_ResourceDir;
    case 57: return &FOLDERID_LocalizedResourcesDir;
    case 58: return &FOLDERID_CommonOEMLinks;
    case 59: return &FOLDERID_CDBurning;
    default: return nullptr;
    }
}

ZvString ShellFolderPath(int csidl)
{
    // The path the shell writes counts, also when it reports that the folder
    // does not exist yet (the call does not create it).
    wchar_t buffer[MAX_PATH];
    buffer[0] = 0;
    SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE);
    buffer[MAX_PATH - 1] = 0;
    ZvString result(buffer);
    if (!result.IsEmpty())
        return result;

    const KNOWNFOLDERID* known = KnownFolderOf(csidl);
    HMODULE shell = GetModuleHandleW(L"shell32.dll");
    if (!known || !shell)
        return result;
    typedef HRESULT(WINAPI * GetKnownFolderPathFn)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
    GetKnownFolderPathFn getKnownFolderPath =
        reinterpret_cast<GetKnownFolderPathFn>(reinterpret_cast<void*>(GetProcAddress(shell, "SHGetKnownFolderPath")));
    if (!getKnownFolderPath)
        return result;
    PWSTR path = nullptr;
    if (SUCCEEDED(getKnownFolderPath(*known, KF_FLAG_DEFAULT_PATH, nullptr, &path)) && path)
        result = path;
    CoTaskMemFree(path);
    return result;
}

} // namespace

// ---- Special folders ----

void ZvPath::ResolveSpecialFolder(ESpecialFolders folder)
{
    ZvString result;
    if (folder == eSF_Temp) {
        wchar_t buffer[MAX_PATH];
        DWORD length = GetTempPathW(MAX_PATH, buffer);
        if (length > 0 && length < MAX_PATH)
            result = ZvString(buffer, static_cast<int>(length));
    } else if (folder == eSF_ProgramDirectory || folder == eSF_ProgramFile) {
        wchar_t buffer[MAX_PATH];
        DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            result = ZvString(buffer, static_cast<int>(length));
        if (folder == eSF_ProgramDirectory && !result.IsEmpty()) {
            ZvPath program(result);
            program.SetFileNameAndExt(ZvString());
            result = program.ToString();
        }
    } else if (folder == eSF_VSTPlugins) {
        ZvPath programFiles(eSF_ProgramFiles);
        if (!programFiles.IsEmpty())
            result = programFiles.ToString() + L"VSTPlugins\\";
    } else {
        int csidl = (folder >= 0 && folder < eSF_Count) ? kSpecialFolderCsidl[folder] : 0;
        result = ShellFolderPath(csidl);
    }
    if (!result.IsEmpty() && folder != eSF_ProgramFile)
        VerifyTrailingBackSlash(result);
    *this = result;
}

bool ZvPath::IsSpecialFolder() const
{
    if (IsEmpty())
        return false;
    for (int folder = 0; folder < eSF_Count; ++folder) {
        if (IsSpecialFolder(static_cast<ESpecialFolders>(folder)))
            return true;
    }
    return false;
}

bool ZvPath::IsSpecialFolder(ESpecialFolders folder) const
{
    ZvPath special(folder);
    return !special.IsEmpty() && *this == special;
}

bool ZvPath::IsSpecialFolder(const ZvPath& path) { return path.IsSpecialFolder(); }

bool ZvPath::IsSpecialFolder(const ZvPath& path, ESpecialFolders folder) { return path.IsSpecialFolder(folder); }

} // namespace ZvOSAL
