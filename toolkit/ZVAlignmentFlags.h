// The flag values of the alignment fields of dialog description files
// ("ALIGNMENT1", ... sections) and the checks the description reader applies
// to them. The layout manager of the toolkit places controls by the same
// values.
#pragma once

enum EZVGuiAlignment : unsigned int {
    ZVGUI_NONE = 0,
    ZVGUI_LEFT = 1,
    ZVGUI_RIGHT = 2,
    ZVGUI_TOP = 4,
    ZVGUI_BOTTOM = 8,
    ZVGUI_PERCENT_WIDTH = 16,
    ZVGUI_PERCENT_HEIGHT = 32,
    ZVGUI_REPAINT = 64, // no name in description files
    ZVGUI_SIZEX = 128,
    ZVGUI_SIZEY = 256,
    ZVGUI_CENTERX = 512,
    ZVGUI_CENTERY = 1024,
    ZVGUI_CENTER = 1536,
};

namespace ZVAlignment {

// One anchor of the named kind: the left or right edge, or the top or bottom.
inline bool IsValidHorizontalAnchor(unsigned int value)
{
    return value == 0 || value == ZVGUI_LEFT || value == ZVGUI_RIGHT || value == ZVGUI_PERCENT_WIDTH;
}

inline bool IsValidVerticalAnchor(unsigned int value)
{
    return value == 0 || value == ZVGUI_TOP || value == ZVGUI_BOTTOM || value == ZVGUI_PERCENT_HEIGHT;
}

// 0, or a combination of the size and centring flags.
inline bool IsValidSizing(unsigned int value)
{
    const unsigned int allowed = ZVGUI_SIZEX | ZVGUI_SIZEY | ZVGUI_CENTERX | ZVGUI_CENTERY;
    return value == 0 || (value & ~allowed) == 0;
}

} // namespace ZVAlignment
