#!/bin/bash
# Pictures of every state of the interactive update (action 1) with the real
# dialogs and the default skin: waiting, offer, release notes, customer-data
# viewer, uploading, downloading, checking, failure, install, no update.
# Runs build/x64/bin/workflow_screenshots.exe under Wine in a private Xvfb
# display against a loopback server on 127.0.0.1:80; PNG files go to
# docs/workflow/.
# Usage: tools/workflow-screenshots.sh [build folder, default build/x64]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/x64}" && pwd)
out="$root/docs/workflow"
program="$build/bin/workflow_screenshots.exe"
[ -f "$program" ] || { echo "missing $program (build the workflow_screenshots target)"; exit 1; }
. "$root/tools/wine-session.sh"
# A session of this prefix that is still running (another script) makes the
# start fail; the trap then still stops the display started for it.
trap zv_wine_session_end EXIT
zv_wine_session_begin "$build/wineprefix"
export WINEDLLOVERRIDES="mshtml="
work=$(mktemp -d)
mkdir -p "$out"
( cd "$build/bin" && timeout 300 /usr/lib/wine/wine64 "$program" "Z:${work//\//\\}" </dev/null ) || true
for bmp in "$work"/*.bmp; do
    [ -f "$bmp" ] || continue
    name=$(basename "$bmp" .bmp)
    /usr/bin/convert "$bmp" "$out/$name.png"
    echo "screenshot: docs/workflow/$name.png"
done
rm -rf "$work"
