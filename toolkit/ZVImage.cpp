#include "toolkit/ZVImage.h"

#include "toolkit/GdiPlusSession.h"

#include <gdiplus.h>

#include <map>
#include <mutex>
#include <string>

namespace ZVImage {

namespace {

struct Entry {
    HBITMAP bitmap = nullptr;
    SIZE size = {0, 0};
};

std::mutex g_lock;
std::map<std::wstring, Entry>& Cache()
{
    static auto* cache = new std::map<std::wstring, Entry>(); // lives as long as the process
    return *cache;
}

std::wstring Key(const wchar_t* path)
{
    std::wstring key(path);
    CharLowerBuffW(&key[0], static_cast<DWORD>(key.size()));
    return key;
}

Entry LoadEntry(const wchar_t* path)
{
    Entry entry;
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES)
        return entry;
    if (!zvlibs::graphics::GdiPlusToken().IsStarted())
        return entry;
    Gdiplus::Bitmap image(path);
    if (image.GetLastStatus() != Gdiplus::Ok)
        return entry;
    const UINT width = image.GetWidth(), height = image.GetHeight();
    if (width == 0 || height == 0 || width > 16384 || height > 16384)
        return entry;
    Gdiplus::Rect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData data = {};
    if (image.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) != Gdiplus::Ok)
        return entry;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        for (UINT y = 0; y < height; ++y)
            memcpy(static_cast<BYTE*>(bits) + static_cast<size_t>(y) * width * 4,
                   static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride,
                   static_cast<size_t>(width) * 4);
        entry.bitmap = bitmap;
        entry.size = SIZE{static_cast<LONG>(width), static_cast<LONG>(height)};
    } else if (bitmap) {
        DeleteObject(bitmap);
    }
    image.UnlockBits(&data);
    return entry;
}

} // namespace

HBITMAP Load(const wchar_t* path, SIZE* size)
{
    if (!path || !*path)
        return nullptr;
    const std::wstring key = Key(path);
    std::lock_guard<std::mutex> lock(g_lock);
    auto found = Cache().find(key);
    if (found == Cache().end()) {
        // A failed load is remembered too, so a missing file is not retried
        // on every paint.
        found = Cache().emplace(key, LoadEntry(path)).first;
    }
    if (size)
        *size = found->second.size;
    return found->second.bitmap;
}

bool Draw(HDC dc, const RECT& rect, const wchar_t* path, int frame, int frames)
{
    SIZE size = {};
    HBITMAP bitmap = Load(path, &size);
    if (!bitmap || !dc)
        return false;
    if (frames < 1)
        frames = 1;
    if (frame < 0 || frame >= frames)
        frame = 0;
    const int frameWidth = size.cx / frames;
    if (frameWidth <= 0)
        return false;
    HDC memory = CreateCompatibleDC(dc);
    if (!memory)
        return false;
    HGDIOBJ old = SelectObject(memory, bitmap);
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    SetStretchBltMode(dc, HALFTONE);
    const BOOL ok = GdiAlphaBlend(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, memory,
                                  frame * frameWidth, 0, frameWidth, size.cy, blend);
    SelectObject(memory, old);
    DeleteDC(memory);
    return ok != FALSE;
}

void FillGradient(HDC dc, const RECT& rect, COLORREF top, COLORREF bottom)
{
    TRIVERTEX vertices[2] = {};
    vertices[0].x = rect.left;
    vertices[0].y = rect.top;
    vertices[0].Red = static_cast<COLOR16>(GetRValue(top) << 8);
    vertices[0].Green = static_cast<COLOR16>(GetGValue(top) << 8);
    vertices[0].Blue = static_cast<COLOR16>(GetBValue(top) << 8);
    vertices[1].x = rect.right;
    vertices[1].y = rect.bottom;
    vertices[1].Red = static_cast<COLOR16>(GetRValue(bottom) << 8);
    vertices[1].Green = static_cast<COLOR16>(GetGValue(bottom) << 8);
    vertices[1].Blue = static_cast<COLOR16>(GetBValue(bottom) << 8);
    GRADIENT_RECT mesh = {0, 1};
    if (!GdiGradientFill(dc, vertices, 2, &mesh, 1, GRADIENT_FILL_RECT_V)) {
        HBRUSH brush = CreateSolidBrush(top);
        FillRect(dc, &rect, brush);
        DeleteObject(brush);
    }
}

void FillRoundRect(HDC dc, const RECT& rect, int radius, COLORREF fill, long border)
{
    HBRUSH brush = CreateSolidBrush(fill);
    HPEN pen = CreatePen(PS_SOLID, 1, border < 0 ? fill : static_cast<COLORREF>(border));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    if (radius > 0)
        RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, radius * 2, radius * 2);
    else
        Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
}

} // namespace ZVImage
