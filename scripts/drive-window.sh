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
# shellcheck source=scripts/xvfb-window.sh
source "$root/scripts/xvfb-window.sh"

psql_value() {
    "$root/scripts/pg-cluster.sh" psql "$cluster" "$TARNWELL_DATABASE" -Atq -c "$1"
}

cleanup() {
    stop_window
    "$root/scripts/pg-cluster.sh" stop "$cluster"
}
trap cleanup EXIT

start_xvfb
start_window "$program"
# Typed in lower case: Connect turns both into upper case before logging in.
log_in "$TARNWELL_SERVER" "$TARNWELL_DATABASE" \
    "$(echo "$TARNWELL_LOGON" | tr '[:upper:]' '[:lower:]')" \
    "$(echo "$TARNWELL_PASSWORD" | tr '[:upper:]' '[:lower:]')"
wait_connected "$cluster" "$TARNWELL_DATABASE" "$TARNWELL_LOGON"
shoot "$shots/after-login.png"
choose_import_all
import_and_wait "$cluster" "$TARNWELL_DATABASE" "$TARNWELL_LOGON"
shoot "$shots/after-import.png"

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
