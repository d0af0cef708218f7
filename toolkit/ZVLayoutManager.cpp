#include "toolkit/ZVLayoutManager.h"

#include "toolkit/ZVControlBase.h"

#include <cmath>

namespace {

// d * (m / 100) in single precision, rounded half away from zero.
int Percent(long extent, long percent)
{
    const float value = static_cast<float>(extent) * (static_cast<float>(percent) / 100.0f);
    return static_cast<int>(std::round(value));
}

// Moves one edge of r to (reference edge - margin); without the size flag
// the opposite edge moves along so that the size stays.
void AnchorEdge(RECT& r, const RECT& p, long RECT::*edge, long RECT::*opposite, unsigned char anchor, long margin,
                bool stretch)
{
    long target;
    switch (anchor) {
    case ZVGUI_LEFT:
        target = p.left;
        break;
    case ZVGUI_RIGHT:
        target = p.right;
        break;
    case ZVGUI_TOP:
        target = p.top;
        break;
    case ZVGUI_BOTTOM:
        target = p.bottom;
        break;
    default:
        return;
    }
    if (!stretch)
        r.*opposite += target - r.*edge - margin;
    r.*edge = target - margin;
}

} // namespace

unsigned int CZVAlignmentEntry::Pack(unsigned char left, unsigned char top, unsigned char right, unsigned char bottom)
{
    return (static_cast<unsigned int>(left) << 24) | (static_cast<unsigned int>(top) << 16) |
           (static_cast<unsigned int>(right) << 8) | bottom;
}

CZVAlignmentEntry CZVAlignmentEntry::Inverse() const
{
    CZVAlignmentEntry inverse;
    inverse.controlWindow = referenceWindow;
    inverse.referenceWindow = controlWindow;
    inverse.control = reference;
    inverse.reference = control;
    inverse.flags = flags;
    unsigned char l = 0, t = 0, r = 0, b = 0;
    RECT m = {0, 0, 0, 0};
    // In this order: a later row overrides an earlier one for the same edge.
    if (Left() == ZVGUI_LEFT) {
        l = ZVGUI_LEFT;
        m.left = -margins.left;
    } else if (Left() == ZVGUI_RIGHT) {
        r = ZVGUI_LEFT;
        m.right = -margins.left;
    }
    if (Top() == ZVGUI_TOP) {
        t = ZVGUI_TOP;
        m.top = -margins.top;
    } else if (Top() == ZVGUI_BOTTOM) {
        b = ZVGUI_TOP;
        m.bottom = -margins.top;
    }
    if (Right() == ZVGUI_RIGHT) {
        r = ZVGUI_RIGHT;
        m.right = -margins.right;
    } else if (Right() == ZVGUI_LEFT) {
        l = ZVGUI_RIGHT;
        m.left = -margins.right;
    }
    if (Bottom() == ZVGUI_BOTTOM) {
        b = ZVGUI_BOTTOM;
        m.bottom = -margins.bottom;
    } else if (Bottom() == ZVGUI_TOP) {
        t = ZVGUI_BOTTOM;
        m.top = -margins.bottom;
    }
    inverse.anchors = Pack(l, t, r, b);
    inverse.margins = m;
    return inverse;
}

bool CZVAlignmentEntry::operator==(const CZVAlignmentEntry& other) const
{
    return controlWindow == other.controlWindow && referenceWindow == other.referenceWindow &&
           control == other.control && reference == other.reference && anchors == other.anchors &&
           flags == other.flags && margins.left == other.margins.left && margins.top == other.margins.top &&
           margins.right == other.margins.right && margins.bottom == other.margins.bottom;
}

CZVLayoutManager::CZVLayoutManager() : m_sets(1) {}

bool CZVLayoutManager::SetOwner(HWND owner)
{
    if (!owner)
        return false;
    m_owner = owner;
    m_currentSet = 0;
    return true;
}

bool CZVLayoutManager::SetCurrentSet(unsigned int set)
{
    if (set >= m_sets.size())
        return false;
    m_currentSet = set;
    return true;
}

void CZVLayoutManager::SetReferenceSize(int width, int height)
{
    m_reference.cx = width;
    m_reference.cy = height;
}

bool CZVLayoutManager::AddAlignment(unsigned int set, HWND control, HWND reference, unsigned int left,
                                    unsigned int top, unsigned int right, unsigned int bottom, unsigned int flags,
                                    const RECT& margins, const wchar_t* controlName, const wchar_t* referenceName)
{
    const unsigned int vertical = ZVGUI_TOP | ZVGUI_BOTTOM;
    const unsigned int horizontal = ZVGUI_LEFT | ZVGUI_RIGHT;
    if ((left & vertical) || (right & vertical) || (top & horizontal) || (bottom & horizontal))
        return false;
    // Anchors are stored as bytes.
    if (left > 0xFF || top > 0xFF || right > 0xFF || bottom > 0xFF)
        return false;
    if (set > m_sets.size())
        return false;
    if (set == m_sets.size())
        m_sets.emplace_back();

    CZVAlignmentEntry entry;
    entry.controlWindow = control;
    entry.referenceWindow = reference;
    entry.control = controlName ? controlName : L"";
    entry.reference = referenceName ? referenceName : L"";
    entry.anchors = CZVAlignmentEntry::Pack(static_cast<unsigned char>(left), static_cast<unsigned char>(top),
                                            static_cast<unsigned char>(right), static_cast<unsigned char>(bottom));
    entry.flags = flags;
    entry.margins = margins;

    std::vector<CZVAlignmentEntry>& entries = m_sets[set];
    auto contains = [&entries](const CZVAlignmentEntry& candidate, bool includeInverses) {
        for (const CZVAlignmentEntry& stored : entries)
            if ((includeInverses || !stored.inverse) && stored == candidate)
                return true;
        return false;
    };
    if (!contains(entry, false)) {
        entries.push_back(entry);
        if (m_pairedEntries) {
            CZVAlignmentEntry inverse = entry.Inverse();
            inverse.inverse = true;
            if (!contains(inverse, true))
                entries.push_back(inverse);
        }
    }
    return !entries.empty();
}

bool CZVLayoutManager::CanResize(const CZVAlignmentEntry& entry)
{
    return (entry.flags & (ZVGUI_SIZEX | ZVGUI_SIZEY)) != 0 || entry.Left() == ZVGUI_PERCENT_WIDTH ||
           entry.Right() == ZVGUI_PERCENT_WIDTH || entry.Top() == ZVGUI_PERCENT_HEIGHT ||
           entry.Bottom() == ZVGUI_PERCENT_HEIGHT;
}

RECT CZVLayoutManager::PlaceRect(const CZVAlignmentEntry& entry, const RECT& control, const RECT& p)
{
    RECT r = control;
    const long pw = p.right - p.left;
    const long ph = p.bottom - p.top;
    const unsigned char l = entry.Left(), t = entry.Top(), rt = entry.Right(), b = entry.Bottom();
    const unsigned int f = entry.flags;
    const RECT& m = entry.margins;

    bool horizontalPercent = true;
    const long width = r.right - r.left;
    if (l == ZVGUI_PERCENT_WIDTH && rt == ZVGUI_PERCENT_WIDTH && (f & ZVGUI_SIZEX)) {
        r.left = p.left + Percent(pw, m.left);
        r.right = p.left + Percent(pw, m.right);
    } else if (f == ZVGUI_SIZEX && l == ZVGUI_PERCENT_WIDTH && rt == 0) {
        r.left = r.right - Percent(pw, m.left);
    } else if (f == ZVGUI_SIZEX && rt == ZVGUI_PERCENT_WIDTH && l == 0) {
        r.right = r.left + Percent(pw, m.right);
    } else if (f != ZVGUI_SIZEX && l == ZVGUI_PERCENT_WIDTH) {
        r.left = p.left + Percent(pw, m.left);
        r.right = r.left + width;
    } else if (f != ZVGUI_SIZEX && rt == ZVGUI_PERCENT_WIDTH) {
        r.right = p.left + Percent(pw, m.right);
        r.left = r.right - width;
    } else {
        horizontalPercent = false;
    }

    bool verticalPercent = true;
    const long height = r.bottom - r.top;
    if (t == ZVGUI_PERCENT_HEIGHT && b == ZVGUI_PERCENT_HEIGHT && (f & ZVGUI_SIZEY)) {
        r.top = p.top + Percent(ph, m.top);
        r.bottom = p.top + Percent(ph, m.bottom);
    } else if (f != ZVGUI_SIZEY && t == ZVGUI_PERCENT_HEIGHT) {
        r.top = p.top + Percent(ph, m.top);
        r.bottom = r.top + height;
    } else if (f != ZVGUI_SIZEY && b == ZVGUI_PERCENT_HEIGHT) {
        r.bottom = p.top + Percent(ph, m.bottom);
        r.top = r.bottom - height;
    } else if (f == ZVGUI_SIZEY && t == ZVGUI_PERCENT_HEIGHT && b == 0) {
        r.top = r.bottom - Percent(ph, m.top);
    } else if (f == ZVGUI_SIZEY && b == ZVGUI_PERCENT_HEIGHT && t == 0) {
        r.bottom = r.top + Percent(ph, m.bottom);
    } else {
        verticalPercent = false;
    }

    // Edge anchors only when no percentage placed the control.
    if (!verticalPercent && !horizontalPercent) {
        const bool sizeX = (f & ZVGUI_SIZEX) != 0;
        const bool sizeY = (f & ZVGUI_SIZEY) != 0;
        AnchorEdge(r, p, &RECT::left, &RECT::right, l, m.left, sizeX);
        AnchorEdge(r, p, &RECT::top, &RECT::bottom, t, m.top, sizeY);
        AnchorEdge(r, p, &RECT::right, &RECT::left, rt, m.right, sizeX);
        AnchorEdge(r, p, &RECT::bottom, &RECT::top, b, m.bottom, sizeY);
    }

    if (f & (ZVGUI_CENTERX | ZVGUI_CENTERY)) {
        // Integer division: the halving truncates toward zero.
        const long dx = (p.left + p.right) / 2 - (r.left + r.right) / 2 + m.left;
        const long dy = (p.top + p.bottom) / 2 - (r.top + r.bottom) / 2 + m.top;
        if (f & ZVGUI_CENTERX)
            OffsetRect(&r, dx, 0);
        if (f & ZVGUI_CENTERY)
            OffsetRect(&r, 0, dy);
    }
    return r;
}

bool CZVLayoutManager::ApplyEntry(const CZVAlignmentEntry& entry)
{
    HWND control = entry.controlWindow;
    if (!control || !IsWindow(control))
        return false;
    RECT p = {};
    UINT extra = 0;
    HWND invalidateIn = GetParent(control);
    if (entry.referenceWindow) {
        if (!IsWindow(entry.referenceWindow))
            return false;
        GetWindowRect(entry.referenceWindow, &p);
    } else if (m_options & kOptionParentAsReference) {
        HWND parent = GetParent(control);
        if (!parent)
            return false;
        GetWindowRect(parent, &p);
        extra = SWP_NOREDRAW;
    } else {
        if (!m_owner || !IsWindow(m_owner))
            return false;
        GetClientRect(m_owner, &p);
        MapWindowPoints(m_owner, nullptr, reinterpret_cast<POINT*>(&p), 2);
        p.top += m_ownerTopInset;
        extra = SWP_NOREDRAW;
        invalidateIn = m_owner;
    }

    RECT old = {};
    GetWindowRect(control, &old);
    RECT r = PlaceRect(entry, old, p);

    HWND parent = GetParent(control);
    if ((GetWindowLongPtrW(control, GWL_STYLE) & WS_CHILD) && parent)
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    UINT placement = SWP_NOZORDER | SWP_NOACTIVATE | extra;
    if (!CanResize(entry))
        placement |= SWP_NOSIZE;
    SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, placement);

    if (entry.flags & ZVGUI_REPAINT) {
        if (invalidateIn) {
            MapWindowPoints(nullptr, invalidateIn, reinterpret_cast<POINT*>(&old), 2);
            InvalidateRect(invalidateIn, &old, TRUE);
        }
        InvalidateRect(control, nullptr, TRUE);
    }
    return true;
}

void CZVLayoutManager::RedrawControl(HWND control)
{
    if (!control || !IsWindow(control))
        return;
    if (CZV_ControlBase* skinned = CZV_ControlBase::FromHandle(control)) {
        skinned->Redraw(false);
        return;
    }
    if ((GetWindowLongPtrW(control, GWL_STYLE) & WS_CLIPCHILDREN) == 0)
        InvalidateRect(control, nullptr, FALSE);
    else
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

bool CZVLayoutManager::ApplyLayout(int, int)
{
    if (m_currentSet >= m_sets.size())
        return true;
    // A copy: moving a window sends messages whose handlers might add entries.
    const std::vector<CZVAlignmentEntry> entries = m_sets[m_currentSet];
    for (const CZVAlignmentEntry& entry : entries)
        if (!entry.inverse)
            ApplyEntry(entry);
    if (m_redrawAfterLayout)
        for (const CZVAlignmentEntry& entry : entries)
            if (!entry.inverse)
                RedrawControl(entry.controlWindow);
    return true;
}

const std::vector<CZVAlignmentEntry>& CZVLayoutManager::GetEntries(unsigned int set) const
{
    static const std::vector<CZVAlignmentEntry> none;
    if (set >= m_sets.size())
        return none;
    return m_sets[set];
}

size_t CZVLayoutManager::GetEntryCount() const
{
    size_t count = 0;
    for (const auto& set : m_sets)
        count += set.size();
    return count;
}
