// ZvPath: the static string helpers (separators, roots, drive numbers and
// names the file system accepts).
#include "ZvOSAL/ZvPath.h"

#include "osal/ZvPathInternal.h"

#include <windows.h>
#include <shlwapi.h>

#include <string>

namespace ZvOSAL {

using namespace PathInternal;

namespace {

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
