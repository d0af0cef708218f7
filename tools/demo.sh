#!/bin/bash
# Sets up, builds, starts a local update server with the example feed and runs
# the sample host against the library: action 3 (is there an update?), then
# action 4 (download it).
#
# The feed (examples/feed/update.xml, with its release notes) is served from
# 127.0.0.1 together with a small Authenticode-signed example installer made
# at build time (the signed fixture program of the tests). The update server
# is tools/update-server.py, a plain static file server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/${ZV_BUILD_ROOT:-build}/x64
"$root/tools/setup.sh"
"$root/tools/build.sh" all

server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null || true
    zv_wine_session_end
}
. "$root/tools/wine-session.sh"
trap cleanup EXIT
zv_wine_session_begin "$build/wineprefix"

# The feed as served: the example's files, the installer, and the document's
# address and size made to match this server.
feed=$build/demo/feed
downloads=$build/demo/downloads
rm -rf "$build/demo"
mkdir -p "$feed" "$downloads"
cp "$root/examples/feed/"* "$feed/"
cp "$build/fixtures/signed-valid.exe" "$feed/SampleSetup.exe"

python3 "$root/tools/update-server.py" "$feed" --port 0 --port-file "$build/demo/port" --max-seconds 300 &
server_pid=$!
for _ in $(seq 1 50); do
    [ -s "$build/demo/port" ] && break
    sleep 0.1
done
port=$(cat "$build/demo/port")
size=$(stat -c %s "$feed/SampleSetup.exe")
sed -i -e "s#http://127.0.0.1:8080/#http://127.0.0.1:$port/#g" \
       -e "s#filesize=\"[0-9]*\"#filesize=\"$size\"#" "$feed/update.xml"

echo "demo: the sample host asks http://127.0.0.1:$port/update.xml for an update (action 3), then downloads it (action 4)"
cd "$build/bin"
wine_downloads="Z:${downloads//\//\\}\\"
/usr/lib/wine/wine64 SampleHost.exe --url "http://127.0.0.1:$port/update.xml" --folder "$wine_downloads" \
    --version 1.0.0.0 --language en-GB 3 4 </dev/null 2>/dev/null | sed -u 's/\r$//'

echo "demo: the downloaded installer, run as the host would run it:"
/usr/lib/wine/wine64 "$downloads/SampleSetup.exe" </dev/null 2>/dev/null | sed -u 's/\r$//; s/^/  /'
