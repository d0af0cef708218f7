// The skinned controls the update dialogs use. Each can take over a control
// of a dialog template (SubclassWindow) or create its own window (Create),
// and reads its look from a control template section (ZVControlBase.h lists
// the common keys; each class below lists its own).
#pragma once

#include "toolkit/ZVEdit.h"
#include "toolkit/ZVPeakMeterCtrl.h"
#include "toolkit/ZVStatic.h"
#include "toolkit/ZVUniButton.h"

// Creates the control object for a description type name (case-insensitive:
// CZV_UniButton, CZV_Static, CZV_Edit, CZV_PeakMeterCtrl, CZV_ColorFrame). Null for any other
// name, including the other type names description files may carry.
CZV_ControlBase* CreateControlByTypeName(const wchar_t* typeName);
// True for every type name a description file may carry (the full list of
// the toolkit's control types).
bool IsKnownControlTypeName(const wchar_t* typeName);
