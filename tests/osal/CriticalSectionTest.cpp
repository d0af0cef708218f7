// ZvCriticalSection and ZvCriticalSectionLock, linked from the DLL as a host
// would use them. "Held by another thread" is observed with TryLock from a
// second thread, since a critical section is re-entrant for its owner.
#include "ZvOSAL/ZvCriticalSection.h"
#include "support/Threads.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <type_traits>

using ZvOSAL::ZvCriticalSection;
using ZvOSAL::ZvCriticalSectionLock;

namespace {

int OnOtherThread(const std::function<int()>& fn)
{
    int result = -1;
    zvtest::RunOnOtherThread([&] { result = fn(); });
    return result;
}

// Whether another thread finds the section free (and leaves it free).
bool FreeForOthers(ZvCriticalSection& section)
{
    return OnOtherThread([&] {
        int entered = section.TryLock();
        if (entered)
            section.Unlock();
        return entered;
    }) != 0;
}

} // namespace

TEST(CriticalSection, SingleOwnerCannotBeCopied)
{
    EXPECT_FALSE(std::is_copy_constructible<ZvCriticalSection>::value);
    EXPECT_FALSE(std::is_copy_assignable<ZvCriticalSection>::value);
    EXPECT_FALSE(std::is_copy_constructible<ZvCriticalSectionLock>::value);
}

TEST(CriticalSection, LockExcludesOtherThreadsAndIsReentrantForTheOwner)
{
    ZvCriticalSection section;
    EXPECT_TRUE(FreeForOthers(section));
    section.Lock();
    EXPECT_FALSE(FreeForOthers(section));
    EXPECT_NE(0, section.TryLock()); // re-entrant
    section.Unlock();
    EXPECT_FALSE(FreeForOthers(section)); // still held once
    section.Unlock();
    EXPECT_TRUE(FreeForOthers(section));
}

TEST(CriticalSectionLock, NotLockedNowNeverTouchesTheSection)
{
    ZvCriticalSection section;
    {
        ZvCriticalSectionLock lock(section, 0);
        EXPECT_EQ(0, lock.IsLocked());
        EXPECT_TRUE(FreeForOthers(section));
        lock.Unlock(); // not held: nothing to leave
        EXPECT_EQ(0, lock.IsLocked());
    }
    EXPECT_TRUE(FreeForOthers(section));
}

TEST(CriticalSectionLock, LockNowHoldsUntilDestroyed)
{
    ZvCriticalSection section;
    {
        ZvCriticalSectionLock lock(section, 1);
        EXPECT_NE(0, lock.IsLocked());
        EXPECT_FALSE(FreeForOthers(section));
        lock.Lock(); // already held: must not enter a second time
    }
    EXPECT_TRUE(FreeForOthers(section));
}

TEST(CriticalSectionLock, UnlockThenDestructorLeavesExactlyOnce)
{
    ZvCriticalSection section;
    section.Lock(); // an outer hold that must survive the lock object
    {
        ZvCriticalSectionLock lock(section, 1);
        lock.Unlock();
        EXPECT_EQ(0, lock.IsLocked());
    }
    // Leaving twice would have released the outer hold as well.
    EXPECT_FALSE(FreeForOthers(section));
    section.Unlock();
    EXPECT_TRUE(FreeForOthers(section));
}

TEST(CriticalSectionLock, TryLockOnASectionHeldElsewhereFailsAndDestructorDoesNothing)
{
    ZvCriticalSection section;
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE owner = zvtest::StartThread([&] {
        ZvCriticalSectionLock lock(section, 1);
        SetEvent(held);
        WaitForSingleObject(release, INFINITE);
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held, 10000));
    {
        ZvCriticalSectionLock lock(section, 0);
        EXPECT_EQ(0, lock.TryLock());
        EXPECT_EQ(0, lock.IsLocked());
    } // must not leave a section it does not hold
    SetEvent(release);
    WaitForSingleObject(owner, INFINITE);
    CloseHandle(owner);
    CloseHandle(held);
    CloseHandle(release);

    ZvCriticalSectionLock lock(section, 0);
    EXPECT_NE(0, lock.TryLock());
    EXPECT_NE(0, lock.TryLock()); // held: returns the flag, enters no second time
    lock.Unlock();
    EXPECT_TRUE(FreeForOthers(section));
}

TEST(CriticalSectionLock, NestedLocksInOneThreadBothSucceed)
{
    ZvCriticalSection section;
    {
        ZvCriticalSectionLock outer(section, 1);
        ZvCriticalSectionLock inner(section, 0);
        EXPECT_NE(0, inner.TryLock());
        EXPECT_NE(0, outer.IsLocked());
        EXPECT_FALSE(FreeForOthers(section));
    }
    EXPECT_TRUE(FreeForOthers(section));
}

TEST(CriticalSection, GuardsASharedCounterAcrossThreads)
{
    ZvCriticalSection section;
    volatile long counter = 0;
    const int threads = 4, rounds = 20000;
    HANDLE handles[threads];
    for (HANDLE& h : handles) {
        h = zvtest::StartThread([&] {
            for (int i = 0; i < rounds; ++i) {
                ZvCriticalSectionLock lock(section, 1);
                long v = counter; // non-atomic read-modify-write under the lock
                counter = v + 1;
            }
        });
    }
    WaitForMultipleObjects(threads, handles, TRUE, INFINITE);
    for (HANDLE h : handles)
        CloseHandle(h);
    EXPECT_EQ(threads * rounds, counter);
}
