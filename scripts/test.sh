#!/usr/bin/env bash
# The whole test suite on a fresh Debian 12 machine: installs what is missing, then
#   1. builds with gcc (warnings are errors) and runs every test; the database tests start their
#      own throwaway PostgreSQL cluster;
#   2. builds again with clang, AddressSanitizer and UndefinedBehaviorSanitizer, runs the tests
#      again and fuzzes the library reader for a minute;
#   3. drives the real program in an X window under Xvfb from the keyboard;
#   4. the Windows program, after everything Linux, so that its failures never hide a Linux
#      one: builds Qt for Windows once into a cache outside the checkout (about 20 minutes; see
#      scripts/windows-qt.sh), cross-builds the program, its tests and its installer with
#      MinGW-w64 (warnings are errors), runs the tests under wine, and installs, drives and
#      uninstalls the installed program under wine.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
jobs=$(nproc)

scripts/setup.sh

echo "== gcc build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWELL_WERROR=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== clang build with sanitizers, tests and fuzzing"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
    -DTARNWELL_SANITIZE=ON -DTARNWELL_FUZZ=ON -DTARNWELL_WERROR=ON
cmake --build build-sanitize -j"$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
scripts/fuzz-library.sh build-sanitize 60
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

if [ -x scripts/drive-window.sh ]; then
    echo "== the program in a real window, driven from the keyboard"
    scripts/drive-window.sh build
fi

echo "== Windows: MinGW-w64, wine and nsis; Qt for Windows; the program, its tests and installer"
scripts/windows-setup.sh
scripts/windows-build.sh build-windows build

echo "== Windows: the tests under wine"
scripts/windows-test.sh build-windows

echo "== Windows: the installer, the installed program and the uninstaller under wine"
scripts/windows-installer-check.sh build-windows

echo "== all tests passed"
