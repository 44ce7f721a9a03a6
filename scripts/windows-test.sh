#!/usr/bin/env bash
# Runs the tests of the Windows build (scripts/windows-build.sh) under wine, in a fresh wine
# prefix of their own:
#
#   scripts/windows-test.sh [BUILD_DIR]
#
# All of the Windows build's tests run, through CTest as on Linux: the unit tests; the database
# tests against the throwaway PostgreSQL cluster, which the Windows programs reach through
# wine's ODBC (it hands every call to unixODBC, which finds psqlODBC registered under the
# provider names in the cluster's odbcinst.ini, exactly as the Linux tests do); the window tests
# on Qt's offscreen platform, as on Linux; and the Windows-only tests, such as starting the
# system-information program the registry names. Qt's windows platform is met by the installed program
# (scripts/windows-installer-check.sh). What the Windows build leaves out is named in the
# README (Windows).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build-windows}" && pwd)
jobs=${JOBS:-$(nproc)}
[ -f "$build/CTestTestfile.cmake" ] ||
    { echo "windows-test.sh: $build is not a Windows build; run scripts/windows-build.sh" >&2; exit 1; }

qt=$("$root/scripts/windows-qt.sh")
# shellcheck source=scripts/wine-prefix.sh
source "$root/scripts/wine-prefix.sh"
trap wine_stop EXIT

echo "Setting up a wine prefix in $build/wine/tests"
wine_prefix "$build/wine/tests"

# The test programs are not installed: they find Qt's DLLs and the compiler's runtime where
# they were built, and Qt finds its plugins beside its DLLs.
runtime_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
winpthread_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
WINEPATH="$(windows_path "$qt/bin");$(windows_path "$runtime_dir");$(windows_path "$winpthread_dir")"
export WINEPATH

# Without a display the tests choose Qt's offscreen platform, each process a desktop of its
# own, as on Linux (tests/support/TestMain.cpp). On Windows that platform draws with the fonts
# of one folder, Qt's own lib/fonts unless told otherwise; the Linux tests' fonts are taken.
unset DISPLAY WAYLAND_DISPLAY
QT_QPA_FONTDIR=$(windows_path /usr/share/fonts/truetype/dejavu)
export QT_QPA_FONTDIR

ctest --test-dir "$build" --output-on-failure -j"$jobs" --timeout 600
