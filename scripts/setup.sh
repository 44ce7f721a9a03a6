#!/usr/bin/env bash
# Installs everything Tarnwell needs to build, run and test, from Debian 12's own packages.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
    qt6-base-dev qt6-qpa-plugins libqt6sql6-odbc libqt6svg6
    unixodbc unixodbc-dev odbc-postgresql postgresql-15 tdsodbc libpq-dev
    libgtest-dev googletest
    xvfb xauth xdotool xclip x11-apps imagemagick fonts-dejavu-core
    dpkg-dev file locales
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -q
    "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The window tests run on German, French and British desktops too, which only a generated locale
# makes real: without it the C library stays in "C" and says nothing.
for wanted in de_DE fr_FR en_GB; do
    if ! locale -a 2>/dev/null | grep -qx "$wanted.utf8"; then
        sudo=()
        [ "$(id -u)" -eq 0 ] || sudo=(sudo)
        "${sudo[@]}" localedef -i "$wanted" -f UTF-8 "$wanted.UTF-8"
    fi
done
