#!/usr/bin/env bash
# Runs each command block of the README's "Opening a recording" on a clip and pictures
# made here, and checks that vireo-cli loads every frame written, in the order of the recording.
#   test_recording.sh VIREO_CLI README
set -euo pipefail
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
command -v ffmpeg >/dev/null || { echo "ffmpeg is missing: scripts/setup.sh installs it" >&2; exit 1; }

awk -v out="$work/block" '/^## / { inside = ($0 == "## Opening a recording") }
    inside && /^```sh$/ { file = out (++n) ".sh"; next }
    /^```/ { file = "" }
    file { print > file }' "$2"

# A 16:9 clip fading out, so that every frame is darker than the one before, and three pictures
# of other sizes and kinds (one with transparency), brighter in the order of their names.
ffmpeg -v error -f lavfi -i testsrc2=size=320x180:rate=10:duration=2,fade=out:0:20 "$work/run7.mp4"
mkdir "$work/run8-photos"
convert -size 640x480 xc:gray20 "$work/run8-photos/a.jpg"
convert -size 200x90 'xc:rgba(128,128,128,0.5)' "PNG32:$work/run8-photos/b.png"
convert -size 30x40 xc:gray80 "$work/run8-photos/c.gif"

# check DIR COUNT SIGN: DIR holds exactly pic0.bmp .. pic<COUNT-1>.bmp, vireo-cli loads them all
# (status 0, one record each) and their mean brightness changes in the direction of SIGN.
check() {
    [ "$(ls "$1")" = "$(seq -f 'pic%g.bmp' 0 $(($2 - 1)) | sort)" ] || { ls "$1"; return 1; }
    records=$("$cli" --dir "$1" | wc -l)
    [ "$records" -eq $(($2 + 1)) ]
    for ((i = 0; i < $2; i++)); do convert "$1/pic$i.bmp" -format '%[fx:mean]\n' info:; done |
        awk -v sign="$3" 'NR > 1 && ($1 - last) * sign <= 0 { print "frame " NR - 1 " out of order"; bad = 1 }
            { last = $1 } END { exit bad }'
}

videos=0 pictures=0
for block in "$work"/block*.sh; do
    mkdir "$block.d"
    ln -s ../run7.mp4 ../run8-photos "$block.d/"
    (cd "$block.d" && bash -e "$block" </dev/null 2>"$block.log") || { cat "$block.log" >&2; exit 1; }
    if [ -d "$block.d/run7" ]; then
        check "$block.d/run7" 20 -1
        videos=$((videos + 1))
    else
        check "$block.d/run8" 3 1
        pictures=$((pictures + 1))
    fi
done
echo "video blocks: $videos, picture blocks: $pictures"
[ "$videos" -ge 1 ] && [ "$pictures" -ge 1 ]
