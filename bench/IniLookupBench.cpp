// Lookup speed of the cached INI reader against the system's
// GetPrivateProfileStringW on the same file: 1 000 keys in 10 sections, each
// looked up many times by both, answers compared, ratio printed.
// Usage: bench_ini_lookup [rounds]   (default: enough for about a second of
// system lookups)
#include "ini/ZVIniFileReader.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Key {
    std::wstring section;
    std::wstring key;
};

} // namespace

int main(int argc, char** argv)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    wchar_t file[MAX_PATH];
    _snwprintf(file, MAX_PATH, L"%lsbench_ini_%lu.ini", temp, GetCurrentProcessId());
    file[MAX_PATH - 1] = L'\0';

    // 10 sections of 100 keys, with comments between, as skin files have.
    std::string text = "; lookup benchmark\r\n";
    std::vector<Key> keys;
    for (int s = 0; s < 10; ++s) {
        text += "[Control" + std::to_string(s) + "]\r\n";
        for (int k = 0; k < 100; ++k) {
            const std::string key = "property" + std::to_string(k);
            text += key + "=" + std::to_string(s * 1000 + k) + ", 20, 110, 40\r\n";
            if (k % 10 == 0)
                text += "; group " + std::to_string(k / 10) + "\r\n";
            keys.push_back(Key{L"Control" + std::to_wstring(s), std::wstring(key.begin(), key.end())});
        }
    }
    HANDLE handle = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (handle == INVALID_HANDLE_VALUE ||
        !WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        printf("ini lookup bench: cannot write %ls\n", file);
        return 1;
    }
    CloseHandle(handle);

    const double openStart = Now();
    CZVIniFileReader reader;
    if (!reader.Open(file)) {
        printf("ini lookup bench: cannot open %ls\n", file);
        return 1;
    }
    const double openSeconds = Now() - openStart;

    // Both give the same answers.
    wchar_t mine[MAX_PATH], system[MAX_PATH];
    for (const Key& k : keys) {
        reader.GetProfileString(k.section.c_str(), k.key.c_str(), L"", mine, MAX_PATH);
        GetPrivateProfileStringW(k.section.c_str(), k.key.c_str(), L"", system, MAX_PATH, file);
        if (wcscmp(mine, system) != 0) {
            printf("ini lookup bench: answers differ for [%ls] %ls\n", k.section.c_str(), k.key.c_str());
            DeleteFileW(file);
            return 1;
        }
    }

    // System lookups: rounds chosen for about a second unless given.
    int systemRounds = argc > 1 ? atoi(argv[1]) : 0;
    if (systemRounds < 1) {
        const double start = Now();
        for (const Key& k : keys)
            GetPrivateProfileStringW(k.section.c_str(), k.key.c_str(), L"", system, MAX_PATH, file);
        const double one = Now() - start;
        systemRounds = one > 0 ? static_cast<int>(1.0 / one) : 100;
        if (systemRounds < 1)
            systemRounds = 1;
        if (systemRounds > 1000)
            systemRounds = 1000;
    }
    const double systemStart = Now();
    for (int round = 0; round < systemRounds; ++round) {
        for (const Key& k : keys)
            GetPrivateProfileStringW(k.section.c_str(), k.key.c_str(), L"", system, MAX_PATH, file);
    }
    const double systemSeconds = Now() - systemStart;

    // Cached lookups: many more rounds, for a measurable time.
    const int readerRounds = systemRounds * 20 > 500 ? systemRounds * 20 : 500;
    unsigned long checksum = 0;
    const double readerStart = Now();
    for (int round = 0; round < readerRounds; ++round) {
        for (const Key& k : keys)
            checksum += reader.GetProfileString(k.section.c_str(), k.key.c_str(), L"", mine, MAX_PATH);
    }
    const double readerSeconds = Now() - readerStart;
    DeleteFileW(file);

    const double lookups = static_cast<double>(keys.size());
    const double systemNs = systemSeconds * 1e9 / (lookups * systemRounds);
    const double readerNs = readerSeconds * 1e9 / (lookups * readerRounds);
    printf("ini lookup bench: %zu keys, file parsed and cached in %.2f ms\n", keys.size(), openSeconds * 1e3);
    printf("  GetPrivateProfileStringW: %d rounds, %.0f ns per lookup\n", systemRounds, systemNs);
    printf("  CZVIniFileReader (cached): %d rounds, %.0f ns per lookup (checksum %lu)\n", readerRounds, readerNs,
           checksum);
    printf("  ratio: cached lookups are %.1f times as fast as GetPrivateProfileStringW\n", systemNs / readerNs);
    return 0;
}
