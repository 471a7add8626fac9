#!/usr/bin/python3
# Small workbooks in the shapes real writers give them, each showing one case the readers must get right: formulas
# saved without results, an inline string with a <v> beside it, a chart sheet first, declared sizes that are wrong,
# an unclosed CSV quote, an empty sheet part, an empty shared-string index, workbook streams named otherwise,
# package relationships leading elsewhere, Excel 5.0/95 workbooks, and files we do not read (xlsb, an ods with a
# password, Excel 4.0). Only the standard library and python3-xlwt. Run from tests/data/sheets:
#   /usr/bin/python3 make/make_writer_cases.py
import struct
import zipfile

import xlwt

MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG = "http://schemas.openxmlformats.org/package/2006/relationships"


def write_zip(path, parts):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in parts:
            # A fixed date keeps the files the same from run to run.
            info = zipfile.ZipInfo(name, date_time=(2024, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data)


def relationships(rels):
    return ('<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="%s">' % PKG +
            "".join('<Relationship Id="%s" Type="%s/%s" Target="%s"/>' % r for r in rels) + "</Relationships>")


def xlsx(path, sheet_data, shared=None, dimension=None, sheets=None, extra_parts=()):
    """An xlsx as openpyxl and Excel lay it out; sheets lists (relationship type, part, content) before the
    worksheet when the first sheets are not worksheets."""
    sheets = list(sheets or []) + [("worksheet", "worksheets/sheet1.xml",
                                    '<worksheet xmlns="%s">%s<sheetData>%s</sheetData></worksheet>' %
                                    (MAIN, '<dimension ref="%s"/>' % dimension if dimension else "", sheet_data))]
    entries = "".join('<sheet name="S%d" sheetId="%d" r:id="rId%d"/>' % (i + 1, i + 1, i + 1)
                      for i in range(len(sheets)))
    rels = [("rId%d" % (i + 1), REL, kind, part) for i, (kind, part, _) in enumerate(sheets)]
    parts = [("_rels/.rels", relationships([("rId1", REL, "officeDocument", "xl/workbook.xml")])),
             ("xl/workbook.xml", '<workbook xmlns="%s" xmlns:r="%s"><sheets>%s</sheets></workbook>' %
              (MAIN, REL, entries))]
    if shared is not None:
        rels.append(("rIdS", REL, "sharedStrings", "sharedStrings.xml"))
        parts.append(("xl/sharedStrings.xml", '<sst xmlns="%s">%s</sst>' %
                      (MAIN, "".join("<si><t>%s</t></si>" % s for s in shared))))
    parts.append(("xl/_rels/workbook.xml.rels", relationships(rels)))
    parts += [("xl/" + part, content) for _, part, content in sheets]
    parts += list(extra_parts)
    write_zip(path, parts)


def row(number, cells):
    return '<row r="%d">%s</row>' % (number, "".join(cells))


def text(ref, value):
    return '<c r="%s" t="inlineStr"><is><t>%s</t></is></c>' % (ref, value)


def num(ref, value):
    return '<c r="%s"><v>%s</v></c>' % (ref, value)


HEADING = row(1, [text("A1", "ID"), text("B1", "no_undian"), text("C1", "nama"), text("D1", "hp")])


def participant(r, name, columns="ABCD"):
    values = [num("A%d" % r, r - 1), text("B%d" % r, "U-%d" % (r - 1)), text("C%d" % r, name),
              text("D%d" % r, "0812%d" % r), text("E%d" % r, "Kota"), text("F%d" % r, "x"), text("K%d" % r, "k")]
    return row(r, [v for v, c in zip(values, "ABCDEFK") if c in columns])


# 1. A formula saved without its result (no <v>), in row 3 after a typed row.
xlsx("formula-without-result.xlsx",
     HEADING + participant(2, "Ani") +
     row(3, ['<c r="A3"><f>ROW()-1</f></c>', text("B3", "U-2"), text("C3", "Budi"), text("D3", "08123")]) +
     participant(4, "Citra"))

# 2. An inline string with a <v> beside it: the inline text is the value.
xlsx("inline-string-with-value.xlsx",
     HEADING + row(2, ['<c r="A2" t="inlineStr"><is><t>1.</t></is><v>1.0</v></c>', text("B2", "U-1"),
                       '<c r="C2" t="inlineStr"><v>ignored</v><is><t>Ani</t></is></c>', text("D2", "0812")]))

# 3. The first sheets are a chart sheet, a dialog sheet and a macro sheet: the worksheet after them is read.
xlsx("chart-sheet-first.xlsx", HEADING + participant(2, "Ani") + participant(3, "Budi"), sheets=[
    ("chartsheet", "chartsheets/sheet1.xml", '<chartsheet xmlns="%s"><sheetPr/></chartsheet>' % MAIN),
    ("dialogsheet", "dialogsheets/sheet1.xml", '<dialogsheet xmlns="%s"/>' % MAIN),
    ("xlMacrosheet", "macrosheets/sheet1.xml",
     '<xm:macrosheet xmlns:xm="http://schemas.microsoft.com/office/excel/2006/main"><sheetData>%s</sheetData>'
     '</xm:macrosheet>' % row(1, [text("A1", "macro")]))])

# 4. Declared sizes that are wrong: too narrow (a value in column E), too wide (A to Z over four columns), the whole
# grid over four columns, and a fifth column only in a row after the last participant.
xlsx("dimension-too-narrow.xlsx", HEADING + participant(2, "Ani", "ABCDE"), dimension="A1:D2")
xlsx("dimension-too-wide.xlsx", HEADING + participant(2, "Ani") + participant(3, "Budi"), dimension="A1:Z4")
xlsx("dimension-whole-grid.xlsx", HEADING + participant(2, "Ani") + participant(3, "Budi"),
     dimension="A1:XFD1048576")
xlsx("fifth-column-after-the-list.xlsx",
     HEADING + participant(2, "Ani") + participant(3, "Budi") + row(5, [text("E5", "catatan")]))
# The heading names two columns and a later participant brings the third and fourth.
xlsx("columns-grow.xlsx", row(1, [text("A1", "ID"), text("B1", "no_undian")]) +
     participant(2, "Ani", "AB") + participant(3, "Budi", "ABCD"))

# 6. A sheet part of 0 bytes.
write_zip("empty-sheet-part.xlsx", [
    ("_rels/.rels", relationships([("rId1", REL, "officeDocument", "xl/workbook.xml")])),
    ("xl/workbook.xml", '<workbook xmlns="%s" xmlns:r="%s"><sheets><sheet name="S" sheetId="1" r:id="rId1"/>'
                        '</sheets></workbook>' % (MAIN, REL)),
    ("xl/_rels/workbook.xml.rels", relationships([("rId1", REL, "worksheet", "worksheets/sheet1.xml")])),
    ("xl/worksheets/sheet1.xml", "")])

# 7. An empty shared-string index: an empty cell.
xlsx("empty-shared-string-index.xlsx",
     HEADING + row(2, [num("A2", 1), '<c r="B2" t="s"><v/></c>', '<c r="C2" t="s"><v>0</v></c>',
                       '<c r="D2" t="s"><v></v></c>']), shared=["Ani"])

# 9. Parts named otherwise, found through the relationships: the workbook at wb/book.xml, the worksheet by an
# absolute target, the shared strings by a relative one that climbs a folder.
write_zip("relationships-elsewhere.xlsx", [
    ("_rels/.rels", relationships([("rId1", REL, "officeDocument", "wb/book.xml")])),
    ("wb/book.xml", '<workbook xmlns="%s" xmlns:r="%s"><sheets><sheet name="S" sheetId="1" r:id="rIdA"/>'
                    '</sheets></workbook>' % (MAIN, REL)),
    ("wb/_rels/book.xml.rels", relationships([("rIdA", REL, "worksheet", "/data/peserta.xml"),
                                              ("rIdB", REL, "sharedStrings", "../strings/all.xml")])),
    ("data/peserta.xml", '<worksheet xmlns="%s"><sheetData>%s%s</sheetData></worksheet>' %
     (MAIN, HEADING, row(2, [num("A2", 1), '<c r="B2" t="s"><v>0</v></c>', '<c r="C2" t="s"><v>1</v></c>']))),
    ("strings/all.xml", '<sst xmlns="%s"><si><t>U-1</t></si><si><t>Ani</t></si></sst>' % MAIN)])

# 11. An Excel binary workbook, and an ods saved with a password (its manifest tells).
write_zip("binary-workbook.xlsb", [
    ("_rels/.rels", relationships([("rId1", REL, "officeDocument", "xl/workbook.bin")])),
    ("xl/workbook.bin", b"\x83\x01\x00\x84\x01\x00")])
with zipfile.ZipFile("password.ods", "w") as z:
    z.writestr(zipfile.ZipInfo("mimetype", (2024, 1, 1, 0, 0, 0)), "application/vnd.oasis.opendocument.spreadsheet")
    z.writestr(zipfile.ZipInfo("META-INF/manifest.xml", (2024, 1, 1, 0, 0, 0)),
               '<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0">'
               '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml">'
               '<manifest:encryption-data manifest:checksum-type="SHA1/1K" manifest:checksum="AAAA">'
               '<manifest:algorithm manifest:algorithm-name="Blowfish CFB" manifest:initialisation-vector="AAAA"/>'
               '</manifest:encryption-data></manifest:file-entry></manifest:manifest>')
    z.writestr(zipfile.ZipInfo("content.xml", (2024, 1, 1, 0, 0, 0)), bytes(range(256)))

# 5. A CSV whose quote on line 3 is never closed.
with open("unclosed-quote.csv", "wb") as f:
    f.write(b'ID,nama,hp\r\n1,Ani,0811\r\n2,"Budi,0812\r\n3,Citra,0813\r\n')


# --- xls: BIFF records in an OLE2 container written here, so that streams can be named as any writer names them.

def record(kind, data=b""):
    return struct.pack("<HH", kind, len(data)) + data


def bof(version, kind):
    # BIFF8 BOF is 16 bytes, BIFF5 8.
    data = struct.pack("<HHHH", version, kind, 0x0DBB, 0x07CC)
    return record(0x0809, data + (b"\0" * 8 if version == 0x0600 else b""))


def biff_workbook(version, sheets, codepage=None):
    """sheets: (kind in BOUNDSHEET, BOF kind, records of the sheet). Returns the stream."""
    def globals_(offsets):
        out = bof(version, 0x0005)
        if codepage is not None:
            out += record(0x0042, struct.pack("<H", codepage))
        for i, (dt, _, _) in enumerate(sheets):
            name = ("S%d" % (i + 1)).encode()
            tail = bytes([len(name)]) + (b"\0" if version == 0x0600 else b"") + name
            out += record(0x0085, struct.pack("<IBB", offsets[i], 0, dt) + tail)
        return out + record(0x000A)
    size = len(globals_([0] * len(sheets)))
    offsets, bodies = [], []
    for _, kind, records in sheets:
        offsets.append(size)
        body = bof(version, kind) + b"".join(records) + record(0x000A)
        bodies.append(body)
        size += len(body)
    return globals_(offsets) + b"".join(bodies)


def cell(r, c):
    return struct.pack("<HHH", r, c, 15)


def number(r, c, value):
    return record(0x0203, cell(r, c) + struct.pack("<d", value))


def label5(r, c, data, kind=0x0204):
    # BIFF5 LABEL (and RSTRING, with its formatting runs after the text): 8-bit characters in the code page.
    runs = b"\x01\x00\x01" if kind == 0x00D6 else b""
    return record(kind, cell(r, c) + struct.pack("<H", len(data)) + data + runs)


def label8(r, c, text):
    data = text.encode("utf-16-le")
    return record(0x0204, cell(r, c) + struct.pack("<HB", len(text), 1) + data)


def formula(r, c, result, rpn=b"\x1e\x01\x00"):
    tail = struct.pack("<HIH", 0, 0, len(rpn))  # flags, chn, the length of the expression (BIFF5 and BIFF8 alike)
    return record(0x0006, cell(r, c) + result + tail + rpn)


def ole2(path, streams):
    """A compound file (version 3, 512-byte sectors) holding the given (name, data) streams. Each stream is padded to
    4096 bytes at least, so that it lies in ordinary sectors rather than in the mini stream."""
    sector = 512
    datas = []
    for name, data in streams:
        data = data + b"\0" * (max(4096, -(-len(data) // sector) * sector) - len(data))
        datas.append((name, data))
    data_sectors = sum(len(d) // sector for _, d in datas)
    dir_sectors = -(-(len(datas) + 1) // 4)
    total = data_sectors + dir_sectors
    fat_sectors = 1
    while (total + fat_sectors) > fat_sectors * 128:
        fat_sectors += 1
    fat = []
    starts = []
    at = 0
    for _, d in datas:
        n = len(d) // sector
        starts.append(at)
        fat += [at + i + 1 for i in range(n - 1)] + [0xFFFFFFFE]
        at += n
    dir_start = at
    fat += [dir_start + i + 1 for i in range(dir_sectors - 1)] + [0xFFFFFFFE]
    fat_start = dir_start + dir_sectors
    fat += [0xFFFFFFFD] * fat_sectors
    fat += [0xFFFFFFFF] * (fat_sectors * 128 - len(fat))

    def entry(name, kind, child, right, start, size):
        raw = name.encode("utf-16-le") + b"\0\0"
        return (raw + b"\0" * (64 - len(raw)) + struct.pack("<HBBIII", len(raw), kind, 1, 0xFFFFFFFF, right, child) +
                b"\0" * 16 + b"\0" * 4 + b"\0" * 16 + struct.pack("<IIi", start, size, 0))

    entries = entry("Root Entry", 5, 1, 0xFFFFFFFF, 0xFFFFFFFE, 0)
    for i, (name, data) in enumerate(datas):
        right = i + 2 if i + 1 < len(datas) else 0xFFFFFFFF
        entries += entry(name, 2, 0xFFFFFFFF, right, starts[i], len(streams[i][1]) if len(streams[i][1]) >= 4096
                         else len(data))
    entries += b"\0" * (dir_sectors * sector - len(entries))
    header = (b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\0" * 16 +
              struct.pack("<HHHHH", 0x003E, 3, 0xFFFE, 9, 6) + b"\0" * 6 +
              struct.pack("<IIIIIIIII", 0, fat_sectors, dir_start, 0, 4096, 0xFFFFFFFE, 0, 0xFFFFFFFE, 0) +
              b"".join(struct.pack("<I", fat_start + i) for i in range(fat_sectors)) +
              struct.pack("<I", 0xFFFFFFFF) * (109 - fat_sectors))
    with open(path, "wb") as f:
        f.write(header + b"".join(d for _, d in datas) + entries + struct.pack("<%dI" % len(fat), *fat))


HEAD8 = [label8(0, c, h) for c, h in enumerate(["ID", "no_undian", "nama", "hp"])]
BODY8 = HEAD8 + [number(1, 0, 1), label8(1, 1, "U-1"), label8(1, 2, "Ani"), label8(1, 3, "0811")]

# 8. The workbook stream named "WORKBOOK" (names are case-insensitive), and "Book" in another case holding BIFF5.
ole2("stream-name-upper-case.xls", [("WORKBOOK", biff_workbook(0x0600, [(0, 0x0010, BODY8)]))])

# 3. xls: a chart sheet, then a dialog sheet (a worksheet whose WSBOOL says dialog), then the worksheet.
ole2("chart-sheet-first.xls", [("Workbook", biff_workbook(0x0600, [
    (2, 0x0020, []),
    (0, 0x0010, [record(0x0081, b"\x11\x04"), label8(0, 0, "dialog")]),
    (0, 0x0010, [record(0x0081, b"\x01\x04")] + BODY8)]))])

# 10. Excel 5.0/95 (BIFF5) in a "Book" stream: LABEL and RSTRING in the code page, numbers, a formula's text.
HEAD5 = [label5(0, c, h.encode()) for c, h in enumerate(["ID", "no_undian", "nama", "hp"])]
ole2("excel95.xls", [("Book", biff_workbook(0x0500, [(0, 0x0010, HEAD5 + [
    number(1, 0, 1), label5(1, 1, b"007"), label5(1, 2, "José Müller €".encode("cp1252"), 0x00D6),
    label5(1, 3, b"0811"),
    number(2, 0, 2), formula(2, 1, b"\0" * 6 + b"\xff\xff"), record(0x0207, b"\x04\x00U-02"),
    label5(2, 2, "Siti “Nur”".encode("cp1252")), number(2, 3, 81234567890)])], codepage=1252))])
ole2("excel95-cyrillic.xls", [("book", biff_workbook(0x0500, [(0, 0x0010, HEAD5 + [
    number(1, 0, 1), label5(1, 1, b"A-1"), label5(1, 2, "Иван Петров".encode("cp1251")), label5(1, 3, b"0811")])],
    codepage=1251))])

# 11. An xlsx saved with a password (an OLE2 container with the encrypted package), and an Excel 4.0 worksheet.
ole2("password.xlsx", [("EncryptionInfo", b"\x04\x00\x04\x00"), ("EncryptedPackage", b"\0" * 64)])
with open("excel4.xls", "wb") as f:
    f.write(record(0x0409, struct.pack("<HHH", 0, 0x0010, 0)) + record(0x000A))

# 1. xls: a script library's formulas (xlwt writes them without results and tells the sheet was not calculated).
wb = xlwt.Workbook()
ws = wb.add_sheet("Peserta")
for c, h in enumerate(["ID", "no_undian", "nama", "hp"]):
    ws.write(0, c, h)
ws.write(1, 0, 1)
ws.write(1, 1, "U-1")
ws.write(1, 2, "Ani")
ws.write(2, 0, xlwt.Formula("ROW()-1"))
ws.write(2, 1, "U-2")
ws.write(2, 2, "Budi")
wb.save("formula-without-result.xls")
