"""Makes the books that user_trial_cells_test.lua starts from, and checks the
books it saved as independent readers see them.

    user_trial_cells_check.py make <folder>
        writes nostyles.xlsx: a package with one sheet, Data, whose A1 holds
        2.5, and no styles part (as some programs write them)

    user_trial_cells_check.py check <facts>
        reads a file of facts, one a line, fields separated by tabs:

    value   <book> <sheet> <row> <col> <value>
                                      xlrd (.xls) or openpyxl (.xlsx) reads
                                      that value (a number as its shortest
                                      text) in that cell of the named sheet
    formula <book> <sheet> <row> <col> <text>
                                      openpyxl reads that formula text in a
                                      .xlsx book (xlrd reads no formula text:
                                      for a .xls book, xlrd opens it)
    lo      <book> <row> <col> <text> LibreOffice, converting the book to
                                      CSV (and calculating its formulas),
                                      shows the text in that cell of the
                                      first sheet
"""
import atexit
import collections
import csv
import os
import shutil
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG_REL = "http://schemas.openxmlformats.org/package/2006/relationships"


def make(folder):
    parts = {
        "[Content_Types].xml":
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
            '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
            '<Default Extension="xml" ContentType="application/xml"/>'
            '<Override PartName="/xl/workbook.xml" '
            'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
            '<Override PartName="/xl/worksheets/sheet1.xml" '
            'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
            '</Types>',
        "_rels/.rels":
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<Relationships xmlns="%s"><Relationship Id="rId1" Target="xl/workbook.xml" '
            'Type="%s/officeDocument"/></Relationships>' % (PKG_REL, REL),
        "xl/workbook.xml":
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<workbook xmlns="%s" xmlns:r="%s"><sheets><sheet name="Data" sheetId="1" r:id="rId1"/></sheets>'
            '</workbook>' % (MAIN, REL),
        "xl/_rels/workbook.xml.rels":
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<Relationships xmlns="%s"><Relationship Id="rId1" Target="worksheets/sheet1.xml" '
            'Type="%s/worksheet"/></Relationships>' % (PKG_REL, REL),
        "xl/worksheets/sheet1.xml":
            '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<worksheet xmlns="%s"><sheetData><row r="1"><c r="A1"><v>2.5</v></c></row></sheetData>'
            '</worksheet>' % MAIN,
    }
    with zipfile.ZipFile(os.path.join(folder, "nostyles.xlsx"), "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in parts.items():
            z.writestr(name, text)
    checklib.end()


def shortest(value):
    if isinstance(value, float) and value == int(value):
        return str(int(value))
    return str(value)


def check(facts_path):
    xlrd = checklib.require_module("xlrd", "python3-xlrd")
    openpyxl = checklib.require_module("openpyxl", "python3-openpyxl")
    facts = checklib.read_facts(facts_path)

    checks = checklib.Checks()
    work = tempfile.mkdtemp(prefix="celvo-trial-cells-")
    atexit.register(shutil.rmtree, work, True)
    open_book = checklib.book_opener(checks, xlrd, openpyxl)

    for path, sheet, row, col, want in facts["value"]:
        book = open_book(path)
        if book is None:
            continue
        row, col = int(row), int(col)
        try:
            if path.endswith(".xlsx"):
                got = book[sheet].cell(row=row + 1, column=col + 1).value
            else:
                got = book.sheet_by_name(sheet).cell_value(row, col)
        except (IndexError, KeyError, xlrd.XLRDError):
            got = "(no such cell)"
        checks.equal(shortest(got), want, "%s: sheet %s, cell %d,%d" % (path, sheet, row, col))

    for path, sheet, row, col, want in facts["formula"]:
        book = open_book(path)
        if book is None or not path.endswith(".xlsx"):
            checks.check(book is not None, path + " opens")
            continue
        got = book[sheet].cell(row=int(row) + 1, column=int(col) + 1).value
        checks.equal(got, want, "%s: the formula of sheet %s, cell %s,%s" % (path, sheet, row, col))

    # One LibreOffice run converts every book; the books of the two formats
    # have the same names, so each format has a folder of its own.
    lo = collections.defaultdict(list)
    for path, row, col, text in facts["lo"]:
        lo[path].append((int(row), int(col), text))
    for ext in (".xls", ".xlsx"):
        paths = sorted(p for p in lo if p.endswith(ext))
        if not paths:
            continue
        made = checklib.convert(paths, "csv:Text - txt - csv (StarCalc):44,34,76", os.path.join(work, "csv" + ext),
                                os.path.join(work, "lo"))
        for path in paths:
            if not checks.check(made[path] is not None, "LibreOffice converts " + path):
                continue
            with open(made[path], encoding="utf-8", newline="") as f:
                rows = list(csv.reader(f))
            for row, col, text in lo[path]:
                shown = rows[row][col] if row < len(rows) and col < len(rows[row]) else ""
                checks.equal(shown, text, "%s: LibreOffice shows at %d,%d" % (path, row, col))

    checks.finish()


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("make", "check"):
        sys.exit("usage: user_trial_cells_check.py make <folder> | check <facts>")
    (make if sys.argv[1] == "make" else check)(sys.argv[2])
