// ZvOSVersionInfo and ZvOSVersionInfoWindows: the running system and objects
// built for a named version.
#include "ZvOSAL/ZvOSVersionInfo.h"

#include <gtest/gtest.h>

#include <windows.h>

using ZvOSAL::ZvOSVersionInfo;
using ZvOSAL::ZvOSVersionInfoWindows;
using ZvOSAL::ZvString;
using ZvOSAL::ZvVersion;
using Windows = ZvOSVersionInfoWindows;

TEST(OSVersionInfo, TheRunningSystem)
{
    OSVERSIONINFOEXW record = {};
    record.dwOSVersionInfoSize = sizeof(record);
    ASSERT_TRUE(GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&record)));
    const ZvOSVersionInfo info;
    EXPECT_EQ(ZvVersion(record.dwMajorVersion, record.dwMinorVersion, 0, 0), info.GetOSVersion());
    EXPECT_EQ(ZvVersion(record.wServicePackMajor, record.wServicePackMinor, 0, 0), info.GetServicePackVersion());
#if defined(_WIN64)
    EXPECT_EQ(ZvOSVersionInfo::eOSBits64, info.GetOSBits()) << "a 64-bit program runs on a 64-bit system only";
#endif
    // What Windows 8 and later (Wine too) report to a program without a manifest.
    if (record.dwMajorVersion == 6 && record.dwMinorVersion == 2 && record.wProductType == VER_NT_WORKSTATION) {
        EXPECT_EQ(Windows::eWindows8, Windows().GetWindowsVersion());
        EXPECT_EQ(ZvString(L"Windows 8.0"), Windows::GetOSVersionString());
    }
    const ZvString version = Windows::GetOSVersionString();
    const ZvString edition = Windows::GetOSEditionString();
    EXPECT_EQ(ZvString(L"Windows"), info.GetDisplayName(ZvOSVersionInfo::eDisplayFamily));
    EXPECT_EQ(version, info.GetDisplayName(ZvOSVersionInfo::eDisplayVersion));
    EXPECT_EQ(edition.IsEmpty() ? version : version + L" " + edition,
              info.GetDisplayName(ZvOSVersionInfo::eDisplayVersionAndEdition));
    EXPECT_EQ(ZvString(L"unknown"), info.GetDisplayName(static_cast<ZvOSVersionInfo::EDisplay>(3)));
    // The texts describe the running system, also on an object built by name.
    EXPECT_EQ(version, Windows(Windows::eWindows95).GetDisplayName(ZvOSVersionInfo::eDisplayVersion));
}

TEST(OSVersionInfo, NamedVersionsCompareByTheirNumbersOnly)
{
    const Windows win7(Windows::eWindows7), server2008R2(Windows::eWindowsServer2008R2), xp(Windows::eWindowsXP),
        win10(Windows::eWindows10), newer(Windows::eWindowsNew);
    EXPECT_TRUE(win7 == server2008R2 && win7 <= server2008R2 && win7 >= server2008R2) << "both 6.1";
    EXPECT_FALSE(win7 < server2008R2 || win7 > server2008R2);
    EXPECT_TRUE(win7 > xp && xp < win7 && !(win7 == xp));
    EXPECT_TRUE(win10 > win7) << "10.0 above 6.1: numeric, not textual";
    EXPECT_TRUE(newer < Windows(Windows::eWindows95)) << "999 has no numbers: 0.0.0.0";
    EXPECT_EQ(ZvVersion(), Windows(static_cast<Windows::EWindowsVersion>(16)).GetOSVersion());
    EXPECT_EQ(16, Windows(static_cast<Windows::EWindowsVersion>(16)).GetWindowsVersion()) << "the value is kept";
    EXPECT_TRUE(win7.IsWin7() && !server2008R2.IsWin7() && xp.IsWinXP());
    Windows copy(Windows::eWindowsServer2003);
    copy = Windows(Windows::eWindowsVista);
    EXPECT_TRUE(copy.IsWinVista() && copy.GetOSVersion() == ZvVersion(6, 0, 0, 0));
}
