#!/usr/bin/env bash
# Starts the built program in a real X window under Xvfb against a throwaway test database and
# drives it with the keyboard alone, through the window's tab order: chooses SQL Server, types
# the connection values, connects, chooses "Import all", imports, and then checks the database.
# Screenshots of the window after login and after the import go to BUILD_DIR/screenshots.
#
#   scripts/drive-window.sh [BUILD_DIR]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
program=$build/tarnwell
[ -x "$program" ] || { echo "drive-window.sh: $program is not built" >&2; exit 1; }

shots=$build/screenshots
cluster=$build/drive-cluster
mkdir -p "$shots"
"$root/scripts/pg-cluster.sh" stop "$cluster"
"$root/scripts/pg-cluster.sh" start "$cluster" >/dev/null
eval "$("$root/scripts/pg-cluster.sh" env "$cluster")"
export ODBCSYSINI

psql_value() {
    "$root/scripts/pg-cluster.sh" psql "$cluster" "$TARNWELL_DATABASE" -Atq -c "$1"
}

xvfb_pid=
program_pid=
cleanup() {
    [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    "$root/scripts/pg-cluster.sh" stop "$cluster"
}
trap cleanup EXIT

# Xvfb picks a free display itself and tells which.
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x800x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$display_file" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$display_file")
rm -f "$display_file"

"$program" &
program_pid=$!
window=$(xdotool search --sync --onlyvisible --name '^Tarnwell - Vendor Library Import Application$' | head -n 1)
# Without a window manager nothing gives the window the keyboard, and every keystroke is lost.
xdotool windowfocus --sync "$window"
sleep 2

key() { xdotool key --window "$window" --delay 80 "$@"; }
type_text() { xdotool type --window "$window" --delay 30 "$1"; }

# The platform options are one tab stop; the arrow keys choose within them.
key Right space
key Tab; type_text "$TARNWELL_SERVER"
key Tab; type_text "$TARNWELL_DATABASE"
key Tab; type_text "$(echo "$TARNWELL_LOGON" | tr '[:upper:]' '[:lower:]')"
key Tab; type_text "$(echo "$TARNWELL_PASSWORD" | tr '[:upper:]' '[:lower:]')"
key Tab Return
sleep 4
import -window "$window" "$shots/after-login.png"

# From Connect the tab order goes on into step 2: the import modes, the list, Import.
key Tab space Tab Tab Return

# The run is over when what it writes stops changing.
last= steady=0
for _ in $(seq 240); do
    now=$(psql_value "SELECT (SELECT count(*) FROM strip_config_term) || '/' || (SELECT count(*) FROM panel_strip_term) || '/' || (SELECT count(*) FROM pg_trigger WHERE NOT tgisinternal AND tgenabled = 'D')")
    if [ "$now" = "$last" ] && [ "$now" != "0/0/0" ]; then
        steady=$((steady + 1))
        [ "$steady" -ge 6 ] && break
    else
        steady=0
    fi
    last=$now
    sleep 0.5
done
sleep 2
import -window "$window" "$shots/after-import.png"

fail=0
check() {
    local what=$1 query=$2 expected=$3 actual
    actual=$(psql_value "$query")
    if [ "$actual" = "$expected" ]; then
        echo "ok   $what: $actual"
    else
        echo "FAIL $what: expected $expected, got $actual"
        fail=1
    fi
}
library_count() { # rows of a sample library file
    grep -c $'\r$' "$root/data/sample-library/$1"
}
check "configurations" "SELECT count(*) FROM strip_config" "$(library_count StripConfig)"
check "configuration terminals" "SELECT count(*) FROM strip_config_term" "$(library_count StripConfigTerm)"
check "reference strips" "SELECT count(*) FROM panel_strip" "$(library_count PanelStrip)"
check "channels" "SELECT count(*) FROM channel" "$(library_count Channel)"
check "reference terminals" "SELECT count(*) FROM panel_strip_term" "$(library_count PanelStripTerm)"
check "library junction boxes" "SELECT count(*) FROM panel WHERE panel_name = 'KEL - DORVAN FF LIBRARY'" 1
check "inserts seen by the triggers" "SELECT count(*) FROM trigger_audit" 0
check "triggers left switched off" "SELECT count(*) FROM pg_trigger WHERE NOT tgisinternal AND tgenabled = 'D'" 0
echo "Screenshots: $shots/after-login.png $shots/after-import.png"
exit "$fail"
