# shellcheck shell=bash
# A wine prefix of its own for the Windows program; sourced by windows-test.sh and
# windows-installer-check.sh. Nothing here sets shell options or traps.
#
#   wine_prefix DIR     a fresh 64-bit prefix in DIR (an old one there is removed), with the
#                       fonts of a Windows desktop; exports WINEPREFIX, WINEARCH, WINEDEBUG and
#                       WINEDLLOVERRIDES for it
#   wine_stop           ends every program of the prefix, and its wineserver
#   windows_path PATH   PATH as the Windows programs of the prefix see it (Z:\...)

wine_prefix() {
    local dir=$1
    if [ -d "$dir" ]; then
        WINEPREFIX=$dir wineserver --kill 2>/dev/null || true
        rm -rf "$dir"
    fi
    mkdir -p "$(dirname "$dir")"
    export WINEPREFIX=$dir WINEARCH=win64 WINEDEBUG=-all
    # Neither .NET nor a web view is needed; without this wine offers to download both.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    if ! timeout 300 wineboot --init >"$dir.log" 2>&1; then
        echo "wine_prefix: wine could not set up its prefix in $dir within 5 minutes:" >&2
        cat "$dir.log" >&2
        return 1
    fi
    windows_fonts "$dir"
}

# Windows draws its dialogs, and Qt its widgets, in the font behind "MS Shell Dlg 2", which a
# wine prefix maps to Tahoma. Debian's wine 8 does not load the Tahoma that fonts-wine puts in
# /usr/share/wine/fonts, so without a copy in the prefix's own font folder Qt falls back to the
# first family it finds, DejaVu Math TeX Gyre, in which line edits draw no text at all. Arial,
# Times New Roman and Courier New, which the program asks for, stand in as their metric twins
# from fonts-liberation.
windows_fonts() {
    local dir=$1 font pair
    for font in tahoma.ttf tahomabd.ttf; do
        [ -f "/usr/share/wine/fonts/$font" ] ||
            { echo "wine_prefix: no /usr/share/wine/fonts/$font (package fonts-wine)" >&2; return 1; }
        cp "/usr/share/wine/fonts/$font" "$dir/drive_c/windows/Fonts/"
    done
    for pair in "Arial=Liberation Sans" "Times New Roman=Liberation Serif" \
        "Courier New=Liberation Mono"; do
        timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" \
            /t REG_SZ /d "${pair#*=}" /f >/dev/null ||
            { echo "wine_prefix: could not set the font replacement $pair" >&2; return 1; }
    done
    # Fonts are read when wine starts: the next program is to find these.
    timeout 60 wineserver --wait ||
        { echo "wine_prefix: wine did not end within a minute after setting up fonts" >&2; return 1; }
}

wine_stop() {
    [ -n "${WINEPREFIX:-}" ] || return 0
    timeout 60 wineserver --kill 2>/dev/null || true
}

windows_path() {
    winepath --windows "$1" 2>/dev/null
}
