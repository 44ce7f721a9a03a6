#!/usr/bin/env bash
# Runs a program of the Windows build under wine: the Windows build's tests go through it
# (CMake's CROSSCOMPILING_EMULATOR, set by scripts/windows-build.sh). It expects the wine
# prefix and the search path for Qt's DLLs that scripts/windows-test.sh sets up:
#
#   WINEPREFIX=... WINEPATH=... scripts/wine-run.sh PROGRAM.exe [ARGUMENTS...]
set -euo pipefail

if [ -z "${WINEPREFIX:-}" ] || [ ! -d "$WINEPREFIX" ]; then
    echo "wine-run.sh: no wine prefix; run the Windows tests through scripts/windows-test.sh" >&2
    exit 1
fi
export WINEDEBUG=${WINEDEBUG:--all}
exec wine "$@"
