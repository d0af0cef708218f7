// CZVLayoutManager: the alignment entries of a skinned dialog, kept in
// numbered sets. The description loader hands every entry of the sections
// "ALIGNMENT1", "ALIGNMENT2", ... to AddAlignment (set = number - 1), which
// checks and stores it. Moving and sizing the controls when the dialog
// changes size uses these entries; until that exists they are only stored.
#pragma once

#include "ZvOSAL/ZvString.h"

#include <windows.h>

#include <vector>

// Flag values of the alignment fields.
enum EZVGuiAlignment : unsigned int {
    ZVGUI_NONE = 0,
    ZVGUI_LEFT = 1,
    ZVGUI_RIGHT = 2,
    ZVGUI_TOP = 4,
    ZVGUI_BOTTOM = 8,
    ZVGUI_PERCENT_WIDTH = 16,
    ZVGUI_PERCENT_HEIGHT = 32,
    ZVGUI_SIZEX = 128,
    ZVGUI_SIZEY = 256,
    ZVGUI_CENTERX = 512,
    ZVGUI_CENTERY = 1024,
    ZVGUI_CENTER = 1536,
};

struct CZVAlignmentEntry {
    ZvOSAL::ZvString control;   // the control that is positioned
    ZvOSAL::ZvString reference; // the control it refers to
    HWND controlWindow = nullptr;   // as found among the registered controls (may be null)
    HWND referenceWindow = nullptr;
    unsigned int left = 0, top = 0, right = 0, bottom = 0; // edge anchors
    unsigned int sizing = 0;                               // size and centring flags
    RECT margins = {0, 0, 0, 0}; // pixels (already scaled when the loader scales)
};

class CZVLayoutManager {
public:
    CZVLayoutManager() = default;
    virtual ~CZVLayoutManager() = default;

    // The dialog's designed size (from the description's position).
    void SetReferenceSize(int width, int height);
    SIZE GetReferenceSize() const { return m_reference; }

    // Stores entry in set (index >= 0). Refuses (false) a negative set, an
    // empty control name, a left/right anchor other than 0, ZVGUI_LEFT,
    // ZVGUI_RIGHT or ZVGUI_PERCENT_WIDTH, a top/bottom anchor other than 0,
    // ZVGUI_TOP, ZVGUI_BOTTOM or ZVGUI_PERCENT_HEIGHT, and sizing flags that
    // are neither 0 nor a combination of ZVGUI_SIZEX, ZVGUI_SIZEY,
    // ZVGUI_CENTERX and ZVGUI_CENTERY.
    virtual bool AddAlignment(int set, const CZVAlignmentEntry& entry);

    static bool IsValidHorizontalAnchor(unsigned int value);
    static bool IsValidVerticalAnchor(unsigned int value);
    static bool IsValidSizing(unsigned int value);

    int GetSetCount() const { return static_cast<int>(m_sets.size()); }
    // The entries of set, in the order added (empty for an unknown set).
    const std::vector<CZVAlignmentEntry>& GetEntries(int set) const;
    size_t GetEntryCount() const;
    void Clear();

private:
    SIZE m_reference = {0, 0};
    std::vector<std::vector<CZVAlignmentEntry>> m_sets;
};
