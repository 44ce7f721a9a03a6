#!/usr/bin/env bash
# Opens Tarnwell on a local demonstration SPI database: installs what is missing, builds, starts
# a throwaway PostgreSQL server holding the demonstration domain and prints the values to type.
# Without a display the window runs under Xvfb and a screenshot is saved instead.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target tarnwell -j"$(nproc)"

cluster=$root/build/demo-cluster
scripts/pg-cluster.sh stop "$cluster"
scripts/pg-cluster.sh start "$cluster" --demo >/dev/null
trap 'scripts/pg-cluster.sh stop "$cluster"' EXIT
eval "$(scripts/pg-cluster.sh env "$cluster")"

cat <<TYPE

Tarnwell is opening on the demonstration database. Type:
  platform               SQL Server
  Server Name            $TARNWELL_SERVER
  Database Name          $TARNWELL_DATABASE
  Domain Logon Name      $TARNWELL_LOGON
  Domain Logon Password  $TARNWELL_PASSWORD
then press Connect, choose what to import and press Import.

TYPE

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    build/tarnwell
else
    shot=$root/build/screenshots/demo.png
    mkdir -p "$(dirname "$shot")"
    xvfb-run -a -s "-screen 0 1024x800x24" bash -c '
        build/tarnwell & program=$!
        window=$(xdotool search --sync --onlyvisible --name "^Tarnwell - Vendor Library Import Application$" | head -n 1)
        sleep 3
        import -window "$window" "$1"
        kill "$program"' _ "$shot"
    echo "No display here: Tarnwell ran under Xvfb. Screenshot: $shot"
fi
