// ZvPath: splitting the full path into its components, and the queries.
#include "ZvOSAL/ZvPath.h"

#include "osal/ZvPathInternal.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>
#include <cstdlib>
#include <vector>

namespace ZvOSAL {

using namespace PathInternal;

namespace {

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

} // namespace

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

} // namespace ZvOSAL
