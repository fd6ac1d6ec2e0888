#!/usr/bin/env python3
# Writes the debug-table fixtures: two good tables (names XORed, as format
# 449 stores them) and broken ones, one fault each. Run from this folder.
import struct

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
}
for path, data in files.items():
    with open(path, 'wb') as f:
        f.write(data)
