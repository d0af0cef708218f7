// CZVLayoutManager: keeps the controls of a skinned dialog in place relative
// to other controls or to the dialog's client area when the dialog changes
// size. The description loader creates one per load and hands it every
// entry of the sections "ALIGNMENT1", "ALIGNMENT2", ... (AddAlignment, set =
// number - 1, margins already scaled to the display's DPI); the dialog's
// size handler runs ApplyLayout.
//
// An entry ties each edge of a control to an edge of its reference (another
// control, or the owner dialog's client area when there is none), or to a
// percentage of the reference's width or height, and may centre the control:
//   edge anchor      the edge goes to (reference edge - margin); without the
//                    size flag of its direction the control keeps its size,
//                    so with both edges anchored the one applied last (right,
//                    bottom) decides. A positive margin on ZVGUI_LEFT or
//                    ZVGUI_TOP puts the edge outside the reference; a control
//                    inside the reference uses a negative margin there.
//   percentage       ZVGUI_PERCENT_WIDTH / _HEIGHT: the margin is a
//                    percentage of the reference's width / height (single
//                    precision, rounded half away from zero).
//   ZVGUI_CENTERX/Y  centres the control; left / top margins shift it.
//   64               also repaint the control's old and new areas.
//
// Each entry is stored followed by its inverse (control and reference
// swapped, edges mirrored, margins negated), as the toolkit's designer tools
// expect; the layout pass applies only the entries themselves. An inverse
// that equals an entry or inverse already stored is not stored again, so the
// stored list does not strictly alternate: the pass skips inverses by their
// mark (CZVAlignmentEntry::inverse), not by position, and a line is
// compared only with the entries (not the inverses) when it is added, so a
// line that happens to equal another line's inverse is still applied.
#pragma once

#include "ZvOSAL/ZvString.h"
#include "toolkit/ZVAlignmentFlags.h"

#include <windows.h>

#include <vector>

struct CZVAlignmentEntry {
    HWND controlWindow = nullptr;   // the control that is placed (not owned; may be null)
    HWND referenceWindow = nullptr; // the control it is placed against; null: the owner's client area
    ZvOSAL::ZvString control;       // their names in the description (for diagnostics)
    ZvOSAL::ZvString reference;
    // The four anchors, left in the highest byte, then top, right, bottom.
    unsigned int anchors = 0;
    unsigned int flags = 0;       // ZVGUI_SIZEX/Y, ZVGUI_CENTERX/Y, ZVGUI_REPAINT
    RECT margins = {0, 0, 0, 0}; // left, top, right, bottom
    bool inverse = false;         // stored as the inverse of the entry before it (not part of equality)

    unsigned char Left() const { return static_cast<unsigned char>(anchors >> 24); }
    unsigned char Top() const { return static_cast<unsigned char>(anchors >> 16); }
    unsigned char Right() const { return static_cast<unsigned char>(anchors >> 8); }
    unsigned char Bottom() const { return static_cast<unsigned char>(anchors); }
    static unsigned int Pack(unsigned char left, unsigned char top, unsigned char right, unsigned char bottom);

    // Control and reference swapped, flags kept, each edge anchor mirrored
    // with its margin negated; percentage anchors are dropped.
    CZVAlignmentEntry Inverse() const;
    bool operator==(const CZVAlignmentEntry& other) const;
    bool operator!=(const CZVAlignmentEntry& other) const { return !(*this == other); }
};

class CZVLayoutManager {
public:
    // Options bit: an entry without a reference is placed against its own
    // parent window instead of the owner's client area.
    static constexpr unsigned int kOptionParentAsReference = 2;

    CZVLayoutManager();
    virtual ~CZVLayoutManager() = default;
    CZVLayoutManager(const CZVLayoutManager&) = delete;
    CZVLayoutManager& operator=(const CZVLayoutManager&) = delete;

    // Places every entry of the current set (see the top of this file); the
    // arguments (the new client size) are not needed, the rectangles are
    // read from the windows. Entries whose control or reference has no
    // window are skipped. Returns true.
    virtual bool ApplyLayout(int clientWidth, int clientHeight);

    // Stores an entry (and its inverse) in set. Refuses (false, nothing
    // stored) a left or right anchor with a bit of ZVGUI_TOP or ZVGUI_BOTTOM,
    // a top or bottom anchor with a bit of ZVGUI_LEFT or ZVGUI_RIGHT, an
    // anchor above 255, and a set beyond the next free one (set == number of
    // sets appends a set). An entry equal to a stored entry is not stored
    // again (nor its inverse); an inverse equal to anything stored is left
    // out. True when the set holds at least one entry afterwards.
    bool AddAlignment(unsigned int set, HWND control, HWND reference, unsigned int left, unsigned int top,
                      unsigned int right, unsigned int bottom, unsigned int flags, const RECT& margins,
                      const wchar_t* controlName = nullptr, const wchar_t* referenceName = nullptr);

    // The dialog whose client area is the default reference. Resets the
    // current set to 0; false (nothing changed) for a null window.
    bool SetOwner(HWND owner);
    HWND GetOwner() const { return m_owner; }
    // False for an index that is not below the number of sets.
    bool SetCurrentSet(unsigned int set);
    unsigned int GetCurrentSet() const { return m_currentSet; }
    void SetOptions(unsigned int options) { m_options = options; }
    unsigned int GetOptions() const { return m_options; }
    void SetRedrawAfterLayout(bool redraw) { m_redrawAfterLayout = redraw; }
    bool GetRedrawAfterLayout() const { return m_redrawAfterLayout; }
    // Only affects entries added afterwards; switch it before adding any.
    void SetPairedEntries(bool paired) { m_pairedEntries = paired; }
    bool GetPairedEntries() const { return m_pairedEntries; }

    // The dialog's designed size (from the description's position).
    void SetReferenceSize(int width, int height);
    // Entries referring to the owner's client area see it less a band of
    // this height along its top (the glass frame's caption, drawn into the
    // client area); 0 by default.
    void SetOwnerTopInset(int pixels) { m_ownerTopInset = pixels; }
    SIZE GetReferenceSize() const { return m_reference; }

    // Computes where one entry puts a control whose window rectangle is
    // control, against the reference rectangle reference (both in the same
    // coordinates); the geometry of ApplyLayout without any window.
    static RECT PlaceRect(const CZVAlignmentEntry& entry, const RECT& control, const RECT& reference);
    // True when the entry may change the control's size.
    static bool CanResize(const CZVAlignmentEntry& entry);

    unsigned int GetSetCount() const { return static_cast<unsigned int>(m_sets.size()); }
    // The stored entries of set in order (each entry followed by its
    // inverse, when not already stored, while paired entries are on);
    // empty for an unknown set.
    const std::vector<CZVAlignmentEntry>& GetEntries(unsigned int set) const;
    size_t GetEntryCount() const;

private:
    bool ApplyEntry(const CZVAlignmentEntry& entry);
    static void RedrawControl(HWND control);

    HWND m_owner = nullptr;
    int m_ownerTopInset = 0;
    std::vector<std::vector<CZVAlignmentEntry>> m_sets;
    unsigned int m_currentSet = 0;
    bool m_redrawAfterLayout = true;
    bool m_pairedEntries = true;
    unsigned int m_options = 1;
    SIZE m_reference = {0, 0};
};
