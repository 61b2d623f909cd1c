#!/usr/bin/env bash
# Fuzzes the frame loader: builds vireo-fuzz-loader with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs it for SECONDS (default 60) on a scratch
# copy of fuzz/corpus/, so the committed corpus stays as the loader tests' table wrote it.
#
#   scripts/fuzz.sh [SECONDS] [LIBFUZZER OPTIONS...]
#
# Exits non-zero when the fuzzer found a fault; the input that caused it is kept in
# build-fuzz/findings/ (replay it with: build-fuzz/fuzz/vireo-fuzz-loader FILE).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]]; then
    echo "usage: scripts/fuzz.sh [SECONDS] [LIBFUZZER OPTIONS...]" >&2
    exit 2
fi
shift $(($# > 0 ? 1 : 0))

vireo_install_packages clang libclang-rt-14-dev libfuzzer-14-dev

build="${VIREO_FUZZ_BUILD:-$VIREO_ROOT/build-fuzz}"
CC=clang CXX=clang++ cmake -S "$VIREO_ROOT" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIREO_WERROR=ON -DVIREO_BUILD_TESTS=OFF \
    -DVIREO_BUILD_FUZZERS=ON >/dev/null
cmake --build "$build" --target vireo-fuzz-loader -j "$(nproc)"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/vireo-fuzz-corpus.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
cp "$VIREO_ROOT/fuzz/corpus/"* "$scratch/"
mkdir -p "$build/findings"

# One allocation above 64 MiB, or one input taking over 10 s, counts as a finding: a frame needs
# well under a megabyte and a few milliseconds.
echo "vireo: fuzzing the frame loader for ${seconds} s" >&2
if ! "$build/fuzz/vireo-fuzz-loader" -max_total_time="$seconds" -print_final_stats=1 \
    -timeout=10 -malloc_limit_mb=64 -max_len=65536 -artifact_prefix="$build/findings/" \
    "$@" "$scratch" 2>&1 | tee "$build/fuzz.log"; then
    echo "vireo: the fuzzer found a fault; see $build/fuzz.log and $build/findings/" >&2
    exit 1
fi
