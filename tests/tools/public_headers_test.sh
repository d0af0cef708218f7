#!/bin/bash
# The public headers compile as C (C99 and later: the interface as a table of
# functions) and as C++11 and later, warning-free with -pedantic, each on its
# own and all together; ZvOSAL's headers as C++.
#
#   public_headers_test.sh C_COMPILER CXX_COMPILER INCLUDE_DIR
set -u
cc=${1:?usage: $0 C_COMPILER CXX_COMPILER INCLUDE_DIR}
cxx=${2:?}
include=${3:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

passed=0 failed=0
# compile LANGUAGE STANDARD SOURCE [FLAGS...]
compile() {
    local language=$1 std=$2 source=$3 compiler=$cc
    shift 3
    [ "$language" = c++ ] && compiler=$cxx
    if "$compiler" -x "$language" -std="$std" -Wall -Wextra -pedantic -Werror -fsyntax-only -I"$include" "$@" \
        "$source" >"$work/log" 2>&1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $(basename "$source") as $language $std $*"
        head -20 "$work/log"
    fi
}

top=()
for h in "$include"/*.h; do
    top+=("$(basename "$h")")
    # Self-contained: nothing needs to come before it.
    printf '#include "%s"\nint header_probe;\n' "$(basename "$h")" >"$work/alone.c"
    compile c c99 "$work/alone.c"
    compile c++ c++11 "$work/alone.c"
done
[ ${#top[@]} -ge 2 ] || { echo "FAILED: no public headers in $include"; exit 1; }

# All of them, in both orders, in the oldest and newest standards.
{ for h in "${top[@]}"; do printf '#include "%s"\n' "$h"; done
  for ((i = ${#top[@]} - 1; i >= 0; i--)); do printf '#include "%s"\n' "${top[i]}"; done
  printf 'int header_probe;\n'; } >"$work/all.c"
for std in c99 c17; do
    compile c $std "$work/all.c"
done
compile c c99 "$work/all.c" -DZVAU_FASTCALL_THIS
for std in c++11 c++20; do
    compile c++ $std "$work/all.c"
done

# ZvOSAL: C++ classes.
{ for h in "$include"/ZvOSAL/*.h; do printf '#include "ZvOSAL/%s"\n' "$(basename "$h")"; done
  printf 'int header_probe;\n'; } >"$work/osal.cpp"
for std in c++11 c++20; do
    compile c++ $std "$work/osal.cpp"
done

echo "$passed passed, $failed failed"
[ $failed = 0 ]
