#!/bin/sh
# Exit 0 when this machine can run 32-bit Windows programs under Wine: the
# 32-bit loader must be installed and the kernel must execute 32-bit code.
[ -x /usr/lib/wine/wine ] || [ -x /usr/lib/i386-linux-gnu/wine/wine ] || exit 1
probe=$(ls /usr/lib/i386-linux-gnu/ld-linux.so.2 /lib/ld-linux.so.2 2>/dev/null | head -n 1)
[ -n "$probe" ] || exit 1
"$probe" --version >/dev/null 2>&1
