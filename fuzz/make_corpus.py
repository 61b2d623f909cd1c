#!/usr/bin/env python3
"""Writes the seed corpus of the frame-loader fuzzer: fuzz/corpus/ (or the folder given).

Files named valid-* are frame files the loader must accept; files named refused-* differ from the
plain frame file in exactly one way that the loader must refuse. The corpus test replays them all.
Run again after changing this script and commit the result; the output is deterministic.
"""

import pathlib
import struct
import sys

WIDTH, HEIGHT = 160, 120
ROW_BYTES = 3 * WIDTH  # 480, a multiple of 4: no row padding
PIXEL_BYTES = ROW_BYTES * HEIGHT


def pixel(x, y):
    """Blue, green, red of picture pixel (x, y), y from the top: every pixel differs."""
    return (x + 3 * y) & 0xFF, (7 * x + y) & 0xFF, (x * y + 11) & 0xFF


def frame(info_size=40, top_down=False, size_field=None, data_offset=None, width=WIDTH,
          height=HEIGHT, planes=1, bit_count=24, compression=0, signature=b"BM"):
    headers = 14 + info_size
    offset = headers if data_offset is None else data_offset
    pixels = bytearray()
    for stored in range(HEIGHT):
        y = stored if top_down else HEIGHT - 1 - stored
        for x in range(WIDTH):
            pixels += bytes(pixel(x, y))
    total = headers + PIXEL_BYTES
    info = struct.pack("<IiiHHI", info_size, width, -height if top_down else height, planes,
                       bit_count, compression)
    info = info.ljust(info_size, b"\0")[:info_size]
    file_header = signature + struct.pack("<IHHI", total if size_field is None else size_field,
                                          0, 0, offset)
    return file_header + info + bytes(pixels)


def corpus():
    plain = frame()
    return {
        "valid-bottom-up.bmp": plain,
        "valid-top-down.bmp": frame(top_down=True),
        "valid-info-header-108.bmp": frame(info_size=108),
        "valid-info-header-124.bmp": frame(info_size=124),
        "valid-size-field-0.bmp": frame(size_field=0),
        "refused-missing-signature.bmp": frame(signature=b"PM"),
        "refused-info-header-12.bmp": frame(info_size=12),
        "refused-bit-count-8.bmp": frame(bit_count=8),
        "refused-planes-2.bmp": frame(planes=2),
        "refused-compressed.bmp": frame(compression=1),
        "refused-width-161.bmp": frame(width=161),
        "refused-height-100.bmp": frame(height=100),
        "refused-offset-inside-header.bmp": frame(data_offset=20),
        # The pixel data would start where the file ends.
        "refused-offset-past-end.bmp": frame(data_offset=len(plain)),
        "refused-truncated-in-header.bmp": plain[:30],
        "refused-truncated-in-pixels.bmp": plain[:-1],
        "refused-empty.bmp": b"",
    }


def main():
    folder = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else \
        pathlib.Path(__file__).resolve().parent / "corpus"
    folder.mkdir(parents=True, exist_ok=True)
    for name, content in corpus().items():
        (folder / name).write_bytes(content)
    print(f"wrote {len(corpus())} files to {folder}")


if __name__ == "__main__":
    main()
