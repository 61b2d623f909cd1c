#!/usr/bin/env bash
# Draws docs/summary.png: vireo-cli's --summary at every threshold 0..255 for the bundled frames
# in samples/ and samples/real/ (tracked share, jitter, edge share against threshold); and
# docs/marks-error.png: the mean distance between the tracker's centres and the marked centres
# of samples/real/ (the summary's error column) at every threshold, with the suggested threshold
# and the default 100. Needs a build (scripts/run.sh or scripts/test.sh) and gnuplot (package
# gnuplot-nox).
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

# The suggested line ends in ",1"; its threshold and error label the chart.
suggested="$(awk -F, 'NR > 1 && $10 == 1 { print $1 "," $9 }' "$data/real.csv")"
threshold="${suggested%%,*}"
error="${suggested#*,}"
default_error="$(awk -F, '$1 == 100 { print $9 }' "$data/real.csv")"

gnuplot <<PLOT
set terminal pngcairo size 900,420 font ",10"
set output "$root/docs/marks-error.png"
set datafile separator ","
set title "samples/real/: tracker's centres against the 63 marked centres (21 frames, rows 40/60/80)"
set xlabel "threshold"
set xrange [0:255]
set ylabel "mean |centre - mark| (columns)"
set yrange [0:*]
set key top left
set arrow from $threshold, graph 0 to $threshold, graph 1 nohead dashtype 2 lc rgb "#2a7f2a"
set label sprintf("suggested %d: %.2f", $threshold, $error) at $threshold, graph 0.08 right offset -1,0 tc rgb "#2a7f2a"
set label sprintf("default 100: %.2f", $default_error) at 100, $default_error point pt 7 offset 1,1
plot "$data/real.csv" every ::1 using 1:9 with lines lw 2 title "mean error"
PLOT
echo "plot-summary.sh: wrote $root/docs/marks-error.png (suggested threshold $threshold, error $error)" >&2
