#include "update/StandInDialogs.h"

#include "ZvAutoUpdate.h"

namespace zvtest {

namespace {
const wchar_t kClassName[] = L"ZvTestStandInDialog";

void RegisterOnce()
{
    static bool registered = [] {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcW; // replaced per window below
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClassName;
        return RegisterClassW(&windowClass) != 0;
    }();
    (void)registered;
}
} // namespace

StandInWindow::StandInWindow()
{
    RegisterOnce();
    // A message-only window: it receives posted messages like a dialog.
    m_window = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                               nullptr);
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StandInWindow::WindowProc));
}

StandInWindow::~StandInWindow()
{
    if (m_window)
        DestroyWindow(m_window);
}

LRESULT CALLBACK StandInWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<StandInWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message >= WM_USER && self->OnMessage(message, wParam, lParam))
        return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}

int StandInWindow::RunModal()
{
    OnOpen();
    MSG msg;
    while (!m_ended && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // Like a dialog that is destroyed when its modal run ends: later posts
    // from a job that still runs go nowhere.
    DestroyWindow(m_window);
    m_window = nullptr;
    return m_code;
}

void StandInWindow::End(int code)
{
    if (m_ended)
        return;
    m_ended = true;
    m_code = code;
    // Wake GetMessage when End comes from a handler on another path.
    PostMessageW(m_window, WM_NULL, 0, 0);
}

void UpdateStandIn::OnOpen()
{
    m_workflow.StartCheckJob(Window());
    if (m_closeAtOnce)
        End(1);
}

bool UpdateStandIn::OnMessage(UINT message, WPARAM wParam, LPARAM)
{
    if (message != WM_UPDATE_CHECKED)
        return false;
    checkedReport = static_cast<int>(wParam);
    End(m_acceptOffer && wParam == 1 ? 0 : 1);
    return true;
}

void ProgressStandIn::OnOpen()
{
    phase = 1;
    m_workflow.StartUploadJob(Window());
    if (closeAtOnce)
        End(2);
}

void ProgressStandIn::StartDownload()
{
    phase = 1;
    PostMessageW(Window(), WM_START_DOWNLOAD, 0, 0);
}

void ProgressStandIn::PressCancel()
{
    if (phase == 1) {
        phase = 0;
        m_workflow.Cancel(kCancelWhileRunning);
    } else {
        m_workflow.Cancel(kCancelGiveUp);
        End(2);
    }
}

bool ProgressStandIn::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TEST_PRESS_CANCEL) {
        PressCancel();
        return true;
    }
    if (message < WM_CRM_UPLOADED || message > WM_FILE_CHECKED)
        return false;
    messages.push_back(message);
    messageThreads.push_back(GetCurrentThreadId());
    switch (message) {
    case WM_CRM_UPLOADED:
        if (m_workflow.IsCancelled()) {
            m_workflow.Cancel(kCancelAfterUpload);
            End(2);
        } else {
            StartDownload();
        }
        break;
    case WM_START_DOWNLOAD:
        m_workflow.StartDownloadJob(Window());
        break;
    case WM_DOWNLOAD_PROGRESS:
        progress.push_back(static_cast<DWORD>(wParam));
        if (progress.size() == 1 && onFirstProgress)
            onFirstProgress();
        break;
    case WM_DOWNLOAD_DONE:
        downloadDone.push_back(lParam);
        if (lParam == 1)
            m_workflow.StartFileCheckJob(Window());
        else
            End(2);
        break;
    case WM_FILE_CHECKED:
        fileChecked.push_back(wParam);
        if (wParam == 0 && phase == 1) {
            phase = 0;
            if (restartAfterFailedCheck) {
                restartAfterFailedCheck = false; // once
                StartDownload();
            } else {
                PressCancel(); // "No" acts as cancel
            }
        } else {
            End(1);
        }
        break;
    default:
        break;
    }
    return true;
}

int StandInDialogs::RunUpdateDialog(ZvAutoUpdate::CUpdateConfiguration2* configuration, CWorkflowJobs& workflow,
                                    HWND owner, UpdateChoice& result)
{
    ++updateRuns;
    updateOwner = owner;
    UpdateStandIn dialog(workflow, acceptOffer, closeUpdateAtOnce);
    updateResult = dialog.RunModal();
    checkedReport = dialog.checkedReport;
    result.dontShowAgain = dontShowAgain;
    if (sendBox)
        result.sendProgramInformation = *sendBox;
    else if (checkedReport == 1 && configuration && configuration->IsCRMUploadOffered())
        result.sendProgramInformation = configuration->GetSendCRMData();
    return updateResult;
}

int StandInDialogs::RunProgressDialog(ZvAutoUpdate::CUpdateConfiguration2*, CWorkflowJobs& workflow, HWND owner)
{
    ++progressRuns;
    progressOwner = owner;
    ProgressStandIn dialog(workflow);
    if (prepareProgress)
        prepareProgress(dialog);
    progressResult = dialog.RunModal();
    fileChecked = dialog.fileChecked;
    progress = dialog.progress;
    progressMessages = dialog.messages;
    return progressResult;
}

int StandInDialogs::RunInstallDialog(ZvAutoUpdate::CUpdateConfiguration2*, HWND owner)
{
    ++installRuns;
    installOwner = owner;
    return installAnswer;
}

} // namespace zvtest
