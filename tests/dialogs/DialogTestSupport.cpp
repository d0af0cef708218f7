#include "DialogTestSupport.h"

#include "resources/resource.h"

namespace zvdialogtest {

std::vector<std::pair<std::wstring, UINT>> ControlsOf(UINT templateId)
{
    switch (templateId) {
    case IDD_UPDATE:
        return {{L"IDOK", IDOK},
                {L"IDCANCEL", IDCANCEL},
                {L"IDC_BTN_SHOW_CRM", IDC_BTN_SHOW_CRM},
                {L"IDC_BTN_WHATS_NEW", IDC_BTN_WHATS_NEW},
                {L"IDC_CHECK_DONT_SHOW_AGAIN", IDC_CHECK_DONT_SHOW_AGAIN},
                {L"IDC_CHECK_SEND_CRM_DATA", IDC_CHECK_SEND_CRM_DATA},
                {L"IDC_ACTIVITY", IDC_ACTIVITY},
                {L"IDC_TXT_NO_PATCH_AVAILABLE", IDC_TXT_NO_PATCH_AVAILABLE},
                {L"IDC_TXT_PLEASE_WAIT", IDC_TXT_PLEASE_WAIT},
                {L"IDC_TXT_PRODUCT", IDC_TXT_PRODUCT},
                {L"IDC_TXT_UPDATE", IDC_TXT_UPDATE},
                {L"IDC_TXT_WAIT", IDC_TXT_WAIT},
                {L"IDC_BROWSER", IDC_BROWSER}};
    case IDD_INSTALL:
        return {{L"IDC_BTN_LATER", IDC_BTN_LATER},
                {L"IDOK", IDOK},
                {L"IDCANCEL", IDCANCEL},
                {L"IDC_TXT_PRODUCT", IDC_TXT_PRODUCT},
                {L"IDC_TXT_INSTALL_WHEN", IDC_TXT_INSTALL_WHEN}};
    case IDD_PROGRESS:
        return {{L"IDCANCEL", IDCANCEL},           {L"IDOK", IDOK},
                {L"IDC_PROGRESS", IDC_PROGRESS},   {L"IDC_TXT_MESSAGE", IDC_TXT_MESSAGE},
                {L"IDC_TXT_TITLE", IDC_TXT_TITLE}, {L"IDC_TXT_DOWNLOAD_STATUS", IDC_TXT_DOWNLOAD_STATUS}};
    case IDD_CRM_VIEWER:
        return {{L"IDOK", IDOK}, {L"IDC_EDIT_CRM", IDC_EDIT_CRM}, {L"IDC_TXT_TITLE", IDC_TXT_TITLE}};
    default:
        return {};
    }
}

const wchar_t* DescriptionOf(UINT templateId)
{
    switch (templateId) {
    case IDD_UPDATE:
        return L"Update.ini";
    case IDD_INSTALL:
        return L"Install.ini";
    case IDD_PROGRESS:
        return L"Progress.ini";
    case IDD_CRM_VIEWER:
        return L"CRMViewer.ini";
    default:
        return L"";
    }
}

} // namespace zvdialogtest
