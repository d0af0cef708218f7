#!/bin/bash
# Installs what the build and the tests need (Debian 12, as root), only what
# is missing, so running it again is quick.
set -euo pipefail

packages=(
    cmake make
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
    wine wine64
    xvfb xauth x11-apps x11-utils imagemagick
    osslsigncode openssl curl
    googletest python3
    python3-pefile python3-markdown gunicorn clang lld
    fonts-wqy-microhei
    fonts-wine
    debootstrap qemu-system-x86 cpio xz-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    SUDO=""
    [ "$(id -u)" = 0 ] || SUDO="sudo"
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
echo "setup: all packages present"

# The x86 test machine (tools/x86/make-env.sh): made once, then kept. Its
# failure does not stop the x64 build or demo; the test command fails on it.
if [ "${ZV_SKIP_X86:-0}" != 1 ]; then
    "$(dirname "$0")/x86/make-env.sh" || echo "setup: no x86 test machine (above): the x86 tests cannot run"
fi
