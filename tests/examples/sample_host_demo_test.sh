#!/bin/bash
# The demo end to end: the sample host runs the interactive update against
# the local update server, the demo driver answers the dialogs, and the
# sample acts on the result as a real host would.
#
#   sample_host_demo_test.sh BUILD_DIR CASE PLATFORM   CASE: now | later | cancel | no-update
#                                                 PLATFORM: win-x64 | win-x86 (the build's)
#
# Runs inside the Wine session of the test command (its display and prefix).
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:?usage: $0 BUILD_DIR CASE}
case=${2:?usage: $0 BUILD_DIR CASE PLATFORM}
platform=${3:?usage: $0 BUILD_DIR CASE PLATFORM}
work=$build/tests/examples/demo-$case

# The x86 tree's programs cannot run where there is no 32-bit Wine.
"$build/wine-run" cmd /c exit 0 </dev/null >/dev/null 2>&1
[ $? = 77 ] && { echo "SKIPPED: this build's programs cannot run here"; exit 77; }
[ -n "${DISPLAY:-}" ] || { echo "SKIPPED: no X display (run through tools/test.sh)"; exit 77; }

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
expect_line() { grep -qF -- "$1" "$work.log" || fail "no line \"$1\""; }
expect_no_line() { ! grep -qF -- "$1" "$work.log" || fail "unexpected line \"$1\""; }
# expect_order A B: the first line with A comes before the first line with B.
expect_order() {
    local a b
    a=$(grep -nF -- "$1" "$work.log" | head -1 | cut -d: -f1)
    b=$(grep -nF -- "$2" "$work.log" | head -1 | cut -d: -f1)
    [ -n "$a" ] && [ -n "$b" ] && [ "$a" -lt "$b" ] || fail "\"$1\" does not come before \"$2\""
}
expect_version() {
    local v
    v=$(head -1 "$work/SampleProgram/SampleProgram.version" 2>/dev/null | tr -d '\r')
    [ "$v" = "$1" ] || fail "installed version is \"$v\", expected \"$1\""
}
expect_pictures() {
    local p
    for p in "$@"; do
        [ -s "$work/screenshots/$p.png" ] || fail "no picture $p.png"
    done
}

answer=$case installed=1.0.0.0
[ "$case" = no-update ] && answer=now installed=1.1.0.0
"$root/tools/run-demo.sh" --build "$build" --work "$work" --headless --answer "$answer" --installed "$installed" \
    >"$work.log" 2>&1
status=$?
cat "$work.log"
echo "---- checks ($case)"
[ $status = 0 ] || fail "run-demo.sh exit code $status"

case $case in
now)
    expect_line "  -> 8 (install now)"
    expect_line "SampleSetup: SampleProgram 1.0.0.0 -> 1.1.0.0"
    expect_line "the installer ended with exit code 0"
    # Started at once: before the host's own end, with the verified file.
    expect_order "  -> 8 (install now)" "starting \""
    expect_order "  log: CUpdater::ThreadFileCheck(): check ok; adding file to list." "  installer: "
    expect_no_line "SampleProgram ends;"
    expect_version 1.1.0.0
    expect_pictures 1-waiting 2-offer 3-release-notes 4-downloading 6-install
    # The publisher's side: zvfeed made the feed and found nothing wrong.
    expect_line "demo: zvfeed make: SampleSetup.exe: version 1.1.0.0 (product version)"
    expect_line "demo: zvfeed check: no problem"
    # The circle closes: with the new version the server has no update.
    expect_line "feed: SampleProgram 1.1.0.0 ($platform, en-GB): no update"
    ;;
later)
    expect_line "  -> 9 (install later)"
    expect_order "  -> 9 (install later)" "the installer will run when SampleProgram ends"
    expect_order "the installer will run when SampleProgram ends" "SampleProgram ends; starting \""
    expect_line "SampleSetup: SampleProgram 1.0.0.0 -> 1.1.0.0"
    expect_version 1.1.0.0
    expect_pictures 2-offer 4-downloading 6-install
    ;;
cancel)
    expect_line "  -> 7 (the user does not want to install the update)"
    expect_no_line "starting \""
    expect_no_line "SampleSetup:"
    expect_version 1.0.0.0
    expect_pictures 6-install
    ;;
no-update)
    expect_line "DoActionWithPolicy(configuration, 1, policy):"
    expect_line "  -> 1 (no install decision"
    expect_no_line "GET /SampleProgram/SampleSetup.exe"
    expect_no_line "starting \""
    expect_version 1.1.0.0
    expect_pictures 2-no-update
    ;;
*)
    fail "unknown case $case"
    ;;
esac

[ $failures = 0 ] && echo "PASSED ($case)"
exit $((failures > 0))
