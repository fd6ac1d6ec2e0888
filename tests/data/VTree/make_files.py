#!/usr/bin/env python3
# Writes the hand-made tree streams of this folder: the old versions the
# reader still accepts and the broken inputs, one fault per file. The
# goldens in golden/ come from the tree's own writer (see VTreeStreamTest).
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def magic(version, fifth=0x0020):
    return struct.pack('<6H', 0x2045, 0x0056, 0x0054, version, fifth, 0x2046)


def chunk(kind, body):
    return struct.pack('<Ii', kind, len(body)) + body


def base2(children=b'', count=0, height=18, states=0x00A1, align=50, check=0, ctype=0):
    return chunk(2, struct.pack('<IIHBBBI', count, height, states, align, check, ctype, 0) + children)


def base_old(count=0, height=18, states=0x01, align=50, check=0, ctype=0):
    return chunk(2, struct.pack('<IIBBBB', count, height, states, align, check, ctype))


def node(*subs):
    return chunk(1, b''.join(subs))


def write(name, data):
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(data)


# Version 1 and 0: no top-level count; one-byte states whose bit 7 is the
# selection. Node "a" (selected, expanded) with one child, then "b".
# Base chunks of the old versions hold the children after the body too.
a_child = node(base_old(height=20))
a_base_body = struct.pack('<IIBBBB', 1, 18, 0x80 | 0x20 | 0x01, 50, 0, 0) + a_child
a = node(chunk(2, a_base_body))
b = node(base_old(height=24))
write('version-1.vtree', magic(1) + a + b)
write('version-0.vtree', magic(0) + a + b)
# The fifth unit of the magic is not checked.
write('magic-fifth-unit-differs.vtree', magic(2, fifth=0x0021) + struct.pack('<I', 1) + node(base2()))
# A node stored while toggling and clearing (bits 14 and 11) and with the
# transient bits set: none of them may come back.
write('transient-states.vtree', magic(2) + struct.pack('<I', 1) + node(base2(states=0x4800 | 0x2216 | 0x00C1)))

# ---- broken ----
write('broken/magic-short.vtree', magic(2)[:5])
write('broken/magic-wrong.vtree', b'X' + magic(2)[1:] + struct.pack('<I', 0))
write('broken/version-3.vtree', magic(3) + struct.pack('<I', 0))
write('broken/anchor-missing.vtree', magic(2) + struct.pack('<I', 1) + base2())
# A chunk skipped by a negative size would seek back onto its own header.
write('broken/chunk-size-negative.vtree',
      magic(2) + struct.pack('<I', 1) + node(base2() + struct.pack('<Ii', 9, -8)))
write('broken/node-size-negative.vtree', magic(2) + struct.pack('<I', 1) + struct.pack('<Ii', 1, -8))
write('broken/chunk-size-past-end.vtree',
      magic(2) + struct.pack('<I', 1) + struct.pack('<Ii', 1, 1000) + base2())
write('broken/sub-chunk-size-past-node.vtree',
      magic(2) + struct.pack('<I', 1) + node(base2() + struct.pack('<Ii', 9, 1000)))
# The base chunk promises two children, one follows inside the node: the
# reader runs into the next top-level node and past the first node's end.
inner = node(base2(height=21))
write('broken/child-count-past-node.vtree',
      magic(2) + struct.pack('<I', 2) + node(base2(children=inner, count=2, states=0x00E1))
      + node(base2(height=22)))
write('broken/base-body-truncated.vtree',
      magic(2) + struct.pack('<I', 1) + struct.pack('<Ii', 1, 13) + struct.pack('<Ii', 2, 5) + b'\x01\x00\x00\x00\x12')
write('broken/count-truncated.vtree', magic(2) + b'\x01\x00')
# Three top-level nodes promised, two present: a cut stream, not a shorter
# tree.
write('broken/top-level-count-past-end.vtree',
      magic(2) + struct.pack('<I', 3) + node(base2(height=21)) + node(base2(height=22)))

# ---- hostile: large and valid, read in bounded time and memory ----
# 30,000 selected top-level nodes: their selection is merged once, not once
# per node (a million of them took seconds).
os.makedirs(os.path.join(HERE, 'hostile'), exist_ok=True)
selected = node(base2(states=0x00A1 | 0x0100))
write('hostile/selected-30000.vtree', magic(2) + struct.pack('<I', 30000) + selected * 30000)
