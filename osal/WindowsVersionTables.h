// The classification tables behind ZvOSVersionInfoWindows: which named Windows
// version and edition a version record stands for, and their display texts.
// Pure functions, kept apart from the system calls so that every row can be
// checked without running on that system.
#pragma once

namespace ZvOSAL {
namespace WindowsVersionTables {

// The EWindowsVersion value for a system version (0 = unknown, 999 = newer
// than every named version).
int ClassifyVersion(unsigned long major, unsigned long minor, bool workstation);

// The EWindowsEdition value for a system version. suiteMask is the version
// record's suite mask; product is what GetProductInfo reported (only read for
// major version 6; pass 0 when it is not available).
int ClassifyEdition(unsigned long major, unsigned long minor, unsigned int suiteMask, unsigned long product);

// The version number and workstation flag that a named version stands for.
// False (and 0.0, not a workstation) for values without a row, 999 included.
bool VersionNumbers(int version, unsigned long& major, unsigned long& minor, bool& workstation);

// Display texts; empty (never null) for 0, 999 and values without a row.
const wchar_t* VersionText(int version);
const wchar_t* EditionText(int edition);

} // namespace WindowsVersionTables
} // namespace ZvOSAL
