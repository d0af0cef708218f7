// Plays the user of the interactive update for the demo when no one is at
// the screen: starts a host program, waits for each dialog of the update
// (action 1) to reach its next state, saves a picture of it, and presses the
// button a user would press. The dialogs are found by their control ids, not
// by their texts, so any user-interface language works.
//
//   DemoDriver.exe --screenshots DIR [--answer now|later|cancel]
//                  [--timeout SECONDS] -- PROGRAM [ARGUMENTS...]
//
// Pictures (BMP) in DIR, one per step, numbered in the order taken:
//   1-waiting, 2-offer or 2-no-update, 3-release-notes, 4-downloading,
//   5-checking (when the check lasts long enough to be seen) or 5-failure,
//   6-install.
// At the install dialog it presses "now" (IDOK), "later" or "cancel".
// Every wait is bounded: when a step does not come, the driver says which,
// closes whatever dialog the program still shows, and ends the program if it
// does not end by itself. Exit code: the program's own when every step came,
// otherwise 90 (the program could not be started, a step did not come, or
// the program had to be ended).
#include "WindowCapture.h"
#include "resources/resource.h"
#include "tests/support/ForeignDialogItem.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <stdexcept>
#include <string>

namespace {

struct StepMissing : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Driver {
public:
    Driver(DWORD processId, HANDLE process, std::wstring folder, DWORD timeoutMs)
        : m_processId(processId), m_process(process), m_folder(std::move(folder)), m_timeoutMs(timeoutMs)
    {
    }

    // The visible dialog of the program that has a control with `marker`.
    HWND FindDialog(UINT marker) const
    {
        Search search = {m_processId, marker, nullptr};
        EnumWindows(FindProc, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    HWND WaitDialog(UINT marker, const char* what)
    {
        HWND found = nullptr;
        Wait([&] { return (found = FindDialog(marker)) != nullptr; }, what);
        return found;
    }
    static HWND Item(HWND dialog, UINT id) { return zvtest::ForeignDialogItem(dialog, static_cast<int>(id)); }
    static bool IsVisible(HWND dialog, UINT id)
    {
        HWND control = Item(dialog, id);
        return control && (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
    }
    static std::wstring Text(HWND dialog, UINT id)
    {
        wchar_t text[512] = {};
        DWORD_PTR copied = 0;
        // Sent to another process: the system copies the text across.
        SendMessageTimeoutW(Item(dialog, id), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_BLOCK,
                            5000, &copied);
        return text;
    }
    static void Click(HWND dialog, UINT id)
    {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(dialog, id)));
    }
    void Press(HWND dialog, UINT id)
    {
        Say(L"pressing \"%ls\"", Text(dialog, id).c_str());
        Click(dialog, id);
    }
    bool ProgramEnded() const { return WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0; }

    template <typename Condition> void Wait(Condition condition, const char* what)
    {
        const DWORD start = GetTickCount();
        while (!condition()) {
            if (ProgramEnded())
                throw StepMissing(std::string("the program ended while waiting for ") + what);
            if (GetTickCount() - start > m_timeoutMs)
                throw StepMissing(std::string("timed out waiting for ") + what);
            Sleep(20);
        }
    }

    // A picture of the dialog once it has painted its new state (given
    // `paintMs` for that). False when the dialog was gone by then.
    bool Shot(HWND dialog, const wchar_t* name, DWORD paintMs = 400)
    {
        Sleep(paintMs);
        if (!IsWindow(dialog))
            return false;
        std::wstring path = m_folder + L"\\" + name + L".bmp";
        if (zvdemo::CaptureWindowToBmp(dialog, path))
            Say(L"picture %ls", name);
        else
            Say(L"could not save the picture %ls (error %lu)", name, GetLastError());
        return true;
    }

    static void Say(const wchar_t* format, ...)
    {
        wchar_t line[1024];
        va_list args;
        va_start(args, format);
        _vsnwprintf(line, 1023, format, args);
        va_end(args);
        line[1023] = 0;
        char utf8[4096];
        if (WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof utf8, nullptr, nullptr) > 0)
            std::printf("driver: %s\n", utf8);
        std::fflush(stdout);
    }

    // Until the program ends (or `limitMs` passes): cancel every dialog it
    // still shows. Returns true when it ended.
    bool CloseEverything(DWORD limitMs)
    {
        const DWORD start = GetTickCount();
        while (!ProgramEnded()) {
            if (GetTickCount() - start > limitMs)
                return false;
            EnumWindows(CancelProc, static_cast<LPARAM>(m_processId));
            Sleep(200);
        }
        return true;
    }

private:
    struct Search {
        DWORD processId;
        UINT marker;
        HWND found;
    };
    static bool IsDialogOf(HWND window, DWORD processId)
    {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        return owner == processId && std::wcscmp(className, L"#32770") == 0 && IsWindowVisible(window);
    }
    static BOOL CALLBACK FindProc(HWND window, LPARAM parameter)
    {
        auto* search = reinterpret_cast<Search*>(parameter);
        if (IsDialogOf(window, search->processId) && Item(window, search->marker)) {
            search->found = window;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK CancelProc(HWND window, LPARAM processId)
    {
        if (IsDialogOf(window, static_cast<DWORD>(processId)))
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return TRUE;
    }

    DWORD m_processId;
    HANDLE m_process;
    std::wstring m_folder;
    DWORD m_timeoutMs;
};

enum class Answer { Now, Later, Cancel };

// The road of action 1 as a user walks it.
void Walk(Driver& d, Answer answer)
{
    HWND update = d.WaitDialog(IDC_TXT_WAIT, "the update dialog");
    if (Driver::IsVisible(update, IDC_TXT_WAIT))
        d.Shot(update, L"1-waiting");
    d.Wait([&] { return Driver::IsVisible(update, IDOK) || Driver::IsVisible(update, IDC_TXT_NO_PATCH_AVAILABLE); },
           "the answer of the update check");
    if (Driver::IsVisible(update, IDC_TXT_NO_PATCH_AVAILABLE)) {
        d.Shot(update, L"2-no-update");
        d.Press(update, IDCANCEL);
        return;
    }
    d.Shot(update, L"2-offer");
    if (Driver::IsVisible(update, IDC_BTN_WHATS_NEW)) {
        d.Press(update, IDC_BTN_WHATS_NEW);
        d.Wait([&] { return Driver::IsVisible(update, IDC_BROWSER); }, "the release notes pane");
        // Where no browser shows the page (Wine), the notes appear as text in
        // the pane (its child 1) a few seconds later.
        const HWND pane = Driver::Item(update, IDC_BROWSER);
        for (int i = 0; i < 60 && !IsWindowVisible(Driver::Item(pane, 1)); ++i)
            Sleep(100);
        d.Shot(update, L"3-release-notes");
    }
    d.Press(update, IDOK);

    // The progress dialog: uploading (nothing but the texts), downloading
    // (the bar), checking (the status line without the bar), failure (the
    // restart question brings IDOK back). It closes when the check passed.
    HWND progress = d.WaitDialog(IDC_PROGRESS, "the progress dialog");
    bool downloadSeen = false, checkSeen = false, checkMissed = false;
    HWND install = nullptr;
    d.Wait(
        [&] {
            if ((install = d.FindDialog(IDC_BTN_LATER)) != nullptr)
                return true;
            if (!IsWindow(progress))
                return false;

            if (!downloadSeen && Driver::IsVisible(progress, IDC_PROGRESS)
                && Driver::Text(progress, IDC_TXT_DOWNLOAD_STATUS).find(L'%') != std::wstring::npos) {
                downloadSeen = true;
                d.Shot(progress, L"4-downloading");
            } else if (downloadSeen && !checkSeen && !checkMissed && !Driver::IsVisible(progress, IDC_PROGRESS)
                       && Driver::IsVisible(progress, IDC_TXT_DOWNLOAD_STATUS) && !Driver::IsVisible(progress, IDOK)) {
                // The check of a small file is over in a moment.
                checkSeen = d.Shot(progress, L"5-checking", 100);
                checkMissed = !checkSeen;
            } else if (Driver::IsVisible(progress, IDOK)) {
                d.Shot(progress, L"5-failure");
                Driver::Say(L"the downloaded installer failed its check; answering the restart question with No");
                d.Press(progress, IDCANCEL);
                throw StepMissing("the installer did not pass its signature check");
            }
            return false;
        },
        "the install dialog");
    if (!checkSeen)
        Driver::Say(L"(the signature check was too quick to take a picture of)");
    d.Shot(install, L"6-install");
    d.Press(install, answer == Answer::Now ? IDOK : answer == Answer::Later ? IDC_BTN_LATER : IDCANCEL);
}

int Usage()
{
    std::fprintf(stderr, "usage: DemoDriver.exe --screenshots DIR [--answer now|later|cancel] [--timeout SECONDS]"
                         " -- PROGRAM [ARGUMENTS...]\n");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring folder;
    Answer answer = Answer::Now;
    DWORD timeoutMs = 60000;
    int i = 1;
    for (; i < argc && std::wcscmp(argv[i], L"--") != 0; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--screenshots" && i + 1 < argc)
            folder = argv[++i];
        else if (arg == L"--answer" && i + 1 < argc) {
            std::wstring value = argv[++i];
            if (value == L"now")
                answer = Answer::Now;
            else if (value == L"later")
                answer = Answer::Later;
            else if (value == L"cancel")
                answer = Answer::Cancel;
            else
                return Usage();
        } else if (arg == L"--timeout" && i + 1 < argc)
            timeoutMs = static_cast<DWORD>(_wtoi(argv[++i])) * 1000;
        else
            return Usage();
    }
    if (folder.empty() || i + 1 >= argc || timeoutMs == 0)
        return Usage();
    // The program's command line as it was given: everything after " -- ".
    const wchar_t* whole = GetCommandLineW();
    const wchar_t* rest = std::wcsstr(whole, L" -- ");
    if (!rest)
        return Usage();
    std::wstring commandLine = rest + 4;
    CreateDirectoryW(folder.c_str(), nullptr);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION program = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &program)) {
        std::fprintf(stderr, "driver: cannot start %ls (error %lu)\n", commandLine.c_str(), GetLastError());
        return 90;
    }
    CloseHandle(program.hThread);

    Driver driver(program.dwProcessId, program.hProcess, folder, timeoutMs);
    bool walked = true;
    try {
        Walk(driver, answer);
    } catch (const StepMissing& missing) {
        walked = false;
        std::printf("driver: %s\n", missing.what());
        std::fflush(stdout);
    }
    // After the last button the program goes on alone (it may start the
    // installer); a dialog it still shows was not expected.
    if (!walked || WaitForSingleObject(program.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        if (walked)
            Driver::Say(L"the program did not end after the last step");
        if (!driver.CloseEverything(timeoutMs)) {
            Driver::Say(L"ending the program");
            TerminateProcess(program.hProcess, 90);
            WaitForSingleObject(program.hProcess, 5000);
        }
        walked = false;
    }
    DWORD exitCode = 90;
    GetExitCodeProcess(program.hProcess, &exitCode);
    CloseHandle(program.hProcess);
    return walked ? static_cast<int>(exitCode) : 90;
}
