// The sample host's answers to the library: the eight required operations of
// CUpdateConfiguration2 plus the reports a real program shows (new version,
// release notes, download size and progress, the installer it receives).
#pragma once

#include "ZvAutoUpdate.h"

#include <string>

namespace sample {

class SampleConfiguration : public ZvAutoUpdate::CUpdateConfiguration2 {
public:
    std::wstring updateURL = L"http://127.0.0.1:8080/update.xml";
    std::wstring version = L"1.0.0.0";
    std::wstring language = L"en";
    std::wstring folder; // download folder; empty: the temporary folder
    std::wstring installerName = L"SampleSetup.exe";
#ifdef _WIN64
    int platform = 2; // the platform this program was built for: x64
#else
    int platform = 1; // x86
#endif
    bool dialogs = true;
    std::wstring installer; // what AddInstallerFile handed over

    // The required eight.
    const wchar_t* GetCRMDataFile(int) override { return nullptr; }
    const wchar_t* GetProgram() override { return L"SampleProgram"; }
    const wchar_t* GetUpdateURL() override { return updateURL.c_str(); }
    const wchar_t* GetProgramLanguage() override { return language.c_str(); }
    const wchar_t* GetProgramVersion() override { return version.c_str(); }
    const wchar_t* GetSerialNumber() override { return nullptr; }
    void AddInstallerFile(const wchar_t* path, int kind) override;
    void Log(const wchar_t* line) override;

    // The sample keeps no customer data, so it does not offer to send any.
    bool IsCRMUploadOffered() override { return false; }
    bool GetShowUpdateDialog() override { return dialogs; }
    void SetShowUpdateDialog(bool show) override;
    const wchar_t* GetProductName() override { return L"Sample Program"; }
    const wchar_t* GetDownloadFolder() override { return folder.empty() ? nullptr : folder.c_str(); }
    const wchar_t* GetInstallerFileName() override { return installerName.c_str(); }
    int GetPlatform() override { return platform; }
    void SetNewVersion(const wchar_t* name) override;
    void SetReleaseNotes(const wchar_t* notes) override;
    void SetDownloadSize(long long bytes) override;
    void OnDownloadBegin() override;
    void OnDownloadEnd() override;
    void OnDownloadProgress(long long bytes) override { DrawProgress(bytes); }

private:
    void DrawProgress(long long bytes);

    std::wstring m_notesShown;
    long long m_size = 0;
    int m_shownPercent = -1;
    bool m_console = false;
    bool m_consoleKnown = false;
    bool m_progressOpen = false;
};

} // namespace sample
