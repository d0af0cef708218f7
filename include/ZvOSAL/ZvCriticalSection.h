// ZvCriticalSection: the owner of one system critical section (recursive for
// the owning thread). ZvCriticalSectionLock: a scoped lock that remembers
// whether it holds the section, so it never enters twice nor leaves a section
// it does not hold.
#pragma once

#include "ZvExport.h"

struct _RTL_CRITICAL_SECTION;

namespace ZvOSAL {

class ZVOSAL_API ZvCriticalSection {
public:
    ZvCriticalSection();
    ~ZvCriticalSection();

    // One owner per system section: copying would delete it twice.
    ZvCriticalSection(const ZvCriticalSection&) = delete;
    ZvCriticalSection& operator=(const ZvCriticalSection&) = delete;

    void Lock();
    void Unlock();
    // Non-zero when the section was entered.
    int TryLock();

    // Debugging aids; they check nothing in this library.
    void AssertLockedByThisThread() const {}
    void AssertNotLockedByThisThread() const {}

private:
    _RTL_CRITICAL_SECTION* m_section;
};

class ZVOSAL_API ZvCriticalSectionLock {
public:
    // lockNow != 0 enters the section at once.
    ZvCriticalSectionLock(ZvCriticalSection& section, int lockNow);
    ~ZvCriticalSectionLock();

    ZvCriticalSectionLock(const ZvCriticalSectionLock&) = delete;
    ZvCriticalSectionLock& operator=(const ZvCriticalSectionLock&) = delete;

    void Lock();
    void Unlock();
    // Returns the held flag: non-zero when this lock now holds the section.
    int TryLock();
    int IsLocked() const { return m_locked; }

private:
    ZvCriticalSection& m_section;
    int m_locked;
};

} // namespace ZvOSAL
