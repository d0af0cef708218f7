// A dialog for the tests: any template and description file through
// CBaseDlg, with the controls of the library's dialogs registered by name.
// It never blocks: OnInitDialog runs the test's callback and then posts
// IDOK (unless told to stay open), and a watchdog timer ends a dialog that
// is still open after the timeout with kWatchdogResult.
#pragma once

#include "UpdateConfiguration2.h"
#include "dialogs/BaseDlg.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zvdialogtest {

constexpr INT_PTR kWatchdogResult = -99;

class TestConfiguration : public ZvAutoUpdate::CUpdateConfiguration2 {
public:
    std::wstring language = L"en_UK";
    std::wstring product = L"Sample Product";
    bool haveSkinPath = false;
    std::wstring skinPath;

    const wchar_t* GetCRMDataFile(int) override { return nullptr; }
    const wchar_t* GetProgram() override { return L"SampleProgram"; }
    const wchar_t* GetProductName() override { return product.c_str(); }
    const wchar_t* GetUpdateURL() override { return L"http://127.0.0.1/"; }
    const wchar_t* GetProgramLanguage() override { return language.c_str(); }
    const wchar_t* GetProgramVersion() override { return L"1.0.0.0"; }
    const wchar_t* GetSerialNumber() override { return L""; }
    const wchar_t* GetSkinPath() override { return haveSkinPath ? skinPath.c_str() : nullptr; }
    void AddInstallerFile(const wchar_t*, int) override {}
    void Log(const wchar_t*) override {}
};

// The names and ids the library's dialogs register, per template id.
std::vector<std::pair<std::wstring, UINT>> ControlsOf(UINT templateId);
const wchar_t* DescriptionOf(UINT templateId);

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
    BOOL OnInitDialog() override
    {
        const BOOL result = CBaseDlg::OnInitDialog();
        initialised = true;
        wchar_t text[256] = {};
        ::GetWindowTextW(m_hWnd, text, 256);
        caption = text;
        SetTimer(m_hWnd, 0x7E57, watchdogMs, nullptr);
        if (onInit)
            onInit(*this);
        if (!stayOpen)
            PostMessageW(m_hWnd, WM_COMMAND, IDOK, 0);
        return result;
    }
    bool OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == WM_TIMER && wParam == 0x7E57) {
            EndDialog(kWatchdogResult);
            return true;
        }
        return CBaseDlg::OnDialogMessage(message, wParam, lParam, result);
    }

private:
    UINT m_templateId;
    std::wstring m_description;
    std::vector<std::pair<std::wstring, UINT>> m_controls;
};

} // namespace zvdialogtest
