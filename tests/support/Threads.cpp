#include "support/Threads.h"

namespace zvtest {

namespace {
DWORD WINAPI ThreadMain(LPVOID parameter)
{
    auto* fn = static_cast<std::function<void()>*>(parameter);
    (*fn)();
    delete fn;
    return 0;
}
} // namespace

HANDLE StartThread(std::function<void()> fn)
{
    auto* owned = new std::function<void()>(std::move(fn));
    HANDLE thread = CreateThread(nullptr, 0, ThreadMain, owned, 0, nullptr);
    if (!thread)
        delete owned;
    return thread;
}

void RunOnOtherThread(std::function<void()> fn)
{
    HANDLE thread = StartThread(std::move(fn));
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
}

} // namespace zvtest
