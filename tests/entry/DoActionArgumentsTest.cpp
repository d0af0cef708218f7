// The entry point's argument checks, through the DLL's import library as a
// host links it: bad arguments return at once without touching the host.
#include "ZvAutoUpdate.h"
#include "support/RecordingHost.h"

#include <gtest/gtest.h>

#include <climits>

using zvtest::RecordingHost;

TEST(DoActionArguments, ActionZeroReturns3WithoutAnyHostCall)
{
    RecordingHost host;
    EXPECT_EQ(3, DoAction(&host, 0));
    EXPECT_EQ(0u, host.CallCount());
}

TEST(DoActionArguments, NullConfigurationReturns3BeforeTheRangeCheck)
{
    EXPECT_EQ(3, DoAction(nullptr, 0));
    EXPECT_EQ(3, DoAction(nullptr, 1));
    EXPECT_EQ(3, DoAction(nullptr, 4));
    EXPECT_EQ(3, DoAction(nullptr, 9));
    EXPECT_EQ(3, DoAction(nullptr, -1));
}

TEST(DoActionArguments, ActionsOutsideOneToFourReturn4WithoutAnyHostCall)
{
    RecordingHost host;
    for (int action : {5, -1, 6, 100, INT_MAX, INT_MIN, INT_MIN + 1}) {
        EXPECT_EQ(4, DoAction(&host, action)) << "action " << action;
    }
    EXPECT_EQ(0u, host.CallCount());
}

TEST(DoActionArguments, EntryPointIsExportedUndecorated)
{
    HMODULE module = GetModuleHandleW(L"ZvAutoUpdate.dll");
    ASSERT_NE(nullptr, module);
    FARPROC entry = GetProcAddress(module, "DoAction");
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ(reinterpret_cast<void*>(&DoAction), reinterpret_cast<void*>(entry));
}
