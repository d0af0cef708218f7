// Drives the library's modal dialogs from a helper thread, the way a user
// would: find the dialog window of the thread that runs the workflow, wait
// for controls to show, read their texts, tick boxes and press buttons.
//
// Every wait is bounded; a failed wait records the failure and throws, and
// the driver then keeps pressing IDCANCEL on whatever dialog is open until
// the workflow has returned, so a test never hangs on a modal loop.
#pragma once

#include "resources/resource.h"
#include "support/ForeignDialogItem.h"

#include <windows.h>

#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace zvtest {

class DialogDriver {
public:
    struct Failed : std::runtime_error {
        using std::runtime_error::runtime_error;
    };

    // script runs on a new thread; uiThread is the thread that runs the
    // modal dialogs (the test's own thread).
    DialogDriver(DWORD uiThread, std::function<void(DialogDriver&)> script)
        : m_uiThread(uiThread), m_script(std::move(script))
    {
        m_thread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
    }
    ~DialogDriver() { Finish(); }

    // The workflow has returned: stop pressing buttons, wait for the script.
    // Returns false when the driver thread did not end in time.
    bool Finish(DWORD timeoutMs = 15000)
    {
        if (!m_thread)
            return true;
        InterlockedExchange(&m_workflowDone, 1);
        bool ended = WaitForSingleObject(m_thread, timeoutMs) == WAIT_OBJECT_0;
        CloseHandle(m_thread);
        m_thread = nullptr;
        return ended;
    }

    std::vector<std::string> Failures() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_failures;
    }
    bool ScriptCompleted() const { return m_completed != 0; }

    // ---- Script operations (driver thread) ----

    // The visible dialog of the UI thread that has a child with `markerId`.
    HWND WaitDialog(UINT markerId, DWORD timeoutMs = 20000)
    {
        HWND found = nullptr;
        Wait([&] { return (found = FindDialog(markerId)) != nullptr; }, timeoutMs,
             "no dialog with control " + std::to_string(markerId));
        return found;
    }
    bool IsDialogOpen(UINT markerId) const { return FindDialog(markerId) != nullptr; }
    void WaitDialogGone(UINT markerId, DWORD timeoutMs = 20000)
    {
        Wait([&] { return FindDialog(markerId) == nullptr; }, timeoutMs,
             "dialog with control " + std::to_string(markerId) + " stays open");
    }

    // A control of the UI thread's dialog, looked up safely from this thread.
    static HWND Item(HWND dialog, UINT id) { return ForeignDialogItem(dialog, static_cast<int>(id)); }
    static bool IsVisible(HWND dialog, UINT id)
    {
        HWND control = Item(dialog, id);
        return control && (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
    }
    void WaitVisible(HWND dialog, UINT id, bool visible = true, DWORD timeoutMs = 20000)
    {
        Wait([&] { return IsVisible(dialog, id) == visible; }, timeoutMs,
             "control " + std::to_string(id) + (visible ? " never shown" : " never hidden"));
    }
    static std::wstring Text(HWND dialog, UINT id)
    {
        HWND control = Item(dialog, id);
        if (!control)
            return L"(no control)";
        wchar_t text[1024] = {};
        // WM_GETTEXT sent across threads: answered by the dialog's thread.
        DWORD_PTR copied = 0;
        SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000, &copied);
        return text;
    }
    void WaitText(HWND dialog, UINT id, const std::wstring& text, DWORD timeoutMs = 20000)
    {
        Wait([&] { return Text(dialog, id) == text; }, timeoutMs, "control " + std::to_string(id) + " text");
    }
    // A button press as the dialog sees it (WM_COMMAND / BN_CLICKED).
    static void Click(HWND dialog, UINT id)
    {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(Item(dialog, id)));
    }
    static void SetCheck(HWND dialog, UINT id, bool checked)
    {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(Item(dialog, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0,
                            SMTO_BLOCK, 5000, &ignored);
    }
    static bool GetCheck(HWND dialog, UINT id)
    {
        DWORD_PTR state = 0;
        SendMessageTimeoutW(Item(dialog, id), BM_GETCHECK, 0, 0, SMTO_BLOCK, 5000, &state);
        return state == BST_CHECKED;
    }
    static RECT WindowRect(HWND window)
    {
        RECT rect = {};
        GetWindowRect(window, &rect);
        return rect;
    }
    void Check(bool condition, const std::string& what)
    {
        if (!condition)
            Fail(what);
    }
    [[noreturn]] void Fail(const std::string& what)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_failures.push_back(what);
        }
        throw Failed(what);
    }
    template <typename Condition> void Wait(Condition condition, DWORD timeoutMs, const std::string& what)
    {
        DWORD start = GetTickCount();
        while (!condition()) {
            if (GetTickCount() - start > timeoutMs)
                Fail("timeout: " + what);
            Sleep(20);
        }
    }

private:
    struct Search {
        UINT marker;
        HWND found;
    };
    static BOOL CALLBACK FindProc(HWND window, LPARAM parameter)
    {
        auto* search = reinterpret_cast<Search*>(parameter);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (std::wstring(className) == L"#32770" && IsWindowVisible(window) && Item(window, search->marker)) {
            search->found = window;
            return FALSE;
        }
        return TRUE;
    }
    HWND FindDialog(UINT marker) const
    {
        Search search = {marker, nullptr};
        EnumThreadWindows(m_uiThread, FindProc, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    static BOOL CALLBACK CancelProc(HWND window, LPARAM)
    {
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (std::wstring(className) == L"#32770" && IsWindowVisible(window))
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return TRUE;
    }
    static BOOL CALLBACK AnyProc(HWND window, LPARAM parameter)
    {
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (std::wstring(className) == L"#32770" && IsWindowVisible(window)) {
            *reinterpret_cast<bool*>(parameter) = true;
            return FALSE;
        }
        return TRUE;
    }
    bool AnyDialogOpen() const
    {
        bool open = false;
        EnumThreadWindows(m_uiThread, AnyProc, reinterpret_cast<LPARAM>(&open));
        return open;
    }
    static DWORD WINAPI ThreadMain(void* parameter)
    {
        auto* self = static_cast<DialogDriver*>(parameter);
        try {
            self->m_script(*self);
            InterlockedExchange(&self->m_completed, 1);
        } catch (const Failed&) {
        } catch (const std::exception& error) {
            std::lock_guard<std::mutex> lock(self->m_mutex);
            self->m_failures.push_back(std::string("exception: ") + error.what());
        }
        // Until the workflow returns, close whatever is left open. After a
        // completed script a dialog that stays open for 3 s was not expected.
        DWORD openSince = 0;
        while (!self->m_workflowDone) {
            if (!self->m_completed) {
                EnumThreadWindows(self->m_uiThread, CancelProc, 0);
            } else if (self->AnyDialogOpen()) {
                if (!openSince)
                    openSince = GetTickCount();
                if (GetTickCount() - openSince > 3000) {
                    {
                        std::lock_guard<std::mutex> lock(self->m_mutex);
                        self->m_failures.push_back("a dialog the script did not expect stayed open");
                    }
                    InterlockedExchange(&self->m_completed, 0);
                }
            } else {
                openSince = 0;
            }
            Sleep(100);
        }
        return 0;
    }

    DWORD m_uiThread;
    std::function<void(DialogDriver&)> m_script;
    HANDLE m_thread = nullptr;
    volatile LONG m_workflowDone = 0;
    volatile LONG m_completed = 0;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_failures;
};

} // namespace zvtest
