#!/usr/bin/env python3
# Makes the damaged blocks of this folder from the seed blocks beside it,
# one fault per file. Run from this folder after the seeds change.
import struct
import zlib



def seed(name):
    with open('../' + name, 'rb') as f:
        return bytearray(f.read())


def put(name, data):
    with open(name, 'wb') as f:
        f.write(bytes(data))


s502 = seed('section-502.bin')
s450 = seed('section-450.bin')
s420 = seed('section-420.bin')
opt_len = struct.unpack_from('<I', s502, 18)[0]

b = bytearray(s502); b[0] ^= 0xFF; put('bad-magic.bin', b)
put('cut-header.bin', s502[:10])
b = bytearray(s502); struct.pack_into('<I', b, 18, 0x7FFFFFFF); put('options-length-past-end.bin', b)
b = bytearray(s502); struct.pack_into('<I', b, 14, 0xFFFFFFF0); put('skipped-length-past-end.bin', b)
b = bytearray(s502); b[22] = 0; put('options-not-zlib.bin', b)
b = bytearray(s502); struct.pack_into('<I', b, 18, opt_len // 2); put('options-cut.bin', b)
check_end = 22 + opt_len + 4
put('debug-length-past-end.bin',
    s502[:check_end] + zlib.compress(struct.pack('<I', 1000) + b'DBG', 9))
put('old-format-cut.bin', s420[:len(s420) // 2])
b = bytearray(s450); b[14] = 0; put('old-format-not-zlib.bin', b)
# The filter count: before the first filter, "EAbort" under the options'
# string key (found by trying every key, so it is written down only once).
for key in range(256):
    pair = struct.pack('<II', 1, 6) + bytes(c ^ key for c in b'EAbort')
    at = s420.find(pair)
    if at > 0:
        break
assert at > 0
b = bytearray(s420); struct.pack_into('<I', b, at, 0x10000000); put('filter-count-huge.bin', b)
# A bomb: 255 KB of deflate that would unpack to the 256 MiB debug limit.
# Refused once it passes sixteen times its packed size.
put('debug-part-bomb.bin', s502[:check_end] + zlib.compress(bytes(256 << 20), 9))
# Options that unpack to a MiB of zeros, far past sixteen times their size.
bomb = zlib.compress(bytes(2 << 20), 9)
put('options-bomb.bin', s502[:18] + struct.pack('<I', len(bomb)) + bomb)
