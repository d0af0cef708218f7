// CCRMViewer: shows the user, read-only, the program information that the
// update would send ("Transfer program information" in the update dialog).
// Template 1023, description file "CRMViewer.ini"; opened by the update
// dialog's "More" button. The only button, IDOK ("Close"), ends it with 1.
#pragma once

#include "ZvOSAL/ZvPath.h"
#include "ZvOSAL/ZvString.h"
#include "dialogs/BaseDlg.h"
#include "toolkit/ZVControls.h"

class CCRMViewer : public CBaseDlg {
public:
    // With a configuration the file shown is its GetCRMDataFile(0) (the text
    // version; kind 1 is the file that is uploaded); without one, or when
    // the host names none, the field stays empty.
    CCRMViewer(ZvAutoUpdate::CUpdateConfiguration2* configuration, HWND parent);

    void RegisterControls() override;
    ZvOSAL::ZvString GetDescriptionFileName() override { return ZvOSAL::ZvString(L"CRMViewer.ini"); }
    UINT GetTemplateID() override;

    const ZvOSAL::ZvPath& GetDataFile() const { return m_dataFile; }

    // The file as the field shows it: read as 8-bit text in text mode, in
    // pieces of at most 259 bytes (a longer line arrives in several pieces
    // and is joined), each converted from the ANSI code page, every line
    // feed written as carriage return + line feed. Empty when the file
    // cannot be opened.
    static ZvOSAL::ZvString ReadDataFile(const wchar_t* path);

    // The bytes read at a time.
    static constexpr int kPieceBytes = 259;

protected:
    void InitContent() override;
    void DoDataExchange() override;

private:
    CZV_Edit m_dataView;
    ZvOSAL::ZvPath m_dataFile;
};
