#!/usr/bin/python3
"""Writes the workbooks of the import tests.

Run with Debian's own interpreter, which has python3-xlwt:
    /usr/bin/python3 tests/data/InvoiceTypeImport/make_fixtures.py

xlwt leaves formula results empty; the workbook reader's fixture script
(tests/data/Workbook/make_fixtures.py) supplies the helpers that set the
results a spreadsheet would have cached and wrap the record stream in a
compound file. The output is committed; the tests do not run Python.
"""

import os
import sys

import xlwt

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # leave no cache in the reader's folder
sys.path.insert(0, os.path.join(HERE, "..", "Workbook"))

from make_fixtures import cache_formula_results, compound_file, write, xlwt_stream  # noqa: E402

HEADING = ["№", "Наименование товара", "Кол-во", "Цена", "Сумма"]
ITEMS = [(1, "Холодильник NRB 110", 2, 10.5, 21),
         (2, "Пылесос ABC", 3, 0.3333, 1),
         (3, "Чайник", 1, 100, 100)]


def example(formulas):
    """The worked example: heading at C5, three items, "Итого:" in D9 and
    the total in G9. With formulas the row sums and the total are formulas
    with their cached results."""
    book = xlwt.Workbook(encoding="utf-8")
    ws = book.add_sheet("Накладная")
    ws.write(1, 2, "Расходная накладная № 17")  # a title above the table
    for i, text in enumerate(HEADING):
        ws.write(4, 2 + i, text)
    results = {}
    for k, row in enumerate(ITEMS):
        r = 5 + k
        for i, value in enumerate(row):
            if i == 4 and formulas:
                ws.write(r, 2 + i, xlwt.Formula("E%d*F%d" % (r + 1, r + 1)))
                results[(0, r, 2 + i)] = float(value)
            else:
                ws.write(r, 2 + i, value)
    ws.write(8, 3, "Итого:")
    if formulas:
        ws.write(8, 6, xlwt.Formula("SUM(G6:G8)"))
        results[(0, 8, 6)] = 122.0
    else:
        ws.write(8, 6, 122)
    # A signature line below the table.
    ws.write(10, 3, "Отпустил ____________")
    # The title makes the used range start at C2.
    stream = cache_formula_results(xlwt_stream(book), results)
    name = "example-formulas.xls" if formulas else "example.xls"
    write(os.path.join(HERE, name), compound_file([("Workbook", stream)]))


def articles():
    """An article list: a title, the heading, five articles, a closing
    line."""
    book = xlwt.Workbook(encoding="utf-8")
    ws = book.add_sheet("Описания")
    ws.write(0, 0, "Описания товаров")
    heading = ["Тип", "Модель", "Артикул", "Описание", "Фирма", "Страна", "Гарантия, мес."]
    rows = [("Холодильник", "NRB 110", "A-1", "Двухкамерный", "Бирюса", "Россия", 12),
            ("Пылесос", "\"ABC\"", "", "Моющий", "Samsung", "Корея", 24),
            ("Чайник", "Ч-1", 1001, "Стальной", "Bosch", "Германия", ""),
            ("Утюг", "У-2", "B-3", "С паром", "Philips", "Китай", "6 мес."),
            ("Плита", "П-4", "C-5", "Газовая", "Гефест", "Беларусь", 12)]
    for i, text in enumerate(heading):
        ws.write(1, i, text)
    for k, row in enumerate(rows):
        for i, value in enumerate(row):
            if value != "":
                ws.write(2 + k, i, value)
    ws.write(8, 0, "Итого 5 описаний")
    write(os.path.join(HERE, "articles.xls"), compound_file([("Workbook", xlwt_stream(book))]))


def closing_rows(name, rows):
    """The worked example's heading and items at C5, then the given closing
    rows from row 9 on: (column offset from C, value) pairs per row."""
    book = xlwt.Workbook(encoding="utf-8")
    ws = book.add_sheet("Накладная")
    for i, text in enumerate(HEADING):
        ws.write(4, 2 + i, text)
    for k, row in enumerate(ITEMS):
        for i, value in enumerate(row):
            ws.write(5 + k, 2 + i, value)
    for k, cells in enumerate(rows):
        for col, value in cells:
            ws.write(8 + k, 2 + col, value)
    write(os.path.join(HERE, name), compound_file([("Workbook", xlwt_stream(book))]))


if __name__ == "__main__":
    example(False)
    example(True)
    articles()
    # Two total rows under the items: "Итого:" in the number column with
    # the quantity and sum totals (a pattern close to an item row's, but no
    # goods name), then "Всего по накладной:".
    closing_rows("two-total-rows.xls",
                 [[(0, "Итого:"), (2, 6), (4, 122)],
                  [(0, "Всего по накладной:"), (4, 122)]])
    # The total row carries the quantity total; its sum cell is empty.
    closing_rows("total-without-sum.xls", [[(1, "Итого:"), (2, 6)]])
