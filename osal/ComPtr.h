// ComPtr<T>: owns one reference to a COM object and releases it when it
// goes. Internal to the library.
//
//     ComPtr<IOleObject> object;
//     CoCreateInstance(..., IID_IOleObject, object.OutVoid());
//     ComPtr<IOleInPlaceObject> inPlace = object.As<IOleInPlaceObject>(IID_IOleInPlaceObject);
#pragma once

#include <unknwn.h>

#include <utility>

namespace ZvOSAL {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller owns (no AddRef).
    explicit ComPtr(T* owned) : m_pointer(owned) {}
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr& other) : m_pointer(other.m_pointer)
    {
        if (m_pointer)
            m_pointer->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(m_pointer, other.m_pointer);
        return *this;
    }

    T* Get() const { return m_pointer; }
    T* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }

    // Releases the reference held (if any) and takes over owned.
    void Reset(T* owned = nullptr)
    {
        T* old = std::exchange(m_pointer, owned);
        if (old)
            old->Release();
    }
    // For functions that hand out a new reference: releases the one held
    // and returns the slot to fill.
    T** Out()
    {
        Reset();
        return &m_pointer;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }

    // The interface iid of the same object, or an empty pointer.
    template <class U>
    ComPtr<U> As(REFIID iid) const
    {
        ComPtr<U> other;
        if (m_pointer && FAILED(m_pointer->QueryInterface(iid, other.OutVoid())))
            other.Reset();
        return other;
    }

private:
    T* m_pointer = nullptr;
};

} // namespace ZvOSAL
