#!/bin/bash
# Proves the test suite's power: applies deliberate faults (tools/mutation-faults.txt)
# to a checkout one at a time, rebuilds the x64 library and the test programs
# that can reach the fault, runs those tests under Wine and prints which tests
# caught each fault.
#
# Usage: tools/mutation-check.sh [options]
#   --list            the faults and the file each applies to now (no build)
#   --only ID,ID      these faults only
#   --compile-only    apply each fault and build the library, no tests: shows
#                     that every fault still applies and compiles
#   --repo DIR        the checkout to mutate (default: the one this script is in)
#   --build DIR       its x64 build tree (default: DIR/build/x64)
#   --faults FILE     the fault list (default: mutation-faults.txt beside this script)
#   --timeout S       ctest's limit for tests that set none (default 300)
#   --timeout-factor N  every test's time limit times N for this run (default 1),
#                     for a machine so busy that tests reach their limits
#   --skip-cases PAT  GoogleTest cases left out of every test program (a
#                     GTEST_FILTER pattern, e.g. '*Suite.Case*'), for cases
#                     known to fail now and then whatever the code; printed
#   --logs DIR        build and test logs of each run (default: BUILD/mutation)
#   --nice N          niceness added to the builds and tests (default 10; 0
#                     when the whole run is started under nice already)
#
# A fault names a product folder, a piece of code and its replacement; the
# code must occur exactly once in the files under that folder, so that moving
# code between files never breaks the list, only changing the code itself.
# Its tests (a ctest -R pattern) are its own "tests:" line or else its
# folder's line in the list; only the programs of those tests (and the DLL,
# which the end-to-end tests load) are rebuilt, and only those tests run, two
# at a time. A fault with no pattern runs the whole suite.
#
# The unmutated tests of every selected fault run first, once, and must pass:
# a flaky or broken baseline would otherwise pass for catches. The mutated file is restored after each
# fault, on interrupt too, and a run killed before it could restore restores
# it at its next start. Commit nothing in the checkout while a run is going.
#
# Exit status: 0 every fault caught (or applied and compiled, --compile-only);
# 1 a fault uncaught, not applicable or not compiling; 2 usage, environment or
# a failing baseline.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
build=
faults=$here/mutation-faults.txt
logs=
only=
mode=run
timeout=300
factor=1
skip=
jobs=2
niceness=10

usage() { sed -n '2,/^set -u/p' "$0" | sed -e '/^set -u/d' -e 's/^# \{0,1\}//'; exit 2; }

while [ $# -gt 0 ]; do
    case "$1" in
    --list) mode=list ;;
    --compile-only) mode=compile ;;
    --only) only=${2:?--only needs a list}; shift ;;
    --repo) repo=$(cd "${2:?}" && pwd) || exit 2; shift ;;
    --build) build=${2:?}; shift ;;
    --faults) faults=${2:?}; shift ;;
    --timeout) timeout=${2:?}; shift ;;
    --timeout-factor) factor=${2:?}; shift ;;
    --skip-cases) skip=${2:?}; shift ;;
    --logs) logs=${2:?}; shift ;;
    --nice) niceness=${2:?}; shift ;;
    -h|--help) usage ;;
    *) echo "mutation-check: unknown option $1" >&2; usage ;;
    esac
    shift
done
build=${build:-$repo/build/x64}
logs=${logs:-$build/mutation}
[ -f "$faults" ] || { echo "mutation-check: no fault list $faults" >&2; exit 2; }
# The system's interpreter when there is one: version-manager shims start slowly.
python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3
command -v "$python" >/dev/null || { echo "mutation-check: python3 is needed" >&2; exit 2; }
# As tools/build.sh: checkouts in different folders share cached objects.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$repo}

# The fault list's reader and the one edit it makes, in one small program:
#   ids [ID,ID]             the fault ids in list order (those named only)
#   list [ID,ID]            id<TAB>folder<TAB>file or why none<TAB>description
#   info ID                 folder<TAB>description
#   tests ID                its ctest -R pattern (empty: the whole suite)
#   locate ID               the file (relative to the checkout) the fault applies to
#   apply ID                that file with the fault in it (written in place)
faulttool() {
    "$python" - "$faults" "$repo" "$@" <<'PY'
import os, re, sys

PRODUCT = ["entry", "update", "online", "http", "dialogs", "ini", "osal", "toolkit", "resources"]
SOURCE_ENDINGS = (".cpp", ".h", ".c", ".rc", ".def")
FOLDER_TESTS = {}

def tests_of(fault):
    return fault["tests"] or FOLDER_TESTS.get(fault["folder"], "")

def parse(path):
    faults, order, cur, block = {}, [], None, None
    for number, line in enumerate(open(path, encoding="utf-8").read().split("\n"), 1):
        if block is not None and line.strip() not in ("replace:", "end"):
            cur[block].append(line)
            continue
        stripped = line.strip()
        if cur is None:
            if not stripped or stripped.startswith("#"):
                continue
            t = re.match(r"tests\s+(\S+)\s*:\s*(.+)$", stripped)
            if t:
                folder = t.group(1).strip("/")
                if folder in FOLDER_TESTS:
                    sys.exit("%s:%d: tests of %s listed twice" % (path, number, folder))
                FOLDER_TESTS[folder] = t.group(2).strip()
                continue
            m = re.match(r"fault\s+(\S+)\s+(\S+)\s*:\s*(.+)$", stripped)
            if not m:
                sys.exit("%s:%d: expected 'fault ID FOLDER: description' or 'tests FOLDER: PATTERN'" % (path, number))
            ident, folder, text = m.groups()
            if ident in faults:
                sys.exit("%s:%d: fault %s listed twice" % (path, number, ident))
            cur = {"id": ident, "folder": folder.strip("/"), "text": text.strip(), "find": [], "replace": [],
                   "tests": None}
        elif stripped.startswith("tests:") and block is None and not cur["find"] and cur["tests"] is None:
            cur["tests"] = stripped[len("tests:"):].strip()
            if not cur["tests"]:
                sys.exit("%s:%d: fault %s: an empty tests: line" % (path, number, cur["id"]))
        elif stripped == "find:" and block is None and not cur["find"]:
            block = "find"
        elif stripped == "replace:" and block == "find":
            block = "replace"
        elif stripped == "end" and block == "replace":
            if not "".join(cur["find"]).strip():
                sys.exit("%s:%d: fault %s has no code to find" % (path, number, cur["id"]))
            faults[cur["id"]] = cur
            order.append(cur["id"])
            cur, block = None, None
        else:
            sys.exit("%s:%d: expected tests:, find:, replace: or end" % (path, number))
    if cur is not None:
        sys.exit("%s: fault %s is not closed by 'end'" % (path, cur["id"]))
    return faults, order

def trim_block(lines):
    while lines and not lines[0].strip():
        lines = lines[1:]
    while lines and not lines[-1].strip():
        lines = lines[:-1]
    return lines

def pattern(fault):
    # Line by line, blanks at either end of a line do not matter.
    lines = [l.strip() for l in trim_block(fault["find"])]
    return re.compile(r"[ \t]*\r?\n[ \t]*".join(re.escape(l) for l in lines))

def files_under(root, folder):
    base = os.path.join(root, folder)
    for dirpath, dirnames, filenames in os.walk(base):
        dirnames.sort()
        for name in sorted(filenames):
            if name.endswith(SOURCE_ENDINGS):
                yield os.path.join(dirpath, name)

def matches(fault, root, folder):
    rx, found = pattern(fault), []
    for path in files_under(root, folder):
        text = open(path, encoding="utf-8", newline="").read()
        hits = [m for m in rx.finditer(text)]
        if hits:
            found.append((path, text, hits))
    return found

def locate(fault, root):
    folder = fault["folder"]
    if not os.path.isdir(os.path.join(root, folder)):
        sys.exit("fault %s: no folder %s/ in %s" % (fault["id"], folder, root))
    found = matches(fault, root, folder)
    if not found:
        elsewhere = [os.path.relpath(p, root) for f in PRODUCT if f != folder for p, _, _ in matches(fault, root, f)]
        hint = (" (it is in %s now: update the fault's folder)" % ", ".join(elsewhere)) if elsewhere else \
               " (the code changed: update the fault's snippet)"
        sys.exit("fault %s: its code is in no file under %s/%s" % (fault["id"], folder, hint))
    places = sum(len(h) for _, _, h in found)
    if places > 1:
        where = ", ".join("%s (%d)" % (os.path.relpath(p, root), len(h)) for p, _, h in found)
        sys.exit("fault %s: its code occurs %d times under %s/: %s; make the snippet unique"
                 % (fault["id"], places, folder, where))
    return found[0]

def apply(fault, root):
    path, text, hits = locate(fault, root)
    m = hits[0]
    line_start = text.rfind("\n", 0, m.start()) + 1
    indent = re.match(r"[ \t]*", text[line_start:]).group(0)
    newline = "\r\n" if "\r\n" in m.group(0) else "\n"
    lines = trim_block(fault["replace"])
    common = min((len(l) - len(l.lstrip()) for l in lines if l.strip()), default=0)
    out = []
    for i, l in enumerate(lines):
        if i == 0:
            out.append(l.strip())
        else:
            out.append(indent + l[common:].rstrip() if l.strip() else "")
    mutated = text[:m.start()] + newline.join(out) + text[m.end():]
    if mutated == text:
        sys.exit("fault %s: the replacement is the same code" % fault["id"])
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(mutated)
    return path

faults, order = parse(sys.argv[1])
root, command, args = sys.argv[2], sys.argv[3], sys.argv[4:]
if command in ("ids", "list"):
    wanted = [a for a in (args[0].split(",") if args and args[0] else []) if a]
    unknown = [a for a in wanted if a not in faults]
    if unknown:
        sys.exit("unknown fault id(s): " + ", ".join(unknown))
    chosen = [i for i in order if not wanted or i in wanted]
    if command == "ids":
        print("\n".join(chosen))
        sys.exit(0)
    status = 0
    for i in chosen:
        try:
            where = os.path.relpath(locate(faults[i], root)[0], root)
        except SystemExit as refusal:
            where, status = "NOT APPLICABLE: %s" % refusal, 1
        print("%s\t%s\t%s\t%s" % (i, faults[i]["folder"], where, faults[i]["text"]))
    sys.exit(status)
fault = faults.get(args[0]) if args else None
if fault is None:
    sys.exit("unknown fault " + (args[0] if args else "(none)"))
if command == "info":
    print("%s\t%s" % (fault["folder"], fault["text"]))
elif command == "tests":
    print(tests_of(fault))
elif command == "locate":
    print(os.path.relpath(locate(fault, root)[0], root))
elif command == "apply":
    print(os.path.relpath(apply(fault, root), root))
else:
    sys.exit("unknown command " + command)
PY
}

ids=$(faulttool ids "$only") || exit 2
[ -n "$ids" ] || { echo "mutation-check: no faults selected" >&2; exit 2; }

if [ "$mode" = list ]; then
    faulttool list "$only" >"${TMPDIR:-/tmp}/mutation-list.$$"
    status=$?
    while IFS=$'\t' read -r id folder where text; do
        case "$where" in
        NOT\ APPLICABLE*) printf '%-5s %-9s %s\n' "$id" "$folder" "$where" ;;
        *) printf '%-5s %-9s %-36s %s\n' "$id" "$folder" "$where" "$text" ;;
        esac
    done <"${TMPDIR:-/tmp}/mutation-list.$$"
    rm -f "${TMPDIR:-/tmp}/mutation-list.$$"
    echo "mutation-check: $(grep -c . <<<"$ids") faults$([ $status = 0 ] && echo ", every one applies" || echo ", NOT every one applies")"
    exit $status
fi

# ---- restoring the checkout ----
mkdir -p "$logs" || exit 2
pending=$logs/pending-restore   # "relative path" of the file now mutated
backup=$logs/original           # its unmutated content

restore() {
    [ -f "$pending" ] || return 0
    local file
    file=$(cat "$pending")
    if [ -n "$file" ] && [ -f "$backup" ]; then
        cp "$backup" "$repo/$file" && rm -f "$pending" "$backup"
    fi
}

if [ -f "$pending" ]; then
    echo "mutation-check: an earlier run stopped with $(cat "$pending") mutated; restoring it"
    restore
fi

# The build tree's test files with scaled time limits (--timeout-factor),
# their originals kept in $logs/ctest-files and put back at the end.
scale_limits() { # scale|restore
    "$python" - "$1" "$build" "$logs/ctest-files" "$factor" <<'PY'
import os, re, shutil, sys
action, build, keep, factor = sys.argv[1], sys.argv[2], sys.argv[3], float(sys.argv[4])
limit = re.compile(r' TIMEOUT "([0-9.]+)"')
def scaled(text):
    return limit.sub(lambda m: ' TIMEOUT "%d"' % round(float(m.group(1)) * factor), text)
def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()
if action == "restore":
    for dirpath, _, names in os.walk(keep):
        for name in names:
            original = os.path.join(dirpath, name)
            target = os.path.join(build, os.path.relpath(original, keep))
            # A file that cmake wrote again since is left as cmake wrote it.
            if os.path.exists(target) and read(target) == scaled(read(original)):
                shutil.copyfile(original, target)
    shutil.rmtree(keep, ignore_errors=True)
    sys.exit(0)
for dirpath, dirnames, names in os.walk(build):
    if "wineprefix" in dirnames:
        dirnames.remove("wineprefix")
    if "CTestTestfile.cmake" not in names or dirpath.startswith(keep):
        continue
    target = os.path.join(dirpath, "CTestTestfile.cmake")
    original = os.path.join(keep, os.path.relpath(target, build))
    current = read(target)
    if os.path.exists(original) and current == scaled(read(original)):
        continue
    os.makedirs(os.path.dirname(original), exist_ok=True)
    with open(original, "w", encoding="utf-8") as f:
        f.write(current)
    with open(target, "w", encoding="utf-8") as f:
        f.write(scaled(current))
PY
}
[ -d "$logs/ctest-files" ] && scale_limits restore

session=0
cleanup() {
    restore
    [ -d "$logs/ctest-files" ] && scale_limits restore
    if [ "$session" = 1 ]; then zv_wine_session_end; session=0; fi
}
trap cleanup EXIT
trap 'echo; echo "mutation-check: interrupted"; exit 130' INT TERM HUP

# ---- building and testing ----
configured=0
configure_tree() { # log-file
    local log=$1
    if [ ! -f "$build/CMakeCache.txt" ]; then
        if [ "$build" = "$repo/build/x64" ]; then
            # Configured as tools/build.sh does; only the targets asked for are built.
            local launcher=()
            command -v ccache >/dev/null 2>&1 &&
                launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
            cmake -S "$repo" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-x86_64.cmake" \
                -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >"$log" 2>&1 || return 1
        else
            echo "mutation-check: $build is not configured" >&2
            return 1
        fi
    elif [ "$configured" = 0 ]; then
        # Once per run: the test list must be the checkout's, not the one the
        # tree was last built from.
        cmake "$build" >"$log" 2>&1 || return 1
    fi
    configured=1
}

build_tree() { # log-file [target...]
    local log=$1
    shift
    [ $# -gt 0 ] || set -- all
    configure_tree "$log" || return 1
    nice -n "$niceness" cmake --build "$build" --target "$@" -j "$jobs" >"$log" 2>&1
}

# The names of the tests a pattern selects, on one line.
test_names() { # pattern
    (cd "$build" && ctest -N -R "${1:-.}") | sed -nE 's/^ *Test +#[0-9]+: (.+)$/\1/p' | tr '\n' ' ' |
        sed 's/ $//'
}

# The targets to rebuild for a pattern's tests: the DLL (the end-to-end tests
# and every public-API program load it) and each test program of this tree.
targets_of() { # pattern
    (cd "$build" && ctest --show-only=json-v1 -R "${1:-.}") | "$python" -c '
import json, os, sys
bin_dir = os.path.join(sys.argv[1], "bin")
found = ["ZvAutoUpdate"]
for t in json.load(sys.stdin)["tests"]:
    for arg in t.get("command", []):
        if os.path.dirname(arg) == bin_dir and arg.endswith(".exe"):
            name = os.path.basename(arg)[:-4]
            if name != "ZvAutoUpdate" and name not in found:
                found.append(name)
print(" ".join(found))
' "$build"
}

# Runs the suite, then once more the tests that failed: a test counts only
# when it fails both times, so that a test that fails now and then on a busy
# machine is not mistaken for a catch. Sets "failed" to the tests that failed
# twice (a timeout marked) and "flaky" to those that passed the second time.
run_suite() { # log-file pattern
    local log=$1 pattern=$2 first name again
    [ "$factor" = 1 ] || scale_limits scale
    . "$repo/tools/wine-session.sh"
    zv_wine_session_begin "$build/wineprefix"
    session=1
    (cd "$build" && nice -n "$niceness" ctest -j "$jobs" --timeout "$timeout" --output-on-failure -R "${pattern:-.}" \
        </dev/null) >"$log" 2>&1
    first=$(failed_tests "$log")
    failed=
    flaky=
    if [ -n "$first" ]; then
        # One at a time: the tests that failed do not compete with each other.
        (cd "$build" && nice -n "$niceness" ctest -j 1 --timeout "$timeout" --output-on-failure --rerun-failed \
            </dev/null) >"$log.again" 2>&1
        again=" $(failed_tests "$log.again") "
        grep -q "tests passed" "$log.again" || again=" $first "
        for name in $first; do
            case "$again" in
            *" ${name%(timeout)} "*) failed="${failed:+$failed }$name" ;;
            *" ${name%(timeout)}(timeout) "*)
                if grep -qx -- "${name%(timeout)}" "$logs/slow-tests" 2>/dev/null; then
                    flaky="${flaky:+$flaky }$name"
                else
                    failed="${failed:+$failed }$name"
                fi
                ;;
            *) flaky="${flaky:+$flaky }$name" ;;
            esac
        done
    fi
    zv_wine_session_end
    session=0
    # ctest that could not run at all is no green run either.
    if [ -z "$first" ] && ! grep -q "tests passed" "$log"; then
        failed="(ctest did not run)"
    fi
}

# The tests that ctest's summary lists as failed, a timeout marked.
failed_tests() { # log-file
    sed -n '/^The following tests FAILED:/,$p' "$1" |
        sed -nE 's/^[[:space:]]+[0-9]+ - ([^ ]+) \(([^)]*)\).*$/\1 \2/p' |
        while read -r name why; do
            [ "$why" = Timeout ] && name="$name(timeout)"
            printf '%s ' "$name"
        done | sed 's/ $//'
}

# The tests whose baseline run took more than half of their time limit: on a
# busy machine such a test may time out without any fault.
slow_tests() { # baseline-log
    (cd "$build" && ctest --show-only=json-v1) | "$python" -c '
import json, re, sys
limit = {}
for t in json.load(sys.stdin)["tests"]:
    for p in t.get("properties", []):
        if p["name"] == "TIMEOUT":
            limit[t["name"]] = float(p["value"])
default = float(sys.argv[2])
for line in open(sys.argv[1]):
    m = re.search(r"Test +#[0-9]+: (\S+) \.+ +Passed +([0-9.]+) sec", line)
    if m and float(m.group(2)) > limit.get(m.group(1), default) / 2:
        print(m.group(1))
' "$1" "$timeout"
}

# The gtest cases that failed, for the detail file.
failed_cases() { grep -Eo '^\[  FAILED  \] [^ ]+' "$1" | awk '{print $4}' | sort -u | tr '\n' ' '; }

seconds() { date +%s; }
started=$(seconds)
echo "mutation-check: checkout $repo, build $build, $(wc -w <<<"$ids") faults ($mode)"
[ "$factor" = 1 ] || echo "mutation-check: every test's time limit times $factor"
if [ -n "$skip" ]; then
    echo "mutation-check: GoogleTest cases left out of every program: $skip"
    export GTEST_FILTER="-$skip"
fi
echo "mutation-check: at $(git -C "$repo" log -1 --format='%h %s' 2>/dev/null | cut -c1-80)"

configure_tree "$logs/configure.log" || { echo "mutation-check: $build cannot be configured" >&2; exit 2; }
# Every selected fault's tests together: the baseline's build and run.
# (ctest's patterns allow few groups: the union names the tests one by one.)
union=
set -f
for pattern in $(for id in $ids; do faulttool tests "$id" || echo "?"; done | sort -u | sed 's/^$/./'); do
    [ "$pattern" = "?" ] && exit 2
    union="$union $(test_names "$pattern")"
done
set +f
union=$(tr ' ' '\n' <<<"$union" | sed '/^$/d' | sort -u | tr '\n' '|' | sed 's/|$//')
union=${union:+^($union)\$}
if [ "$mode" = compile ]; then
    union_targets=ZvAutoUpdate
else
    union_targets=$(targets_of "$union")
    echo "baseline: tests $(test_names "$union")"
fi

echo "baseline: building"
t0=$(seconds)
if ! build_tree "$logs/baseline-build.log" $union_targets; then
    echo "baseline: the unmutated checkout does not build (log: $logs/baseline-build.log)"
    exit 2
fi
echo "baseline: built in $(( $(seconds) - t0 )) s"
if [ "$mode" = run ]; then
    echo "baseline: running the suite"
    t0=$(seconds)
    run_suite "$logs/baseline-test.log" "$union"
    if [ -n "$failed$flaky" ]; then
        echo "baseline: NOT GREEN, refusing to go on (log: $logs/baseline-test.log)"
        [ -n "$failed" ] && echo "baseline: failed twice: $failed"
        [ -n "$flaky" ] && echo "baseline: failed, then passed when run again (flaky): $flaky"
        exit 2
    fi
    slow_tests "$logs/baseline-test.log" >"$logs/slow-tests"
    [ -s "$logs/slow-tests" ] &&
        echo "baseline: these tests used more than half of their time limit; a timeout of theirs is no catch: $(tr '\n' ' ' <"$logs/slow-tests")"
    echo "baseline: green in $(( $(seconds) - t0 )) s ($(grep -Eo '[0-9]+ tests passed|tests passed, [0-9]+ tests failed out of [0-9]+' "$logs/baseline-test.log" | head -1))"
fi

results=()
bad=0
good=0
details=$logs/details.txt
: >"$details"
for id in $ids; do
    IFS=$'\t' read -r folder text < <(faulttool info "$id")
    t0=$(seconds)
    if ! file=$(faulttool locate "$id" 2>&1); then
        results+=("$id"$'\t'"$folder"$'\t'"$text"$'\t'"NOT APPLICABLE: $file")
        bad=1
        echo "$id: not applicable: $file"
        continue
    fi
    cp "$repo/$file" "$backup" && printf '%s' "$file" >"$pending" || exit 2
    if ! faulttool apply "$id" >/dev/null; then
        restore
        results+=("$id"$'\t'"$folder"$'\t'"$text"$'\t'"NOT APPLICABLE")
        bad=1
        continue
    fi
    echo "$id: $file: $text"
    if [ "$mode" = compile ]; then
        targets=ZvAutoUpdate
    else
        pattern=$(faulttool tests "$id")
        names=$(test_names "$pattern")
        if [ -z "$names" ]; then
            restore
            results+=("$id"$'\t'"$folder"$'\t'"$text"$'\t'"NO TESTS match \"$pattern\"")
            bad=1
            echo "$id: no test matches \"$pattern\""
            continue
        fi
        echo "$id: tests $names"
        targets=$(targets_of "$pattern")
    fi
    if ! build_tree "$logs/$id-build.log" $targets; then
        restore
        results+=("$id"$'\t'"$folder"$'\t'"$text"$'\t'"DOES NOT COMPILE (log: $logs/$id-build.log)")
        bad=1
        echo "$id: does not compile"
        continue
    fi
    echo "$id: built in $(( $(seconds) - t0 )) s"
    if [ "$mode" = compile ]; then
        restore
        results+=("$id"$'\t'"$folder"$'\t'"$text"$'\t'"applies and compiles")
        good=$((good + 1))
        continue
    fi
    run_suite "$logs/$id-test.log" "$pattern"
    restore
    if [ -z "$failed" ]; then
        caught=UNCAUGHT
        bad=1
    else
        caught=$failed
        good=$((good + 1))
    fi
    results+=("$id"$'\t'"$folder"$'\t'"$text"$'\t'"$caught")
    printf '%s\t%s\t%s\tcases: %s%s\n' "$id" "$file" "$caught" "$(failed_cases "$logs/$id-test.log")" \
        "${flaky:+	not counted (failed once only, or a timeout of a slow test): $flaky}" >>"$details"
    echo "$id: $caught${flaky:+ [not counted: $flaky]} ($(( $(seconds) - t0 )) s)"
done

# The build tree back on the unmutated sources.
echo "mutation-check: rebuilding the unmutated checkout"
build_tree "$logs/final-build.log" $union_targets ||
    echo "mutation-check: the final rebuild failed (log: $logs/final-build.log)"

echo
printf '%-5s %-9s %-62s %s\n' FAULT FOLDER DESCRIPTION "$([ "$mode" = compile ] && echo RESULT || echo "CAUGHT BY")"
for row in "${results[@]}"; do
    IFS=$'\t' read -r id folder text caught <<<"$row"
    printf '%-5s %-9s %-62s %s\n' "$id" "$folder" "$text" "$caught"
done
total=${#results[@]}
echo
echo "mutation-check: $good of $total faults $([ "$mode" = compile ] && echo "apply and compile" || echo caught) in $(( $(seconds) - started )) s$([ "$mode" = run ] && echo "; test cases per fault: $details")"
exit $bad
