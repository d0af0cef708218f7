#include "toolkit/ZVImage.h"

#include "toolkit/GdiPlusSession.h"
#include "toolkit/ZVGdi.h"
#include "toolkit/ZVToolkit.h"

#include <gdiplus.h>

#include <map>
#include <mutex>
#include <string>

namespace ZVImage {

namespace {

struct Entry {
    ZVGdi::Bitmap bitmap;
    SIZE size = {0, 0};
};

// Path (lower case) to image; a failed load is kept as an empty entry. The
// bitmaps go with the cache when the library unloads.
struct Cache {
    std::mutex lock;
    std::map<std::wstring, Entry> entries;
};
Cache& TheCache()
{
    static Cache cache;
    return cache;
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
    ZVGdi::Bitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap && bits) {
        for (UINT y = 0; y < height; ++y)
            memcpy(static_cast<BYTE*>(bits) + static_cast<size_t>(y) * width * 4,
                   static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride,
                   static_cast<size_t>(width) * 4);
        entry.bitmap = std::move(bitmap);
        entry.size = SIZE{static_cast<LONG>(width), static_cast<LONG>(height)};
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
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> lock(cache.lock);
    auto found = cache.entries.find(key);
    if (found == cache.entries.end()) {
        // A failed load is remembered too, so a missing file is not retried
        // on every paint.
        found = cache.entries.emplace(key, LoadEntry(path)).first;
    }
    if (size)
        *size = found->second.size;
    return found->second.bitmap.Get();
}

namespace {

const int kVariantScales[] = {125, 150, 175, 200};

std::wstring VariantPath(const std::wstring& path, int scale)
{
    const size_t slash = path.find_last_of(L"\\/");
    size_t dot = path.find_last_of(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        dot = path.size();
    return path.substr(0, dot) + L"@" + std::to_wstring(scale) + path.substr(dot);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The scale percent of the file ScaledPath picks.
int PickScale(const std::wstring& path)
{
    const int wanted = MulDiv(static_cast<int>(ZVToolkit::GetDpiY()), 100, 96);
    if (wanted <= 100)
        return 100;
    int below = 100;
    for (int scale : kVariantScales) {
        if (!Exists(VariantPath(path, scale)))
            continue;
        if (scale >= wanted)
            return scale;
        below = scale;
    }
    return below;
}

struct Source {
    HBITMAP bitmap = nullptr;
    int left = 0, width = 0, height = 0, scale = 100;
};

bool PickFrame(const wchar_t* path, int frame, int frames, Source& source)
{
    if (!path || !*path)
        return false;
    source.scale = PickScale(path);
    const std::wstring file = source.scale == 100 ? std::wstring(path) : VariantPath(path, source.scale);
    SIZE size = {};
    source.bitmap = Load(file.c_str(), &size);
    if (!source.bitmap)
        return false;
    if (frames < 1)
        frames = 1;
    if (frame < 0 || frame >= frames)
        frame = 0;
    source.width = size.cx / frames;
    source.left = frame * source.width;
    source.height = size.cy;
    return source.width > 0 && source.height > 0;
}

void Blend(HDC dc, HDC memory, int x, int y, int w, int h, int sx, int sy, int sw, int sh)
{
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0)
        return;
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(dc, x, y, w, h, memory, sx, sy, sw, sh, blend);
}

} // namespace

std::wstring ScaledPath(const wchar_t* path)
{
    if (!path)
        return std::wstring();
    const int scale = PickScale(path);
    return scale == 100 ? std::wstring(path) : VariantPath(path, scale);
}

bool Draw(HDC dc, const RECT& rect, const wchar_t* path, int frame, int frames)
{
    const RECT none = {0, 0, 0, 0};
    return DrawGrid(dc, rect, path, none, frame, frames);
}

bool DrawGrid(HDC dc, const RECT& rect, const wchar_t* path, const RECT& grid, int frame, int frames)
{
    Source source;
    if (!dc || !PickFrame(path, frame, frames, source))
        return false;
    ZVGdi::DC memory(CreateCompatibleDC(dc));
    if (!memory)
        return false;
    ZVGdi::Selection selected(memory, source.bitmap);
    SetStretchBltMode(dc, HALFTONE);
    // Border widths in the source (its own scale) and on screen.
    auto clampSource = [](int value, int extent) { return value < 0 ? 0 : value > extent / 2 ? extent / 2 : value; };
    const int sl = clampSource(MulDiv(grid.left, source.scale, 100), source.width);
    const int sr = clampSource(MulDiv(grid.right, source.scale, 100), source.width);
    const int st = clampSource(MulDiv(grid.top, source.scale, 100), source.height);
    const int sb = clampSource(MulDiv(grid.bottom, source.scale, 100), source.height);
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    int dl = sl ? ZVToolkit::ScaleX(grid.left) : 0, dr = sr ? ZVToolkit::ScaleX(grid.right) : 0;
    int dt = st ? ZVToolkit::ScaleY(grid.top) : 0, db = sb ? ZVToolkit::ScaleY(grid.bottom) : 0;
    if (dl + dr > w && dl + dr > 0) {
        dl = MulDiv(dl, w, dl + dr);
        dr = w - dl;
    }
    if (dt + db > h && dt + db > 0) {
        dt = MulDiv(dt, h, dt + db);
        db = h - dt;
    }
    const int xs[4] = {rect.left, rect.left + dl, rect.right - dr, rect.right};
    const int ys[4] = {rect.top, rect.top + dt, rect.bottom - db, rect.bottom};
    const int sxs[4] = {source.left, source.left + sl, source.left + source.width - sr, source.left + source.width};
    const int sys[4] = {0, st, source.height - sb, source.height};
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            Blend(dc, memory, xs[column], ys[row], xs[column + 1] - xs[column], ys[row + 1] - ys[row], sxs[column],
                  sys[row], sxs[column + 1] - sxs[column], sys[row + 1] - sys[row]);
    return true;
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
        ZVGdi::Brush brush(CreateSolidBrush(top));
        FillRect(dc, &rect, brush);
    }
}

void FillRoundRect(HDC dc, const RECT& rect, int radius, COLORREF fill, long border)
{
    ZVGdi::Brush brush(CreateSolidBrush(fill));
    ZVGdi::Pen pen(CreatePen(PS_SOLID, 1, border < 0 ? fill : static_cast<COLORREF>(border)));
    ZVGdi::Selection brushSelected(dc, brush);
    ZVGdi::Selection penSelected(dc, pen);
    if (radius > 0)
        RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, radius * 2, radius * 2);
    else
        Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
}

COLORREF Mix(COLORREF a, COLORREF b, int percentOfA)
{
    const int p = percentOfA, q = 100 - percentOfA;
    return RGB((GetRValue(a) * p + GetRValue(b) * q) / 100, (GetGValue(a) * p + GetGValue(b) * q) / 100,
               (GetBValue(a) * p + GetBValue(b) * q) / 100);
}

void ReleaseCache()
{
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> lock(cache.lock);
    cache.entries.clear();
}

} // namespace ZVImage
