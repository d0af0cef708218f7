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

std::vector<std::wstring> RecordingHost::ArgumentsOf(const std::string& operation) const
{
    std::vector<std::wstring> arguments;
    for (const HostCall& call : Calls())
        if (call.operation == operation)
            arguments.push_back(call.arguments);
    return arguments;
}

std::optional<std::wstring> RecordingHost::Last(const std::string& operation) const
{
    const std::vector<std::wstring> arguments = ArgumentsOf(operation);
    if (arguments.empty() || arguments.back() == L"(null)")
        return std::nullopt;
    return arguments.back();
}

std::vector<long long> RecordingHost::Numbers(const std::string& operation) const
{
    std::vector<long long> numbers;
    for (const std::wstring& text : ArgumentsOf(operation))
        numbers.push_back(std::stoll(text));
    return numbers;
}

std::vector<std::string> RecordingHost::Operations() const
{
    std::vector<std::string> names;
    for (const HostCall& call : Calls())
        names.push_back(call.operation);
    return names;
}

size_t RecordingHost::CountOf(const std::string& operation) const
{
    return ArgumentsOf(operation).size();
}

void RecordingHost::ClearCalls()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.clear();
}

std::vector<RecordingHost::Installer> RecordingHost::Installers() const
{
    std::vector<Installer> installers;
    for (const std::wstring& text : ArgumentsOf("AddInstallerFile")) {
        const size_t bar = text.rfind(L'|');
        installers.push_back(Installer{text.substr(0, bar), std::stoi(text.substr(bar + 1))});
    }
    return installers;
}

#define ZV_ANSWER(type, name, value)                                                                                   \
    type RecordingHost::name()                                                                                         \
    {                                                                                                                  \
        Record(#name);                                                                                                 \
        return value;                                                                                                  \
    }
ZV_ANSWER(bool, IsCRMUploadOffered, settings.crmUploadOffered)
ZV_ANSWER(bool, GetSendCRMData, settings.sendCRMData)
ZV_ANSWER(bool, GetNotifyDownload, settings.notifyDownload)
ZV_ANSWER(bool, GetShowUpdateDialog, settings.showUpdateDialog)
ZV_ANSWER(bool, GetShowInstallDialog, settings.showInstallDialog)
ZV_ANSWER(const wchar_t*, GetSkinPath, Text(settings.skinPath))
ZV_ANSWER(const wchar_t*, GetDownloadFolder, Text(settings.downloadFolder))
ZV_ANSWER(const wchar_t*, GetInstallerFileName,
          settings.installerFileName ? settings.installerFileName->c_str() : CUpdateConfiguration2::GetInstallerFileName())
ZV_ANSWER(const wchar_t*, GetProgram, Text(settings.program))
ZV_ANSWER(const wchar_t*, GetProductName,
          settings.productName ? settings.productName->c_str() : CUpdateConfiguration2::GetProductName())
ZV_ANSWER(const wchar_t*, GetUpdateURL, Text(settings.updateURL))
ZV_ANSWER(const wchar_t*, GetCRMRedirectURL,
          settings.crmRedirectURL ? settings.crmRedirectURL->c_str() : CUpdateConfiguration2::GetCRMRedirectURL())
ZV_ANSWER(const wchar_t*, GetProgramLanguage, Text(settings.programLanguage))
ZV_ANSWER(const wchar_t*, GetProgramVersion, Text(settings.programVersion))
ZV_ANSWER(const wchar_t*, GetSerialNumber, Text(settings.serialNumber))
ZV_ANSWER(bool, GetSendSerialNumber, settings.sendSerialNumber)
ZV_ANSWER(bool, GetUseWorkerThreads, settings.useWorkerThreads)
ZV_ANSWER(HWND, GetParentWindow, settings.parentWindow)
ZV_ANSWER(bool, IsDontShowAgainOffered, settings.dontShowAgainOffered)
ZV_ANSWER(int, GetPlatform, settings.platform)
ZV_ANSWER(void, OnDownloadBegin, void())
ZV_ANSWER(void, OnDownloadEnd, void())
#undef ZV_ANSWER

const wchar_t* RecordingHost::GetCRMDataFile(int kind)
{
    Record("GetCRMDataFile", std::to_wstring(kind));
    return kind == 0 ? Text(settings.crmViewFile) : kind == 1 ? Text(settings.crmUploadFile) : nullptr;
}

void RecordingHost::SetSendCRMData(bool send) { Record("SetSendCRMData", send ? L"1" : L"0"); }
void RecordingHost::SetShowUpdateDialog(bool show) { Record("SetShowUpdateDialog", show ? L"1" : L"0"); }
void RecordingHost::SetReleaseNotesFile(const wchar_t* path) { Record("SetReleaseNotesFile", TextOrNull(path)); }
void RecordingHost::SetNewVersion(const wchar_t* name) { Record("SetNewVersion", TextOrNull(name)); }
void RecordingHost::SetReleaseNotes(const wchar_t* notes) { Record("SetReleaseNotes", TextOrNull(notes)); }
void RecordingHost::SetDownloadSize(long long bytes) { Record("SetDownloadSize", std::to_wstring(bytes)); }
void RecordingHost::OnDownloadProgress(long long bytes) { Record("OnDownloadProgress", std::to_wstring(bytes)); }
void RecordingHost::Log(const wchar_t* line) { Record("Log", TextOrNull(line)); }

void RecordingHost::AddInstallerFile(const wchar_t* path, int pugInstaller)
{
    Record("AddInstallerFile", TextOrNull(path) + L"|" + std::to_wstring(pugInstaller));
}

bool RecordingHost::IsCancelRequested()
{
    Record("IsCancelRequested");
    const int after = settings.cancelAfterProgressReports;
    return after > 0 && static_cast<int>(CountOf("OnDownloadProgress")) >= after;
}

} // namespace zvtest
