#!/bin/bash
# Inside the x86 test machine: the demo's steps (tools/run-demo.sh) with the
# x86 build's sample host and DLL, headless, pictures in WORK/screenshots.
#
#   tools/x86/demo-job.sh BUILD_DIR WORK_DIR ANSWER
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
. "$root/tools/x86/machine-prefix.sh"
zv_x86_machine_prefix "$build" || exit 1
. "$root/tools/wine-session.sh"
zv_wine_session_begin "$build/wineprefix"
trap zv_wine_session_end EXIT
"$root/tools/run-demo.sh" --build "$build" --work "$2" --answer "$3" --headless
