#include "ZvOSAL/ZvFileSystemItem.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <softpub.h>
#include <wintrust.h>

#include <cstddef>
#include <vector>

namespace ZvOSAL {

static_assert(sizeof(WIN32_FIND_DATAW) == 592, "the directory-entry record has the system's layout");
#if defined(__i386__)
// The x86 layouts hosts compile against: virtual table, validity, path, record;
// and virtual table, find-valid flag, last error, handle, current item, directory.
static_assert(sizeof(ZvFileSystemItem) == 4 + 4 + sizeof(ZvPath) + 592, "ZvFileSystemItem layout");
static_assert(sizeof(ZvFileFind) == 4 + 4 + 4 + 4 + sizeof(ZvFileSystemItem) + sizeof(ZvPath), "ZvFileFind layout");
#endif

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

// Flags of every shell file operation: silent, no confirmation, no
// confirmation for new directories, no error UI; no undo.
const FILEOP_FLAGS kShellFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
static_assert(kShellFlags == 0x614, "shell operation flags");

// A path for the system calls that take a file or directory by name: without
// trailing separators (the shell refuses to move "dir\"), except for a drive
// root, which keeps its "\".
ZvString OperationPath(const ZvPath& path)
{
    ZvString text = path.ToString();
    ZvPath::RemoveTrailingPathSeparator(text);
    if (text.GetLength() == 2 && text[1] == L':')
        text += L'\\';
    return text;
}

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

// COM for one shell call on the caller's thread, balanced: the thread's
// apartment is left as it was found (a thread already in another apartment
// keeps it; the call then runs there).
class ComScope {
public:
    ComScope() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComScope()
    {
        if (SUCCEEDED(m_result))
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT m_result;
};

template <typename T>
void ReleaseInterface(T*& pointer)
{
    if (pointer) {
        pointer->Release();
        pointer = nullptr;
    }
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

// ---- Shell names and libraries ----

ZvString ZvFileSystemItem::GetDisplayName() const
{
    ZvString name;
    // The shell would name the desktop for an empty path.
    if (m_fullPath.IsEmpty())
        return name;
    ComScope com;
    IShellItem* item = nullptr;
    if (SUCCEEDED(SHCreateItemFromParsingName(OperationPath(m_fullPath), nullptr, IID_IShellItem,
                                              reinterpret_cast<void**>(&item)))) {
        wchar_t* text = nullptr;
        if (SUCCEEDED(item->GetDisplayName(SIGDN_NORMALDISPLAY, &text)) && text) {
            name = text;
            CoTaskMemFree(text);
        }
        ReleaseInterface(item);
    }
    return name;
}

namespace {

// Adds or removes folder in the library stored at library, and saves it.
bool ChangeLibrary(const ZvPath& library, const ZvPath& folder, bool add)
{
    ComScope com;
    IShellLibrary* shellLibrary = nullptr;
    if (FAILED(SHLoadLibraryFromParsingName(OperationPath(library), STGM_READWRITE, IID_IShellLibrary,
                                            reinterpret_cast<void**>(&shellLibrary))))
        return false;
    ZvString folderPath = OperationPath(folder);
    HRESULT result = add ? SHAddFolderPathToLibrary(shellLibrary, folderPath)
                         : SHRemoveFolderPathFromLibrary(shellLibrary, folderPath);
    if (SUCCEEDED(result))
        result = shellLibrary->Commit();
    ReleaseInterface(shellLibrary);
    return SUCCEEDED(result);
}

} // namespace

bool ZvFileSystemItem::AddFolderToLibrary(const ZvPath& library)
{
    return ChangeLibrary(library, m_fullPath, true);
}

bool ZvFileSystemItem::RemoveFolderFromLibrary(const ZvPath& library)
{
    return ChangeLibrary(library, m_fullPath, false);
}

ZvFileSystemItemList ZvFileSystemItem::GetLibraries()
{
    ZvFileSystemItemList libraries;
    ComScope com;
    IShellItem* folder = nullptr;
    if (FAILED(SHGetKnownFolderItem(FOLDERID_Libraries, KF_FLAG_DEFAULT, nullptr, IID_IShellItem,
                                    reinterpret_cast<void**>(&folder))))
        return libraries;
    IEnumShellItems* children = nullptr;
    if (SUCCEEDED(folder->BindToHandler(nullptr, BHID_EnumItems, IID_IEnumShellItems,
                                        reinterpret_cast<void**>(&children)))) {
        IShellItem* child = nullptr;
        while (children->Next(1, &child, nullptr) == S_OK && child) {
            wchar_t* path = nullptr;
            if (SUCCEEDED(child->GetDisplayName(SIGDN_FILESYSPATH, &path)) && path) {
                libraries.push_back(ZvFileSystemItem(ZvPath(path)));
                CoTaskMemFree(path);
            }
            ReleaseInterface(child);
        }
        ReleaseInterface(children);
    }
    ReleaseInterface(folder);
    return libraries;
}

// ---- Signature ----

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

// ---- ZvFileFind ----

ZvFileFind::ZvFileFind(const ZvPath& directory, const wchar_t* pattern)
    : m_findValid(false), m_lastError(0), m_handle(INVALID_HANDLE_VALUE), m_searchDirectory(directory)
{
    Start(pattern);
}

ZvFileFind::ZvFileFind(const ZvFileFind& other)
    : m_findValid(other.m_findValid), m_lastError(other.m_lastError), m_handle(INVALID_HANDLE_VALUE),
      m_current(other.m_current), m_searchDirectory(other.m_searchDirectory)
{
}

ZvFileFind& ZvFileFind::operator=(const ZvFileFind& other)
{
    if (this != &other) {
        Close();
        m_findValid = other.m_findValid;
        m_lastError = other.m_lastError;
        m_current = other.m_current;
        m_searchDirectory = other.m_searchDirectory;
    }
    return *this;
}

ZvFileFind::ZvFileFind(ZvFileFind&& other) noexcept
    : m_findValid(other.m_findValid), m_lastError(other.m_lastError), m_handle(other.m_handle),
      m_current(other.m_current), m_searchDirectory(other.m_searchDirectory)
{
    other.m_handle = INVALID_HANDLE_VALUE;
}

ZvFileFind& ZvFileFind::operator=(ZvFileFind&& other) noexcept
{
    if (this != &other) {
        Close();
        m_findValid = other.m_findValid;
        m_lastError = other.m_lastError;
        m_handle = other.m_handle;
        other.m_handle = INVALID_HANDLE_VALUE;
        m_current = other.m_current;
        m_searchDirectory = other.m_searchDirectory;
    }
    return *this;
}

ZvFileFind::~ZvFileFind()
{
    Close();
}

void ZvFileFind::Close()
{
    if (m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE)
        FindClose(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
}

namespace {

// A name is taken when the file system would accept it back unchanged; the
// dot entries always are.
bool AcceptableName(const wchar_t* name)
{
    if (wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0)
        return true;
    ZvString original(name);
    ZvString corrected(original);
    ZvPath::CorrectPathComponentForFileSystem(corrected);
    return corrected == original;
}

} // namespace

void ZvFileFind::Start(const wchar_t* pattern)
{
    m_findValid = false;
    ZvPath query(m_searchDirectory);
    if (query.IsDirectory())
        query.SetFileNameAndExt(ZvString(pattern));
    WIN32_FIND_DATAW entry;
    ZeroMemory(&entry, sizeof(entry));
    m_handle = FindFirstFileW(query, &entry);
    m_lastError = m_handle != INVALID_HANDLE_VALUE ? ERROR_SUCCESS : ::GetLastError();
    if (m_handle == INVALID_HANDLE_VALUE)
        return;
    if (AcceptableName(entry.cFileName))
        Apply(entry);
    else
        operator++();
}

bool ZvFileFind::operator++()
{
    if (m_handle == nullptr || m_handle == INVALID_HANDLE_VALUE)
        return false;
    for (;;) {
        WIN32_FIND_DATAW entry;
        ZeroMemory(&entry, sizeof(entry));
        if (!FindNextFileW(m_handle, &entry)) {
            m_lastError = ::GetLastError();
            m_findValid = false;
            return false;
        }
        m_lastError = ERROR_SUCCESS;
        if (AcceptableName(entry.cFileName)) {
            Apply(entry);
            return true;
        }
    }
}

void ZvFileFind::Apply(const WIN32_FIND_DATAW& entry)
{
    m_current.m_findData = entry;
    m_current.m_fullPath = m_searchDirectory;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        m_current.m_fullPath.SetFileNameAndExt(ZvString());
        m_current.m_fullPath.AppendDir(entry.cFileName);
    } else {
        m_current.m_fullPath.SetFileNameAndExt(ZvString(entry.cFileName));
    }
    m_current.m_valid = true;
    m_findValid = true;
}

} // namespace ZvOSAL
