// Owning wrappers for the handles of the network code: every internet handle
// and every kernel handle (file, event, thread) is closed by exactly one of
// these, on every way out.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <utility>

// A WinINet handle (session, connection or request).
class CInternetHandle {
public:
    explicit CInternetHandle(HINTERNET handle = nullptr) : m_handle(handle) {}
    ~CInternetHandle() { Close(); }
    CInternetHandle(CInternetHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    CInternetHandle& operator=(CInternetHandle&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }
    CInternetHandle(const CInternetHandle&) = delete;
    CInternetHandle& operator=(const CInternetHandle&) = delete;

    void Close()
    {
        if (m_handle)
            InternetCloseHandle(m_handle);
        m_handle = nullptr;
    }
    void Reset(HINTERNET handle)
    {
        Close();
        m_handle = handle;
    }
    HINTERNET Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    HINTERNET m_handle;
};

// A kernel handle. Both null and INVALID_HANDLE_VALUE mean "none", so one
// wrapper serves CreateFileW (which fails with INVALID_HANDLE_VALUE) and
// CreateEventW / CreateThread (which fail with null).
class CKernelHandle {
public:
    explicit CKernelHandle(HANDLE handle = nullptr) : m_handle(Normal(handle)) {}
    ~CKernelHandle() { Close(); }
    CKernelHandle(CKernelHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    CKernelHandle& operator=(CKernelHandle&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_handle = std::exchange(other.m_handle, nullptr);
        }
        return *this;
    }
    CKernelHandle(const CKernelHandle&) = delete;
    CKernelHandle& operator=(const CKernelHandle&) = delete;

    void Close()
    {
        if (m_handle)
            CloseHandle(m_handle);
        m_handle = nullptr;
    }
    void Reset(HANDLE handle)
    {
        Close();
        m_handle = Normal(handle);
    }
    HANDLE Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    static HANDLE Normal(HANDLE handle) { return handle == INVALID_HANDLE_VALUE ? nullptr : handle; }

    HANDLE m_handle;
};
