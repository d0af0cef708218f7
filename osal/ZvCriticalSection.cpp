#include "ZvOSAL/ZvCriticalSection.h"

#include <windows.h>

namespace ZvOSAL {

ZvCriticalSection::ZvCriticalSection()
    : m_section(new CRITICAL_SECTION)
{
    InitializeCriticalSection(m_section);
}

ZvCriticalSection::~ZvCriticalSection()
{
    DeleteCriticalSection(m_section);
    delete m_section;
}

void ZvCriticalSection::Lock() { EnterCriticalSection(m_section); }
void ZvCriticalSection::Unlock() { LeaveCriticalSection(m_section); }
int ZvCriticalSection::TryLock() { return TryEnterCriticalSection(m_section) ? 1 : 0; }

ZvCriticalSectionLock::ZvCriticalSectionLock(ZvCriticalSection& section, int lockNow)
    : m_section(section), m_locked(lockNow)
{
    if (lockNow)
        m_section.Lock();
}

ZvCriticalSectionLock::~ZvCriticalSectionLock()
{
    if (m_locked) {
        m_section.Unlock();
        m_locked = 0;
    }
}

void ZvCriticalSectionLock::Lock()
{
    if (!m_locked) {
        m_section.Lock();
        m_locked = 1;
    }
}

void ZvCriticalSectionLock::Unlock()
{
    if (m_locked) {
        m_section.Unlock();
        m_locked = 0;
    }
}

int ZvCriticalSectionLock::TryLock()
{
    if (m_locked)
        return m_locked;
    m_locked = m_section.TryLock();
    return m_locked;
}

} // namespace ZvOSAL
