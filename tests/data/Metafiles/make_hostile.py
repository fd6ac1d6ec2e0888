#!/usr/bin/env python3
"""Writes hostile/: metafiles whose text and mappings ask for glyphs no page
can hold (fonts of absurd height, width and escapement, on absurd reference
devices and mappings). Each must play onto a small picture in bounded time
and memory, or be refused.
Run from this folder: python3 make_hostile.py"""

import os
import struct


def rec(kind, body):
    return struct.pack('<II', kind, 8 + len(body)) + body


def header(frame, device, mm, nbytes, nrecords):
    body = struct.pack('<4i', 0, 0, 100, 100) + struct.pack('<4i', *frame)
    body += struct.pack('<II', 0x464D4520, 0x10000)
    body += struct.pack('<IIHHIII', nbytes, nrecords, 4, 0, 0, 0, 0)
    body += struct.pack('<ii', *device) + struct.pack('<ii', *mm)
    body += struct.pack('<III', 0, 0, 0) + struct.pack('<ii', min(mm[0] * 1000, 2**31 - 1),
                                                       min(mm[1] * 1000, 2**31 - 1))
    return rec(1, body)


def font(index, height, width=0, escapement=0, face='Arial'):
    name = face.encode('utf-16-le').ljust(64, b'\0')
    lf = struct.pack('<5i8B', height, width, escapement, escapement, 400,
                     0, 0, 0, 204, 0, 0, 0, 0) + name
    return rec(82, struct.pack('<I', index) + lf)


def select(index):
    return rec(37, struct.pack('<I', index))


def text(x, y, s, clip=None):
    chars = s.encode('utf-16-le')
    chars += b'\0' * (-len(chars) % 4)
    body = struct.pack('<4iIff', 0, 0, -1, -1, 1, 1.0, 1.0)
    body += struct.pack('<iiIII', x, y, len(s), 76, 4 if clip else 0)
    body += struct.pack('<4i', *(clip or (0, 0, 0, 0))) + struct.pack('<I', 76 + len(chars))
    return rec(84, body + chars + struct.pack('<%di' % len(s), *([40] * len(s))))


def mapping(mode, window, viewport):
    return (rec(17, struct.pack('<I', mode)) + rec(9, struct.pack('<ii', *window))
            + rec(11, struct.pack('<ii', *viewport)))


def world(m11, m12, m21, m22):
    return rec(35, struct.pack('<6f', m11, m12, m21, m22, 0, 0))


def metafile(records, frame=(0, 0, 4000, 3000), device=(1920, 1920), mm=(508, 508)):
    body = b''.join(records)
    eof = struct.pack('<5I', 14, 20, 0, 16, 20)
    size = 108 + len(body) + len(eof)
    return header(frame, device, mm, size, len(records) + 2) + body + eof


def lines_of_text(height, width=0, escapement=0, face='Arial', before=()):
    return list(before) + [font(1, height, width, escapement, face), select(1),
                           text(10, 10, 'Цена 89,90'), text(10, 40, 'W', clip=(0, 0, 50, 50))]


def put(name, data):
    with open(os.path.join('hostile', name), 'wb') as f:
        f.write(data)


def main():
    os.makedirs('hostile', exist_ok=True)
    put('font-height-huge.emf', metafile(lines_of_text(-2**31 + 1)))
    put('font-cell-height-huge.emf', metafile(lines_of_text(16777202)))
    put('font-width-huge.emf', metafile(lines_of_text(-20, width=2**31 - 1)))
    put('font-escapement-huge.emf', metafile(lines_of_text(-20, escapement=-2**31)))
    # A reference device of a pixel per kilometre, and of a million pixels
    # per millimetre.
    put('device-sparse.emf', metafile(lines_of_text(-16384), device=(1, 1), mm=(100000, 100000)))
    put('device-dense.emf', metafile(lines_of_text(-16384), device=(1 << 20, 1 << 20), mm=(1, 1)))
    # A frame of one unit stretched onto the picture, and mappings that
    # shrink or stretch a huge font to a few pixels or to kilometres.
    put('frame-one-unit.emf', metafile(lines_of_text(-16384), frame=(0, 0, 1, 1)))
    put('mapping-shrinks-huge-font.emf', metafile(lines_of_text(
        16777202, before=[mapping(8, (2**30, 2**30), (1, 1))])))
    put('mapping-stretches-font.emf', metafile(lines_of_text(
        -16384, before=[mapping(8, (1, 1), (2**20, 2**20))])))
    put('world-turns-and-squeezes.emf', metafile(lines_of_text(
        -16384, escapement=450, before=[rec(47, struct.pack('<I', 2)),
                                        world(1e6, 1e-6, -1e-6, 1e-6)])))


if __name__ == '__main__':
    main()
