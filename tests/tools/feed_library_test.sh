#!/bin/bash
# What zvfeed makes is what the library takes, on this build's architecture:
# a feed made by `zvfeed make` and served by the feed server under gunicorn
# answers actions 3 and 4 of a host written in C (FeedHost.c), and
# `zvfeed check` sends the library's own query, byte for byte.
#
#   feed_library_test.sh BUILD_DIR ARCH
#
# Runs inside the Wine session of the test command.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: $0 BUILD_DIR ARCH}" && pwd)
arch=${2:?usage: $0 BUILD_DIR ARCH}
work=$build/tests/tools/feed-library

"$build/wine-run" cmd /c exit 0 </dev/null >/dev/null 2>&1
[ $? = 77 ] && { echo "SKIPPED: this build's programs cannot run here"; exit 77; }

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }

platform=2 platform_name=win-x64
[ "$arch" = x86 ] && platform=1 platform_name=win-x86

rm -rf "$work"
mkdir -p "$work/feed/FeedProgram" "$work/downloads"
installer=$work/feed/FeedProgram/FeedSetup-3.2.exe
cp "$build/fixtures/signed-valid.exe" "$installer"
printf '# FeedProgram 3.2\n\n- Faster start\n- *Export* to PDF\n' >"$work/notes.md"

server_pid=
stop_server() { [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null; }
trap stop_server EXIT
# The access log holds each request line as it arrived.
ZVFEED_ROOT=$work/feed gunicorn --chdir "$root/feed" --bind 127.0.0.1:0 --graceful-timeout 2 \
    --access-logfile "$work/access.log" --access-logformat '%(r)s' --error-logfile "$work/server.log" \
    zvfeed_server:application &
server_pid=$!
port=
for _ in $(seq 1 300); do
    port=$(sed -n 's#.*Listening at: http://127\.0\.0\.1:\([0-9]*\).*#\1#p' "$work/server.log" 2>/dev/null | head -1)
    [ -n "$port" ] && break
    sleep 0.1
done
[ -n "$port" ] || { echo "FAILED: the feed server did not start"; cat "$work/server.log"; exit 1; }

"$root/tools/zvfeed" make "$installer" --url "http://127.0.0.1:$port/FeedProgram/FeedSetup-3.2.exe" \
    --version 3.2.1 --notes "$work/notes.md" --pug 4 -o "$work/feed/FeedProgram/$platform_name.xml" ||
    fail "zvfeed make"

host() {
    "$build/wine-run" "$build/bin/feed_host.exe" --platform "$platform" "$@" </dev/null | tr -d '\r'
}
expect() { grep -qxF -- "$2" <<<"$1" || fail "no line \"$2\""; }

# Actions 3 and 4 with an older version: the update, downloaded whole.
out=$(host --url "http://127.0.0.1:$port/update" --program FeedProgram --version 3.0 \
    --folder "$(winpath "$work/downloads")\\" 3 4)
echo "$out"
expect "$out" "action 3 -> 1"
expect "$out" "new version: 3.2.1.0"
expect "$out" "action 4 -> 1"
expect "$out" "installer (pug 4): $(winpath "$work/downloads")\\FeedSetup.exe"
grep -q '^notes: [1-9][0-9]* characters$' <<<"$out" || fail "no release notes reached the host"
cmp -s "$installer" "$work/downloads/FeedSetup.exe" || fail "the downloaded installer differs from the published one"

# The offered version itself: no update.
out=$(host --url "http://127.0.0.1:$port/update" --program FeedProgram --version 3.2.1 3)
expect "$out" "action 3 -> 2"

# The query: for each host setting, the request line that zvfeed check sends
# is the library's. Columns: update URL path|program|version|language|platform.
declare -A zvfeed_platform=([0]=none [1]=win-x86 [2]=win-x64)
cases=(
    "/update|FeedProgram|3.0|en-GB|2"
    "/update?zeta=1&channel=beta|FeedProgram|1.0|de|1"
    "/update?program=Other&format=xml|FeedProgram|1.0|en|2"
    "/feeds/update.php?a=1#top|FeedProgram|1.0.0.7|fr-CA|0"
    "/|FeedProgram|2|en|2"
    "/update|Feed Program|1.0 beta|pt BR|2"
    "/u%41pdate?q=%2B&r=a%26b|FeedProgram|1.0|x+y|2"
)
for case in "${cases[@]}"; do
    IFS='|' read -r path program version language number <<<"$case"
    url="http://127.0.0.1:$port$path"
    before=$(wc -l <"$work/access.log")
    host --url "$url" --program "$program" --version "$version" --language "$language" --platform "$number" 3 \
        >/dev/null
    sleep 0.2
    library=$(tail -n +$((before + 1)) "$work/access.log" | head -1)
    before=$(wc -l <"$work/access.log")
    "$root/tools/zvfeed" check "$url" --program "$program" --version "$version" --language "$language" \
        --platform "${zvfeed_platform[$number]}" >/dev/null 2>&1
    sleep 0.2
    ours=$(tail -n +$((before + 1)) "$work/access.log" | head -1)
    if [ -z "$library" ] || [ "$library" != "$ours" ]; then
        fail "query for \"$case\": the library sent \"$library\", zvfeed check \"$ours\""
    else
        echo "same query: $library"
    fi
done

[ $failures = 0 ] && echo "PASSED ($arch)"
exit $((failures > 0))
