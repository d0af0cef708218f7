#!/bin/bash
# Inside the x86 test machine: makes a fresh WoW64 Wine prefix in the
# machine's memory, set up as the tests' sessions set up theirs, and copies
# it to OUT (in the shared checkout) for make-env.sh to keep.
#
#   tools/x86/make-prefix-job.sh OUT
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$1
. "$root/tools/wine-session.sh"
zv_wine_session_begin /tmp/zvprefix
zv_wine_session_end
[ -f /tmp/zvprefix/system.reg ] && [ -d /tmp/zvprefix/drive_c/windows/syswow64 ] || {
    echo "x86 machine: Wine made no WoW64 prefix"; exit 1; }
rm -rf "$out"
cp -a /tmp/zvprefix "$out"
