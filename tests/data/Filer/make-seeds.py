#!/usr/bin/env python3
"""Writes a few well-formed component streams into seeds/ for the fuzzer."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "seeds")

def s(text):
    b = text.encode("cp1251")
    return bytes([len(b)]) + b

HEAD = b"TPF0" + s("TSample") + s("Form1")
FILES = {
    "every-kind.bin": HEAD
    + s("Count") + b"\x04" + struct.pack("<i", -100000)
    + s("Active") + b"\x09"
    + s("Tone") + b"\x07" + s("toFaint")
    + s("Tones") + b"\x0b" + s("toPlain") + s("toBold") + b"\x00"
    + s("Letter") + b"\x06\x01\xc0"
    + s("Big") + b"\x13" + struct.pack("<q", -(1 << 50))
    + s("Ratio") + b"\x05" + bytes(7) + b"\x80\xff\x3f"
    + s("Short") + b"\x0f" + struct.pack("<f", 0.5)
    + s("Price") + b"\x10" + struct.pack("<q", 123456789)
    + s("Stamp") + b"\x11" + struct.pack("<d", 45000.25)
    + s("Caption") + b"\x0c" + struct.pack("<i", 3) + "Цна".encode("cp1251")
    + s("Font.Size") + b"\x02\x0e"
    + s("Items") + b"\x0e" + b"\x01" + s("Caption") + b"\x06\x01x" + b"\x00" + b"\x00"
    + s("Lines.Strings") + b"\x01\x06\x03one\x06\x00\x00"
    + s("Buddy") + b"\x07" + s("Kid")
    + s("Blob") + b"\x0a" + struct.pack("<i", 2) + b"\x01\x02"
    + b"\x00"
    + s("TSample") + s("Kid") + s("Count") + b"\x02\x09" + b"\x00\x00"
    + b"\x00",
    "inherited-child.bin": HEAD + b"\x00" + b"\xf1" + s("TSample") + s("Kid") + b"\x00\x00\x00",
}

os.makedirs(HERE, exist_ok=True)
for name, data in FILES.items():
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
