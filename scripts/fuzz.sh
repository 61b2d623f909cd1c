#!/usr/bin/env bash
# Fuzzes the frame loader: builds vireo-fuzz-loader with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs it for SECONDS (default 60) on a scratch
# copy of fuzz/corpus/, so the committed corpus stays as the loader tests' table wrote it. With
# `recording` first, fuzzes the opening and decoding of recordings instead (vireo-fuzz-recording),
# seeded with tiny clips made by fuzz/make_seeds.sh.
#
#   scripts/fuzz.sh [recording] [SECONDS] [LIBFUZZER OPTIONS...]
#
# Exits non-zero when the fuzzer found a fault; the input that caused it is kept in
# build-fuzz/findings/ (replay it with: build-fuzz/fuzz/vireo-fuzz-loader FILE).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

target=loader
if [ "${1:-}" = recording ]; then
    target=recording
    shift
fi
seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]]; then
    echo "usage: scripts/fuzz.sh [recording] [SECONDS] [LIBFUZZER OPTIONS...]" >&2
    exit 2
fi
shift $(($# > 0 ? 1 : 0))

vireo_install_packages clang libclang-rt-14-dev libfuzzer-14-dev

build="${VIREO_FUZZ_BUILD:-$VIREO_ROOT/build-fuzz}"
CC=clang CXX=clang++ cmake -S "$VIREO_ROOT" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIREO_WERROR=ON -DVIREO_BUILD_TESTS=OFF \
    -DVIREO_BUILD_FUZZERS=ON >/dev/null
cmake --build "$build" --target "vireo-fuzz-$target" -j "$(nproc)"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/vireo-fuzz-corpus.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$build/findings"

# One allocation above the limit, or one input taking over 10 s, counts as a finding: a frame
# file needs well under a megabyte, and a decoder of the largest picture read (4096 x 2304) a
# few frames of 14 MB.
if [ "$target" = recording ]; then
    "$VIREO_ROOT/fuzz/make_seeds.sh" "$scratch"
    limit=512
else
    cp "$VIREO_ROOT/fuzz/corpus/"* "$scratch/"
    limit=64
fi
echo "vireo: fuzzing the $target for ${seconds} s" >&2
if ! "$build/fuzz/vireo-fuzz-$target" -max_total_time="$seconds" -print_final_stats=1 \
    -timeout=10 -malloc_limit_mb="$limit" -max_len=65536 -artifact_prefix="$build/findings/" \
    "$@" "$scratch" 2>&1 | tee "$build/fuzz.log"; then
    echo "vireo: the fuzzer found a fault; see $build/fuzz.log and $build/findings/" >&2
    exit 1
fi
