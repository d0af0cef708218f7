// Layout facts that hosts built by other compilers rely on. Checked at compile
// time so that the x86 build proves them even where x86 programs cannot run.
#include "ZvAutoUpdate.h"
#include "ZvOSAL/ZvCriticalSection.h"

static_assert(sizeof(bool) == 1, "bool crosses the host interface as one byte");
static_assert(sizeof(long long) == 8, "sizes cross the host interface as 64-bit integers");
static_assert(sizeof(int) == 4, "actions and result codes are 32-bit");
static_assert(sizeof(wchar_t) == 2, "texts are UTF-16");
static_assert(sizeof(ZvAutoUpdate::CUpdateConfiguration2) == sizeof(void*),
              "the configuration interface holds only its virtual-table pointer");
static_assert(sizeof(ZvOSAL::ZvCriticalSection) == sizeof(void*),
              "ZvCriticalSection holds one pointer to the system section");
static_assert(sizeof(ZvOSAL::ZvCriticalSectionLock) == 2 * sizeof(void*),
              "ZvCriticalSectionLock: section reference, then the 32-bit flag");
#if defined(__i386__)
static_assert(sizeof(void*) == 4, "x86 build");
static_assert(sizeof(ZvOSAL::ZvCriticalSectionLock) == 8, "x86 lock layout");
#endif
