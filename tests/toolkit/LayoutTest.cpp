// CZVLayoutManager with real windows: a plain top-level window with child
// buttons, the layout pass after the window grows, the stored entries and
// their inverses, and the update dialog with the default skin growing for its
// release notes.
#include "../dialogs/DialogTestSupport.h"

#include "dialogs/DlgUpdate.h"
#include "resources/resource.h"
#include "toolkit/ZVControls.h"
#include "toolkit/ZVLayoutManager.h"
#include "update/UpdateMessages.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kParentClass[] = L"ZvLayoutTestParent";

RECT ChildRect(HWND child)
{
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT Margins(long left, long top, long right, long bottom) { return RECT{left, top, right, bottom}; }

// A skinned control that counts the redraw requests of the layout pass.
class CountingStatic : public CZV_Static {
public:
    void Redraw(bool deferUpdate) override
    {
        ++redraws;
        lastDefer = deferUpdate;
        CZV_Static::Redraw(deferUpdate);
    }
    int redraws = 0;
    bool lastDefer = true;
};

class LayoutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kParentClass;
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        RegisterClassW(&windowClass);
    }

    void SetUp() override
    {
        // A popup without a frame: its client area is its window rectangle.
        parent = CreateWindowExW(0, kParentClass, L"layout", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100, 400,
                                 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, parent);
        button = Child(10, 10, 60, 20, 101);
        ASSERT_TRUE(layout.SetOwner(parent));
    }

    void TearDown() override
    {
        if (parent)
            DestroyWindow(parent);
    }

    HWND Child(int x, int y, int width, int height, int id)
    {
        return CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x, y, width, height,
                               parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                               nullptr);
    }

    void Grow(int dx, int dy)
    {
        RECT rect = {};
        GetWindowRect(parent, &rect);
        SetWindowPos(parent, nullptr, 0, 0, rect.right - rect.left + dx, rect.bottom - rect.top + dy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    HWND parent = nullptr;
    HWND button = nullptr;
    CZVLayoutManager layout;
};

TEST_F(LayoutTest, BothHorizontalEdgesOnTheRightEdgeWithAndWithoutSizeFlag)
{
    // Without a size flag the right-edge anchor, applied last, decides; the
    // width stays.
    ASSERT_TRUE(layout.AddAlignment(0, button, nullptr, ZVGUI_RIGHT, 0, ZVGUI_RIGHT, 0, 0, Margins(100, 0, 20, 0)));
    Grow(50, 0);
    EXPECT_TRUE(layout.ApplyLayout(450, 300));
    RECT rect = ChildRect(button);
    EXPECT_EQ(430, rect.right);
    EXPECT_EQ(60, rect.right - rect.left);
    EXPECT_EQ(10, rect.top);
    EXPECT_EQ(20, rect.bottom - rect.top);

    // With ZVGUI_SIZEX both edges are placed: 80 pixels wide whatever the
    // old width.
    CZVLayoutManager sized;
    ASSERT_TRUE(sized.SetOwner(parent));
    ASSERT_TRUE(sized.AddAlignment(0, button, nullptr, ZVGUI_RIGHT, 0, ZVGUI_RIGHT, 0, ZVGUI_SIZEX,
                                   Margins(100, 0, 20, 0)));
    Grow(50, 0);
    sized.ApplyLayout(500, 300);
    rect = ChildRect(button);
    EXPECT_EQ(400, rect.left);
    EXPECT_EQ(480, rect.right);
    EXPECT_EQ(20, rect.bottom - rect.top);
}

TEST_F(LayoutTest, LeftAndTopEdgeMarginsCountOutward)
{
    // A positive margin on ZVGUI_LEFT puts the edge outside the reference;
    // a negative one inside.
    layout.AddAlignment(0, button, nullptr, ZVGUI_LEFT, ZVGUI_TOP, 0, 0, 0, Margins(5, -7, 0, 0));
    layout.ApplyLayout(0, 0);
    RECT rect = ChildRect(button);
    EXPECT_EQ(-5, rect.left);
    EXPECT_EQ(7, rect.top);
    EXPECT_EQ(60, rect.right - rect.left);

    CZVLayoutManager inside;
    inside.SetOwner(parent);
    inside.AddAlignment(0, button, nullptr, ZVGUI_LEFT, 0, 0, ZVGUI_BOTTOM, ZVGUI_SIZEY, Margins(-12, 0, 0, 30));
    inside.ApplyLayout(0, 0);
    rect = ChildRect(button);
    EXPECT_EQ(12, rect.left);
    EXPECT_EQ(7, rect.top); // only the bottom edge moved: stretched
    EXPECT_EQ(270, rect.bottom);
}

TEST_F(LayoutTest, PercentagesRoundHalfAwayFromZeroAndSkipEdgeAnchors)
{
    // A reference control 301 pixels wide: 50 % is 150.5, placed at 151.
    HWND reference = Child(20, 100, 301, 40, 102);
    ASSERT_TRUE(layout.AddAlignment(0, button, reference, ZVGUI_PERCENT_WIDTH, ZVGUI_TOP, 0, ZVGUI_BOTTOM, 0,
                                    Margins(50, 3, 0, 9)));
    layout.ApplyLayout(0, 0);
    RECT rect = ChildRect(button);
    EXPECT_EQ(20 + 151, rect.left);
    EXPECT_EQ(60, rect.right - rect.left);
    // Placed by percentage horizontally: the top and bottom anchors are not
    // applied, the control moves only horizontally.
    EXPECT_EQ(10, rect.top);
    EXPECT_EQ(30, rect.bottom);
    // The reference stays where it is (the stored inverse is not applied).
    EXPECT_EQ(20, ChildRect(reference).left);
    EXPECT_EQ(100, ChildRect(reference).top);

    // Both percentages with the size flags: a rectangle in percent of the
    // reference (here the client area, 400 x 300).
    CZVLayoutManager box;
    box.SetOwner(parent);
    box.AddAlignment(0, button, nullptr, ZVGUI_PERCENT_WIDTH, ZVGUI_PERCENT_HEIGHT, ZVGUI_PERCENT_WIDTH,
                     ZVGUI_PERCENT_HEIGHT, ZVGUI_SIZEX | ZVGUI_SIZEY, Margins(10, 20, 60, 50));
    box.ApplyLayout(0, 0);
    rect = ChildRect(button);
    EXPECT_EQ(40, rect.left);
    EXPECT_EQ(60, rect.top);
    EXPECT_EQ(240, rect.right);
    EXPECT_EQ(150, rect.bottom);
}

TEST_F(LayoutTest, CentringWithAndWithoutMargins)
{
    // 60 x 20 in 400 x 300: centred at 170, 140.
    layout.AddAlignment(0, button, nullptr, 0, 0, 0, 0, ZVGUI_CENTER, Margins(0, 0, 0, 0));
    layout.ApplyLayout(0, 0);
    RECT rect = ChildRect(button);
    EXPECT_EQ(170, rect.left);
    EXPECT_EQ(140, rect.top);
    EXPECT_EQ(60, rect.right - rect.left);

    CZVLayoutManager shifted;
    shifted.SetOwner(parent);
    shifted.AddAlignment(0, button, nullptr, 0, 0, 0, 0, ZVGUI_CENTER, Margins(10, 0, 0, 0));
    shifted.ApplyLayout(0, 0);
    rect = ChildRect(button);
    EXPECT_EQ(180, rect.left);
    EXPECT_EQ(140, rect.top);

    // Horizontally only: the top stays.
    MoveWindow(button, 0, 33, 60, 20, TRUE);
    CZVLayoutManager horizontal;
    horizontal.SetOwner(parent);
    horizontal.AddAlignment(0, button, nullptr, 0, 0, 0, 0, ZVGUI_CENTERX, Margins(-4, 50, 0, 0));
    horizontal.ApplyLayout(0, 0);
    rect = ChildRect(button);
    EXPECT_EQ(166, rect.left);
    EXPECT_EQ(33, rect.top);
}

TEST_F(LayoutTest, SkipsEntriesWithoutWindowsAndAppliesTheOthers)
{
    HWND gone = Child(0, 0, 10, 10, 103);
    HWND other = Child(5, 5, 30, 30, 104);
    DestroyWindow(gone);
    layout.AddAlignment(0, gone, nullptr, ZVGUI_LEFT, 0, 0, 0, 0, Margins(-50, 0, 0, 0));
    layout.AddAlignment(0, button, gone, ZVGUI_LEFT, 0, 0, 0, 0, Margins(-50, 0, 0, 0));
    layout.AddAlignment(0, other, nullptr, ZVGUI_LEFT, 0, 0, 0, 0, Margins(-50, 0, 0, 0));
    EXPECT_TRUE(layout.ApplyLayout(0, 0));
    EXPECT_EQ(10, ChildRect(button).left);
    EXPECT_EQ(50, ChildRect(other).left);

    // Without an owner an entry without reference has nothing to follow.
    CZVLayoutManager ownerless;
    ownerless.AddAlignment(0, other, nullptr, ZVGUI_LEFT, 0, 0, 0, 0, Margins(-70, 0, 0, 0));
    EXPECT_TRUE(ownerless.ApplyLayout(0, 0));
    EXPECT_EQ(50, ChildRect(other).left);
    EXPECT_FALSE(ownerless.SetOwner(nullptr));
}

TEST_F(LayoutTest, EveryEntryIsAppliedWhenAnInverseWasLeftOut)
{
    // The second line differs from the first only in a margin that its
    // anchors do not use, so its inverse equals the first inverse and is not
    // stored; the entry after it must still be applied, and no inverse.
    HWND other = Child(5, 5, 30, 30, 104);
    layout.AddAlignment(0, button, nullptr, ZVGUI_LEFT, 0, 0, 0, 0, Margins(-15, 0, 0, 1));
    layout.AddAlignment(0, button, nullptr, ZVGUI_LEFT, 0, 0, 0, 0, Margins(-15, 0, 0, 2));
    layout.AddAlignment(0, other, button, 0, ZVGUI_BOTTOM, 0, 0, 0, Margins(0, -3, 0, 0));
    ASSERT_EQ(5u, layout.GetEntries(0).size());
    layout.ApplyLayout(0, 0);
    EXPECT_EQ(15, ChildRect(button).left);
    EXPECT_EQ(10, ChildRect(button).top);
    EXPECT_EQ(33, ChildRect(other).top);
    EXPECT_EQ(5, ChildRect(other).left);
}

TEST_F(LayoutTest, RepaintFlagInvalidatesTheOldArea)
{
    layout.SetRedrawAfterLayout(false);
    layout.AddAlignment(0, button, nullptr, ZVGUI_LEFT, ZVGUI_TOP, 0, 0, ZVGUI_REPAINT, Margins(-200, -200, 0, 0));
    UpdateWindow(parent);
    ValidateRect(parent, nullptr);
    layout.ApplyLayout(0, 0);
    // The parent clips its children: the old place shows through only when
    // it is repainted.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetUpdateRgn(parent, region, FALSE));
    EXPECT_TRUE(PtInRegion(region, 20, 20));
    DeleteObject(region);
    EXPECT_EQ(200, ChildRect(button).left);
}

TEST_F(LayoutTest, RedrawPassAsksSkinnedControlsToRedraw)
{
    CountingStatic skinned;
    RECT place = {10, 50, 110, 70};
    ASSERT_TRUE(skinned.Create(parent, 105, place, WS_CHILD | WS_VISIBLE, 0, L"skinned"));
    layout.AddAlignment(0, skinned.GetSafeHwnd(), nullptr, ZVGUI_LEFT, 0, 0, 0, 0, Margins(-30, 0, 0, 0));
    layout.ApplyLayout(0, 0);
    EXPECT_EQ(1, skinned.redraws);
    EXPECT_FALSE(skinned.lastDefer);
    EXPECT_EQ(30, ChildRect(skinned.GetSafeHwnd()).left);

    layout.SetRedrawAfterLayout(false);
    layout.ApplyLayout(0, 0);
    EXPECT_EQ(1, skinned.redraws);
    skinned.UnsubclassWindow();
}

TEST_F(LayoutTest, OptionParentAsReference)
{
    // A child of a child: with the option its own parent is the reference
    // (the window rectangle of the inner panel), not the owner.
    HWND panel = CreateWindowExW(0, kParentClass, L"", WS_CHILD | WS_VISIBLE, 50, 60, 200, 100, parent, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    HWND inner = CreateWindowExW(0, L"BUTTON", L"i", WS_CHILD | WS_VISIBLE, 0, 0, 40, 10, panel, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    layout.SetOptions(layout.GetOptions() | CZVLayoutManager::kOptionParentAsReference);
    layout.AddAlignment(0, inner, nullptr, 0, 0, ZVGUI_RIGHT, ZVGUI_BOTTOM, 0, Margins(0, 0, 5, 5));
    layout.ApplyLayout(0, 0);
    const RECT rect = ChildRect(inner);
    EXPECT_EQ(195, rect.right);
    EXPECT_EQ(95, rect.bottom);
}

// ---- Stored entries ----

TEST(LayoutEntries, InitialStateAndCurrentSet)
{
    CZVLayoutManager layout;
    EXPECT_EQ(1u, layout.GetSetCount());
    EXPECT_EQ(0u, layout.GetCurrentSet());
    EXPECT_TRUE(layout.GetRedrawAfterLayout());
    EXPECT_TRUE(layout.GetPairedEntries());
    EXPECT_EQ(1u, layout.GetOptions());
    EXPECT_FALSE(layout.SetCurrentSet(1));
    const RECT none = {0, 0, 0, 0};
    HWND a = reinterpret_cast<HWND>(0x10);
    ASSERT_TRUE(layout.AddAlignment(1, a, nullptr, ZVGUI_LEFT, 0, 0, 0, 0, none));
    EXPECT_TRUE(layout.SetCurrentSet(1));
    EXPECT_EQ(1u, layout.GetCurrentSet());
    HWND owner = reinterpret_cast<HWND>(0x20);
    EXPECT_TRUE(layout.SetOwner(owner));
    EXPECT_EQ(0u, layout.GetCurrentSet());
    EXPECT_EQ(owner, layout.GetOwner());
}

TEST(LayoutEntries, DuplicatesMismatchedAnchorsAndSetIndices)
{
    CZVLayoutManager layout;
    HWND a = reinterpret_cast<HWND>(0x10), b = reinterpret_cast<HWND>(0x30);
    const RECT m = {1, 2, 3, 4};
    EXPECT_TRUE(layout.AddAlignment(0, a, b, ZVGUI_LEFT, ZVGUI_TOP, 0, 0, 0, m));
    EXPECT_EQ(2u, layout.GetEntries(0).size());
    // The same line again: stored once, still a success.
    EXPECT_TRUE(layout.AddAlignment(0, a, b, ZVGUI_LEFT, ZVGUI_TOP, 0, 0, 0, m));
    EXPECT_EQ(2u, layout.GetEntries(0).size());
    // Another margin is another entry; this one differs only in a margin
    // its inverse does not carry, so its inverse is already stored.
    EXPECT_TRUE(layout.AddAlignment(0, a, b, ZVGUI_LEFT, ZVGUI_TOP, 0, 0, 0, RECT{1, 2, 3, 5}));
    ASSERT_EQ(3u, layout.GetEntries(0).size());
    EXPECT_FALSE(layout.GetEntries(0)[2].inverse);
    // A line equal to the first line's inverse is a line of its own.
    EXPECT_TRUE(layout.AddAlignment(0, b, a, ZVGUI_LEFT, ZVGUI_TOP, 0, 0, 0, RECT{-1, -2, 0, 0}));
    // (Its own inverse differs from the first line in the unused margins.)
    ASSERT_EQ(5u, layout.GetEntries(0).size());
    EXPECT_TRUE(layout.GetEntries(0)[1].inverse);
    EXPECT_FALSE(layout.GetEntries(0)[3].inverse);
    EXPECT_TRUE(layout.GetEntries(0)[4].inverse);
    EXPECT_EQ(layout.GetEntries(0)[1], layout.GetEntries(0)[3]);

    // Vertical anchors on horizontal edges and the reverse: refused.
    EXPECT_FALSE(layout.AddAlignment(0, a, b, ZVGUI_TOP, 0, 0, 0, 0, m));
    EXPECT_FALSE(layout.AddAlignment(0, a, b, 0, 0, ZVGUI_BOTTOM, 0, 0, m));
    EXPECT_FALSE(layout.AddAlignment(0, a, b, 0, ZVGUI_LEFT, 0, 0, 0, m));
    EXPECT_FALSE(layout.AddAlignment(0, a, b, 0, 0, 0, ZVGUI_RIGHT | ZVGUI_BOTTOM, 0, m));
    EXPECT_FALSE(layout.AddAlignment(0, a, b, ZVGUI_LEFT | 0x100, 0, 0, 0, 0, m));
    EXPECT_EQ(5u, layout.GetEntries(0).size());

    // One set exists: index 1 appends a set, index 3 (two beyond) is refused.
    EXPECT_FALSE(layout.AddAlignment(2, a, b, ZVGUI_LEFT, 0, 0, 0, 0, m));
    EXPECT_EQ(1u, layout.GetSetCount());
    EXPECT_TRUE(layout.AddAlignment(1, a, b, ZVGUI_LEFT, 0, 0, 0, 0, m));
    EXPECT_EQ(2u, layout.GetSetCount());
    EXPECT_FALSE(layout.AddAlignment(3, a, b, ZVGUI_LEFT, 0, 0, 0, 0, m));
    EXPECT_EQ(2u, layout.GetSetCount());
    EXPECT_EQ(7u, layout.GetEntryCount());
}

TEST(LayoutEntries, InverseMirrorsEdgesInTableOrder)
{
    CZVLayoutManager layout;
    HWND a = reinterpret_cast<HWND>(0x10), b = reinterpret_cast<HWND>(0x30);
    ASSERT_TRUE(layout.AddAlignment(0, a, b, ZVGUI_RIGHT, ZVGUI_BOTTOM, ZVGUI_RIGHT, ZVGUI_TOP, ZVGUI_SIZEX,
                                    RECT{100, 7, 20, 3}, L"A", L"B"));
    ASSERT_EQ(2u, layout.GetEntries(0).size());
    const CZVAlignmentEntry& entry = layout.GetEntries(0)[0];
    EXPECT_EQ(CZVAlignmentEntry::Pack(ZVGUI_RIGHT, ZVGUI_BOTTOM, ZVGUI_RIGHT, ZVGUI_TOP), entry.anchors);
    EXPECT_EQ(0x02080204u, entry.anchors);
    const CZVAlignmentEntry& inverse = layout.GetEntries(0)[1];
    EXPECT_EQ(b, inverse.controlWindow);
    EXPECT_EQ(a, inverse.referenceWindow);
    EXPECT_EQ(ZvOSAL::ZvString(L"B"), inverse.control);
    EXPECT_EQ(static_cast<unsigned int>(ZVGUI_SIZEX), inverse.flags);
    // left->RIGHT gives right->LEFT (-100), overridden by right->RIGHT (-20);
    // top->BOTTOM gives bottom->TOP (-7); bottom->TOP gives top->BOTTOM (-3).
    EXPECT_EQ(0, inverse.Left());
    EXPECT_EQ(ZVGUI_BOTTOM, inverse.Top());
    EXPECT_EQ(ZVGUI_RIGHT, inverse.Right());
    EXPECT_EQ(ZVGUI_TOP, inverse.Bottom());
    EXPECT_EQ(0, inverse.margins.left);
    EXPECT_EQ(-3, inverse.margins.top);
    EXPECT_EQ(-20, inverse.margins.right);
    EXPECT_EQ(-7, inverse.margins.bottom);
    // The inverse of the inverse of a plain edge entry is the entry again.
    CZVAlignmentEntry plain;
    plain.controlWindow = a;
    plain.referenceWindow = b;
    plain.anchors = CZVAlignmentEntry::Pack(ZVGUI_LEFT, ZVGUI_TOP, ZVGUI_RIGHT, ZVGUI_BOTTOM);
    plain.margins = RECT{-4, -5, 6, 7};
    EXPECT_EQ(plain, plain.Inverse().Inverse());
    // Percentages have no inverse.
    CZVAlignmentEntry percent = plain;
    percent.anchors = CZVAlignmentEntry::Pack(ZVGUI_PERCENT_WIDTH, ZVGUI_PERCENT_HEIGHT, 0, 0);
    EXPECT_EQ(0u, percent.Inverse().anchors);

    // Without pairing only the entries are stored.
    CZVLayoutManager single;
    single.SetPairedEntries(false);
    single.AddAlignment(0, a, b, ZVGUI_LEFT, 0, 0, 0, 0, RECT{});
    EXPECT_EQ(1u, single.GetEntries(0).size());
}

TEST(LayoutGeometry, VerticalPercentagesAndSizeOnlyCases)
{
    const RECT reference = {0, 0, 200, 101};
    const RECT control = {10, 10, 50, 30};
    CZVAlignmentEntry entry;
    // Exactly ZVGUI_SIZEX with a left percentage: the left edge is pulled
    // out from the right edge.
    entry.anchors = CZVAlignmentEntry::Pack(ZVGUI_PERCENT_WIDTH, 0, 0, 0);
    entry.flags = ZVGUI_SIZEX;
    entry.margins = RECT{25, 0, 0, 0};
    RECT r = CZVLayoutManager::PlaceRect(entry, control, reference);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(50, r.right);
    // Bottom percentage keeping the height: 101 * 0.5 = 50.5 -> 51.
    entry.anchors = CZVAlignmentEntry::Pack(0, 0, 0, ZVGUI_PERCENT_HEIGHT);
    entry.flags = 0;
    entry.margins = RECT{0, 0, 0, 50};
    r = CZVLayoutManager::PlaceRect(entry, control, reference);
    EXPECT_EQ(51, r.bottom);
    EXPECT_EQ(31, r.top);
    EXPECT_EQ(10, r.left);
    // Exactly ZVGUI_SIZEY with a bottom percentage: height = 10 % of 101.
    entry.flags = ZVGUI_SIZEY;
    entry.margins = RECT{0, 0, 0, 10};
    r = CZVLayoutManager::PlaceRect(entry, control, reference);
    EXPECT_EQ(10, r.top);
    EXPECT_EQ(20, r.bottom);
    // A vertical percentage ends the geometry: the left anchor is ignored,
    // but centring still applies.
    entry.anchors = CZVAlignmentEntry::Pack(ZVGUI_LEFT, ZVGUI_PERCENT_HEIGHT, 0, 0);
    entry.flags = ZVGUI_CENTERX;
    entry.margins = RECT{0, 20, 0, 0};
    r = CZVLayoutManager::PlaceRect(entry, control, reference);
    EXPECT_EQ(20, r.top);
    EXPECT_EQ(80, r.left); // 40 wide, centred on 100
    // Negative coordinates: the halving truncates toward zero.
    entry.anchors = 0;
    entry.flags = ZVGUI_CENTERX;
    entry.margins = RECT{};
    r = CZVLayoutManager::PlaceRect(entry, RECT{0, 0, 5, 5}, RECT{-5, 0, 0, 10});
    EXPECT_EQ(-2 - 2, r.left); // (-5 + 0) / 2 = -2, (0 + 5) / 2 = 2
    EXPECT_FALSE(CZVLayoutManager::CanResize(entry));
    entry.anchors = CZVAlignmentEntry::Pack(0, 0, ZVGUI_PERCENT_WIDTH, 0);
    EXPECT_TRUE(CZVLayoutManager::CanResize(entry));
}

// ---- The update dialog with the default skin ----

constexpr UINT kMeasure = WM_APP + 40;

class GrowingUpdateDialog : public CDlgUpdate {
public:
    explicit GrowingUpdateDialog(ZvAutoUpdate::CUpdateConfiguration2* configuration)
        : CDlgUpdate(configuration, nullptr, nullptr)
    {
    }

    struct Snapshot {
        RECT client = {};
        RECT ok = {}, cancel = {}, dontShow = {}, send = {}, more = {}, browser = {};
    };
    Snapshot before, after;
    bool measured = false;

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = CDlgUpdate::OnInitDialog();
        SetTimer(m_hWnd, 0x7E57, 20000, nullptr);
        PostMessageW(m_hWnd, WM_UPDATE_CHECKED, 1, 0);
        PostMessageW(m_hWnd, kMeasure, 0, 0);
        PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_BTN_WHATS_NEW, BN_CLICKED), 0);
        PostMessageW(m_hWnd, kMeasure, 1, 0);
        return result;
    }

    bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == kMeasure) {
            Snapshot& shot = wParam ? after : before;
            ::GetClientRect(m_hWnd, &shot.client);
            shot.ok = ChildRect(::GetDlgItem(m_hWnd, IDOK));
            shot.cancel = ChildRect(::GetDlgItem(m_hWnd, IDCANCEL));
            shot.dontShow = ChildRect(::GetDlgItem(m_hWnd, IDC_CHECK_DONT_SHOW_AGAIN));
            shot.send = ChildRect(::GetDlgItem(m_hWnd, IDC_CHECK_SEND_CRM_DATA));
            shot.more = ChildRect(::GetDlgItem(m_hWnd, IDC_BTN_SHOW_CRM));
            if (HWND pane = ::GetDlgItem(m_hWnd, IDC_BROWSER))
                shot.browser = ChildRect(pane);
            if (wParam) {
                measured = true;
                EndDialog(kNotAccepted);
            }
            return true;
        }
        if (message == WM_TIMER && wParam == 0x7E57) {
            EndDialog(zvdialogtest::kWatchdogResult);
            return true;
        }
        return CDlgUpdate::OnDialogMessage(message, wParam, lParam, result);
    }
};

TEST(LayoutUpdateDialog, BottomControlsFollowAndTheBrowserFillsTheNewSpace)
{
    zvdialogtest::TestConfiguration config;
    CBaseDlg::SetLanguageConfigurationOverride(&config);
    GrowingUpdateDialog dialog(&config);
    EXPECT_EQ(CDlgUpdate::kNotAccepted, dialog.DoModal());
    CBaseDlg::SetLanguageConfigurationOverride(nullptr);
    ASSERT_TRUE(dialog.measured);

    const int dpi = static_cast<int>(dialog.GetDpi());
    auto scaled = [dpi](int value) { return MulDiv(value, dpi, 96); };
    const auto& b = dialog.before;
    const auto& a = dialog.after;
    const int extra = MulDiv(CDlgUpdate::kWhatsNewHeight, dpi, 96);
    ASSERT_EQ(b.client.bottom + extra, a.client.bottom);
    EXPECT_EQ(b.client.right, a.client.right);

    // Anchored to the bottom edge: the same distance from it as in the skin.
    EXPECT_EQ(a.client.bottom - scaled(49), a.cancel.bottom);
    EXPECT_EQ(a.client.bottom - scaled(10), a.dontShow.bottom);
    EXPECT_EQ(a.client.bottom - scaled(10), a.send.bottom);
    // They only moved down, keeping their size and horizontal place.
    for (const auto& pair : {std::make_pair(b.cancel, a.cancel), std::make_pair(b.dontShow, a.dontShow),
                             std::make_pair(b.send, a.send)}) {
        EXPECT_EQ(pair.first.left, pair.second.left);
        EXPECT_EQ(pair.first.right, pair.second.right);
        EXPECT_EQ(pair.first.bottom - pair.first.top, pair.second.bottom - pair.second.top);
        EXPECT_GT(pair.second.top, pair.first.top);
    }
    // The controls near the top stay.
    EXPECT_EQ(b.ok.top, a.ok.top);
    EXPECT_EQ(b.more.top, a.more.top);

    // The browser pane fills the new space between the link and the button
    // row, 10 pixels (at 96 DPI) from the sides.
    EXPECT_EQ(scaled(10), a.browser.left);
    EXPECT_EQ(a.client.right - scaled(10), a.browser.right);
    EXPECT_EQ(scaled(206), a.browser.top);
    EXPECT_EQ(a.client.bottom - scaled(82), a.browser.bottom);
    EXPECT_GE(a.browser.top, a.more.bottom);
    EXPECT_LT(a.browser.bottom, a.cancel.top);
    EXPECT_GT(a.browser.bottom - a.browser.top, extra);
}

} // namespace
