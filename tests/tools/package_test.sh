#!/bin/bash
# The integrator's packages, made from this tree (x64) and its sibling (x86):
#  - tools/package.py installs both into one prefix and makes the NuGet
#    package and the release archive; package_check.py reads what they hold;
#  - a consumer project (tests/tools/consumer) finds the installed package
#    with find_package and builds for x64 and for x86, and a prefix that
#    holds only x64 says plainly that it has no x86 build;
#  - the x64 consumer runs under Wine when this tree's programs can run.
#
#   package_test.sh BUILD_DIR       (BUILD_DIR: build/x64; build/x86 beside it)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
build_root=$(dirname "$build")
work=$build/tests/tools/package
python=/usr/bin/python3

if [ ! -f "$build_root/x86/bin/ZvAutoUpdate.dll" ]; then
    echo "SKIPPED: $build_root/x86 is not built; the packages hold both architectures (tools/build.sh all)"
    exit 77
fi

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

rm -rf "$work"
mkdir -p "$work"
"$python" "$root/tools/package.py" --build-root "$build_root" --out "$work/dist" || { echo "FAILED: package.py"; exit 1; }
prefix=$(ls -d "$work/dist/stage/ZvAutoUpdate-"*)

"$python" "$root/tests/tools/package_check.py" "$work/dist/"*.nupkg "$work/dist/"*.zip 2>&1 || fail "package contents"

# consumer ARCH PREFIX: configures and builds the consumer; the log in $work.
consumer() {
    local arch=$1 prefix=$2 toolchain=mingw-x86_64.cmake
    [ "$arch" = x86 ] && toolchain=mingw-i686.cmake
    rm -rf "$work/consumer-$arch"
    cmake -S "$root/tests/tools/consumer" -B "$work/consumer-$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" \
        -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release >"$work/consumer-$arch.log" 2>&1 &&
        cmake --build "$work/consumer-$arch" >>"$work/consumer-$arch.log" 2>&1
}

declare -A machine=([x64]=x86-64 [x86]=i386)
for arch in x64 x86; do
    if ! consumer $arch "$prefix"; then
        fail "the $arch consumer does not build against the installed package"
        tail -30 "$work/consumer-$arch.log"
        continue
    fi
    exe=$work/consumer-$arch/Consumer.exe
    x86_64-w64-mingw32-objdump -f "$exe" 2>/dev/null | grep -q "pei-${machine[$arch]}" || fail "Consumer.exe ($arch) is not a ${machine[$arch]} program"
    cmp -s "$work/consumer-$arch/ZvAutoUpdate.dll" "$prefix/bin/$arch/ZvAutoUpdate.dll" ||
        fail "the $arch consumer did not get the $arch DLL beside it"
    [ -f "$work/consumer-$arch/Bitmaps/ZvAutoUpdate/Dialogs/Update.ini" ] || fail "the $arch consumer has no skin beside it"
    echo "consumer ($arch) built against $prefix"
done

# A package with x64 only: an x86 consumer learns why at configure time.
cmake --install "$build" --prefix "$work/x64-only" >/dev/null || fail "cmake --install $build"
if consumer x86 "$work/x64-only"; then
    fail "an x86 consumer configured against a package without x86"
else
    grep -q "holds no x86 build" "$work/consumer-x86.log" ||
        { fail "no plain message for the missing architecture"; tail -20 "$work/consumer-x86.log"; }
fi

# Hosts built with Microsoft's tools link against the same import libraries:
# a C program compiled for the MSVC ABI and linked by lld-link (which reads
# libraries as Microsoft's linker does), without any runtime library.
if command -v clang >/dev/null && command -v lld-link >/dev/null; then
    printf '%s\n' '__declspec(dllimport) int __cdecl DoAction(void* configuration, int action);' \
        'int mainCRTStartup(void) { return DoAction(0, 0); }' >"$work/msvc.c"
    declare -A triple=([x64]=x86_64-pc-windows-msvc [x86]=i686-pc-windows-msvc)
    # On x86 without /safeseh, as the NuGet package's targets set it.
    declare -A safeseh=([x64]= [x86]=/safeseh:no)
    for arch in x64 x86; do
        mkdir -p "$work/msvc-$arch"
        if clang --target=${triple[$arch]} -c "$work/msvc.c" -o "$work/msvc-$arch/msvc.obj" &&
            lld-link /nologo /nodefaultlib /entry:mainCRTStartup /subsystem:console ${safeseh[$arch]} "$work/msvc-$arch/msvc.obj" \
                "$prefix/lib/$arch/ZvAutoUpdate.lib" /out:"$work/msvc-$arch/msvc.exe" >"$work/msvc-$arch.log" 2>&1; then
            cp "$prefix/bin/$arch/ZvAutoUpdate.dll" "$work/msvc-$arch/"
            echo "MSVC-style link ($arch) against the package's import library: done"
        else
            fail "an MSVC-style link ($arch) against the package's import library"
            cat "$work/msvc-$arch.log"
        fi
    done
else
    echo "clang or lld-link missing: the MSVC-style link was not tried (tools/setup.sh installs them)"
fi

# Running the x64 consumer: its DLL from the package answers.
"$build/wine-run" cmd /c exit 0 </dev/null >/dev/null 2>&1
if [ $? = 0 ] && [ -f "$work/consumer-x64/Consumer.exe" ]; then
    out=$(cd "$work/consumer-x64" && "$build/wine-run" Consumer.exe </dev/null 2>&1 | tr -d '\r')
    echo "$out"
    [ "$out" = "consumer: DoAction from C++ 3, from C 3" ] || fail "the x64 consumer did not run as expected"
    if [ -f "$work/msvc-x64/msvc.exe" ]; then
        (cd "$work/msvc-x64" && "$build/wine-run" msvc.exe </dev/null >/dev/null 2>&1)
        code=$?
        [ $code = 3 ] || fail "the MSVC-linked x64 program got $code from DoAction(0, 0), not 3"
    fi
else
    echo "the x64 consumer was built but not run (no Wine session)"
fi

[ $failures = 0 ] && echo "PASSED"
exit $((failures > 0))
