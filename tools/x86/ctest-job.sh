#!/bin/bash
# Runs an x86 build tree's tests where 32-bit Windows programs run (inside
# the x86 test machine, or on a host whose Wine runs them): first the probe,
# then the tests in a Wine session of the tree's own prefix.
#
#   tools/x86/ctest-job.sh BUILD_DIR [CTEST_ARG...]
#
# Inside the test machine the prefix comes from machine-prefix.sh;
# ZV_X86_SHARD=i/n runs every n-th test from the i-th.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
shift

args=("$@")
if [ -n "${ZV_X86_SHARD:-}" ]; then
    args+=(-I "${ZV_X86_SHARD%/*},,${ZV_X86_SHARD#*/}")
fi
. "$root/tools/x86/machine-prefix.sh"
zv_x86_machine_prefix "$build" || exit 1

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
