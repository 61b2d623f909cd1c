#!/usr/bin/env bash
# vireo-cli on a live input: MJPEG clips played into a FIFO in real time by the ffmpeg tool.
#   test_live_cli.sh VIREO_CLI
# The records printed live equal those of the recorded folder, plain and with --carry; each
# recorded frame is the file the README's command writes for the frame of the stream that arrived
# as its number; the stream's end and Ctrl+C both leave whole files and exit status 0.
set -euo pipefail
cli=$1
work=$(mktemp -d)
writer=
trap '[ -z "$writer" ] || kill "$writer" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"

ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=320x240:rate=30 -frames:v 45 -q:v 5 clip.mjpeg
mkdir offline
ffmpeg -nostdin -v error -i clip.mjpeg -vf scale=160:120 -pix_fmt bgr24 -start_number 0 \
    offline/pic%d.bmp
mkfifo fifo

# play [ARGS...]: plays clip.mjpeg into the FIFO in real time, in the background; stop_playing
# ends an endless one, which may have ended itself when the reader went.
play() {
    ffmpeg -nostdin -v error -y -re "$@" -i clip.mjpeg -c copy -f mjpeg fifo 2>>writer.log &
    writer=$!
}
stop_playing() {
    kill "$writer" 2>/dev/null || true
    wait "$writer" || true
    writer=
}

# whole DIR: the recording in DIR has whole files only: no temporary file, every frame listed
# once in order, and each listed frame file the documented conversion of the frame that arrived
# as its number (its number plus the frames dropped so far, in a clip of 45 frames played in a
# loop).
whole() {
    if ls -A "$1" | grep -v -E '^(pic[0-9]+\.bmp|vireo-frames\.csv)$'; then return 1; fi
    awk -F, -v dir="$1" 'NR == 1 { next }
        { if ($1 != NR - 2) exit 1; dropped += $3
          print dir "/pic" $1 ".bmp offline/pic" ($1 + dropped) % 45 ".bmp" }
        END { if (NR - 1 != count) exit 1 }' count="$(ls "$1" | grep -c '^pic')" "$1/vireo-frames.csv" |
        while read -r recorded original; do cmp "$recorded" "$original"; done
}

for carry in "" --carry; do
    rm -rf "rec$carry"
    play
    "$cli" --input fifo $carry --record "rec$carry" >live.csv 2>live.log
    wait "$writer"
    grep -q 'the stream ended' live.log
    recording=$(ls -d "rec$carry"/vireo-*)
    whole "$recording"
    "$cli" --dir "$recording" $carry >replayed.csv
    [ "$(wc -l <live.csv)" -gt 10 ]
    diff live.csv replayed.csv
done

# An input that carries no picture prints no record, starts no recording and ends with status 1.
printf 'no pictures here' >fifo &
if "$cli" --input fifo --record none >none.csv 2>none.log; then exit 1; fi
[ ! -s none.csv ]
[ -z "$(ls -A none)" ]
grep -q fifo none.log

# --frames ends the run after that many frames.
play -stream_loop -1
"$cli" --input fifo --frames 5 >five.csv 2>/dev/null
[ "$(wc -l <five.csv)" -eq 6 ]
stop_playing

# Ctrl+C ends an endless stream cleanly: status 0, the records and the recording whole. (A
# background job starts with Ctrl+C ignored unless told otherwise.)
play -stream_loop -1
rm -rf rec
: >endless.csv
env --default-signal=INT "$cli" --input fifo --record rec >endless.csv 2>endless.log &
cli_pid=$!
for ((i = 0; i < 300; i++)); do
    [ "$(wc -l <endless.csv)" -le 20 ] || break
    sleep 0.1
done
[ "$(wc -l <endless.csv)" -gt 20 ] # records arrive as the frames do
kill -INT "$cli_pid"
wait "$cli_pid"
stop_playing
grep -q 'stopped' endless.log
[ -z "$(tail -c 1 endless.csv)" ]
whole rec/vireo-*
echo "live records equal the recording's, plain and carried; a bad input prints nothing; Ctrl+C ends cleanly"
