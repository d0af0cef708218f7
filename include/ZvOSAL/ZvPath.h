// ZvPath: a file-system path kept as one string (the full path) and split on
// demand into four components:
//   root       "C:" for a local path; "\\server\share" for a UNC path;
//              scheme, "://" and host for a URL;
//   directory  from the first separator after the root up to and including
//              the last separator ("\a\b\");
//   file name  the last component without its extension ("file");
//   extension  from the last "." of the last component, dot included (".txt").
// Assigning text stores it unchanged (only "X:" gains "\"); the builders
// (MakePath and the setters) normalise as documented at each member. Apart
// from the special-folder lookup nothing here touches the disk.
//
// Behaviour follows the shell: UNC and URL detection, canonicalising, common
// prefixes and relative paths use the shell's path functions (PathIsUNCW,
// PathIsURLW, PathCanonicalizeW, ...), local paths are split with the
// runtime's _wsplitpath. Components longer than 255 characters and paths
// longer than 259 characters are outside what the shell functions handle:
// operations on them fail (return false) or give unspecified text, never a
// crash.
//
// A ZvPath belongs to one thread at a time.
#pragma once

#include "ZvExport.h"
#include "ZvString.h"

namespace ZvOSAL {

class ZVOSAL_API ZvPath {
public:
    // Drive numbers: A = 0 ... Z = 25.
    enum EDriveNumber {
        eDrive_None = -1,
        eDrive_A = 0, eDrive_B, eDrive_C, eDrive_D, eDrive_E, eDrive_F, eDrive_G,
        eDrive_H, eDrive_I, eDrive_J, eDrive_K, eDrive_L, eDrive_M, eDrive_N,
        eDrive_O, eDrive_P, eDrive_Q, eDrive_R, eDrive_S, eDrive_T, eDrive_U,
        eDrive_V, eDrive_W, eDrive_X, eDrive_Y, eDrive_Z = 25
    };

    // Result of GetPathType.
    enum EPathType {
        ePathType_OtherRoot = 0, // a root that is not a drive
        ePathType_Relative = 1,  // no root
        ePathType_Local = 2,     // a drive root
        ePathType_UNC = 3,
        ePathType_URL = 4
    };

    // How paths are split: the shell for UNC and URL paths, the runtime for
    // local paths. Informational only.
    enum ESplitMethod {
        eSplitMethod_Runtime = 0,
        eSplitMethod_Shell = 1,
        eSplitMethod_ShellAndRuntime = 2
    };

    // The system's special folders (shell folder identifier in brackets).
    // Values outside 0..46 resolve like the desktop (CSIDL 0).
    enum ESpecialFolders {
        eSF_AppData = 0,              // roaming application data (26)
        eSF_CommonAppData = 1,        // (35)
        eSF_CommonDocuments = 2,      // (46)
        eSF_CommonPrograms = 3,       // (23)
        eSF_CommonStartMenu = 4,      // (22)
        eSF_CommonStartup = 5,        // (24)
        eSF_CommonTemplates = 6,      // (45)
        eSF_Temp = 7,                 // GetTempPathW
        eSF_Cookies = 8,              // (33)
        eSF_Desktop = 9,              // (0)
        eSF_DesktopDirectory = 10,    // (16)
        eSF_Drives = 11,              // my computer (17)
        eSF_Favorites = 12,           // (6)
        eSF_Fonts = 13,               // (20)
        eSF_InternetCache = 14,       // (32)
        eSF_LocalAppData = 15,        // (28)
        eSF_MyMusic = 16,             // (13)
        eSF_MyPictures = 17,          // (39)
        eSF_Personal = 18,            // personal documents (5)
        eSF_Profile = 19,             // (40)
        eSF_Templates = 20,           // (21)
        eSF_ProgramFiles = 21,        // (38)
        eSF_CommonProgramFiles = 22,  // (43)
        eSF_System = 23,              // (37)
        eSF_Windows = 24,             // (36)
        eSF_Network = 25,             // (18)
        eSF_NetHood = 26,             // network neighbourhood (19)
        eSF_CommonAdminTools = 27,    // (47)
        eSF_CommonMusic = 28,         // (53)
        eSF_CommonOEMLinks = 29,      // (58)
        eSF_CommonPictures = 30,      // (54)
        eSF_CommonVideo = 31,         // (55)
        eSF_ComputersNearMe = 32,     // (61)
        eSF_Connections = 33,         // network connections (49)
        eSF_MyDocuments = 34,         // personal documents (5), as 18
        eSF_MyVideo = 35,             // (14)
        eSF_VSTPlugins = 36,          // program files (21) + "VSTPlugins\"
        eSF_ProgramFilesX86 = 37,     // (42)
        eSF_CommonProgramFilesX86 = 38, // (44)
        eSF_Resources = 39,           // (56)
        eSF_ResourcesLocalized = 40,  // (57)
        eSF_SystemX86 = 41,           // (41)
        eSF_ProgramDirectory = 42,    // the running program's folder
        eSF_ProgramFile = 43,         // the running program's file (no trailing "\")
        eSF_History = 44,             // (34)
        eSF_AdminTools = 45,          // (48)
        eSF_CDBurnArea = 46,          // (59)
        eSF_Count = 47
    };

    // Exported constants.
    static const wchar_t* const sPathParent;            // "\..\"
    static const wchar_t* const sPathLeading;           // ".\"
    static const wchar_t* const sPathIgnore;            // "\.\"
    static const wchar_t* const PathSeparator;          // "\"
    static const wchar_t* const m_sSeparatorAlternative; // "/"
    static const wchar_t* const m_sRootColon;           // ":"
    static const wchar_t* const UPnPProtocol;           // "upnp://"
    static const ESplitMethod m_eSplitMethod;           // eSplitMethod_ShellAndRuntime
    // "\"
    static const wchar_t* GetPathSeparator();

    // ---- Construction and assignment ----
    ZvPath();
    // A pointer below 0x10000 is a string-resource identifier; null is empty.
    ZvPath(const wchar_t* path);
    ZvPath(const ZvString& path);
    ZvPath(const ZvPath& other);
    // The drive's root directory ("C:\" for eDrive_C); empty when invalid.
    explicit ZvPath(EDriveNumber drive);
    // The special folder, with a trailing "\" (except eSF_ProgramFile), and
    // subDir appended with AppendDir when not null. Empty when the system
    // cannot resolve the folder (subDir is then not appended).
    explicit ZvPath(ESpecialFolders folder, const wchar_t* subDir = nullptr);
    virtual ~ZvPath();

    // Copies the full path and the components.
    virtual ZvPath& operator=(const ZvPath& other);
    // Store the text as the full path; exactly "X:" (a valid drive letter)
    // gains "\". No other normalisation.
    virtual ZvPath& operator=(const ZvString& path);
    virtual ZvPath& operator=(const wchar_t* path);

    operator const wchar_t*() const { return m_sFullPath; }
    const ZvString& ToString() const { return m_sFullPath; }
    bool IsEmpty() const { return m_sFullPath.IsEmpty() != 0; }

    // ---- Components (split on demand) ----
    const ZvString& GetRoot() const;
    const ZvString& GetDir() const;
    const ZvString& GetFileName() const;
    const ZvString& GetExt() const;
    // Drive of the root; eDrive_None for UNC, URL and relative paths.
    EDriveNumber GetDriveNumber() const;
    // Root + directory; the directory counts as "\" when there is a root and
    // no directory.
    ZvString GetRootAndDir() const;
    ZvString GetFileNameAndExt() const;
    // Root + directory + file name.
    ZvString GetPathWithoutExtension() const;
    // Directory + file name + extension.
    ZvString GetPathWithoutRoot() const;
    // The last directory component ("b" of "\a\b\"); empty when the directory
    // has no earlier separator.
    ZvString GetDirLastComponent() const;
    bool HasRoot() const;
    bool HasDirectory() const;
    bool HasFilename() const;
    bool HasExtension() const;
    // Always true.
    bool SplitPath(ZvString& root, ZvString& dir, ZvString& name, ZvString& ext) const;
    static bool SplitPath(const ZvPath& path, ZvString& root, ZvString& dir, ZvString& name, ZvString& ext);

    // ---- Building ----
    // Builds root + directory + file name + extension:
    //  - the directory loses trailing "\" and white space, then ends with a
    //    separator when not empty; with a root, it starts with a separator
    //    ("\" when empty);
    //  - the root gains ":" (VerifyRootColon); a UNC root loses a trailing "\";
    //  - a non-empty extension gains a leading ".".
    // False (the path is still built, with the text trimmed) when the
    // extension - or, without an extension, the file name - ended with a space.
    bool MakePath(const ZvString& root, const ZvString& dir, const ZvString& name, const ZvString& ext);
    // Null pointers count as empty.
    bool MakePath(const wchar_t* root, const wchar_t* dir, const wchar_t* name, const wchar_t* ext);
    bool MakePath(EDriveNumber drive, const ZvString& dir, const ZvString& name, const ZvString& ext);
    static bool MakePath(ZvPath& path, const ZvString& root, const ZvString& dir, const ZvString& name,
                         const ZvString& ext);

    // Setters replace one or two components and rebuild with MakePath (and
    // return its result).
    bool SetRoot(const ZvString& root);
    bool SetDir(const ZvString& dir);
    // Empty name: the extension goes too.
    bool SetFileName(const ZvString& name);
    // "zip" and ".zip" both give ".zip".
    bool SetExt(const ZvString& ext);
    // Split at the last "."; empty text removes file name and extension.
    bool SetFileNameAndExt(const ZvString& nameAndExt);
    // text (with a trailing separator) + file name + extension. Always true.
    bool SetRootAndDir(const ZvString& rootAndDir);
    // Replaces the last directory component (or sets the directory when there
    // is none); the result of Canonicalize in the first case.
    bool SetDirLastComponent(const ZvString& name);

    // Appends a relative directory: C:\a\f.txt + "sub" = C:\a\sub\f.txt.
    // False, nothing changed, when the argument has a root, a file name or an
    // extension, or when canonicalising fails.
    bool AppendDir(const wchar_t* dir);
    bool AppendDir(const ZvString& dir);
    bool AppendDir(const ZvPath& dir);
    // Moves the directory up one level, keeping file name and extension
    // (C:\a\b\x.txt gives C:\a\x.txt). False, nothing changed, without a
    // directory, at the root directory, or when the directory is its own
    // parent.
    bool GotoParent();
    // Resolves "." and ".." in the directory. False when there is nothing to
    // do (no directory, the root directory, or already canonical) or the
    // shell fails.
    bool Canonicalize();
    // Canonicalize, then lower-case. False only when canonicalising was
    // needed and failed.
    bool MakePretty();
    // Joins two paths of which at most one has a root: root and directory of
    // the rooted one first, then the other's directory; file name and
    // extension of the unrooted one (of b when neither has a root). Both
    // rooted: out is emptied, false. Otherwise MakePath's result.
    static bool CombinePath(const ZvPath& a, const ZvPath& b, ZvPath& out);

    // ---- Queries ----
    bool IsRelative() const;
    static bool IsRelative(const ZvString& path);
    // Root, directory and file name present.
    bool IsFullPath() const;
    // Not empty, a directory, no file name and no extension.
    bool IsDirectory() const;
    // A file name or an extension.
    bool IsFile() const;
    bool IsRoot() const;
    // None of "\.\", "\..\" and ".\" in the full path.
    bool IsCanonicalized() const;
    bool IsUNC() const;
    bool IsUNCServer() const;
    bool IsUNCServerShare() const;
    bool IsURL() const;
    // URL or UNC.
    bool IsNetwork() const;
    EPathType GetPathType() const;
    bool IsSameRoot(const ZvString& other) const;
    bool IsSameRoot(const wchar_t* other) const;
    bool IsSameRoot(const ZvPath& other) const;
    // Not equal, and the common path of both is other.
    bool IsSubPath(const ZvPath& other) const;
    // This path's parent (GotoParent) equals other.
    bool IsDirectSubDir(const ZvPath& other) const;
    // The common prefix of canonicalised copies of both paths, ending with a
    // separator unless it ends with this path's file name and extension.
    ZvString GetCommonPath(const ZvString& other) const;
    ZvString GetCommonPath(const wchar_t* other) const;
    ZvString GetCommonPath(const ZvPath& other) const;
    static ZvPath GetCommonPath(const ZvString& a, const ZvString& b);
    // The relative path from this path to other (PathRelativePathToW; each
    // side taken as a file when IsFile, else as a directory). On failure out
    // is emptied and the result is false.
    bool RelativePathTo(const ZvString& other, ZvString& out) const;
    bool RelativePathTo(const wchar_t* other, ZvString& out) const;
    bool RelativePathTo(const ZvPath& other, ZvString& out) const;
    // Equal (operator==) to any special folder, or to the given one.
    bool IsSpecialFolder() const;
    bool IsSpecialFolder(ESpecialFolders folder) const;
    static bool IsSpecialFolder(const ZvPath& path);
    static bool IsSpecialFolder(const ZvPath& path, ESpecialFolders folder);

    // ---- Comparison: full paths ignoring case, after canonicalising ----
    bool operator==(const ZvPath& other) const;
    bool operator==(const ZvString& other) const;
    bool operator==(const wchar_t* other) const;
    bool operator!=(const ZvPath& other) const;
    bool operator!=(const ZvString& other) const;
    bool operator!=(const wchar_t* other) const;

    // ---- String helpers (true when the string changed, unless stated) ----
    // Append "\" to a non-empty string that ends with neither "\" nor "/".
    static bool VerifyTrailingBackSlash(ZvString& path);
    static bool VerifyTrailingPathSeparator(ZvString& path);
    // Remove all trailing "\".
    static bool RemoveTrailingPathSeparator(ZvString& path);
    // Insert "\" before a non-empty string that starts with neither "\" nor "/".
    static bool VerifyLeadingBackSlash(ZvString& path);
    static bool VerifyLeadingPathSeparator(ZvString& path);
    // Insert "." before a non-empty string that does not start with ".".
    static bool VerifyLeadingPeriod(ZvString& ext);
    // A non-empty root that is neither UNC nor URL loses trailing separators
    // and ends with ":".
    static bool VerifyRootColon(ZvString& root);
    // "/" to "\".
    static bool ConvertFromAlternativePathSeparator(ZvString& path);
    // "/" to "\", then "\\" to "\" until none is left.
    static bool CheckAndRepairLocalPath(ZvString& path);
    // Makes a path acceptable to the file system (a leading "X:" is kept):
    // control characters and "?" are removed; '"' becomes "'", "*" and "/"
    // "-", ":" ";", "<" "(", ">" ")", "|" "!"; trailing dots go. True when a
    // character was replaced (removals alone give false).
    static bool CorrectPathForFileSystem(ZvString& path);
    // The same on the full path of a local path; UNC and URL paths are left
    // alone (false).
    static bool CorrectPathForFileSystem(ZvPath& path);
    // For one component (a file or folder name): trailing white space goes,
    // ":" becomes " ", "\" and "/" become "-", then CorrectPathForFileSystem.
    // True when the first steps changed the text.
    static bool CorrectPathComponentForFileSystem(ZvString& component);
    // Trailing "\" then trailing white space go.
    static bool TrimTrailingSpaces(ZvString& path);
    // Trailing dots go; one trailing "\" is kept.
    static bool TrimTrailingDots(ZvString& path);
    // "C:" for eDrive_C; empty outside A..Z.
    static ZvString GetRootFromDriveNumber(EDriveNumber drive);
    // The drive of a root of one or two characters ("C", "C:"); eDrive_None
    // otherwise.
    static EDriveNumber GetDriveNumberFromRoot(const ZvString& root);
    // Exactly a drive letter and ":".
    static bool PathIsValidDriveLetter(const ZvString& text);

private:
    // Flag-driven lazy split of the full path.
    void Reset();
    void SplitAll() const;
    void SplitRoot() const;
    void SplitDir() const;
    void SplitFileNameAndExt() const;
    void ResolveSpecialFolder(ESpecialFolders folder);
    bool CanonicalizeDirectory(const ZvString& dir, ZvString& out) const;

    mutable bool m_bAllSplit;
    mutable bool m_bDirValid;
    mutable bool m_bFileNameValid;
    mutable bool m_bExtValid;
    mutable bool m_bRootValid;
    mutable ZvString m_sRoot;
    mutable ZvString m_sDir;
    mutable ZvString m_sFileName;
    mutable ZvString m_sExt;
    ZvString m_sFullPath;
};

} // namespace ZvOSAL
