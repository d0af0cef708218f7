// The test-only allocation-failure hook, and what it proves of the string
// classes: an allocation that fails at any point of their work throws
// std::bad_alloc, leaves no block behind and does not disturb the strings
// that existed before.
#include "ZvOSAL/ZvAString.h"
#include "ZvOSAL/ZvString.h"
#include "ZvOSAL/ZvWString.h"
#include "osal/AllocationFailure.h"
#include "support/Threads.h"

#include <gtest/gtest.h>

#include <new>

using namespace ZvOSAL;
namespace Fail = ZvOSAL::AllocationFailure;

namespace {

// Work that passes every kind of allocation point the hook covers: pool and
// heap blocks, a heap block that grows, tokens, both formatters, code-page
// conversions and an edit buffer.
ZvString Workload(const ZvString& input)
{
    ZvStringList tokens;
    input.Tokenize(L";", tokens);
    ZvString text;
    text.Format(L"%s|%d|%.2f|%400.1f", input.c_str(), static_cast<int>(tokens.size()), 3.5, 1.0);
    ZvString large(L'x', 900);
    large += text;
    ZvAString narrow(large.c_str(), ZvCodepageUtf8);
    ZvWString wide(&narrow);
    narrow.GetBuffer(4);
    narrow.ReleaseBuffer();
    ZvString message;
    message.FormatMessageW(L"%1 %2", L"a", L"b");
    return ZvString(wide.c_str()).Right(8) + message;
}

long BlocksInUse()
{
    ZvStringPoolStatistics stats{};
    ZvString::GetPoolStatistics(stats);
    long total = stats.heapBlocksInUse;
    for (int used : stats.blocksInUse)
        total += used;
    return total;
}

} // namespace

TEST(AllocationFailure, EveryPointOfTheWorkFailsCleanly)
{
    Fail::Scope scope;
    const ZvString input(L"alpha;beta;;gamma");
    const ZvString expected = Workload(input);
    Fail::CountOnly();
    Workload(input);
    const long points = Fail::Allocations();
    Fail::Reset();
    ASSERT_GE(points, 10);

    const long blocks = BlocksInUse();
    for (int n = 1; n <= points; ++n) {
        Fail::FailNth(n);
        EXPECT_THROW(Workload(input), std::bad_alloc) << "allocation " << n;
        EXPECT_EQ(1, Fail::Failures()) << "allocation " << n;
        Fail::Reset();
        EXPECT_EQ(blocks, BlocksInUse()) << "blocks left behind after allocation " << n << " failed";
        EXPECT_EQ(L"alpha;beta;;gamma", input);
    }
    Fail::FailNth(static_cast<int>(points) + 1);
    EXPECT_EQ(expected, Workload(input)) << "armed beyond the last point: nothing fails";
}

TEST(AllocationFailure, EveryUntilResetAndOnlyOnTheChosenThreads)
{
    Fail::Scope scope;
    Fail::FailEvery();
    EXPECT_THROW(ZvString(L"short"), std::bad_alloc);
    EXPECT_THROW(ZvString(L"short"), std::bad_alloc);
    EXPECT_EQ(2, Fail::Failures());
    Fail::Reset();
    EXPECT_EQ(L"short", ZvString(L"short"));

    // Only other threads fail: this one still allocates.
    Fail::FailEvery(Fail::Threads::Others);
    bool threw = false;
    zvtest::RunOnOtherThread([&] {
        try {
            ZvString(L"on a job thread");
        } catch (const std::bad_alloc&) {
            threw = true;
        }
    });
    EXPECT_TRUE(threw);
    EXPECT_EQ(L"here", ZvString(L"here"));

    Fail::FailNth(1, Fail::Threads::This);
    zvtest::RunOnOtherThread([] { ZvString(L"not counted"); });
    EXPECT_EQ(0, Fail::Allocations());
    EXPECT_THROW(ZvString(L"counted"), std::bad_alloc);
}
