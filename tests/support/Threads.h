// Threads for tests. A lambda cannot be a thread routine on x86 (the routine
// must be __stdcall), so tests start threads through these helpers.
#pragma once

#include <windows.h>

#include <functional>

namespace zvtest {

// Starts fn on a new thread; the caller waits for and closes the handle.
HANDLE StartThread(std::function<void()> fn);

// Runs fn on a new thread and waits for it to end.
void RunOnOtherThread(std::function<void()> fn);

} // namespace zvtest
