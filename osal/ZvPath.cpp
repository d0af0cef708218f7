#include "ZvOSAL/ZvPath.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstddef>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace ZvOSAL {

const wchar_t* const ZvPath::sPathParent = L"\\..\\";
const wchar_t* const ZvPath::sPathLeading = L".\\";
const wchar_t* const ZvPath::sPathIgnore = L"\\.\\";
const wchar_t* const ZvPath::PathSeparator = L"\\";
const wchar_t* const ZvPath::m_sSeparatorAlternative = L"/";
const wchar_t* const ZvPath::m_sRootColon = L":";
const wchar_t* const ZvPath::UPnPProtocol = L"upnp://";
const ZvPath::ESplitMethod ZvPath::m_eSplitMethod = ZvPath::eSplitMethod_ShellAndRuntime;

namespace {

bool IsSeparator(wchar_t ch) { return ch == L'\\' || ch == L'/'; }

wchar_t LastChar(const ZvString& text) { return text.IsEmpty() ? 0 : text[text.GetLength() - 1]; }

// The shell's path functions work in MAX_PATH buffers; longer input is
// refused instead of being handed to them.
bool FitsShellBuffer(const ZvString& text) { return text.GetLength() < MAX_PATH - 1; }

// PathCanonicalizeW with the result that Windows gives. Wine 8 reads past the
// end of a path whose last component is "." or ".." without a trailing
// separator ("\a\.." comes back as garbage), so such a path is canonicalised
// with a separator appended, which is then taken off again unless the result
// is a root ("\" or "X:\").
bool ShellCanonicalize(const ZvString& path, ZvString& out)
{
    if (!FitsShellBuffer(path))
        return false;
    int length = path.GetLength();
    bool dotted = false;
    if (length >= 1 && path[length - 1] == L'.') {
        int dots = (length >= 2 && path[length - 2] == L'.') ? 2 : 1;
        dotted = length == dots || path[length - dots - 1] == L'\\';
    }
    ZvString input = path;
    if (dotted)
        input += L'\\';
    // Room for twice the limit: the shell may add a separator.
    wchar_t buffer[2 * MAX_PATH];
    buffer[0] = 0;
    if (!PathCanonicalizeW(buffer, input))
        return false;
    buffer[2 * MAX_PATH - 1] = 0;
    ZvString result(buffer);
    if (dotted) {
        int n = result.GetLength();
        bool isRoot = n == 1 || (n == 3 && result[1] == L':');
        if (n > 0 && result[n - 1] == L'\\' && !isRoot)
            result = result.Left(n - 1);
    }
    out = result;
    return true;
}

// The runtime split of a local path (after repair): drive, directory, file
// name, extension. _wsplitpath copies without limits on some runtimes, so the
// buffers are as long as the text.
void RuntimeSplit(const ZvString& text, ZvString& drive, ZvString& dir, ZvString& name, ZvString& ext)
{
    size_t size = static_cast<size_t>(text.GetLength()) + 1;
    if (size < MAX_PATH)
        size = MAX_PATH;
    std::vector<wchar_t> driveBuffer(size), dirBuffer(size), nameBuffer(size), extBuffer(size);
    _wsplitpath(text, driveBuffer.data(), dirBuffer.data(), nameBuffer.data(), extBuffer.data());
    drive = driveBuffer.data();
    dir = dirBuffer.data();
    name = nameBuffer.data();
    ext = extBuffer.data();
}

void SplitLocal(const ZvString& full, ZvString& root, ZvString& dir, ZvString& name, ZvString& ext)
{
    ZvString repaired = full;
    ZvPath::CheckAndRepairLocalPath(repaired);
    RuntimeSplit(repaired, root, dir, name, ext);
    // A drive without a directory means its root directory ("C:file.txt").
    if (!root.IsEmpty() && dir.IsEmpty())
        dir = L"\\";
}

void SplitUNC(const ZvString& full, ZvString& root, ZvString& dir, ZvString& name, ZvString& ext)
{
    if (PathIsUNCServerW(full)) {
        root = full;
        return;
    }
    if (PathIsUNCServerShareW(full)) {
        root = full;
        dir = L"\\";
        return;
    }
    const wchar_t* text = full;
    const wchar_t* rest = PathSkipRootW(text);
    int index = rest ? static_cast<int>(rest - text) : -1;
    if (index < 1 || index > full.GetLength()) {
        root = full;
        return;
    }
    // The root ends before the separator that ends the share.
    if (IsSeparator(full[index - 1]))
        --index;
    root = full.Left(index);
    ZvString remainder = full.Mid(index), drive;
    ZvPath::CheckAndRepairLocalPath(remainder);
    RuntimeSplit(remainder, drive, dir, name, ext);
    if (!drive.IsEmpty()) {
        // "X:" after a UNC root is no drive: split the remainder as a whole,
        // by the same rules (directory to the last separator, extension from
        // the last dot).
        int separator = remainder.ReverseFindOneOf(L"\\/");
        dir = remainder.Left(separator + 1);
        ZvString last = remainder.Mid(separator + 1);
        int dot = last.ReverseFind(L'.');
        name = dot >= 0 ? last.Left(dot) : last;
        ext = dot >= 0 ? last.Mid(dot) : ZvString();
    }
}

void SplitURLPath(const ZvString& full, ZvString& root, ZvString& dir, ZvString& name, ZvString& ext)
{
    int scheme = full.Find(L"://");
    int length = full.GetLength();
    int first = -1;
    if (scheme >= 0) {
        for (int i = scheme + 3; i < length; ++i) {
            if (IsSeparator(full[i])) {
                first = i;
                break;
            }
        }
    }
    if (first < 0) {
        root = full;
        return;
    }
    int last = first;
    for (int i = length - 1; i > first; --i) {
        if (IsSeparator(full[i])) {
            last = i;
            break;
        }
    }
    root = full.Left(first);
    dir = full.Mid(first, last - first + 1);
    ZvString component = full.Mid(last + 1);
    int dot = component.ReverseFind(L'.');
    // A component that starts with its only dot (".profile") stays the file
    // name, so that its text is kept.
    if (dot > 0) {
        name = component.Left(dot);
        ext = component.Mid(dot);
    } else {
        name = component;
    }
}

void SplitText(const ZvString& full, ZvString& root, ZvString& dir, ZvString& name, ZvString& ext)
{
    root.Empty();
    dir.Empty();
    name.Empty();
    ext.Empty();
    if (full.IsEmpty())
        return;
    if (PathIsUNCW(full))
        SplitUNC(full, root, dir, name, ext);
    else if (PathIsURLW(full))
        SplitURLPath(full, root, dir, name, ext);
    else
        SplitLocal(full, root, dir, name, ext);
}

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

// Characters below 256 as the file system accepts them; 0 removes.
wchar_t FileSystemChar(wchar_t ch)
{
    if (ch < 0x20 || ch == 0x7F || ch == L'?')
        return 0;
    switch (ch) {
    case L'"': return L'\'';
    case L'*': return L'-';
    case L'/': return L'-';
    case L':': return L';';
    case L'<': return L'(';
    case L'>': return L')';
    case L'|': return L'!';
    default: return ch;
    }
}

} // namespace

// ---- Construction and assignment ----

ZvPath::ZvPath()
{
#if defined(__i386__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
    // The x86 interface: table pointer, five flags, then root, directory,
    // file name, extension and full path.
    static_assert(offsetof(ZvPath, m_bAllSplit) == 4, "ZvPath layout");
    static_assert(offsetof(ZvPath, m_bRootValid) == 8, "ZvPath layout");
    static_assert(offsetof(ZvPath, m_sRoot) == 12, "ZvPath layout");
    static_assert(offsetof(ZvPath, m_sDir) == 16, "ZvPath layout");
    static_assert(offsetof(ZvPath, m_sFileName) == 20, "ZvPath layout");
    static_assert(offsetof(ZvPath, m_sExt) == 24, "ZvPath layout");
    static_assert(offsetof(ZvPath, m_sFullPath) == 28, "ZvPath layout");
    static_assert(sizeof(ZvPath) == 32, "ZvPath layout");
#pragma GCC diagnostic pop
#endif
    Reset();
}

ZvPath::ZvPath(const wchar_t* path)
{
    Reset();
    ZvPath::operator=(ZvString(path));
}

ZvPath::ZvPath(const ZvString& path)
{
    Reset();
    ZvPath::operator=(path);
}

ZvPath::ZvPath(const ZvPath& other)
    : m_bAllSplit(other.m_bAllSplit), m_bDirValid(other.m_bDirValid), m_bFileNameValid(other.m_bFileNameValid),
      m_bExtValid(other.m_bExtValid), m_bRootValid(other.m_bRootValid), m_sRoot(other.m_sRoot), m_sDir(other.m_sDir),
      m_sFileName(other.m_sFileName), m_sExt(other.m_sExt), m_sFullPath(other.m_sFullPath)
{
}

ZvPath::ZvPath(EDriveNumber drive)
{
    Reset();
    ZvString root = GetRootFromDriveNumber(drive);
    if (!root.IsEmpty())
        SetRoot(root);
}

ZvPath::ZvPath(ESpecialFolders folder, const wchar_t* subDir)
{
    Reset();
    ResolveSpecialFolder(folder);
    if (!IsEmpty() && subDir)
        AppendDir(subDir);
}

ZvPath::~ZvPath() {}

ZvPath& ZvPath::operator=(const ZvPath& other)
{
    if (this == &other)
        return *this;
    m_bAllSplit = other.m_bAllSplit;
    m_bDirValid = other.m_bDirValid;
    m_bFileNameValid = other.m_bFileNameValid;
    m_bExtValid = other.m_bExtValid;
    m_bRootValid = other.m_bRootValid;
    m_sRoot = other.m_sRoot;
    m_sDir = other.m_sDir;
    m_sFileName = other.m_sFileName;
    m_sExt = other.m_sExt;
    m_sFullPath = other.m_sFullPath;
    return *this;
}

ZvPath& ZvPath::operator=(const ZvString& path)
{
    ZvString text = path; // path may be one of this object's strings
    Reset();
    m_sFullPath = text;
    if (PathIsValidDriveLetter(m_sFullPath))
        m_sFullPath += L'\\';
    return *this;
}

ZvPath& ZvPath::operator=(const wchar_t* path)
{
    return *this = ZvString(path);
}

const wchar_t* ZvPath::GetPathSeparator() { return PathSeparator; }

void ZvPath::Reset()
{
    m_bAllSplit = m_bDirValid = m_bFileNameValid = m_bExtValid = m_bRootValid = false;
    m_sRoot.Empty();
    m_sDir.Empty();
    m_sFileName.Empty();
    m_sExt.Empty();
}

// ---- Splitting ----

void ZvPath::SplitAll() const
{
    if (m_bAllSplit)
        return;
    ZvString root, dir, name, ext;
    SplitText(m_sFullPath, root, dir, name, ext);
    if (!m_bRootValid)
        m_sRoot = root;
    if (!m_bDirValid)
        m_sDir = dir;
    if (!m_bFileNameValid)
        m_sFileName = name;
    if (!m_bExtValid)
        m_sExt = ext;
    m_bAllSplit = m_bRootValid = m_bDirValid = m_bFileNameValid = m_bExtValid = true;
}

void ZvPath::SplitRoot() const
{
    ZvString root, dir, name, ext;
    SplitText(m_sFullPath, root, dir, name, ext);
    m_sRoot = root;
    m_bRootValid = true;
}

void ZvPath::SplitDir() const
{
    ZvString root, dir, name, ext;
    SplitText(m_sFullPath, root, dir, name, ext);
    m_sDir = dir;
    m_bDirValid = true;
}

void ZvPath::SplitFileNameAndExt() const
{
    ZvString root, dir, name, ext;
    SplitText(m_sFullPath, root, dir, name, ext);
    m_sFileName = name;
    m_sExt = ext;
    m_bFileNameValid = m_bExtValid = true;
}

const ZvString& ZvPath::GetRoot() const
{
    if (!m_bAllSplit && !m_bRootValid)
        SplitRoot();
    return m_sRoot;
}

const ZvString& ZvPath::GetDir() const
{
    if (!m_bAllSplit && !m_bDirValid)
        SplitDir();
    return m_sDir;
}

const ZvString& ZvPath::GetFileName() const
{
    if (!m_bAllSplit && !m_bFileNameValid)
        SplitFileNameAndExt();
    return m_sFileName;
}

const ZvString& ZvPath::GetExt() const
{
    if (!m_bAllSplit && !m_bExtValid)
        SplitFileNameAndExt();
    return m_sExt;
}

ZvPath::EDriveNumber ZvPath::GetDriveNumber() const { return GetDriveNumberFromRoot(GetRoot()); }

ZvString ZvPath::GetRootAndDir() const
{
    const ZvString& root = GetRoot();
    const ZvString& dir = GetDir();
    if (!root.IsEmpty() && dir.IsEmpty())
        return root + L"\\";
    return root + dir;
}

ZvString ZvPath::GetFileNameAndExt() const { return GetFileName() + GetExt(); }

ZvString ZvPath::GetPathWithoutExtension() const { return GetRoot() + GetDir() + GetFileName(); }

ZvString ZvPath::GetPathWithoutRoot() const { return GetDir() + GetFileName() + GetExt(); }

ZvString ZvPath::GetDirLastComponent() const
{
    ZvString dir = GetDir();
    dir.TrimRight(L'\\');
    int separator = dir.ReverseFind(L'\\');
    if (separator < 0)
        return ZvString();
    return dir.Mid(separator + 1);
}

bool ZvPath::HasRoot() const { return !GetRoot().IsEmpty(); }
bool ZvPath::HasDirectory() const { return !GetDir().IsEmpty(); }
bool ZvPath::HasFilename() const { return !GetFileName().IsEmpty(); }
bool ZvPath::HasExtension() const { return !GetExt().IsEmpty(); }

bool ZvPath::SplitPath(ZvString& root, ZvString& dir, ZvString& name, ZvString& ext) const
{
    root = GetRoot();
    dir = GetDir();
    name = GetFileName();
    ext = GetExt();
    return true;
}

bool ZvPath::SplitPath(const ZvPath& path, ZvString& root, ZvString& dir, ZvString& name, ZvString& ext)
{
    return path.SplitPath(root, dir, name, ext);
}

// ---- Building ----

bool ZvPath::MakePath(const ZvString& rootIn, const ZvString& dirIn, const ZvString& nameIn, const ZvString& extIn)
{
    ZvString root = rootIn, dir = dirIn, name = nameIn, ext = extIn;

    if (LastChar(dir) == L'\\')
        dir.TrimRight(L'\\');
    dir.TrimRight();
    VerifyTrailingPathSeparator(dir);

    if (!root.IsEmpty()) {
        if (dir.IsEmpty())
            dir = L"\\";
        else
            VerifyLeadingPathSeparator(dir);
        VerifyRootColon(root);
        if (PathIsUNCW(root) && LastChar(root) == L'\\')
            root = root.Left(root.GetLength() - 1);
    }

    VerifyLeadingPeriod(ext);

    bool result = true;
    if (!ext.IsEmpty()) {
        if (LastChar(ext) == L' ')
            result = false;
        ext.TrimRight();
    } else if (!name.IsEmpty()) {
        if (LastChar(name) == L' ')
            result = false;
        name.TrimRight();
    }

    *this = root + dir + name + ext; // the virtual string assignment: "X:" gains "\"
    return result;
}

bool ZvPath::MakePath(const wchar_t* root, const wchar_t* dir, const wchar_t* name, const wchar_t* ext)
{
    return MakePath(ZvString(root), ZvString(dir), ZvString(name), ZvString(ext));
}

bool ZvPath::MakePath(EDriveNumber drive, const ZvString& dir, const ZvString& name, const ZvString& ext)
{
    return MakePath(GetRootFromDriveNumber(drive), dir, name, ext);
}

bool ZvPath::MakePath(ZvPath& path, const ZvString& root, const ZvString& dir, const ZvString& name,
                      const ZvString& ext)
{
    return path.MakePath(root, dir, name, ext);
}

bool ZvPath::SetRoot(const ZvString& newRoot)
{
    ZvString root, dir, name, ext;
    SplitPath(root, dir, name, ext);
    return MakePath(newRoot, dir, name, ext);
}

bool ZvPath::SetDir(const ZvString& newDir)
{
    ZvString root, dir, name, ext;
    SplitPath(root, dir, name, ext);
    return MakePath(root, newDir, name, ext);
}

bool ZvPath::SetFileName(const ZvString& newName)
{
    ZvString root, dir, name, ext;
    SplitPath(root, dir, name, ext);
    if (newName.IsEmpty())
        ext.Empty();
    return MakePath(root, dir, newName, ext);
}

bool ZvPath::SetExt(const ZvString& newExt)
{
    ZvString root, dir, name, ext;
    SplitPath(root, dir, name, ext);
    return MakePath(root, dir, name, newExt);
}

bool ZvPath::SetFileNameAndExt(const ZvString& nameAndExt)
{
    ZvString root, dir, name, ext;
    SplitPath(root, dir, name, ext);
    int dot = nameAndExt.ReverseFind(L'.');
    if (dot >= 0) {
        name = nameAndExt.Left(dot);
        ext = nameAndExt.Mid(dot);
    } else {
        name = nameAndExt;
        ext.Empty();
    }
    return MakePath(root, dir, name, ext);
}

bool ZvPath::SetRootAndDir(const ZvString& rootAndDir)
{
    ZvString text = rootAndDir;
    VerifyTrailingPathSeparator(text);
    *this = text + GetFileName() + GetExt();
    return true;
}

bool ZvPath::SetDirLastComponent(const ZvString& component)
{
    ZvString name = component;
    VerifyTrailingPathSeparator(name);
    if (!HasDirectory())
        return SetDir(name);
    VerifyLeadingPathSeparator(name);
    SetDir(GetDir() + L".." + name);
    return Canonicalize();
}

bool ZvPath::AppendDir(const wchar_t* dir) { return AppendDir(ZvString(dir)); }

bool ZvPath::AppendDir(const ZvString& dir)
{
    ZvPath other;
    other.SetDir(dir);
    return AppendDir(other);
}

bool ZvPath::AppendDir(const ZvPath& other)
{
    if (other.HasRoot() || other.HasFilename() || other.HasExtension())
        return false;
    ZvString otherDir = other.GetDir();
    VerifyLeadingPathSeparator(otherDir);
    // "dir" + "." + "\sub\": the joint always holds a separator.
    ZvString joint = GetDir() + L"." + otherDir;
    ZvString canonical;
    if (!CanonicalizeDirectory(joint, canonical))
        return false;
    ZvString root, dir, name, ext;
    SplitPath(root, dir, name, ext);
    return MakePath(root, canonical, name, ext);
}

bool ZvPath::CanonicalizeDirectory(const ZvString& dir, ZvString& out) const
{
    return ShellCanonicalize(dir, out);
}

bool ZvPath::GotoParent()
{
    SplitAll();
    if (m_sDir.IsEmpty() || m_sDir == L"\\")
        return false;
    ZvString dir = m_sDir;
    VerifyTrailingBackSlash(dir);
    ZvString parent;
    if (!CanonicalizeDirectory(dir + L"..", parent))
        return false;
    VerifyTrailingPathSeparator(parent);
    // A directory that is its own parent (a root the shell keeps, such as
    // ":\") has none: a caller that climbs until false must stop.
    if (parent == m_sDir)
        return false;
    m_sDir = parent;
    m_sFullPath = m_sRoot + m_sDir + m_sFileName + m_sExt;
    return true;
}

bool ZvPath::Canonicalize()
{
    SplitAll();
    if (m_sDir.IsEmpty() || m_sDir == L"\\")
        return false;
    if (IsCanonicalized())
        return false;
    ZvString canonical;
    if (!CanonicalizeDirectory(m_sDir, canonical))
        return false;
    VerifyTrailingPathSeparator(canonical);
    m_sDir = canonical;
    m_sFullPath = m_sRoot + m_sDir + m_sFileName + m_sExt;
    return true;
}

bool ZvPath::MakePretty()
{
    bool result = true;
    const ZvString& dir = GetDir();
    if (!dir.IsEmpty() && dir != L"\\" && !IsCanonicalized())
        result = Canonicalize();
    ZvString lower = m_sFullPath;
    lower.MakeLower();
    *this = lower;
    return result;
}

bool ZvPath::CombinePath(const ZvPath& a, const ZvPath& b, ZvPath& out)
{
    bool rootA = a.HasRoot(), rootB = b.HasRoot();
    if (rootA && rootB) {
        out = ZvString();
        return false;
    }
    ZvString root, dir, name, ext;
    if (rootA) {
        root = a.GetRoot();
        dir = a.GetDir() + b.GetDir();
        dir.Replace(L"\\\\", L"\\");
        name = b.GetFileName();
        ext = b.GetExt();
    } else if (rootB) {
        root = b.GetRoot();
        dir = b.GetDir() + a.GetDir();
        dir.Replace(L"\\\\", L"\\");
        name = a.GetFileName();
        ext = a.GetExt();
    } else {
        dir = a.GetDir() + b.GetDir();
        name = b.GetFileName();
        ext = b.GetExt();
    }
    return out.MakePath(root, dir, name, ext);
}

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

// ---- Queries ----

bool ZvPath::IsRelative() const { return !HasRoot(); }

bool ZvPath::IsRelative(const ZvString& path) { return ZvPath(path).IsRelative(); }

bool ZvPath::IsFullPath() const { return HasRoot() && HasDirectory() && HasFilename(); }

bool ZvPath::IsDirectory() const { return !IsEmpty() && HasDirectory() && !HasFilename() && !HasExtension(); }

bool ZvPath::IsFile() const { return HasFilename() || HasExtension(); }

bool ZvPath::IsRoot() const
{
    if (!IsEmpty() && PathIsRootW(m_sFullPath))
        return true;
    return HasRoot() && !HasDirectory() && !HasFilename() && !HasExtension();
}

bool ZvPath::IsCanonicalized() const
{
    return m_sFullPath.Find(sPathIgnore) < 0 && m_sFullPath.Find(sPathParent) < 0 && m_sFullPath.Find(sPathLeading) < 0;
}

bool ZvPath::IsUNC() const { return !IsEmpty() && PathIsUNCW(m_sFullPath); }

bool ZvPath::IsUNCServer() const
{
    ZvString text = m_sFullPath;
    if (GetDir() == L"\\")
        text.TrimRight(L'\\');
    return !text.IsEmpty() && PathIsUNCServerW(text);
}

bool ZvPath::IsUNCServerShare() const
{
    ZvString text = m_sFullPath;
    if (GetDir() == L"\\")
        text.TrimRight(L'\\');
    return !text.IsEmpty() && PathIsUNCServerShareW(text);
}

bool ZvPath::IsURL() const { return !IsEmpty() && PathIsURLW(m_sFullPath); }

bool ZvPath::IsNetwork() const { return IsURL() || IsUNC(); }

ZvPath::EPathType ZvPath::GetPathType() const
{
    if (IsURL())
        return ePathType_URL;
    if (IsUNC())
        return ePathType_UNC;
    if (!HasRoot())
        return ePathType_Relative;
    if (GetDriveNumber() != eDrive_None)
        return ePathType_Local;
    return ePathType_OtherRoot;
}

bool ZvPath::IsSameRoot(const ZvString& other) const { return PathIsSameRootW(m_sFullPath, other) != FALSE; }

bool ZvPath::IsSameRoot(const wchar_t* other) const { return IsSameRoot(ZvString(other)); }

bool ZvPath::IsSameRoot(const ZvPath& other) const { return IsSameRoot(other.m_sFullPath); }

bool ZvPath::IsSubPath(const ZvPath& other) const
{
    if (*this == other)
        return false;
    return ZvPath(GetCommonPath(other)) == other;
}

bool ZvPath::IsDirectSubDir(const ZvPath& other) const
{
    ZvPath parent(*this);
    if (!parent.GotoParent())
        return false;
    return parent == other;
}

ZvString ZvPath::GetCommonPath(const ZvString& other) const { return GetCommonPath(ZvPath(other)); }

ZvString ZvPath::GetCommonPath(const wchar_t* other) const { return GetCommonPath(ZvPath(other)); }

ZvString ZvPath::GetCommonPath(const ZvPath& other) const
{
    ZvPath a(*this), b(other);
    if (!a.IsCanonicalized())
        a.Canonicalize();
    if (!b.IsCanonicalized())
        b.Canonicalize();
    int shorter = a.m_sFullPath.GetLength() < b.m_sFullPath.GetLength() ? a.m_sFullPath.GetLength()
                                                                         : b.m_sFullPath.GetLength();
    std::vector<wchar_t> buffer(static_cast<size_t>(shorter < MAX_PATH ? MAX_PATH : shorter + 1), 0);
    PathCommonPrefixW(a.m_sFullPath, b.m_sFullPath, buffer.data());
    ZvString common(buffer.data());
    if (!common.IsEmpty() && !common.EndsWith(GetFileNameAndExt()))
        VerifyTrailingPathSeparator(common);
    return common;
}

ZvPath ZvPath::GetCommonPath(const ZvString& a, const ZvString& b) { return ZvPath(ZvPath(a).GetCommonPath(b)); }

bool ZvPath::RelativePathTo(const ZvString& other, ZvString& out) const { return RelativePathTo(ZvPath(other), out); }

bool ZvPath::RelativePathTo(const wchar_t* other, ZvString& out) const { return RelativePathTo(ZvPath(other), out); }

bool ZvPath::RelativePathTo(const ZvPath& other, ZvString& out) const
{
    if (IsEmpty() || other.IsEmpty() || !FitsShellBuffer(m_sFullPath) || !FitsShellBuffer(other.m_sFullPath)) {
        out.Empty();
        return false;
    }
    DWORD fromAttributes = IsFile() ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_DIRECTORY;
    DWORD toAttributes = other.IsFile() ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_DIRECTORY;
    // Some shell versions write one "..\" per source component without a
    // bound; the buffer has room for every one of them, and a result beyond
    // the path limit counts as a failure, as on Windows.
    wchar_t buffer[4 * MAX_PATH];
    buffer[0] = 0;
    if (!PathRelativePathToW(buffer, m_sFullPath, fromAttributes, other.m_sFullPath, toAttributes) ||
        wcslen(buffer) >= MAX_PATH) {
        out.Empty();
        return false;
    }
    out = buffer;
    return true;
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

// ---- Comparison ----

bool ZvPath::operator==(const ZvPath& other) const
{
    ZvString mine = m_sFullPath;
    if (!IsCanonicalized()) {
        ZvPath copy(*this);
        copy.Canonicalize();
        mine = copy.m_sFullPath;
    }
    ZvString theirs = other.m_sFullPath;
    if (!other.IsCanonicalized()) {
        ZvPath copy(other);
        copy.Canonicalize();
        theirs = copy.m_sFullPath;
    }
    return mine.CompareNoCase(theirs) == 0;
}

bool ZvPath::operator==(const ZvString& other) const { return *this == ZvPath(other); }
bool ZvPath::operator==(const wchar_t* other) const { return *this == ZvPath(other); }
bool ZvPath::operator!=(const ZvPath& other) const { return !(*this == other); }
bool ZvPath::operator!=(const ZvString& other) const { return !(*this == ZvPath(other)); }
bool ZvPath::operator!=(const wchar_t* other) const { return !(*this == ZvPath(other)); }

// ---- String helpers ----

bool ZvPath::VerifyTrailingBackSlash(ZvString& path)
{
    if (path.IsEmpty() || IsSeparator(LastChar(path)))
        return false;
    path += L'\\';
    return true;
}

bool ZvPath::VerifyTrailingPathSeparator(ZvString& path) { return VerifyTrailingBackSlash(path); }

bool ZvPath::RemoveTrailingPathSeparator(ZvString& path)
{
    int length = path.GetLength();
    path.TrimRight(L'\\');
    return path.GetLength() != length;
}

bool ZvPath::VerifyLeadingBackSlash(ZvString& path)
{
    if (path.IsEmpty() || IsSeparator(path[0]))
        return false;
    path.Insert(0, L'\\');
    return true;
}

bool ZvPath::VerifyLeadingPathSeparator(ZvString& path) { return VerifyLeadingBackSlash(path); }

bool ZvPath::VerifyLeadingPeriod(ZvString& ext)
{
    if (ext.IsEmpty() || ext[0] == L'.')
        return false;
    ext.Insert(0, L'.');
    return true;
}

bool ZvPath::VerifyRootColon(ZvString& root)
{
    if (root.IsEmpty() || PathIsUNCW(root) || PathIsURLW(root))
        return false;
    ZvString before = root;
    root.TrimRight(L"\\/");
    // A root made of separators only has no name to mark.
    if (!root.IsEmpty() && root.Find(L':') != root.GetLength() - 1)
        root += L':';
    return root != before;
}

bool ZvPath::ConvertFromAlternativePathSeparator(ZvString& path) { return path.Replace(L'/', L'\\') > 0; }

bool ZvPath::CheckAndRepairLocalPath(ZvString& path)
{
    bool changed = path.Replace(L'/', L'\\') > 0;
    while (path.Replace(L"\\\\", L"\\") > 0)
        changed = true;
    return changed;
}

bool ZvPath::CorrectPathForFileSystem(ZvString& path)
{
    int length = path.GetLength();
    int start = (length >= 2 && path[1] == L':') ? 2 : 0;
    std::wstring corrected;
    corrected.reserve(static_cast<size_t>(length));
    for (int i = 0; i < start; ++i)
        corrected += path[i];
    bool replaced = false;
    for (int i = start; i < length; ++i) {
        wchar_t ch = path[i];
        if (ch < 256) {
            wchar_t mapped = FileSystemChar(ch);
            if (mapped == 0)
                continue;
            if (mapped != ch)
                replaced = true;
            ch = mapped;
        }
        corrected += ch;
    }
    ZvString result(corrected.c_str(), static_cast<int>(corrected.size()));
    TrimTrailingDots(result);
    path = result;
    return replaced;
}

bool ZvPath::CorrectPathForFileSystem(ZvPath& path)
{
    if (path.IsUNC() || path.IsURL())
        return false;
    ZvString text = path.ToString();
    bool replaced = CorrectPathForFileSystem(text);
    path = text;
    return replaced;
}

bool ZvPath::CorrectPathComponentForFileSystem(ZvString& component)
{
    ZvString before = component;
    component.TrimRight();
    component.Replace(L':', L' ');
    component.Replace(L'\\', L'-');
    component.Replace(L'/', L'-');
    bool changed = component != before;
    CorrectPathForFileSystem(component);
    return changed;
}

bool ZvPath::TrimTrailingSpaces(ZvString& path)
{
    int length = path.GetLength();
    if (LastChar(path) == L'\\')
        path.TrimRight(L'\\');
    path.TrimRight();
    return path.GetLength() != length;
}

bool ZvPath::TrimTrailingDots(ZvString& path)
{
    int length = path.GetLength();
    bool separator = LastChar(path) == L'\\';
    if (separator)
        path = path.Left(length - 1);
    path.TrimRight(L'.');
    if (separator)
        path += L'\\';
    return path.GetLength() != length;
}

ZvString ZvPath::GetRootFromDriveNumber(EDriveNumber drive)
{
    if (drive < eDrive_A || drive > eDrive_Z)
        return ZvString();
    return ZvString(static_cast<wchar_t>(L'A' + drive), 1) + L":";
}

ZvPath::EDriveNumber ZvPath::GetDriveNumberFromRoot(const ZvString& root)
{
    int length = root.GetLength();
    if (length < 1 || length > 2 || root.Find(L"\\\\") >= 0)
        return eDrive_None;
    wchar_t letter = root[0];
    if (letter >= L'A' && letter <= L'Z')
        return static_cast<EDriveNumber>(letter - L'A');
    if (letter >= L'a' && letter <= L'z')
        return static_cast<EDriveNumber>(letter - L'a');
    return eDrive_None;
}

bool ZvPath::PathIsValidDriveLetter(const ZvString& text)
{
    return text.GetLength() == 2 && text.Find(L':') == 1 && GetDriveNumberFromRoot(text) != eDrive_None;
}

} // namespace ZvOSAL
