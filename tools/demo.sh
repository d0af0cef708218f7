#!/bin/bash
# The demo: sets up, builds, and shows the interactive update of a sample
# program against a local update server.
#
#   tools/demo.sh [--headless] [--answer now|later|cancel] [--x86]
#
# With a usable X display (DISPLAY set) the update dialogs open there and you
# answer them. Without one (or with --headless) they run on a private Xvfb
# display, the demo driver plays the user (at the install dialog: --answer,
# default now), and a picture of each step is saved; the demo names the
# folder. Details of the steps: tools/run-demo.sh.
#
# --x86 runs the 32-bit sample host and DLL instead, inside the x86 test
# machine (tools/x86/: QEMU, so it takes minutes); always headless there, so
# the pictures show what a user would have seen.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/${ZV_BUILD_ROOT:-build}/x64

headless=0
answer=now
x86=0
while [ $# -gt 0 ]; do
    case $1 in
    --headless) headless=1; shift ;;
    --answer) answer=${2:-}; shift 2 ;;
    --x86) x86=1; shift ;;
    *) echo "usage: $0 [--headless] [--answer now|later|cancel] [--x86]" >&2; exit 2 ;;
    esac
done

"$root/tools/setup.sh"
"$root/tools/build.sh" all

if [ $x86 = 1 ]; then
    build=$root/${ZV_BUILD_ROOT:-build}/x86
    "$root/tools/x86/make-env.sh" || exit 1
    echo "demo: the x86 sample host in the x86 test machine (emulated: this takes a few minutes)"
    exec "$root/tools/x86/run.sh" "$root/tools/x86/demo-job.sh" "$build" "$build/demo" "$answer"
fi

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
