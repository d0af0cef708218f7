#include "update/Updater.h"

const wchar_t* CUpdater::CProgressReceiver::GetCRMDataFile(int /*kind*/) { return nullptr; }
const wchar_t* CUpdater::CProgressReceiver::GetProgram() { return nullptr; }
const wchar_t* CUpdater::CProgressReceiver::GetUpdateURL() { return nullptr; }
const wchar_t* CUpdater::CProgressReceiver::GetProgramLanguage() { return nullptr; }
const wchar_t* CUpdater::CProgressReceiver::GetProgramVersion() { return nullptr; }
const wchar_t* CUpdater::CProgressReceiver::GetSerialNumber() { return nullptr; }
void CUpdater::CProgressReceiver::AddInstallerFile(const wchar_t* /*path*/, int /*pugInstaller*/) {}
void CUpdater::CProgressReceiver::Log(const wchar_t* /*line*/) {}

void CUpdater::CProgressReceiver::OnDownloadProgress(long long bytes)
{
    // With worker threads off the download runs inside the progress dialog's
    // handler: serving the queue here keeps the dialog painting and lets its
    // cancel button set the flag that IsCancelRequested reads next.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Not ours to consume: the modal loop further up must see it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (m_dialog)
        PostMessageW(m_dialog, WM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(static_cast<DWORD>(bytes)), 0);
}

bool CUpdater::CProgressReceiver::IsCancelRequested()
{
    return CUpdater::s_cancelled.load();
}
