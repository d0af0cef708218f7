#include "update/ActionScope.h"

#include "http/Handles.h"

#include <windows.h>

namespace {

// Set on every thread that is part of the running call.
DWORD ThreadSlot()
{
    static const DWORD slot = TlsAlloc();
    return slot;
}

bool IsPartOfTheCall()
{
    return ThreadSlot() != TLS_OUT_OF_INDEXES && TlsGetValue(ThreadSlot()) != nullptr;
}

// Signalled while no call runs (auto-reset: one waiter enters at a time).
HANDLE NoCallRunning()
{
    static const ZvOSAL::KernelHandle event(CreateEventW(nullptr, FALSE, TRUE, nullptr));
    return event.Get();
}

} // namespace

CActionScope::CActionScope()
{
    if (IsPartOfTheCall())
        return;
    HANDLE free = NoCallRunning();
    // Without the system's objects there is nothing to wait on: the call
    // runs unguarded rather than not at all.
    if (free) {
        // Serve messages sent to this thread while waiting: the running call
        // may send to a window of this thread (its dialogs' owner).
        while (MsgWaitForMultipleObjects(1, &free, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    if (ThreadSlot() != TLS_OUT_OF_INDEXES)
        TlsSetValue(ThreadSlot(), reinterpret_cast<void*>(1));
    m_entered = true;
}

CActionScope::~CActionScope()
{
    if (!m_entered)
        return;
    if (ThreadSlot() != TLS_OUT_OF_INDEXES)
        TlsSetValue(ThreadSlot(), nullptr);
    if (HANDLE free = NoCallRunning())
        SetEvent(free);
}

CActionScope::CJobThread::CJobThread()
    : m_previous(ThreadSlot() != TLS_OUT_OF_INDEXES ? TlsGetValue(ThreadSlot()) : nullptr)
{
    if (ThreadSlot() != TLS_OUT_OF_INDEXES)
        TlsSetValue(ThreadSlot(), reinterpret_cast<void*>(1));
}

CActionScope::CJobThread::~CJobThread()
{
    if (ThreadSlot() != TLS_OUT_OF_INDEXES)
        TlsSetValue(ThreadSlot(), m_previous);
}
