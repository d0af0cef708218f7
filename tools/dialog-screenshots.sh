#!/bin/bash
# Screenshots of the four dialogs with the default skin, made under Wine in a
# private Xvfb display: English at 96 and 144 DPI, the update dialog also in
# German and Japanese, and the update dialog before and after it grows for
# its release notes. PNG files go to docs/screenshots/.
# Usage: tools/dialog-screenshots.sh [build folder, default build/x64]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/x64}" && pwd)
out="$root/docs/screenshots"
mkdir -p "$out"
gallery="$build/bin/dialog_gallery.exe"
[ -f "$gallery" ] || { echo "missing $gallery (build the dialog_gallery target)"; exit 1; }
. "$root/tools/wine-session.sh"

shoot() { # dialog language file
    /usr/lib/wine/wine64 "$gallery" "$1" "$2" 3500 </dev/null >/dev/null 2>&1 &
    local pid=$!
    sleep 2.5
    xwd -root -silent -display "$DISPLAY" | /usr/bin/convert xwd:- -trim +repage "$out/$3"
    wait $pid || true
    echo "screenshot: docs/screenshots/$3"
}

for dpi in 96 144; do
    zv_wine_session_begin "$build/wineprefix-screenshots-$dpi"
    /usr/lib/wine/wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f \
        </dev/null >/dev/null 2>&1
    # The display DPI is read when the session starts.
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -p </dev/null >/dev/null 2>&1
    /usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1 || true
    cd "$build/bin"
    for dialog in update install progress crm; do
        shoot $dialog en_UK "$dialog-en-$dpi.png"
    done
    # The real update dialog before and after "New in this update".
    shoot offer en_UK "update-offer-en-$dpi.png"
    shoot whatsnew en_UK "update-whatsnew-en-$dpi.png"
    if [ $dpi = 96 ]; then
        shoot update de_DE update-de-96.png
        shoot update ja_JP update-ja-96.png
    fi
    cd "$root"
    zv_wine_session_end
done
