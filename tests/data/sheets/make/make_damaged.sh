#!/bin/sh
# A picture named like a workbook, and a workbook cut off in the middle (its zip directory is missing).
# Run from tests/data/sheets (needs ImageMagick).
set -e
convert -size 8x8 xc:red png:not-a-spreadsheet.xlsx
head -c 3000 participants-shared.xlsx > truncated.xlsx
