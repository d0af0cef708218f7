// ZvPath: construction, assignment, building and comparison. Splitting and
// the queries are in ZvPathSplit.cpp, special folders in
// ZvPathSpecialFolders.cpp, the static string helpers in ZvPathText.cpp.
#include "ZvOSAL/ZvPath.h"

#include "osal/ZvPathInternal.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstddef>

namespace ZvOSAL {

using namespace PathInternal;

const wchar_t* const ZvPath::sPathParent = L"\\..\\";
const wchar_t* const ZvPath::sPathLeading = L".\\";
const wchar_t* const ZvPath::sPathIgnore = L"\\.\\";
const wchar_t* const ZvPath::PathSeparator = L"\\";
const wchar_t* const ZvPath::m_sSeparatorAlternative = L"/";
const wchar_t* const ZvPath::m_sRootColon = L":";
const wchar_t* const ZvPath::UPnPProtocol = L"upnp://";
const ZvPath::ESplitMethod ZvPath::m_eSplitMethod = ZvPath::eSplitMethod_ShellAndRuntime;

bool PathInternal::ShellCanonicalize(const ZvString& path, ZvString& out)
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

} // namespace ZvOSAL
