#!/usr/bin/python3
"""Writes the workbook fixtures of the reader's tests, its broken inputs and
the benchmark's workbook.

Run with Debian's own interpreter, which has python3-xlwt:
    /usr/bin/python3 tests/data/Workbook/make_fixtures.py

xlwt writes the record stream of most fixtures; it leaves formula results
empty, so the script rewrites the FORMULA records with the results a
spreadsheet would have cached (and the STRING records that carry text
results), then wraps the stream in a compound file of its own making. Files
xlwt cannot produce (BIFF5, split and rich shared strings, small streams in
the mini stream, 4096-byte sectors) and every broken file are built here
record by record. The output is committed; the tests do not run Python.
"""

import datetime
import os
import struct

import xlwt

HERE = os.path.dirname(os.path.abspath(__file__))
BROKEN = os.path.join(HERE, "broken")
BENCH = os.path.join(HERE, "..", "..", "..", "bench", "sheets")

END_OF_CHAIN = 0xFFFFFFFE
FREE_SECT = 0xFFFFFFFF
FAT_SECT = 0xFFFFFFFD
NO_STREAM = 0xFFFFFFFF

# ---------------------------------------------------------------- compound file


def compound_file(streams, sector_shift=9, small_in_mini=True, tweak=None):
    """A compound file holding streams [(name, bytes)] under the root.

    Streams under 4096 bytes go to the mini stream when small_in_mini is set.
    tweak(parts) may change the allocation tables and directory before they
    are written: parts is a dict with 'fat', 'minifat', 'entries' (lists),
    'sector_count' and the stream start sectors.
    """
    ss = 1 << sector_shift
    sectors = []
    fat = []

    def alloc(data):
        n = (len(data) + ss - 1) // ss
        if n == 0:
            return END_OF_CHAIN
        start = len(sectors)
        for i in range(n):
            sectors.append(data[i * ss:(i + 1) * ss].ljust(ss, b"\0"))
            fat.append(start + i + 1 if i < n - 1 else END_OF_CHAIN)
        return start

    mini = b""
    minifat = []
    entries = []
    for name, data in streams:
        if len(data) < 4096 and small_in_mini:
            n = (len(data) + 63) // 64
            start = len(mini) // 64 if n else END_OF_CHAIN
            for i in range(n):
                minifat.append(len(mini) // 64 + i + 1 if i < n - 1 else END_OF_CHAIN)
            mini += data.ljust(n * 64, b"\0")
            entries.append({"name": name, "type": 2, "start": start, "size": len(data)})
        else:
            entries.append({"name": name, "type": 2, "start": alloc(data), "size": len(data)})
    mini_start = alloc(mini) if mini else END_OF_CHAIN
    minifat_bytes = b"".join(struct.pack("<I", x) for x in minifat)
    minifat_start = alloc(minifat_bytes) if minifat else END_OF_CHAIN

    root = {"name": "Root Entry", "type": 5, "start": mini_start, "size": len(mini)}
    all_entries = [root] + entries
    for e in all_entries:
        e.setdefault("left", NO_STREAM)
        e.setdefault("right", NO_STREAM)
        e.setdefault("child", NO_STREAM)
    if entries:
        root["child"] = 1
        for i in range(1, len(all_entries) - 1):
            all_entries[i]["right"] = i + 1

    parts = {"fat": fat, "minifat": minifat, "entries": all_entries}
    dir_count = (len(all_entries) * 128 + ss - 1) // ss
    dir_start = len(sectors)
    parts["dir_start"] = dir_start
    # The directory is allocated after the tweak can see the entries, so
    # reserve its sectors now and fill them at the end.
    for i in range(dir_count):
        sectors.append(b"\0" * ss)
        fat.append(dir_start + i + 1 if i < dir_count - 1 else END_OF_CHAIN)

    per = ss // 4
    nfat = 1
    while len(sectors) + nfat > nfat * per:
        nfat += 1
    assert nfat <= 109, "fixtures stay small"
    fat_start = len(sectors)
    for _ in range(nfat):
        fat.append(FAT_SECT)
    parts["sector_count"] = len(sectors) + nfat
    parts["nfat"] = nfat
    if tweak:
        tweak(parts)

    def entry_bytes(e):
        name = e["name"].encode("utf-16-le")
        out = name.ljust(64, b"\0")
        out += struct.pack("<HBB", len(name) + 2 if e["name"] else 0, e["type"], 1)
        out += struct.pack("<III", e["left"], e["right"], e["child"])
        out += b"\0" * 16 + b"\0" * 4 + b"\0" * 16
        out += struct.pack("<IQ", e["start"], e["size"])
        return out

    dir_bytes = b"".join(entry_bytes(e) for e in parts["entries"])
    empty = {"name": "", "type": 0, "start": 0, "size": 0,
             "left": NO_STREAM, "right": NO_STREAM, "child": NO_STREAM}
    while len(dir_bytes) < dir_count * ss:
        dir_bytes += entry_bytes(empty)
    for i in range(dir_count):
        sectors[dir_start + i] = dir_bytes[i * ss:(i + 1) * ss]

    # The tweak may claim another count of table sectors in the header; the
    # file holds the real ones.
    fat = parts["fat"] + [FREE_SECT] * (nfat * per - len(parts["fat"]))
    for i in range(nfat):
        sectors.append(b"".join(struct.pack("<I", x) for x in fat[i * per:(i + 1) * per]))
    if minifat:
        blob = b"".join(struct.pack("<I", x) for x in parts["minifat"])
        start = minifat_start
        for i in range(0, len(blob), ss):
            sectors[start + i // ss] = blob[i:i + ss].ljust(ss, b"\0")

    header = b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\0" * 16
    header += struct.pack("<HHHHH", 0x3E, 3 if sector_shift == 9 else 4, 0xFFFE, sector_shift, 6)
    header += b"\0" * 6
    header += struct.pack("<II", 0 if sector_shift == 9 else dir_count, parts["nfat"])
    header += struct.pack("<II", parts["dir_start"], 0)
    header += struct.pack("<III", 4096, minifat_start, (len(minifat_bytes) + ss - 1) // ss)
    header += struct.pack("<II", END_OF_CHAIN, 0)
    difat = [fat_start + i for i in range(nfat)] + [FREE_SECT] * (109 - nfat)
    header += b"".join(struct.pack("<I", x) for x in difat)
    header = header.ljust(ss, b"\0")
    return header + b"".join(sectors)


# ---------------------------------------------------------------- BIFF records


def rec(rtype, data=b""):
    return struct.pack("<HH", rtype, len(data)) + data


def records(stream):
    """The records of a stream as [type, data] lists."""
    out = []
    pos = 0
    while pos < len(stream):
        rtype, size = struct.unpack_from("<HH", stream, pos)
        out.append([rtype, stream[pos + 4:pos + 4 + size]])
        pos += 4 + size
    return out


def join(recs):
    return b"".join(rec(t, d) for t, d in recs)


def uni(text, count_bytes=2):
    """A BIFF8 string: count, option byte, characters (8-bit when they fit)."""
    try:
        chars = text.encode("latin-1")
        flags = 0
    except UnicodeEncodeError:
        chars = text.encode("utf-16-le")
        flags = 1
    count = len(text.encode("utf-16-le")) // 2
    return struct.pack("<H" if count_bytes == 2 else "<B", count) + bytes([flags]) + chars


BOF, EOF, CONTINUE, SST, FORMULA, STRING = 0x0809, 0x000A, 0x003C, 0x00FC, 0x0006, 0x0207
BOUNDSHEET, INDEX, DBCELL = 0x0085, 0x020B, 0x00D7


def split_substreams(stream):
    """Globals records and the records of each sheet (BOF to EOF)."""
    recs = records(stream)
    parts = []
    current = None
    depth = 0
    for r in recs:
        if current is None:
            current = []
        current.append(r)
        if r[0] == BOF:
            depth += 1
        elif r[0] == EOF:
            depth -= 1
            if depth == 0:
                parts.append(current)
                current = None
    return parts[0], parts[1:]


def assemble(globals_recs, sheets, biff8=True):
    """The stream of globals and sheets, BOUNDSHEET offsets set to the
    sheets' BOF records. Index records, whose offsets would go stale, are
    left out."""
    sheets = [[r for r in s if r[0] not in (INDEX, DBCELL)] for s in sheets]
    size = len(join(globals_recs))
    pos = size
    offsets = []
    for s in sheets:
        offsets.append(pos)
        pos += len(join(s))
    k = 0
    fixed = []
    for t, d in globals_recs:
        if t == BOUNDSHEET:
            d = struct.pack("<I", offsets[k]) + d[4:]
            k += 1
        fixed.append([t, d])
    return join(fixed) + b"".join(join(s) for s in sheets)


def formula_result(value):
    """The 8 result bytes of a FORMULA record and the STRING record, if any."""
    if isinstance(value, bool):
        return bytes([1, 0, 1 if value else 0, 0, 0, 0, 0xFF, 0xFF]), None
    if isinstance(value, float) or isinstance(value, int):
        return struct.pack("<d", float(value)), None
    if isinstance(value, tuple) and value[0] == "error":
        return bytes([2, 0, value[1], 0, 0, 0, 0xFF, 0xFF]), None
    if value == "":
        return bytes([3, 0, 0, 0, 0, 0, 0xFF, 0xFF]), None
    return bytes([0, 0, 0, 0, 0, 0, 0xFF, 0xFF]), rec(STRING, uni(value))


def cache_formula_results(stream, results):
    """Sets the cached results of FORMULA records: results maps
    (sheet index, row, col) (0-based) to a number, bool, text, '' or
    ('error', code)."""
    globals_recs, sheets = split_substreams(stream)
    for si, s in enumerate(sheets):
        out = []
        for t, d in s:
            if t == FORMULA:
                row, col = struct.unpack_from("<HH", d)
                key = (si, row, col)
                if key in results:
                    result, string = formula_result(results[key])
                    d = d[:6] + result + d[14:]
                    out.append([t, d])
                    if string:
                        out.append(records(string)[0])
                    continue
            out.append([t, d])
        sheets[si] = out
    return assemble(globals_recs, sheets)


def xlwt_stream(book):
    return book.get_biff_data()


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


# ---------------------------------------------------------------- fixtures


def cell_types():
    """Every kind of value a cell can hold, and the formula results."""
    book = xlwt.Workbook(encoding="utf-8")
    ws = book.add_sheet("Типы")
    date = xlwt.easyxf(num_format_str="DD.MM.YYYY")
    time = xlwt.easyxf(num_format_str="hh:mm")
    stamp = xlwt.easyxf(num_format_str="dd.mm.yyyy hh:mm")
    money = xlwt.easyxf(num_format_str='#,##0.00"р."')
    framed = xlwt.easyxf("borders: left thin")
    # Row 1: text and numbers of every storage (RK integer, RK x100, double).
    ws.write(0, 0, "Текст")
    ws.write(0, 1, 42)
    ws.write(0, 2, 10.5)
    ws.write(0, 3, 0.3333)
    ws.write(0, 4, -7)
    ws.write(0, 5, 1e-5)
    ws.write(0, 6, 123456789.125)
    # Row 2: dates, money, Booleans, errors.
    ws.write(1, 0, datetime.date(2024, 2, 1), date)
    ws.write(1, 1, datetime.time(13, 30), time)
    ws.write(1, 2, datetime.datetime(2024, 2, 1, 6, 0), stamp)
    ws.write(1, 3, 1234.5, money)
    ws.write(1, 4, True)
    ws.write(1, 5, False)
    ws.row(1).set_cell_error(6, 0x2A)  # #N/A
    ws.row(1).set_cell_error(7, 0x07)  # #DIV/0!
    # Row 3: formulas with their cached results.
    ws.write(2, 0, xlwt.Formula("B1*2"))
    ws.write(2, 1, xlwt.Formula('A1&"!"'))
    ws.write(2, 2, xlwt.Formula("B1>0"))
    ws.write(2, 3, xlwt.Formula("1/0"))
    ws.write(2, 4, xlwt.Formula('""'))
    ws.write(2, 5, xlwt.Formula("A2+1"), date)
    ws.write(2, 6, xlwt.Formula("D2*2"), money)
    # Row 4: characters code page 1251 lacks.
    ws.write(3, 0, "€ ₽ 中 😀 №")
    # A framed blank cell widens the used range to row 5, column 9.
    ws.write(4, 8, None, framed)
    stream = cache_formula_results(xlwt_stream(book), {
        (0, 2, 0): 84.0,
        (0, 2, 1): "Текст!",
        (0, 2, 2): True,
        (0, 2, 3): ("error", 0x07),
        (0, 2, 4): "",
        (0, 2, 5): 45324.0,
        (0, 2, 6): 2469.0,
    })
    write(os.path.join(HERE, "cell-types.xls"), compound_file([("Workbook", stream)]))


def invoice_sheet(ws, first_row, first_col):
    """A supplier invoice at (first_row, first_col), 0-based: heading, three
    items, a total row with a SUM formula."""
    r, c = first_row, first_col
    for i, text in enumerate(["№", "Наименование товара", "Кол-во", "Цена", "Сумма"]):
        ws.write(r, c + i, text)
    rows = [(1, "Холодильник NRB 110", 2, 10.5, 21),
            (2, "Пылесос ABC", 3, 0.3333, 1),
            (3, "Чайник", 1, 100, 100)]
    for k, row in enumerate(rows):
        for i, v in enumerate(row):
            ws.write(r + 1 + k, c + i, v)
    ws.write(r + 4, c + 1, "Итого:")
    ws.write(r + 4, c + 4, xlwt.Formula("SUM(G6:G8)"))
    return (r + 4, c + 4)


def invoice_c5():
    book = xlwt.Workbook(encoding="utf-8")
    ws = book.add_sheet("Накладная")
    total = invoice_sheet(ws, 4, 2)
    stream = cache_formula_results(xlwt_stream(book), {(0,) + total: 122.0})
    write(os.path.join(HERE, "invoice-c5.xls"), compound_file([("Workbook", stream)]))


def second_sheet_active():
    book = xlwt.Workbook(encoding="utf-8")
    for i, name in enumerate(["Первый", "Второй", "Третий"]):
        ws = book.add_sheet(name)
        ws.write(i, i, "Лист %d" % (i + 1))
    book.active_sheet = 1
    book.get_sheet(1).set_selected(True)
    write(os.path.join(HERE, "second-sheet-active.xls"),
          compound_file([("Workbook", xlwt_stream(book))]))


def empty_sheet():
    book = xlwt.Workbook(encoding="utf-8")
    book.add_sheet("Пустой")
    write(os.path.join(HERE, "empty-sheet.xls"),
          compound_file([("Workbook", xlwt_stream(book))]))


def far_apart_cells():
    """Two cells at opposite corners of the sheet: a used range of every
    cell there is."""
    book = xlwt.Workbook(encoding="utf-8")
    ws = book.add_sheet("Углы")
    ws.write(0, 0, "A1")
    ws.write(65535, 255, "IV65536")
    write(os.path.join(HERE, "far-apart-cells.xls"),
          compound_file([("Workbook", xlwt_stream(book))]))


def long_shared_string():
    """Shared strings longer than one record: xlwt splits them into
    CONTINUE records in the middle of their characters."""
    book = xlwt.Workbook(encoding="utf-8")
    ws = book.add_sheet("Длинный")
    ws.write(0, 0, "Ж" * 6000)
    ws.write(1, 0, "z" * 9000)
    ws.write(2, 0, "конец")
    write(os.path.join(HERE, "long-shared-string.xls"),
          compound_file([("Workbook", xlwt_stream(book))]))


# ---------------------------------------------------------------- raw BIFF8


def bof8(kind):
    return rec(BOF, struct.pack("<HHHHII", 0x0600, kind, 0x0DBB, 0x07CC, 0, 0x06))


def xf(fmt):
    return rec(0x00E0, struct.pack("<HH", 0, fmt) + b"\0" * 16)


def boundsheet8(name, kind=0):
    return rec(BOUNDSHEET, struct.pack("<IBB", 0, 0, kind) + uni(name, 1))


def dims8(r0, r1, c0, c1):
    return rec(0x0200, struct.pack("<IIHHH", r0, r1, c0, c1, 0))


def number(r, c, v, xf_index=15):
    return rec(0x0203, struct.pack("<HHHd", r, c, xf_index, v))


def label8(r, c, text, xf_index=15):
    return rec(0x0204, struct.pack("<HHH", r, c, xf_index) + uni(text))


def raw_book8(globals_extra, sheets, window_active=0, xfs=None, sst=b"",
              codepage=1200, datemode=0):
    """A BIFF8 stream: globals, then sheets [(name, kind, [records])]."""
    g = [bof8(0x0005), rec(0x0042, struct.pack("<H", codepage)),
         rec(0x003D, struct.pack("<HHHHHHHHH", 0, 0, 100, 100, 0x38, window_active, 0, 1, 600)),
         rec(0x0022, struct.pack("<H", datemode))]
    g += globals_extra
    for fmt in (xfs or [0] * 16):
        g.append(xf(fmt))
    for name, kind, _ in sheets:
        g.append(boundsheet8(name, kind))
    if sst:
        g.append(sst)
    g.append(rec(EOF))
    globals_recs = records(b"".join(g))
    sheet_recs = [records(b"".join(recs)) for _, _, recs in sheets]
    return assemble(globals_recs, sheet_recs)


def mulrk(r, c, values, xf_index=15):
    body = struct.pack("<HH", r, c)
    for v in values:
        body += struct.pack("<HI", xf_index, (v << 2) | 2)
    return rec(0x00BD, body + struct.pack("<H", c + len(values) - 1))


def mini_stream():
    """A small workbook kept in the mini stream, with multiple-cell records,
    cells out of order, a cell written twice, a chart inside the sheet and
    a chart sheet."""
    sheet = [bof8(0x0010), dims8(1, 4, 1, 6),
             mulrk(1, 1, [1, 2, 3]),
             rec(0x00BE, struct.pack("<HHHHHH", 2, 2, 15, 15, 15, 4)),
             label8(3, 5, "последняя"),
             label8(1, 4, "раньше"),
             number(1, 2, 20.0),          # replaces the 2 of the MULRK
             rec(0x0201, struct.pack("<HHH", 0, 1, 15)),
             # An embedded chart: its records are no cells of the sheet.
             bof8(0x0020), number(50, 50, 1.0), rec(EOF),
             rec(EOF)]
    chart = [bof8(0x0020), rec(EOF)]
    stream = raw_book8([], [("Мелкий", 0, sheet), ("Диаграмма", 2, chart)])
    assert len(stream) < 4096
    write(os.path.join(HERE, "mini-stream.xls"), compound_file([("Workbook", stream)]))


def cells_rewritten():
    """Cells against the reading order, enough of them to be merged in while
    the sheet is read: ten in order, then 5000 rows bottom to top, then
    positions written again (one of the merged cells, one still waiting)
    and a formula with a text result out of order."""
    sheet = [bof8(0x0010)]
    sheet += [number(r, 0, float(r)) for r in range(10)]
    sheet += [number(r, 1, float(r)) for r in range(5000, 0, -1)]
    sheet += [number(3000, 1, -1.0), number(10, 1, -2.0)]
    res, string = formula_result("итог")
    sheet += [rec(FORMULA, struct.pack("<HHH", 2, 2, 15) + res + b"\0" * 6 + b"\0\0"), string]
    sheet += [rec(EOF)]
    stream = raw_book8([], [("Лист1", 0, sheet)])
    write(os.path.join(HERE, "cells-rewritten.xls"), compound_file([("Workbook", stream)]))


def sst_split():
    """Shared strings split across CONTINUE records: from 8-bit to 16-bit
    characters at the boundary, rich-text runs and far-east data (skipped),
    the runs themselves split by a boundary."""
    s1 = uni("Цена")
    # Rich text: 2 runs of 4 bytes after the characters.
    s2 = struct.pack("<HBH", 5, 0x08, 2) + b"Price" + b"\1\0\2\0\3\0\4\0"
    # Far-east data: 6 bytes after the characters.
    s3 = struct.pack("<HBI", 3, 0x04, 6) + b"abc" + b"FFFFFF"
    # "split" + "тест": 8-bit before the boundary, 16-bit after it.
    head = struct.pack("<HB", 9, 0x00) + b"split"
    tail = bytes([0x01]) + "тест".encode("utf-16-le")
    # Rich text whose runs are cut by the boundary.
    s5_head = struct.pack("<HBH", 2, 0x08, 2) + b"ok" + b"\1\0\2\0"
    s5_tail = b"\3\0\4\0"
    body = struct.pack("<II", 5, 5) + s1 + s2 + s3 + head
    sst = rec(SST, body) + rec(CONTINUE, tail + s5_head) + rec(CONTINUE, s5_tail)
    sheet = [bof8(0x0010), dims8(0, 5, 0, 1)]
    for i in range(5):
        sheet.append(rec(0x00FD, struct.pack("<HHHI", i, 0, 15, i)))
    sheet.append(rec(EOF))
    stream = raw_book8([], [("Строки", 0, sheet)], sst=sst)
    write(os.path.join(HERE, "sst-split.xls"), compound_file([("Workbook", stream)]))


def big_sectors():
    """A version 4 file: 4096-byte sectors."""
    sheet = [bof8(0x0010), dims8(0, 1, 0, 1), label8(0, 0, "Большие сектора"), rec(EOF)]
    stream = raw_book8([], [("Лист1", 0, sheet)])
    stream = stream.ljust(5000, b"\0")  # past the mini stream limit
    write(os.path.join(HERE, "version4-sectors.xls"),
          compound_file([("Workbook", stream)], sector_shift=12))


def custom_formats():
    """Number formats told apart by their format strings."""
    formats = [
        (164, "dd/mm/yyyy"),            # date
        (165, '0.00" шт."'),            # quoted text with letters of date tokens
        (166, "[$-419]General"),        # locale tag, no currency
        (167, "#,##0.00\\ [$₽-419]"),   # currency sign in brackets
        (168, "[h]:mm"),                # elapsed time
        (169, "[Red]0.00"),             # colour only
        (170, '#,##0.00"р."'),          # roubles in quotes
        (171, "0.00E+00"),              # scientific: E is no date token
        (172, "$#,##0"),                # dollar sign
    ]
    g = [rec(0x041E, struct.pack("<H", i) + uni(f)) for i, f in formats]
    xfs = [0] * 15 + [0] + [i for i, _ in formats] + [14, 7]
    sheet = [bof8(0x0010)]
    for k in range(len(formats) + 2):
        sheet.append(number(0, k, 45000.5, 16 + k))
    sheet.append(rec(EOF))
    stream = raw_book8(g, [("Форматы", 0, sheet)], xfs=xfs, datemode=1)
    write(os.path.join(HERE, "number-formats-1904.xls"), compound_file([("Workbook", stream)]))


def early_dates():
    """Dates of the 1900 system around its 29 February 1900, which never
    was: serials before it are one day off the program's dates."""
    serials = [0.25, 1, 59, 60, 61, 45323]
    sheet = [bof8(0x0010)] + [number(0, k, v, 16) for k, v in enumerate(serials)] + [rec(EOF)]
    stream = raw_book8([], [("Даты", 0, sheet)], xfs=[0] * 16 + [14])
    write(os.path.join(HERE, "early-1900-dates.xls"), compound_file([("Workbook", stream)]))


# ---------------------------------------------------------------- raw BIFF5


def cp1251(text):
    return text.encode("cp1251")


def biff5_book():
    """An Excel 5/95 workbook: stream "Book", 8-bit text in code page 1251,
    the 1904 date system."""
    def bof5(kind):
        return rec(BOF, struct.pack("<HHHH", 0x0500, kind, 0x0DBB, 0x07CC))

    def str5(text, count_bytes=2):
        b = cp1251(text)
        return struct.pack("<H" if count_bytes == 2 else "<B", len(b)) + b

    g = [bof5(0x0005), rec(0x0042, struct.pack("<H", 1251)), rec(0x0022, struct.pack("<H", 1)),
         rec(0x003D, struct.pack("<HHHHHHHHH", 0, 0, 100, 100, 0x38, 1, 0, 1, 600)),
         rec(0x041E, struct.pack("<H", 164) + str5("dd.mm.yy", 1))]
    for fmt in [0] * 16 + [164]:
        g.append(rec(0x00E0, struct.pack("<HH", 0, fmt) + b"\0" * 12))
    g.append(rec(BOUNDSHEET, struct.pack("<IBB", 0, 0, 0) + str5("Старый", 1)))
    g.append(rec(BOUNDSHEET, struct.pack("<IBB", 0, 0, 0) + str5("Данные", 1)))
    g.append(rec(EOF))
    first = [bof5(0x0010), rec(EOF)]
    data = [bof5(0x0010), rec(0x0200, struct.pack("<HHHHH", 0, 4, 0, 3, 0)),
            rec(0x0204, struct.pack("<HHH", 0, 0, 15) + str5("Товар")),
            rec(0x00D6, struct.pack("<HHH", 0, 1, 15) + str5("Жирный") + b"\1\0\0\0"),
            rec(0x0203, struct.pack("<HHHd", 1, 0, 15, 2.5)),
            rec(0x027E, struct.pack("<HHHI", 1, 1, 15, (1234 << 2) | 3)),
            mulrk(1, 2, [7]),
            rec(0x0205, struct.pack("<HHHBB", 2, 0, 15, 1, 0)),
            rec(0x0205, struct.pack("<HHHBB", 2, 1, 15, 0x2A, 1)),
            rec(0x0203, struct.pack("<HHHd", 2, 2, 16, 43000.0)),
            rec(FORMULA, struct.pack("<HHH", 3, 0, 15) + bytes([0, 0, 0, 0, 0, 0, 0xFF, 0xFF])
                + struct.pack("<HIH", 0, 0, 0)),
            rec(STRING, str5("Итог")),
            rec(EOF)]
    stream = assemble(records(b"".join(g)), [records(b"".join(first)), records(b"".join(data))])
    write(os.path.join(HERE, "biff5-book.xls"),
          compound_file([("Book", stream.ljust(4096, b"\0"))]))


# ---------------------------------------------------------------- broken files


def simple_stream(cells=None, extra_globals=(), sst=b""):
    sheet = [bof8(0x0010), dims8(0, 1, 0, 1)] + list(cells or [label8(0, 0, "Текст")]) + [rec(EOF)]
    return raw_book8(list(extra_globals), [("Лист1", 0, sheet)], sst=sst)


def broken():
    good = compound_file([("Workbook", simple_stream().ljust(5000, b"\0"))],
                         small_in_mini=False)
    out = {}
    out["empty.xls"] = b""
    out["not-a-compound-file.xls"] = "Накладная №1\r\nТовар;Цена\r\n".encode("cp1251")
    out["truncated-header.xls"] = good[:300]
    out["truncated-stream.xls"] = good[:2048]

    def loop(parts):
        # The workbook stream's chain turns back to its first sector.
        start = parts["entries"][1]["start"]
        parts["fat"][start + 3] = start
    out["fat-loop.xls"] = compound_file([("Workbook", simple_stream().ljust(5000, b"\0"))],
                                        small_in_mini=False, tweak=loop)

    def past_end(parts):
        start = parts["entries"][1]["start"]
        parts["fat"][start + 1] = 5000
    out["sector-past-end.xls"] = compound_file([("Workbook", simple_stream().ljust(5000, b"\0"))],
                                               small_in_mini=False, tweak=past_end)

    def dir_loop(parts):
        parts["entries"][1]["right"] = 1
    out["directory-loop.xls"] = compound_file(
        [("Other", b"x" * 10), ("Workbook", simple_stream())], tweak=dir_loop)

    def mini_loop(parts):
        parts["minifat"][1] = 0
    out["mini-chain-loop.xls"] = compound_file([("Workbook", simple_stream())], tweak=mini_loop)

    def too_big(parts):
        parts["entries"][1]["size"] = 10 ** 9
    out["stream-size-past-file.xls"] = compound_file(
        [("Workbook", simple_stream().ljust(5000, b"\0"))], small_in_mini=False, tweak=too_big)

    def many_fat(parts):
        parts["nfat"] = 100000
    out["fat-count-past-file.xls"] = compound_file([("Workbook", simple_stream())],
                                                   tweak=many_fat)
    out["no-workbook-stream.xls"] = compound_file([("Документ", simple_stream())])

    def plain(stream):
        return compound_file([("Workbook", stream)])

    out["first-record-not-bof.xls"] = plain(rec(0x0042, b"\xE3\x04") + simple_stream())
    out["unknown-biff-version.xls"] = plain(
        rec(BOF, struct.pack("<HHHHII", 0x0400, 5, 0, 0, 0, 0)) + simple_stream()[20:])
    s = simple_stream()
    out["record-past-end.xls"] = plain(s[:-4] + struct.pack("<HH", EOF, 400))
    globals_recs, sheets = split_substreams(s)
    glob_end = len(join(globals_recs))
    out["globals-without-end.xls"] = plain(join(globals_recs[:-1]))
    out["sheet-without-end.xls"] = plain(s[:-4])
    out["password-protected.xls"] = plain(
        simple_stream(extra_globals=[rec(0x002F, struct.pack("<HHH", 1, 1, 1) + b"\0" * 48)]))
    out["sst-count-too-large.xls"] = plain(
        simple_stream(sst=rec(SST, struct.pack("<II", 10 ** 9, 10 ** 9) + uni("одна"))))
    out["sst-string-past-end.xls"] = plain(
        simple_stream(sst=rec(SST, struct.pack("<IIHB", 1, 1, 500, 0) + b"short")))
    out["string-length-past-end.xls"] = plain(simple_stream(
        cells=[rec(0x0204, struct.pack("<HHHHB", 0, 0, 15, 60000, 0) + b"abc")]))
    out["label-sst-index-past-table.xls"] = plain(simple_stream(
        cells=[rec(0x00FD, struct.pack("<HHHI", 0, 0, 15, 7))]))
    out["huge-dimensions.xls"] = plain(simple_stream(
        cells=[dims8(0, 0x7FFFFFFF, 0, 0x4000)]))
    out["column-past-last.xls"] = plain(simple_stream(cells=[number(0, 300, 1.0)]))
    out["cell-record-too-short.xls"] = plain(simple_stream(
        cells=[rec(0x0203, struct.pack("<HHH", 0, 0, 15))]))
    # A row height and a column width record cut short.
    out["row-record-too-short.xls"] = plain(simple_stream(
        cells=[rec(0x0208, struct.pack("<HHHH", 0, 0, 1, 300))]))
    out["column-widths-record-too-short.xls"] = plain(simple_stream(
        cells=[rec(0x007D, struct.pack("<HH", 0, 3))]))
    moved = [[t, struct.pack("<I", 10 ** 6) + d[4:] if t == BOUNDSHEET else d]
             for t, d in globals_recs]
    out["sheet-offset-past-end.xls"] = plain(join(moved) + s[glob_end:])
    # Three sheets whose records are the same substream: reading each in
    # turn would cost the file's size again and again.
    cells = [number(r, 0, float(r)) for r in range(200)]
    shared = simple_stream(cells=cells)
    g, sh = split_substreams(shared)
    k = [i for i, r in enumerate(g) if r[0] == BOUNDSHEET][0]
    g = g[:k + 1] + [g[k], g[k]] + g[k + 1:]
    pos = len(join(g))
    g = [[t, struct.pack("<I", pos) + d[4:] if t == BOUNDSHEET else d] for t, d in g]
    out["sheets-sharing-records.xls"] = plain(join(g) + join(sh[0]))
    for name, data in out.items():
        write(os.path.join(BROKEN, name), data)


# ---------------------------------------------------------------- benchmark


def bench_invoice(rows=10000):
    """A 10 000-row supplier invoice of 8 columns, the sum a formula."""
    book = xlwt.Workbook(encoding="utf-8")
    ws = book.add_sheet("Накладная")
    heads = ["№", "Наименование товара", "Модель", "Кол-во", "Цена", "Ед.", "Сумма", "Примечание"]
    for i, h in enumerate(heads):
        ws.write(0, i, h)
    results = {}
    state = 12345
    for r in range(1, rows + 1):
        state = (state * 1103515245 + 12345) % (1 << 31)
        qty = state % 20 + 1
        price = (state >> 8) % 100000 / 100
        ws.write(r, 0, r)
        ws.write(r, 1, "Товар номер %d группы %d" % (r, state % 97))
        ws.write(r, 2, "M-%05d" % (state % 50000))
        ws.write(r, 3, qty)
        ws.write(r, 4, price)
        ws.write(r, 5, "шт.")
        ws.write(r, 6, xlwt.Formula("D%d*E%d" % (r + 1, r + 1)))
        ws.write(r, 7, "партия %d" % (state % 1000))
        results[(0, r, 6)] = qty * price
    stream = cache_formula_results(xlwt_stream(book), results)
    write(os.path.join(BENCH, "invoice-10000x8.xls"), compound_file([("Workbook", stream)]))


def bench_full_sheet():
    """A sheet whose used range is all of it, 65536 rows by 256 columns:
    numbers down column A, texts along the first and the last row."""
    book = xlwt.Workbook(encoding="utf-8")
    ws = book.add_sheet("Лист")
    for r in range(65536):
        ws.write(r, 0, r + 1)
    for c in range(1, 256):
        ws.write(0, c, "Столбец %d" % (c + 1))
        ws.write(65535, c, c + 1)
    write(os.path.join(BENCH, "sheet-65536x256.xls"),
          compound_file([("Workbook", xlwt_stream(book))]))


if __name__ == "__main__":
    cell_types()
    invoice_c5()
    second_sheet_active()
    empty_sheet()
    far_apart_cells()
    long_shared_string()
    mini_stream()
    cells_rewritten()
    sst_split()
    big_sectors()
    custom_formats()
    early_dates()
    biff5_book()
    broken()
    bench_invoice()
    bench_full_sheet()
