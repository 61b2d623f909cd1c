#!/usr/bin/env bash
# Times vireo-cli on a one-minute 640 x 480 30 fps H.264 clip against the ffmpeg command that only
# decodes and converts it (the floor), and reports peak memory; the figures in docs/performance.md
# ("Videos") come from it. Five runs of each, interleaved; prints min / median / max.
#   scripts/bench-video.sh [BUILD]        (default build/)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cli="${1:-$root/build}/src/app/cli/vireo-cli"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
clip="$work/clip.mp4"
ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=640x480:rate=30:duration=60 -c:v libx264 \
    -g 250 "$clip"

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
stats() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { printf "%s / %s / %s", v[1], v[int((NR + 1) / 2)], v[NR] }'; }
for entry in "${commands[@]}"; do
    name="${entry%%|*}"
    echo "$name: $(echo "${seconds[$name]}" | stats) s, peak $(echo "${memory[$name]}" | stats) KB"
done
