#include "InstallerLauncher.h"

#include "ConsoleOutput.h"

#include <windows.h>

namespace sample {

int RunInstaller(const std::wstring& installer, const std::wstring& programFolder)
{
    std::wstring folder = programFolder;
    // A trailing backslash would escape the closing quote.
    while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/'))
        folder.pop_back();
    std::wstring commandLine = L"\"" + installer + L"\" /dir \"" + folder + L"\"";
    Print(L"starting %ls\n", commandLine.c_str());

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(installer.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        Print(L"the installer did not start (error %lu)\n", GetLastError());
        return -1;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    Print(L"the installer ended with exit code %lu\n", exitCode);
    return static_cast<int>(exitCode);
}

} // namespace sample
