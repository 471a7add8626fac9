#!/usr/bin/python3
# Seeds for the fuzz targets (tests/sheets/corpus/<target>/), in the form each target takes (see FuzzEntries.h),
# cut from the fixtures. Run from tests/data/sheets after the fixtures exist: /usr/bin/python3 make/make_seeds.py
import glob, os, zipfile
import xlwt

out = "../../sheets/corpus"
for d in ("fuzz_xlsx", "fuzz_ods", "fuzz_xls", "fuzz_csv"):
    os.makedirs(os.path.join(out, d), exist_ok=True)

def part(z, name):
    try:
        return z.read(name)
    except KeyError:
        return b""

for path in sorted(glob.glob("*.xlsx")):
    with zipfile.ZipFile(path) as z:
        names = {n.lower(): n for n in z.namelist()}
        sheet = part(z, names.get("xl/worksheets/sheet1.xml", "x"))
        shared = part(z, names.get("xl/sharedstrings.xml", "x"))
        styles = part(z, names.get("xl/styles.xml", "x"))
    with open(os.path.join(out, "fuzz_xlsx", "seed-" + path[:-5]), "wb") as f:
        f.write(sheet + b"\n--8<--\n" + shared + b"\n--8<--\n" + styles)

for path in sorted(glob.glob("*.ods")):
    with zipfile.ZipFile(path) as z:
        with open(os.path.join(out, "fuzz_ods", "seed-" + path[:-4]), "wb") as f:
            f.write(z.read("content.xml"))

# xlwt hands out the Workbook stream itself; LibreOffice's xls fixtures are added by extract_workbook_stream.
wb = xlwt.Workbook()
ws = wb.add_sheet("Peserta")
date = xlwt.easyxf(num_format_str="DD/MM/YYYY")
for c, h in enumerate(["ID", "no_undian", "nama", "hp"]):
    ws.write(0, c, h)
ws.write(1, 0, xlwt.Formula("ROW()-1"))
ws.write(1, 1, "007")
ws.write(1, 2, u"Đặng Thị Ánh")
ws.write(1, 3, 81234567890)
ws.write(2, 0, 2)
ws.write(2, 1, 45306, date)
ws.write(2, 2, True)
ws.write(2, 3, 1.5)
with open(os.path.join(out, "fuzz_xls", "seed-xlwt"), "wb") as f:
    f.write(wb.get_biff_data())

csvs = {
    "comma": b"ID,no_undian,nama,hp\r\n1,007,\"Budi, S\",0812\r\n2,8,\"a\r\nb\",\"\"\"q\"\"\"\r\n",
    "semicolon-bom": b"\xef\xbb\xbfID;no_undian;nama;hp\n1;007;\xc3\x91o\xc3\xb1o;0812\n\n3;9;x;y",
    "tab-cp1252": b"ID\tno_undian\tnama\thp\n1\t007\tJos\xe9 \x80\t0812\n",
}
for name, data in csvs.items():
    with open(os.path.join(out, "fuzz_csv", "seed-" + name), "wb") as f:
        f.write(data)
