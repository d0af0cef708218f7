// ZvFileSystemItem: one file or directory - its path and a snapshot of the
// system's directory-entry record (attributes, times, size, name) read when
// the item is built. ZvFileFind: a directory search that yields such items.
//
// The record is a snapshot: later changes on disk are not seen, except by
// FileExists and DirectoryExits, which ask the system each time. The
// attribute and time setters keep the snapshot in step with their own
// changes. No operation throws; failures are false or an EErrorFileOperation.
//
// CreateDirectory carries the name that <windows.h> gives it in Unicode
// builds (CreateDirectoryW); programs built without UNICODE call it by that
// name.
#pragma once

#include "ZvExport.h"
#include "ZvPath.h"
#include "ZvString.h"

#include <windows.h>

#include <list>

namespace ZvOSAL {

// Result of the file operations.
enum EErrorFileOperation {
    eFileOperation_Done = 0,
    eFileOperation_Failed = 1,      // failed, or refused
    eFileOperation_NotExisting = 2, // the item does not exist
};

// Accepted by every file operation for progress reports; the operations of
// this library never call it, so null is always fine.
class IZvProgressCallback {
public:
    // done of total bytes; return false to ask for a cancel.
    virtual bool OnProgress(unsigned long long done, unsigned long long total) = 0;

protected:
    ~IZvProgressCallback() {}
};

class ZvFileSystemItem;
typedef std::list<ZvFileSystemItem> ZvFileSystemItemList;

class ZVOSAL_API ZvFileSystemItem {
public:
    // Not valid, empty path.
    ZvFileSystemItem();
    // Stores the path and reads its record. A directory may be given with or
    // without its trailing separator. The item is valid when the path existed.
    explicit ZvFileSystemItem(const ZvPath& path);
    ZvFileSystemItem(const ZvFileSystemItem& other);
    ZvFileSystemItem& operator=(const ZvFileSystemItem& other);
    virtual ~ZvFileSystemItem();

    const ZvPath& GetFullPath() const { return m_fullPath; }
    // The path existed when the record was read.
    bool IsValid() const { return m_valid; }
    // Both valid and the paths equal (ZvPath::operator==); false when either
    // is not valid.
    bool operator==(const ZvFileSystemItem& other) const;

    // ---- Existence, asked of the system each time ----
    // Something that is not a directory exists at the path.
    bool FileExists() const;
    static bool FileExists(const ZvPath& path);
    // A directory exists at the path. (The name is spelled as exported.)
    static bool DirectoryExits(const ZvPath& path);

    // ---- From the record (zero when not valid) ----
    FILETIME GetCreationTime() const { return m_findData.ftCreationTime; }
    FILETIME GetLastAccessTime() const { return m_findData.ftLastAccessTime; }
    FILETIME GetLastWriteTime() const { return m_findData.ftLastWriteTime; }
    unsigned long long GetFileSize() const;
    bool IsReadOnly() const;      // FILE_ATTRIBUTE_READONLY
    bool IsHidden() const;        // FILE_ATTRIBUTE_HIDDEN
    bool IsSystem() const;        // FILE_ATTRIBUTE_SYSTEM
    bool IsDirectory() const;     // FILE_ATTRIBUTE_DIRECTORY
    bool IsArchived() const;      // FILE_ATTRIBUTE_ARCHIVE
    bool IsNormal() const;        // FILE_ATTRIBUTE_NORMAL
    bool IsTemporary() const;     // FILE_ATTRIBUTE_TEMPORARY
    bool IsSparse() const;        // FILE_ATTRIBUTE_SPARSE_FILE
    bool IsReparsePoint() const;  // FILE_ATTRIBUTE_REPARSE_POINT
    bool IsCompressed() const;    // FILE_ATTRIBUTE_COMPRESSED
    bool IsOffline() const;       // FILE_ATTRIBUTE_OFFLINE
    bool IsIndexed() const;       // FILE_ATTRIBUTE_NOT_CONTENT_INDEXED is clear
    bool IsEncrypted() const;     // FILE_ATTRIBUTE_ENCRYPTED
    // The record's name is "." or ".." (search results of ZvFileFind).
    bool IsDots() const;
    // Always false on Windows.
    bool IsBundle() const { return false; }

    // ---- Attribute setters: change the bit in the snapshot (also when the
    // system refuses) and write the whole attribute word. True on success. ----
    bool SetReadOnly(bool on);
    bool SetHidden(bool on);
    bool SetSystem(bool on);
    bool SetArchived(bool on);

    // ---- Time setters: a missing file is created empty. On success the
    // snapshot's time changes too. Directories are refused (false). ----
    bool SetCreationTime(const FILETIME& time);
    bool SetLastAccessTime(const FILETIME& time);
    bool SetLastWriteTime(const FILETIME& time);

    // ---- Shell file operations: silent, no confirmation, no error UI, no
    // undo. A directory goes with its contents. ----
    // Copy to destination (a directory that does not exist is created as the
    // copy; into an existing directory the item keeps its name). Does not
    // check validity: the shell reports a missing source as a failure.
    EErrorFileOperation Copy(const ZvPath& destination, IZvProgressCallback* progress = nullptr);
    EErrorFileOperation Move(const ZvPath& destination, IZvProgressCallback* progress = nullptr);
    // Refuses a drive root (eFileOperation_Failed, nothing touched), then
    // eFileOperation_NotExisting when the item is not valid.
    EErrorFileOperation Delete(IZvProgressCallback* progress = nullptr);
    // MoveFileW to newPath (a full path).
    EErrorFileOperation Rename(const ZvString& newPath, IZvProgressCallback* progress = nullptr);
    // Creates the item's directory and every missing parent; always done.
    EErrorFileOperation CreateDirectoryAndIntermediate(IZvProgressCallback* progress = nullptr);

    // On a path: a missing source gives eFileOperation_Failed for Copy and
    // eFileOperation_Done (nothing to do) for Move, Delete and Rename;
    // otherwise the member's result.
    static EErrorFileOperation Copy(const ZvPath& source, const ZvPath& destination,
                                    IZvProgressCallback* progress = nullptr);
    static EErrorFileOperation Move(const ZvPath& source, const ZvPath& destination,
                                    IZvProgressCallback* progress = nullptr);
    static EErrorFileOperation Delete(const ZvPath& path, IZvProgressCallback* progress = nullptr);
    static EErrorFileOperation Rename(const ZvPath& path, const ZvString& newPath,
                                      IZvProgressCallback* progress = nullptr);
    // One directory (its parent must exist).
    static EErrorFileOperation CreateDirectoryW(const ZvPath& path, IZvProgressCallback* progress = nullptr);
    // The directory and every missing parent, three levels or thirty; a path
    // without a trailing separator counts as a directory too, and a relative
    // path starts at the current folder. Errors are
    // ignored: always eFileOperation_Done (check DirectoryExits).
    static EErrorFileOperation CreateDirectoryAndIntermediate(const ZvPath& path,
                                                              IZvProgressCallback* progress = nullptr);

    // The shell's display name of the item (empty when the shell has none).
    ZvString GetDisplayName() const;

    // ---- Shell libraries (Windows 7 and later): add this directory to, or
    // remove it from, the library stored at library (a .library-ms file), and
    // list the user's libraries. False / empty when the shell has no library
    // support (as under Wine). ----
    bool AddFolderToLibrary(const ZvPath& library);
    bool RemoveFolderFromLibrary(const ZvPath& library);
    static ZvFileSystemItemList GetLibraries();

    // True exactly when the system's Authenticode check (WinVerifyTrust, no
    // user interface, no revocation check, no network retrieval) accepts the
    // file's signature: false for unsigned, tampered, untrusted, expired and
    // missing files.
    bool IsSignedValid() const;

protected:
    friend class ZvFileFind;

    bool SetAttribute(unsigned long attribute, bool on);
    bool SetTime(int which, const FILETIME& time);

    bool m_valid;
    ZvPath m_fullPath;
    WIN32_FIND_DATAW m_findData;
};

// A search in one directory. The search handle has a single owner: a copy
// carries the current result (and can be read) but no handle, so it cannot
// advance; moving a search hands the handle over.
//
//     for (ZvFileFind find(dir, L"*"); find.IsFindValid(); ++find)
//         if (!find.GetCurrent().IsDots()) ...
class ZVOSAL_API ZvFileFind {
public:
    // Searches directory for pattern ("*", "*.txt"; a value below 0x10000 is
    // a string-resource identifier). A directory is given with its trailing
    // separator (C:\dir\); any other path (C:\dir\*.txt, or C:\dir, which
    // finds the directory itself) is searched as it is. The "." and ".."
    // entries are returned (filter them with IsDots); entries whose names the
    // file system would not accept back (trailing white space, ":", "\", "/")
    // are skipped.
    ZvFileFind(const ZvPath& directory, const wchar_t* pattern = L"*");
    ZvFileFind(const ZvFileFind& other);
    ZvFileFind& operator=(const ZvFileFind& other);
    ZvFileFind(ZvFileFind&& other) noexcept;
    ZvFileFind& operator=(ZvFileFind&& other) noexcept;
    virtual ~ZvFileFind();

    // The current item holds a result.
    bool IsFindValid() const { return m_findValid; }
    const ZvFileSystemItem& GetCurrent() const { return m_current; }
    // The system error code of the last find call (0 after a success,
    // ERROR_NO_MORE_FILES at the end).
    unsigned long GetLastError() const { return m_lastError; }
    // To the next entry; false at the end (or without a handle).
    virtual bool operator++();

private:
    void Start(const wchar_t* pattern);
    void Apply(const WIN32_FIND_DATAW& entry);
    void Close();

    bool m_findValid;
    unsigned long m_lastError;
    HANDLE m_handle;
    ZvFileSystemItem m_current;
    ZvPath m_searchDirectory;
};

} // namespace ZvOSAL
