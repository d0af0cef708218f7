#!/bin/bash
# Runs an x86 build tree's tests where 32-bit Windows programs run (inside
# the x86 test machine, or on a host whose Wine runs them): first the probe,
# then the tests in a Wine session of the tree's own prefix.
#
#   tools/x86/ctest-job.sh BUILD_DIR [CTEST_ARG...]
#
# Inside the test machine (ZV_X86_MACHINE=1) the tree's prefix is a copy-on-
# write layer over the machine's prepared prefix (made once by make-env.sh)
# in memory, and ctest's own records go to memory too, so that several
# machines can share one build tree; ZV_X86_SHARD=i/n runs every n-th test
# from the i-th.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
shift

args=("$@")
if [ "${ZV_X86_MACHINE:-0}" = 1 ]; then
    mkdir -p /tmp/prefix-upper /tmp/prefix-work /tmp/testing "$build/wineprefix" "$build/Testing"
    template=/opt/zvautoupdate/wineprefix
    if [ -f "$template/system.reg" ]; then
        mount -t overlay -o "lowerdir=$template,upperdir=/tmp/prefix-upper,workdir=/tmp/prefix-work" \
            overlay "$build/wineprefix" || { echo "x86 machine: cannot layer the prepared Wine prefix"; exit 1; }
    else
        mount -t tmpfs tmpfs "$build/wineprefix"
    fi
    mount -t tmpfs tmpfs "$build/Testing"
    if [ -n "${ZV_X86_SHARD:-}" ]; then
        args+=(-I "${ZV_X86_SHARD%/*},,${ZV_X86_SHARD#*/}")
    fi
fi

started=$(date +%s)
. "$root/tools/wine-session.sh"
zv_wine_session_begin "$build/wineprefix"
echo "x86: Wine session ready in $(( $(date +%s) - started )) s"
trap zv_wine_session_end EXIT

probe=$("$ZV_WINE" "$build/bin/zv_x86_probe.exe" 2>/dev/null | tr -d '\r')
if [ "$probe" != "x86 ok" ]; then
    echo "x86 tests cannot run: the i686 probe printed '${probe}' instead of 'x86 ok' under $(command -v wine) ($(wine --version 2>/dev/null))"
    exit 1
fi
cd "$build" && ctest --output-on-failure --timeout 1800 "${args[@]}" </dev/null
