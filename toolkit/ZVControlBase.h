// CZV_Wnd and CZV_ControlBase: the window objects of the dialog toolkit.
//
// CZV_Wnd holds a window handle and the few window operations the dialogs
// use. CZV_ControlBase is the base of every skinned control: it attaches to
// an existing child window ("subclass", the window keeps its class and
// system behaviour, the control paints it) or creates one ("create"), reads
// its look from a section of a control template file, and through
// CZVLegacyIniFileSupport reads typed values the same way as the skin files.
//
// Control template files (INI, resolved against the description file's
// folder) hold one section per template; keys every control understands
// (all optional: a missing key keeps the system's drawing for that part):
//   textColor         = r g b        text colour
//   textColorDisabled = r g b        text colour of a disabled control
//   backColor         = r g b        background colour (none: the parent's)
//   borderColor       = r g b        one-pixel border (none: no border)
//   font              = face         font face (".alternative" keys apply)
//   fontSize          = height weight italic underline ...  (96-DPI pixels)
//   bitmap            = file         image (PNG, BMP, ...) drawn stretched
//                                    over the control, resolved against the
//                                    template file's folder (one file per
//                                    display scale, see ZVImage.h)
//   grid              = l t r b      the image's borders (96 DPI) that keep
//                                    their size when it is stretched
//   align             = left | center | right   text alignment
// Controls add their own keys (see ZVControls.h). Sizes are written for
// 96 DPI and scaled with the toolkit's DPI setting.
//
// A window handle maps to its control object through a window property, so
// the dialog can hand colour and drawing messages to the right control.
#pragma once

#include "ZvOSAL/ZvString.h"
#include "toolkit/ZVLegacyIniFileSupport.h"
#include "toolkit/ZVGdi.h"

#include <windows.h>

class CZVIniFileReader;

class CZV_Wnd {
public:
    CZV_Wnd() = default;
    virtual ~CZV_Wnd() = default;
    CZV_Wnd(const CZV_Wnd&) = delete;
    CZV_Wnd& operator=(const CZV_Wnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // Each does nothing (and returns false or empty) without a window.
    bool ShowWindow(int command);
    bool IsWindowVisible() const;
    void SetWindowText(const wchar_t* text);
    ZvOSAL::ZvString GetWindowText() const { return TextOf(m_hWnd); }
    // The text of any window (empty for none): the one reader of the toolkit.
    static ZvOSAL::ZvString TextOf(HWND window);
    void Invalidate(bool erase = true);
    bool EnableWindow(bool enable);
    int GetDlgCtrlID() const;

    HWND m_hWnd = nullptr;
};

class CZV_ControlBase : public CZV_Wnd, public CZVLegacyIniFileSupport {
public:
    CZV_ControlBase();
    ~CZV_ControlBase() override;

    // The control's type name as description files write it ("CZV_Static").
    virtual const wchar_t* GetTypeName() const = 0;

    // Creates the control window as a child of parent. position in pixels.
    // The window class is the control's system class (GetSystemClass).
    virtual bool Create(HWND parent, UINT id, const RECT& position, DWORD style, DWORD styleEx,
                        const wchar_t* text);
    // Takes over an existing window; false when window is not a window or
    // another control already owns it. Taking over the window this control
    // already has is a success.
    virtual bool SubclassWindow(HWND window);
    // Gives the window back its own procedure; the window stays.
    virtual void UnsubclassWindow();

    // Reads the template section from the control template file (null file
    // or empty section: the system look). Re-reading replaces the look.
    virtual bool LoadTemplate(CZVIniFileReader* file, const wchar_t* section);
    const ZvOSAL::ZvString& GetTemplateName() const { return m_templateName; }

    // The control's window procedure; the default passes to the original.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Colour message from the parent (WM_CTLCOLORSTATIC/EDIT/BTN) for this
    // control: a brush, or null to let the parent decide.
    virtual HBRUSH OnCtlColor(HDC dc, UINT message);
    // WM_DRAWITEM forwarded by the parent; true when drawn.
    virtual bool OnDrawItem(const DRAWITEMSTRUCT& item);
    // Where the control draws its text (client coordinates) and how
    // (DrawText format, without the ellipsis it may add); false for a
    // control that draws no text of its own.
    virtual bool GetTextLayout(RECT& area, UINT& format) const { return false; }
    // The font the control draws with: the template's, else the window's.
    HFONT GetDrawFont() const;
    // WM_COMMAND notification from this control, seen by the parent before
    // its own handler.
    virtual void OnParentNotify(UINT code) {}
    // Repaints the control, e.g. after the layout moved it. The base
    // invalidates with erasing and, unless deferUpdate, paints at once.
    virtual void Redraw(bool deferUpdate);

    // The control object that owns window, or null.
    static CZV_ControlBase* FromHandle(HWND window);

protected:
    // The class name Create uses ("BUTTON", "STATIC", ...).
    virtual const wchar_t* GetSystemClass() const = 0;
    // Called after a window was created or taken over.
    virtual void OnAttached() {}

    // The template's look, read by LoadTemplate.
    struct Look {
        bool hasText = false, hasTextDisabled = false, hasBack = false, hasBorder = false;
        COLORREF text = 0, textDisabled = 0, back = 0, border = 0;
        ZVGdi::Font font;
        int align = -1;       // -1 template says nothing, else DT_LEFT / DT_CENTER / DT_RIGHT
        ZvOSAL::ZvString bitmap; // full path, empty for none
        RECT grid = {0, 0, 0, 0}; // the bitmap's unstretched borders (96 DPI)
    };
    Look m_look;
    ZVGdi::Brush m_backBrush; // from m_look.back
    ZvOSAL::ZvString m_templateName;
    CZVIniFileReader* m_templateFile = nullptr; // not owned (cache-backed reader of the designer)

    // Fills rect with the template's background, else the parent's brush.
    void PaintBackground(HDC dc, const RECT& rect, UINT ctlColorMessage);
    // Draws the template's bitmap stretched over rect; false without one.
    bool PaintBitmap(HDC dc, const RECT& rect, int frame = 0, int frames = 1);
    // Serves the painting messages of a control that draws all of itself
    // (paint, print into a given DC, no background erase); false for others.
    template <typename PaintFn>
    bool ServeSelfDrawing(UINT message, WPARAM wParam, LRESULT& result, PaintFn paint)
    {
        switch (message) {
        case WM_PAINT: {
            // Ended also when painting stops inside.
            struct Painting {
                HWND window;
                PAINTSTRUCT ps = {};
                HDC dc = nullptr;
                explicit Painting(HWND w) : window(w) { dc = ::BeginPaint(w, &ps); }
                ~Painting() { ::EndPaint(window, &ps); }
            } painting(m_hWnd);
            if (painting.dc)
                paint(painting.dc);
            result = 0;
            return true;
        }
        case WM_PRINTCLIENT:
            paint(reinterpret_cast<HDC>(wParam));
            result = 0;
            return true;
        case WM_ERASEBKGND:
            result = 1;
            return true;
        default:
            return false;
        }
    }
    // Reads a colour key of the template (false when missing).
    bool ReadTemplateColor(const wchar_t* key, COLORREF& color);
    bool ReadTemplateString(const wchar_t* key, ZvOSAL::ZvString& value);
    int ReadTemplateInt(const wchar_t* key, int defaultValue);
    ZvOSAL::ZvString ResolveTemplatePath(const wchar_t* file) const;
    void ReleaseLook();

private:
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_originalProc = nullptr;
};
