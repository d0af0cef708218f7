#!/bin/bash
# Sets up, builds, and runs the sample host against the library.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh"
"$root/tools/build.sh" all

. "$root/tools/wine-session.sh"
trap zv_wine_session_end EXIT
zv_wine_session_begin "$root/build/x64/wineprefix"

echo "demo: the sample host calls DoAction with actions 0, 5, 3 and 4"
cd "$root/build/x64/bin"
/usr/lib/wine/wine64 SampleHost.exe 0 5 3 4 </dev/null 2>/dev/null | tr -d '\r'
