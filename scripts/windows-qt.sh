#!/usr/bin/env bash
# Builds Qt for 64-bit Windows from Debian's own qt6-base source with Debian's MinGW-w64, once,
# into a cache folder outside the checkout, and prints the folder Qt was installed into:
#
#   qt=$(scripts/windows-qt.sh)
#
# The cache is $TARNWELL_WINDOWS_CACHE, by default ~/.cache/tarnwell-windows. A Qt installed
# there is used again while the source version, the configure and install options and the
# toolchain file (its comments aside) are the same: its folder is named after a hash of them,
# and a stamp file written last says the installation is whole. A change builds a new Qt beside
# the old ones; an interrupted build starts over. One build runs at a time per cache: another
# caller waits for it (at most 90 minutes) and then takes its result. All but the last line of
# output go to stderr.
#
# Only what Tarnwell uses is built: Core, Gui, Widgets and Sql with the ODBC driver, the windows
# and offscreen platforms, the windowsvista style, and Qt Test for the window tests. Qt's own
# tools (moc, rcc, uic) are not built for Windows: Debian's Linux ones of the same version do
# that work (QT_HOST_PATH).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache=${TARNWELL_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tarnwell-windows}
toolchain=$root/cmake/mingw-w64-toolchain.cmake
jobs=${JOBS:-$(nproc)}

log() { echo "windows-qt.sh: $*" >&2; }
die() { log "$*"; exit 1; }

# The version Debian has; the host tools of /usr must be the same version.
host_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools 2>/dev/null) ||
    die "qt6-base-dev-tools is not installed (scripts/windows-setup.sh installs it)"
source_version=$(apt-cache showsrc qt6-base 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -n 1)
[ -n "$source_version" ] || die "apt knows no qt6-base source: run scripts/windows-setup.sh"
[ "$source_version" = "$host_version" ] ||
    die "qt6-base source $source_version differs from the installed host tools $host_version"
upstream=${source_version%%+*}

# Everything Qt is configured with, the toolchain file aside; part of the cache's hash.
configure_options=(
    -G Ninja
    -DCMAKE_BUILD_TYPE=Release
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DQT_BUILD_BENCHMARKS=OFF
    # Windows has none of these as system libraries: Qt's bundled copies.
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_textmarkdownreader=OFF
    -DFEATURE_zstd=OFF -DFEATURE_icu=OFF -DFEATURE_glib=OFF
    # The one SQL driver Tarnwell talks through.
    -DFEATURE_sql_odbc=ON
    -DFEATURE_sql_sqlite=OFF -DFEATURE_sql_psql=OFF -DFEATURE_sql_mysql=OFF
    -DFEATURE_sql_oci=OFF -DFEATURE_sql_db2=OFF -DFEATURE_sql_ibase=OFF
    # Modules and parts nothing here uses.
    -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_vulkan=OFF -DFEATURE_direct2d=OFF
    # 6.4 builds the DirectWrite 3 font database only along with Direct2D, but its windows
    # platform asks for it whenever the feature is on. GDI's fonts are the default anyway.
    -DFEATURE_directwrite3=OFF
    -DFEATURE_dbus=OFF -DFEATURE_network=OFF -DFEATURE_printsupport=OFF -DFEATURE_xml=OFF
    -DFEATURE_concurrent=OFF
    -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
    # Debian's source has the Wintab header removed, which tablet events on Windows need.
    -DFEATURE_tabletevent=OFF
)

# Stripped: the installer carries these DLLs, and their symbols would triple its size.
install_options=(--strip)

hash=$( (
    echo "$source_version"
    printf '%s\n' "${configure_options[@]}" "${install_options[@]}"
    grep -v '^[[:space:]]*#' "$toolchain"
) | sha256sum | cut -c1-12)
prefix=$cache/qt-$upstream-mingw-$hash
stamp=$prefix/.tarnwell-qt-complete

built() {
    [ -f "$stamp" ] || return 1
    log "Qt $upstream for Windows is in $prefix (built $(cat "$stamp"))"
    echo "$prefix"
}
built && exit 0

mkdir -p "$cache"
exec 9>"$cache/.lock"
if ! flock --nonblock 9; then
    log "another build of Qt for Windows is using $cache; waiting for it (at most 90 minutes)"
    flock --wait 5400 9 || die "the other build of Qt for Windows did not end within 90 minutes"
    built && exit 0
fi

# Whatever an interrupted build left; whole builds with other settings stay.
for old in "$cache"/qt-*; do
    if [ -d "$old" ] && [ ! -f "$old/.tarnwell-qt-complete" ]; then
        rm -rf "$old"
    fi
done
work=$cache/work
rm -rf "$work"
mkdir -p "$work"

log "building Qt $upstream for Windows into $prefix (about 20 minutes on two cores)"
start=$SECONDS
(
    cd "$work"
    # As root apt cannot hand the download to its sandbox user in a folder it cannot enter.
    apt-get source -q qt6-base="$source_version" -o APT::Sandbox::User=root >&2
) || die "apt-get source qt6-base failed"
source_dir=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
[ -n "$source_dir" ] || die "apt-get source left no qt6-base folder in $work"

cmake -S "$source_dir" -B "$work/build" "${configure_options[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
    >"$work/configure.log" 2>&1 ||
    { tail -n 40 "$work/configure.log" >&2; die "configuring Qt failed; see $work/configure.log"; }
log "configured in $((SECONDS - start)) s; building with $jobs jobs (log: $work/build.log)"
cmake --build "$work/build" -j"$jobs" >"$work/build.log" 2>&1 ||
    { grep -m 20 -B 5 -A 10 'error' "$work/build.log" >&2 || tail -n 40 "$work/build.log" >&2
      die "building Qt failed; see $work/build.log"; }
cmake --install "$work/build" "${install_options[@]}" >"$work/install.log" 2>&1 ||
    { tail -n 40 "$work/install.log" >&2; die "installing Qt failed; see $work/install.log"; }

for part in bin/Qt6Core.dll bin/Qt6Gui.dll bin/Qt6Widgets.dll bin/Qt6Sql.dll \
    plugins/platforms/qwindows.dll plugins/platforms/qoffscreen.dll \
    plugins/styles/qwindowsvistastyle.dll plugins/sqldrivers/qsqlodbc.dll; do
    [ -f "$prefix/$part" ] || die "the Qt build has no $part"
done
rm -rf "$work"
echo "$(date -u '+%Y-%m-%d %H:%M UTC') in $((SECONDS - start)) s" >"$stamp"
log "Qt $upstream for Windows built in $((SECONDS - start)) s"
echo "$prefix"
