#!/usr/bin/env bash
# Runs the library fuzzer for a bounded time and fails if it finds anything.
#
#   scripts/fuzz-library.sh BUILD_DIR [SECONDS]
#
# BUILD_DIR must be configured with clang and -DTARNWELL_FUZZ=ON (and best -DTARNWELL_SANITIZE=ON):
#   cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTARNWELL_FUZZ=ON -DTARNWELL_SANITIZE=ON
# The seed corpus is the sample library (its first lines) packed onto a small stub, plus the same
# library as a plain (deciphered) record stream for the parser.
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 || $1 == --help || $1 == -h ]]; then
    echo "usage: $0 BUILD_DIR [SECONDS]" >&2
    exit 2
fi
build_dir=$1
seconds=${2:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]] || ((seconds < 1)); then
    echo "$0: SECONDS must be a positive whole number" >&2
    exit 2
fi

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
library="$root/data/sample-library"

cmake --build "$build_dir" --target tarnwell-fuzz-library tarnwell-pack -j2
fuzzer=$(find "$build_dir" -type f -name tarnwell-fuzz-library -perm -u+x | head -n 1)
packer=$(find "$build_dir" -type f -name tarnwell-pack -perm -u+x | head -n 1)
if [[ -z $fuzzer || -z $packer ]]; then
    echo "$0: $build_dir has no fuzzer; configure it with -DTARNWELL_FUZZ=ON and clang" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
corpus="$work/corpus"
artifacts="$work/artifacts"
mkdir -p "$corpus" "$artifacts" "$work/library"

# The first lines of each sample file: whole files would make every run slow without reaching
# anything more. Without the sample library, a small stand-in of the same shape.
if compgen -G "$library/*" >/dev/null; then
    for file in "$library"/*; do
        head -n 3 "$file" >"$work/library/$(basename "$file")"
    done
else
    printf '3.0\r\n' >"$work/library/ExportVersion"
    printf 'SC1, Maker ,Model,,12 \xb5F\r\nSC2,Maker,Other,x,90\xb0\r\n' >"$work/library/StripConfig"
    printf 'T1,red,R\r\nT2,blue,B\r\n' >"$work/library/TerminalColors"
    printf 'K1,K2,Caf\xe9\r\n' >"$work/library/Channel"
fi

printf 'stub program image\n' >"$work/stub"
"$packer" pack "$work/stub" "$work/library" "$corpus/packed-sample"

# One record of the deciphered stream: length, blank, name length, blank, name, colon, content.
record() {
    local name=$1 file=$2 size
    size=$(stat -c %s "$file")
    printf "\\$(printf %03o $((size >> 24 & 255)))\\$(printf %03o $((size >> 16 & 255)))"
    printf "\\$(printf %03o $((size >> 8 & 255)))\\$(printf %03o $((size & 255)))"
    printf " \\$(printf %03o ${#name}) %s:" "$name"
    cat "$file"
}
{
    [[ -f $work/library/ExportVersion ]] && record ExportVersion "$work/library/ExportVersion"
    for file in "$work/library"/*; do
        name=$(basename "$file")
        [[ $name == ExportVersion ]] || record "$name" "$file"
    done
} >"$corpus/stream-sample"

echo "Fuzzing the library reader for $seconds s"
# The corpus grows in the work folder only; findings are kept for inspection.
if ! "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus"; then
    kept="$build_dir/fuzz-findings"
    mkdir -p "$kept"
    cp "$artifacts"/* "$kept/" 2>/dev/null || true
    echo "$0: the fuzzer found a fault; the inputs are in $kept" >&2
    exit 1
fi
if compgen -G "$artifacts/*" >/dev/null; then
    echo "$0: the fuzzer left findings in $artifacts" >&2
    exit 1
fi
echo "No findings."
