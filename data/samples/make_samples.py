#!/usr/bin/python3
"""Writes the sample workbooks the program ships: a supplier invoice as
suppliers send them (a title, the supplier and buyer, the heading row, 24
goods, the total row under a formula, signatures; widths, heights, money and
date formats set) and an article list.

Run with Debian's own interpreter, which has python3-xlwt:
    /usr/bin/python3 data/samples/make_samples.py

xlwt leaves formula results empty; the workbook reader's fixture script
supplies the helpers that set the results a spreadsheet would have cached.
The output is committed.
"""

import datetime
import os
import sys

import xlwt

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "data", "Workbook"))

from make_fixtures import cache_formula_results, compound_file, write, xlwt_stream  # noqa: E402

GOODS = [
    ("Холодильник NRB 110 двухкамерный", "шт.", 2, 18450.00),
    ("Пылесос Samsung SC4140", "шт.", 3, 4290.50),
    ("Чайник электрический Bosch TWK 3A011", "шт.", 5, 1890.00),
    ("Утюг Philips GC 1433", "шт.", 4, 1375.90),
    ("Микроволновая печь LG MS-2042DB", "шт.", 2, 5120.00),
    ("Плита газовая Гефест 3200-06", "шт.", 1, 12800.00),
    ("Стиральная машина Indesit IWSB 5105", "шт.", 1, 14990.00),
    ("Телевизор Sony KDL-32 (ЖК)", "шт.", 2, 21500.00),
    ("Фен Rowenta CV 4720", "шт.", 6, 1290.00),
    ("Миксер Braun HM 3000", "шт.", 3, 2150.00),
    ("Кофеварка DeLonghi EC 155", "шт.", 1, 6790.00),
    ("Блендер Moulinex DD 1005", "шт.", 4, 1690.00),
    ("Тостер Tefal TT 3561", "шт.", 2, 1450.00),
    ("Мясорубка Zelmer 687.5", "шт.", 2, 4320.00),
    ("Обогреватель масляный Polaris PRE D 0920", "шт.", 3, 2780.00),
    ("Вентилятор напольный Vitek VT-1902", "шт.", 5, 990.00),
    ("Кабель сетевой ПВС 3х1,5", "м", 50, 38.40),
    ("Удлинитель 5 гнёзд 3 м", "шт.", 10, 265.00),
    ("Лампа энергосберегающая 15 Вт", "шт.", 40, 89.90),
    ("Батарейка AA Duracell (4 шт.)", "уп.", 25, 154.00),
    ("Электробритва Philips HQ 6927", "шт.", 2, 3490.00),
    ("Весы кухонные Scarlett SC-1211", "шт.", 4, 590.00),
    ("Термос 1 л нержавеющий", "шт.", 6, 720.00),
    ("Сковорода Tefal 24 см", "шт.", 5, 1180.00),
]


def supplier_invoice():
    book = xlwt.Workbook(encoding="utf-8")
    ws = book.add_sheet("ТОРГ-12")
    title = xlwt.easyxf("font: bold on, height 280")
    bold = xlwt.easyxf("font: bold on")
    head = xlwt.easyxf("font: bold on; align: horiz center, vert center, wrap on;"
                       "borders: left thin, right thin, top thin, bottom thin;"
                       "pattern: pattern solid, fore_colour gray25")
    cell = xlwt.easyxf("borders: left thin, right thin, top thin, bottom thin")
    number = xlwt.easyxf("borders: left thin, right thin, top thin, bottom thin;"
                         "align: horiz center")
    money = xlwt.easyxf("borders: left thin, right thin, top thin, bottom thin",
                        num_format_str='#,##0.00"р."')
    total = xlwt.easyxf("font: bold on; borders: top thin, bottom thin",
                        num_format_str='#,##0.00"р."')
    date = xlwt.easyxf("align: horiz left", num_format_str="DD.MM.YYYY")

    widths = [5, 44, 6, 8, 13, 15]
    for i, w in enumerate(widths):
        ws.col(i).width = 256 * w

    ws.write(0, 1, "ООО \"Электромир\"", bold)
    ws.write(1, 1, "г. Самара, ул. Победы, 12, тел. (846) 222-33-44")
    ws.write(3, 1, "Расходная накладная № 1743 от", title)
    ws.write(3, 4, datetime.date(2026, 12, 9), date)
    ws.write(4, 1, "Покупатель: магазин \"Велкор\"")
    ws.row(3).height_mismatch = True
    ws.row(3).height = 20 * 20

    heads = ["№", "Наименование товара", "Ед.", "Кол-во", "Цена", "Сумма"]
    top = 6
    ws.row(top).height_mismatch = True
    ws.row(top).height = 30 * 20
    for i, h in enumerate(heads):
        ws.write(top, i, h, head)
    results = {}
    for k, (name, unit, qty, price) in enumerate(GOODS):
        r = top + 1 + k
        ws.write(r, 0, k + 1, number)
        ws.write(r, 1, name, cell)
        ws.write(r, 2, unit, number)
        ws.write(r, 3, qty, number)
        ws.write(r, 4, price, money)
        ws.write(r, 5, xlwt.Formula("D%d*E%d" % (r + 1, r + 1)), money)
        results[(0, r, 5)] = round(qty * price, 2)
    last = top + len(GOODS)
    ws.write(last + 1, 1, "Итого:", bold)
    ws.write(last + 1, 5, xlwt.Formula("SUM(F%d:F%d)" % (top + 2, last + 1)), total)
    results[(0, last + 1, 5)] = round(sum(round(q * p, 2) for _, _, q, p in GOODS), 2)
    ws.write(last + 3, 1, "Отпустил ______________  Принял ______________")
    stream = cache_formula_results(xlwt_stream(book), results)
    write(os.path.join(HERE, "supplier-invoice.xls"), compound_file([("Workbook", stream)]))


def articles():
    book = xlwt.Workbook(encoding="utf-8")
    ws = book.add_sheet("Описания")
    bold = xlwt.easyxf("font: bold on")
    heading = ["Тип", "Модель", "Артикул", "Описание", "Фирма", "Страна", "Гарантия, мес."]
    rows = [
        ("Холодильник", "NRB 110 двухкамерный", "A-1", "Двухкамерный, 310 л", "Бирюса", "Россия", 24),
        ("Пылесос", "Samsung SC4140", "B-2", "Мешок 3 л, 1600 Вт", "Samsung", "Корея", 12),
        ("Чайник", "Bosch TWK 3A011", "C-3", "1,7 л, 2400 Вт", "Bosch", "Германия", 12),
        ("Утюг", "Philips GC 1433", "D-4", "С паром, 2000 Вт", "Philips", "Китай", 24),
        ("Телевизор", "Sony KDL-32", "E-5", "ЖК, 32 дюйма", "Sony", "Малайзия", 12),
    ]
    for i, w in enumerate([14, 24, 9, 24, 11, 11, 9]):
        ws.col(i).width = 256 * w
    ws.write(0, 0, "Описания товаров", bold)
    for i, text in enumerate(heading):
        ws.write(1, i, text, bold)
    for k, row in enumerate(rows):
        for i, value in enumerate(row):
            ws.write(2 + k, i, value)
    write(os.path.join(HERE, "articles.xls"), compound_file([("Workbook", xlwt_stream(book))]))


if __name__ == "__main__":
    supplier_invoice()
    articles()
