"""Checks a .xls file against the cells a test wrote: values, cell types and
format indexes through xlrd, the record each number was stored in, and the
texts LibreOffice shows. Prints one line per mismatch and exits non-zero."""
import csv
import io
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile

import olefile
import xlrd

path, expect_path = sys.argv[1], sys.argv[2]
failures = []


def fail(msg):
    failures.append(msg)


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
soffice = shutil.which("soffice")
if soffice:
    with tempfile.TemporaryDirectory() as tmp:
        profile = "file://" + os.path.join(tmp, "profile")
        subprocess.run(
            [soffice, "-env:UserInstallation=" + profile, "--headless", "--convert-to",
             "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir", tmp, path],
            check=True, capture_output=True, timeout=300)
        name = os.path.splitext(os.path.basename(path))[0] + ".csv"
        with open(os.path.join(tmp, name), encoding="utf-8", newline="") as f:
            rows = list(csv.reader(f))
        for row, col, kind, value, record, xf in expected:
            if kind != "string":
                continue
            shown = rows[row][col] if row < len(rows) and col < len(rows[row]) else ""
            if shown != value:
                fail("LibreOffice shows %r at %d,%d, want %r" % (shown, row, col, value))
else:
    print("LibreOffice not found: its check is skipped")

for f in failures:
    print("FAIL " + f)
sys.exit(1 if failures else 0)
