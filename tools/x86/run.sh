#!/bin/bash
# Runs a job script inside the x86 test machine (see make-env.sh) and
# prints its output.
#
#   tools/x86/run.sh [--machines N] JOB [ARG...]
#
# JOB is a bash script inside this checkout; the machine sees the checkout at
# the same path (the build trees hold absolute paths). With --machines N the
# job runs on N machines at once, one emulated CPU each, and each finds
# ZV_X86_SHARD=i/N in its environment (i from 1) to take its share of the
# work. The first machine's output is shown as it comes, the others' when
# they end. Exit code: 0 when every machine's job returned 0; 1 with a plain
# line when a machine could not run its job.
#   ZV_X86_ENV      the environment folder (default /var/lib/zvautoupdate/x86-env)
#   ZV_X86_TIMEOUT  seconds before a machine is stopped (default 5400)
#   ZV_X86_MEMORY   MiB per machine (default 4096)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
env_dir=${ZV_X86_ENV:-/var/lib/zvautoupdate/x86-env}
machines=1
if [ "${1:-}" = --machines ]; then machines=$2; shift 2; fi
[ $# -ge 1 ] || { echo "usage: $0 [--machines N] JOB [ARG...]" >&2; exit 2; }
job=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
case $job in "$root"/*) ;; *) echo "x86 machine: the job must lie inside $root" >&2; exit 2 ;; esac
[ -f "$env_dir/vmlinuz" ] && [ -f "$env_dir/initrd.gz" ] ||
    { echo "x86 machine: no environment in $env_dir (tools/x86/make-env.sh makes it)" >&2; exit 1; }

run_dir=$root/build/x86-machine
mkdir -p "$run_dir"

# Boots machine $1 of $machines on job file $2; QEMU's pid goes to $2.pid.
boot() {
    local index=$1 file=$2
    # No KVM is assumed: TCG with one CPU per machine (cross-modifying
    # kernel code under multi-threaded TCG was seen to crash QEMU 7.2's
    # guests at boot). SMAP off: QEMU 7.2 faults a user-mode IRETQ under
    # SMAP, which Wine's system call return path uses.
    timeout --kill-after=30 "${ZV_X86_TIMEOUT:-5400}" qemu-system-x86_64 \
        -accel tcg -cpu max,-smap -smp 1 -m "${ZV_X86_MEMORY:-4096}" \
        -nographic -no-reboot -nodefaults -serial "file:$file.console" -monitor none \
        -kernel "$env_dir/vmlinuz" -initrd "$env_dir/initrd.gz" \
        -append "console=ttyS0 quiet panic=-1 zvjob=$file zvshare=$root" \
        -fsdev "local,id=tree,path=$env_dir/root,security_model=none,readonly=on" \
        -device virtio-9p-pci,fsdev=tree,mount_tag=zvroot \
        -fsdev "local,id=share,path=$root,security_model=none" \
        -device virtio-9p-pci,fsdev=share,mount_tag=zvshare \
        </dev/null >"$file.qemu" 2>&1 &
    echo $! >"$file.pid"
}

files=()
for i in $(seq 1 "$machines"); do
    file=$run_dir/job-$$-$i.sh
    {
        printf '#!/bin/bash\nexport ZV_X86_MACHINE=1\n'
        [ "$machines" -gt 1 ] && printf 'export ZV_X86_SHARD=%s/%s\n' "$i" "$machines"
        printf 'cd %q\nexec bash %q' "$PWD" "$job"
        for arg in "$@"; do printf ' %q' "$arg"; done
        echo
    } >"$file"
    rm -f "$file.log" "$file.rc"
    boot "$i" "$file"
    files+=("$file")
done

# The first machine's output as it comes.
first=${files[0]}
pid=$(cat "$first.pid")
while kill -0 "$pid" 2>/dev/null && [ ! -e "$first.log" ]; do sleep 1; done
[ -e "$first.log" ] && tail -n +1 -f --pid="$pid" "$first.log"

status=0
for file in "${files[@]}"; do
    wait "$(cat "$file.pid")"
    machine=$?
    if [ "$file" != "$first" ]; then
        echo "---- x86 machine ${file##*-} ----"
        cat "$file.log" 2>/dev/null
    fi
    if [ ! -f "$file.rc" ]; then
        echo "x86 machine: the job did not finish (QEMU exit $machine; console: $file.console)" >&2
        status=1
        continue
    fi
    [ "$(cat "$file.rc")" = 0 ] || status=1
    rm -f "$file" "$file.log" "$file.rc" "$file.qemu" "$file.console" "$file.pid"
done
exit $status
