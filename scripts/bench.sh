#!/usr/bin/env bash
# Builds the benchmarks in build-bench/ (optimised, without the tests) and measures Vireo against
# its speed and memory targets: the per-frame stages in-process (Google Benchmark), the same
# pipeline in OpenCV side by side when OpenCV is installed (./scripts/install-opencv.sh), the
# window's events on the offscreen platform, and whole processes: vireo-cli over 1,000 frames at
# one threshold, with and without --edges-dir, and at all 256 (summary and records, against 256
# separate runs), the window's start-up to its first frame, and the peak memory of both and of a
# 10,000-frame sweep, vireo-cli on a live input at 1,000 frames a second, and the window live on
# a 640 x 480 MJPEG stream at 30 and 240 frames a second. Prints a summary per
# target and keeps everything in
# build-bench/bench-results.txt.
#
#   ./scripts/bench.sh                      # everything
#   ./scripts/bench.sh --benchmark_filter=edges   # arguments go to the Google Benchmark programs
#
# Environment: VIREO_BENCH_BUILD (build folder, default build-bench/), VIREO_BENCH_RUNS (runs per
# whole-process measurement, default 15), VIREO_BENCH_LIVE_SECONDS (the window live at 30
# frames/s, default 600). Benchmark repetitions default to 5; pass
# --benchmark_repetitions=N to change them.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

BUILD="${VIREO_BENCH_BUILD:-$VIREO_ROOT/build-bench}"
RUNS="${VIREO_BENCH_RUNS:-15}"
RESULTS="$BUILD/bench-results.txt"

vireo_install_packages libbenchmark-dev time python3
vireo_build "$BUILD" -DVIREO_BUILD_BENCHMARKS=ON -DVIREO_BUILD_TESTS=OFF

CLI="$BUILD/src/app/cli/vireo-cli"
OPENCV_CLI="$BUILD/bench/vireo-opencv-cli"
PROBE="$BUILD/bench/vireo-startup-probe"

WORK="$(mktemp -d "${TMPDIR:-/tmp}/vireo-bench-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

exec > >(tee "$RESULTS") 2>&1
echo "Vireo benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, commit $(git -C "$VIREO_ROOT" rev-parse --short HEAD 2>/dev/null || echo unknown)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

SUMMARY=()
note() { SUMMARY+=("$1"); }

# min median max of the numbers on stdin, one per line.
stats() { sort -n | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.2f %.2f %.2f\n", v[1], m, v[NR] }'; }
# verdict VALUE OP BOUND: "met" or "MISSED".
verdict() { awk -v v="$1" -v b="$3" -v op="$2" 'BEGIN { ok = (op == "<") ? v < b : v >= b; print ok ? "met" : "MISSED" }'; }
now() { date +%s%N; }
# elapsed_ms COMMAND...: runs it (a program or a function) with its output discarded and prints
# its wall time in ms.
elapsed_ms() {
    local start
    start=$(now)
    "$@" >/dev/null
    ms_between "$start" "$(now)"
}
# ms_between START END: the time in ms between two stamps of now().
ms_between() { echo "$(($2 - $1))" | awk '{ print $1 / 1e6 }'; }
# peak_mb COMMAND...: runs it with its output discarded and prints its peak memory in MB, the
# maximum resident set size that GNU time reports.
peak_mb() {
    /usr/bin/time -v "$@" 2>&1 >/dev/null | awk '/Maximum resident set size/ { print $NF / 1024 }'
}

section() { printf '\n==== %s\n' "$1"; }

# ---- In-process benchmarks
section "Engine stages (vireo-bench-engine)"
"$BUILD/bench/vireo-bench-engine" "$@" || true
if [ -x "$BUILD/bench/vireo-bench-opencv" ]; then
    section "Vireo and OpenCV side by side (vireo-bench-opencv)"
    "$BUILD/bench/vireo-bench-opencv" "$@" || true
else
    section "OpenCV not installed: no side-by-side benchmark (./scripts/install-opencv.sh installs it)"
fi
section "Window events on the offscreen platform (vireo-bench-window)"
"$BUILD/bench/vireo-bench-window" "$@" || true

# ---- Whole processes
section "vireo-cli over 1,000 frames as a whole process ($RUNS runs each, interleaved)"
FRAMES="$WORK/frames"
mkdir "$FRAMES"
for n in $(seq 0 999); do cp "$VIREO_ROOT/samples/pic$((n % 13)).bmp" "$FRAMES/pic$n.bmp"; done
"$CLI" --dir "$FRAMES" >"$WORK/vireo.csv"
HAVE_OPENCV=0
if [ -x "$OPENCV_CLI" ]; then
    HAVE_OPENCV=1
    "$OPENCV_CLI" "$FRAMES" >"$WORK/opencv.csv"
    if cmp -s "$WORK/vireo.csv" "$WORK/opencv.csv"; then
        echo "vireo-cli and vireo-opencv-cli print the same 1,000 records"
    else
        echo "vireo-cli and vireo-opencv-cli disagree:"
        diff "$WORK/vireo.csv" "$WORK/opencv.csv" | head -5
    fi
fi
: >"$WORK/cli-ms"
: >"$WORK/opencv-ms"
for _ in $(seq "$RUNS"); do
    elapsed_ms "$CLI" --dir "$FRAMES" >>"$WORK/cli-ms"
    if [ "$HAVE_OPENCV" = 1 ]; then
        elapsed_ms "$OPENCV_CLI" "$FRAMES" >>"$WORK/opencv-ms"
    fi
done
read -r cli_min cli_med cli_max < <(stats <"$WORK/cli-ms")
cli_fps=$(awk -v t="$cli_med" 'BEGIN { printf "%.0f", 1000 / (t / 1000) }')
printf 'vireo-cli        wall ms min %s median %s max %s; %s frames/s at the median\n' \
    "$cli_min" "$cli_med" "$cli_max" "$cli_fps"
note "vireo-cli, 1,000 frames: $cli_fps frames/s (median of $RUNS; ms min/median/max $cli_min/$cli_med/$cli_max), target >= 20000: $(verdict "$cli_fps" ">=" 20000)"
if [ "$HAVE_OPENCV" = 1 ]; then
    read -r cv_min cv_med cv_max < <(stats <"$WORK/opencv-ms")
    cv_fps=$(awk -v t="$cv_med" 'BEGIN { printf "%.0f", 1000 / (t / 1000) }')
    ratio=$(awk -v a="$cv_med" -v b="$cli_med" 'BEGIN { printf "%.2f", a / b }')
    printf 'vireo-opencv-cli wall ms min %s median %s max %s; %s frames/s at the median\n' \
        "$cv_min" "$cv_med" "$cv_max" "$cv_fps"
    note "vireo-cli frames/s / OpenCV twin's: ${ratio}x ($cli_fps vs $cv_fps, medians of this run), target >= 4: $(verdict "$ratio" ">=" 4)"
fi
: >"$WORK/cli-start-ms"
for _ in $(seq "$RUNS"); do
    elapsed_ms "$CLI" --version >>"$WORK/cli-start-ms"
done
read -r s_min s_med s_max < <(stats <"$WORK/cli-start-ms")
printf 'vireo-cli --version (start-up and exit alone) wall ms min %s median %s max %s\n' \
    "$s_min" "$s_med" "$s_max"
if [ "$HAVE_OPENCV" = 1 ]; then
    ONE="$WORK/one-frame"
    mkdir "$ONE"
    cp "$VIREO_ROOT/samples/pic0.bmp" "$ONE/"
    : >"$WORK/opencv-start-ms"
    for _ in $(seq "$RUNS"); do
        elapsed_ms "$OPENCV_CLI" "$ONE" >>"$WORK/opencv-start-ms"
    done
    read -r o_min o_med o_max < <(stats <"$WORK/opencv-start-ms")
    printf 'vireo-opencv-cli on one frame (mostly start-up) wall ms min %s median %s max %s\n' \
        "$o_min" "$o_med" "$o_max"
fi

section "vireo-cli writing edge maps over the same 1,000 frames ($RUNS runs each, interleaved)"
# One thread each way, so that the difference is the per-frame work: with --edges-dir each frame
# goes through the frame loop with its whole edge map computed once and written as a PGM file,
# without it through the sweep's single-threshold pipeline.
EDGES="$WORK/edges"
: >"$WORK/edges-ms"
: >"$WORK/no-edges-ms"
for _ in $(seq "$RUNS"); do
    rm -rf "$EDGES"
    elapsed_ms "$CLI" --dir "$FRAMES" -j 1 --edges-dir "$EDGES" >>"$WORK/edges-ms"
    elapsed_ms "$CLI" --dir "$FRAMES" -j 1 >>"$WORK/no-edges-ms"
done
read -r e_min e_med e_max < <(stats <"$WORK/edges-ms")
read -r n_min n_med n_max < <(stats <"$WORK/no-edges-ms")
per_file=$(awk -v a="$e_med" -v b="$n_med" 'BEGIN { printf "%.1f", (a - b) }')
printf 'vireo-cli -j 1 --edges-dir: wall ms min %s median %s max %s\n' "$e_min" "$e_med" "$e_max"
printf 'vireo-cli -j 1 (no files): wall ms min %s median %s max %s\n' "$n_min" "$n_med" "$n_max"
note "vireo-cli --edges-dir, 1,000 frames, 1 job: median $e_med ms against $n_med ms without it: $per_file µs per frame for its edge map and PGM file"

section "Threshold sweeps with vireo-cli over the same 1,000 frames ($RUNS runs each, interleaved)"
records=$("$CLI" --dir "$FRAMES" -t 0-255 | wc -l)
echo "vireo-cli -t 0-255 writes $((records - 1)) records"
: >"$WORK/summary-ms"
: >"$WORK/records-ms"
for _ in $(seq "$RUNS"); do
    elapsed_ms "$CLI" --dir "$FRAMES" -t 0-255 --summary >>"$WORK/summary-ms"
    elapsed_ms "$CLI" --dir "$FRAMES" -t 0-255 >>"$WORK/records-ms"
done
read -r sw_min sw_med sw_max < <(stats <"$WORK/summary-ms")
read -r rc_min rc_med rc_max < <(stats <"$WORK/records-ms")
printf 'vireo-cli -t 0-255 --summary: wall ms min %s median %s max %s\n' "$sw_min" "$sw_med" "$sw_max"
printf 'vireo-cli -t 0-255 (all records): wall ms min %s median %s max %s\n' "$rc_min" "$rc_med" "$rc_max"
separate_runs() { for t in $(seq 0 255); do "$CLI" --dir "$FRAMES" -t "$t"; done; }
separate_ms=$(elapsed_ms separate_runs)
printf '256 separate single-threshold runs (once): wall ms %s\n' "$separate_ms"
faster=$(awk -v a="$separate_ms" -v b="$sw_med" 'BEGIN { printf "%.1f", a / b }')
single=$(awk -v a="$sw_med" -v b="$cli_med" 'BEGIN { printf "%.2f", a / b }')
note "vireo-cli -t 0-255 --summary, 1,000 frames: median $sw_med ms (min/max $sw_min/$sw_max), target < 150: $(verdict "$sw_med" "<" 150)"
note "the same against 256 separate single-threshold runs: ${faster}x faster, target >= 30: $(verdict "$faster" ">=" 30)"
note "the same against one single-threshold run: ${single}x its time, target < 5: $(verdict "$single" "<" 5)"
note "vireo-cli -t 0-255 writing $((records - 1)) records: median $rc_med ms (min/max $rc_min/$rc_max), target < 500: $(verdict "$rc_med" "<" 500)"
# 10,000 frames as hard links to the 1,000: the sweep keeps nothing per frame, so its peak
# memory must not grow with the recording.
MANY="$WORK/many"
mkdir "$MANY"
for n in $(seq 0 9999); do ln "$FRAMES/pic$((n % 1000)).bmp" "$MANY/pic$n.bmp"; done
: >"$WORK/sweep-mb"
for _ in $(seq 3); do
    peak_mb "$CLI" --dir "$MANY" -t 0-255 --summary >>"$WORK/sweep-mb"
done
read -r m_min m_med m_max < <(stats <"$WORK/sweep-mb")
printf 'vireo-cli -t 0-255 --summary over 10,000 frames: MB min %s median %s max %s\n' \
    "$m_min" "$m_med" "$m_max"
note "vireo-cli -t 0-255 --summary peak memory over 10,000 frames: $m_max MB at most, target < 100: $(verdict "$m_max" "<" 100)"

section "Window start-up to the first frame shown ($RUNS runs)"
: >"$WORK/start-ms"
: >"$WORK/whole-ms"
for _ in $(seq "$RUNS"); do
    start=$(now)
    shown=$("$PROBE" "$VIREO_ROOT/samples" | awk '/^first-frame-shown-ns/ { print $2 }')
    end=$(now)
    ms_between "$start" "$shown" >>"$WORK/start-ms"
    ms_between "$start" "$end" >>"$WORK/whole-ms"
done
read -r w_min w_med w_max < <(stats <"$WORK/start-ms")
read -r x_min x_med x_max < <(stats <"$WORK/whole-ms")
printf 'to the first frame shown: wall ms min %s median %s max %s\n' "$w_min" "$w_med" "$w_max"
printf 'whole process (start, first frame, close, exit): wall ms min %s median %s max %s\n' \
    "$x_min" "$x_med" "$x_max"
note "window start-up to the first frame shown: median $w_med ms (min/max $w_min/$w_max), target < 150: $(verdict "$w_med" "<" 150)"

section "Peak memory (/usr/bin/time -v, maximum resident set size, $RUNS runs)"
: >"$WORK/cli-mb"
: >"$WORK/window-mb"
for _ in $(seq "$RUNS"); do
    peak_mb "$CLI" --dir "$FRAMES" >>"$WORK/cli-mb"
    VIREO_PROBE_EXERCISE=1 peak_mb "$PROBE" "$VIREO_ROOT/samples" >>"$WORK/window-mb"
done
read -r c_min c_med c_max < <(stats <"$WORK/cli-mb")
read -r v_min v_med v_max < <(stats <"$WORK/window-mb")
printf 'vireo-cli over 1,000 frames: MB min %s median %s max %s\n' "$c_min" "$c_med" "$c_max"
printf 'window, every frame shown, edges, threshold sweep, Find Center: MB min %s median %s max %s\n' \
    "$v_min" "$v_med" "$v_max"
note "vireo-cli peak memory: $c_max MB at most (median $c_med), target < 30: $(verdict "$c_max" "<" 30)"
note "window peak memory: $v_max MB at most (median $v_med), target < 80: $(verdict "$v_max" "<" 80)"

# The window on the 10,000 frames with the recording view shown and its sweep done.
: >"$WORK/view-mb"
for _ in $(seq 3); do
    VIREO_PROBE_VIEW=1 peak_mb "$PROBE" "$MANY" >>"$WORK/view-mb"
done
read -r r_min r_med r_max < <(stats <"$WORK/view-mb")
printf 'window with the recording view on 10,000 frames: MB min %s median %s max %s\n' \
    "$r_min" "$r_med" "$r_max"
note "window with the recording view on 10,000 frames, peak memory: $r_max MB at most, target < 300: $(verdict "$r_max" "<" 300)"

# ---- A live input: 160 x 120 pictures arriving at 1,000 a second for 10 s, one every millisecond
# (Y4M written into a FIFO by a pacer; ffmpeg -re would hand them on in bursts every 10 ms);
# vireo-cli keeps up when it drops none. Its processor time and memory too.
section "vireo-cli on a live input: 160 x 120 at 1,000 frames/s for 10 s"
ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x120:rate=1000 -frames:v 1000 \
    -pix_fmt yuv420p -f yuv4mpegpipe "$WORK/live.y4m"
mkfifo "$WORK/live.fifo"
python3 "$VIREO_ROOT/scripts/pace.py" "$WORK/live.y4m" "$WORK/live.fifo" 1000 10 &
pacer=$!
live_status=0
/usr/bin/time -v "$CLI" --input "$WORK/live.fifo" 2>"$WORK/live.log" >"$WORK/live.csv" ||
    live_status=$?
# The pacer has written everything when vireo-cli read to the end; otherwise it may still wait
# for a reader of the FIFO, and would wait for ever.
kill "$pacer" 2>/dev/null || true
wait "$pacer" || true
if [ "$live_status" != 0 ]; then
    echo "vireo-cli failed on the live input (status $live_status): $(head -n 1 "$WORK/live.log")" >&2
    exit 1
fi
processed=$(($(wc -l <"$WORK/live.csv") - 1))
dropped=$(sed -n 's/.* frames, \([0-9]*\) dropped.*/\1/p' "$WORK/live.log")
cpu=$(awk -F': ' '/User time|System time/ { t += $2 } END { print t }' "$WORK/live.log")
live_mb=$(awk '/Maximum resident set size/ { print $NF / 1024 }' "$WORK/live.log")
echo "processed $processed, dropped $dropped, processor time ${cpu} s over 10 s, peak $live_mb MB"
note "vireo-cli on 1,000 frames/s of live 160 x 120 input: $processed processed, $dropped dropped (processor ${cpu} s in 10 s, $live_mb MB), target none dropped: $( [ "$dropped" = 0 ] && echo met || echo MISSED)"

# ---- The window live on a 640 x 480 MJPEG stream paced evenly into a FIFO: at 30 frames/s for
# VIREO_BENCH_LIVE_SECONDS (default 600, memory over ten minutes) and at 240 frames/s for 10 s.
# vireo-live-probe reads the window's own figures, its processor use and its memory.
# live_window RATE SECONDS: prints the probe's line.
live_window() {
    local clip="$WORK/window-$1.mjpeg" fifo="$WORK/window-$1.fifo"
    ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=640x480:rate=$1" -frames:v "$1" \
        -q:v 5 -f mjpeg "$clip"
    mkfifo "$fifo"
    python3 "$VIREO_ROOT/scripts/pace.py" "$clip" "$fifo" "$1" "$2" &
    local pacer=$!
    "$BUILD/bench/vireo-live-probe" "$fifo" 2>/dev/null | grep '^live-probe'
    kill "$pacer" 2>/dev/null || true
    wait "$pacer" || true
}
# field NAME LINE: the number after NAME in a probe's line.
field() { sed -n "s/.* $1 \([0-9.]*\).*/\1/p" <<<"$2"; }
live_seconds="${VIREO_BENCH_LIVE_SECONDS:-600}"
section "The window live: 640 x 480 MJPEG at 30 frames/s for $live_seconds s"
w30=$(live_window 30 "$live_seconds")
echo "$w30"
latency=$(field latency_median_ms "$w30")
cpu=$(field cpu_percent "$w30")
growth=$(awk -v a="$(field rss_first_mb "$w30")" -v b="$(field rss_last_mb "$w30")" 'BEGIN { print b - a }')
note "window live at 30 frames/s: median arrival to overlay $latency ms, target <= 10: $(verdict "$latency" "<" 10.001)"
note "window live at 30 frames/s: processor $cpu % of one core, target <= 25: $(verdict "$cpu" "<" 25.001)"
note "window live at 30 frames/s for $live_seconds s: memory grew $growth MB after the first 10 s (peak $(field rss_max_mb "$w30") MB), target flat (< 2 MB): $(verdict "$growth" "<" 2)"
section "The window live: 640 x 480 MJPEG at 240 frames/s for 10 s"
w240=$(live_window 240 10)
echo "$w240"
note "window live at 240 frames/s: $(field shown "$w240") shown, $(field dropped "$w240") dropped and counted, median arrival to overlay $(field latency_median_ms "$w240") ms, processor $(field cpu_percent "$w240") %"

section "Whole-process targets"
printf '%s\n' "${SUMMARY[@]}"
echo "(in-process targets: see the summaries of each benchmark program above)"
echo "Results kept in $RESULTS"
