#!/usr/bin/env python3
"""Writes the invoice state fixtures of this folder from the file layout
alone (independently of the program's writer): the golden files, the file of
an older version and the broken files, one fault each.

Run from this folder: python3 make_fixtures.py
"""
import struct

ENC = "cp1251"


def s(text):
    b = text.encode(ENC) if isinstance(text, str) else text
    if len(b) <= 255:
        return bytes([6, len(b)]) + b
    return bytes([12]) + struct.pack("<i", len(b)) + b


def i32(v):
    return struct.pack("<i", v)


def cur(text):
    # exact: "12.3456" -> 123456
    neg = text.startswith("-")
    whole, _, frac = text.lstrip("-").partition(".")
    raw = int(whole) * 10000 + int((frac + "0000")[:4])
    return struct.pack("<q", -raw if neg else raw)


def dbl(v):
    return struct.pack("<d", v)


def boolean(v):
    return b"\xff" if v else b"\x00"


def field(tag, value):
    return bytes([tag]) + value


def record(header, *fields):
    return b"\x00" + s(header) + b"".join(fields) + b"\xff"


def invoice_record(h):
    return record("shInvoice",
                  field(1, i32(h["HeaderInt"])), field(2, s(h["NameDoc"])),
                  field(3, s(h["FileName"])), field(4, s(h["NumDoc"])),
                  field(5, dbl(h["DateDoc"])), field(7, dbl(h["DateIn"])),
                  field(9, s(h["RespFio"])), field(10, s(h["Depart"])),
                  field(11, s(h["Provider"])))


def row_record(r):
    return record("TInT1",
                  field(1, s(r["Name"])), field(2, s(r["Tip"])),
                  field(3, s(r["Description"])), field(4, s(r["Firm"])),
                  field(5, s(r["Country"])), field(6, s(r["ArticleCode"])),
                  field(7, i32(r["Warranty"])), field(9, cur(r["Price"])),
                  field(10, cur(r["PriceOpt"])), field(11, cur(r["PriceDiscount"])),
                  field(12, cur(r["Markup"])), field(13, cur(r["Discount"])),
                  field(14, cur(r["Reserve1"])), field(15, boolean(r["Calculated"])),
                  field(18, cur(r["Kolvo"])), field(19, boolean(r["Reserve4"])),
                  field(20, s(r["Reserve2"])), field(21, s(r["Ed"])),
                  field(22, s(r["Reserve3"])))


def list_record(l, rows):
    body = (field(1, cur(l["SheetTotal"])) + field(2, cur(l["SumOpt"]))
            + field(3, cur(l["SumRetail"])) + field(4, cur(l["SumDiscount"]))
            + field(5, cur(l["SumKolvo"])) + field(6, cur(l["Nds"]))
            + field(7, i32(l["ListKind"])) + field(8, s(l["Errors"]))
            + b"\xfe" + i32(len(rows)) + b"".join(row_record(r) for r in rows))
    return b"\x00" + s("sITL") + body + b"\xff"


EMPTY_HEADER = dict(HeaderInt=0, NameDoc="", FileName="", NumDoc="", DateDoc=0.0,
                    DateIn=0.0, RespFio="", Depart="", Provider="")
EMPTY_LIST = dict(SheetTotal="0", SumOpt="0", SumRetail="0", SumDiscount="0",
                  SumKolvo="0", Nds="0", ListKind=2, Errors="")

# Keep in step with SmallInvoice() in tests/app/InvoiceStateTest.cpp.
HEADER = dict(HeaderInt=7, NameDoc="Накладная №15 от 01.02.2024 (Оптовая база)",
              FileName="/home/shop/Накладные/invoice 15.xls", NumDoc="15",
              DateDoc=45323.0, DateIn=45324.5, RespFio="Иванов И.И.",
              Depart="Бытовая техника", Provider="Оптовая база")
LIST = dict(SheetTotal="122", SumOpt="122", SumRetail="158.3", SumDiscount="142.17",
            SumKolvo="6", Nds="20", ListKind=2,
            Errors="Не совпадает сумма в накладной [Строка 1] [XL строка 6]\r\n"
                   "Пропущена строка в блоке данных [Строка XL 7]\r\n")
ROWS = [
    dict(Name="Холодильник" + "-" * 245, Tip="Холодильник",
         Description="Двухкамерный, белый", Firm="Бирюса", Country="Россия",
         ArticleCode="A-110", Warranty=12, Price="13.5", PriceOpt="10.5",
         PriceDiscount="12", Markup="30", Discount="10", Reserve1="1.2345",
         Calculated=True, Kolvo="2", Reserve4=True, Reserve2="р2", Ed="шт",
         Reserve3="р3"),
    dict(Name="Пылесос ABC", Tip="", Description="Описание" + "." * 247, Firm="",
         Country="", ArticleCode="", Warranty=0, Price="0.4333", PriceOpt="0.3333",
         PriceDiscount="0.39", Markup="30", Discount="10", Reserve1="-0.0001",
         Calculated=True, Kolvo="3", Reserve4=False, Reserve2="", Ed="", Reserve3=""),
]


def small():
    return invoice_record(HEADER) + list_record(LIST, ROWS)


def legacy():
    # An older version: integer fields 6 and 8 in the header, row header
    # "TInT", integer quantities (tag 8) and saved marks (tag 16).
    inv = record("shInvoice", field(1, i32(3)), field(4, s("77")), field(6, i32(1)),
                 field(8, i32(2)), field(11, s("Рынок")))
    rows = [record("TInT", field(1, s("Чайник")), field(8, i32(5)),
                   field(10, cur("100")), field(16, boolean(True))),
            record("TInT", field(1, s("Утюг")), field(8, i32(-7)),
                   field(16, b"\x01"))]
    lst = (b"\x00" + s("sITL") + field(7, i32(1)) + b"\xfe" + i32(len(rows))
           + b"".join(rows) + b"\xff")
    return inv + lst


def write(name, data):
    with open(name, "wb") as f:
        f.write(data)


def main():
    good = small()
    write("golden/small-invoice.inv", good)
    write("golden/empty-invoice.inv",
          invoice_record(EMPTY_HEADER) + list_record(EMPTY_LIST, []))
    write("legacy-tint-integer-quantity.inv", legacy())

    inv_len = len(invoice_record(HEADER))
    first_row = good.index(b"\x00\x06\x05TInT1")
    second_row = good.index(b"\x00\x06\x05TInT1", first_row + 1)
    count_at = good.index(b"\xfe") + 1
    name_doc_at = good.index(b"\x02\x06") + 1  # the string tag of NameDoc

    write("broken/empty-file.inv", b"")
    price_of_second = good.index(b"\x09" + cur("0.4333"), second_row)
    write("broken/truncated-in-second-row.inv", good[:price_of_second + 4])
    write("broken/truncated-before-list-end.inv", good[:-1])
    write("broken/truncated-in-string.inv", good[:name_doc_at + 10])
    write("broken/missing-row-list-record.inv", good[:inv_len])
    write("broken/wrong-invoice-header.inv",
          good.replace(b"shInvoice", b"shInvoicX", 1))
    write("broken/wrong-list-header.inv", good.replace(b"\x04sITL", b"\x04sITX", 1))
    write("broken/wrong-row-header.inv", good.replace(b"\x05TInT1", b"\x05TInT2", 1))
    write("broken/unknown-tag-in-invoice.inv",
          good[:inv_len - 1] + field(12, i32(1)) + good[inv_len - 1:])
    row_end = second_row - 1
    write("broken/unknown-tag-in-row.inv",
          good[:row_end] + field(17, i32(1)) + good[row_end:])
    write("broken/string-tag-07.inv",
          good[:name_doc_at] + b"\x07" + good[name_doc_at + 1:])
    write("broken/huge-string-length.inv",
          good[:name_doc_at] + b"\x0c" + i32(0x7FFFFFFF) + b"abc")
    write("broken/negative-string-length.inv",
          good[:name_doc_at] + b"\x0c" + i32(-1) + good[name_doc_at + 2:])
    write("broken/huge-row-count.inv",
          good[:count_at] + i32(0x7FFFFFFF) + good[count_at + 4:])
    write("broken/negative-row-count.inv",
          good[:count_at] + i32(-1) + good[count_at + 4:])
    write("broken/not-a-state-file.inv", b"[Configuration]\r\nCustomer=1\r\n")
    # A lone end tag is no row: the list of two "rows" below once loaded as
    # two empty ones, and a file of such bytes as a million.
    list_at = good.index(b"\x00\x06\x04sITL")
    write("broken/lone-end-tags-as-rows.inv",
          good[:list_at] + b"\x00" + s("sITL") + b"\xfe" + i32(2) + b"\xff" * 8)
    write("broken/row-without-record-start.inv",
          good[:first_row] + good[first_row + len(s("TInT1")) + 1:])
    # Records with no start: a file that begins with end tags is not an
    # empty invoice to be written over it.
    write("broken/all-end-tags.inv", b"\xff" * 4096)
    write("broken/invoice-record-without-start.inv", good[len(s("shInvoice")) + 1:])


if __name__ == "__main__":
    main()
