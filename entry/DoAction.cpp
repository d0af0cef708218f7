#include "ZvAutoUpdate.h"

#include "dialogs/SkinnedWorkflowDialogs.h"
#include "online/PatchOnline.h"
#include "online/UpdatePolicy.h"
#include "update/ActionScope.h"
#include "update/Updater.h"

#include <new>

using ZvAutoUpdate::CUpdateConfiguration2;

namespace {

// The failure code of each action's own path: a failed check or upload (2),
// a failed transfer (15).
int FailureCode(int action)
{
    return action == ZVAU_ACTION_UPLOAD_CRM || action == ZVAU_ACTION_CHECK ? ZVAU_RESULT_FAILED
                                                                             : ZVAU_RESULT_TRANSFER_CANCELLED;
}

// A host's Log may throw too (a C++ host); nothing of it leaves the library.
void LogSafely(CUpdateConfiguration2& host, const wchar_t* line)
{
    try {
        host.Log(line);
    } catch (...) {
    }
}

int Run(CUpdateConfiguration2& configuration, int action, const CUpdatePolicy& policy)
{
    if (action == ZVAU_ACTION_UPDATE || action == ZVAU_ACTION_UPLOAD_CRM) {
        // The library's own dialogs are bound here, where the action starts,
        // so that the workflow does not depend on them.
        CUpdater updater(&configuration, &SkinnedWorkflowDialogs());
        updater.SetPolicy(&policy);
        return updater.Run(action);
    }
    CPatchOnline online(&configuration, &policy);
    if (action == ZVAU_ACTION_CHECK)
        return online.IsAvailable(true);
    return online.Download(true);
}

int Enter(CUpdateConfiguration2* configuration, int action, const ZvUpdatePolicy* policy)
{
    // Resources are always loaded from this module (LibraryModule), so there
    // is no module state to switch or restore here.
    if (action == 0)
        return ZVAU_RESULT_BAD_ARGUMENT;
    if (configuration == nullptr)
        return ZVAU_RESULT_BAD_ARGUMENT;
    if (static_cast<unsigned>(action - 1) > 3u)
        return ZVAU_RESULT_UNKNOWN_ACTION;
    if (!CUpdatePolicy::IsAcceptable(policy))
        return ZVAU_RESULT_BAD_ARGUMENT;

    // A C host cannot catch a C++ exception, and on x86 it cannot unwind
    // through the system's code: whatever a run throws ends here. The lines
    // are literals: no text is built while memory may be short.
    try {
        CActionScope scope;
        if (!scope.Entered())
            return ZVAU_RESULT_BAD_ARGUMENT;
        try {
            const CUpdatePolicy rules(policy);
            return Run(*configuration, action, rules);
        } catch (const std::bad_alloc&) {
            LogSafely(*configuration, L"DoAction(): out of memory; the action was ended.");
        } catch (...) {
            LogSafely(*configuration, L"DoAction(): unexpected error; the action was ended.");
        }
    } catch (...) {
        LogSafely(*configuration, L"DoAction(): unexpected error; the action was ended.");
    }
    return FailureCode(action);
}

} // namespace

extern "C" int __cdecl DoAction(CUpdateConfiguration2* configuration, int action)
{
    return Enter(configuration, action, nullptr);
}

extern "C" int __cdecl DoActionWithPolicy(CUpdateConfiguration2* configuration, int action, const ZvUpdatePolicy* policy)
{
    return Enter(configuration, action, policy);
}
