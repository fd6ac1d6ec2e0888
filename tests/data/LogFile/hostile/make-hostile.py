#!/usr/bin/env python3
# Makes the hostile logs of this folder from two-reports.elf: sound in form,
# made to be costly. Run from this folder after the seed changes.

with open('../two-reports.elf', 'rb') as f:
    seed = f.read()
first_end = seed.find(b'\r\n\r\n\r\n\r\n') + 8
report = seed[:first_end]
# The first report's call stack grown by 100,000 rows of empty cells: nine
# bytes a row, each a ninety-byte element in the XML copy (a million of
# them took 766 MB to convert).
row = b'|0000555555555A2B|pricetags|Funcs   |         |StrToCurr       |42  |\r\n'
at = report.find(row) + len(row)
with open('call-stack-100000-rows.elf', 'wb') as f:
    f.write(report[:at] + b'|||||||\r\n' * 100000 + report[at:])
