#!/bin/bash
# Sourced by the test and demo scripts: a private X display (Xvfb) and a
# persistent wineserver for the build tree's own Wine prefix, warmed up inside
# that display. zv_wine_session_end stops both. With ZV_WINE_USE_DISPLAY=1
# the caller's display is used instead of a private one.
#
# The server and its helpers must not inherit our pipes (or ctest would wait
# for them forever): every Wine start here has its streams redirected.

# The Wine loader and server: bookworm keeps the 64-bit loader in
# /usr/lib/wine and the server on PATH; sid's WoW64 Wine (the x86 test
# machine) has "wine" for both architectures and its server in the
# multiarch folder.
if [ -x /usr/lib/wine/wine64 ]; then
    ZV_WINE=/usr/lib/wine/wine64
else
    ZV_WINE=$(command -v wine || echo wine)
fi
ZV_WINESERVER=$(command -v wineserver || echo /usr/lib/x86_64-linux-gnu/wine/wineserver)

# A private Xvfb on the first free display number from :90; sets DISPLAY.
zv_start_private_display() {
    local n i
    for n in $(seq 90 140); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
    done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    ZV_XVFB_PID=$!
    export DISPLAY=":$n"
    for i in $(seq 1 50); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        sleep 0.1
    done
}

zv_wine_session_begin() {
    local prefix=$1
    export WINEPREFIX=$prefix
    export WINEDEBUG=-all
    unset http_proxy https_proxy ftp_proxy all_proxy no_proxy HTTP_PROXY HTTPS_PROXY FTP_PROXY ALL_PROXY NO_PROXY

    if [ "${ZV_WINE_USE_DISPLAY:-0}" = 1 ]; then
        ZV_XVFB_PID=
    else
        zv_start_private_display
    fi

    local fresh=0
    [ -f "$prefix/system.reg" ] || fresh=1
    mkdir -p "$prefix"
    "$ZV_WINESERVER" -p </dev/null >/dev/null 2>&1
    # No Mono/Gecko install prompts while the prefix is created. A prefix
    # that exists is only started (and updated if Wine changed), which is
    # much cheaper under an emulated CPU.
    local init=-i
    [ $fresh = 1 ] || init=
    WINEDLLOVERRIDES="mscoree,mshtml=" "$ZV_WINE" wineboot $init </dev/null >/dev/null 2>&1 || true
    # The caption buttons' glyphs: this Wine does not look for Marlett where
    # fonts-wine puts it, only in the prefix's font folder.
    local marlett=/usr/share/wine/fonts/marlett.ttf fonts="$prefix/drive_c/windows/Fonts"
    if [ -f "$marlett" ] && [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ]; then
        cp "$marlett" "$fonts/"
    fi
    if [ $fresh = 1 ]; then
        # Dialogs do not wait for a window manager that Xvfb does not have.
        "$ZV_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
        # Chinese, Japanese and Korean texts: link the dialog fonts to the
        # installed CJK font (Wine's default links name fonts that are absent).
        local face
        for face in "Tahoma" "Microsoft Sans Serif" "MS Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2"; do
            "$ZV_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
                /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f </dev/null >/dev/null 2>&1 || true
        done
        # A new prefix comes up with two service managers; a program that
        # starts a service then may wait forever on the wrong one (the
        # browser's first navigation starts rpcss). Started again, the
        # prefix has one.
        "$ZV_WINESERVER" -k </dev/null >/dev/null 2>&1 || true
        "$ZV_WINESERVER" -w </dev/null >/dev/null 2>&1 || true
        "$ZV_WINESERVER" -p </dev/null >/dev/null 2>&1
        WINEDLLOVERRIDES="mscoree,mshtml=" "$ZV_WINE" wineboot </dev/null >/dev/null 2>&1 || true
    fi
}

zv_wine_session_end() {
    "$ZV_WINESERVER" -k </dev/null >/dev/null 2>&1 || true
    [ -n "${ZV_XVFB_PID:-}" ] && kill "$ZV_XVFB_PID" 2>/dev/null || true
    ZV_XVFB_PID=
}
