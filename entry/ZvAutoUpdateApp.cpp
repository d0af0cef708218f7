#include "ZvAutoUpdateApp.h"

#include "osal/ZorvaFont.h"

#include <windows.h>

namespace {
CZvAutoUpdateApp theApp;
}

CZvAutoUpdateApp& CZvAutoUpdateApp::Instance()
{
    return theApp;
}

bool CZvAutoUpdateApp::InitInstance()
{
    ZorvaFont::Initialize();
    m_initialised = true;
    return true;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        return theApp.InitInstance() ? TRUE : FALSE;
    }
    return TRUE;
}
