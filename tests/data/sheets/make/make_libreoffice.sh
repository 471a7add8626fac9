#!/bin/sh
# Files written by LibreOffice (libreoffice-calc-nogui, headless): it recalculates the formulas openpyxl left without
# results and stores them, and writes shared strings (xlsx), repeated cells and rows and text:s (ods) and BIFF8 (xls).
# Run from tests/data/sheets after make_openpyxl.py.
set -e
tmp=$(mktemp -d)
profile="-env:UserInstallation=file://$tmp/profile"
soffice $profile --headless --convert-to ods --outdir "$tmp" formulas-source.xlsx participants.xlsx >/dev/null
soffice $profile --headless --convert-to xlsx:"Calc MS Excel 2007 XML" --outdir "$tmp/x" "$tmp/formulas-source.ods" "$tmp/participants.ods" >/dev/null
soffice $profile --headless --convert-to xls:"MS Excel 97" --outdir "$tmp" "$tmp/formulas-source.ods" "$tmp/participants.ods" >/dev/null
cp "$tmp/formulas-source.ods" formulas.ods
cp "$tmp/x/formulas-source.xlsx" formulas.xlsx
cp "$tmp/formulas-source.xls" formulas.xls
cp "$tmp/participants.ods" participants.ods
cp "$tmp/x/participants.xlsx" participants-shared.xlsx
cp "$tmp/participants.xls" participants.xls
rm -rf "$tmp"
