#include "support/RecordingHost.h"

namespace zvtest {

std::wstring TextOrNull(const wchar_t* text)
{
    return text ? std::wstring(text) : std::wstring(L"(null)");
}

const wchar_t* RecordingHost::Text(const std::optional<std::wstring>& value)
{
    return value ? value->c_str() : nullptr;
}

void RecordingHost::Record(const char* operation, std::wstring arguments)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(HostCall{operation, std::move(arguments), GetCurrentThreadId()});
}

std::vector<HostCall> RecordingHost::Calls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
}

std::vector<std::string> RecordingHost::Operations() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> names;
    for (const HostCall& call : m_calls)
        names.push_back(call.operation);
    return names;
}

std::vector<std::wstring> RecordingHost::LogLines() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::wstring> lines;
    for (const HostCall& call : m_calls)
        if (call.operation == "Log")
            lines.push_back(call.arguments);
    return lines;
}

size_t RecordingHost::CallCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls.size();
}

size_t RecordingHost::CountOf(const std::string& operation) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    size_t count = 0;
    for (const HostCall& call : m_calls)
        count += call.operation == operation;
    return count;
}

void RecordingHost::ClearCalls()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.clear();
}

std::vector<RecordingHost::Installer> RecordingHost::Installers() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_installers;
}

std::optional<std::wstring> RecordingHost::NewVersion() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_newVersion;
}

std::optional<std::wstring> RecordingHost::ReleaseNotes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_releaseNotes;
}

std::optional<std::wstring> RecordingHost::ReleaseNotesFile() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_releaseNotesFile;
}

std::vector<long long> RecordingHost::DownloadSizes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_downloadSizes;
}

std::vector<long long> RecordingHost::ProgressReports() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_progress;
}

bool RecordingHost::IsCRMUploadOffered() { Record("IsCRMUploadOffered"); return settings.crmUploadOffered; }
bool RecordingHost::GetSendCRMData() { Record("GetSendCRMData"); return settings.sendCRMData; }
void RecordingHost::SetSendCRMData(bool send) { Record("SetSendCRMData", send ? L"1" : L"0"); }
bool RecordingHost::GetNotifyDownload() { Record("GetNotifyDownload"); return settings.notifyDownload; }
bool RecordingHost::GetShowUpdateDialog() { Record("GetShowUpdateDialog"); return settings.showUpdateDialog; }
void RecordingHost::SetShowUpdateDialog(bool show) { Record("SetShowUpdateDialog", show ? L"1" : L"0"); }
bool RecordingHost::GetShowInstallDialog() { Record("GetShowInstallDialog"); return settings.showInstallDialog; }
const wchar_t* RecordingHost::GetSkinPath() { Record("GetSkinPath"); return Text(settings.skinPath); }
const wchar_t* RecordingHost::GetDownloadFolder() { Record("GetDownloadFolder"); return Text(settings.downloadFolder); }

const wchar_t* RecordingHost::GetInstallerFileName()
{
    Record("GetInstallerFileName");
    return settings.installerFileName ? settings.installerFileName->c_str()
                                      : CUpdateConfiguration2::GetInstallerFileName();
}

const wchar_t* RecordingHost::GetCRMDataFile(int kind)
{
    Record("GetCRMDataFile", std::to_wstring(kind));
    if (kind == 0)
        return Text(settings.crmViewFile);
    if (kind == 1)
        return Text(settings.crmUploadFile);
    return nullptr;
}

const wchar_t* RecordingHost::GetProgram() { Record("GetProgram"); return Text(settings.program); }

const wchar_t* RecordingHost::GetProductName()
{
    Record("GetProductName");
    return settings.productName ? settings.productName->c_str() : CUpdateConfiguration2::GetProductName();
}

const wchar_t* RecordingHost::GetUpdateURL() { Record("GetUpdateURL"); return Text(settings.updateURL); }

const wchar_t* RecordingHost::GetCRMRedirectURL()
{
    Record("GetCRMRedirectURL");
    return settings.crmRedirectURL ? settings.crmRedirectURL->c_str() : CUpdateConfiguration2::GetCRMRedirectURL();
}

const wchar_t* RecordingHost::GetProgramLanguage() { Record("GetProgramLanguage"); return Text(settings.programLanguage); }
const wchar_t* RecordingHost::GetProgramVersion() { Record("GetProgramVersion"); return Text(settings.programVersion); }
const wchar_t* RecordingHost::GetSerialNumber() { Record("GetSerialNumber"); return Text(settings.serialNumber); }
bool RecordingHost::GetSendSerialNumber() { Record("GetSendSerialNumber"); return settings.sendSerialNumber; }

void RecordingHost::SetReleaseNotesFile(const wchar_t* path)
{
    Record("SetReleaseNotesFile", TextOrNull(path));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_releaseNotesFile = path ? std::optional<std::wstring>(path) : std::nullopt;
}

void RecordingHost::SetNewVersion(const wchar_t* name)
{
    Record("SetNewVersion", TextOrNull(name));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_newVersion = name ? std::optional<std::wstring>(name) : std::nullopt;
}

void RecordingHost::SetDownloadSize(long long bytes)
{
    Record("SetDownloadSize", std::to_wstring(bytes));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_downloadSizes.push_back(bytes);
}

void RecordingHost::AddInstallerFile(const wchar_t* path, int pugInstaller)
{
    Record("AddInstallerFile", TextOrNull(path) + L"|" + std::to_wstring(pugInstaller));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_installers.push_back(Installer{TextOrNull(path), pugInstaller});
}

void RecordingHost::OnDownloadBegin() { Record("OnDownloadBegin"); }
void RecordingHost::OnDownloadEnd() { Record("OnDownloadEnd"); }

void RecordingHost::OnDownloadProgress(long long bytes)
{
    Record("OnDownloadProgress", std::to_wstring(bytes));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_progress.push_back(bytes);
}

bool RecordingHost::IsCancelRequested()
{
    Record("IsCancelRequested");
    std::lock_guard<std::mutex> lock(m_mutex);
    return settings.cancelAfterProgressReports > 0 &&
           m_progress.size() >= static_cast<size_t>(settings.cancelAfterProgressReports);
}

void RecordingHost::Log(const wchar_t* line) { Record("Log", TextOrNull(line)); }
bool RecordingHost::GetUseWorkerThreads() { Record("GetUseWorkerThreads"); return settings.useWorkerThreads; }
HWND RecordingHost::GetParentWindow() { Record("GetParentWindow"); return settings.parentWindow; }
bool RecordingHost::IsDontShowAgainOffered() { Record("IsDontShowAgainOffered"); return settings.dontShowAgainOffered; }
int RecordingHost::GetPlatform() { Record("GetPlatform"); return settings.platform; }

void RecordingHost::SetReleaseNotes(const wchar_t* notes)
{
    Record("SetReleaseNotes", TextOrNull(notes));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_releaseNotes = notes ? std::optional<std::wstring>(notes) : std::nullopt;
}

} // namespace zvtest
