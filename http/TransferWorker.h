// The transfer client's worker thread; included by ZorvaHttpTransfer.cpp only.
#pragma once

#include "http/ZorvaHttpTransfer.h"

#include <windows.h>

#include <new>

// The thread that makes the blocking WinINet calls of one request: it sends
// the request and then reads the body ahead into a ring of slots that the
// calling thread empties. It owns every internet handle of the request and
// is the only one to close them (a close on another thread could drain an
// endless answer there), except that the calling thread, when it drops the
// request, closes the request handle while a call is in flight: the
// documented way to abort it. The object is shared by the two threads; the
// last one to let go frees it. The threads meet under a slim lock with
// condition variables, which cost no trip to the kernel while neither waits.
class CZorvaHttpTransfer::CWorker {
public:
    struct Target {
        wchar_t host[kComponentLength];
        wchar_t user[kComponentLength];
        wchar_t object[2 * kComponentLength];
        INTERNET_PORT port;
        DWORD flags;
    };
    enum class ENext { Block, End, Error, Waiting };

    // Null when no thread (or no memory) is to be had.
    static CWorker* Start(unsigned stallSeconds)
    {
        CWorker* worker = new (std::nothrow) CWorker();
        if (!worker)
            return nullptr;
        if (!worker->m_buffers || !worker->m_session.Open(L"ZorvaHttpClient", stallSeconds)) {
            delete worker;
            return nullptr;
        }
        // The thread keeps the library loaded: after a dropped request it may
        // outlive the call that started it.
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ThreadMain),
                           &worker->m_module);
        worker->m_thread.Reset(CreateThread(nullptr, 0, &ThreadMain, worker, 0, nullptr));
        if (!worker->m_thread) {
            if (worker->m_module)
                FreeLibrary(worker->m_module);
            delete worker;
            return nullptr;
        }
        return worker;
    }

    void Send(const Target& target)
    {
        Lock lock(m_lock);
        m_target = target;
        m_sent = false;
        m_command = Command::Send;
        WakeConditionVariable(&m_toWorker);
    }
    // True once the request was sent (Succeeded, Error tell how); false when
    // ms passed first.
    bool WaitSent(DWORD ms)
    {
        Lock lock(m_lock);
        if (!m_sent)
            SleepConditionVariableSRW(&m_toCaller, &m_lock, ms, 0);
        return m_sent;
    }
    bool Succeeded() const { return m_ok; }
    DWORD Error() const { return m_error; }
    // The request handle, for header queries while the worker is idle.
    HINTERNET Request() const { return m_request.Get(); }

    // From now on the worker reads the body ahead.
    void Stream()
    {
        Lock lock(m_lock);
        m_streaming = true;
        WakeConditionVariable(&m_toWorker);
    }
    // The next block of the body, waiting up to ms for it. The block stays
    // the caller's until Consumed.
    ENext Next(DWORD ms, const BYTE*& block, DWORD& length)
    {
        Lock lock(m_lock);
        if (m_filled == 0 && !m_ended)
            SleepConditionVariableSRW(&m_toCaller, &m_lock, ms, 0);
        if (m_filled > 0) {
            block = m_buffers + m_first * kSlotSize + m_offset;
            length = m_lengths[m_first] - m_offset;
            if (length > kBlockSize)
                length = kBlockSize;
            m_handed = length;
            return ENext::Block;
        }
        if (!m_ended)
            return ENext::Waiting;
        return m_ok ? ENext::End : ENext::Error;
    }
    void Consumed()
    {
        Lock lock(m_lock);
        m_offset += m_handed;
        if (m_offset < m_lengths[m_first])
            return;
        m_offset = 0;
        m_first = (m_first + 1) % kRing;
        --m_filled;
        WakeConditionVariable(&m_toWorker);
    }

    // The request is done: the worker closes its handles and ends. Waits a
    // moment for that, so that a finished client leaves nothing open.
    void Finish()
    {
        {
            Lock lock(m_lock);
            m_command = Command::Quit;
            WakeConditionVariable(&m_toWorker);
        }
        WaitForSingleObject(m_thread.Get(), 2000);
        Release();
    }

    // The request is dropped: a call in flight is aborted, the worker ends
    // without another one, and the calling thread does not wait for it.
    void Abandon()
    {
        {
            Lock lock(m_lock);
            m_abandoned = true;
            if (m_inCall)
                m_request.Close();
            WakeConditionVariable(&m_toWorker);
        }
        Release();
    }

private:
    enum class Command { None, Send, Quit };
    // The caller gets the body in blocks of 64 KiB (each one a progress
    // report and a cancel question, as hosts know them), but on a fast line
    // the worker reads up to four at a time: under Wine each read is a trip
    // to the server, and the larger reads double the download speed.
    static const DWORD kBlockSize = 65536;
    static const DWORD kSlotSize = 4 * kBlockSize;
    static const DWORD kRing = 4;
    static const DWORD kFastReadMs = 20;
    static const DWORD kSlowReadMs = 100;

    class Lock {
    public:
        explicit Lock(SRWLOCK& lock) : m_lock(lock) { AcquireSRWLockExclusive(&m_lock); }
        ~Lock() { ReleaseSRWLockExclusive(&m_lock); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        SRWLOCK& m_lock;
    };

    CWorker() : m_buffers(new (std::nothrow) BYTE[kRing * kSlotSize]) {}
    ~CWorker() { delete[] m_buffers; }

    void Release()
    {
        if (InterlockedDecrement(&m_refs) == 0)
            delete this;
    }

    static DWORD WINAPI ThreadMain(LPVOID parameter)
    {
        CWorker* worker = static_cast<CWorker*>(parameter);
        HMODULE module = worker->m_module;
        worker->Run();
        worker->Release();
        if (module)
            FreeLibraryAndExitThread(module, 0);
        return 0;
    }

    bool HasWork() const
    {
        return m_abandoned || m_command != Command::None || (m_streaming && !m_ended && m_filled < kRing);
    }

    // A read returns only when it is full, so a large one on a slow line
    // would hold back what arrived (progress, and the caller's bound on a
    // stall): reads grow only after two that completed at once, and fall
    // back to one block as soon as one waits.
    void AdaptReadSize(DWORD length, DWORD elapsedMs)
    {
        const bool fast = length == m_readSize && elapsedMs <= kFastReadMs;
        if (fast && m_lastReadFast)
            m_readSize = m_readSize * 2 <= kSlotSize ? m_readSize * 2 : kSlotSize;
        else if (elapsedMs > kSlowReadMs)
            m_readSize = kBlockSize;
        m_lastReadFast = fast;
    }

    void Run()
    {
        Lock lock(m_lock);
        for (;;) {
            while (!HasWork())
                SleepConditionVariableSRW(&m_toWorker, &m_lock, INFINITE, 0);
            if (m_abandoned || m_command == Command::Quit)
                break;
            m_inCall = true;
            if (m_command == Command::Send) {
                m_command = Command::None;
                ReleaseSRWLockExclusive(&m_lock);
                const bool ok = SendNow();
                const DWORD error = ok ? 0 : GetLastError();
                AcquireSRWLockExclusive(&m_lock);
                m_ok = ok;
                m_error = error;
                m_sent = true;
            } else {
                const DWORD slot = (m_first + m_filled) % kRing;
                HINTERNET request = m_request.Get();
                ReleaseSRWLockExclusive(&m_lock);
                DWORD length = 0;
                const DWORD started = GetTickCount();
                const bool ok = InternetReadFile(request, m_buffers + slot * kSlotSize, m_readSize, &length) != FALSE;
                const DWORD error = ok ? 0 : GetLastError();
                AdaptReadSize(length, GetTickCount() - started);
                AcquireSRWLockExclusive(&m_lock);
                if (!ok || length == 0) {
                    m_ok = ok;
                    m_error = error;
                    m_ended = true;
                } else {
                    m_lengths[slot] = length;
                    ++m_filled;
                }
            }
            m_inCall = false;
            WakeConditionVariable(&m_toCaller);
        }
        m_request.Close();
        m_connection.Close();
        m_session.Close();
    }

    // Runs without the lock (the caller only closes the request while a call
    // is in flight, under the lock).
    bool SendNow()
    {
        {
            // The answer of an earlier hop (a redirect) is done with.
            Lock lock(m_lock);
            m_request.Close();
        }
        m_connection = m_session.Connect(m_target.host, m_target.port, m_target.user);
        const wchar_t* acceptTypes[] = {L"*/*", nullptr};
        HINTERNET request = HttpOpenRequestW(m_connection.Get(), nullptr, m_target.object, nullptr, nullptr,
                                             acceptTypes, m_target.flags, 0);
        {
            Lock lock(m_lock);
            m_request.Reset(request);
            if (m_abandoned || !request)
                return false;
        }
        m_session.BoundWaits(request);
        return HttpSendRequestW(request, nullptr, 0, nullptr, 0) == TRUE;
    }

    volatile LONG m_refs = 2; // the calling thread and the worker thread
    BYTE* m_buffers;
    ZvOSAL::KernelHandle m_thread;
    HMODULE m_module = nullptr;
    SRWLOCK m_lock = SRWLOCK_INIT; // guards everything below
    CONDITION_VARIABLE m_toWorker = CONDITION_VARIABLE_INIT;
    CONDITION_VARIABLE m_toCaller = CONDITION_VARIABLE_INIT;
    Command m_command = Command::None;
    bool m_inCall = false;
    bool m_abandoned = false;
    bool m_sent = false;
    bool m_streaming = false;
    bool m_ended = false;
    bool m_ok = false;
    DWORD m_error = 0;
    DWORD m_first = 0;  // the oldest filled slot of the ring
    DWORD m_filled = 0; // filled slots, the caller's current one included
    DWORD m_offset = 0; // of the caller's next block in the oldest slot
    DWORD m_handed = 0; // the length of the block the caller holds
    DWORD m_lengths[kRing] = {};
    DWORD m_readSize = kBlockSize; // the worker's alone, as is the next
    bool m_lastReadFast = false;

    CHttpSession m_session;
    CInternetHandle m_connection;
    CInternetHandle m_request;
    Target m_target = {};
};
