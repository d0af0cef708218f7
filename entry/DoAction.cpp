#include "ZvAutoUpdate.h"

#include "dialogs/SkinnedWorkflowDialogs.h"
#include "online/PatchOnline.h"
#include "update/Updater.h"

using ZvAutoUpdate::CUpdateConfiguration2;

extern "C" int DoAction(CUpdateConfiguration2* configuration, int action)
{
    // Resources are always loaded from this module (LibraryModule), so there
    // is no module state to switch or restore here.
    if (action == 0)
        return ZVAU_RESULT_BAD_ARGUMENT;
    if (configuration == nullptr)
        return ZVAU_RESULT_BAD_ARGUMENT;
    if (static_cast<unsigned>(action - 1) > 3u)
        return ZVAU_RESULT_UNKNOWN_ACTION;

    if (action == ZVAU_ACTION_UPDATE || action == ZVAU_ACTION_UPLOAD_CRM) {
        // The library's own dialogs are bound here, where the action starts,
        // so that the workflow does not depend on them.
        CUpdater updater(configuration, &SkinnedWorkflowDialogs());
        return updater.Run(action);
    }

    CPatchOnline online(configuration);
    if (action == ZVAU_ACTION_CHECK)
        return online.IsAvailable(true);
    return online.Download(true);
}
