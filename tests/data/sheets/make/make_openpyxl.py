#!/usr/bin/python3
# Workbooks written by openpyxl: shared strings, absolute part paths, dates, booleans, leading zeros as text and as
# number, non-ASCII names, five columns, a heading-only sheet, a gap in column 1, and formulas (without results; the
# LibreOffice step recalculates them). Run from tests/data/sheets: /usr/bin/python3 make/make_openpyxl.py
import datetime
import openpyxl

wb = openpyxl.Workbook()
ws = wb.active
ws.title = "Peserta"
ws.append(["ID", "no_undian", "nama", "hp"])
ws.append([1, "007", "Budi  Santoso", "081234567890"])          # text with leading zeros, two spaces
ws.append([2, 7, "Siti Nurhaliza", 81234567890])                # the same number as a number
ws.append([3, "0042", "Đặng Thị Ánh", "+62 812-3456-7890"])
ws.append([4, "A-17", "李小龍", 6281234567890])
ws.append([5, 1.5, "Ñoño Müller & <Co>", True])
ws.append([6, datetime.datetime(2024, 1, 15), "Tanggal", False])
ws.append([7, datetime.datetime(2024, 1, 15, 10, 30), "Tanggal jam", None])
ws["B8"].number_format = "dd/mm/yyyy hh:mm"
# Second sheet must not be read.
other = wb.create_sheet("Lain")
other.append(["bukan", "ini"])
wb.save("participants.xlsx")

wb = openpyxl.Workbook()
ws = wb.active
ws.append(["ID", "no_undian", "nama", "hp", "kota"])
ws.append([1, 101, "Ani", "0811", "Bandung"])
ws.append([2, 102, "Bayu", "0812", "Medan"])
wb.save("five-columns.xlsx")

wb = openpyxl.Workbook()
ws = wb.active
ws.append(["ID", "no_undian", "nama", "hp"])
wb.save("heading-only.xlsx")

wb = openpyxl.Workbook()
ws = wb.active
ws.append(["ID", "no_undian", "nama", "hp"])
ws.append([1, 11, "Citra", "0813"])
ws.append([None, 12, "Tanpa ID", "0814"])   # column 1 empty: the upload stops here
ws.append([3, 13, "Dewi", "0815"])
ws["A6"] = 5                                 # a skipped row before it
ws["B6"] = 15
wb.save("gap.xlsx")

# Formulas of every result type; LibreOffice computes and stores the results (make_libreoffice.sh).
wb = openpyxl.Workbook()
ws = wb.active
ws.append(["ID", "kode", "lebih", "galat", "tanggal", "kosong"])
for r in range(2, 5):
    ws.append([f"=ROW()-1", f'=TEXT(A{r},"000")', f"=A{r}>1", "=NA()", f"=DATE(2024,1,A{r})", '=""'])
    ws[f"E{r}"].number_format = "yyyy-mm-dd"
wb.save("formulas-source.xlsx")
