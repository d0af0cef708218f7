// Painting helpers shared by the skinned controls.
#pragma once

#include <windows.h>

namespace ZVPaint {

// percentOfA percent of a, the rest of b, channel by channel.
COLORREF Mix(COLORREF a, COLORREF b, int percentOfA);

// A memory context the size of rect; copied to the target at the end.
class BufferedPaint {
public:
    BufferedPaint(HDC target, const RECT& rect);
    ~BufferedPaint();
    BufferedPaint(const BufferedPaint&) = delete;
    BufferedPaint& operator=(const BufferedPaint&) = delete;
    HDC dc() const { return m_dc; }

private:
    HDC m_target;
    RECT m_rect;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
};

} // namespace ZVPaint
