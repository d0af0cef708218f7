// Singleton<T>: one process-wide T, created on first access and handed out
// as counted shared references, released explicitly by its owner so that the
// next access starts afresh.
//
// Access is safe from any thread. Release must not race with Access: the
// workflow releases only after every job that might read the object has
// ended. A reference still held after Release keeps its object alive; the
// next Access creates a new one.
#pragma once

#include <windows.h>

#include <utility>

template <class T>
class Singleton {
public:
    // A counted reference: object pointer plus a shared, atomically counted
    // reference count. Copies share the count; the last one deletes the object.
    class Ref {
    public:
        Ref() = default;
        Ref(const Ref& other) : m_object(other.m_object), m_count(other.m_count)
        {
            if (m_count)
                InterlockedIncrement(m_count);
        }
        Ref(Ref&& other) noexcept
            : m_object(std::exchange(other.m_object, nullptr)), m_count(std::exchange(other.m_count, nullptr))
        {
        }
        Ref& operator=(Ref other) noexcept
        {
            std::swap(m_object, other.m_object);
            std::swap(m_count, other.m_count);
            return *this;
        }
        ~Ref() { Reset(); }

        void Reset()
        {
            if (m_count && InterlockedDecrement(m_count) == 0) {
                delete m_object;
                delete m_count;
            }
            m_object = nullptr;
            m_count = nullptr;
        }

        T* Get() const { return m_object; }
        T* operator->() const { return m_object; }
        T& operator*() const { return *m_object; }
        explicit operator bool() const { return m_object != nullptr; }
        // Number of references to the object (for diagnostics and tests).
        LONG UseCount() const { return m_count ? *m_count : 0; }

    private:
        friend class Singleton;
        Ref(T* object, LONG* count) : m_object(object), m_count(count) {}

        T* m_object = nullptr;
        volatile LONG* m_count = nullptr;
    };

    // Hands out a new reference to the process-wide object, creating it (and
    // the lock that guards its creation) on first use.
    static Ref Access()
    {
        CRITICAL_SECTION* lock = Lock();
        EnterCriticalSection(lock);
        if (!s_holder) {
            // The holder's own reference keeps the object until Release.
            auto* count = new LONG(1);
            s_holder = new Ref(new T(), count);
        }
        Ref result(*s_holder);
        LeaveCriticalSection(lock);
        return result;
    }

    // Takes the object away: drops the holder's reference, frees the holder,
    // and destroys the lock. Does nothing when nothing was created.
    static void Release()
    {
        CRITICAL_SECTION* lock = LoadLock();
        if (!lock)
            return;
        EnterCriticalSection(lock);
        Ref* holder = s_holder;
        s_holder = nullptr;
        delete holder; // drops the holder's reference
        InterlockedExchangePointer(LockSlot(), nullptr);
        LeaveCriticalSection(lock);
        DeleteCriticalSection(lock);
        delete lock;
    }

    // True while an object exists (for diagnostics and tests).
    static bool Exists()
    {
        CRITICAL_SECTION* lock = LoadLock();
        if (!lock)
            return false;
        EnterCriticalSection(lock);
        bool exists = s_holder != nullptr;
        LeaveCriticalSection(lock);
        return exists;
    }

private:
    static PVOID volatile* LockSlot() { return reinterpret_cast<PVOID volatile*>(&s_lock); }
    static CRITICAL_SECTION* LoadLock()
    {
        return static_cast<CRITICAL_SECTION*>(InterlockedCompareExchangePointer(LockSlot(), nullptr, nullptr));
    }

    // The lock is published with a compare-and-exchange: a thread that loses
    // the race destroys its own lock and uses the winner's.
    static CRITICAL_SECTION* Lock()
    {
        CRITICAL_SECTION* current = LoadLock();
        if (current)
            return current;
        auto* created = new CRITICAL_SECTION;
        InitializeCriticalSectionAndSpinCount(created, 0);
        current = static_cast<CRITICAL_SECTION*>(InterlockedCompareExchangePointer(LockSlot(), created, nullptr));
        if (!current)
            return created;
        DeleteCriticalSection(created);
        delete created;
        return current;
    }

    static CRITICAL_SECTION* volatile s_lock;
    static Ref* s_holder; // guarded by s_lock
};

template <class T>
CRITICAL_SECTION* volatile Singleton<T>::s_lock = nullptr;
template <class T>
typename Singleton<T>::Ref* Singleton<T>::s_holder = nullptr;
