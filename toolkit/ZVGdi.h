// Owners of GDI resources: each gives its resource back when it goes, on
// every path. Objects (brushes, pens, fonts, bitmaps, regions) are deleted,
// device contexts that were made are deleted, objects selected into a
// context for a while are deselected.
#pragma once

#include <windows.h>

#include <utility>

namespace ZVGdi {

template <class T>
class Object {
public:
    Object() = default;
    explicit Object(T handle) : m_handle(handle) {}
    ~Object() { Reset(); }
    Object(Object&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    Object& operator=(Object&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.m_handle, nullptr));
        return *this;
    }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    T Get() const { return m_handle; }
    operator T() const { return m_handle; }
    void Reset(T handle = nullptr)
    {
        if (m_handle)
            DeleteObject(m_handle);
        m_handle = handle;
    }

private:
    T m_handle = nullptr;
};

using Brush = Object<HBRUSH>;
using Pen = Object<HPEN>;
using Font = Object<HFONT>;
using Bitmap = Object<HBITMAP>;
using Region = Object<HRGN>;

// A device context made by CreateCompatibleDC or CreateDC.
class DC {
public:
    explicit DC(HDC made) : m_dc(made) {}
    ~DC()
    {
        if (m_dc)
            DeleteDC(m_dc);
    }
    DC(const DC&) = delete;
    DC& operator=(const DC&) = delete;
    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }

private:
    HDC m_dc;
};

// object selected into dc until the end of the scope.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~Selection()
    {
        if (m_old)
            SelectObject(m_dc, m_old);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// A memory context the size of rect to paint into; copied to the target at
// the end (painting without flicker).
class BufferedPaint {
public:
    BufferedPaint(HDC target, const RECT& rect)
        : m_target(target), m_rect(rect), m_dc(CreateCompatibleDC(target)),
          m_bitmap(CreateCompatibleBitmap(target, rect.right - rect.left > 0 ? rect.right - rect.left : 1,
                                          rect.bottom - rect.top > 0 ? rect.bottom - rect.top : 1)),
          m_selection(m_dc, m_bitmap)
    {
    }
    ~BufferedPaint()
    {
        BitBlt(m_target, m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, m_dc, 0,
               0, SRCCOPY);
    }
    BufferedPaint(const BufferedPaint&) = delete;
    BufferedPaint& operator=(const BufferedPaint&) = delete;
    HDC dc() const { return m_dc; }

private:
    HDC m_target;
    RECT m_rect;
    DC m_dc;
    Bitmap m_bitmap;
    Selection m_selection; // declared last: deselected before the bitmap and context go
};

} // namespace ZVGdi
