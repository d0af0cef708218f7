#include "osal/AllocationFailure.h"

#include <windows.h>

#include <new>

namespace ZvOSAL {
namespace AllocationFailure {

namespace {

enum Mode : LONG { ModeOff, ModeCount, ModeNth, ModeEvery };

// The mode is written last when arming and first when resetting, so a thread
// that sees it armed also sees the settings that go with it.
volatile LONG g_mode = ModeOff;
volatile LONG g_countdown = 0;
volatile LONG g_threads = static_cast<LONG>(Threads::Any);
volatile DWORD g_armingThread = 0;
volatile LONG g_allocations = 0;
volatile LONG g_failures = 0;

void Arm(Mode mode, LONG countdown, Threads threads)
{
    InterlockedExchange(&g_mode, ModeOff);
    g_countdown = countdown;
    g_threads = static_cast<LONG>(threads);
    g_armingThread = GetCurrentThreadId();
    InterlockedExchange(&g_allocations, 0);
    InterlockedExchange(&g_failures, 0);
    InterlockedExchange(&g_mode, mode);
}

bool Applies()
{
    switch (static_cast<Threads>(g_threads)) {
    case Threads::This: return GetCurrentThreadId() == g_armingThread;
    case Threads::Others: return GetCurrentThreadId() != g_armingThread;
    default: return true;
    }
}

} // namespace

void FailNth(int n, Threads threads) { Arm(n >= 1 ? ModeNth : ModeCount, n, threads); }
void FailEvery(Threads threads) { Arm(ModeEvery, 0, threads); }
void CountOnly(Threads threads) { Arm(ModeCount, 0, threads); }
void Reset() { InterlockedExchange(&g_mode, ModeOff); }

long Allocations() { return InterlockedCompareExchange(&g_allocations, 0, 0); }
long Failures() { return InterlockedCompareExchange(&g_failures, 0, 0); }

void Check()
{
    const LONG mode = g_mode;
    if (mode == ModeOff || !Applies())
        return;
    InterlockedIncrement(&g_allocations);
    // Only the one allocation that brings the countdown to 0 fails.
    const bool fail = mode == ModeEvery || (mode == ModeNth && InterlockedDecrement(&g_countdown) == 0);
    if (!fail)
        return;
    InterlockedIncrement(&g_failures);
    throw std::bad_alloc();
}

} // namespace AllocationFailure
} // namespace ZvOSAL
