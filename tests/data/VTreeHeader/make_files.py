#!/usr/bin/env python3
# Writes the broken header streams of broken/, one fault per file.
import struct
from pathlib import Path

def i32(*v):
    return b"".join(struct.pack("<i", x) for x in v)

def u32(*v):
    return b"".join(struct.pack("<I", x) for x in v)

def column(text="A"):
    t = text.encode("utf-16-le")
    return u32(len(text)) + t + u32(0) + i32(50, 10, 10000, 0, -1, 0, 4, 4, 0, 255, 0, 0, 0)

def tail(name=b"Arial"):
    return i32(0, 0, 17) + u32(522, 0) + i32(0, -11) + u32(len(name)) + name + u32(0, 0) + i32(0, -1) + u32(0)

files = {
    # A column count no stream of this size can hold.
    "column-count-past-end.vth": i32(-1, 3) + u32(0x10000000),
    # The first column's text claims more characters than there are bytes.
    "text-length-past-end.vth": i32(-1, 3) + u32(1) + u32(0x7FFFFFFF) + b"\0" * 60,
    # The font name claims more bytes than are left.
    "font-name-length-past-end.vth": i32(-1, 3) + u32(0) + i32(0, 0, 17) + u32(522, 0)
    + i32(0, -11) + u32(0xFFFFFFF0) + b"Arial",
    # A position names a column that does not exist.
    "position-out-of-range.vth": i32(-1, 3) + u32(1) + column() + i32(5) + tail(),
    # Two positions name the same column.
    "position-twice.vth": i32(-1, 3) + u32(2) + column() + column("B") + i32(0, 0) + tail(),
    # The stream ends inside the header fields after the columns.
    "truncated-after-columns.vth": i32(-1, 3) + u32(0) + i32(0, 0),
}
# A sound stream of three columns shown in the order 2, 0, 1, as a seed.
seed = i32(-1, 3) + u32(3) + column("A") + column("B") + column("C") + i32(2, 0, 1) + tail()
(Path(__file__).parent / "three-columns.vth").write_bytes(seed)

out = Path(__file__).parent / "broken"
out.mkdir(exist_ok=True)
for name, data in files.items():
    (out / name).write_bytes(data)

# Hostile but sound: 10,000 columns shown in reverse order. Reading them
# and checking their positions is linear (a position search per column
# made 100,000 columns take seconds).
hostile = Path(__file__).parent / "hostile"
hostile.mkdir(exist_ok=True)
n = 10000
(hostile / "columns-10000.vth").write_bytes(
    i32(-1, 3) + u32(n) + column("A") * n + i32(*range(n - 1, -1, -1)) + tail())
