#!/bin/sh
# Checks a built ZvAutoUpdate.dll from its PE headers:
#  - the export table names the module "ZvAutoUpdate.dll" and exports DoAction
#    undecorated;
#  - no runtime symbols (libgcc, libstdc++, winpthread) are re-exported;
#  - every imported DLL is a system DLL (the runtime is linked statically).
# Usage: check-dll.sh OBJDUMP FILE [extra allowed DLL ...]
set -u
objdump=$1
file=$2
shift 2
dump=$("$objdump" -p "$file") || { echo "FAIL: $objdump -p $file"; exit 1; }
failed=0
fail() { echo "FAIL: $*"; failed=1; }

case "$file" in
*.dll|*.DLL)
    echo "$dump" | grep -q '^Name .*ZvAutoUpdate\.dll$' || fail "export table does not name the module ZvAutoUpdate.dll"
    echo "$dump" | grep -Eq '^[[:space:]]+\[[[:space:]]*[0-9]+\] DoAction$' || fail "DoAction is not exported undecorated"
    if echo "$dump" | grep -Eq '\] (_Unwind_|__gxx_personality|__cxa_|pthread_|_ZSt|__emutls)'; then
        fail "runtime symbols are re-exported"
    fi
    ;;
esac

allowed="kernel32.dll user32.dll gdi32.dll gdiplus.dll advapi32.dll shell32.dll shlwapi.dll ole32.dll oleaut32.dll
wininet.dll wintrust.dll crypt32.dll comctl32.dll version.dll xmllite.dll msvcrt.dll ws2_32.dll comdlg32.dll
uxtheme.dll msimg32.dll $*"
imports=$(echo "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
[ -n "$imports" ] || fail "no import table found"
for dll in $imports; do
    case "$dll" in api-ms-win-*) continue ;; esac
    ok=0
    for a in $allowed; do [ "$dll" = "$a" ] && ok=1; done
    [ $ok = 1 ] || fail "imports a non-system DLL: $dll"
done
[ $failed = 0 ] && echo "OK: $file imports only system DLLs: $(echo $imports)"
exit $failed
