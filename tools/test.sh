#!/bin/bash
# Sets up, builds both architectures and runs every test of each: x64 under
# the machine's Wine (GUI tests on a private Xvfb display), x86 where 32-bit
# Windows programs run: under this machine's Wine when it can, otherwise in
# the x86 test machine (tools/x86/: Debian sid's WoW64 Wine in QEMU).
#
#   tools/test.sh
#
# ZV_SKIP_X86=1 skips the x86 tests on purpose (they are then untested: the
# script says so); CI never sets it. Exit code 0 only when both suites ran
# and passed.
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
if [ "${ZV_SKIP_X86:-0}" = 1 ]; then
    echo "x86 tests skipped on purpose (ZV_SKIP_X86=1): the x86 build was compiled but not tested."
    exit $status
fi
# Can this machine's Wine run an i686 program? Then no test machine is needed.
# (A throwaway prefix: the tree's own belongs to whichever Wine runs the tests.)
probe_prefix=$(mktemp -d)
probe=$(WINEPREFIX=$probe_prefix WINEDEBUG=-all timeout 120 \
        wine "$root/build/x86/bin/zv_x86_probe.exe" </dev/null 2>/dev/null | tr -d '\r' || true)
WINEPREFIX=$probe_prefix "$ZV_WINESERVER" -k >/dev/null 2>&1 || true
rm -rf "$probe_prefix"
# The checks of the built files (label host) run here, on the build machine.
(cd "$root/build/x86" && ctest --output-on-failure -L host </dev/null) || status=1
if [ "$probe" = "x86 ok" ]; then
    "$root/tools/x86/ctest-job.sh" "$root/build/x86" -j 2 -LE host || status=1
elif ! "$root/tools/x86/make-env.sh"; then
    echo "x86 tests not run: this machine's Wine cannot run 32-bit programs and the x86 test machine could not be made (above)."
    status=1
else
    # Two machines, one emulated CPU each, share the tests between them. The
    # emulated CPU is several times slower than this one: so are the limits.
    log=$root/build/x86-machine/last-run.log
    mkdir -p "$(dirname "$log")"
    "$root/tools/x86/scale-timeouts.sh" "$root/build/x86" 4
    "$root/tools/x86/run.sh" --machines 2 "$root/tools/x86/ctest-job.sh" "$root/build/x86" -LE host | tee "$log"
    [ "${PIPESTATUS[0]}" = 0 ] || status=1
    "$root/tools/x86/scale-timeouts.sh" "$root/build/x86" --restore
    # One summary for both machines' shares.
    awk '/tests passed, [0-9]+ tests failed out of/ { failed += $4; total += $NF }
         END { if (total) printf "x86 (both machines): %d%% tests passed, %d tests failed out of %d\n",
                          int(100 * (total - failed) / total), failed, total }' "$log"
fi
exit $status
