// Starting the installer the library handed over. The library verified its
// Authenticode signature before handing it over; the host decides when it
// runs: at once for "install now", when the program ends for "install later".
#pragma once

#include <string>

namespace sample {

// Runs `installer /dir "programFolder"` and waits for it to end (a real
// program would end itself instead, so that the installer can replace its
// files). Returns the installer's exit code, or -1 when it could not start.
int RunInstaller(const std::wstring& installer, const std::wstring& programFolder);

} // namespace sample
