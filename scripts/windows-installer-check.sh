#!/usr/bin/env bash
# Checks the Windows installer of a Windows build (scripts/windows-build.sh) the way a Windows
# user meets it, in a fresh wine prefix standing for a machine that has never seen Tarnwell or
# Qt (no search path leads to the build's DLLs):
#
#   scripts/windows-installer-check.sh [BUILD_DIR]
#
#   1. installs silently (/S) and checks what was installed: the same files as the zip, and the
#      Start-menu entry and uninstaller registered with Windows;
#   2. starts the installed program from its Start-menu entry, on Qt's windows platform in an X
#      server of its own (Xvfb), and works it from the keyboard against the demonstration
#      database as scripts/demo.sh does: Connect, "Import all", Import; then checks the rows
#      the import wrote;
#   3. opens Help, About, closes it with OK, and ends the program with File, Exit;
#   4. uninstalls silently and checks that nothing that was installed is left.
#
# Screenshots of each moment go to BUILD_DIR/screenshots/windows-*.png.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build-windows}" && pwd)
shopt -s nullglob
installers=("$build"/tarnwell-*-windows-x64.exe)
zips=("$build"/tarnwell-*-windows-x64.zip)
shopt -u nullglob
((${#installers[@]} == 1 && ${#zips[@]} == 1)) ||
    { echo "windows-installer-check.sh: no installer and zip in $build; run scripts/windows-build.sh" >&2; exit 1; }
installer=${installers[0]}
zip=${zips[0]}

# shellcheck source=scripts/wine-prefix.sh
source "$root/scripts/wine-prefix.sh"
# shellcheck source=scripts/xvfb-window.sh
source "$root/scripts/xvfb-window.sh"

shots=$build/screenshots
cluster=$build/installer-cluster
work=$build/installer-check
mkdir -p "$shots"
rm -rf "$work"
mkdir -p "$work"

failures=0
ok() { echo "ok   $*"; }
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}
# Ends the script at once: what follows would only fail for the same reason.
die() {
    echo "FAIL $*"
    exit 1
}

cleanup() {
    stop_window
    wine_stop
    "$root/scripts/pg-cluster.sh" stop "$cluster"
}
trap cleanup EXIT

# The first visible window whose title is exactly $1, within $2 seconds; empty if none.
find_window() {
    local title=$1 seconds=$2 found=
    local deadline=$((SECONDS + seconds))
    while [ -z "$found" ] && [ "$SECONDS" -lt "$deadline" ]; do
        found=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1 || true)
        [ -n "$found" ] || sleep 0.5
    done
    printf '%s' "$found"
}

# Every wine program of the prefix, the installer's too, shares the display of the first:
# the X server comes before anything of wine.
start_xvfb

echo "== installing $(basename "$installer") silently in a fresh wine prefix"
wine_prefix "$work/prefix"
drive_c=$WINEPREFIX/drive_c
if ! timeout 300 wine "$installer" /S; then
    die "the installer did not finish within 5 minutes, or failed"
fi
# The installer may hand work to other processes of the prefix; all of them end with it.
timeout 120 wineserver --wait || die "wine's programs did not end within 2 minutes of installing"

program_dir=$drive_c/Program\ Files/Tarnwell
[ -f "$program_dir/tarnwell.exe" ] || die "no tarnwell.exe in C:\\Program Files\\Tarnwell"
ok "installed into C:\\Program Files\\Tarnwell"

installed_files() { (cd "$program_dir" && find . -type f | sed 's|^\./||' | sort); }
zip_files() { unzip -Z1 "$zip" | grep -v '/$' | sed 's|^[^/]*/||' | sort; }
installed_files | grep -vx 'Uninstall.exe' >"$work/installed.txt"
zip_files >"$work/zip.txt"
if diff -u "$work/zip.txt" "$work/installed.txt" >"$work/files.diff"; then
    ok "the installation holds the same $(wc -l <"$work/zip.txt") files as the zip"
else
    fail "the installation and the zip differ:"
    cat "$work/files.diff"
fi
for file in tarnwell.exe tarnwell-pack.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6Sql.dll \
    platforms/qwindows.dll styles/qwindowsvistastyle.dll sqldrivers/qsqlodbc.dll \
    imageformats/qico.dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll Uninstall.exe; do
    [ -f "$program_dir/$file" ] || fail "the installation has no $file"
done
cmp -s "$program_dir/tarnwell.exe" "$build/tarnwell.exe" ||
    fail "the installed tarnwell.exe is not the one the build packed"

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnwell'
if wine reg query "$uninstall_key" /v UninstallString >/dev/null 2>&1; then
    ok "registered with Windows' list of installed programs"
else
    fail "no $uninstall_key"
fi

mapfile -t shortcuts < <(find "$drive_c" -path '*Start Menu/Programs/Tarnwell/*' -name '*.lnk' | sort)
start_entry= uninstall_entry=
for shortcut in "${shortcuts[@]}"; do
    [ "$(basename "$shortcut")" = Tarnwell.lnk ] && start_entry=$shortcut
    [ "$(basename "$shortcut")" = Uninstall.lnk ] && uninstall_entry=$shortcut
done
[ -n "$start_entry" ] || die "no Start-menu entry Tarnwell\\Tarnwell.lnk"
ok "Start-menu entry: ${start_entry#"$drive_c/"}"
if [ -n "$uninstall_entry" ]; then
    ok "Start-menu entry of the uninstaller: ${uninstall_entry#"$drive_c/"}"
else
    fail "no Start-menu entry Tarnwell\\Uninstall.lnk"
fi

echo "== the installed program, from its Start-menu entry, against the demonstration database"
"$root/scripts/pg-cluster.sh" stop "$cluster"
"$root/scripts/pg-cluster.sh" start "$cluster" --demo >/dev/null
eval "$("$root/scripts/pg-cluster.sh" env "$cluster")"
export ODBCSYSINI

psql_value() {
    "$root/scripts/pg-cluster.sh" psql "$cluster" "$TARNWELL_DATABASE" -Atq -c "$1"
}
count_rows() { psql_value "SELECT count(*) FROM $1"; }
tables=(strip_config strip_config_term panel_strip channel panel_strip_term)
declare -A before
for table in "${tables[@]}"; do before[$table]=$(count_rows "$table"); done

# As a user does: the Start-menu entry, which start opens as Explorer would.
start_window wine start /wait /unix "$start_entry" ||
    die "the installed program's window did not appear"
log_in "$TARNWELL_SERVER" "$TARNWELL_DATABASE" "$TARNWELL_LOGON" "$TARNWELL_PASSWORD"
wait_connected "$cluster" "$TARNWELL_DATABASE" "$TARNWELL_LOGON"
shoot "$shots/windows-listing.png"
choose_import_all
listing_status=$(status_text) || listing_status=
import_and_wait "$cluster" "$TARNWELL_DATABASE" "$TARNWELL_LOGON"
shoot "$shots/windows-import.png"
import_status=$(status_text) || import_status=

shown() { sed -e '/./,$!d' -e 's/^/  /' <<<"$1"; }
printf 'Status display after the listing:\n%s\n' "$(shown "$listing_status")"
printf 'Status display after the import:\n%s\n' "$(shown "$import_status")"
grep -q 'Written whole: 29 apparatuses. Not written: 0.' <<<"$import_status" ||
    fail "the status display does not end with the whole import"

library_count() { grep -c $'\r$' "$root/data/sample-library/$1"; }
check_written() {
    local table=$1 file=$2 written expected
    written=$(($(count_rows "$table") - before[$table]))
    expected=$(library_count "$file")
    if [ "$written" -eq "$expected" ]; then
        ok "$table: $written rows written"
    else
        fail "$table: $written rows written, the library has $expected"
    fi
}
check_written strip_config StripConfig
check_written strip_config_term StripConfigTerm
check_written panel_strip PanelStrip
check_written channel Channel
check_written panel_strip_term PanelStripTerm
if [ "$(psql_value "SELECT count(*) FROM pg_trigger WHERE NOT tgisinternal AND tgenabled = 'D'")" = 0 ]; then
    ok "triggers switched on again"
else
    fail "triggers left switched off"
fi

echo "== Help, About"
main_window=$window
key alt+h
key a
about=$(find_window 'About Tarnwell' 20)
[ -n "$about" ] || die "Help, About opened no About window"
window=$about
xdotool windowfocus --sync "$window"
sleep 1
shoot "$shots/windows-about.png"
key Return
if wait_until 20 "the About window to close" \
    eval '[ -z "$(xdotool search --onlyvisible --name "^About Tarnwell\$" 2>/dev/null)" ]'; then
    ok "Help, About shows the About window (windows-about.png); OK closes it"
else
    fail "OK did not close the About window"
fi

echo "== File, Exit"
window=$main_window
xdotool windowfocus --sync "$window"
key alt+f
key x
# start /wait ends with the program.
if wait_until 20 "the program to end" eval '! kill -0 "$program_pid" 2>/dev/null'; then
    ok "File, Exit ended the program"
else
    fail "the program was still running 20 seconds after File, Exit"
fi

wine_stop
stop_window

echo "== uninstalling silently"
# The uninstaller copies itself away and runs from there, so its own process ends at once;
# the uninstall is over when every program of the prefix has ended.
timeout 120 wine "$program_dir/Uninstall.exe" /S || die "the uninstaller failed to start"
timeout 300 wineserver --wait || die "the uninstall did not end within 5 minutes"
if [ -e "$program_dir" ]; then
    fail "C:\\Program Files\\Tarnwell is still there after uninstalling:"
    (cd "$program_dir" && find . | sed 's/^/  /')
else
    ok "C:\\Program Files\\Tarnwell is gone"
fi
for shortcut in "${shortcuts[@]}"; do
    [ ! -e "$shortcut" ] || fail "the Start-menu entry ${shortcut#"$drive_c/"} is still there"
done
[ ! -e "$(dirname "$start_entry")" ] || fail "the Start-menu folder Tarnwell is still there"
if wine reg query "$uninstall_key" >/dev/null 2>&1; then
    fail "$uninstall_key is still registered"
else
    ok "no longer in Windows' list of installed programs"
fi

echo "Screenshots: $shots/windows-listing.png $shots/windows-import.png $shots/windows-about.png"
if ((failures)); then
    echo "windows-installer-check.sh: $failures checks failed"
    exit 1
fi
echo "The installer, the installed program and the uninstaller work."
