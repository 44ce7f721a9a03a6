#!/usr/bin/env bash
# Cross-builds the Windows program on Linux: tarnwell.exe with the sample library packed,
# tarnwell-pack.exe and the test programs, with MinGW-w64 against the Qt that
# scripts/windows-qt.sh builds (once, into its cache), then packs the Windows installer and the
# zip of the same files:
#
#   scripts/windows-build.sh [BUILD_DIR [HOST_BUILD_DIR]]
#
# BUILD_DIR defaults to build-windows. The library is packed by the Linux tarnwell-pack of
# HOST_BUILD_DIR (default build, the Linux build of scripts/test.sh), built there if missing.
# Warnings are errors, as in the Linux build. The installer and the zip end up in BUILD_DIR as
# tarnwell-VERSION-windows-x64.exe and .zip.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
build=${1:-build-windows}
host_build=${2:-build}
jobs=${JOBS:-$(nproc)}

qt=$(scripts/windows-qt.sh)

if [ ! -x "$host_build/tools/pack/tarnwell-pack" ]; then
    echo "== the Linux tarnwell-pack, which packs the library into tarnwell.exe"
    [ -f "$host_build/CMakeCache.txt" ] ||
        cmake -S . -B "$host_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$host_build" --target tarnwell-pack -j"$jobs"
fi
host_pack=$(cd "$host_build/tools/pack" && pwd)/tarnwell-pack

cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-toolchain.cmake" \
    -DTARNWELL_WINDOWS_PREFIXES="$qt" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release \
    -DTARNWELL_WERROR=ON \
    -DTARNWELL_HOST_PACK="$host_pack" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine-run.sh"
cmake --build "$build" -j"$jobs"

# cpack writes the NSIS installer and the zip; its own scratch folder is of no further use.
(cd "$build" && cpack -G "NSIS;ZIP" >/dev/null) ||
    { echo "windows-build.sh: cpack failed; see $build/_CPack_Packages" >&2; exit 1; }
rm -rf "$build/_CPack_Packages"
ls -l "$build"/tarnwell-*-windows-x64.exe "$build"/tarnwell-*-windows-x64.zip
