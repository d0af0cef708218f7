#!/bin/bash
# The dialog gallery: every state of the four dialogs with the default skin,
# in each of the 22 languages, at 96 and 144 DPI. Runs dialog_gallery.exe
# under Wine in a private Xvfb display, once per DPI in a Wine prefix of its
# own (the display DPI is read when the session starts), puts the states of
# each language side by side in docs/gallery/<dpi>/<language>.png and writes
# docs/gallery/README.md.
# Usage: tools/dialog-gallery.sh [build folder, default build/x64] [language code ...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/x64}" && pwd)
shift || true
program="$build/bin/dialog_gallery.exe"
[ -f "$program" ] || { echo "missing $program (build the dialog_gallery target)"; exit 1; }
languages=("$@")
[ ${#languages[@]} -gt 0 ] || languages=(en_UK de_DE fr_FR fr_CA it_IT es_ES pt_PT pt_BR nl_NL da_DK sv_SE fi_FI
                                         pl_PL cs_CZ hu_HU el_GR ru_RU tr_TR ja_JP ko_KR zh_CN zh_TW)
out="$root/docs/gallery"
. "$root/tools/wine-session.sh"
trap zv_wine_session_end EXIT
work=$(mktemp -d)
for dpi in 96 144; do
    zv_wine_session_begin "$build/wineprefix-gallery-$dpi"
    /usr/lib/wine/wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f \
        </dev/null >/dev/null 2>&1
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -p </dev/null >/dev/null 2>&1
    /usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1 || true
    mkdir -p "$work/$dpi" "$out/$dpi"
    ( cd "$build/bin" && WINEDLLOVERRIDES="mshtml=" timeout 1200 /usr/lib/wine/wine64 "$program" \
        "Z:${work//\//\\}\\$dpi" "${languages[@]}" </dev/null >/dev/null 2>&1 ) || true
    for code in "${languages[@]}"; do
        shots=("$work/$dpi/$code"-*.bmp)
        [ -f "${shots[0]}" ] || { echo "gallery: no pictures of $code at $dpi DPI"; continue; }
        /usr/bin/montage "${shots[@]}" -tile 5x -geometry +6+6 -background '#d8dce2' -colors 256 \
            "PNG8:$out/$dpi/$code.png"
        echo "gallery: docs/gallery/$dpi/$code.png"
    done
    zv_wine_session_end
done
rm -rf "$work"
{
    echo "# Dialog gallery"
    echo
    echo "Every state of the four dialogs with the default skin, in each language, at 96 and 144 DPI:"
    echo "waiting for the check, the offer, the release notes, no update; uploading, downloading, checking,"
    echo "the failed check; install now or later; the customer-data viewer. Made by \`tools/dialog-gallery.sh\`"
    echo "under Wine (no browser engine: the release notes show as formatted text)."
    for code in "${languages[@]}"; do
        echo
        echo "## $code"
        echo
        echo "![$code, 96 DPI](96/$code.png)"
        echo
        echo "![$code, 144 DPI](144/$code.png)"
    done
} > "$out/README.md"
echo "gallery: docs/gallery/README.md"
