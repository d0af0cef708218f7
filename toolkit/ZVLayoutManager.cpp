#include "toolkit/ZVLayoutManager.h"

void CZVLayoutManager::SetReferenceSize(int width, int height)
{
    m_reference.cx = width;
    m_reference.cy = height;
}

bool CZVLayoutManager::IsValidHorizontalAnchor(unsigned int value)
{
    return value == 0 || value == ZVGUI_LEFT || value == ZVGUI_RIGHT || value == ZVGUI_PERCENT_WIDTH;
}

bool CZVLayoutManager::IsValidVerticalAnchor(unsigned int value)
{
    return value == 0 || value == ZVGUI_TOP || value == ZVGUI_BOTTOM || value == ZVGUI_PERCENT_HEIGHT;
}

bool CZVLayoutManager::IsValidSizing(unsigned int value)
{
    const unsigned int allowed = ZVGUI_SIZEX | ZVGUI_SIZEY | ZVGUI_CENTERX | ZVGUI_CENTERY;
    return value == 0 || (value & ~allowed) == 0;
}

bool CZVLayoutManager::AddAlignment(int set, const CZVAlignmentEntry& entry)
{
    if (set < 0 || entry.control.IsEmpty())
        return false;
    if (!IsValidHorizontalAnchor(entry.left) || !IsValidHorizontalAnchor(entry.right) ||
        !IsValidVerticalAnchor(entry.top) || !IsValidVerticalAnchor(entry.bottom) || !IsValidSizing(entry.sizing))
        return false;
    if (static_cast<size_t>(set) >= m_sets.size())
        m_sets.resize(static_cast<size_t>(set) + 1);
    m_sets[static_cast<size_t>(set)].push_back(entry);
    return true;
}

const std::vector<CZVAlignmentEntry>& CZVLayoutManager::GetEntries(int set) const
{
    static const std::vector<CZVAlignmentEntry> none;
    if (set < 0 || static_cast<size_t>(set) >= m_sets.size())
        return none;
    return m_sets[static_cast<size_t>(set)];
}

size_t CZVLayoutManager::GetEntryCount() const
{
    size_t count = 0;
    for (const auto& set : m_sets)
        count += set.size();
    return count;
}

void CZVLayoutManager::Clear()
{
    m_sets.clear();
    m_reference = SIZE{0, 0};
}
