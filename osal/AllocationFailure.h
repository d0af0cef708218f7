// Allocation failure on purpose, for tests. Internal to the library: not in
// the public headers and not exported from the DLL; tests that use it link the
// library's objects (zv_static).
//
// The string classes throw std::bad_alloc when an allocation fails. To prove
// that such a failure never leaves the DLL (DoAction, job threads, window
// procedures), a test makes chosen allocations fail:
//
//     ZvOSAL::AllocationFailure::Scope failing;              // Reset at the end
//     ZvOSAL::AllocationFailure::FailNth(3);                  // the 3rd from now
//     int result = DoAction(&host, 3);
//     EXPECT_EQ(1, ZvOSAL::AllocationFailure::Failures());    // one was made to fail
//
// Every allocation the string classes make passes one check: the string
// pools (every block, from a pool or from the heap, and the growth of a heap
// block), the code-page conversions and edit buffers of ZvAString and
// ZvWString, the nodes of ZvStringList that Tokenize appends, the scratch
// buffer of Format's size pass and the system buffer of FormatMessage. While
// the hook is off a check is one load of a global.
//
// Any thread may arm, reset and read the hook; allocations on every thread
// (or, with Threads::This / Threads::Others, only on the arming thread or only
// on the other threads, such as job threads) are counted and failed.
#pragma once

namespace ZvOSAL {
namespace AllocationFailure {

// Which threads' allocations the hook counts and fails, relative to the
// thread that arms it.
enum class Threads { Any, This, Others };

// The nth allocation from now fails (1: the next one), once; later ones
// succeed. n < 1 arms nothing (counting only).
void FailNth(int n, Threads threads = Threads::Any);
// Every allocation fails until Reset.
void FailEvery(Threads threads = Threads::Any);
// Counts allocations without failing any (to learn how many points an
// operation passes, then fail each of them in turn).
void CountOnly(Threads threads = Threads::Any);
// Off: allocations succeed and are not counted. The counters keep their values
// until the next arming call.
void Reset();

// Allocations counted since the last arming call (the failed ones included).
long Allocations();
// Allocations made to fail since the last arming call.
long Failures();

// Resets the hook when it goes out of scope, so a failing test leaves it off.
class Scope {
public:
    Scope() = default;
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    ~Scope() { Reset(); }
};

// Called by the library before each allocation it covers: throws
// std::bad_alloc when this allocation is to fail.
void Check();

} // namespace AllocationFailure
} // namespace ZvOSAL
