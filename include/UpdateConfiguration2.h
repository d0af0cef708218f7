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
#pragma once

#include <windows.h>

namespace ZvAutoUpdate {

// Where customer data goes when the host names no redirect document of its
// own. example.com is reserved for documentation: a host that offers the
// upload overrides GetCRMRedirectURL with its own server.
#define ZVAUTOUPDATE_DEFAULT_CRM_REDIRECT_URL L"http://crm.example.com/redirects/crm/crm.php3"

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
