# Sourced inside the x86 test machine (ZV_X86_MACHINE=1) before a Wine
# session of an x86 build tree starts: the tree's prefix becomes a copy-on-
# write layer over the machine's prepared prefix (made once by make-env.sh),
# held in memory with ctest's own records, so that several machines can
# share one build tree over 9p and none waits minutes for a new prefix.
#   zv_x86_machine_prefix BUILD_DIR
zv_x86_machine_prefix() {
    local build=$1 template=/opt/zvautoupdate/wineprefix
    [ "${ZV_X86_MACHINE:-0}" = 1 ] || return 0
    # Programs start several times slower under the emulated CPU: the demo's
    # feed answers later, so that its waiting state is still there to see.
    export ZV_DEMO_QUERY_DELAY=${ZV_DEMO_QUERY_DELAY:-6}
    mkdir -p /tmp/prefix-upper /tmp/prefix-work "$build/wineprefix" "$build/Testing"
    if [ -f "$template/system.reg" ]; then
        mount -t overlay -o "lowerdir=$template,upperdir=/tmp/prefix-upper,workdir=/tmp/prefix-work" \
            overlay "$build/wineprefix" || { echo "x86 machine: cannot layer the prepared Wine prefix"; return 1; }
    else
        mount -t tmpfs tmpfs "$build/wineprefix"
    fi
    mount -t tmpfs tmpfs "$build/Testing"
}
