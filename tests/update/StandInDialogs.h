// Test windows that stand in for the workflow's dialogs until the real ones
// exist. They receive the jobs' posted messages and start the next job the
// way the update and progress dialogs do: the update stand-in starts the
// check on opening; the progress stand-in runs upload -> download -> check
// with the progress dialog's phase and cancel rules. Each runs its own
// message loop on the calling thread, like a modal dialog.
#pragma once

#include "update/Updater.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

namespace zvtest {

// Message a test (or a host hook on a job thread, with SendMessage) uses to
// press the progress stand-in's cancel button.
constexpr UINT WM_TEST_PRESS_CANCEL = WM_APP + 1;

// Base: one window with a modal-style loop.
class StandInWindow {
public:
    StandInWindow();
    virtual ~StandInWindow();
    StandInWindow(const StandInWindow&) = delete;
    StandInWindow& operator=(const StandInWindow&) = delete;

    HWND Window() const { return m_window; }
    // Runs the loop until End; destroys the window; returns the end code.
    int RunModal();
    void End(int code);
    bool HasEnded() const { return m_ended; }

protected:
    // Called once the window exists and before the loop runs.
    virtual void OnOpen() {}
    // True when the message was handled.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_window = nullptr;
    bool m_ended = false;
    int m_code = 0;
};

// The update dialog's part in the workflow: start the check, then accept an
// offered update (0) or close (1).
class UpdateStandIn : public StandInWindow {
public:
    UpdateStandIn(CWorkflowJobs& workflow, bool acceptOffer, bool closeAtOnce)
        : m_workflow(workflow), m_acceptOffer(acceptOffer), m_closeAtOnce(closeAtOnce)
    {
    }
    // wParam of WM_UPDATE_CHECKED; -1 before it arrived.
    int checkedReport = -1;

protected:
    void OnOpen() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    CWorkflowJobs& m_workflow;
    bool m_acceptOffer;
    bool m_closeAtOnce;
};

// The progress dialog's part: upload, download, check; cancel and the restart
// question as the progress dialog handles them.
class ProgressStandIn : public StandInWindow {
public:
    explicit ProgressStandIn(CWorkflowJobs& workflow) : m_workflow(workflow) {}

    // What the messages said, in arrival order.
    std::vector<UINT> messages;
    std::vector<DWORD> progress;       // wParam of each WM_DOWNLOAD_PROGRESS
    std::vector<LPARAM> downloadDone;  // lParam of each WM_DOWNLOAD_DONE
    std::vector<WPARAM> fileChecked;   // wParam of each WM_FILE_CHECKED
    std::vector<DWORD> messageThreads; // thread that handled each message

    // Answer to "Do you want to restart the update process?" (false: "No").
    bool restartAfterFailedCheck = false;
    // Close with 2 right after starting the upload, before it reports.
    bool closeAtOnce = false;
    // Called on the first WM_DOWNLOAD_PROGRESS.
    std::function<void()> onFirstProgress;
    int phase = 1;

    // The cancel button.
    void PressCancel();

protected:
    void OnOpen() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void StartDownload();
    CWorkflowJobs& m_workflow;
};

// A dialog provider for CUpdater built from the stand-ins.
class StandInDialogs : public CWorkflowDialogs {
public:
    // Update dialog.
    bool acceptOffer = true;
    bool closeUpdateAtOnce = false;
    // What the boxes say when it closes. The send box starts as the real
    // dialog ticks it, from the host's GetSendCRMData; sendBox overrides it.
    bool dontShowAgain = false;
    std::optional<bool> sendBox;
    // Progress dialog.
    std::function<void(ProgressStandIn&)> prepareProgress;
    // Install dialog: its answer.
    int installAnswer = 8;

    // What happened.
    int updateRuns = 0, progressRuns = 0, installRuns = 0;
    int updateResult = -2, progressResult = -2;
    int checkedReport = -1;
    HWND updateOwner = nullptr, progressOwner = nullptr, installOwner = nullptr;
    std::vector<WPARAM> fileChecked;
    std::vector<DWORD> progress;
    std::vector<UINT> progressMessages;

    int RunUpdateDialog(ZvAutoUpdate::CUpdateConfiguration2* configuration, CWorkflowJobs& workflow, HWND owner,
                        UpdateChoice& result) override;
    int RunProgressDialog(ZvAutoUpdate::CUpdateConfiguration2* configuration, CWorkflowJobs& workflow,
                          HWND owner) override;
    int RunInstallDialog(ZvAutoUpdate::CUpdateConfiguration2* configuration, HWND owner) override;
};

} // namespace zvtest
