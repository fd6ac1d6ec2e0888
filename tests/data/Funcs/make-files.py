#!/usr/bin/env python3
"""Writes the golden and broken tagged-record files of the Funcs tests.

The bytes are spelled out here, independently of the program's writer:
little-endian numbers, strings as 06 + 1-byte length or 0C + 4-byte length,
Booleans FF/00, Currency as value * 10000 in 8 bytes, records 00 header
fields FF, lists FE count records. Run it from this folder.
"""
import os
import struct


def s(text):
    b = text.encode("cp1251")
    if len(b) <= 255:
        return bytes([6, len(b)]) + b
    return bytes([12]) + struct.pack("<i", len(b)) + b


def i32(v):
    return struct.pack("<i", v)


def cur(raw):
    return struct.pack("<q", raw)


def dbl(v):
    return struct.pack("<d", v)


def row(name, raw_price, header="Row"):
    return b"\x00" + s(header) + b"\x01" + s(name) + b"\x02" + cur(raw_price) + b"\xff"


DOC_HEAD = b"\x00" + s("Doc")

golden = (DOC_HEAD
          + b"\x01" + s("Накладная")
          + b"\x02" + i32(17)
          + b"\x03" + b"\xff"
          + b"\x04" + dbl(45356.5)
          + b"\x05" + cur(12345000)
          + b"\xfe" + i32(2)
          + row("Ручка", 125000)
          + row("Я" * 256, -1)
          + b"\xff")

broken = {
    "empty.rec": b"",
    "string-tag-07.rec": b"\x00\x07\x03Doc\xff",
    "string-length-past-end.rec": b"\x00\x0c" + i32(0x7FFFFFF0) + b"Doc\xff",
    "string-length-negative.rec": b"\x00\x0c" + i32(-5) + b"Doc\xff",
    "short-string-past-end.rec": b"\x00\x06\xc8Doc",
    "wrong-header.rec": b"\x00" + s("Dox") + b"\xff",
    "unknown-tag.rec": DOC_HEAD + b"\x09" + i32(1) + b"\xff",
    "list-count-huge.rec": DOC_HEAD + b"\xfe" + i32(0x7FFFFFFF) + b"\xff",
    "list-count-negative.rec": DOC_HEAD + b"\xfe" + i32(-1) + b"\xff",
    "list-count-past-end.rec": DOC_HEAD + b"\xfe" + i32(100) + row("a", 1) + b"\xff",
    "row-wrong-header.rec": DOC_HEAD + b"\xfe" + i32(1) + row("a", 1, "Rox") + b"\xff",
    "truncated-integer.rec": DOC_HEAD + b"\x02\x01\x00",
    "missing-end.rec": DOC_HEAD + b"\x02" + i32(5),
}

os.makedirs("golden", exist_ok=True)
os.makedirs("broken", exist_ok=True)
with open("golden/doc.rec", "wb") as f:
    f.write(golden)
for name, data in broken.items():
    with open(os.path.join("broken", name), "wb") as f:
        f.write(data)
