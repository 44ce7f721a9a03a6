#!/usr/bin/env bash
# Opens Tarnwell on a local demonstration SPI database: installs what is missing, builds, starts
# a throwaway PostgreSQL server holding the demonstration domain and prints the values to type.
# Without a display the window runs under Xvfb and is driven there through Connect and
# "Import all"; the script saves screenshots of the listing and of the finished import and
# prints what the status display showed and the rows the import wrote to each table.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target tarnwell -j"$(nproc)"

# shellcheck source=scripts/xvfb-window.sh
source scripts/xvfb-window.sh
cluster=$root/build/demo-cluster
cleanup() {
    stop_window
    scripts/pg-cluster.sh stop "$cluster"
}
scripts/pg-cluster.sh stop "$cluster"
trap cleanup EXIT
scripts/pg-cluster.sh start "$cluster" --demo >/dev/null
eval "$(scripts/pg-cluster.sh env "$cluster")"

values() {
    cat <<VALUES
  platform               SQL Server
  Server Name            $TARNWELL_SERVER
  Database Name          $TARNWELL_DATABASE
  Domain Logon Name      $TARNWELL_LOGON
  Domain Logon Password  $TARNWELL_PASSWORD
VALUES
}

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    printf '\nTarnwell is opening on the demonstration database. Type:\n'
    values
    printf 'then press Connect, choose what to import and press Import.\n\n'
    build/tarnwell
    exit
fi

# Every table an import writes to, catalogue included.
tables=(strip_config strip_config_term term_mfr term_mfr_mod term_color panel udf_panel
    strip_mfr strip_mfr_mod strip_type panel_strip channel panel_strip_term)
row_counts() {
    local query='' table
    for table in "${tables[@]}"; do
        query+="${query:+ UNION ALL }SELECT '$table', count(*) FROM $table"
    done
    scripts/pg-cluster.sh psql "$cluster" "$TARNWELL_DATABASE" -Atq -F ' ' -c "$query"
}

shots=$root/build/screenshots
mkdir -p "$shots"
printf '\nNo display here: Tarnwell runs under Xvfb and is worked there as a user would, typing:\n'
values
printf 'then Connect, "Import all" and Import.\n\n'

before=$(row_counts)
start_xvfb
start_window build/tarnwell
log_in "$TARNWELL_SERVER" "$TARNWELL_DATABASE" "$TARNWELL_LOGON" "$TARNWELL_PASSWORD"
wait_connected "$cluster" "$TARNWELL_DATABASE" "$TARNWELL_LOGON"
shoot "$shots/demo-listing.png"
choose_import_all
listing_status=$(status_text)
import_and_wait "$cluster" "$TARNWELL_DATABASE" "$TARNWELL_LOGON"
shoot "$shots/demo-import.png"
import_status=$(status_text)
after=$(row_counts)
stop_window

# The display keeps its last ten lines; before they fill up the first ones are empty.
shown() { sed -e '/./,$!d' -e 's/^/  /' <<<"$1"; }
printf 'Status display after the listing:\n%s\n\n' "$(shown "$listing_status")"
printf 'Status display after the import:\n%s\n\n' "$(shown "$import_status")"
echo "Rows written per table:"
printf '  %-18s %7s %7s %8s\n' table before after written
while read -r table count_before; do
    count_after=$(awk -v t="$table" '$1 == t { print $2 }' <<<"$after")
    printf '  %-18s %7d %7d %8d\n' "$table" "$count_before" "$count_after" \
        $((count_after - count_before))
done <<<"$before"
printf '\nScreenshots: %s %s\n' "$shots/demo-listing.png" "$shots/demo-import.png"
