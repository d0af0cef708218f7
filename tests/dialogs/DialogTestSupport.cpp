#include "DialogTestSupport.h"

#include "resources/resource.h"

#include <cstdio>

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
        return {{L"IDC_BTN_LATER", IDC_BTN_LATER}, {L"IDOK", IDOK}, {L"IDCANCEL", IDCANCEL},
                {L"IDC_TXT_PRODUCT", IDC_TXT_PRODUCT}, {L"IDC_TXT_INSTALL_WHEN", IDC_TXT_INSTALL_WHEN}};
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

BOOL TestDialog::OnInitDialog()
{
    const BOOL result = CBaseDlg::OnInitDialog();
    initialised = true;
    caption = TextOf(m_hWnd);
    SetTimer(m_hWnd, 0x7E57, watchdogMs, nullptr);
    if (onInit)
        onInit(*this);
    if (!stayOpen)
        PostMessageW(m_hWnd, WM_COMMAND, IDOK, 0);
    return result;
}

bool TestDialog::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_TIMER && wParam == 0x7E57) {
        EndDialog(kWatchdogResult);
        return true;
    }
    return CBaseDlg::OnDialogMessage(message, wParam, lParam, result);
}

FakeJobs::FakeJobs()
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"zv_dialog_test_result.xml";
    if (FILE* file = _wfopen(path.c_str(), L"wb")) {
        fputs("<patch url=\"http://127.0.0.1/Setup.exe\" filesize=\"1073636966\" version=\"2.0.0.0\"><![CDATA["
              "<h1>Sample Studio 2.0</h1><ul><li>Opens files <b>twice</b> as fast.</li><li>Exports to PDF.</li>"
              "</ul><p>See <a href=\"http://example.com\">the web site</a>.</p>]]></patch>",
              file);
        fclose(file);
    }
    m_patch.Read(ZvOSAL::ZvPath(path.c_str()));
    m_patch.SaveDescriptionAsHtml(ZvOSAL::ZvPath(path.c_str()));
}

void PressKey(UINT key)
{
    HWND focus = GetFocus();
    PostMessageW(focus, WM_KEYDOWN, key, 1);
    PostMessageW(focus, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

std::wstring TextOf(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

} // namespace zvdialogtest
