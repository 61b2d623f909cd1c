#!/usr/bin/env bash
# Takes docs/window.png: the window on the bundled frame pic1.bmp after "Display Picture" and
# "Find Center", pressed with their keys, and the mouse on the fitted line so that the status
# line reads out that pixel. Then docs/recording-view.png, the recording view (Ctrl+R) on the
# camera frames in samples/real/ after "Display Picture" and "Find Center" on frame 5, and
# docs/recording-view-10000.png, the view on a generated drive of 10,000 frames (made with
# vireo-make-samples --drive 10000 in a temporary folder), and docs/window-live.png, the window
# live on a 640 x 480 MJPEG stream at 30 frames per second that ffmpeg plays into a FIFO, after
# "Display Picture" and "Find Center", recording. Runs the window on a virtual X server (Xvfb);
# needs xvfb-run, xdotool, ImageMagick's import and ffmpeg.
#
#   scripts/screenshot.sh [BUILD_DIR]    BUILD_DIR defaults to build/ (made by run.sh or test.sh)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-${VIREO_BUILD:-$root/build}}" && pwd)"
vireo="$build/src/app/window/vireo"
output="$root/docs/window.png"

if [ ! -x "$vireo" ]; then
    echo "screenshot.sh: $vireo not found; build first (scripts/run.sh)" >&2
    exit 1
fi
for tool in xvfb-run xdotool import ffmpeg; do
    if ! command -v "$tool" >/dev/null; then
        echo "screenshot.sh: needs $tool (packages xvfb, xdotool, imagemagick)" >&2
        exit 1
    fi
done

# Start again inside a virtual X server of our own.
if [ -z "${VIREO_SCREENSHOT_XVFB:-}" ]; then
    VIREO_SCREENSHOT_XVFB=1 exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$build"
fi

export QT_QPA_PLATFORM=xcb
pid=""
drive="$(mktemp -d)"
stream=""
trap 'kill "$pid" $stream 2>/dev/null || true; rm -rf "$drive"' EXIT

# Starts the window on folder $1 (or, with --camera, live on the input after it) and presses the
# keys that follow; sets window and pid.
start_window() {
    local arguments=("$1")
    shift
    if [ "${arguments[0]}" = --camera ]; then
        arguments+=("$1")
        shift
    fi
    "$vireo" "${arguments[@]}" &
    pid=$!
    window=""
    for _ in $(seq 100); do
        window="$(xdotool search --pid "$pid" --onlyvisible 2>/dev/null | head -n 1 || true)"
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] || { echo "screenshot.sh: the window did not appear" >&2; exit 1; }
    xdotool windowfocus --sync "$window"
    for key in "$@"; do
        xdotool key "$key"
        sleep 0.2
    done
}

# Takes the window's picture as $1 and closes it.
shoot() {
    mkdir -p "$(dirname "$1")"
    import -window "$window" -strip "$1"
    echo "screenshot.sh: wrote $1" >&2
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

start_window "$root/samples" ctrl+d ctrl+f
# Picture4 starts at (184, 8) in the window; its pixel (82, 50) lies on the fitted red line.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 184 + 82)) $((Y + 8 + 50))
sleep 0.5
shoot "$output"

# The recording view on samples/real/, frame 5 shown with its centres.
start_window "$root/samples/real" ctrl+r Tab Tab Tab Right Right Right Right ctrl+d ctrl+f
sleep 2
shoot "$root/docs/recording-view.png"

# The recording view on a generated drive of 10,000 frames.
"$build/tools/vireo-make-samples" --drive 10000 "$drive" >/dev/null
start_window "$drive" ctrl+r
sleep 4
shoot "$root/docs/recording-view-10000.png"

# The window live on a FIFO, recording into a folder it remembers from a settings file of its own.
mkdir -p "$drive/config/vireo" "$drive/recordings"
printf '[live]\nrecordingsFolder=%s\n' "$drive/recordings" >"$drive/config/vireo/vireo.conf"
mkfifo "$drive/cam.fifo"
ffmpeg -nostdin -v error -re -f lavfi -i testsrc2=size=640x480:rate=30 -t 30 -q:v 5 -f mjpeg \
    -y "$drive/cam.fifo" &
stream=$!
XDG_CONFIG_HOME="$drive/config" start_window --camera "$drive/cam.fifo"
sleep 1
for key in ctrl+d ctrl+f ctrl+shift+r; do
    xdotool key "$key"
    sleep 0.2
done
xdotool mousemove 0 0
sleep 3
shoot "$root/docs/window-live.png"
