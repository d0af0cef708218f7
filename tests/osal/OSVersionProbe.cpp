// Prints what ZvOSVersionInfoWindows makes of the system this program runs on,
// next to the raw version record, one "key value" per line. The OS version
// test starts it under Windows versions chosen for it (Wine's per-program
// AppDefaults) and reads the lines. Built twice: with and without a manifest
// that declares support for Windows 10.
#include "ZvOSAL/ZvOSVersionInfo.h"

#include <windows.h>

#include <cstdio>

using ZvOSAL::ZvOSVersionInfo;
using ZvOSAL::ZvOSVersionInfoWindows;
using ZvOSAL::ZvString;

namespace {

// The texts are ASCII; anything else is escaped so that no line is lost.
void PrintText(const char* key, const ZvString& text)
{
    std::printf("%s=", key);
    for (int i = 0; i < text.GetLength(); ++i) {
        wchar_t ch = text[i];
        if (ch >= 0x20 && ch < 0x7F)
            std::printf("%c", static_cast<char>(ch));
        else
            std::printf("\\u%04X", static_cast<unsigned>(ch));
    }
    std::printf("\n");
}

} // namespace

int main()
{
    OSVERSIONINFOEXW record = {};
    record.dwOSVersionInfoSize = sizeof(record);
    GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&record));
    DWORD product = 0;
    typedef BOOL(WINAPI * GetProductInfoFn)(DWORD, DWORD, DWORD, DWORD, PDWORD);
    auto getProductInfo = reinterpret_cast<GetProductInfoFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "GetProductInfo")));
    if (getProductInfo)
        getProductInfo(record.dwMajorVersion, record.dwMinorVersion, record.wServicePackMajor,
                       record.wServicePackMinor, &product);
    std::printf("record=%lu %lu %u %u %u 0x%X 0x%lX\n", record.dwMajorVersion, record.dwMinorVersion,
                record.wServicePackMajor, record.wServicePackMinor, record.wProductType, record.wSuiteMask,
                product);

    ZvOSVersionInfoWindows info;
    PrintText("os", info.GetOSVersion().GetDisplayName());
    PrintText("sp", info.GetServicePackVersion().GetDisplayName());
    std::printf("version=%d\n", static_cast<int>(info.GetWindowsVersion()));
    std::printf("edition=%d\n", static_cast<int>(info.GetWindowsEdition()));
    std::printf("bits=%d\n", static_cast<int>(info.GetOSBits()));
    std::printf("is=%d%d%d%d%d\n", info.IsWin9x(), info.IsWin2000(), info.IsWinXP(), info.IsWinVista(),
                info.IsWin7());
    PrintText("versiontext", ZvOSVersionInfoWindows::GetOSVersionString());
    PrintText("editiontext", ZvOSVersionInfoWindows::GetOSEditionString());
    PrintText("display0", info.GetDisplayName(ZvOSVersionInfo::eDisplayFamily));
    PrintText("display1", info.GetDisplayName(ZvOSVersionInfo::eDisplayVersion));
    PrintText("display2", info.GetDisplayName(ZvOSVersionInfo::eDisplayVersionAndEdition));
    std::fflush(stdout);
    return 0;
}
