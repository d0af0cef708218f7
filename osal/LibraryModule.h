// The module that holds this code: resources (dialog templates, strings) are
// always looked up here, never in the host's executable.
#pragma once

#include <windows.h>

namespace ZvOSAL {
HMODULE LibraryModule();
}
