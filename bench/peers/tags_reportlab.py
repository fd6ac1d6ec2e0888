#!/usr/bin/python3
"""The peer of the price-tag print benchmark: the same sheet of tags drawn
with ReportLab into a PDF file.

Each tag is 40 x 60 mm, four across and four down an A4 sheet, with a
frame, the name wrapped in bold 10 pt, the price in bold 22 pt, "руб." in
9 pt, the card price in 9 pt and the date in 7 pt, in Liberation Sans (the
program's Arial), both faces embedded, page streams compressed; names and
prices are those of the program's benchmark (bench/common/reports/
TagReport.h). The names are measured and wrapped as the program does.

    tags_reportlab.py TAGS RUNS OUT.pdf

makes the file RUNS times in this process and prints one JSON line a run:
its seconds (the first run registers the fonts, as the program's first run
loads them), pages, file size and the process's peak resident size.
"""

import json
import os
import resource
import sys
import time

from reportlab.lib.pagesizes import A4
from reportlab.pdfbase import pdfmetrics
from reportlab.pdfbase.ttfonts import TTFont
from reportlab.pdfgen import canvas

FONT_DIR = "/usr/share/fonts/truetype/liberation"
PX = 72.0 / 96  # the program lays tags out in 96-dpi pixels
TAG_W, TAG_H = 151, 227
ACROSS, DOWN = 4, 4
# Where the printable area starts on the program's A4 paper (600 dpi).
ORIGIN_X, ORIGIN_Y = 142 * 72.0 / 600, 100 * 72.0 / 600


def register_fonts():
    if "TagSans" in pdfmetrics.getRegisteredFontNames():
        return
    pdfmetrics.registerFont(TTFont("TagSans", os.path.join(FONT_DIR, "LiberationSans-Regular.ttf")))
    pdfmetrics.registerFont(TTFont("TagSans-Bold", os.path.join(FONT_DIR, "LiberationSans-Bold.ttf")))


def wrap(text, font, size, width):
    """Words onto lines no wider than width (points)."""
    lines, line = [], ""
    for word in text.split(" "):
        probe = word if not line else line + " " + word
        if line and pdfmetrics.stringWidth(probe, font, size) > width:
            lines.append(line)
            line = word
        else:
            line = probe
    lines.append(line)
    return lines


def draw_tag(c, tag, left, top):
    """One tag whose top-left corner is (left, top) in points from the
    page's top-left."""
    page_h = A4[1]

    def y(px):
        return page_h - (top + px * PX)

    def x(px):
        return left + px * PX

    c.setLineWidth(2 * PX)
    c.rect(x(0), y(TAG_H), TAG_W * PX, TAG_H * PX, stroke=1, fill=0)
    inner = (145 - 6) * PX
    middle = x(6) + inner / 2
    c.setFont("TagSans-Bold", 10)
    for i, line in enumerate(wrap("Сыр российский весовой, арт. %d" % (tag + 1), "TagSans-Bold", 10, inner)):
        c.drawCentredString(middle, y(6) - 10 - i * 11.5, line)
    c.setFont("TagSans-Bold", 22)
    c.drawCentredString(middle, y(110) - 8, "%d,00" % (100 + tag % 900))
    c.setFont("TagSans", 9)
    c.drawRightString(x(145), y(130) - 9, "руб.")
    c.drawCentredString(middle, y(150) - 9, "По карте: %d,50" % (90 + tag % 900))
    c.setFont("TagSans", 7)
    c.drawRightString(x(145), y(196) - 7, "10.12.2026")


def make_pdf(tags, path):
    register_fonts()
    c = canvas.Canvas(path, pagesize=A4, pageCompression=1)
    per_page = ACROSS * DOWN
    pages = 0
    for first in range(0, tags, per_page):
        for i in range(min(per_page, tags - first)):
            col, row = i % ACROSS, i // ACROSS
            draw_tag(c, first + i, ORIGIN_X + col * TAG_W * PX, ORIGIN_Y + row * TAG_H * PX)
        c.showPage()
        pages += 1
    c.save()
    return pages


def main():
    tags, runs, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    for run in range(runs):
        start = time.perf_counter()
        pages = make_pdf(tags, out)
        seconds = time.perf_counter() - start
        rss = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0
        print(json.dumps({"tags": tags, "run": run, "seconds": seconds, "pages": pages,
                          "pdf_bytes": os.path.getsize(out), "max_rss_mib": rss}), flush=True)


if __name__ == "__main__":
    main()
