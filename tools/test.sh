#!/bin/bash
# Sets up, builds both architectures and runs every test: x64 under Wine
# (GUI tests on a private Xvfb display), x86 as far as this machine allows.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
"$root/tools/build.sh" all

. "$root/tools/wine-session.sh"
trap zv_wine_session_end EXIT
status=0

echo "test: x64"
zv_wine_session_begin "$root/build/x64/wineprefix"
(cd "$root/build/x64" && ctest --output-on-failure --timeout 300 -j 2 </dev/null) || status=1
zv_wine_session_end

echo "test: x86"
if "$root/tools/wine32-available.sh"; then
    zv_wine_session_begin "$root/build/x86/wineprefix"
    (cd "$root/build/x86" && ctest --output-on-failure --timeout 300 -j 2 </dev/null) || status=1
    zv_wine_session_end
else
    echo "x86 tests skipped: this machine cannot run 32-bit Windows programs (no 32-bit Wine; the kernel does not execute 32-bit x86 code). x86 was compiled and its binary checks run."
    (cd "$root/build/x86" && ctest --output-on-failure -L host </dev/null) || status=1
fi
exit $status
