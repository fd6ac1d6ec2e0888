#!/usr/bin/python3
"""Writes heading-opt.xls: the import tests' worked example with the price
column headed "Опт." instead of "Цена", a heading no built-in keyword knows.
The heading is a four-character string like the one it replaces, so the
workbook's records keep their sizes. The output is committed.
"""

import os

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, "..", "InvoiceTypeImport", "example.xls")

data = open(SOURCE, "rb").read()
old, new = "Цена".encode("utf-16-le"), "Опт.".encode("utf-16-le")
assert data.count(old) == 1, "the example has one price heading"
open(os.path.join(HERE, "heading-opt.xls"), "wb").write(data.replace(old, new))
