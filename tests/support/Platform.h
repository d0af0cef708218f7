// Platform checks for tests.
#pragma once

#include <windows.h>

namespace zvtest {

// True when the test runs under Wine (its ntdll exports wine_get_version).
inline bool RunningUnderWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace zvtest
