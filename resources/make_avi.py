#!/usr/bin/env python3
"""Writes launcher.avi: a tiny uncompressed 8-bit animation (four 16 x 16
frames of a filling bar) in the form the animation control accepts (one
video stream, uncompressed DIB frames, no sound). The launcher carries it as
resource 109 and never shows it. Run it again to regenerate the committed file."""
import os
import struct

WIDTH, HEIGHT, FRAMES = 16, 16, 4
PALETTE = [(0xF0, 0xF0, 0xF0), (0x57, 0x35, 0x1D), (0x1D, 0x35, 0x57)]  # back, fill, frame


def chunk(fourcc, data):
    padding = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + padding


def riff_list(kind, fourcc, *chunks):
    body = fourcc + b"".join(chunks)
    return kind + struct.pack("<I", len(body)) + body


def frame(index):
    """Bottom-up rows of palette indexes: a bordered box filled to index/FRAMES."""
    filled = (HEIGHT - 2) * (index + 1) // FRAMES
    rows = []
    for y in range(HEIGHT):  # y = 0 is the bottom row in a DIB
        row = bytearray()
        for x in range(WIDTH):
            border = x in (0, WIDTH - 1) or y in (0, HEIGHT - 1)
            row.append(2 if border else (1 if y <= filled else 0))
        rows.append(bytes(row))
    return b"".join(rows)  # 16 bytes a row: already DWORD aligned


def build():
    frame_bytes = WIDTH * HEIGHT
    microseconds_per_frame = 250000
    avih = struct.pack("<IIIIIIIIII4I", microseconds_per_frame, frame_bytes * 4, 0,
                       0x10,  # AVIF_HASINDEX
                       FRAMES, 0, 1, frame_bytes, WIDTH, HEIGHT, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"DIB ", 0, 0, 0, 0,
                       1, 4,  # scale, rate: four frames a second
                       0, FRAMES, frame_bytes, 0xFFFFFFFF, 0, 0, 0, WIDTH, HEIGHT)
    bitmap_info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, frame_bytes,
                              0, 0, len(PALETTE), len(PALETTE))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = riff_list(b"LIST", b"hdrl", chunk(b"avih", avih),
                       riff_list(b"LIST", b"strl", chunk(b"strh", strh),
                                 chunk(b"strf", bitmap_info + palette)))
    frames = [chunk(b"00db", frame(i)) for i in range(FRAMES)]
    movi = riff_list(b"LIST", b"movi", *frames)
    # Index offsets count from the "movi" fourcc.
    index, offset = b"", 4
    for data in frames:
        index += struct.pack("<4sIII", b"00db", 0x10, offset, frame_bytes)  # AVIIF_KEYFRAME
        offset += len(data)
    return riff_list(b"RIFF", b"AVI ", header, movi, chunk(b"idx1", index))


if __name__ == "__main__":
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "launcher.avi")
    with open(path, "wb") as out:
        out.write(build())
    print(f"{path}: {os.path.getsize(path)} bytes")
