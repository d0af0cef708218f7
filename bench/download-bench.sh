#!/bin/bash
# Download benchmark: action 4 (WinINet under Wine, through the library)
# against a native curl, both fetching the same file from the same local
# update server (tools/update-server.py on 127.0.0.1) in the same run, and the
# memory the downloading process needed.
#
#   bench/download-bench.sh [SIZE_MIB]       (default 256; ZV_BUILD_ROOT as for tools/build.sh)
#
# Each client runs twice, alternately; the better run of each counts. Both
# write to files in the same folder. A second, smaller download (SIZE/8) by
# action 4 shows whether the working set grows with the file: it must stay
# the same for both sizes: the transfer's read-ahead ring (1 MiB) plus fixed overhead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
size_mib=${1:-256}
build=$root/${ZV_BUILD_ROOT:-build}/x64
"$root/tools/build.sh" x64 >/dev/null
bench_exe=$build/bin/bench_download.exe
[ -f "$bench_exe" ] || { echo "bench: $bench_exe was not built"; exit 1; }

work=$(mktemp -d /tmp/zv-download-bench.XXXXXX)
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null || true
    WINEPREFIX=$build/wineprefix wineserver -k </dev/null >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
unset http_proxy https_proxy ftp_proxy all_proxy no_proxy HTTP_PROXY HTTPS_PROXY FTP_PROXY ALL_PROXY NO_PROXY

mkdir -p "$work/feed" "$work/downloads"
small_mib=$(( size_mib / 8 > 0 ? size_mib / 8 : 1 ))
head -c $(( size_mib * 1024 * 1024 )) /dev/urandom >"$work/feed/big.bin"
head -c $(( small_mib * 1024 * 1024 )) /dev/urandom >"$work/feed/small.bin"

python3 "$root/tools/update-server.py" "$work/feed" --quiet --port 0 --port-file "$work/port" --max-seconds 900 &
server_pid=$!
for _ in $(seq 1 50); do
    [ -s "$work/port" ] && break
    sleep 0.1
done
port=$(cat "$work/port")
base=http://127.0.0.1:$port
for name in big small; do
    bytes=$(stat -c %s "$work/feed/$name.bin")
    printf '<patch url="%s/%s.bin" filesize="%s" version="2.0.0.0">bench</patch>\n' \
        "$base" "$name" "$bytes" >"$work/feed/$name.xml"
done

wine_folder="Z:${work//\//\\}\\downloads\\"
# Warm the Wine prefix so that its first start does not fall into a run.
"$build/wine-run" "$bench_exe" >/dev/null 2>&1 </dev/null || true

curl_run() {
    local out
    out=$(curl -s -o "$work/downloads/curl.bin" -w '%{time_total} %{size_download}' "$base/big.bin")
    rm -f "$work/downloads/curl.bin"
    # MiB/s from bytes and seconds
    awk -v t="${out% *}" -v b="${out#* }" 'BEGIN { printf "%.1f %s %.3f\n", b / 1048576 / t, b, t }'
}
action4_run() {
    local feed=$1 out
    out=$("$build/wine-run" "$bench_exe" --url "$base/$feed.xml" --folder "$wine_folder" </dev/null 2>/dev/null | tr -d '\r')
    rm -f "$work/downloads/"*
    echo "$out"
}
field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p"; }

best_curl=0 best_action=0 action_line= growth_big=0 peak_big=0
for round in 1 2; do
    read -r curl_mibs curl_bytes curl_seconds < <(curl_run)
    echo "bench: curl      round $round: $curl_bytes bytes in $curl_seconds s = $curl_mibs MiB/s"
    line=$(action4_run big)
    echo "bench: action 4  round $round: $line"
    result=$(echo "$line" | field result)
    [ "$result" = 1 ] || { echo "bench: action 4 failed (result $result)"; exit 1; }
    mibs=$(echo "$line" | field mib_per_s)
    ws=$(echo "$line" | field ws_growth_kib)
    peak=$(echo "$line" | field peak_growth_kib)
    awk -v a="$curl_mibs" -v b="$best_curl" 'BEGIN { exit !(a > b) }' && best_curl=$curl_mibs
    awk -v a="$mibs" -v b="$best_action" 'BEGIN { exit !(a > b) }' && best_action=$mibs
    [ "$ws" -gt "$growth_big" ] && growth_big=$ws
    [ "$peak" -gt "$peak_big" ] && peak_big=$peak
done
small_line=$(action4_run small)
echo "bench: action 4  ${small_mib} MiB: $small_line"
growth_small=$(echo "$small_line" | field ws_growth_kib)

ratio=$(awk -v a="$best_action" -v c="$best_curl" 'BEGIN { printf "%.2f", a / c }')
echo
echo "download of ${size_mib} MiB from 127.0.0.1 (best of 2 each):"
echo "  curl (native):            $best_curl MiB/s"
echo "  action 4 (WinINet, Wine): $best_action MiB/s"
echo "  ratio action 4 / curl:    $ratio"
echo "  working-set growth of the downloading process: ${growth_big} KiB for ${size_mib} MiB" \
     "(peak ${peak_big} KiB), ${growth_small} KiB for ${small_mib} MiB; the read-ahead ring is 1 MiB"
