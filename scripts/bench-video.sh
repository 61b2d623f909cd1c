#!/usr/bin/env bash
# The video figures in docs/performance.md ("Videos"):
#   - vireo-cli on a one-minute 640 x 480 30 fps H.264 clip against the ffmpeg command that only
#     decodes and converts it (the floor), with peak memory; five interleaved runs of each;
#   - the window on a one-hour 640 x 480 H.264 video with a key frame every 250 frames (2,000
#     frames of testsrc2 joined 54 times): start to the first frame shown and peak memory over a
#     session of 100 random jumps, five runs each; picslider moved to a random frame and to the
#     next one (vireo-bench-window --benchmark_filter=video/, 100 of each per repetition).
#   - vireo-cli's peak memory against the video's length: the one-hour video joined into 3 and 10
#     hours (1.3 and 4.2 GB in the temporary folder, removed at the end), frame 0 of each read
#     once; lengths in hours from VIREO_BENCH_HOURS (default "1 3 10").
# Prints min / median / max.
#   scripts/bench-video.sh [BUILD]   (a build with -DVIREO_BUILD_BENCHMARKS=ON; by default
#                                     build-bench/, built here as ./scripts/bench.sh builds it)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
if [ $# -ge 1 ]; then
    build="$1"
else
    build="${VIREO_BENCH_BUILD:-$VIREO_ROOT/build-bench}"
    vireo_install_packages libbenchmark-dev time
    vireo_build "$build" -DVIREO_BUILD_BENCHMARKS=ON -DVIREO_BUILD_TESTS=OFF
fi
cli="$build/src/app/cli/vireo-cli"
probe="$build/bench/vireo-startup-probe"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
clip="$work/clip.mp4"
ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=640x480:rate=30:duration=60 -c:v libx264 \
    -g 250 "$clip"
hour="$work/hour.mp4"
ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=640x480:rate=30 -frames:v 2000 -c:v libx264 \
    -g 250 "$work/part.mp4"
for _ in $(seq 54); do echo "file 'part.mp4'"; done >"$work/parts.txt"
ffmpeg -nostdin -v error -f concat -safe 0 -i "$work/parts.txt" -c copy "$hour"

stats() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { printf "%s / %s / %s", v[1], v[int((NR + 1) / 2)], v[NR] }'; }

declare -A seconds memory
commands=(
    "floor|ffmpeg -nostdin -v error -i $clip -vf scale=160:120 -pix_fmt bgr24 -f null -"
    "summary|$cli -i $clip -t 0-255 --summary"
    "records|$cli -i $clip"
)
for run in 1 2 3 4 5; do
    for entry in "${commands[@]}"; do
        name="${entry%%|*}"
        /usr/bin/time -f "%e %M" -o "$work/time" ${entry#*|} >/dev/null
        read -r s kb <"$work/time"
        seconds[$name]+="$s "
        memory[$name]+="$kb "
    done
done
for entry in "${commands[@]}"; do
    name="${entry%%|*}"
    echo "$name: $(echo "${seconds[$name]}" | stats) s, peak $(echo "${memory[$name]}" | stats) KB"
done

first="" peak=""
for run in 1 2 3 4 5; do
    start=$(date +%s%N)
    shown=$("$probe" "$hour" 2>/dev/null | awk '/^first-frame-shown-ns/ { print $2 }')
    first+="$(((shown - start) / 1000000)) "
    VIREO_PROBE_JUMPS=100 /usr/bin/time -f "%M" -o "$work/time" "$probe" "$hour" >/dev/null 2>&1
    peak+="$(cat "$work/time") "
done
echo "window on the one-hour video: first frame shown $(echo "$first" | stats) ms after start," \
    "peak $(echo "$peak" | stats) KB over 100 jumps"
VIREO_BENCH_VIDEO="$hour" "$build/bench/vireo-bench-window" --benchmark_filter=video/ \
    --benchmark_repetitions=3 | sed -n '/^Summary/,$p' | grep -v 'not run'

# Opening a video indexes all of it, so vireo-cli's memory grows with the length and never with
# the frames asked for: frame 0 of each length, one run each.
for hours in ${VIREO_BENCH_HOURS:-1 3 10}; do
    long="$work/hours-$hours.mp4"
    for _ in $(seq "$hours"); do echo "file '$hour'"; done >"$work/hours.txt"
    ffmpeg -nostdin -v error -f concat -safe 0 -i "$work/hours.txt" -c copy "$long"
    /usr/bin/time -f "%e %M" -o "$work/time" "$cli" -i "$long" 0 >/dev/null
    read -r s kb <"$work/time"
    echo "vireo-cli on $hours h ($((hours * 108000)) frames): peak $kb KB, $s s"
    rm -f "$long"
done
