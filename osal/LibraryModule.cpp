#include "LibraryModule.h"

namespace ZvOSAL {

HMODULE LibraryModule()
{
    // Asking by address finds the DLL when linked into it, and the test
    // executable when the sources are linked statically.
    static HMODULE module = [] {
        HMODULE found = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&LibraryModule), &found);
        return found;
    }();
    return module;
}

} // namespace ZvOSAL
