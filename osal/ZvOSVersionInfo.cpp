#include "ZvOSAL/ZvOSVersionInfo.h"

#include "osal/WindowsVersionTables.h"

#include <windows.h>

namespace ZvOSAL {

namespace {

// The extended version record is what the classification reads.
static_assert(sizeof(OSVERSIONINFOEXW) == 284, "OSVERSIONINFOEXW has the system's layout");
#if defined(__i386__)
// The x86 layouts hosts compile against: virtual table and two versions; then
// workstation flag, edition and version.
static_assert(sizeof(ZvOSVersionInfo) == 4 + 2 * sizeof(ZvVersion), "ZvOSVersionInfo layout");
static_assert(sizeof(ZvOSVersionInfoWindows) == sizeof(ZvOSVersionInfo) + 12, "ZvOSVersionInfoWindows layout");
#endif

bool ReadVersionRecord(OSVERSIONINFOEXW& record)
{
    ZeroMemory(&record, sizeof(record));
    record.dwOSVersionInfoSize = sizeof(record);
    return GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&record)) != FALSE;
}

typedef BOOL(WINAPI* GetProductInfoFn)(DWORD, DWORD, DWORD, DWORD, PDWORD);
typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, PBOOL);
typedef void(WINAPI* GetNativeSystemInfoFn)(LPSYSTEM_INFO);

// Functions that older systems lack are looked up at run time.
template <typename Fn>
Fn Kernel32Function(const char* name)
{
    HMODULE kernel32 = GetModuleHandleW(L"kernel32");
    return kernel32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel32, name))) : nullptr;
}

} // namespace

// ---- ZvOSVersionInfo ----

ZvOSVersionInfo::ZvOSVersionInfo()
{
    DetermineVersions();
}

ZvOSVersionInfo::ZvOSVersionInfo(const ZvOSVersionInfo& other)
    : m_osVersion(other.m_osVersion), m_servicePackVersion(other.m_servicePackVersion)
{
}

ZvOSVersionInfo& ZvOSVersionInfo::operator=(const ZvOSVersionInfo& other)
{
    m_osVersion = other.m_osVersion;
    m_servicePackVersion = other.m_servicePackVersion;
    return *this;
}

ZvOSVersionInfo::~ZvOSVersionInfo() = default;

bool ZvOSVersionInfo::DetermineVersions()
{
    OSVERSIONINFOEXW record;
    if (!ReadVersionRecord(record))
        return false;
    m_osVersion = ZvVersion(record.dwMajorVersion, record.dwMinorVersion, 0, 0);
    m_servicePackVersion = ZvVersion(record.wServicePackMajor, record.wServicePackMinor, 0, 0);
    return true;
}

bool ZvOSVersionInfo::operator==(const ZvOSVersionInfo& other) const { return m_osVersion == other.m_osVersion; }
bool ZvOSVersionInfo::operator<(const ZvOSVersionInfo& other) const { return m_osVersion < other.m_osVersion; }
bool ZvOSVersionInfo::operator>(const ZvOSVersionInfo& other) const { return m_osVersion > other.m_osVersion; }
bool ZvOSVersionInfo::operator<=(const ZvOSVersionInfo& other) const { return m_osVersion <= other.m_osVersion; }
bool ZvOSVersionInfo::operator>=(const ZvOSVersionInfo& other) const { return m_osVersion >= other.m_osVersion; }

ZvOSVersionInfo::EOSBits ZvOSVersionInfo::GetOSBits() const
{
    SYSTEM_INFO info;
    ZeroMemory(&info, sizeof(info));
    // A 32-bit process under WOW64 sees an x86 processor through
    // GetSystemInfo; only the native view tells the system's word size.
    BOOL wow64 = FALSE;
    IsWow64ProcessFn isWow64 = Kernel32Function<IsWow64ProcessFn>("IsWow64Process");
    GetNativeSystemInfoFn nativeInfo = Kernel32Function<GetNativeSystemInfoFn>("GetNativeSystemInfo");
    if (isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64 && nativeInfo)
        nativeInfo(&info);
    else
        GetSystemInfo(&info);
    return info.wProcessorArchitecture != PROCESSOR_ARCHITECTURE_INTEL ? eOSBits64 : eOSBits32;
}

ZvString ZvOSVersionInfo::GetOSName() const
{
    return ZvOSVersionInfoWindows::GetOSVersionString();
}

ZvString ZvOSVersionInfo::GetOSEdition() const
{
    return ZvOSVersionInfoWindows::GetOSEditionString();
}

ZvString ZvOSVersionInfo::GetDisplayName(EDisplay display) const
{
    switch (display) {
    case eDisplayFamily:
        return ZvString(L"Windows");
    case eDisplayVersion:
        return GetOSName();
    case eDisplayVersionAndEdition: {
        ZvString name = GetOSName() + L" " + GetOSEdition();
        name.TrimRight();
        return name;
    }
    default:
        return ZvString(L"unknown");
    }
}

// ---- ZvOSVersionInfoWindows ----

const ZvOSVersionInfoWindows::EWindowsVersion ZvOSVersionInfoWindows::m_eWindowsNew = ZvOSVersionInfoWindows::eWindowsNew;

ZvOSVersionInfoWindows::ZvOSVersionInfoWindows()
    : m_workstation(0), m_edition(eEditionUnknown), m_version(eWindowsUnknown)
{
    OSVERSIONINFOEXW record;
    if (!ReadVersionRecord(record))
        return;
    const bool workstation = record.wProductType == VER_NT_WORKSTATION;
    m_version = static_cast<EWindowsVersion>(
        WindowsVersionTables::ClassifyVersion(record.dwMajorVersion, record.dwMinorVersion, workstation));

    DWORD product = 0;
    if (record.dwMajorVersion == 6) {
        GetProductInfoFn getProductInfo = Kernel32Function<GetProductInfoFn>("GetProductInfo");
        if (!getProductInfo)
            return;
        getProductInfo(record.dwMajorVersion, record.dwMinorVersion, record.wServicePackMajor,
                       record.wServicePackMinor, &product);
    }
    m_edition = static_cast<EWindowsEdition>(WindowsVersionTables::ClassifyEdition(
        record.dwMajorVersion, record.dwMinorVersion, record.wSuiteMask, product));
}

ZvOSVersionInfoWindows::ZvOSVersionInfoWindows(EWindowsVersion version)
    : m_workstation(0), m_edition(eEditionUnknown), m_version(version)
{
    unsigned long major = 0;
    unsigned long minor = 0;
    bool workstation = false;
    WindowsVersionTables::VersionNumbers(version, major, minor, workstation);
    m_osVersion = ZvVersion(major, minor, 0, 0);
    m_workstation = workstation ? 1 : 0;
}

ZvOSVersionInfoWindows::ZvOSVersionInfoWindows(const ZvOSVersionInfoWindows& other)
    : ZvOSVersionInfo(other), m_workstation(other.m_workstation), m_edition(other.m_edition),
      m_version(other.m_version)
{
}

ZvOSVersionInfoWindows& ZvOSVersionInfoWindows::operator=(const ZvOSVersionInfoWindows& other)
{
    ZvOSVersionInfo::operator=(other);
    m_workstation = other.m_workstation;
    m_edition = other.m_edition;
    m_version = other.m_version;
    return *this;
}

ZvOSVersionInfoWindows::~ZvOSVersionInfoWindows() = default;

bool ZvOSVersionInfoWindows::IsWin9x() const
{
    return m_version == eWindows95 || m_version == eWindows98 || m_version == eWindowsME;
}

bool ZvOSVersionInfoWindows::IsWin2000() const { return m_version == eWindows2000; }
bool ZvOSVersionInfoWindows::IsWinXP() const { return m_version == eWindowsXP; }
bool ZvOSVersionInfoWindows::IsWinVista() const { return m_version == eWindowsVista; }
bool ZvOSVersionInfoWindows::IsWin7() const { return m_version == eWindows7; }

ZvString ZvOSVersionInfoWindows::GetOSVersionString()
{
    ZvOSVersionInfoWindows running;
    return ZvString(WindowsVersionTables::VersionText(running.m_version));
}

ZvString ZvOSVersionInfoWindows::GetOSEditionString()
{
    ZvOSVersionInfoWindows running;
    return ZvString(WindowsVersionTables::EditionText(running.m_edition));
}

} // namespace ZvOSAL
