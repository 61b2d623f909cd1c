#!/usr/bin/env bash
# Writes the recording fuzzer's seeds into FOLDER: tiny clips of the kinds Vireo opens, made by
# the ffmpeg tool (nothing of them is committed).
#   make_seeds.sh FOLDER
set -euo pipefail
mkdir -p "$1"
cd "$1"
source=(-f lavfi -i testsrc2=size=32x24:rate=5 -frames:v 3)
ffmpeg -nostdin -v error -y "${source[@]}" -c:v libx264 -bf 1 h264.mp4 \
    "${source[@]}" -c:v mjpeg mjpeg.avi "${source[@]}" -c:v ffv1 ffv1.mkv \
    "${source[@]}" -c:v libx264 -f h264 raw.h264 "${source[@]}" -frames:v 1 picture.png
