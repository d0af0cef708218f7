#include "update/WorkflowDialogs.h"

#include "dialogs/SkinnedWorkflowDialogs.h"

CWorkflowDialogs& DefaultWorkflowDialogs()
{
    return SkinnedWorkflowDialogs();
}
