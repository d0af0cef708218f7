// Skin images: files (PNG, BMP, JPEG, GIF) loaded through GDI+ into 32-bit
// premultiplied bitmaps and drawn with alpha. Loaded images are kept per
// path for the life of the process (they are GDI bitmaps, so they outlive the
// GDI+ session, which the workflow ends after each run).
//
// Display scales: beside "name.png" (drawn for 96 DPI) a skin may ship
// "name@125.png", "name@150.png", "name@175.png" and "name@200.png", drawn
// for 120 to 192 DPI. Draw and DrawGrid use the file of the toolkit's current
// scale (ZVToolkit::GetDpiY): the smallest variant at or above it, else the
// largest below it, else name.png itself.
#pragma once

#include <windows.h>

#include <string>

namespace ZVImage {

// The image of path, or null when it cannot be loaded. size receives its
// size when not null. The bitmap belongs to the cache.
HBITMAP Load(const wchar_t* path, SIZE* size = nullptr);

// Draws frame (0-based) of an image that holds `frames` frames side by side,
// stretched over rect, with per-pixel alpha. False when the image is missing.
bool Draw(HDC dc, const RECT& rect, const wchar_t* path, int frame = 0, int frames = 1);

// The same with a frame border that keeps its size: grid holds the widths of
// the left, top, right and bottom borders at 96 DPI; corners are drawn at the
// current scale, edges stretched along one direction, the middle both ways.
// Borders wider than rect shrink in proportion.
bool DrawGrid(HDC dc, const RECT& rect, const wchar_t* path, const RECT& grid, int frame = 0, int frames = 1);

// The file the current scale draws for path (see above); path itself when
// there is no variant.
std::wstring ScaledPath(const wchar_t* path);

// Vertical gradient from top to bottom colour.
void FillGradient(HDC dc, const RECT& rect, COLORREF top, COLORREF bottom);

// A filled rounded rectangle with an optional border (border < 0: none).
void FillRoundRect(HDC dc, const RECT& rect, int radius, COLORREF fill, long border);

// percentOfA percent of a, the rest of b, channel by channel.
COLORREF Mix(COLORREF a, COLORREF b, int percentOfA);

// Deletes every cached bitmap and empties the cache. Runs by itself when the
// library unloads; an image asked for afterwards is loaded again.
void ReleaseCache();

} // namespace ZVImage
