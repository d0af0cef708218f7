// Helpers shared by the files of ZvFileSystemItem. Internal to the library.
#pragma once

#include "ZvOSAL/ZvPath.h"

namespace ZvOSAL {
namespace FileSystemInternal {

// A path for the system calls that take a file or directory by name: without
// trailing separators (the shell refuses to move "dir\"), except for a drive
// root, which keeps its "\".
ZvString OperationPath(const ZvPath& path);

} // namespace FileSystemInternal
} // namespace ZvOSAL
