#!/bin/sh
# The x86 test machine's first process after the initrd: a minimal system
# (no services), then the job named on the kernel command line (zvjob=), its
# output in JOB.log and its exit code in JOB.rc, then power off.
PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
export PATH
mount -t proc proc /proc
mount -t sysfs sys /sys
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
# The checkout is mounted at its host path: a folder holding it (a clone in
# /tmp) stays as it is, on the machine's root, which is memory already.
share=$(cd "$(dirname "$0")/../.." && pwd)
for d in /tmp /run /root /var/tmp; do
    case $share/ in "$d"/*) continue ;; esac
    mount -t tmpfs tmpfs "$d"
done
chmod 1777 /tmp /var/tmp
busybox ip link set lo up
busybox hostname zv-x86
job=
for arg in $(cat /proc/cmdline); do
    case $arg in zvjob=*) job=${arg#zvjob=} ;; esac
done
export HOME=/root LANG=C.UTF-8
if [ -n "$job" ] && [ -f "$job" ]; then
    bash "$job" </dev/null >"$job.log" 2>&1
    echo $? >"$job.rc"
else
    echo "x86 machine: no job ($job)" >/dev/console
fi
sync
echo o >/proc/sysrq-trigger
while :; do sleep 1; done
