// Skin images: files (PNG, BMP, JPEG, GIF) loaded through GDI+ into 32-bit
// premultiplied bitmaps and drawn with alpha. Loaded images are kept per
// path for the life of the process (they are GDI bitmaps, so they outlive the
// GDI+ session, which the workflow ends after each run).
#pragma once

#include <windows.h>

namespace ZVImage {

// The image of path, or null when it cannot be loaded. size receives its
// size when not null. The bitmap belongs to the cache.
HBITMAP Load(const wchar_t* path, SIZE* size = nullptr);

// Draws frame (0-based) of an image that holds `frames` frames side by side,
// stretched over rect, with per-pixel alpha. False when the image is missing.
bool Draw(HDC dc, const RECT& rect, const wchar_t* path, int frame = 0, int frames = 1);

// Vertical gradient from top to bottom colour.
void FillGradient(HDC dc, const RECT& rect, COLORREF top, COLORREF bottom);

// A filled rounded rectangle with an optional border (border < 0: none).
void FillRoundRect(HDC dc, const RECT& rect, int radius, COLORREF fill, long border);

} // namespace ZVImage
