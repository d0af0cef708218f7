#!/bin/bash
# The demo: sets up, builds, and shows the interactive update of a sample
# program against a local update server.
#
#   tools/demo.sh [--headless] [--answer now|later|cancel]
#
# With a usable X display (DISPLAY set) the update dialogs open there and you
# answer them. Without one (or with --headless) they run on a private Xvfb
# display, the demo driver plays the user (at the install dialog: --answer,
# default now), and a picture of each step is saved; the demo names the
# folder. Details of the steps: tools/run-demo.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/${ZV_BUILD_ROOT:-build}/x64

headless=0
answer=now
while [ $# -gt 0 ]; do
    case $1 in
    --headless) headless=1; shift ;;
    --answer) answer=${2:-}; shift 2 ;;
    *) echo "usage: $0 [--headless] [--answer now|later|cancel]" >&2; exit 2 ;;
    esac
done

"$root/tools/setup.sh"
"$root/tools/build.sh" all

if [ $headless = 0 ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    export ZV_WINE_USE_DISPLAY=1
else
    headless=1
fi
. "$root/tools/wine-session.sh"
trap zv_wine_session_end EXIT
zv_wine_session_begin "$build/wineprefix"

args=(--build "$build" --work "$build/demo" --answer "$answer")
[ $headless = 1 ] && args+=(--headless)
"$root/tools/run-demo.sh" "${args[@]}"
