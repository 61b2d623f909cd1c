#!/usr/bin/env python3
"""pace.py CLIP FIFO RATE SECONDS: writes the pictures of CLIP into FIFO at RATE a second, evenly
spaced, for SECONDS, the clip over and over (ffmpeg -re would hand them on in bursts every 10 ms).
CLIP is a Y4M file of 4:2:0 pictures or an MJPEG stream. Used by bench.sh for live inputs."""
import os
import sys
import time

clip, fifo, rate, seconds = sys.argv[1], sys.argv[2], float(sys.argv[3]), float(sys.argv[4])
data = open(clip, "rb").read()
if data.startswith(b"YUV4MPEG2"):
    head = data[: data.index(b"\n") + 1]
    fields = {f[:1]: f[1:] for f in head.split()}
    size = 6 + int(fields[b"W"]) * int(fields[b"H"]) * 3 // 2  # "FRAME\n" and a 4:2:0 picture
    frames = [data[i : i + size] for i in range(len(head), len(data) - size + 1, size)]
else:
    head = b""
    frames = [b"\xff\xd8" + part for part in data.split(b"\xff\xd8")[1:]]  # from each SOI
out = os.open(fifo, os.O_WRONLY)
os.write(out, head)
start = time.perf_counter()
for n in range(int(rate * seconds)):
    due = start + n / rate
    while (left := due - time.perf_counter()) > 0:
        if left > 0.0003:
            time.sleep(left - 0.0002)
    os.write(out, frames[n % len(frames)])
