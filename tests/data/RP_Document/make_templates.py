#!/usr/bin/env python3
"""Writes the template fixtures of the report document tests: golden/ holds
one template in both forms (and the older binary form), broken/ one fault
per file. The bytes are assembled here from the format's tag tables, not
by the program's writer, so the tests read them independently of it.
Run from this folder: python3 make_templates.py"""

import struct

# ---- binary form -------------------------------------------------------------


def s(text):
    b = text.encode('cp1251')
    if len(b) <= 255:
        return b'\x06' + bytes([len(b)]) + b
    return b'\x0c' + struct.pack('<i', len(b)) + b


def ti(tag, v):
    return bytes([tag]) + struct.pack('<i', v)


def tb(tag, v):
    return bytes([tag]) + (b'\xff' if v else b'\x00')


def ts(tag, v):
    return bytes([tag]) + s(v)


LONG_LINE = 'x' * 300

# Element fields in record order: kind, x, y, w, h, sc, ft, fw, font, size,
# style, align, lines, tag, show3d, type3d, shadowlen, shadowcolor,
# fontcolor, fillcolor, drawtexttoframe, bandtyp.
VIEWS = [
    [  # page 0
        dict(kind=2, x=-1, y=100, w=796, h=40, sc=False, ft=0, fw=1, font='Arial', size=8,
             style=0, align=0, lines=['Мастер'], tag=0, show3d=False, type3d=0, shlen=1,
             shcol=0x808080, fcol=0, fill=0x1FFFFFFF, dttf=False, band=5),
        dict(kind=0, x=10, y=110, w=200, h=20, sc=True, ft=15, fw=2, font='Times New Roman',
             size=12, style=3, align=0x282, lines=['Цена: [PRICE]', LONG_LINE, ''], tag=42,
             show3d=True, type3d=3, shlen=2, shcol=0xC0C0C0, fcol=0x0000FF, fill=0xFFFF00,
             dttf=True, band=5),
        dict(kind=1, x=300, y=5, w=64, h=48, sc=False, ft=0, fw=1, font='Arial', size=8,
             style=0, align=0x200, lines=['no-such-picture.bmp'], tag=0, show3d=False, type3d=0,
             shlen=1, shcol=0x808080, fcol=0, fill=0x1FFFFFFF, dttf=False, band=255),
        dict(kind=4, x=400, y=5, w=30, h=30, sc=False, ft=0, fw=1, font='Arial', size=8,
             style=0, align=0, lines=[], tag=7, show3d=False, type3d=0, shlen=1,
             shcol=0x808080, fcol=0, fill=0x1FFFFFFF, dttf=False, band=255),
    ],
    [  # page 1
        dict(kind=0, x=0, y=0, w=1000, h=37, sc=False, ft=8, fw=1, font='Arial', size=8,
             style=4, align=0x88, lines=['Итого'], tag=0, show3d=False, type3d=0, shlen=1,
             shcol=0x808080, fcol=0, fill=0x1FFFFFFF, dttf=False, band=14),
    ],
]
PAGES = [dict(o=0, f=True, p=False), dict(o=1, f=False, p=True)]
DOC = dict(cat=3, name='Ценники', ver=7, dbl=True, ml=1000, mt=500, mr=1000, mb=500,
           ptype=-1, pname='HP LaserJet', pdef=True, pw=21000, ph=29700, pox=500, poy=400,
           stretch=False, clip=True)
DES = [('Left', 10), ('Top', 10), ('Height', 470), ('Width', 590), ('WState', 2),
       ('GridSize', 4), ('ShowGrid', True), ('SnapToGrid', True), ('ShapeInvers', False),
       ('LabelText', 'Text'), ('FontName', 'Arial'), ('FontSize', 10), ('FontStyle', 0),
       ('FrameWidth', 1), ('FrameTyp', 0), ('ClearAsWhite', False), ('ShowBandName', True),
       ('BandNameRus', True), ('BMasterCount', 3), ('BDetailCount', 3),
       ('BSubDetailCount', 2), ('CoordMM', False), ('CheckDimensions', True)]
DES_TAGS = list(range(1, 22)) + [30, 31]


def view(v, extra=b''):
    b = ts(0, 'TV') + ti(1, v['kind']) + ti(2, v['x']) + ti(3, v['y']) + ti(4, v['w'])
    b += ti(5, v['h']) + tb(6, v['sc']) + ti(7, v['ft']) + ti(8, v['fw'])
    if v['font'] != 'Arial':
        b += ts(10, v['font'])
    b += ti(11, v['size']) + ti(12, v['style']) + ti(13, v['align'])
    b += ti(14, len(v['lines'])) + b''.join(s(x) for x in v['lines'])
    b += ti(15, v['tag']) + tb(16, v['show3d']) + ti(17, v['type3d']) + ti(18, v['shlen'])
    b += ti(19, v['shcol']) + ti(20, v['fcol']) + ti(21, v['fill']) + tb(22, v['dttf'])
    b += ti(23, v['band']) + extra
    return b + ts(255, 'ENDTV')


def designer():
    b = b''
    for tag, (_, value) in zip(DES_TAGS, DES):
        if isinstance(value, bool):
            b += tb(tag, value)
        elif isinstance(value, str):
            b += ts(tag, value)
        else:
            b += ti(tag, value)
    return b + ts(255, 'ENDDD')


def page(i, views):
    p = PAGES[i]
    b = ts(1, 'PAGE') + ti(2, i) + ti(3, p['o']) + tb(4, p['f']) + tb(5, p['p'])
    b += ti(10, len(views)) + b''.join(views)
    return b + ts(255, 'ENDPG')


def document(pages=None, page_count=None):
    d = DOC
    if pages is None:
        pages = [page(i, [view(v) for v in VIEWS[i]]) for i in range(len(VIEWS))]
    b = s('FRDCR') + ti(1, 1) + ti(2, d['cat']) + ts(3, d['name']) + ti(4, d['ver'])
    b += tb(5, d['dbl']) + ti(6, d['ml']) + ti(7, d['mt']) + ti(8, d['mr']) + ti(9, d['mb'])
    b += ti(15, d['ptype']) + ts(16, d['pname']) + tb(17, d['pdef']) + ti(18, d['pw'])
    b += ti(19, d['ph']) + ti(20, d['pox']) + ti(21, d['poy']) + tb(22, d['stretch'])
    b += tb(23, d['clip'])
    b += ti(10, len(pages) if page_count is None else page_count)
    b += ts(11, 'DEFDES') + designer() + ts(12, 'PAGES') + b''.join(pages)
    return b + ts(255, 'ENDFR')


HEADER = s('Report Description File')

# ---- ini form ----------------------------------------------------------------------


def ini_value(value):
    if isinstance(value, bool):
        return '1' if value else '0'
    if isinstance(value, str):
        return '"' + value + '"'
    return str(value)


def section(name, keys):
    out = '[' + name + ']\r\n'
    for k, v in keys:
        out += k + '=' + ini_value(v) + '\r\n'
    return out + '\r\n'


def ini_view(v, kind_key=None, mcount=None):
    keys = [('T', v['kind'] if kind_key is None else kind_key), ('X', v['x']), ('Y', v['y']),
            ('H', v['h']), ('W', v['w']), ('SC', v['sc']), ('FT', v['ft']), ('FW', v['fw']),
            ('FN', v['font']), ('FS', v['size']), ('FY', v['style']), ('A', v['align']),
            ('MCount', len(v['lines']) if mcount is None else mcount)]
    keys += [('M' + str(i), x) for i, x in enumerate(v['lines'])]
    keys += [('Tag', v['tag']), ('Show3d', v['show3d']), ('Type3d', v['type3d']),
             ('ShadowLen', v['shlen']), ('ShadowColor', v['shcol']), ('FontColor', v['fcol']),
             ('FillColor', v['fill']), ('DrawTextToFrame', v['dttf']), ('BandTyp', v['band'])]
    return keys


def ini_document(page_count=None, view_count=None, kind_key=None, mcount=None, other=0):
    d = DOC
    out = section('Report Description File', [('Version', 1)])
    out += section('COMMON', [
        ('SourceVersion', 1), ('Category', d['cat']), ('NameDocument', d['name']),
        ('Version', d['ver']), ('DoubleOnSheet', d['dbl']), ('MarginLeft', d['ml']),
        ('MarginTop', d['mt']), ('MarginRight', d['mr']), ('MarginBottom', d['mb']),
        ('PrinterType', d['ptype']), ('PrinterName', d['pname']),
        ('PrinterPageDefaultSize', d['pdef']), ('PrinterPageWidth', d['pw']),
        ('PrinterPageHeight', d['ph']), ('PrinterPageOffsetX', d['pox']),
        ('PrinterPageOffsetY', d['poy']), ('PrintStretchDraw', d['stretch']),
        ('ViewCopyToClipboardEnable', d['clip']),
        ('P.Count', len(PAGES) if page_count is None else page_count)])
    out += section('Designer', DES)
    for i, views in enumerate(VIEWS):
        p = PAGES[i]
        count = len(views) if view_count is None or i > 0 else view_count
        out += section('P%d' % i, [('O', p['o']), ('F', p['f']), ('P', p['p']),
                                   ('V.Count', count)])
        for j, v in enumerate(views):
            first = i == 0 and j == 1
            out += section('P%dV%d' % (i, j), ini_view(v, kind_key if first else None,
                                                       mcount if first else None))
    # Sections of other names, enough to back a larger element count.
    for k in range(other):
        out += section('Other%d' % k, [('X', k)])
    return out.encode('cp1251')


def write(name, data):
    with open(name, 'wb') as f:
        f.write(data)


def replace_once(data, old, new):
    assert data.count(old) >= 1, old
    return data.replace(old, new, 1)


def main():
    full = document()
    write('golden/full.dcr', HEADER + full)
    write('golden/old-form.dcr', full)
    write('golden/full.dcf', ini_document())

    # One fault per file; the test maps each name to its error.
    b = HEADER + full
    write('broken/frdcr-marker-wrong.dcr', replace_once(b, s('FRDCR'), s('FRDCX')))
    write('broken/end-marker-wrong.dcr', replace_once(b, s('ENDFR'), s('ENDFX')))
    write('broken/designer-marker-wrong.dcr', replace_once(b, s('DEFDES'), s('DEFDEZ')))
    write('broken/element-marker-wrong.dcr', replace_once(b, ts(0, 'TV'), ts(0, 'TX')))
    write('broken/document-tag-77.dcr', replace_once(b, ti(1, 1), ti(77, 1)))
    write('broken/designer-tag-40.dcr', replace_once(b, ti(6, 4) + tb(7, True),
                                                     ti(40, 4) + tb(7, True)))
    write('broken/page-tag-6.dcr', replace_once(b, tb(5, False) + ti(10, 4),
                                                 tb(6, False) + ti(10, 4)))
    write('broken/element-tag-99.dcr', replace_once(b, ti(15, 42), ti(99, 42)))
    write('broken/page-index-huge.dcr', replace_once(b, ti(2, 1) + ti(3, 1),
                                                     ti(2, 0x7FFFFFFF) + ti(3, 1)))
    write('broken/page-index-negative.dcr', replace_once(b, ti(2, 1) + ti(3, 1),
                                                         ti(2, -1) + ti(3, 1)))
    write('broken/page-count-huge.dcr', HEADER + document(page_count=0x7FFFFFFF))
    write('broken/element-count-huge.dcr', replace_once(b, tb(5, False) + ti(10, 4),
                                                        tb(5, False) + ti(10, 0x7FFFFFFF)))
    write('broken/line-count-huge.dcr', replace_once(b, ti(14, 3), ti(14, 0x7FFFFFFF)))
    write('broken/line-count-negative.dcr', replace_once(b, ti(14, 3), ti(14, -1)))
    long_name = ts(3, DOC['name'])
    write('broken/string-length-huge.dcr',
          replace_once(b, long_name, b'\x03\x0c' + struct.pack('<i', 0x7FFFFFF0)))
    write('broken/string-length-negative.dcr',
          replace_once(b, long_name, b'\x03\x0c' + struct.pack('<i', -5)))
    write('broken/string-prefix-7.dcr', replace_once(b, long_name, b'\x03\x07\x00'))
    write('broken/cut-in-long-string.dcr', b[:len(b) // 2])
    write('broken/cut-in-end-marker.dcr', b[:-3])

    write('broken/kind-mismatch.dcf', ini_document(kind_key=258))
    write('broken/line-count-huge.dcf', ini_document(mcount=2147483647))
    write('broken/view-count-huge.dcf', ini_document(view_count=2147483647))
    write('broken/page-count-huge.dcf', ini_document(page_count=2147483647))
    write('broken/view-count-of-other-sections.dcf',
          ini_document(view_count=len(VIEWS[0]) + 3, other=3))

    # Past what a template may hold, in records that are whole: 20001
    # empty elements on a page, 1001 empty pages.
    empty_view = ts(0, 'TV') + ts(255, 'ENDTV')
    many = ts(1, 'PAGE') + ti(2, 0) + ti(10, 20001) + empty_view * 20001 + ts(255, 'ENDPG')
    write('broken/elements-past-limit.dcr', HEADER + document(pages=[many]))
    pages = [ti(2, i) + ts(255, 'ENDPG') for i in range(1001)]
    write('broken/pages-past-limit.dcr', HEADER + document(pages=pages))


if __name__ == '__main__':
    main()
