// CUpdater::CProgressReceiver: observes the interactive download and turns
// its reports into WM_DOWNLOAD_PROGRESS messages for the progress dialog; the
// transfer stops when the workflow's cancel flag is set. It tells the host
// nothing: the progress dialog shows size and progress instead.
#pragma once

#include "http/ZorvaHttpTransfer.h"
#include "update/Updater.h"

#include <windows.h>

class CUpdater::CProgressReceiver : public CTransferObserver {
public:
    explicit CProgressReceiver(HWND dialog) : m_dialog(dialog) {}

    // The size is the patch document's: the dialog knows it already.
    void OnDownloadSize(long long /*bytes*/) override {}
    // Serves every message waiting in this thread's queue (which keeps the
    // dialog alive when the download runs on its thread), then posts
    // WM_DOWNLOAD_PROGRESS with the low 32 bits of bytes. A WM_QUIT found in
    // the queue ends the pumping and is posted again for the real loop.
    void OnDownloadProgress(long long bytes) override;
    // Serves the queue too (the transfer asks while it waits for bytes, so a
    // dialog on this thread can take its cancel button), then answers from
    // the workflow's cancel flag.
    bool IsCancelRequested() override;

private:
    HWND m_dialog;
};
