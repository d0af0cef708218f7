// Export/import decoration for the ZvOSAL classes and the library's C entry point.
#pragma once

#if defined(ZVAUTOUPDATE_BUILDING_DLL)
#define ZVOSAL_API __declspec(dllexport)
#elif defined(ZVAUTOUPDATE_STATIC)
#define ZVOSAL_API
#else
#define ZVOSAL_API __declspec(dllimport)
#endif
