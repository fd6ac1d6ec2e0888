#!/usr/bin/env python3
"""Writes broken/: damaged metafiles, one fault per file, made from the
hand-made fills.emf and pictures.emf (which the player tests write).
Run from this folder: python3 make_broken.py"""

import struct


def records(emf):
    out, at = [], 0
    while at < len(emf):
        size = struct.unpack_from('<I', emf, at + 4)[0]
        out.append(emf[at:at + size])
        at += size
    return out


def join(recs):
    b = bytearray(b''.join(recs))
    struct.pack_into('<I', b, 48, len(b))
    struct.pack_into('<I', b, 52, len(recs))
    return bytes(b)


def put(name, data):
    with open('broken/' + name, 'wb') as f:
        f.write(data)


fills = open('fills.emf', 'rb').read()
pictures = open('pictures.emf', 'rb').read()
F = records(fills)
P = records(pictures)

put('empty.emf', b'')
put('header-cut.emf', fills[:60])
put('no-end-record.emf', join(F[:-1]))

b = bytearray(fills)
struct.pack_into('<I', b, 48, 0x7ffffff0)
put('length-beyond-data.emf', bytes(b))

b = bytearray(fills)
b[40:44] = b'XEMF'
put('bad-signature.emf', bytes(b))

b = bytearray(F[1])
struct.pack_into('<I', b, 4, 0)
put('record-size-zero.emf', join([F[0], bytes(b)] + F[2:]))

b = bytearray(F[1])
struct.pack_into('<I', b, 4, 0x10000)
put('record-past-end.emf', join([F[0], bytes(b)] + F[2:]))

put('second-header.emf', join([F[0], F[0]] + F[1:]))

# A picture whose bits are shorter than its header says.
pic = next(r for r in P if struct.unpack_from('<I', r, 0)[0] == 81)
b = bytearray(pic)
cb_bits_at = 8 + 16 + 8 + 8 + 8 + 4 + 4 + 4
struct.pack_into('<I', b, cb_bits_at, 4)
put('picture-bits-short.emf', join([P[0], bytes(b), P[-1]]))

# A picture whose header lies outside its record.
b = bytearray(pic)
struct.pack_into('<I', b, 8 + 16 + 8 + 8 + 8, 0x7fff0000)
put('picture-header-outside.emf', join([P[0], bytes(b), P[-1]]))

# A line with more points than its record holds.
line = struct.pack('<II4iI', 87, 36, 0, 0, 10, 10, 1000000) + struct.pack('<4h', 0, 0, 10, 10)
put('line-points-beyond.emf', join([F[0], line, F[-1]]))
