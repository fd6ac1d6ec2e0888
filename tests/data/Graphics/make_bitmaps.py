#!/usr/bin/env python3
"""Writes the bitmap files the picture tests read: one 3 x 2 picture of six
known colours at every depth the reader takes, and broken files, one fault
each. Run from this folder; the files are kept in the tree."""
import struct

# The six pixels, top row first: red, green, blue / white, black, grey.
PIXELS = [[(255, 0, 0), (0, 255, 0), (0, 0, 255)],
          [(255, 255, 255), (0, 0, 0), (128, 128, 128)]]
PALETTE = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255), (0, 0, 0), (128, 128, 128)]


def info(width, height, bits, compression=0, colours=0, size=40):
    head = struct.pack('<IiiHHIIiiII', size, width, height, 1, bits, compression, 0, 2835, 2835,
                       colours, 0)
    return head + b'\0' * (size - 40)


def file_of(dib, bits_offset):
    return b'BM' + struct.pack('<IHHI', 14 + len(dib), 0, 0, bits_offset) + dib


def rows(pack_row, width=3):
    out = b''
    for row in reversed(PIXELS):  # bottom-up
        data = pack_row(row)
        stride = ((width * BITS[0] + 31) // 32) * 4
        out += data + b'\0' * (stride - len(data))
    return out


BITS = [0]


def indexed(bits):
    BITS[0] = bits
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    count = 1 << bits
    table += b'\0' * 4 * (count - len(PALETTE)) if count > len(PALETTE) else b''

    def pack(row):
        idx = [PALETTE.index(p) for p in row]
        if bits == 8:
            return bytes(idx)
        if bits == 4:
            return bytes([(idx[0] << 4) | idx[1], idx[2] << 4])
        raise ValueError
    dib = info(3, 2, bits, colours=len(PALETTE) if bits == 8 else 0) + (
        table[:4 * len(PALETTE)] if bits == 8 else table)
    return file_of(dib + rows(pack), 14 + len(dib))


def mono():
    BITS[0] = 1
    table = struct.pack('<BBBBBBBB', 0, 0, 0, 0, 255, 255, 255, 0)
    # Bits: 1 for white; the picture is black and white only.
    data = b''
    for row in [[1, 0, 1], [0, 1, 0]]:
        byte = (row[0] << 7) | (row[1] << 6) | (row[2] << 5)
        data += bytes([byte]) + b'\0\0\0'
    dib = info(3, 2, 1) + table
    return file_of(dib + data, 14 + len(dib))


def truecolour(bits):
    BITS[0] = bits
    if bits == 24:
        pack = lambda row: b''.join(struct.pack('<BBB', b, g, r) for r, g, b in row)
        dib = info(3, 2, 24)
    elif bits == 32:
        pack = lambda row: b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in row)
        dib = info(3, 2, 32)
    else:  # 16 bits, 5-6-5 bit fields
        def pack(row):
            return b''.join(struct.pack('<H', ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3))
                            for r, g, b in row)
        dib = info(3, 2, 16, compression=3) + struct.pack('<III', 0xF800, 0x07E0, 0x001F)
    return file_of(dib + rows(pack), 14 + len(dib))


GOOD = {
    'mono-1bit.bmp': mono(),
    'colours-4bit.bmp': indexed(4),
    'colours-8bit.bmp': indexed(8),
    'colours-16bit-565.bmp': truecolour(16),
    'colours-24bit.bmp': truecolour(24),
    'colours-32bit.bmp': truecolour(32),
}

base = GOOD['colours-24bit.bmp']


def patch(data, offset, fmt, value):
    return data[:offset] + struct.pack(fmt, value) + data[offset + struct.calcsize(fmt):]


BROKEN = {
    'cut-in-the-bits.bmp': base[:-5],
    'cut-in-the-header.bmp': base[:30],
    'wrong-signature.bmp': b'MB' + base[2:],
    'png-signature.bmp': b'\x89PNG\r\n\x1a\n' + base[8:],
    'header-size-too-small.bmp': patch(base, 14, '<I', 12),
    'header-size-past-the-end.bmp': patch(base, 14, '<I', 0x7FFFFFFF),
    'width-zero.bmp': patch(base, 18, '<i', 0),
    'width-negative.bmp': patch(base, 18, '<i', -3),
    'height-zero.bmp': patch(base, 22, '<i', 0),
    'two-gigabyte-picture.bmp': patch(patch(patch(base, 18, '<i', 16384), 22, '<i', 32768), 28,
                                      '<H', 32),
    'width-past-every-limit.bmp': patch(base, 18, '<i', 0x7FFFFFFF),
    'bits-offset-past-the-end.bmp': patch(base, 10, '<I', 0x7FFFFFF0),
    'bit-count-12.bmp': patch(base, 28, '<H', 12),
    'rle8-compression.bmp': patch(base, 30, '<I', 1),
    'palette-past-the-end.bmp': patch(GOOD['colours-8bit.bmp'], 46, '<I', 200)[:80],
    'empty.bmp': b'',
}

for name, data in GOOD.items():
    with open(name, 'wb') as f:
        f.write(data)
for name, data in BROKEN.items():
    with open('broken/' + name, 'wb') as f:
        f.write(data)
