// A minimal host of ZvAutoUpdate.dll: implements the eight required
// operations of CUpdateConfiguration2 (plus the download folder), loads the
// library at run time and runs the actions named on the command line.
//
//   SampleHost.exe [--url URL] [--folder DIR\] [--version V] [--language L] ACTION...
//
// Every log line and report of the library is printed to standard output.
#include "ZvAutoUpdate.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

class SampleConfiguration : public ZvAutoUpdate::CUpdateConfiguration2 {
public:
    std::wstring updateURL = L"http://127.0.0.1:8080/update";
    std::wstring version = L"1.0.0.0";
    std::wstring language = L"en";
    std::wstring folder; // empty: the temporary folder

    // The required eight.
    const wchar_t* GetCRMDataFile(int) override { return nullptr; }
    const wchar_t* GetProgram() override { return L"SampleProgram"; }
    const wchar_t* GetUpdateURL() override { return updateURL.c_str(); }
    const wchar_t* GetProgramLanguage() override { return language.c_str(); }
    const wchar_t* GetProgramVersion() override { return version.c_str(); }
    const wchar_t* GetSerialNumber() override { return nullptr; }
    void AddInstallerFile(const wchar_t* path, int kind) override
    {
        Print(L"installer handed over: %ls (kind %d)", path, kind);
    }
    void Log(const wchar_t* line) override { Print(L"log: %ls", line); }

    // A few optional ones, to show what the library reports.
    const wchar_t* GetDownloadFolder() override { return folder.empty() ? nullptr : folder.c_str(); }
    void SetNewVersion(const wchar_t* name) override { Print(L"new version: %ls", name); }
    void SetDownloadSize(long long bytes) override { Print(L"download size: %lld bytes", bytes); }
    void SetReleaseNotes(const wchar_t* notes) override { Print(L"release notes: %ls", notes); }
    bool GetShowUpdateDialog() override { return false; }

private:
    // Lines may contain non-ASCII text: print them as UTF-8.
    static void Print(const wchar_t* format, ...)
    {
        wchar_t line[4096];
        va_list args;
        va_start(args, format);
        _vsnwprintf(line, 4095, format, args);
        va_end(args);
        line[4095] = 0;
        char utf8[16384];
        int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof utf8, nullptr, nullptr);
        if (n > 0)
            std::printf("  %s\n", utf8);
        std::fflush(stdout);
    }
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
        std::printf("DoAction(configuration, %d):\n", action);
        std::fflush(stdout);
        int result = doAction(&configuration, action);
        std::printf("  -> %d (%ls)\n", result, Meaning(action, result));
        std::fflush(stdout);
    }
    FreeLibrary(library);
    return 0;
}
