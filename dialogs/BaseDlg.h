// CBaseDlg: the base of the library's four dialogs. It picks the template and
// the texts in the user interface language (English (United Kingdom), 2057,
// as the fallback), finds the skin folder, has the toolkit read the dialog's
// description file from its "Dialogs\" subfolder, scales for the display's
// DPI (capped at 168) and replaces the product placeholder "$ZORVA$".
//
// A derived dialog supplies RegisterControls, GetDescriptionFileName,
// GetTemplateID, DoDataExchange (BindControl for its member controls) and
// InitContent (its own texts and states), which OnInitDialog calls once the
// skin is applied and the controls are bound; then the dialog comes to the
// foreground.
#pragma once

#include "UpdateConfiguration2.h"
#include "ZvOSAL/ZvPath.h"
#include "ZvOSAL/ZvString.h"
#include "toolkit/ZVBeautyDialog.h"
#include "toolkit/ZVGdi.h"

#include <windows.h>

class CBaseDlg : public CZV_BeautyDialog {
public:
    // templateId is the derived dialog's template; the base does not keep
    // it (GetTemplateID answers at DoModal). configuration and parent may be
    // null.
    CBaseDlg(UINT templateId, ZvAutoUpdate::CUpdateConfiguration2* configuration, HWND parent);
    ~CBaseDlg() override;

    // Registers the dialog's controls with the designer (RegisterControl).
    virtual void RegisterControls() = 0;
    // The description file's name ("Update.ini").
    virtual ZvOSAL::ZvString GetDescriptionFileName() = 0;
    // The template's resource id (1002).
    virtual UINT GetTemplateID() = 0;

    // Finds the template in the user interface language, then 2057, then
    // any language; -1 when none is found or the dialog cannot be created,
    // else the value passed to EndDialog.
    INT_PTR DoModal() override;

    // The skin folder (with a trailing "\" unless empty): the configuration's
    // GetSkinPath when it answers a string (even an empty one), else
    // Bitmaps\ZvAutoUpdate\ of the program's folder; without a configuration
    // the program's folder.
    ZvOSAL::ZvPath GetSkinFolder();
    // Sets the toolkit language from the dialog's configuration
    // (GetProgramLanguage) and returns it; 2057 without a configuration.
    LANGID GetUILanguage();
    // String-table entry id in the user interface language (block fallback
    // to 2057, then the module's standard string loader).
    ZvOSAL::ZvString LoadUIString(UINT id);
    // SW_SHOW / SW_HIDE the child with that id; nothing when there is none.
    void ShowControl(UINT id, bool show);
    // Ticks a skinned button child (CZV_UniButton) and redraws it.
    void SetControlCheck(UINT id, int state);
    // Replaces every "$ZORVA$" in the control's text with the product name;
    // nothing without a configuration or window.
    void ReplacePlaceholder(HWND control);
    void ReplacePlaceholder(CZV_Wnd& control) { ReplacePlaceholder(control.GetSafeHwnd()); }

    unsigned int GetDpi() const { return m_dpi; }
    void UpdateDpi();
    // The DPI cap: 96 * 7 / 4.
    static constexpr unsigned int kMaxDpi = 168;
    // A display DPI that dialogs constructed from now on take instead of the
    // measured one (tests and the gallery lay dialogs out for other
    // displays); 0 measures again.
    static void SetDpiOverride(unsigned int dpi);
    // The DPI rule for a measured value (96 when measuring failed).
    static unsigned int CapDpi(unsigned int measured) { return measured > kMaxDpi ? kMaxDpi : measured; }

    ZvAutoUpdate::CUpdateConfiguration2* GetConfiguration() const { return m_configuration; }

    // Logs one line through the configuration (once per run) and ends the
    // dialog with its cancel result.
    void OnFailure() noexcept override;

protected:
    // Skin, DPI, layout and data exchange, then InitContent, then the dialog
    // to the foreground and the top of the Z order.
    BOOL OnInitDialog() override;
    virtual void InitContent() {}
    // What the dialog ends with when it is closed as cancelled.
    virtual INT_PTR GetCancelResult() const { return IDCANCEL; }

private:
    ZvAutoUpdate::CUpdateConfiguration2* m_configuration;
    ZvOSAL::ZvString m_placeholder;
    HWND m_parent;
    unsigned int m_dpi;
    bool m_failureLogged = false;
    ZVGdi::Font m_templateFont; // the template's font at m_dpi, when the display's differs
};

// The name of the control whose bottom is kept at its designed distance from
// the dialog's bottom (scaled for DPI) by OnInitDialog.
#define ZV_MAIN_AREA_FRAME_NAME L"IDC_GENERALCONTROLS_FRAME_MAIN_AREA"
