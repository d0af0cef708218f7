// KernelHandle: owns one kernel object handle (event, thread, file, ...) and
// closes it when it goes. Null and INVALID_HANDLE_VALUE both mean "none", so
// the results of CreateEvent and CreateFile can be stored alike. Internal to
// the library.
#pragma once

#include <windows.h>

#include <utility>

namespace ZvOSAL {

class KernelHandle {
public:
    KernelHandle() = default;
    explicit KernelHandle(HANDLE handle) : m_handle(handle) {}
    ~KernelHandle() { Reset(); }
    KernelHandle(KernelHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    KernelHandle& operator=(KernelHandle&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.m_handle, nullptr));
        return *this;
    }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;

    HANDLE Get() const { return IsValid() ? m_handle : nullptr; }
    bool IsValid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return IsValid(); }

    // Closes the handle held (if any) and takes handle.
    void Reset(HANDLE handle = nullptr)
    {
        if (IsValid())
            CloseHandle(m_handle);
        m_handle = handle;
    }

private:
    HANDLE m_handle = nullptr;
};

} // namespace ZvOSAL
