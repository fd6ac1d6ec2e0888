#!/usr/bin/env python3
"""Writes the generated-report files the print view tests read: two sound
files (a ".rep" of a portrait and a landscape page with the margins flag
on, an older ".qrp" of two pages), broken/, one fault per file, and
hostile/, sound files whose pages ask for absurd fonts (the metafiles of
../Metafiles/hostile that the player accepts).

Run from this folder: python3 make_files.py
"""
import os
import struct

SIGNATURE = 0x464D4520


def emf(width_px, height_px, signature=SIGNATURE, nbytes=None):
    """The smallest sound enhanced metafile: a header and the end record,
    framed at width_px x height_px pixels of 96 dpi."""
    frame_w = width_px * 2540 // 96
    frame_h = height_px * 2540 // 96
    eof = struct.pack('<IIIII', 14, 20, 0, 16, 20)
    total = 88 + len(eof) if nbytes is None else nbytes
    header = struct.pack('<II4i4iIIIIHHIII2i2i',
                         1, 88,
                         0, 0, width_px - 1, height_px - 1,
                         0, 0, frame_w - 1, frame_h - 1,
                         signature, 0x10000, total, 2, 1, 0, 0, 0, 0,
                         1920, 1920, 508, 508)
    assert len(header) == 88
    return header + eof


def rep(pages, flag=1, count=None, offsets=None):
    """A ".rep" file of metafiles; count and offsets replace the true ones."""
    out = bytearray(struct.pack('<I', flag) + bytes(108))
    out += struct.pack('<iII', len(pages) if count is None else count, flag, 0)
    for i, page in enumerate(pages):
        out += struct.pack('<i', i + 1)
        at = len(out)
        out += struct.pack('<I', 0) + page + struct.pack('<I', flag)
        end = len(out) if offsets is None or offsets[i] is None else offsets[i]
        out[at:at + 4] = struct.pack('<I', end)
    return bytes(out)


def qrp(pages):
    head = bytes((i * 7 + 1) % 256 for i in range(372))
    return head + b''.join(page + b'\xAA\xBB\xCC\xDD' for page in pages)


def write(name, data):
    with open(name, 'wb') as f:
        f.write(data)


PORTRAIT = emf(300, 400)
LANDSCAPE = emf(400, 300)

write('two-pages-margins.rep', rep([PORTRAIT, LANDSCAPE]))
write('old-report.qrp', qrp([PORTRAIT, LANDSCAPE]))

good = rep([PORTRAIT, LANDSCAPE])
write('broken/short-127-bytes.rep', good[:127])
nonzero = bytearray(good)
nonzero[50] = 1
write('broken/nonzero-byte-at-50.rep', bytes(nonzero))
write('broken/page-count-zero.rep', rep([PORTRAIT], count=0))
write('broken/page-count-negative.rep', rep([PORTRAIT], count=-5))
write('broken/page-count-past-file.rep', rep([PORTRAIT], count=1000000))
# The first offset points back at the first record: read naively, the same
# page would come again and again.
write('broken/offset-points-back.rep', rep([PORTRAIT, LANDSCAPE], offsets=[124, None]))
write('broken/offset-past-end.rep', rep([PORTRAIT], offsets=[0x7FFFFFF0]))
write('broken/offset-inside-metafile.rep', rep([PORTRAIT, LANDSCAPE], offsets=[140, None]))
write('broken/metafile-length-huge.rep', rep([emf(300, 400, nbytes=0x7FFFFFF0)]))
write('broken/metafile-not-emf.rep', rep([emf(300, 400, signature=0x12345678)]))
write('broken/second-page-cut-short.rep', good[:len(good) - 30])
write('broken/qrp-no-pages.qrp', qrp([]))
write('broken/qrp-damaged-metafile.QRP', qrp([emf(300, 400, signature=0x12345678)]))
write('broken/qrp-cut-short.qrp', qrp([PORTRAIT, LANDSCAPE])[:-50])

HOSTILE = os.path.join('..', 'Metafiles', 'hostile')
os.makedirs('hostile', exist_ok=True)
write('hostile/absurd-fonts.rep',
      rep([open(os.path.join(HOSTILE, name), 'rb').read()
           for name in sorted(os.listdir(HOSTILE)) if not name.startswith('device-')]))
