# ZvAutoUpdate's CMake package:
#
#   find_package(ZvAutoUpdate CONFIG REQUIRED)
#   target_link_libraries(MyProgram PRIVATE ZvAutoUpdate::ZvAutoUpdate)
#
# ZvAutoUpdate::ZvAutoUpdate is the DLL of the consumer's architecture (x64 for
# 64-bit, x86 for 32-bit builds) with its import library and the include
# folder. Beside the program go the DLL, $<TARGET_FILE:ZvAutoUpdate::ZvAutoUpdate>,
# and the default skin of the dialogs, the folder ${ZvAutoUpdate_SKIN_DIR}
# (Bitmaps\ZvAutoUpdate\...).
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Windows")
    set(ZvAutoUpdate_FOUND FALSE)
    set(ZvAutoUpdate_NOT_FOUND_MESSAGE "ZvAutoUpdate is a Windows DLL; this build targets ${CMAKE_SYSTEM_NAME}")
    return()
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(_zvautoupdate_arch x64)
elseif(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(_zvautoupdate_arch x86)
else()
    set(ZvAutoUpdate_FOUND FALSE)
    set(ZvAutoUpdate_NOT_FOUND_MESSAGE "no C or C++ compiler is enabled, so the architecture is unknown")
    return()
endif()
set(_zvautoupdate_targets ${CMAKE_CURRENT_LIST_DIR}/ZvAutoUpdateTargets-${_zvautoupdate_arch}.cmake)
if(NOT EXISTS ${_zvautoupdate_targets})
    set(ZvAutoUpdate_FOUND FALSE)
    set(ZvAutoUpdate_NOT_FOUND_MESSAGE
        "this package holds no ${_zvautoupdate_arch} build of ZvAutoUpdate.dll (install that architecture's build tree into the same prefix)")
    unset(_zvautoupdate_arch)
    unset(_zvautoupdate_targets)
    return()
endif()
include(${_zvautoupdate_targets})
set(ZvAutoUpdate_ARCH ${_zvautoupdate_arch})
get_filename_component(ZvAutoUpdate_SKIN_DIR ${CMAKE_CURRENT_LIST_DIR}/../../../bin/${_zvautoupdate_arch}/Bitmaps ABSOLUTE)
unset(_zvautoupdate_arch)
unset(_zvautoupdate_targets)
