#!/bin/bash
# Makes the x86 test machine once and keeps it: a Debian sid tree with Wine
# built for its "new WoW64" mode (32-bit Windows programs inside the 64-bit
# Wine process), a Linux kernel to boot it in QEMU, and a small initrd.
#
#   tools/x86/make-env.sh [ENV_DIR]      (default $ZV_X86_ENV or /var/lib/zvautoupdate/x86-env)
#
# Why a virtual machine: bookworm's Wine runs no 32-bit programs, and some
# kernels this project runs on (ours among them) have 32-bit code segments and
# the 32-bit system call gate switched off, which WoW64 Wine needs. QEMU gives
# the tests a kernel that has both, on any x86-64 host, without KVM.
#
# Exit code 0 when the environment is ready; otherwise one plain line on
# stderr says why.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
env_dir=${1:-${ZV_X86_ENV:-/var/lib/zvautoupdate/x86-env}}
mirror=${ZV_X86_MIRROR:-http://deb.debian.org/debian}
# Raise when the package list or the initrd changes: an older tree is made again.
recipe=4
packages=(wine wine64 xvfb xauth x11-apps x11-utils python3 openssl ca-certificates cmake imagemagick
          fonts-wqy-microhei fonts-wine procps curl python3-pefile python3-markdown gunicorn osslsigncode
          linux-image-amd64 busybox-static)

fail() { echo "x86 environment: $*" >&2; exit 1; }

if [ -f "$env_dir/ready" ] && [ "$(cat "$env_dir/ready")" = "$recipe" ]; then
    exit 0
fi

for tool in debootstrap qemu-system-x86_64 cpio xz timeout; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (tools/setup.sh installs it)"
done

tree=$env_dir/root
rm -rf "$env_dir"
mkdir -p "$env_dir" || fail "cannot create $env_dir"
start=$(date +%s)
echo "x86 environment: making a Debian sid tree with WoW64 Wine in $env_dir (once; a few minutes)"
if ! debootstrap --variant=minbase --include="$(IFS=,; echo "${packages[*]}")" sid "$tree" "$mirror" \
        >"$env_dir/debootstrap.log" 2>&1; then
    reason=$(grep -E '^(E|W):' "$env_dir/debootstrap.log" | tail -n 1)
    fail "debootstrap of Debian sid from $mirror failed (${reason:-see $env_dir/debootstrap.log})"
fi
chroot "$tree" apt-get clean >/dev/null 2>&1

# Wine must be the WoW64 build: its 64-bit libwine carries the 32-bit PE DLLs.
pe32=$(ls "$tree"/usr/lib/x86_64-linux-gnu/wine/i386-windows 2>/dev/null | wc -l)
[ "$pe32" -gt 100 ] || fail "sid's Wine has no 32-bit PE DLLs (i386-windows holds $pe32 files): not a WoW64 build"

kernel=$(ls "$tree"/boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1)
[ -n "$kernel" ] || fail "no kernel in the sid tree"
version=${kernel##*/vmlinuz-}
grep -q '^CONFIG_IA32_EMULATION=y' "$tree/boot/config-$version" || fail "sid's kernel has no 32-bit emulation"
cp "$kernel" "$env_dir/vmlinuz"

# The initrd mounts the sid tree (read-only) and the shared checkout over
# 9p, then starts the checkout's own tools/x86/vm-init.sh.
initrd=$env_dir/initrd.d
mkdir -p "$initrd"/{bin,lib,proc,sys,dev,newroot}
cp "$tree/bin/busybox" "$initrd/bin/busybox"
for module in fs/netfs/netfs net/9p/9pnet net/9p/9pnet_virtio fs/9p/9p; do
    src=$tree/lib/modules/$version/kernel/$module.ko
    if [ -f "$src.xz" ]; then xz -dc "$src.xz" >"$initrd/lib/${module##*/}.ko"
    elif [ -f "$src" ]; then cp "$src" "$initrd/lib/${module##*/}.ko"
    else fail "kernel module $module missing"; fi
done
cp "$root/tools/x86/initrd-init" "$initrd/init"
chmod +x "$initrd/init"
(cd "$initrd" && find . | cpio -o -H newc 2>/dev/null | gzip -1 >"$env_dir/initrd.gz") || fail "cannot pack the initrd"
rm -rf "$initrd"

# A WoW64 prefix made once in the machine: the test runs layer their own
# changes over it in memory instead of making one each time (minutes under
# an emulated CPU).
made=$root/build/x86-machine/prefix-template
if ! ZV_X86_ENV=$env_dir ZV_X86_TIMEOUT=3600 "$root/tools/x86/run.sh" "$root/tools/x86/make-prefix-job.sh" "$made"; then
    fail "the x86 test machine could not make a Wine prefix (above)"
fi
mkdir -p "$tree/opt/zvautoupdate"
rm -rf "$tree/opt/zvautoupdate/wineprefix"
mv "$made" "$tree/opt/zvautoupdate/wineprefix" || fail "cannot keep the prepared prefix"

echo "$recipe" >"$env_dir/ready"
echo "x86 environment: ready in $(( $(date +%s) - start )) s ($(du -sh "$env_dir" 2>/dev/null | cut -f1))"
