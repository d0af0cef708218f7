#!/bin/bash
# The demo's steps in a built tree, inside a Wine session that the caller has
# started (tools/demo.sh does all of that; the tests call this directly):
#
#   run-demo.sh --build DIR --work DIR [--headless] [--answer now|later|cancel]
#               [--installed VERSION]
#
# 1. Trusts the build tree's test signing root in the tree's Wine prefix (the
#    example installer is signed with a certificate it issued).
# 2. Publishes the update as a publisher does: the feed server
#    (feed/zvfeed_server.py under gunicorn, on 127.0.0.1) serves the feed
#    folder WORK/feed; `zvfeed make` describes the signed example installer
#    SampleSetup.exe (its version from its version resource, size, SHA-256,
#    the release notes examples/feed/SampleProgram-1.1.md as HTML) in
#    WORK/feed/SampleProgram/any.xml, and `zvfeed check` asks the feed as the
#    library will. The server answers slowly enough to see the waiting state
#    and the download's progress (tools/demo_feed.py).
# 3. "Installs" the sample program: WORK/SampleProgram/SampleProgram.version
#    holds VERSION (default 1.0.0.0).
# 4. Runs the sample host with action 3 (is there an update?) and action 1
#    (the interactive update). With --headless nobody is at the screen: the
#    demo driver plays the user, presses the buttons (and at the install
#    dialog the --answer given, default now) and saves a picture of each
#    step in WORK/screenshots/ as PNG files.
# 5. Shows the program's version after the update, and asks once more
#    (action 3): now there is no update.
#
# Exit code: 0 when the steps ran (whatever the user answered), 1 otherwise.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

build= work= headless=0 answer=now installed=1.0.0.0
while [ $# -gt 0 ]; do
    case $1 in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --work) work=$2; shift 2 ;;
    --headless) headless=1; shift ;;
    --answer) answer=$2; shift 2 ;;
    --installed) installed=$2; shift 2 ;;
    *) echo "usage: $0 --build DIR --work DIR [--headless] [--answer now|later|cancel] [--installed VERSION]" >&2
       exit 2 ;;
    esac
done
[ -n "$build" ] && [ -n "$work" ] || { echo "$0: --build and --work are required" >&2; exit 2; }
case $answer in now|later|cancel) ;; *) echo "$0: --answer is now, later or cancel" >&2; exit 2 ;; esac

bin=$build/bin
for f in SampleHost.exe SampleSetup.exe DemoDriver.exe TrustRootCertificate.exe ZvAutoUpdate.dll; do
    [ -f "$bin/$f" ] || { echo "$0: $bin/$f is missing (build first: tools/build.sh)" >&2; exit 1; }
done
wine_run=$build/wine-run
# No browser-engine install prompt: without Wine's Gecko the release notes
# pane stays blank (the console shows the notes that action 3 received).
export WINEDLLOVERRIDES="mshtml="
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

rm -rf "$work"
mkdir -p "$work/feed" "$work/SampleProgram" "$work/downloads" "$work/screenshots"
work=$(cd "$work" && pwd)

"$wine_run" "$bin/TrustRootCertificate.exe" "$(winpath "$build/fixtures/root-ca.cer")" </dev/null

server_pid=
stop_server() { [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null || true; }
trap stop_server EXIT

feed=$work/feed/SampleProgram
mkdir -p "$feed"
cp "$bin/SampleSetup.exe" "$feed/SampleSetup.exe"
# ZV_DEMO_QUERY_DELAY: the emulated x86 machine needs longer to show the waiting state.
ZVFEED_ROOT=$work/feed DEMO_QUERY_DELAY=${ZV_DEMO_QUERY_DELAY:-1.5} DEMO_SPREAD=3 \
    gunicorn --pythonpath "$root/feed,$root/tools" --bind 127.0.0.1:0 --threads 4 --graceful-timeout 2 \
    --error-logfile "$work/feed-server.log" demo_feed:application &
server_pid=$!
port=
for _ in $(seq 1 150); do
    port=$(sed -n 's#.*Listening at: http://127\.0\.0\.1:\([0-9]*\).*#\1#p' "$work/feed-server.log" 2>/dev/null | head -1 || true)
    [ -n "$port" ] && break
    sleep 0.1
done
[ -n "$port" ] || { echo "$0: the feed server did not start:" >&2; cat "$work/feed-server.log" >&2; exit 1; }
echo "demo: the feed server (feed/zvfeed_server.py under gunicorn) serves $work/feed on http://127.0.0.1:$port/"
"$root/tools/zvfeed" make "$feed/SampleSetup.exe" --url "http://127.0.0.1:$port/SampleProgram/SampleSetup.exe" \
    --notes "$root/examples/feed/SampleProgram-1.1.md" --pug 1 -o "$feed/any.xml" 2>&1 | sed 's/^/demo: /'
offered=$(sed -n 's/.*<patch [^>]*version="\([0-9.]*\)".*/\1/p' "$feed/any.xml" | head -1)
[ -n "$offered" ] || { echo "$0: zvfeed make wrote no document" >&2; exit 1; }
update_url=http://127.0.0.1:$port/update
# The sample host reports the platform it was built for; the check asks the same.
pe_offset=$(od -An -tu4 -j 60 -N 4 "$build/bin/SampleHost.exe" | tr -d ' ')
machine=$(od -An -tx1 -j $((pe_offset + 4)) -N 2 "$build/bin/SampleHost.exe" | tr -d ' ')
platform=win-x64
[ "$machine" = 4c01 ] && platform=win-x86
"$root/tools/zvfeed" check "$update_url" --program SampleProgram --version "$installed" --language en-GB \
    --platform $platform --ca "$build/fixtures/root-ca.pem" | sed 's/^/demo: /' || true

printf '%s\r\n' "$installed" >"$work/SampleProgram/SampleProgram.version"
echo "demo: SampleProgram $installed is installed in $work/SampleProgram; the feed offers $offered"

host=(--url "$update_url" --folder "$(winpath "$work/downloads")\\"
      --program-folder "$(winpath "$work/SampleProgram")" --language en-GB)
status=0
cd "$bin"
set +e
if [ $headless = 1 ]; then
    echo "demo: nobody at the screen: the demo driver presses the buttons (install dialog: $answer)"
    "$wine_run" DemoDriver.exe --screenshots "$(winpath "$work/screenshots")" --answer "$answer" -- \
        "$(winpath "$bin/SampleHost.exe")" "${host[@]}" 3 1 </dev/null | sed -u 's/\r$//'
else
    echo "demo: the update dialogs open on display $DISPLAY"
    "$wine_run" SampleHost.exe "${host[@]}" 3 1 </dev/null | sed -u 's/\r$//'
fi
# The host's exit code is the result of action 1 (100 and up: the host
# failed); the driver passes it on, or gives 90 when a step did not come.
code=${PIPESTATUS[0]}
set -e
echo "demo: the sample host ended with $code (the result of action 1)"
if [ "$code" = 90 ] || [ "$code" -ge 100 ]; then
    status=1
fi

now=$(head -1 "$work/SampleProgram/SampleProgram.version" | tr -d '\r')
echo "demo: SampleProgram version before: $installed, after: $now"
echo "demo: asking once more, as SampleProgram $now (action 3):"
"$wine_run" SampleHost.exe "${host[@]}" --no-dialogs 3 </dev/null | sed -u 's/\r$//' | grep -E '^(SampleProgram|  ->)' || true

if [ $headless = 1 ]; then
    for bmp in "$work/screenshots"/*.bmp; do
        [ -f "$bmp" ] || continue
        convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
    done
    echo "demo: pictures of each step in $work/screenshots/:"
    (cd "$work/screenshots" && ls -1 *.png 2>/dev/null | sed 's/^/  /') || true
fi
exit $status
