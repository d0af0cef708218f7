// ZvOSVersionInfo and ZvOSVersionInfoWindows.
//
// The classification tables are checked row by row through the internal
// functions; the objects are checked against the running system, and against
// Windows versions that Wine reports to a child program (the probe) on
// request: Wine reads the version per program from
// HKCU\Software\Wine\AppDefaults\<program>.exe, value "Version", when the
// program starts. The test writes that key for the probe only and removes it
// again; it never uses `winecfg -v`, which rewrites the prefix-wide version
// registry (HKLM ...\Windows NT\CurrentVersion, ProductOptions) that every
// other test sees.
#include "ZvOSAL/ZvOSVersionInfo.h"
#include "osal/WindowsVersionTables.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

using ZvOSAL::ZvOSVersionInfo;
using ZvOSAL::ZvOSVersionInfoWindows;
using ZvOSAL::ZvString;
using ZvOSAL::ZvVersion;
namespace Tables = ZvOSAL::WindowsVersionTables;

typedef ZvOSVersionInfoWindows::EWindowsVersion WinVer;
typedef ZvOSVersionInfoWindows::EWindowsEdition WinEdition;

namespace {

// Reads the protected workstation flag, which has no accessor.
class InspectableWindows : public ZvOSVersionInfoWindows {
public:
    explicit InspectableWindows(WinVer version) : ZvOSVersionInfoWindows(version) {}
    int Workstation() const { return m_workstation; }
};

std::string Narrow(const ZvString& text)
{
    std::string out;
    for (int i = 0; i < text.GetLength(); ++i)
        out += static_cast<char>(text[i] < 0x80 ? text[i] : '?');
    return out;
}

std::string VersionText(const ZvVersion& version) { return Narrow(version.GetDisplayName()); }

OSVERSIONINFOEXW SystemRecord()
{
    OSVERSIONINFOEXW record = {};
    record.dwOSVersionInfoSize = sizeof(record);
    GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&record));
    return record;
}

bool RunningUnderWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The folder of this test program, where the probes are built too.
std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

// Runs a program and returns what it wrote to its standard output.
bool RunAndCapture(const std::wstring& program, std::string& output)
{
    SECURITY_ATTRIBUTES inherit = {};
    inherit.nLength = sizeof(inherit);
    inherit.bInheritHandle = TRUE;
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return false;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::wstring commandLine = L"\"" + program + L"\"";
    BOOL started = CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &startup, &process);
    CloseHandle(writeEnd);
    if (started) {
        char buffer[512];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0)
            output.append(buffer, got);
        WaitForSingleObject(process.hProcess, 30000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    return started != FALSE;
}

// "key=value" lines into a map.
std::map<std::string, std::string> ParseLines(const std::string& text)
{
    std::map<std::string, std::string> values;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
        start = end + 1;
    }
    return values;
}

// Runs a probe with Wine told to report the given Windows version to it
// ("win7", "win10", ...; empty: the prefix's own setting).
std::map<std::string, std::string> ProbeUnder(const wchar_t* probeName, const wchar_t* wineVersion)
{
    std::wstring key = std::wstring(L"Software\\Wine\\AppDefaults\\") + probeName;
    if (*wineVersion) {
        HKEY handle = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                                 nullptr, &handle, nullptr));
        if (handle) {
            RegSetValueExW(handle, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(wineVersion),
                           static_cast<DWORD>((wcslen(wineVersion) + 1) * sizeof(wchar_t)));
            RegCloseKey(handle);
        }
    }
    std::string output;
    bool ran = RunAndCapture(ProgramFolder() + probeName, output);
    if (*wineVersion)
        RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
    EXPECT_TRUE(ran) << "probe not started";
    return ParseLines(output);
}

const wchar_t kProbe[] = L"osal_osversion_probe.exe";
const wchar_t kProbeWin10[] = L"osal_osversion_probe_win10.exe";

} // namespace

// ---- The tables ----

TEST(WindowsVersionTables, EveryNamedVersionClassifiesBackToItself)
{
    for (int version = 1; version <= 15; ++version) {
        unsigned long major = 99;
        unsigned long minor = 99;
        bool workstation = false;
        ASSERT_TRUE(Tables::VersionNumbers(version, major, minor, workstation)) << version;
        // Windows 95/98/ME are told apart from NT 4 by not being workstations.
        EXPECT_EQ(version, Tables::ClassifyVersion(major, minor, workstation)) << version;
    }
}

TEST(WindowsVersionTables, VersionRows)
{
    struct Row {
        int version;
        const wchar_t* text;
        unsigned long major, minor;
        bool workstation;
    };
    const Row rows[] = {
        {1, L"Windows 95", 4, 0, false},        {2, L"Windows 98", 4, 10, false},
        {3, L"Windows ME", 4, 90, false},       {4, L"Windows NT 3.51", 3, 51, true},
        {5, L"Windows NT 4", 4, 0, true},       {6, L"Windows 2000", 5, 0, true},
        {7, L"Windows XP", 5, 1, true},         {8, L"Windows Server 2003", 5, 2, false},
        {9, L"Windows Vista", 6, 0, true},      {10, L"Windows Server 2008", 6, 0, false},
        {11, L"Windows 7", 6, 1, true},         {12, L"Windows Server 2008 R2", 6, 1, false},
        {13, L"Windows 8.0", 6, 2, true},       {14, L"Windows 8.1", 6, 3, true},
        {15, L"Windows 10", 10, 0, true},
    };
    for (const Row& row : rows) {
        unsigned long major = 0, minor = 0;
        bool workstation = !row.workstation;
        Tables::VersionNumbers(row.version, major, minor, workstation);
        EXPECT_EQ(row.major, major) << row.version;
        EXPECT_EQ(row.minor, minor) << row.version;
        EXPECT_EQ(row.workstation, workstation) << row.version;
        EXPECT_STREQ(row.text, Tables::VersionText(row.version));
    }
    unsigned long major = 1, minor = 1;
    bool workstation = true;
    EXPECT_FALSE(Tables::VersionNumbers(999, major, minor, workstation));
    EXPECT_EQ(0u, major);
    EXPECT_EQ(0u, minor);
    EXPECT_FALSE(workstation);
    for (int none : {0, 16, 998, 999, 1000, -1})
        EXPECT_STREQ(L"", Tables::VersionText(none)) << none;
}

TEST(WindowsVersionTables, ClassificationOfOtherRecords)
{
    // The same numbers classify both ways only where the table says so.
    EXPECT_EQ(0, Tables::ClassifyVersion(4, 10, true));
    EXPECT_EQ(0, Tables::ClassifyVersion(4, 90, true));
    EXPECT_EQ(6, Tables::ClassifyVersion(5, 0, false));
    EXPECT_EQ(7, Tables::ClassifyVersion(5, 1, false));
    EXPECT_EQ(8, Tables::ClassifyVersion(5, 2, true));
    EXPECT_EQ(0, Tables::ClassifyVersion(6, 2, false)); // Server 2012 has no row
    EXPECT_EQ(0, Tables::ClassifyVersion(6, 3, false));
    EXPECT_EQ(0, Tables::ClassifyVersion(6, 4, true));
    EXPECT_EQ(0, Tables::ClassifyVersion(10, 0, false)); // Server 2016 and later
    EXPECT_EQ(0, Tables::ClassifyVersion(3, 50, true));
    EXPECT_EQ(0, Tables::ClassifyVersion(2, 0, true));
    EXPECT_EQ(0, Tables::ClassifyVersion(7, 0, true));
    // Newer than every row.
    EXPECT_EQ(999, Tables::ClassifyVersion(10, 1, true));
    EXPECT_EQ(999, Tables::ClassifyVersion(10, 1, false));
    EXPECT_EQ(999, Tables::ClassifyVersion(11, 0, true));
    EXPECT_EQ(999, Tables::ClassifyVersion(12, 0, false));
}

TEST(WindowsVersionTables, EditionRows)
{
    const std::map<int, std::vector<unsigned long>> products = {
        {19, {1, 28}},
        {10, {2, 5}},
        {11, {3, 26}},
        {9, {4, 10, 14, 15, 27, 38, 41}},
        {3, {6, 16}},
        {16, {7, 13, 36, 40}},
        {5, {8}},
        {15, {9, 24, 25, 33, 35}},
        {17, {11}},
        {7, {12}},
        {20, {17, 29}},
        {4, {18}},
        {13, {19}},
        {18, {20, 21, 22, 23}},
        {14, {30, 31, 32}},
        {6, {37}},
        {8, {39}},
        {12, {42}},
        {21, {0xABCDABCDul}},
    };
    std::map<unsigned long, int> seen;
    for (const auto& entry : products)
        for (unsigned long product : entry.second) {
            EXPECT_EQ(entry.first, Tables::EditionForProduct(product)) << product;
            seen[product] = entry.first;
        }
    for (unsigned long product = 0; product < 200; ++product)
        if (!seen.count(product)) {
            EXPECT_EQ(0, Tables::EditionForProduct(product)) << product;
        }
    EXPECT_EQ(0, Tables::EditionForProduct(0xFFFFFFFFul));

    const wchar_t* const texts[] = {L"", L"Home", L"Professional", L"Business", L"HPC Edition",
                                    L"Server Datacenter Full", L"Server Datacenter Full without HyperV",
                                    L"Server Datacenter Core", L"Server Datacenter Core without HyperV",
                                    L"Server Enterprise", L"Home Basic", L"Home Premium", L"HYPERV Server",
                                    L"Home Server", L"Server Medium Business", L"Server Small Business",
                                    L"Server Standard", L"Starter", L"Server Storage", L"Ultimate",
                                    L"Server Webserver", L"Unlicensed"};
    for (int edition = 0; edition <= 21; ++edition)
        EXPECT_STREQ(texts[edition], Tables::EditionText(edition)) << edition;
    EXPECT_STREQ(L"", Tables::EditionText(22));
    EXPECT_STREQ(L"", Tables::EditionText(-1));
}

TEST(WindowsVersionTables, EditionFromRecord)
{
    const unsigned int personal = 0x200;
    EXPECT_EQ(1, Tables::ClassifyEdition(5, 1, personal, 0));        // XP Home
    EXPECT_EQ(1, Tables::ClassifyEdition(5, 1, personal | 0x100, 0));
    EXPECT_EQ(2, Tables::ClassifyEdition(5, 1, 0x100, 0));           // XP Professional
    EXPECT_EQ(0, Tables::ClassifyEdition(5, 2, personal, 1));        // 2003: neither rule
    EXPECT_EQ(0, Tables::ClassifyEdition(5, 0, personal, 1));
    EXPECT_EQ(19, Tables::ClassifyEdition(6, 1, 0, 1));              // the product decides on 6.x
    EXPECT_EQ(16, Tables::ClassifyEdition(6, 0, personal, 7));
    EXPECT_EQ(0, Tables::ClassifyEdition(6, 3, 0, 0));
    EXPECT_EQ(0, Tables::ClassifyEdition(10, 0, 0, 1));              // Windows 10: not asked
    EXPECT_EQ(0, Tables::ClassifyEdition(4, 0, personal, 1));
}

// ---- The objects ----

TEST(OSVersionInfo, ReadsTheSystemsVersionRecord)
{
    OSVERSIONINFOEXW record = SystemRecord();
    ZvOSVersionInfo info;
    EXPECT_EQ(ZvVersion(record.dwMajorVersion, record.dwMinorVersion, 0, 0), info.GetOSVersion());
    EXPECT_EQ(ZvVersion(record.wServicePackMajor, record.wServicePackMinor, 0, 0), info.GetServicePackVersion());
    const ZvVersion& converted = info;
    EXPECT_EQ(&info.GetOSVersion(), &converted);

    ZvOSVersionInfoWindows windows;
    EXPECT_EQ(info.GetOSVersion(), windows.GetOSVersion());
    EXPECT_EQ(Tables::ClassifyVersion(record.dwMajorVersion, record.dwMinorVersion,
                                      record.wProductType == VER_NT_WORKSTATION),
              static_cast<int>(windows.GetWindowsVersion()));
}

TEST(OSVersionInfo, OSBitsIsTheSystemsWordSize)
{
    ZvOSVersionInfo info;
#if defined(_WIN64)
    // A 64-bit program runs on a 64-bit system only.
    EXPECT_EQ(ZvOSVersionInfo::eOSBits64, info.GetOSBits());
#else
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    if (wow64) {
        EXPECT_EQ(ZvOSVersionInfo::eOSBits64, info.GetOSBits());
    }
#endif
}

TEST(OSVersionInfo, DisplayNames)
{
    ZvOSVersionInfo info;
    const ZvString version = ZvOSVersionInfoWindows::GetOSVersionString();
    const ZvString edition = ZvOSVersionInfoWindows::GetOSEditionString();
    EXPECT_EQ(ZvString(L"Windows"), info.GetDisplayName(ZvOSVersionInfo::eDisplayFamily));
    EXPECT_EQ(version, info.GetDisplayName(ZvOSVersionInfo::eDisplayVersion));
    ZvString both = info.GetDisplayName(ZvOSVersionInfo::eDisplayVersionAndEdition);
    if (edition.IsEmpty()) {
        EXPECT_EQ(version, both); // no trailing space
    } else {
        EXPECT_EQ(version + L" " + edition, both);
    }
    EXPECT_EQ(ZvString(L"unknown"), info.GetDisplayName(static_cast<ZvOSVersionInfo::EDisplay>(3)));
    EXPECT_EQ(ZvString(L"unknown"), info.GetDisplayName(static_cast<ZvOSVersionInfo::EDisplay>(-1)));

    // The texts describe the running system, also on an object built by name.
    ZvOSVersionInfoWindows named(ZvOSVersionInfoWindows::eWindows95);
    EXPECT_EQ(version, named.GetDisplayName(ZvOSVersionInfo::eDisplayVersion));
}

TEST(OSVersionInfoWindows, ConstructorFromANamedVersion)
{
    const ZvVersion servicePack = ZvOSVersionInfo().GetServicePackVersion();
    for (int value = 1; value <= 15; ++value) {
        InspectableWindows named(static_cast<WinVer>(value));
        unsigned long major = 0, minor = 0;
        bool workstation = false;
        Tables::VersionNumbers(value, major, minor, workstation);
        EXPECT_EQ(ZvVersion(major, minor, 0, 0), named.GetOSVersion()) << value;
        EXPECT_EQ(workstation ? 1 : 0, named.Workstation()) << value;
        EXPECT_EQ(value, static_cast<int>(named.GetWindowsVersion()));
        EXPECT_EQ(ZvOSVersionInfoWindows::eEditionUnknown, named.GetWindowsEdition());
        EXPECT_EQ(servicePack, named.GetServicePackVersion()) << value;
    }
    EXPECT_EQ("6.1.0.0", VersionText(InspectableWindows(ZvOSVersionInfoWindows::eWindows7).GetOSVersion()));
    EXPECT_EQ("10.0.0.0", VersionText(InspectableWindows(ZvOSVersionInfoWindows::eWindows10).GetOSVersion()));
    EXPECT_EQ("4.90.0.0", VersionText(InspectableWindows(ZvOSVersionInfoWindows::eWindowsME).GetOSVersion()));

    // Outside the table: the value is kept, the version is 0.0.0.0.
    for (int value : {0, 16, 999, 12345, -3}) {
        InspectableWindows named(static_cast<WinVer>(value));
        EXPECT_EQ(ZvVersion(), named.GetOSVersion()) << value;
        EXPECT_EQ(0, named.Workstation()) << value;
        EXPECT_EQ(value, static_cast<int>(named.GetWindowsVersion()));
    }
    EXPECT_EQ(999, static_cast<int>(ZvOSVersionInfoWindows::m_eWindowsNew));
}

TEST(OSVersionInfoWindows, ComparisonsUseTheOSVersionOnly)
{
    const ZvOSVersionInfoWindows win7(ZvOSVersionInfoWindows::eWindows7);
    const ZvOSVersionInfoWindows server2008R2(ZvOSVersionInfoWindows::eWindowsServer2008R2);
    const ZvOSVersionInfoWindows xp(ZvOSVersionInfoWindows::eWindowsXP);
    const ZvOSVersionInfoWindows win10(ZvOSVersionInfoWindows::eWindows10);

    EXPECT_TRUE(win7 == server2008R2); // both 6.1
    EXPECT_FALSE(win7 < server2008R2);
    EXPECT_FALSE(win7 > server2008R2);
    EXPECT_TRUE(win7 <= server2008R2);
    EXPECT_TRUE(win7 >= server2008R2);

    EXPECT_TRUE(win7 > xp);
    EXPECT_TRUE(win7 >= xp);
    EXPECT_FALSE(win7 < xp);
    EXPECT_FALSE(win7 <= xp);
    EXPECT_FALSE(win7 == xp);
    EXPECT_TRUE(xp < win7);
    EXPECT_TRUE(win10 > win7); // 10.0 above 6.1: numeric, not textual

    // The value 999 has no version numbers: it compares as 0.0.0.0, below all.
    const ZvOSVersionInfoWindows newer(ZvOSVersionInfoWindows::eWindowsNew);
    EXPECT_TRUE(newer < ZvOSVersionInfoWindows(ZvOSVersionInfoWindows::eWindows95));

    // The running system against names, as a caller would ask.
    const ZvOSVersionInfoWindows running;
    OSVERSIONINFOEXW record = SystemRecord();
    EXPECT_EQ(record.dwMajorVersion > 5 || (record.dwMajorVersion == 5 && record.dwMinorVersion >= 1),
              running >= xp);
}

TEST(OSVersionInfoWindows, CopiesCarryEveryField)
{
    InspectableWindows original(ZvOSVersionInfoWindows::eWindowsVista);
    ZvOSVersionInfoWindows copy(original);
    EXPECT_EQ(ZvOSVersionInfoWindows::eWindowsVista, copy.GetWindowsVersion());
    EXPECT_TRUE(copy == original);
    EXPECT_TRUE(copy.IsWinVista());

    InspectableWindows assigned(ZvOSVersionInfoWindows::eWindowsServer2003);
    EXPECT_EQ(0, assigned.Workstation());
    static_cast<ZvOSVersionInfoWindows&>(assigned) = copy;
    EXPECT_EQ(ZvOSVersionInfoWindows::eWindowsVista, assigned.GetWindowsVersion());
    EXPECT_EQ(1, assigned.Workstation());
    EXPECT_EQ("6.0.0.0", VersionText(assigned.GetOSVersion()));

    ZvOSVersionInfo base;
    base = ZvOSVersionInfoWindows(ZvOSVersionInfoWindows::eWindows2000);
    EXPECT_EQ("5.0.0.0", VersionText(base.GetOSVersion()));
}

TEST(OSVersionInfoWindows, FamilyTests)
{
    for (int value = 0; value <= 16; ++value) {
        ZvOSVersionInfoWindows named(static_cast<WinVer>(value));
        EXPECT_EQ(value >= 1 && value <= 3, named.IsWin9x()) << value;
        EXPECT_EQ(value == 6, named.IsWin2000()) << value;
        EXPECT_EQ(value == 7, named.IsWinXP()) << value;
        EXPECT_EQ(value == 9, named.IsWinVista()) << value;
        EXPECT_EQ(value == 11, named.IsWin7()) << value;
    }
}

// ---- Under versions that Wine reports on request ----

class ReportedVersion : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!RunningUnderWine())
            GTEST_SKIP() << "the reported Windows version is chosen through Wine's AppDefaults";
    }
};

// The product type of a probe's raw record: 1 workstation, 2 or 3 server.
static int ProductType(const std::string& record)
{
    unsigned major = 0, minor = 0, spMajor = 0, spMinor = 0, type = 0;
    std::sscanf(record.c_str(), "%u %u %u %u %u", &major, &minor, &spMajor, &spMinor, &type);
    return static_cast<int>(type);
}

static unsigned long Product(const std::string& record)
{
    return std::stoul(record.substr(record.rfind(' ') + 1), nullptr, 16);
}

TEST_F(ReportedVersion, Windows7AndServer2008R2)
{
    // Both report 6.1; the product type tells them apart. Measured: Wine 8.0
    // swaps the two names in AppDefaults ("win7" reports a server, "win2008r2"
    // a workstation; `winecfg -v win7`, which writes the prefix-wide registry,
    // reports a workstation). So both are run and each record is checked
    // against what it says it is; between them Windows 7 is always covered.
    bool sawWorkstation = false;
    bool sawServer = false;
    for (const wchar_t* setting : {L"win7", L"win2008r2"}) {
        for (const wchar_t* probe : {kProbe, kProbeWin10}) {
            auto values = ProbeUnder(probe, setting);
            SCOPED_TRACE(values["record"]);
            ASSERT_FALSE(values["record"].empty());
            EXPECT_EQ("6.1.0.0", values["os"]);
            EXPECT_EQ("1.0.0.0", values["sp"]); // service pack 1 in both
            EXPECT_EQ("Windows", values["display0"]);
            const bool workstation = ProductType(values["record"]) == VER_NT_WORKSTATION;
            (workstation ? sawWorkstation : sawServer) = true;
            const std::string name = workstation ? "Windows 7" : "Windows Server 2008 R2";
            EXPECT_EQ(workstation ? "11" : "12", values["version"]);
            EXPECT_EQ(workstation ? "00001" : "00000", values["is"]); // IsWin7 only for the workstation
            EXPECT_EQ(name, values["versiontext"]);
            EXPECT_EQ(name, values["display1"]);
            // The edition comes from GetProductInfo (Wine: 0x1C Ultimate N for
            // the workstation, 7 Standard Server for the server).
            const int edition = Tables::EditionForProduct(Product(values["record"]));
            EXPECT_EQ(std::to_string(edition), values["edition"]);
            const std::string editionText = Narrow(ZvString(Tables::EditionText(edition)));
            EXPECT_EQ(editionText, values["editiontext"]);
            EXPECT_EQ(editionText.empty() ? name : name + " " + editionText, values["display2"]);
#if defined(_WIN64)
            EXPECT_EQ("1", values["bits"]);
#endif
        }
    }
    EXPECT_TRUE(sawWorkstation) << "Windows 7 itself was never reported";
    EXPECT_TRUE(sawServer) << "Windows Server 2008 R2 was never reported";
}

TEST_F(ReportedVersion, Windows10NeedsTheManifest)
{
    // With the manifest that declares Windows 10 the system tells the truth.
    auto manifested = ProbeUnder(kProbeWin10, L"win10");
    SCOPED_TRACE(manifested["record"]);
    EXPECT_EQ("10.0.0.0", manifested["os"]);
    EXPECT_EQ("15", manifested["version"]);
    EXPECT_EQ("Windows 10", manifested["versiontext"]);
    // No edition on 10.0 (only 5.1 and 6.x have edition rules): no trailing space.
    EXPECT_EQ("0", manifested["edition"]);
    EXPECT_EQ("", manifested["editiontext"]);
    EXPECT_EQ("Windows 10", manifested["display2"]);

    // Without it Windows 10 (and Wine's) reports 6.2, as Windows 8.
    auto plain = ProbeUnder(kProbe, L"win10");
    SCOPED_TRACE(plain["record"]);
    EXPECT_EQ("6.2.0.0", plain["os"]);
    EXPECT_EQ("13", plain["version"]);
    EXPECT_EQ("Windows 8.0", plain["versiontext"]);
}

TEST_F(ReportedVersion, VistaAndServer2008ShareTheirNumbers)
{
    auto vista = ProbeUnder(kProbe, L"vista");
    SCOPED_TRACE(vista["record"]);
    EXPECT_EQ("6.0.0.0", vista["os"]);
    EXPECT_EQ("9", vista["version"]);
    EXPECT_EQ("00010", vista["is"]); // IsWinVista only

    // Wine's Windows Server 2008 reports a server product type and
    // PRODUCT_STANDARD_SERVER (7).
    auto server = ProbeUnder(kProbe, L"win2008");
    SCOPED_TRACE(server["record"]);
    EXPECT_EQ("6.0.0.0", server["os"]);
    EXPECT_EQ("10", server["version"]);
    EXPECT_EQ("Windows Server 2008", server["versiontext"]);
    if (server["record"].find(" 0x7") != std::string::npos) {
        EXPECT_EQ("16", server["edition"]);
        EXPECT_EQ("Windows Server 2008 Server Standard", server["display2"]);
    }
}

TEST_F(ReportedVersion, TheKeyIsRemovedAfterEachRun)
{
    ProbeUnder(kProbe, L"win7");
    HKEY handle = nullptr;
    LONG opened = RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\osal_osversion_probe.exe", 0,
                                KEY_READ, &handle);
    if (handle)
        RegCloseKey(handle);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, opened);
}
