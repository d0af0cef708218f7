// Download benchmark, host side: runs action 4 against an update server and
// reports the transfer's throughput and the memory the downloading process
// needed for it.
//
//   bench_download.exe --url FEED_URL --folder DIR\ [--installer NAME]
//
// Prints one line "bench_download: bytes=N seconds=S mib_per_s=R
// ws_growth_kib=G peak_growth_kib=P blocks=B result=C": the time is taken
// from OnDownloadBegin to OnDownloadEnd (the installer's transfer alone, not
// the patch description before it); ws_growth is the largest working set
// seen during the transfer (sampled at every progress report) minus the
// working set before DoAction; peak_growth is the growth of the process's
// peak working set over the whole call. The comparison with curl is made by
// bench/download-bench.sh, which runs both against the same server.
#include "ZvAutoUpdate.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Memory {
    SIZE_T workingSet = 0;
    SIZE_T peakWorkingSet = 0;
};

Memory CurrentMemory()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    Memory m;
    if (K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        m.workingSet = counters.WorkingSetSize;
        m.peakWorkingSet = counters.PeakWorkingSetSize;
    }
    return m;
}

double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

class BenchHost : public ZvAutoUpdate::CUpdateConfiguration2 {
public:
    std::wstring url;
    std::wstring folder;
    std::wstring installerName = L"BenchInstaller.bin";

    double begin = 0, end = 0;
    long long lastBytes = 0;
    long long blocks = 0;
    SIZE_T maxWorkingSet = 0;
    std::wstring installer;

    const wchar_t* GetCRMDataFile(int) override { return nullptr; }
    const wchar_t* GetProgram() override { return L"BenchProgram"; }
    const wchar_t* GetUpdateURL() override { return url.c_str(); }
    const wchar_t* GetProgramLanguage() override { return L"en"; }
    const wchar_t* GetProgramVersion() override { return L"1.0.0.0"; }
    const wchar_t* GetSerialNumber() override { return nullptr; }
    const wchar_t* GetDownloadFolder() override { return folder.c_str(); }
    const wchar_t* GetInstallerFileName() override { return installerName.c_str(); }
    void AddInstallerFile(const wchar_t* path, int) override { installer = path ? path : L""; }
    void Log(const wchar_t*) override {}
    void OnDownloadBegin() override { begin = Now(); }
    void OnDownloadEnd() override { end = Now(); }
    void OnDownloadProgress(long long bytes) override
    {
        lastBytes = bytes;
        ++blocks;
        SIZE_T ws = CurrentMemory().workingSet;
        if (ws > maxWorkingSet)
            maxWorkingSet = ws;
    }
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    BenchHost host;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::wstring arg = argv[i];
        if (arg == L"--url")
            host.url = argv[i + 1];
        else if (arg == L"--folder")
            host.folder = argv[i + 1];
        else if (arg == L"--installer")
            host.installerName = argv[i + 1];
    }
    if (host.url.empty() || host.folder.empty()) {
        std::printf("usage: bench_download.exe --url FEED_URL --folder DIR\\ [--installer NAME]\n");
        return 2;
    }

    Memory before = CurrentMemory();
    host.maxWorkingSet = before.workingSet;
    int result = DoAction(&host, 4);
    Memory after = CurrentMemory();

    double seconds = host.end - host.begin;
    double mibPerSecond = seconds > 0 ? static_cast<double>(host.lastBytes) / (1024.0 * 1024.0) / seconds : 0;
    long long wsGrowth = static_cast<long long>(host.maxWorkingSet) - static_cast<long long>(before.workingSet);
    long long peakGrowth =
        static_cast<long long>(after.peakWorkingSet) - static_cast<long long>(before.peakWorkingSet);
    std::printf("bench_download: bytes=%lld seconds=%.3f mib_per_s=%.1f ws_growth_kib=%lld peak_growth_kib=%lld "
                "blocks=%lld result=%d\n",
                host.lastBytes, seconds, mibPerSecond, wsGrowth / 1024, peakGrowth / 1024, host.blocks, result);
    return result == 1 ? 0 : 1;
}
