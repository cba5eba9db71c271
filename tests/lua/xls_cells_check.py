"""Checks a .xls file against the cells a test wrote: values, cell types and
format indexes through xlrd, the record each number was stored in, and the
texts LibreOffice shows. Prints one line per mismatch and exits non-zero;
ends with the closing END line of tests/tools/checklib.py when all agree."""
import csv
import math
import os
import struct
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

olefile = checklib.require_module("olefile", "olefile")
xlrd = checklib.require_module("xlrd", "xlrd")
checklib.soffice()

path, expect_path = sys.argv[1], sys.argv[2]
checks = checklib.Checks()


def fail(msg):
    checks.fail(msg)


expected = []
with open(expect_path, encoding="utf-8") as f:
    for line in f:
        row, col, kind, value, record, xf = line.rstrip("\n").split("\t")
        if kind == "string":
            value = bytes.fromhex(value).decode("utf-8")
        expected.append((int(row), int(col), kind, value, record, int(xf)))

book = xlrd.open_workbook(path, formatting_info=True)
sheet = book.sheet_by_index(0)
ctypes = {
    "string": xlrd.XL_CELL_TEXT,
    "number": xlrd.XL_CELL_NUMBER,
    "date": xlrd.XL_CELL_DATE,
    "bool": xlrd.XL_CELL_BOOLEAN,
    "blank": xlrd.XL_CELL_BLANK,
}
for row, col, kind, value, record, xf in expected:
    where = "%s at %d,%d" % (kind, row, col)
    checks.check(True, where)
    try:
        cell = sheet.cell(row, col)
    except IndexError:
        fail("xlrd: no cell for %s" % where)
        continue
    if cell.ctype != ctypes[kind]:
        fail("xlrd: type of %s is %r" % (where, cell.ctype))
    if cell.xf_index != xf:
        fail("xlrd: format of %s is %r, want %r" % (where, cell.xf_index, xf))
    if kind == "string" and cell.value != value:
        fail("xlrd: value of %s is %r" % (where, cell.value))
    if kind in ("number", "date"):
        want = float(value)
        if cell.value != want or math.copysign(1, cell.value) != math.copysign(1, want):
            fail("xlrd: value of %s is %r, want %r" % (where, cell.value, want))
    if kind == "bool" and cell.value != int(value):
        fail("xlrd: value of %s is %r" % (where, cell.value))

# The record that holds each number.
stream = olefile.OleFileIO(path).openstream("Workbook").read()
records = {}
pos = 0
while pos + 4 <= len(stream):
    rid, length = struct.unpack_from("<HH", stream, pos)
    data = stream[pos + 4 : pos + 4 + length]
    if rid in (0x027E, 0x0203) and len(data) >= 4:
        records[struct.unpack_from("<HH", data, 0)] = "rk" if rid == 0x027E else "number"
    pos += 4 + length
for row, col, kind, value, record, xf in expected:
    if record != "-" and records.get((row, col)) != record:
        fail("record of %s at %d,%d is %r, want %r" % (kind, row, col, records.get((row, col)), record))

# The texts LibreOffice shows.
with tempfile.TemporaryDirectory() as tmp:
    made = checklib.convert([path], "csv:Text - txt - csv (StarCalc):44,34,76", tmp, os.path.join(tmp, "work"),
                            timeout=300)[path]
    if checks.check(made is not None, "LibreOffice converted nothing from " + path):
        with open(made, encoding="utf-8", newline="") as f:
            rows = list(csv.reader(f))
        for row, col, kind, value, record, xf in expected:
            if kind != "string":
                continue
            shown = rows[row][col] if row < len(rows) and col < len(rows[row]) else ""
            checks.equal(shown, value, "LibreOffice shows at %d,%d" % (row, col))

checks.finish()
