#!/usr/bin/env python3
# Writes the debug-table fixtures: two good tables (names XORed, as format
# 449 stores them) and broken ones, one fault each, in the plain form and in
# the indexed form (tables cut into zlib pieces with an index of their first
# keys). Run from this folder.
import struct
import zlib

KEY = 0xA7  # the options' string key

def name(text):
    b = bytes(c ^ KEY for c in text.encode())
    return bytes([len(b)]) + b

def tables(units, procs, lines):
    out = struct.pack('<I', len(units)) + b''.join(name(u) for u in units)
    out += struct.pack('<I', len(procs))
    for unit, cls, proc, start, end in procs:
        out += struct.pack('<I', unit) + name(cls) + name(proc) + struct.pack('<QQ', start, end)
    out += struct.pack('<I', len(lines))
    for addr, unit, line in lines:
        out += struct.pack('<QII', addr, unit, line)
    return out

def proc(p):
    unit, cls, proc, start, end = p
    return struct.pack('<I', unit) + name(cls) + name(proc) + struct.pack('<QQ', start, end)

def line(l):
    return struct.pack('<QII', *l)

def table(records, encode, key, per=2, keys=None, pieces=None, packed=None):
    chunks = [records[i:i + per] for i in range(0, len(records), per)]
    blobs = [zlib.compress(b''.join(encode(r) for r in c), 9) for c in chunks]
    if packed:
        blobs = packed(blobs)
    keys = keys or [key(c[0]) for c in chunks]
    out = struct.pack('<III', len(records), per, len(chunks) if pieces is None else pieces)
    for k, b in zip(keys, blobs):
        out += struct.pack('<QI', k, len(b))
    return out + b''.join(blobs)

def indexed(units, procs, lines, proc_table=None, line_table=None):
    out = struct.pack('<II', 0x58444C45, len(units)) + b''.join(name(u) for u in units)
    out += proc_table or table(procs, proc, lambda p: p[3])
    out += line_table or table(lines, line, lambda l: l[0])
    return out + table([], None, None) * 2  # no inlined functions

UNITS = ['Invoice.cpp', 'Funcs.h']
PROCS = [(1, '', 'CleanNumStr', 0x100, 0x200), (0, 'TshInvoice', 'Recalc', 0x300, 0x380),
         (0, 'TshInvoice', 'Save', 0x400, 0x480)]
LINES = [(0x120, 0, 10), (0x150, 1, 12), (0x200, 0, 0), (0x300, 0, 40)]

good = tables(['Invoice.cpp', 'Funcs.h'],
              [(1, '', 'CleanNumStr', 0x100, 0x200), (0, 'TshInvoice', 'Recalc', 0x300, 0x380)],
              [(0x120, 0, 10), (0x150, 1, 12), (0x200, 0, 0), (0x300, 0, 40)])
files = {
    'two-procedures.bin': good,
    'empty-tables.bin': tables([], [], []),
    'broken/unit-count-past-end.bin': struct.pack('<I', 0x7FFFFFFF) + b'\x01A',
    'broken/name-past-end.bin': struct.pack('<I', 1) + b'\x20abc',
    'broken/procedure-of-unlisted-unit.bin': tables(['A.cpp'], [(5, '', 'F', 0, 4)], []),
    'broken/procedure-ends-before-start.bin': tables(['A.cpp'], [(0, '', 'F', 8, 4)], []),
    'broken/procedures-out-of-order.bin':
        tables(['A.cpp'], [(0, '', 'F', 8, 12), (0, '', 'G', 0, 4)], []),
    'broken/lines-out-of-order.bin': tables(['A.cpp'], [], [(8, 0, 1), (4, 0, 2)]),
    'broken/line-of-unlisted-unit.bin': tables(['A.cpp'], [], [(8, 3, 1)]),
    'broken/cut-in-line-table.bin': good[:-3],
    'three-procedures-indexed.bin': indexed(UNITS, PROCS, LINES),
    'broken/indexed-piece-not-zlib.bin':
        indexed(UNITS, PROCS, LINES, proc_table=table(PROCS, proc, lambda p: p[3],
                                                      packed=lambda b: [b[0], b'\x78\x9c' + b'\0' * 9])),
    'broken/indexed-first-keys-out-of-order.bin':
        indexed(UNITS, PROCS, LINES, line_table=table(LINES, line, None, keys=[0x200, 0x120])),
    'broken/indexed-piece-starts-off-its-key.bin':
        indexed(UNITS, PROCS, LINES, proc_table=table(PROCS, proc, None, keys=[0x100, 0x380])),
    'broken/indexed-piece-count-wrong.bin':
        indexed(UNITS, PROCS, LINES, proc_table=table(PROCS, proc, lambda p: p[3], pieces=1)),
    'broken/indexed-cut-in-line-pieces.bin': indexed(UNITS, PROCS, LINES)[:-40],
}
for path, data in files.items():
    with open(path, 'wb') as f:
        f.write(data)
