#include "dialogs/SkinnedWorkflowDialogs.h"

#include "dialogs/DlgInstall.h"
#include "dialogs/DlgProgress.h"
#include "dialogs/DlgUpdate.h"

namespace {

class CSkinnedWorkflowDialogs : public CWorkflowDialogs {
public:
    int RunUpdateDialog(ZvAutoUpdate::CUpdateConfiguration2* configuration, CWorkflowJobs& jobs, HWND owner,
                        UpdateChoice& choice) override
    {
        CDlgUpdate dialog(configuration, &jobs, owner);
        int result = static_cast<int>(dialog.DoModal());
        choice.dontShowAgain = dialog.IsDontShowAgainChecked();
        choice.sendProgramInformation = dialog.IsSendProgramInformationChecked();
        return result;
    }

    int RunProgressDialog(ZvAutoUpdate::CUpdateConfiguration2* configuration, CWorkflowJobs& jobs,
                          HWND owner) override
    {
        CDlgProgress dialog(configuration, &jobs, owner);
        return static_cast<int>(dialog.DoModal());
    }

    int RunInstallDialog(ZvAutoUpdate::CUpdateConfiguration2* configuration, HWND owner) override
    {
        CDlgInstall dialog(configuration, owner);
        return static_cast<int>(dialog.DoModal());
    }
};

} // namespace

CWorkflowDialogs& SkinnedWorkflowDialogs()
{
    static CSkinnedWorkflowDialogs dialogs;
    return dialogs;
}
