// Support of the dialog tests: a configuration for the dialogs, a dialog of
// any template with the library's control names (TestDialog), the workflow's
// jobs as a recorder (FakeJobs), and a real dialog driven from inside its
// own thread, step by step (Probe).
#pragma once

#include "UpdateConfiguration2.h"
#include "dialogs/BaseDlg.h"
#include "online/PatchInfo.h"
#include "update/WorkflowJobs.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zvdialogtest {

constexpr INT_PTR kWatchdogResult = -99;
constexpr INT_PTR kStepsDone = -98;

class TestConfiguration : public ZvAutoUpdate::CUpdateConfiguration2 {
public:
    std::wstring language = L"en_UK";
    std::wstring product = L"Sample Studio 2024";
    bool haveSkinPath = false;
    std::wstring skinPath;
    std::wstring crmFile; // GetCRMDataFile(0)
    std::vector<std::wstring> log;

    const wchar_t* GetCRMDataFile(int kind) override { return kind == 0 && !crmFile.empty() ? crmFile.c_str() : nullptr; }
    const wchar_t* GetProgram() override { return L"SampleProgram"; }
    const wchar_t* GetProductName() override { return product.c_str(); }
    const wchar_t* GetUpdateURL() override { return L"http://127.0.0.1/"; }
    const wchar_t* GetProgramLanguage() override { return language.c_str(); }
    const wchar_t* GetProgramVersion() override { return L"1.0.0.0"; }
    const wchar_t* GetSerialNumber() override { return L""; }
    const wchar_t* GetSkinPath() override { return haveSkinPath ? skinPath.c_str() : nullptr; }
    bool IsCRMUploadOffered() override { return true; }
    void AddInstallerFile(const wchar_t*, int) override {}
    void Log(const wchar_t* line) override { log.push_back(line ? line : L""); }
};

// The names and ids the library's dialogs register, per template id.
std::vector<std::pair<std::wstring, UINT>> ControlsOf(UINT templateId);
const wchar_t* DescriptionOf(UINT templateId);

// Any template and description through CBaseDlg. OnInitDialog runs onInit
// and then posts IDOK (unless stayOpen); a watchdog ends it after watchdogMs
// with kWatchdogResult.
class TestDialog : public CBaseDlg {
public:
    TestDialog(UINT templateId, ZvAutoUpdate::CUpdateConfiguration2* configuration, const wchar_t* description,
               std::vector<std::pair<std::wstring, UINT>> controls)
        : CBaseDlg(templateId, configuration, nullptr), m_templateId(templateId),
          m_description(description ? description : L""), m_controls(std::move(controls))
    {
    }
    std::function<void(TestDialog&)> onInit;
    bool stayOpen = false;
    unsigned int watchdogMs = 15000;
    std::wstring caption;
    bool initialised = false;

    void RegisterControls() override
    {
        for (const auto& control : m_controls)
            RegisterControl(control.first.c_str(), control.second, nullptr);
    }
    ZvOSAL::ZvString GetDescriptionFileName() override { return ZvOSAL::ZvString(m_description.c_str()); }
    UINT GetTemplateID() override { return m_templateId; }

protected:
    BOOL OnInitDialog() override;
    bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    UINT m_templateId;
    std::wstring m_description;
    std::vector<std::pair<std::wstring, UINT>> m_controls;
};

// The jobs the dialogs start, counted; the patch of the check (1023.9 MB,
// release notes with a heading and a list) read from a document written to
// the temporary folder.
class FakeJobs : public CWorkflowJobs {
public:
    FakeJobs();
    int checks = 0, uploads = 0, downloads = 0, fileChecks = 0;
    std::vector<int> cancels;

    void StartCheckJob(HWND) override { ++checks; }
    void StartUploadJob(HWND) override { ++uploads; }
    void StartDownloadJob(HWND) override { ++downloads; }
    void StartFileCheckJob(HWND) override { ++fileChecks; }
    void Cancel(ECancelCode code) override { cancels.push_back(code); }
    bool IsCancelled() const override { return !cancels.empty(); }
    const CPatchInfo& GetPatchInfo() const override { return m_patch; }
    const ZvOSAL::ZvPath& GetReleaseNotesPath() const override { return m_patch.GetHtmlPath(); }

private:
    CPatchInfo m_patch;
};

// Posts a key press (down, then up) to the control with the keyboard focus,
// as the keyboard does; the dialog's loop handles it.
void PressKey(UINT key);
// The text of a window.
std::wstring TextOf(HWND window);

// A real dialog, run modally and driven from inside its thread: after its
// initialisation each step runs in turn, each from a message posted after
// the previous step (so that what a step posts is handled before the next
// one); after the last step the dialog ends with kStepsDone unless a step
// ended it. A watchdog ends it after 30 s with kWatchdogResult.
template <class Dialog> class Probe : public Dialog {
public:
    using Step = std::function<void(Probe&)>;
    template <class... Args>
    explicit Probe(std::vector<Step> steps, Args... args) : Dialog(args...), m_steps(std::move(steps))
    {
    }
    HWND Item(UINT id) const { return GetDlgItem(this->m_hWnd, static_cast<int>(id)); }

protected:
    BOOL OnInitDialog() override
    {
        const BOOL result = Dialog::OnInitDialog();
        // Shown as the user sees it before the first step (the dialog
        // manager would wait for an empty queue).
        ShowWindow(this->m_hWnd, SW_SHOW);
        SetTimer(this->m_hWnd, kWatchdog, 30000, nullptr);
        PostMessageW(this->m_hWnd, kStep, 0, 0);
        return result;
    }
    bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == WM_TIMER && wParam == kWatchdog) {
            this->EndDialog(kWatchdogResult);
            return true;
        }
        if (message != kStep)
            return Dialog::OnDialogMessage(message, wParam, lParam, result);
        if (m_next < m_steps.size()) {
            m_steps[m_next++](*this);
            PostMessageW(this->m_hWnd, kStep, 0, 0);
        } else {
            this->EndDialog(kStepsDone);
        }
        return true;
    }

private:
    static constexpr UINT kStep = WM_APP + 0x7E5;
    static constexpr UINT_PTR kWatchdog = 0x7E57;
    std::vector<Step> m_steps;
    size_t m_next = 0;
};

} // namespace zvdialogtest
