#!/bin/bash
# Configures and builds both architectures: build/x64 and build/x86.
# Usage: tools/build.sh [x64|x86|all]
# ZV_BUILD_ROOT selects another build folder (default: build), e.g. for a
# second working build beside the main one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
which=${1:-all}
jobs=$(nproc 2>/dev/null || echo 2)
# Checkouts in different folders share cached objects.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}

build() {
    local arch=$1 toolchain=$2 dir="$root/${ZV_BUILD_ROOT:-build}/$1"
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        # A compiler cache, when the machine has one, makes rebuilds of a
        # second checkout cheap; the build does not need it.
        local launcher=()
        if command -v ccache >/dev/null 2>&1; then
            launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
        fi
        cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" -DCMAKE_BUILD_TYPE=Release \
            "${launcher[@]}" >/dev/null
    fi
    echo "build: $arch"
    local log="$dir/build.log"
    if ! cmake --build "$dir" -j "$jobs" >"$log" 2>&1; then
        grep -E 'error|Error' "$log" | head -40
        echo "build: $arch FAILED (full log: $log)"
        return 1
    fi
    grep -E 'warning:' "$log" | head -20 || true
}

case "$which" in
x64) build x64 mingw-x86_64.cmake ;;
x86) build x86 mingw-i686.cmake ;;
all) build x64 mingw-x86_64.cmake; build x86 mingw-i686.cmake ;;
*) echo "usage: $0 [x64|x86|all]"; exit 2 ;;
esac
