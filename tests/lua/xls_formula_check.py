"""Checks a .xls file with formulas: xlrd reads every sheet and finds a cell
at each formula's place, and LibreOffice, recalculating on load, shows the
expected value of each formula in its CSV export of the first sheet. Prints
one line per mismatch and exits non-zero."""
import csv
import os
import shutil
import subprocess
import sys
import tempfile

import xlrd

path, expect_path = sys.argv[1], sys.argv[2]
failures = []

expected = []
with open(expect_path, encoding="utf-8") as f:
    for line in f:
        row, col, value = line.rstrip("\n").split("\t")
        expected.append((int(row), int(col), value))

book = xlrd.open_workbook(path)
sheet = book.sheet_by_index(0)
for row, col, value in expected:
    try:
        sheet.cell(row, col)
    except IndexError:
        failures.append("xlrd: no cell at %d,%d" % (row, col))

soffice = shutil.which("soffice")
if soffice:
    with tempfile.TemporaryDirectory() as tmp:
        profile = "file://" + os.path.join(tmp, "profile")
        subprocess.run(
            [soffice, "-env:UserInstallation=" + profile, "--headless", "--convert-to",
             "csv:Text - txt - csv (StarCalc):44,34,76",
             "--outdir", tmp, path],
            check=True, capture_output=True, timeout=300)
        name = os.path.splitext(os.path.basename(path))[0] + ".csv"
        with open(os.path.join(tmp, name), encoding="utf-8", newline="") as f:
            rows = list(csv.reader(f))
        for row, col, value in expected:
            shown = rows[row][col] if row < len(rows) and col < len(rows[row]) else ""
            if shown != value:
                failures.append("LibreOffice shows %r at %d,%d, want %r" % (shown, row, col, value))
else:
    print("LibreOffice not found: its check is skipped")

for f in failures:
    print("FAIL " + f)
sys.exit(1 if failures else 0)
