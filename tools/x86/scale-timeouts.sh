#!/bin/bash
# Multiplies every test's time limit in a build tree's CTest files, for a
# machine that emulates its CPU (the limits are set for real hardware), or
# puts the limits back.
#
#   tools/x86/scale-timeouts.sh BUILD_DIR FACTOR
#   tools/x86/scale-timeouts.sh BUILD_DIR --restore
#
# The generated files are kept beside as *.unscaled and restored from there;
# a file that CMake wrote again since is taken as the new original.
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR FACTOR|--restore}
what=${2:?usage: $0 BUILD_DIR FACTOR|--restore}
marker="# time limits scaled"
find "$build" -name CTestTestfile.cmake -not -path '*/_deps/*' | while read -r file; do
    original=$file.unscaled
    head -n 1 "$file" | grep -qF "$marker" || cp "$file" "$original"
    if [ "$what" = --restore ]; then
        cp "$original" "$file"
    else
        { echo "$marker by $what"; perl -pe "s/ TIMEOUT \"(\\d+)\"/' TIMEOUT \"' . (\$1 * $what) . '\"'/ge" "$original"; } >"$file.new"
        mv "$file.new" "$file"
    fi
done
