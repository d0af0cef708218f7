#include "dialogs/CRMViewer.h"

#include "resources/resource.h"

#include <cstdio>
#include <cstring>

using ZvOSAL::ZvString;

CCRMViewer::CCRMViewer(ZvAutoUpdate::CUpdateConfiguration2* configuration, HWND parent)
    : CBaseDlg(IDD_CRM_VIEWER, configuration, parent)
{
    if (configuration) {
        if (const wchar_t* file = configuration->GetCRMDataFile(0))
            m_dataFile = ZvOSAL::ZvPath(file);
    }
}

UINT CCRMViewer::GetTemplateID()
{
    return IDD_CRM_VIEWER;
}

void CCRMViewer::RegisterControls()
{
    RegisterControl(L"IDOK", IDOK, nullptr);
    RegisterControl(L"IDC_EDIT_CRM", IDC_EDIT_CRM, &m_dataView);
    RegisterControl(L"IDC_TXT_TITLE", IDC_TXT_TITLE, nullptr);
}

void CCRMViewer::DoDataExchange()
{
    BindControl(IDC_EDIT_CRM, m_dataView);
}

ZvString CCRMViewer::ReadDataFile(const wchar_t* path)
{
    ZvString text;
    if (!path || !*path)
        return text;
    FILE* file = _wfopen(path, L"r");
    if (!file)
        return text;
    char piece[kPieceBytes + 1];
    while (fgets(piece, sizeof(piece), file)) {
        int bytes = static_cast<int>(std::strlen(piece));
        if (bytes == 0)
            continue;
        // The ANSI code page's text.
        ZvString converted(piece, bytes);
        converted.Replace(L"\n", L"\r\n");
        text += converted;
    }
    fclose(file);
    return text;
}

void CCRMViewer::InitContent()
{
    HWND field = ::GetDlgItem(m_hWnd, IDC_EDIT_CRM);
    if (!field)
        return;
    ::SetWindowTextW(field, ReadDataFile(m_dataFile));
    // It opens at its first line, nothing selected (the focus is on Close).
    ::SendMessageW(field, EM_SETSEL, 0, 0);
    ::SendMessageW(field, WM_VSCROLL, SB_TOP, 0);
}
