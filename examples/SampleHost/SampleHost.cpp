// A sample host of ZvAutoUpdate.dll, written as a small program that keeps
// itself up to date would be: it loads the library at run time, runs the
// actions named on the command line, prints every report it receives, and
// acts on the result of the interactive update (action 1) the way a real
// program does: on "install now" (8) it starts the installer at once, on
// "install later" (9) when it ends.
//
//   SampleHost.exe [--url URL] [--folder DIR\] [--program-folder DIR]
//                  [--version V] [--language L] [--platform N]
//                  [--installer NAME] [--no-dialogs] ACTION...
//
//   --program-folder  where the sample program is "installed": its version
//                     is read from SampleProgram.version there (else
//                     --version, else 1.0.0.0), and the installer is told
//                     to install there. Default: this program's folder.
//   --no-dialogs      action 1 runs as a silent check.
//
// Without actions it runs 3 (is there an update?) and then 4 (download it).
// Log lines start with "log:". Exit code: the result of the last action, or
// 2 for an unknown argument, 100 when the library cannot be loaded, 101 when
// an installer it started failed.
#include "ConsoleOutput.h"
#include "InstalledVersion.h"
#include "InstallerLauncher.h"
#include "SampleConfiguration.h"

#include "ZvAutoUpdate.h"
#include "ZvUpdatePolicy.h"

#include <windows.h>

#include <string>
#include <vector>

using sample::Print;

namespace {

const wchar_t* Meaning(int action, int result)
{
    switch (result) {
    case 1:
        return action == 1 ? L"no install decision (no update, dialog closed, or a silent check)"
               : action == 3 ? L"an update is available"
               : action == 4 ? L"installer downloaded"
                             : L"done";
    case 2: return action == 3 ? L"no update, or the check failed" : L"failed";
    case 3: return L"bad argument (null configuration or action 0)";
    case 4: return L"unknown action";
    case 7: return L"the user does not want to install the update";
    case 8: return L"install now";
    case 9: return L"install later";
    case 10: return L"no download address";
    case 11: return L"no customer-data file";
    case 12: return L"cancelled during the signature check";
    case 15: return L"transfer failed or cancelled";
    default: return L"?";
    }
}

struct Options {
    bool valid = true;
    sample::SampleConfiguration configuration;
    std::wstring programFolder;
    std::wstring versionGiven;
    std::vector<int> actions;
};

Options ParseOptions(int argc, wchar_t** argv)
{
    Options options;
    sample::SampleConfiguration& c = options.configuration;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == L"--url" && hasValue)
            c.updateURL = argv[++i];
        else if (arg == L"--folder" && hasValue)
            c.folder = argv[++i];
        else if (arg == L"--program-folder" && hasValue)
            options.programFolder = argv[++i];
        else if (arg == L"--version" && hasValue)
            options.versionGiven = argv[++i];
        else if (arg == L"--language" && hasValue)
            c.language = argv[++i];
        else if (arg == L"--platform" && hasValue)
            c.platform = _wtoi(argv[++i]);
        else if (arg == L"--installer" && hasValue)
            c.installerName = argv[++i];
        else if (arg == L"--no-dialogs")
            c.dialogs = false;
        else if (!arg.empty() && arg.find_first_not_of(L"0123456789") == std::wstring::npos)
            options.actions.push_back(_wtoi(argv[i]));
        else {
            Print(L"unknown argument: %ls\n", argv[i]);
            options.valid = false;
        }
    }
    if (options.actions.empty())
        options.actions = {3, 4};
    if (options.programFolder.empty())
        options.programFolder = sample::OwnFolder();
    std::wstring installed = sample::ReadInstalledVersion(options.programFolder);
    c.version = !installed.empty() ? installed : !options.versionGiven.empty() ? options.versionGiven : L"1.0.0.0";
    return options;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    Options options = ParseOptions(argc, argv);
    if (!options.valid) {
        Print(L"usage: SampleHost.exe [--url URL] [--folder DIR\\] [--program-folder DIR] [--version V]\n"
              L"                      [--language L] [--platform N] [--installer NAME] [--no-dialogs] ACTION...\n");
        return 2;
    }
    sample::SampleConfiguration& configuration = options.configuration;
    Print(L"SampleProgram %ls (in %ls)\n", configuration.version.c_str(), options.programFolder.c_str());

    HMODULE library = LoadLibraryW(L"ZvAutoUpdate.dll");
    if (!library) {
        Print(L"cannot load ZvAutoUpdate.dll (error %lu)\n", GetLastError());
        return 100;
    }
    auto doAction = reinterpret_cast<ZvDoActionWithPolicyFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "DoActionWithPolicy")));
    if (!doAction) {
        Print(L"ZvAutoUpdate.dll has no DoActionWithPolicy export\n");
        FreeLibrary(library);
        return 100;
    }
    // The recommended policy, less what a demo on this computer cannot have:
    // its feed is plain HTTP on 127.0.0.1, and this program is not signed
    // (a real host adds ZVAU_POLICY_REQUIRE_HTTPS | ZVAU_POLICY_SAME_PUBLISHER).
    ZvUpdatePolicy policy = {};
    policy.size = sizeof policy;
    policy.flags = ZVAU_POLICY_REQUIRE_NEWER | ZVAU_POLICY_VERIFY_DOWNLOAD | ZVAU_POLICY_EXACT_SIZE |
                   ZVAU_POLICY_REQUIRE_SHA256;

    int result = 0;
    bool installAtExit = false;
    int installerFailed = 0;
    for (int action : options.actions) {
        Print(L"DoActionWithPolicy(configuration, %d, policy):\n", action);
        result = doAction(&configuration, action, &policy);
        Print(L"  -> %d (%ls)\n", result, Meaning(action, result));
        if (action == 1 && result == 8) {
            // The installer replaces the program: a real program ends after
            // starting it.
            if (sample::RunInstaller(configuration.installer, options.programFolder) != 0)
                installerFailed = 1;
        } else if (action == 1 && result == 9) {
            Print(L"the installer will run when SampleProgram ends\n");
            installAtExit = true;
        } else if (action == 4 && result == 1) {
            Print(L"downloaded; this host installs only after the interactive update (action 1) asked the user\n");
        }
    }
    FreeLibrary(library);

    if (installAtExit) {
        Print(L"SampleProgram ends; ");
        if (sample::RunInstaller(configuration.installer, options.programFolder) != 0)
            installerFailed = 1;
    }
    return installerFailed ? 101 : result;
}
