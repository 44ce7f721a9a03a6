#!/usr/bin/env bash
# The whole test suite on a fresh Debian 12 machine: installs what is missing, then
#   1. builds with gcc (warnings are errors) and runs every test; the database tests start their
#      own throwaway PostgreSQL cluster; then compiles the Windows-only code with MinGW-w64
#      (syntax and types only, scripts/check-windows-code.sh);
#   2. builds again with clang, AddressSanitizer and UndefinedBehaviorSanitizer, runs the tests
#      again and fuzzes the library reader for a minute;
#   3. drives the real program in an X window under Xvfb from the keyboard.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
jobs=$(nproc)

scripts/setup.sh

echo "== gcc build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWELL_WERROR=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== Windows-only code, compiled with MinGW-w64"
scripts/check-windows-code.sh

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

echo "== all tests passed"
