// ZvCriticalSection and ZvCriticalSectionLock, linked from the DLL as a host
// would use them. "Held" is observed with TryLock from a second thread, since
// a critical section is re-entrant for its owner.
#include "ZvOSAL/ZvCriticalSection.h"
#include "support/Threads.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <type_traits>

using ZvOSAL::ZvCriticalSection;
using ZvOSAL::ZvCriticalSectionLock;

namespace {

// Whether another thread finds the section free (and leaves it free).
bool FreeForOthers(ZvCriticalSection& section)
{
    int entered = -1;
    zvtest::RunOnOtherThread([&] {
        entered = section.TryLock();
        if (entered)
            section.Unlock();
    });
    return entered != 0;
}

} // namespace

TEST(CriticalSection, ALockLeavesOnlyWhatItEntered)
{
    static_assert(!std::is_copy_constructible<ZvCriticalSection>::value, "a single owner");
    ZvCriticalSection section;
    {
        ZvCriticalSectionLock notNow(section, 0);
        notNow.Unlock(); // not held: nothing to leave
        EXPECT_TRUE(FreeForOthers(section));
        ZvCriticalSectionLock now(section, 1);
        now.Lock(); // already held: no second entry
        EXPECT_FALSE(FreeForOthers(section));
    }
    EXPECT_TRUE(FreeForOthers(section));

    section.Lock(); // an outer hold that must survive the lock object
    {
        ZvCriticalSectionLock lock(section, 1);
        lock.Unlock();
        EXPECT_EQ(0, lock.IsLocked());
        ZvCriticalSectionLock nested(section, 0);
        EXPECT_NE(0, nested.TryLock());
        EXPECT_NE(0, nested.TryLock()) << "held: returns the flag, enters no second time";
    }
    EXPECT_FALSE(FreeForOthers(section)) << "leaving twice would have released the outer hold";
    section.Unlock();
    EXPECT_TRUE(FreeForOthers(section));
}

TEST(CriticalSection, GuardsASharedCounterAcrossThreads)
{
    ZvCriticalSection section;
    volatile long counter = 0;
    HANDLE threads[4];
    for (HANDLE& thread : threads) {
        thread = zvtest::StartThread([&] {
            for (int i = 0; i < 20000; ++i) {
                ZvCriticalSectionLock lock(section, 1);
                const long value = counter; // a read-modify-write that only the lock makes safe
                counter = value + 1;
            }
        });
    }
    WaitForMultipleObjects(4, threads, TRUE, INFINITE);
    for (HANDLE thread : threads)
        CloseHandle(thread);
    EXPECT_EQ(4 * 20000, counter);
}
