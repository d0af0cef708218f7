// One DoAction call at a time in a process. The library holds process-wide
// state for a run (the cancel flag, the current configuration, the shared
// send flag), so a second call from another thread waits until the first has
// ended, while a call made from inside a running call (from the host's
// answer on the calling thread, or from one of the call's job threads) would
// wait for itself: it is refused at once.
#pragma once

class CActionScope {
public:
    // Enters the call, waiting for a call on another thread to end (serving
    // messages sent to this thread meanwhile). Refused on a thread that is
    // part of the running call.
    CActionScope();
    ~CActionScope();
    CActionScope(const CActionScope&) = delete;
    CActionScope& operator=(const CActionScope&) = delete;

    bool Entered() const { return m_entered; }

    // Marks the current thread as part of the running call for its lifetime
    // (the workflow's job threads).
    class CJobThread {
    public:
        CJobThread();
        ~CJobThread();
        CJobThread(const CJobThread&) = delete;
        CJobThread& operator=(const CJobThread&) = delete;

    private:
        void* m_previous;
    };

private:
    bool m_entered = false;
};
