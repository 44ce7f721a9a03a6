#!/usr/bin/env bash
# Builds the benchmarks, makes the libraries they read, starts throwaway clusters and runs every
# benchmark, printing its figures; the ratios come last. Nothing is asserted.
#
#   bench/run-all.sh [--scales "10 100"] [--delays "0 1 10 30"] [--limit-minutes 10]
#
# --scales lists the library sizes (copies of the sample) the database benchmarks run at; 10 is
# always among them, since the idle benchmark runs at 10. The network benchmark runs at the
# sample's size too, at each round trip of --delays (ms); what would take longer than
# --limit-minutes is estimated instead. The library load benchmark reads a generated library of
# about 10 MB. Everything goes into build/ (build/bench-data for the libraries and packed
# programs); the clusters are stopped and removed however the run ends.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build
data=$build/bench-data
scales="10 100"
delays="0 1 10 30"
limit_minutes=10
# About 10 MB: the sample is about 26.5 kB.
readonly LOAD_SCALE=380

while (($#)); do
    case $1 in
    --scales)
        scales=${2:?--scales needs a list}
        shift 2
        ;;
    --delays)
        delays=${2:?--delays needs a list}
        shift 2
        ;;
    --limit-minutes)
        limit_minutes=${2:?--limit-minutes needs a number}
        shift 2
        ;;
    *)
        sed -n '2,12s/^# \{0,1\}//p' "${BASH_SOURCE[0]}" >&2
        exit 2
        ;;
    esac
done
[[ " $scales " == *" 10 "* ]] || scales="10 $scales"

"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target tarnwell-pack tarnwell_unpacked \
    tarnwell-bench-library-load tarnwell-bench-event-loop tarnwell-bench-replay tarnwell-bench-idle \
    tarnwell-bench-network

mkdir -p "$data"
pack() { # SCALE NAME
    python3 "$root/data/make-sample-library.py" --scale "$1" "$data/library-$2" >/dev/null
    "$build/tools/pack/tarnwell-pack" pack "$build/src/app/tarnwell-unpacked" \
        "$data/library-$2" "$data/tarnwell-$2"
}
for scale in 1 $scales; do
    pack "$scale" "x$scale"
done
pack "$LOAD_SCALE" 10mb

out=$build/bench-data/figures
: >"$out"
run() {
    echo
    "$@" | tee -a "$out" | grep -v "^ratio: "
}

# Before the clusters start, whose start-up work would share the machine with it.
run "$build/bench/tarnwell-bench-library-load" "$data/tarnwell-10mb"

# One cluster for the window's logic, one that logs every statement for the replay; logging
# costs the server time, which the other benchmarks should not pay.
plain=$build/bench-clusters/plain
logged=$build/bench-clusters/logged
stop_clusters() {
    "$root/scripts/pg-cluster.sh" stop "$plain" || true
    "$root/scripts/pg-cluster.sh" stop "$logged" || true
}
trap stop_clusters EXIT
"$root/scripts/pg-cluster.sh" start "$plain"
"$root/scripts/pg-cluster.sh" start "$logged"
# No autovacuum: woken by one run's writes, it would work while the next side is measured.
for cluster in "$plain" "$logged"; do
    "$root/scripts/pg-cluster.sh" psql "$cluster" postgres \
        -c "ALTER SYSTEM SET autovacuum = off" -c "SELECT pg_reload_conf()" >/dev/null
done
# The prefix is what tarnwell-bench-replay reads the program's session out of the log by.
"$root/scripts/pg-cluster.sh" psql "$logged" postgres \
    -c "ALTER SYSTEM SET log_statement = 'all'" \
    -c "ALTER SYSTEM SET log_min_duration_statement = -1" \
    -c "ALTER SYSTEM SET log_line_prefix = '%m|tw|%c|%u|%d| '" \
    -c "SELECT pg_reload_conf()" >/dev/null

for scale in $scales; do
    run env ODBCSYSINI="$plain/odbc" \
        "$build/bench/tarnwell-bench-event-loop" "$data/tarnwell-x$scale" "library ${scale}x"
done
for scale in $scales; do
    run env ODBCSYSINI="$logged/odbc" \
        "$build/bench/tarnwell-bench-replay" "$data/tarnwell-x$scale" "${scale}x"
done
run env ODBCSYSINI="$plain/odbc" "$build/bench/tarnwell-bench-idle" "$data/tarnwell-x10" \
    "library 10x"
# Last, as it takes the longest: through its own delaying proxy to the logged cluster, whose
# log gives the statements.
run env ODBCSYSINI="$logged/odbc" "$build/bench/tarnwell-bench-network" --delays "$delays" \
    --scales "1 $scales" --limit-minutes "$limit_minutes" "$data"

echo
echo "Ratios"
sed -n 's/^ratio: /  /p' "$out"
