#include "update/ProgressReceiver.h"

namespace {

// With worker threads off the download runs inside the progress dialog's
// handler: serving the queue here keeps the dialog painting and lets its
// cancel button set the flag that IsCancelRequested reads.
void ServeQueue()
{
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
}

} // namespace

void CUpdater::CProgressReceiver::OnDownloadProgress(long long bytes)
{
    ServeQueue();
    if (m_dialog)
        PostMessageW(m_dialog, WM_DOWNLOAD_PROGRESS, static_cast<WPARAM>(static_cast<DWORD>(bytes)), 0);
}

bool CUpdater::CProgressReceiver::IsCancelRequested()
{
    ServeQueue();
    return CUpdater::s_cancelled.load();
}
