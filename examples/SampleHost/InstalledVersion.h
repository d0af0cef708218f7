// Where the sample program keeps its version: the first line of
// SampleProgram.version in its folder. The example installer writes it.
#pragma once

#include <string>

namespace sample {

std::wstring VersionFilePath(const std::wstring& programFolder);
// Empty when the file is missing or empty.
std::wstring ReadInstalledVersion(const std::wstring& programFolder);
// The folder of the running program, with a trailing backslash.
std::wstring OwnFolder();

} // namespace sample
