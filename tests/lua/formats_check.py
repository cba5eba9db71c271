"""Checks the books that formats_test.lua saved, as independent readers see
them: openpyxl the .xlsx books, xlrd the .xls books. Its argument is a file
of facts, one a line, fields separated by tabs:

    numfmt <book> <sheet> <row> <id> <text> <date>
        the cell in column A of that row has the built-in number format id
        (when <id> is given) or the custom format text; <date> is 1 when the
        reader takes the cell for a date, 0 when not
    date   <book> <sheet> <row> <YYYY-MM-DD hh:mm:ss> <system>
        the book is in that date system (1900 or 1904) and the reader reads
        that date and time from the cell in column A of that row
"""
import collections
import io
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

openpyxl = checklib.require_module("openpyxl", "python3-openpyxl")
xlrd = checklib.require_module("xlrd", "python3-xlrd")
from openpyxl.styles.numbers import BUILTIN_FORMATS  # noqa: E402
from openpyxl.utils.datetime import CALENDAR_MAC_1904  # noqa: E402

checks = checklib.Checks()
books = {}


def load(path):
    if path not in books:
        try:
            if path.endswith(".xlsx"):
                import warnings
                warnings.simplefilter("ignore")
                books[path] = openpyxl.load_workbook(path)
            else:
                books[path] = xlrd.open_workbook(path, formatting_info=True, logfile=io.StringIO())
        except Exception as e:  # any failure to read is the finding
            checks.fail("cannot read %s: %s" % (path, e))
            books[path] = None
    return books[path]


def xls_format(book, sheet, row):
    """The number-format key, its text and xlrd's date verdict of a cell."""
    cell = book.sheet_by_name(sheet).cell(row, 0)
    key = book.xf_list[cell.xf_index].format_key
    fmt = book.format_map.get(key)
    if fmt is None:
        return key, None, None, cell
    return key, fmt.format_str, fmt.type == xlrd.formatting.FDT, cell


with open(sys.argv[1], encoding="utf-8") as f:
    for line in f:
        kind, path, sheet, *rest = line.rstrip("\n").split("\t")
        book = load(path)
        if book is None:
            continue
        where = "%s %s row %s" % (path, sheet, rest[0])
        row = int(rest[0])
        if kind == "numfmt":
            fid, text, date = rest[1], rest[2], rest[3] == "1"
            if path.endswith(".xlsx"):
                cell = book[sheet].cell(row + 1, 1)
                want = BUILTIN_FORMATS[int(fid)] if fid else text
                checks.equal(cell.number_format, want, where + ": number format")
                checks.equal(cell.is_date, date, where + ": openpyxl takes it for a date")
            else:
                key, got, is_date, _ = xls_format(book, sheet, row)
                if fid:
                    checks.equal(key, int(fid), where + ": number format id")
                else:
                    checks.equal(got, text, where + ": number format text")
                if is_date is not None or not fid:
                    checks.equal(is_date, date, where + ": xlrd takes it for a date")
        elif kind == "date":
            text, system = rest[1], rest[2]
            if path.endswith(".xlsx"):
                checks.equal(book.epoch == CALENDAR_MAC_1904, system == "1904", path + ": the 1904 date system")
                value = book[sheet].cell(row + 1, 1).value
                got = value.strftime("%Y-%m-%d %H:%M:%S") if hasattr(value, "strftime") else repr(value)
                checks.equal(got, text, where + ": the date openpyxl reads")
            else:
                checks.equal(book.datemode, 1 if system == "1904" else 0, path + ": the 1904 date system")
                key, _, is_date, cell = xls_format(book, sheet, row)
                checks.check(is_date is not False, where + ": xlrd takes the cell for a date")
                try:
                    got = "%04d-%02d-%02d %02d:%02d:%02d" % xlrd.xldate_as_tuple(cell.value, book.datemode)
                except Exception as e:
                    got = "%r (%s)" % (cell.value, e)
                checks.equal(got, text, where + ": the date xlrd reads")
        else:
            checks.fail("unknown fact " + kind)

checks.finish()
