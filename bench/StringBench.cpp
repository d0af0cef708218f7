// ZvString against std::wstring, measured in the same run, as a host uses
// ZvString (through the DLL's import library). Prints, for each case, the time
// per operation of both and the ratio ZvString / std::wstring (below 1: ZvString
// is faster). Each figure is the best of several rounds.
//
// Run under Wine: build-<name>/x64/wine-run build-<name>/x64/bin/bench_string.exe
#include "ZvOSAL/ZvString.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

using ZvOSAL::ZvString;

namespace {

volatile long long g_sink;

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

// Best time per operation (nanoseconds) of rounds runs of body(iterations).
template <typename Body>
double Measure(int iterations, Body body)
{
    double best = 1e300;
    for (int round = 0; round < 7; ++round) {
        const double start = Now();
        body(iterations);
        const double elapsed = Now() - start;
        if (elapsed < best)
            best = elapsed;
    }
    return best * 1e9 / iterations;
}

void Report(const char* name, double zv, double standard)
{
    std::printf("%-44s ZvString %12.1f ns   std::wstring %12.1f ns   ratio %8.3f\n", name, zv, standard, zv / standard);
}

} // namespace

int main()
{
    // Copying a 1 000-character string: sharing makes a copy O(1), which the
    // 100 000-character row shows (same ZvString time, 100 times the copy).
    for (int length : {1000, 100000}) {
        const ZvString zvSource(L'x', length);
        const std::wstring stdSource(static_cast<size_t>(length), L'x');
        const int iterations = length == 1000 ? 200000 : 5000;
        const double zv = Measure(iterations, [&](int n) {
            for (int i = 0; i < n; ++i) {
                ZvString copy(zvSource);
                g_sink += copy.GetLength();
            }
        });
        const double standard = Measure(iterations, [&](int n) {
            for (int i = 0; i < n; ++i) {
                std::wstring copy(stdSource);
                g_sink += static_cast<long long>(copy.size());
            }
        });
        Report(length == 1000 ? "copy of a 1 000-character string" : "copy of a 100 000-character string", zv, standard);
    }

    // Building a string by 10 000 appends of one character.
    {
        const double zv = Measure(20, [&](int n) {
            for (int i = 0; i < n; ++i) {
                ZvString built;
                for (int k = 0; k < 10000; ++k)
                    built += L'a';
                g_sink += built.GetLength();
            }
        });
        const double standard = Measure(20, [&](int n) {
            for (int i = 0; i < n; ++i) {
                std::wstring built;
                for (int k = 0; k < 10000; ++k)
                    built += L'a';
                g_sink += static_cast<long long>(built.size());
            }
        });
        Report("10 000 appends of one character (whole)", zv, standard);
    }

    // Format of a line with three arguments; the std::wstring baseline
    // formats into a buffer with the same runtime and takes the result.
    {
        const double zv = Measure(100000, [&](int n) {
            for (int i = 0; i < n; ++i) {
                ZvString line;
                line.Format(L"%s: %d of %s", L"Downloading update", i, L"ZvSetup-2.4.1.exe");
                g_sink += line.GetLength();
            }
        });
        const double standard = Measure(100000, [&](int n) {
            for (int i = 0; i < n; ++i) {
                std::wstring line(256, L'\0');
                const int written =
                    _snwprintf(&line[0], line.size(), L"%s: %d of %s", L"Downloading update", i, L"ZvSetup-2.4.1.exe");
                line.resize(written < 0 ? 0 : static_cast<size_t>(written));
                g_sink += static_cast<long long>(line.size());
            }
        });
        Report("Format of a line with three arguments", zv, standard);
    }

    // Find in a 1 MB string (512 Ki units): the needle sits at the end.
    {
        const int units = 512 * 1024;
        std::wstring stdHaystack(static_cast<size_t>(units), L'a');
        for (int i = 0; i < units; ++i)
            stdHaystack[static_cast<size_t>(i)] = static_cast<wchar_t>(L'a' + (i * 7) % 23);
        const wchar_t needle[] = L"needle in the haystack";
        stdHaystack.replace(stdHaystack.size() - 30, 22, needle);
        const ZvString zvHaystack(stdHaystack.c_str(), static_cast<int>(stdHaystack.size()));
        const double zv = Measure(50, [&](int n) {
            for (int i = 0; i < n; ++i)
                g_sink += zvHaystack.Find(needle);
        });
        const double standard = Measure(50, [&](int n) {
            for (int i = 0; i < n; ++i)
                g_sink += static_cast<long long>(stdHaystack.find(needle));
        });
        if (zvHaystack.Find(needle) != static_cast<int>(stdHaystack.find(needle)))
            std::printf("Find results differ\n");
        Report("Find in a 1 MB string", zv, standard);
    }
    return 0;
}
