#!/usr/bin/python3
"""Writes the golden article files and the broken ones of the article list
tests, byte by byte from the file format:

    the string "ArticleList" (no tag byte before it), then the list record:
    0 "Articles", 254 <count> and the article records, 255;
    an article record: 0 "ArtItem", 1 Tip, 2 Model, 3 Description,
    4 ArticleCode, 5 Firm, 6 Country, 7 Warranty (4 bytes), 8 MatchKey, 255.

A string is byte 6, a one-byte length and its bytes (up to 255 bytes), or
byte 12, a four-byte length and its bytes; text is CP1251; integers are
little-endian.

    /usr/bin/python3 tests/data/ArticleList/make_files.py
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def s(text):
    data = text.encode("cp1251") if isinstance(text, str) else text
    if len(data) <= 255:
        return b"\x06" + bytes([len(data)]) + data
    return b"\x0c" + struct.pack("<i", len(data)) + data


def i32(value):
    return struct.pack("<i", value)


def article(tip, model, description, code, firm, country, warranty, key, header="ArtItem"):
    return (b"\x00" + s(header) + b"\x01" + s(tip) + b"\x02" + s(model)
            + b"\x03" + s(description) + b"\x04" + s(code) + b"\x05" + s(firm)
            + b"\x06" + s(country) + b"\x07" + i32(warranty) + b"\x08" + s(key) + b"\xff")


def article_list(items, count=None):
    n = len(items) if count is None else count
    return s("ArticleList") + b"\x00" + s("Articles") + b"\xfe" + i32(n) + b"".join(items) + b"\xff"


# The small list of the golden test: a short record and one whose description
# needs the four-byte length.
LONG_DESCRIPTION = "Моющий, с аквафильтром. " * 12
SMALL = [
    article("Холодильник", "NRB 110", "Двухкамерный", "A-1", "Бирюса", "Россия", 12, "110-NRB"),
    article("Пылесос", "ABC", LONG_DESCRIPTION, "", "Samsung", "Корея", 24, "ABC"),
]


def write(path, data):
    with open(os.path.join(HERE, path), "wb") as f:
        f.write(data)


def golden():
    write("golden/empty-list.fl", article_list([]))
    write("golden/small-list.fl", article_list(SMALL))


def broken():
    one = SMALL[0]
    files = {
        "empty.fl": b"",
        "leading-string-wrong.fl": s("ArticleLis") + article_list([])[13:],
        "leading-tag-07.fl": b"\x07\x0bArticleList",
        "list-header-wrong.fl": s("ArticleList") + b"\x00" + s("Artikles") + b"\xfe" + i32(0) + b"\xff",
        "item-header-wrong.fl": article_list([article("a", "b", "c", "d", "e", "f", 1, "g",
                                                      header="ArtItem2")]),
        "unknown-tag-in-item.fl": article_list([one[:-1] + b"\x09" + i32(0) + b"\xff"]),
        "unknown-tag-in-list.fl": s("ArticleList") + b"\x00" + s("Articles") + b"\x01" + i32(0),
        "count-negative.fl": article_list([], count=-1),
        "count-huge.fl": article_list([one], count=0x7FFFFFFF),
        "count-past-end.fl": article_list([one], count=2),
        "string-length-past-end.fl": s("ArticleList") + b"\x00" + s("Articles") + b"\xfe" + i32(1)
        + b"\x00" + s("ArtItem") + b"\x01\x0c" + i32(1000000) + b"abc",
        "string-length-negative.fl": s("ArticleList") + b"\x00" + s("Articles") + b"\xfe" + i32(1)
        + b"\x00" + s("ArtItem") + b"\x01\x0c" + i32(-5) + b"abc",
        "string-tag-07-in-item.fl": article_list([one.replace(b"\x02\x06\x07NRB 110", b"\x02\x07\x07NRB 110")]),
        "truncated-in-item-string.fl": article_list(SMALL)[:60],
        "truncated-warranty.fl": article_list([one])[:article_list([one]).index(b"\x07\x0c\x00") + 3],
        "list-end-missing.fl": article_list([one])[:-1],
    }
    for name, data in files.items():
        write("broken/" + name, data)


if __name__ == "__main__":
    golden()
    broken()
