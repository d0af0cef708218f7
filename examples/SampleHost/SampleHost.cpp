// A sample host of ZvAutoUpdate.dll: implements the eight required operations
// of CUpdateConfiguration2 plus the reports a real program shows (new
// version, release notes, download size and progress, the installer),
// loads the library at run time and runs the actions named on the command
// line.
//
//   SampleHost.exe [--url URL] [--folder DIR\] [--version V] [--language L]
//                  [--platform N] [--installer NAME] ACTION...
//
// Without actions it runs 3 (is there an update?) and then 4 (download it).
// Every call the library makes to report something is printed to standard
// output; log lines start with "log:".
#include "ZvAutoUpdate.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// Lines may contain non-ASCII text: print them as UTF-8.
void Print(const wchar_t* format, ...)
{
    wchar_t line[4096];
    va_list args;
    va_start(args, format);
    _vsnwprintf(line, 4095, format, args);
    va_end(args);
    line[4095] = 0;
    std::vector<char> utf8(4 * 4096);
    int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    if (n > 0)
        std::fputs(utf8.data(), stdout);
    std::fflush(stdout);
}

bool StdoutIsConsole()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

class SampleConfiguration : public ZvAutoUpdate::CUpdateConfiguration2 {
public:
    std::wstring updateURL = L"http://127.0.0.1:8080/update.xml";
    std::wstring version = L"1.0.0.0";
    std::wstring language = L"en";
    std::wstring folder; // empty: the temporary folder
    std::wstring installerName = L"SampleSetup.exe";
    int platform = 2;
    std::wstring installer; // what AddInstallerFile handed over

    // The required eight.
    const wchar_t* GetCRMDataFile(int) override { return nullptr; }
    const wchar_t* GetProgram() override { return L"SampleProgram"; }
    const wchar_t* GetUpdateURL() override { return updateURL.c_str(); }
    const wchar_t* GetProgramLanguage() override { return language.c_str(); }
    const wchar_t* GetProgramVersion() override { return version.c_str(); }
    const wchar_t* GetSerialNumber() override { return nullptr; }
    void AddInstallerFile(const wchar_t* path, int kind) override
    {
        installer = path ? path : L"";
        Print(L"  installer: %ls (pug_installer %d)\n", installer.c_str(), kind);
    }
    void Log(const wchar_t* line) override { Print(L"  log: %ls\n", line); }

    // Optional ones, to show what the library reports.
    const wchar_t* GetDownloadFolder() override { return folder.empty() ? nullptr : folder.c_str(); }
    const wchar_t* GetInstallerFileName() override { return installerName.c_str(); }
    int GetPlatform() override { return platform; }
    bool GetShowUpdateDialog() override { return false; }
    void SetNewVersion(const wchar_t* name) override { Print(L"  new version: %ls\n", name); }
    void SetReleaseNotes(const wchar_t* notes) override
    {
        std::wstring text = notes ? notes : L"";
        if (text == m_notesShown) {
            Print(L"  release notes: the same page as before (%u characters)\n", static_cast<unsigned>(text.size()));
            return;
        }
        m_notesShown = text;
        Print(L"  release notes (HTML):\n");
        // Indent each line of the page.
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find(L'\n', start);
            if (end == std::wstring::npos)
                end = text.size();
            std::wstring line = text.substr(start, end - start);
            if (!line.empty() && line.back() == L'\r')
                line.pop_back();
            Print(L"    | %ls\n", line.c_str());
            start = end + 1;
        }
    }
    void SetDownloadSize(long long bytes) override
    {
        m_size = bytes;
        m_shownPercent = -1;
        Print(L"  download size: %lld bytes\n", bytes);
    }
    void OnDownloadBegin() override { Print(L"  download begins\n"); }
    void OnDownloadEnd() override
    {
        if (m_progressOpen)
            Print(L"\n");
        m_progressOpen = false;
        Print(L"  download ended\n");
    }
    void OnDownloadProgress(long long bytes) override { DrawProgress(bytes); }

private:
    // A 40-character bar. On a console it is redrawn in place; into a pipe
    // or a file each step that moves it is a line of its own.
    void DrawProgress(long long bytes)
    {
        int percent = m_size > 0 ? static_cast<int>(bytes * 100 / m_size) : -1;
        if (percent > 100)
            percent = 100;
        if (!m_console && percent == m_shownPercent && percent >= 0)
            return;
        m_shownPercent = percent;
        wchar_t bar[41];
        int filled = percent >= 0 ? percent * 40 / 100 : 0;
        for (int i = 0; i < 40; ++i)
            bar[i] = i < filled ? L'#' : L'.';
        bar[40] = 0;
        if (m_console) {
            Print(L"\r  [%ls] %3d%% %lld bytes", bar, percent < 0 ? 0 : percent, bytes);
            m_progressOpen = true;
        } else if (percent >= 0) {
            Print(L"  [%ls] %3d%% %lld bytes\n", bar, percent, bytes);
        } else {
            Print(L"  progress: %lld bytes\n", bytes);
        }
    }

    std::wstring m_notesShown;
    long long m_size = 0;
    int m_shownPercent = -1;
    bool m_console = StdoutIsConsole();
    bool m_progressOpen = false;
};

const wchar_t* Meaning(int action, int result)
{
    switch (result) {
    case 1:
        return action == 3 ? L"an update is available" : action == 4 ? L"installer downloaded" : L"done";
    case 2: return action == 3 ? L"no update, or the check failed" : L"failed";
    case 3: return L"bad argument (null configuration or action 0)";
    case 4: return L"unknown action";
    case 7: return L"install cancelled";
    case 8: return L"install now";
    case 9: return L"install later";
    case 10: return L"no download address";
    case 11: return L"no customer-data file";
    case 12: return L"cancelled during the signature check";
    case 15: return L"transfer failed or cancelled";
    default: return L"?";
    }
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    SampleConfiguration configuration;
    std::vector<int> actions;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--url" && i + 1 < argc)
            configuration.updateURL = argv[++i];
        else if (arg == L"--folder" && i + 1 < argc)
            configuration.folder = argv[++i];
        else if (arg == L"--version" && i + 1 < argc)
            configuration.version = argv[++i];
        else if (arg == L"--language" && i + 1 < argc)
            configuration.language = argv[++i];
        else if (arg == L"--platform" && i + 1 < argc)
            configuration.platform = _wtoi(argv[++i]);
        else if (arg == L"--installer" && i + 1 < argc)
            configuration.installerName = argv[++i];
        else
            actions.push_back(_wtoi(argv[i]));
    }
    if (actions.empty())
        actions = {3, 4};

    HMODULE library = LoadLibraryW(L"ZvAutoUpdate.dll");
    if (!library) {
        std::printf("cannot load ZvAutoUpdate.dll (error %lu)\n", GetLastError());
        return 1;
    }
    auto doAction = reinterpret_cast<ZvDoActionFn>(reinterpret_cast<void*>(GetProcAddress(library, "DoAction")));
    if (!doAction) {
        std::printf("ZvAutoUpdate.dll has no DoAction export\n");
        return 1;
    }
    for (int action : actions) {
        Print(L"DoAction(configuration, %d):\n", action);
        int result = doAction(&configuration, action);
        Print(L"  -> %d (%ls)\n", result, Meaning(action, result));
    }
    if (!configuration.installer.empty())
        Print(L"the host would now start %ls\n", configuration.installer.c_str());
    FreeLibrary(library);
    return 0;
}
