#!/usr/bin/env bash
# Draws docs/summary.png: vireo-cli's --summary at every threshold 0..255 for the bundled frames
# in samples/ and samples/real/ (tracked share, jitter, edge share against threshold). Needs a
# build (scripts/run.sh or scripts/test.sh) and gnuplot (package gnuplot-nox).
#
#   scripts/plot-summary.sh [BUILD_DIR]    BUILD_DIR defaults to build/
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-${VIREO_BUILD:-$root/build}}"
cli="$build/src/app/cli/vireo-cli"
if [ ! -x "$cli" ]; then
    echo "plot-summary.sh: $cli not found; build first (scripts/run.sh)" >&2
    exit 1
fi
command -v gnuplot >/dev/null || { echo "plot-summary.sh: needs gnuplot (gnuplot-nox)" >&2; exit 1; }

data="$(mktemp -d)"
trap 'rm -rf "$data"' EXIT
"$cli" --dir "$root/samples" -t 0-255 --summary >"$data/samples.csv"
"$cli" --dir "$root/samples/real" -t 0-255 --summary >"$data/real.csv"

gnuplot <<PLOT
set terminal pngcairo size 900,420 font ",10"
set output "$root/docs/summary.png"
set datafile separator ","
set key autotitle columnhead top left
set multiplot layout 1,2
do for [set in "samples real"] {
    set title (set eq "real" ? "samples/real/ (21 camera frames)" : "samples/ (13 synthetic frames)")
    set xlabel "threshold"
    set xrange [0:255]
    set ylabel "share of frames / of pixels"
    set yrange [0:1.05]
    set y2label "jitter (columns)"
    set y2range [0:*]
    set y2tics
    set ytics nomirror
    plot "$data/".set.".csv" using 1:(\$4/\$2) with lines lw 2 title "tracked share", \
         "" using 1:6 with lines lw 2 title "edge share", \
         "" using 1:5 axes x1y2 with lines lw 1 title "jitter"
}
unset multiplot
PLOT
echo "plot-summary.sh: wrote $root/docs/summary.png" >&2
