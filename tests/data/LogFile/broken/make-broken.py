#!/usr/bin/env python3
# Makes the damaged logs of this folder from two-reports.elf beside it, one
# fault per file. Run from this folder after the seed changes.
import random

with open('../two-reports.elf', 'rb') as f:
    seed = f.read()
first_end = seed.find(b'\r\n\r\n\r\n\r\n') + 8


def put(name, data):
    with open(name, 'wb') as f:
        f.write(data)


rnd = random.Random(21)
put('binary-garbage.elf', bytes(rnd.randrange(256) for _ in range(4096)))
put('no-table.elf', b'RazuroLog 5.1.3\r\n\r\nApplication:\r\n---\r\n  1.1 Start Date: x\r\n\r\n\r\n\r\n')
# The second report cut before its call-stack table.
put('cut-in-the-middle.elf', seed[:first_end + 1500])
put('nul-bytes-and-long-breaks.elf',
    seed[:200] + b'\0\0\0' + seed[200:first_end] + b'\r\n' * 40 + b'\0' * 100)
put('only-line-breaks.elf', b'\n' * 1000)
