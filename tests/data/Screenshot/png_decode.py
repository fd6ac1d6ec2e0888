"""Decodes an 8-bit indexed PNG with zlib and struct only (an independent
reader for the screenshot writer's tests). Checks the signature, every
chunk's CRC, the chunk order and the filter bytes; prints:

    size W H
    idat SIZE SIZE ...
    palette RRGGBB ... (256 entries)
    end CRC
    pixels RRGGBB... (every pixel's palette colour, row by row)
"""
import struct
import sys
import zlib

data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n", "signature"
pos = 8
chunks = []
while pos < len(data):
    (length,) = struct.unpack(">I", data[pos:pos + 4])
    kind = data[pos + 4:pos + 8]
    body = data[pos + 8:pos + 8 + length]
    (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
    assert zlib.crc32(kind + body) & 0xFFFFFFFF == crc, "crc of " + kind.decode()
    chunks.append((kind, body, crc))
    pos += 12 + length
assert pos == len(data), "trailing bytes"
kinds = [k for k, _, _ in chunks]
assert kinds[0] == b"IHDR" and kinds[1] == b"PLTE" and kinds[-1] == b"IEND", kinds
assert all(k == b"IDAT" for k in kinds[2:-1]) and len(kinds) > 3, kinds
width, height, depth, colour, comp, filt, interlace = struct.unpack(">IIBBBBB", chunks[0][1])
assert (depth, colour, comp, filt, interlace) == (8, 3, 0, 0, 0), "header"
palette = chunks[1][1]
assert len(palette) == 768, "palette size"
idat = [b for k, b, _ in chunks if k == b"IDAT"]
raw = zlib.decompress(b"".join(idat))
assert len(raw) == height * (width + 1), "image data size"
pixels = []
for y in range(height):
    row = raw[y * (width + 1):(y + 1) * (width + 1)]
    assert row[0] == 0, "filter byte"
    for index in row[1:]:
        pixels.append(palette[3 * index:3 * index + 3].hex())
print("size", width, height)
print("idat", *[len(b) for b in idat])
print("palette", *[palette[i:i + 3].hex() for i in range(0, 768, 3)])
print("end %08x" % chunks[-1][2])
print("pixels", "".join(pixels))
