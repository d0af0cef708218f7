// The update workflow's dialogs of this library: CDlgUpdate, CDlgProgress
// and CDlgInstall behind the workflow's dialog interface
// (update/WorkflowDialogs.h), bound where an action starts (entry/). Each
// Run* creates its dialog on the calling thread, runs it modally and
// destroys it.
#pragma once

#include "update/WorkflowDialogs.h"

CWorkflowDialogs& SkinnedWorkflowDialogs();
