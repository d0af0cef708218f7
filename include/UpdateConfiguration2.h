// CUpdateConfiguration2: the contract between ZvAutoUpdate.dll and its host.
//
// The host derives a class, creates one object and passes its address to
// DoAction. The library asks it for everything it does not know itself and
// tells it what it found and did.
//
// Binary interface (shared with hosts built by other compilers):
//  - the order of the virtual functions below is the virtual-table order;
//    never reorder, insert or remove one;
//  - no data members and no virtual destructor: the host owns the object and
//    keeps it alive until DoAction returns; the library never deletes it;
//  - bool is one byte; return exactly 0 or 1;
//  - sizes and byte counts are signed 64-bit;
//  - texts are NUL-terminated UTF-16. A returned text stays owned by the host
//    and is copied by the library at once; a text argument is owned by the
//    library and valid only during the call. A null pointer means "no value".
//
// Threads: with worker threads on (GetUseWorkerThreads), the library calls the
// object from its job threads as well as from the calling thread, possibly at
// the same time. Answer from any thread and tolerate concurrent calls.
//
// Eight operations have no default and must be implemented: GetCRMDataFile,
// GetProgram, GetUpdateURL, GetProgramLanguage, GetProgramVersion,
// GetSerialNumber, AddInstallerFile and Log.
//
// Compilers: C++11 and later see the class below; any C++ compiler that lays
// out a class with single inheritance and no virtual destructor the usual way
// (GCC, clang, Microsoft's) can derive from it. C (C99 and later) sees the
// same interface as an explicit table of 33 functions, further down.
#pragma once

#include <windows.h>

// Where customer data goes when the host names no redirect document of its
// own. example.com is reserved for documentation: a host that offers the
// upload overrides GetCRMRedirectURL with its own server.
#define ZVAUTOUPDATE_DEFAULT_CRM_REDIRECT_URL L"http://crm.example.com/redirects/crm/crm.php3"

#ifdef __cplusplus

namespace ZvAutoUpdate {

class CUpdateConfiguration2 {
public:
    // Whether the update dialog offers the customer-data upload (its send
    // check box and its show-data button).
    virtual bool IsCRMUploadOffered() { return true; }
    // Stored choice whether customer data is sent.
    virtual bool GetSendCRMData() { return true; }
    virtual void SetSendCRMData(bool /*send*/) {}
    // Whether OnDownloadBegin/OnDownloadEnd are called around a download.
    virtual bool GetNotifyDownload() { return true; }
    // true: action 1 with dialogs; false: a silent check.
    virtual bool GetShowUpdateDialog() { return true; }
    // Stores the negation of the dialog's don't-show-again check box.
    virtual void SetShowUpdateDialog(bool /*show*/) {}
    // false: no install dialog, the run ends with "install now" (8).
    virtual bool GetShowInstallDialog() { return true; }
    // Folder of the skin files; null: <program folder>\Bitmaps\ZvAutoUpdate.
    virtual const wchar_t* GetSkinPath() { return nullptr; }
    // Download folder with a trailing backslash; null: the temporary folder.
    virtual const wchar_t* GetDownloadFolder() { return nullptr; }
    // File name with extension under which the installer is saved.
    virtual const wchar_t* GetInstallerFileName() { return L"ZvUpdate.exe"; }
    // kind 0: the text file the customer-data viewer shows; kind 1: the file
    // to upload. Null: there is none.
    virtual const wchar_t* GetCRMDataFile(int kind) = 0;
    // Program identifier, sent as "program".
    virtual const wchar_t* GetProgram() = 0;
    // Replaces "$ZORVA$" in dialog texts.
    virtual const wchar_t* GetProductName() { return GetProgram(); }
    // Base address of the update query.
    virtual const wchar_t* GetUpdateURL() = 0;
    // Address of the document that names the upload server and path.
    virtual const wchar_t* GetCRMRedirectURL() { return ZVAUTOUPDATE_DEFAULT_CRM_REDIRECT_URL; }
    // Sent as "program_language"; also selects the language of the dialogs.
    virtual const wchar_t* GetProgramLanguage() = 0;
    // Sent as "program_version".
    virtual const wchar_t* GetProgramVersion() = 0;
    // Sent as "serial" (over HTTPS only, and only when GetSendSerialNumber).
    virtual const wchar_t* GetSerialNumber() = 0;
    virtual bool GetSendSerialNumber() { return false; }
    // The release notes file written by the check; deleted when the run ends.
    virtual void SetReleaseNotesFile(const wchar_t* /*path*/) {}
    // Display name of the version the server offers.
    virtual void SetNewVersion(const wchar_t* /*name*/) {}
    // Size of the download in bytes (0 when unknown).
    virtual void SetDownloadSize(long long /*bytes*/) {}
    // Hands over a downloaded installer and its kind number.
    virtual void AddInstallerFile(const wchar_t* path, int pugInstaller) = 0;
    virtual void OnDownloadBegin() {}
    virtual void OnDownloadEnd() {}
    // Bytes written so far, after each block.
    virtual void OnDownloadProgress(long long /*bytes*/) {}
    // Polled after each block; true stops the transfer.
    virtual bool IsCancelRequested() { return false; }
    // One log line, such as "CUpdater::ThreadFileCheck(): check was failed."
    virtual void Log(const wchar_t* line) = 0;
    // true: the jobs of action 1 run on worker threads.
    virtual bool GetUseWorkerThreads() { return true; }
    // Owner of the library's dialogs; null for none.
    virtual HWND GetParentWindow() { return nullptr; }
    virtual bool IsDontShowAgainOffered() { return true; }
    // 1: "win-x86", 2: "win-x64"; any other value sends no platform.
    virtual int GetPlatform() { return 1; }
    // Release notes text of the offered patch.
    virtual void SetReleaseNotes(const wchar_t* /*notes*/) {}
};

} // namespace ZvAutoUpdate

#else /* C */

/* The interface for hosts written in C: an object whose first member points
 * at a table of 33 functions in the order of the class above. C has no
 * default bodies: the host fills every slot (the defaults are the bodies of
 * the C++ class). Every function receives the object first, as "self":
 *
 *   static const wchar_t* ZVAU_METHOD MyGetProgram(ZVAU_THIS) { return L"MyProgram"; }
 *   static void ZVAU_METHOD MyLog(ZVAU_THIS, const wchar_t* line) { ... }
 *
 * The library calls the slots as C++ member functions. On x64 that is the
 * one calling convention of the platform. On x86 it is __thiscall: "self" in
 * ECX, the other arguments on the stack, removed by the callee. GCC and clang
 * write that in C as an attribute. Microsoft's C compiler has no __thiscall
 * for C; __fastcall with an unused second parameter (EDX) is the same call,
 * and ZVAU_THIS then adds that parameter. Define ZVAU_FASTCALL_THIS before
 * including this header to choose that form with any compiler. */
#if defined(_M_IX86) || defined(__i386__)
#if defined(ZVAU_FASTCALL_THIS) || (defined(_MSC_VER) && !defined(__clang__))
#define ZVAU_METHOD __fastcall
#define ZVAU_THIS struct CUpdateConfiguration2* self, void* zvauUnusedEdx
#else
#define ZVAU_METHOD __attribute__((thiscall))
#define ZVAU_THIS struct CUpdateConfiguration2* self
#endif
#else
#define ZVAU_METHOD
#define ZVAU_THIS struct CUpdateConfiguration2* self
#endif

/* bool crosses the interface as one byte: return exactly 0 or 1. */
typedef unsigned char ZvAuBool;

/* GCC, when pedantic, remarks that thiscall is meant for class methods; here
 * it is meant exactly as written. */
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
#endif

struct CUpdateConfiguration2;

typedef struct CUpdateConfiguration2Vtbl {
    ZvAuBool (ZVAU_METHOD* IsCRMUploadOffered)(ZVAU_THIS);
    ZvAuBool (ZVAU_METHOD* GetSendCRMData)(ZVAU_THIS);
    void (ZVAU_METHOD* SetSendCRMData)(ZVAU_THIS, ZvAuBool send);
    ZvAuBool (ZVAU_METHOD* GetNotifyDownload)(ZVAU_THIS);
    ZvAuBool (ZVAU_METHOD* GetShowUpdateDialog)(ZVAU_THIS);
    void (ZVAU_METHOD* SetShowUpdateDialog)(ZVAU_THIS, ZvAuBool show);
    ZvAuBool (ZVAU_METHOD* GetShowInstallDialog)(ZVAU_THIS);
    const wchar_t* (ZVAU_METHOD* GetSkinPath)(ZVAU_THIS);
    const wchar_t* (ZVAU_METHOD* GetDownloadFolder)(ZVAU_THIS);
    const wchar_t* (ZVAU_METHOD* GetInstallerFileName)(ZVAU_THIS);
    const wchar_t* (ZVAU_METHOD* GetCRMDataFile)(ZVAU_THIS, int kind);
    const wchar_t* (ZVAU_METHOD* GetProgram)(ZVAU_THIS);
    const wchar_t* (ZVAU_METHOD* GetProductName)(ZVAU_THIS);
    const wchar_t* (ZVAU_METHOD* GetUpdateURL)(ZVAU_THIS);
    const wchar_t* (ZVAU_METHOD* GetCRMRedirectURL)(ZVAU_THIS);
    const wchar_t* (ZVAU_METHOD* GetProgramLanguage)(ZVAU_THIS);
    const wchar_t* (ZVAU_METHOD* GetProgramVersion)(ZVAU_THIS);
    const wchar_t* (ZVAU_METHOD* GetSerialNumber)(ZVAU_THIS);
    ZvAuBool (ZVAU_METHOD* GetSendSerialNumber)(ZVAU_THIS);
    void (ZVAU_METHOD* SetReleaseNotesFile)(ZVAU_THIS, const wchar_t* path);
    void (ZVAU_METHOD* SetNewVersion)(ZVAU_THIS, const wchar_t* name);
    void (ZVAU_METHOD* SetDownloadSize)(ZVAU_THIS, long long bytes);
    void (ZVAU_METHOD* AddInstallerFile)(ZVAU_THIS, const wchar_t* path, int pugInstaller);
    void (ZVAU_METHOD* OnDownloadBegin)(ZVAU_THIS);
    void (ZVAU_METHOD* OnDownloadEnd)(ZVAU_THIS);
    void (ZVAU_METHOD* OnDownloadProgress)(ZVAU_THIS, long long bytes);
    ZvAuBool (ZVAU_METHOD* IsCancelRequested)(ZVAU_THIS);
    void (ZVAU_METHOD* Log)(ZVAU_THIS, const wchar_t* line);
    ZvAuBool (ZVAU_METHOD* GetUseWorkerThreads)(ZVAU_THIS);
    HWND (ZVAU_METHOD* GetParentWindow)(ZVAU_THIS);
    ZvAuBool (ZVAU_METHOD* IsDontShowAgainOffered)(ZVAU_THIS);
    int (ZVAU_METHOD* GetPlatform)(ZVAU_THIS);
    void (ZVAU_METHOD* SetReleaseNotes)(ZVAU_THIS, const wchar_t* notes);
} CUpdateConfiguration2Vtbl;

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

/* A host object: the table pointer first; the host's own data may follow in
 * a larger structure that begins with this one. */
typedef struct CUpdateConfiguration2 {
    const CUpdateConfiguration2Vtbl* lpVtbl;
} CUpdateConfiguration2;

#endif /* __cplusplus */
