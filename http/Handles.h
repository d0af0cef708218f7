// Owning wrappers for the handles of the network code: every internet handle
// is closed by exactly one CInternetHandle, and every kernel handle (file,
// event, thread) by one ZvOSAL::KernelHandle, on every way out.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "osal/KernelHandle.h"

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
