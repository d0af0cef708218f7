// The alignment layout: the placement of one entry as a table against the
// pure placement function, the stored entries with their inverses, and one
// pass over real windows (entries without windows are skipped).
#include "toolkit/ZVLayoutManager.h"

#include <gtest/gtest.h>

namespace {

bool Same(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(LayoutGeometry, EachEntryPlacesItsControl)
{
    const unsigned L = ZVGUI_LEFT, R = ZVGUI_RIGHT, T = ZVGUI_TOP, B = ZVGUI_BOTTOM, PW = ZVGUI_PERCENT_WIDTH,
                   PH = ZVGUI_PERCENT_HEIGHT, SX = ZVGUI_SIZEX, SY = ZVGUI_SIZEY;
    const RECT client = {0, 0, 450, 300}, button = {10, 10, 70, 30};
    const struct {
        unsigned l, t, r, b, flags;
        RECT margins, control, reference, expected;
    } cases[] = {
        // Both horizontal edges on the right edge: the right anchor (last) decides, the width stays...
        {R, 0, R, 0, 0, {100, 0, 20, 0}, button, client, {370, 10, 430, 30}},
        // ...with ZVGUI_SIZEX both edges are placed: 80 wide whatever the old width.
        {R, 0, R, 0, SX, {100, 0, 20, 0}, button, client, {350, 10, 430, 30}},
        // A positive margin on a left or top edge counts outward; inside takes a negative one.
        {L, T, 0, 0, 0, {5, -7, 0, 0}, button, client, {-5, 7, 55, 27}},
        {L, 0, 0, B, SY, {-12, 0, 0, 30}, button, client, {12, 10, 72, 270}},
        // 50 % of 301 is 150.5, placed at 151; placed by percentage, the edge anchors are not applied.
        {PW, T, 0, B, 0, {50, 3, 0, 9}, button, {20, 100, 321, 140}, {171, 10, 231, 30}},
        {PW, PH, PW, PH, SX | SY, {10, 20, 60, 50}, button, {0, 0, 400, 300}, {40, 60, 240, 150}},
        // Exactly ZVGUI_SIZEX with a left percentage pulls the left edge out of the right one.
        {PW, 0, 0, 0, SX, {25, 0, 0, 0}, {10, 10, 50, 30}, {0, 0, 200, 101}, {0, 10, 50, 30}},
        {0, 0, 0, PH, 0, {0, 0, 0, 50}, {10, 10, 50, 30}, {0, 0, 200, 101}, {10, 31, 50, 51}},
        {0, 0, 0, PH, SY, {0, 0, 0, 10}, {10, 10, 50, 30}, {0, 0, 200, 101}, {10, 10, 50, 20}},
        // A vertical percentage ends the geometry (the left anchor is ignored); centring still applies.
        {L, PH, 0, 0, ZVGUI_CENTERX, {0, 20, 0, 0}, {10, 10, 50, 30}, {0, 0, 200, 101}, {80, 20, 120, 40}},
        // Centring, with a shift by the left margin; the halving truncates toward zero.
        {0, 0, 0, 0, ZVGUI_CENTER, {0, 0, 0, 0}, button, {0, 0, 400, 300}, {170, 140, 230, 160}},
        {0, 0, 0, 0, ZVGUI_CENTER, {10, 0, 0, 0}, button, {0, 0, 400, 300}, {180, 140, 240, 160}},
        {0, 0, 0, 0, ZVGUI_CENTERX, {0, 0, 0, 0}, {0, 0, 5, 5}, {-5, 0, 0, 10}, {-4, 0, 1, 5}},
    };
    int row = 0;
    for (const auto& c : cases) {
        CZVAlignmentEntry entry;
        entry.anchors = CZVAlignmentEntry::Pack(static_cast<unsigned char>(c.l), static_cast<unsigned char>(c.t),
                                                static_cast<unsigned char>(c.r), static_cast<unsigned char>(c.b));
        entry.flags = c.flags;
        entry.margins = c.margins;
        const RECT placed = CZVLayoutManager::PlaceRect(entry, c.control, c.reference);
        EXPECT_TRUE(Same(c.expected, placed)) << "row " << row << ": " << placed.left << "," << placed.top << ","
                                              << placed.right << "," << placed.bottom;
        ++row;
    }
}

TEST(LayoutEntries, InversesDuplicatesAndRefusals)
{
    CZVLayoutManager layout;
    HWND a = reinterpret_cast<HWND>(0x10), b = reinterpret_cast<HWND>(0x30);
    ASSERT_TRUE(layout.AddAlignment(0, a, b, ZVGUI_RIGHT, ZVGUI_BOTTOM, ZVGUI_RIGHT, ZVGUI_TOP, ZVGUI_SIZEX,
                                    RECT{100, 7, 20, 3}));
    EXPECT_TRUE(layout.AddAlignment(0, a, b, ZVGUI_RIGHT, ZVGUI_BOTTOM, ZVGUI_RIGHT, ZVGUI_TOP, ZVGUI_SIZEX,
                                    RECT{100, 7, 20, 3})); // the same line again: stored once
    ASSERT_EQ(2u, layout.GetEntries(0).size());
    // left->RIGHT gives right->LEFT, overridden by right->RIGHT (-20); top->BOTTOM gives
    // bottom->TOP (-7); bottom->TOP gives top->BOTTOM (-3); control and reference swap.
    const CZVAlignmentEntry& inverse = layout.GetEntries(0)[1];
    EXPECT_TRUE(inverse.inverse);
    EXPECT_EQ(b, inverse.controlWindow);
    EXPECT_EQ(CZVAlignmentEntry::Pack(0, ZVGUI_BOTTOM, ZVGUI_RIGHT, ZVGUI_TOP), inverse.anchors);
    EXPECT_TRUE(Same(RECT{0, -3, -20, -7}, inverse.margins));
    // Mismatched anchors and a set two beyond the last are refused.
    const RECT m = {1, 2, 3, 4};
    EXPECT_FALSE(layout.AddAlignment(0, a, b, ZVGUI_TOP, 0, 0, 0, 0, m));
    EXPECT_FALSE(layout.AddAlignment(0, a, b, 0, ZVGUI_LEFT, 0, 0, 0, m));
    EXPECT_FALSE(layout.AddAlignment(2, a, b, ZVGUI_LEFT, 0, 0, 0, 0, m));
    EXPECT_TRUE(layout.AddAlignment(1, a, b, ZVGUI_LEFT, 0, 0, 0, 0, m));
    EXPECT_EQ(2u, layout.GetSetCount());
}

TEST(LayoutPass, PlacesRealWindowsAndSkipsEntriesWithoutOne)
{
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    auto child = [parent](int x) {
        return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, x, 5, 30, 30, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    };
    HWND moved = child(5), kept = child(50), gone = child(90);
    DestroyWindow(gone);
    CZVLayoutManager layout;
    ASSERT_TRUE(layout.SetOwner(parent));
    layout.AddAlignment(0, gone, nullptr, ZVGUI_LEFT, 0, 0, 0, 0, RECT{-50, 0, 0, 0});
    layout.AddAlignment(0, kept, gone, ZVGUI_LEFT, 0, 0, 0, 0, RECT{-50, 0, 0, 0});
    layout.AddAlignment(0, moved, nullptr, 0, 0, ZVGUI_RIGHT, ZVGUI_BOTTOM, 0, RECT{0, 0, 10, 10});
    EXPECT_TRUE(layout.ApplyLayout(0, 0));
    RECT rect = {};
    GetWindowRect(moved, &rect);
    EXPECT_TRUE(Same(RECT{460, 360, 490, 390}, rect)); // 10 inside the client's right and bottom edges
    GetWindowRect(kept, &rect);
    EXPECT_EQ(150, rect.left);
    DestroyWindow(parent);
}

} // namespace
