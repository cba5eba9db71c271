"""Checks a .xls file with formulas: xlrd reads every sheet and finds a cell
at each formula's place, and LibreOffice, recalculating on load, shows the
expected value of each formula in its CSV export of the first sheet. Prints
one line per mismatch and exits non-zero; ends with the closing END line of
tests/tools/checklib.py when all agree."""
import csv
import os
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

xlrd = checklib.require_module("xlrd", "xlrd")
checklib.soffice()

path, expect_path = sys.argv[1], sys.argv[2]
checks = checklib.Checks()

expected = []
with open(expect_path, encoding="utf-8") as f:
    for line in f:
        row, col, value = line.rstrip("\n").split("\t")
        expected.append((int(row), int(col), value))
checks.check(len(expected) > 0, "no formula to check in " + expect_path)

book = xlrd.open_workbook(path)
sheet = book.sheet_by_index(0)
for row, col, value in expected:
    checks.check(row < sheet.nrows and col < sheet.row_len(row), "xlrd: no cell at %d,%d" % (row, col))

with tempfile.TemporaryDirectory() as tmp:
    made = checklib.convert([path], "csv:Text - txt - csv (StarCalc):44,34,76", tmp, os.path.join(tmp, "work"),
                            timeout=300)[path]
    if checks.check(made is not None, "LibreOffice converted nothing from " + path):
        with open(made, encoding="utf-8", newline="") as f:
            rows = list(csv.reader(f))
        for row, col, value in expected:
            shown = rows[row][col] if row < len(rows) and col < len(rows[row]) else ""
            checks.equal(shown, value, "LibreOffice shows at %d,%d" % (row, col))

checks.finish()
