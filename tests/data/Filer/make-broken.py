#!/usr/bin/env python3
"""Writes the damaged component streams of broken/, one fault a file."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "broken")

def s(text):
    b = text.encode("cp1251")
    return bytes([len(b)]) + b

SIG = b"TPF0"
HEAD = SIG + s("TSample") + s("Form1")

def child(cls, name, inner=b""):
    return s(cls) + s(name) + b"\x00" + inner + b"\x00"

FILES = {
    "bad-signature.bin": b"TPF1" + s("TSample") + s("Form1") + b"\x00\x00",
    "empty.bin": b"",
    "wrong-root-class.bin": SIG + s("TOther") + s("Form1") + b"\x00\x00",
    "unknown-child-class.bin": HEAD + b"\x00" + child("TNoSuchThing", "X") + b"\x00",
    "long-string-past-end.bin": HEAD + s("Caption") + b"\x0c" + struct.pack("<i", 1000) + b"abc",
    "negative-long-string.bin": HEAD + s("Caption") + b"\x0c" + struct.pack("<i", -5) + b"\x00\x00",
    "binary-size-past-end.bin": HEAD + s("Blob") + b"\x0a" + struct.pack("<i", 0x7FFFFFFF) + b"\x00",
    "value-type-out-of-range.bin": HEAD + s("Count") + b"\x63" + b"\x00\x00",
    "integer-for-string.bin": HEAD + s("Caption") + b"\x02\x05" + b"\x00\x00",
    "unknown-enum-name.bin": HEAD + s("Tone") + b"\x07" + s("toLoud") + b"\x00\x00",
    "unknown-set-member.bin": HEAD + s("Tones") + b"\x0b" + s("toBold") + s("toLoud") + b"\x00" + b"\x00\x00",
    "children-nested-too-deep.bin": HEAD + b"\x00" + b"".join(s("TSample") + s("C%d" % i) + b"\x00" for i in range(300)),
    "cut-after-name.bin": HEAD,
    "bad-property-path.bin": HEAD + s("Caption.Size") + b"\x02\x05" + b"\x00\x00",
    "unknown-buddy.bin": HEAD + s("Buddy") + b"\x07" + s("Nobody") + b"\x00\x00",
}

os.makedirs(HERE, exist_ok=True)
for name, data in FILES.items():
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
