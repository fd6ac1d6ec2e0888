#!/usr/bin/env python3
# Parses an HTML file with the standard library's HTML parser and prints one
# line per table cell: "th" or "td", a tab, the cell's text as the parser
# decodes it (entities resolved). Exits 1 when tags are left open or closed
# out of order.
import sys
from html.parser import HTMLParser

VOID = {"meta", "br"}


class Cells(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack = []
        self.cell = None
        self.lines = []
        self.bad = False

    def handle_starttag(self, tag, attrs):
        if tag in VOID:
            return
        self.stack.append(tag)
        if tag in ("td", "th"):
            self.cell = [tag, ""]

    def handle_endtag(self, tag):
        if not self.stack or self.stack[-1] != tag:
            self.bad = True
            return
        self.stack.pop()
        if tag in ("td", "th") and self.cell:
            self.lines.append(self.cell[0] + "\t" + self.cell[1])
            self.cell = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell[1] += data


p = Cells()
with open(sys.argv[1], encoding="utf-8") as f:
    p.feed(f.read())
p.close()
for line in p.lines:
    print(line)
sys.exit(1 if p.bad or p.stack else 0)
