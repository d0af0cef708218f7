#include "osal/WindowsVersionTables.h"

#include <cstddef>

namespace ZvOSAL {
namespace WindowsVersionTables {

namespace {

struct VersionRow {
    int version;
    const wchar_t* text;
    unsigned long major;
    unsigned long minor;
    bool workstation;
};

const VersionRow kVersions[] = {
    {1, L"Windows 95", 4, 0, false},
    {2, L"Windows 98", 4, 10, false},
    {3, L"Windows ME", 4, 90, false},
    {4, L"Windows NT 3.51", 3, 51, true},
    {5, L"Windows NT 4", 4, 0, true},
    {6, L"Windows 2000", 5, 0, true},
    {7, L"Windows XP", 5, 1, true},
    {8, L"Windows Server 2003", 5, 2, false},
    {9, L"Windows Vista", 6, 0, true},
    {10, L"Windows Server 2008", 6, 0, false},
    {11, L"Windows 7", 6, 1, true},
    {12, L"Windows Server 2008 R2", 6, 1, false},
    {13, L"Windows 8.0", 6, 2, true},
    {14, L"Windows 8.1", 6, 3, true},
    {15, L"Windows 10", 10, 0, true},
};

const wchar_t* const kEditions[] = {
    L"",
    L"Home",
    L"Professional",
    L"Business",
    L"HPC Edition",
    L"Server Datacenter Full",
    L"Server Datacenter Full without HyperV",
    L"Server Datacenter Core",
    L"Server Datacenter Core without HyperV",
    L"Server Enterprise",
    L"Home Basic",
    L"Home Premium",
    L"HYPERV Server",
    L"Home Server",
    L"Server Medium Business",
    L"Server Small Business",
    L"Server Standard",
    L"Starter",
    L"Server Storage",
    L"Ultimate",
    L"Server Webserver",
    L"Unlicensed",
};

const VersionRow* FindVersion(int version)
{
    for (const VersionRow& row : kVersions)
        if (row.version == version)
            return &row;
    return nullptr;
}

// The suite-mask bit of XP Home (VER_SUITE_PERSONAL).
const unsigned int kSuitePersonal = 0x200;

// The EWindowsEdition value for a PRODUCT_ value of GetProductInfo (0 when none).
int EditionForProduct(unsigned long product)
{
    switch (product) {
    case 1: case 28:
        return 19; // Ultimate
    case 2: case 5:
        return 10; // Home Basic
    case 3: case 26:
        return 11; // Home Premium
    case 4: case 10: case 14: case 15: case 27: case 38: case 41:
        return 9; // Server Enterprise
    case 6: case 16:
        return 3; // Business
    case 7: case 13: case 36: case 40:
        return 16; // Server Standard
    case 8:
        return 5; // Server Datacenter Full
    case 9: case 24: case 25: case 33: case 35:
        return 15; // Server Small Business
    case 11:
        return 17; // Starter
    case 12:
        return 7; // Server Datacenter Core
    case 17: case 29:
        return 20; // Server Webserver
    case 18:
        return 4; // HPC Edition
    case 19:
        return 13; // Home Server
    case 20: case 21: case 22: case 23:
        return 18; // Server Storage
    case 30: case 31: case 32:
        return 14; // Server Medium Business
    case 37:
        return 6; // Server Datacenter Full without HyperV
    case 39:
        return 8; // Server Datacenter Core without HyperV
    case 42:
        return 12; // HYPERV Server
    case 0xABCDABCDul:
        return 21; // Unlicensed
    default:
        return 0;
    }
}

} // namespace

int ClassifyVersion(unsigned long major, unsigned long minor, bool workstation)
{
    int version = 0;
    switch (major) {
    case 3:
        if (minor == 51)
            version = 4;
        break;
    case 4:
        if (minor == 0)
            version = workstation ? 5 : 1;
        else if (minor == 10 && !workstation)
            version = 2;
        else if (minor == 90 && !workstation)
            version = 3;
        break;
    case 5:
        if (minor == 0)
            version = 6;
        else if (minor == 1)
            version = 7;
        else if (minor == 2)
            version = 8;
        break;
    case 6:
        if (minor == 0)
            version = workstation ? 9 : 10;
        else if (minor == 1)
            version = workstation ? 11 : 12;
        else if (minor == 2 && workstation)
            version = 13;
        else if (minor == 3 && workstation)
            version = 14;
        break;
    case 10:
        if (minor == 0 && workstation)
            version = 15;
        break;
    default:
        break;
    }
    // Anything beyond Windows 10's 10.0 is a version this table does not name.
    if (major > 10 || (major == 10 && minor != 0))
        version = 999;
    return version;
}


int ClassifyEdition(unsigned long major, unsigned long minor, unsigned int suiteMask, unsigned long product)
{
    if (major == 5 && minor == 1)
        return (suiteMask & kSuitePersonal) ? 1 : 2;
    if (major == 6)
        return EditionForProduct(product);
    return 0;
}

bool VersionNumbers(int version, unsigned long& major, unsigned long& minor, bool& workstation)
{
    const VersionRow* row = FindVersion(version);
    major = row ? row->major : 0;
    minor = row ? row->minor : 0;
    workstation = row ? row->workstation : false;
    return row != nullptr;
}

const wchar_t* VersionText(int version)
{
    const VersionRow* row = FindVersion(version);
    return row ? row->text : L"";
}

const wchar_t* EditionText(int edition)
{
    if (edition < 0 || static_cast<size_t>(edition) >= sizeof(kEditions) / sizeof(kEditions[0]))
        return L"";
    return kEditions[edition];
}

} // namespace WindowsVersionTables
} // namespace ZvOSAL
