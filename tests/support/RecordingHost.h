// RecordingHost: a CUpdateConfiguration2 for tests. It answers from a
// settings record and records every call in order (operation, arguments,
// thread), so tests can assert call sequences and log lines. Safe to call
// from several threads at once, as the library may.
#pragma once

#include "UpdateConfiguration2.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zvtest {

struct HostSettings {
    // Texts: std::nullopt answers a null pointer.
    std::optional<std::wstring> crmViewFile;    // GetCRMDataFile(0)
    std::optional<std::wstring> crmUploadFile;  // GetCRMDataFile(1)
    std::optional<std::wstring> program = L"TestProgram";
    std::optional<std::wstring> productName;    // unset: interface default (GetProgram)
    std::optional<std::wstring> updateURL = L"http://127.0.0.1/update";
    std::optional<std::wstring> crmRedirectURL; // unset: interface default
    std::optional<std::wstring> programLanguage = L"en";
    std::optional<std::wstring> programVersion = L"1.0.0.0";
    std::optional<std::wstring> serialNumber;
    std::optional<std::wstring> skinPath;
    std::optional<std::wstring> downloadFolder;
    std::optional<std::wstring> installerFileName; // unset: interface default

    bool crmUploadOffered = true;
    bool sendCRMData = true;
    bool notifyDownload = true;
    bool showUpdateDialog = true;
    bool showInstallDialog = true;
    bool sendSerialNumber = false;
    bool useWorkerThreads = true;
    bool dontShowAgainOffered = true;
    int platform = 1;
    HWND parentWindow = nullptr;
    // IsCancelRequested answers true from this progress report on (0: never).
    int cancelAfterProgressReports = 0;
};

struct HostCall {
    std::string operation;  // e.g. "GetProgram"
    std::wstring arguments; // arguments as text, e.g. L"1" or a path
    DWORD threadId = 0;
};

class RecordingHost : public ZvAutoUpdate::CUpdateConfiguration2 {
public:
    HostSettings settings;

    // What was recorded, in call order.
    std::vector<HostCall> Calls() const;
    std::vector<std::string> Operations() const;
    std::vector<std::wstring> LogLines() const { return ArgumentsOf("Log"); }
    size_t CallCount() const { return Calls().size(); }
    size_t CountOf(const std::string& operation) const;
    // The arguments of every call of an operation, as text, in order.
    std::vector<std::wstring> ArgumentsOf(const std::string& operation) const;
    void ClearCalls();

    // What the library told the host.
    struct Installer {
        std::wstring path;
        int kind;
    };
    std::vector<Installer> Installers() const;
    std::optional<std::wstring> NewVersion() const { return Last("SetNewVersion"); }
    std::optional<std::wstring> ReleaseNotes() const { return Last("SetReleaseNotes"); }
    std::optional<std::wstring> ReleaseNotesFile() const { return Last("SetReleaseNotesFile"); }
    std::vector<long long> DownloadSizes() const { return Numbers("SetDownloadSize"); }
    std::vector<long long> ProgressReports() const { return Numbers("OnDownloadProgress"); }

    // The interface, every slot recorded.
    bool IsCRMUploadOffered() override;
    bool GetSendCRMData() override;
    void SetSendCRMData(bool send) override;
    bool GetNotifyDownload() override;
    bool GetShowUpdateDialog() override;
    void SetShowUpdateDialog(bool show) override;
    bool GetShowInstallDialog() override;
    const wchar_t* GetSkinPath() override;
    const wchar_t* GetDownloadFolder() override;
    const wchar_t* GetInstallerFileName() override;
    const wchar_t* GetCRMDataFile(int kind) override;
    const wchar_t* GetProgram() override;
    const wchar_t* GetProductName() override;
    const wchar_t* GetUpdateURL() override;
    const wchar_t* GetCRMRedirectURL() override;
    const wchar_t* GetProgramLanguage() override;
    const wchar_t* GetProgramVersion() override;
    const wchar_t* GetSerialNumber() override;
    bool GetSendSerialNumber() override;
    void SetReleaseNotesFile(const wchar_t* path) override;
    void SetNewVersion(const wchar_t* name) override;
    void SetDownloadSize(long long bytes) override;
    void AddInstallerFile(const wchar_t* path, int pugInstaller) override;
    void OnDownloadBegin() override;
    void OnDownloadEnd() override;
    void OnDownloadProgress(long long bytes) override;
    bool IsCancelRequested() override;
    void Log(const wchar_t* line) override;
    bool GetUseWorkerThreads() override;
    HWND GetParentWindow() override;
    bool IsDontShowAgainOffered() override;
    int GetPlatform() override;
    void SetReleaseNotes(const wchar_t* notes) override;

private:
    void Record(const char* operation, std::wstring arguments = std::wstring());
    static const wchar_t* Text(const std::optional<std::wstring>& value);
    // The last call's text argument; none without a call or for a null text.
    std::optional<std::wstring> Last(const std::string& operation) const;
    std::vector<long long> Numbers(const std::string& operation) const;

    mutable std::mutex m_mutex;
    std::vector<HostCall> m_calls;
};

// Text of a possibly null wide pointer, for recording.
std::wstring TextOrNull(const wchar_t* text);

} // namespace zvtest
