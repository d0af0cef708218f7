#include "InstalledVersion.h"

#include <windows.h>

namespace sample {

std::wstring VersionFilePath(const std::wstring& programFolder)
{
    std::wstring path = programFolder;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/')
        path += L'\\';
    return path + L"SampleProgram.version";
}

std::wstring ReadInstalledVersion(const std::wstring& programFolder)
{
    HANDLE file = CreateFileW(VersionFilePath(programFolder).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return L"";
    char text[64] = {};
    DWORD read = 0;
    ReadFile(file, text, sizeof text - 1, &read, nullptr);
    CloseHandle(file);
    std::wstring version;
    // A dotted version: digits and dots up to the end of the first line.
    for (DWORD i = 0; i < read && text[i] != '\r' && text[i] != '\n'; ++i) {
        if ((text[i] < '0' || text[i] > '9') && text[i] != '.')
            return L"";
        version += static_cast<wchar_t>(text[i]);
    }
    return version;
}

std::wstring OwnFolder()
{
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    size_t slash = folder.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L".\\" : folder.substr(0, slash + 1);
}

} // namespace sample
