# shellcheck shell=bash
# A wine prefix of its own for the Windows program; sourced by windows-test.sh and
# windows-installer-check.sh. Nothing here sets shell options or traps.
#
#   wine_prefix DIR     a fresh 64-bit prefix in DIR (an old one there is removed); exports
#                       WINEPREFIX, WINEARCH, WINEDEBUG and WINEDLLOVERRIDES for it
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
}

wine_stop() {
    [ -n "${WINEPREFIX:-}" ] || return 0
    timeout 60 wineserver --kill 2>/dev/null || true
}

windows_path() {
    winepath --windows "$1" 2>/dev/null
}
