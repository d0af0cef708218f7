// ZvFileSystemItem: the record, attributes, times and file operations. Shell
// names and libraries are in ZvFileSystemItemShell.cpp, the signature check in
// ZvFileSignature.cpp, ZvFileFind in ZvFileFind.cpp.
#include "ZvOSAL/ZvFileSystemItem.h"

#include "osal/ZvFileSystemInternal.h"

#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <vector>

namespace ZvOSAL {

using namespace FileSystemInternal;

static_assert(sizeof(WIN32_FIND_DATAW) == 592, "the directory-entry record has the system's layout");
#if defined(__i386__)
// The x86 layouts hosts compile against: virtual table, validity, path, record;
// and virtual table, find-valid flag, last error, handle, current item, directory.
static_assert(sizeof(ZvFileSystemItem) == 4 + 4 + sizeof(ZvPath) + 592, "ZvFileSystemItem layout");
static_assert(sizeof(ZvFileFind) == 4 + 4 + 4 + 4 + sizeof(ZvFileSystemItem) + sizeof(ZvPath), "ZvFileFind layout");
#endif

ZvString FileSystemInternal::OperationPath(const ZvPath& path)
{
    ZvString text = path.ToString();
    ZvPath::RemoveTrailingPathSeparator(text);
    if (text.GetLength() == 2 && text[1] == L':')
        text += L'\\';
    return text;
}

namespace {

// Flags of every shell file operation: silent, no confirmation, no
// confirmation for new directories, no error UI; no undo.
const FILEOP_FLAGS kShellFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
static_assert(kShellFlags == 0x614, "shell operation flags");

// A list of one path for SHFileOperationW: the path and two zero characters.
std::vector<wchar_t> PathList(const ZvString& path)
{
    std::vector<wchar_t> list(path.c_str(), path.c_str() + path.GetLength());
    list.push_back(L'\0');
    list.push_back(L'\0');
    return list;
}

EErrorFileOperation ShellOperation(UINT function, const ZvPath& source, const ZvPath* destination,
                                   FILEOP_FLAGS extraFlags)
{
    std::vector<wchar_t> from = PathList(OperationPath(source));
    std::vector<wchar_t> to;
    SHFILEOPSTRUCTW operation;
    ZeroMemory(&operation, sizeof(operation));
    operation.hwnd = nullptr;
    operation.wFunc = function;
    operation.pFrom = from.data();
    if (destination) {
        to = PathList(OperationPath(*destination));
        operation.pTo = to.data();
    }
    operation.fFlags = kShellFlags | extraFlags;
    return SHFileOperationW(&operation) == 0 ? eFileOperation_Done : eFileOperation_Failed;
}

// Move and Delete do not recurse into a file pattern's subdirectories; a
// directory itself goes with its contents.
FILEOP_FLAGS RecursionFlags(const ZvPath& path)
{
    return (path.HasFilename() || path.HasExtension()) ? FOF_NORECURSION : 0;
}

enum ETime { eCreation, eLastAccess, eLastWrite };

} // namespace

// ---- Construction ----

ZvFileSystemItem::ZvFileSystemItem() : m_valid(false)
{
    ZeroMemory(&m_findData, sizeof(m_findData));
}

ZvFileSystemItem::ZvFileSystemItem(const ZvPath& path) : m_valid(false), m_fullPath(path)
{
    ZeroMemory(&m_findData, sizeof(m_findData));
    if (m_fullPath.IsEmpty())
        return;
    ZvString query = m_fullPath.ToString();
    if (m_fullPath.IsDirectory()) {
        // A share itself has no entry of its own: its first entry stands in.
        if (m_fullPath.IsUNC() && m_fullPath.GetDir() == L"\\")
            query += L"*";
        ZvPath::RemoveTrailingPathSeparator(query);
    }
    WIN32_FIND_DATAW record;
    ZeroMemory(&record, sizeof(record));
    HANDLE handle = FindFirstFileW(query, &record);
    if (handle != INVALID_HANDLE_VALUE) {
        FindClose(handle);
        m_findData = record;
        m_valid = true;
    }
}

ZvFileSystemItem::ZvFileSystemItem(const ZvFileSystemItem& other)
    : m_valid(other.m_valid), m_fullPath(other.m_fullPath), m_findData(other.m_findData)
{
}

ZvFileSystemItem& ZvFileSystemItem::operator=(const ZvFileSystemItem& other)
{
    m_valid = other.m_valid;
    m_fullPath = other.m_fullPath;
    m_findData = other.m_findData;
    return *this;
}

ZvFileSystemItem::~ZvFileSystemItem() = default;

bool ZvFileSystemItem::operator==(const ZvFileSystemItem& other) const
{
    return m_valid && other.m_valid && m_fullPath == other.m_fullPath;
}

// ---- Existence ----

bool ZvFileSystemItem::FileExists() const
{
    return FileExists(m_fullPath);
}

bool ZvFileSystemItem::FileExists(const ZvPath& path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool ZvFileSystemItem::DirectoryExits(const ZvPath& path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// ---- The record ----

unsigned long long ZvFileSystemItem::GetFileSize() const
{
    if (!m_valid)
        return 0;
    return (static_cast<unsigned long long>(m_findData.nFileSizeHigh) << 32) | m_findData.nFileSizeLow;
}

bool ZvFileSystemItem::IsReadOnly() const { return (m_findData.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0; }
bool ZvFileSystemItem::IsHidden() const { return (m_findData.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0; }
bool ZvFileSystemItem::IsSystem() const { return (m_findData.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0; }
bool ZvFileSystemItem::IsDirectory() const { return (m_findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
bool ZvFileSystemItem::IsArchived() const { return (m_findData.dwFileAttributes & FILE_ATTRIBUTE_ARCHIVE) != 0; }
bool ZvFileSystemItem::IsNormal() const { return (m_findData.dwFileAttributes & FILE_ATTRIBUTE_NORMAL) != 0; }
bool ZvFileSystemItem::IsTemporary() const { return (m_findData.dwFileAttributes & FILE_ATTRIBUTE_TEMPORARY) != 0; }
bool ZvFileSystemItem::IsSparse() const { return (m_findData.dwFileAttributes & FILE_ATTRIBUTE_SPARSE_FILE) != 0; }
bool ZvFileSystemItem::IsReparsePoint() const
{
    return (m_findData.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}
bool ZvFileSystemItem::IsCompressed() const
{
    return (m_findData.dwFileAttributes & FILE_ATTRIBUTE_COMPRESSED) != 0;
}
bool ZvFileSystemItem::IsOffline() const { return (m_findData.dwFileAttributes & FILE_ATTRIBUTE_OFFLINE) != 0; }
bool ZvFileSystemItem::IsIndexed() const
{
    return (m_findData.dwFileAttributes & FILE_ATTRIBUTE_NOT_CONTENT_INDEXED) == 0;
}
bool ZvFileSystemItem::IsEncrypted() const
{
    return (m_findData.dwFileAttributes & FILE_ATTRIBUTE_ENCRYPTED) != 0;
}

bool ZvFileSystemItem::IsDots() const
{
    return _wcsicmp(m_findData.cFileName, L".") == 0 || _wcsicmp(m_findData.cFileName, L"..") == 0;
}

// ---- Setters ----

bool ZvFileSystemItem::SetAttribute(unsigned long attribute, bool on)
{
    if (on)
        m_findData.dwFileAttributes |= attribute;
    else
        m_findData.dwFileAttributes &= ~attribute;
    return SetFileAttributesW(m_fullPath, m_findData.dwFileAttributes) != FALSE;
}

bool ZvFileSystemItem::SetReadOnly(bool on) { return SetAttribute(FILE_ATTRIBUTE_READONLY, on); }
bool ZvFileSystemItem::SetHidden(bool on) { return SetAttribute(FILE_ATTRIBUTE_HIDDEN, on); }
bool ZvFileSystemItem::SetSystem(bool on) { return SetAttribute(FILE_ATTRIBUTE_SYSTEM, on); }
bool ZvFileSystemItem::SetArchived(bool on) { return SetAttribute(FILE_ATTRIBUTE_ARCHIVE, on); }

bool ZvFileSystemItem::SetTime(int which, const FILETIME& time)
{
    HANDLE file = CreateFileW(m_fullPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BOOL done = SetFileTime(file, which == eCreation ? &time : nullptr, which == eLastAccess ? &time : nullptr,
                            which == eLastWrite ? &time : nullptr);
    CloseHandle(file);
    if (!done)
        return false;
    if (which == eCreation)
        m_findData.ftCreationTime = time;
    else if (which == eLastAccess)
        m_findData.ftLastAccessTime = time;
    else
        m_findData.ftLastWriteTime = time;
    return true;
}

bool ZvFileSystemItem::SetCreationTime(const FILETIME& time) { return SetTime(eCreation, time); }
bool ZvFileSystemItem::SetLastAccessTime(const FILETIME& time) { return SetTime(eLastAccess, time); }
bool ZvFileSystemItem::SetLastWriteTime(const FILETIME& time) { return SetTime(eLastWrite, time); }

// ---- File operations ----

EErrorFileOperation ZvFileSystemItem::Copy(const ZvPath& destination, IZvProgressCallback*)
{
    return ShellOperation(FO_COPY, m_fullPath, &destination, 0);
}

EErrorFileOperation ZvFileSystemItem::Move(const ZvPath& destination, IZvProgressCallback*)
{
    return ShellOperation(FO_MOVE, m_fullPath, &destination, RecursionFlags(m_fullPath));
}

EErrorFileOperation ZvFileSystemItem::Delete(IZvProgressCallback*)
{
    // Never a whole drive.
    if (m_fullPath.HasRoot() && m_fullPath.GetDir().GetLength() < 3 && !m_fullPath.HasFilename())
        return eFileOperation_Failed;
    if (!m_valid)
        return eFileOperation_NotExisting;
    return ShellOperation(FO_DELETE, m_fullPath, nullptr, RecursionFlags(m_fullPath));
}

EErrorFileOperation ZvFileSystemItem::Rename(const ZvString& newPath, IZvProgressCallback*)
{
    ZvString from = OperationPath(m_fullPath);
    ZvString to = OperationPath(ZvPath(newPath));
    return MoveFileW(from, to) ? eFileOperation_Done : eFileOperation_Failed;
}

EErrorFileOperation ZvFileSystemItem::CreateDirectoryAndIntermediate(IZvProgressCallback* progress)
{
    return CreateDirectoryAndIntermediate(m_fullPath, progress);
}

EErrorFileOperation ZvFileSystemItem::Copy(const ZvPath& source, const ZvPath& destination,
                                           IZvProgressCallback* progress)
{
    ZvFileSystemItem item(source);
    if (!item.IsValid())
        return eFileOperation_Failed;
    return item.Copy(destination, progress);
}

EErrorFileOperation ZvFileSystemItem::Move(const ZvPath& source, const ZvPath& destination,
                                           IZvProgressCallback* progress)
{
    ZvFileSystemItem item(source);
    if (!item.IsValid())
        return eFileOperation_Done;
    return item.Move(destination, progress);
}

EErrorFileOperation ZvFileSystemItem::Delete(const ZvPath& path, IZvProgressCallback* progress)
{
    ZvFileSystemItem item(path);
    if (!item.IsValid())
        return eFileOperation_Done;
    return item.Delete(progress);
}

EErrorFileOperation ZvFileSystemItem::Rename(const ZvPath& path, const ZvString& newPath,
                                             IZvProgressCallback* progress)
{
    ZvFileSystemItem item(path);
    if (!item.IsValid())
        return eFileOperation_Done;
    return item.Rename(newPath, progress);
}

EErrorFileOperation ZvFileSystemItem::CreateDirectoryW(const ZvPath& path, IZvProgressCallback*)
{
    return ::CreateDirectoryW(path, nullptr) ? eFileOperation_Done : eFileOperation_Failed;
}

EErrorFileOperation ZvFileSystemItem::CreateDirectoryAndIntermediate(const ZvPath& path, IZvProgressCallback*)
{
    ZvPath work(path);
    // A relative path starts at the current folder, never at the drive's root.
    if (!work.IsEmpty() && !work.HasRoot()) {
        wchar_t full[MAX_PATH] = {};
        DWORD length = GetFullPathNameW(work, MAX_PATH, full, nullptr);
        if (length == 0 || length >= MAX_PATH)
            return eFileOperation_Done;
        work = full;
    }
    // C:\a\b names the directory b as well as C:\a\b\ does.
    if (work.HasFilename() || work.HasExtension()) {
        ZvString name = work.GetFileNameAndExt();
        work.SetFileNameAndExt(ZvString());
        work.AppendDir(name);
    }
    work.Canonicalize();

    // Climb to the root, remembering the components on the way.
    std::list<ZvString> components;
    const ZvPath root(work.GetRoot());
    while (!(work == root)) {
        ZvString component = work.GetDirLastComponent();
        if (!component.IsEmpty())
            components.push_front(component);
        if (!work.GotoParent())
            break;
    }
    // Descend, creating what is missing.
    for (const ZvString& component : components) {
        if (!work.AppendDir(component))
            break;
        ZvFileFind find(work, L"*");
        if (!find.IsFindValid())
            ::CreateDirectoryW(work, nullptr);
    }
    return eFileOperation_Done;
}

} // namespace ZvOSAL
