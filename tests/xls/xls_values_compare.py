"""Compares the cell values xlrd reads from pairs of .xls files.

Input: a file of lines "name<TAB>original<TAB>copy". Output: one line per
pair, "name OK", "name SKIP <why>" when xlrd cannot read the original, or
"name DIFF <first difference>"; then the verdict of tests/tools/checklib.py
(a DIFF, or no pair compared, fails it)."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

xlrd = checklib.require_module("xlrd", "xlrd")
checks = checklib.Checks()


def cells(path):
    book = xlrd.open_workbook(path, on_demand=False)
    sheets = []
    for sheet in book.sheets():
        rows = {}
        for r in range(sheet.nrows):
            for c, cell in enumerate(sheet.row(r)):
                if cell.ctype not in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                    rows[(r, c)] = (cell.ctype, cell.value)
        sheets.append((sheet.name, rows))
    return sheets


def same(a, b):
    if a == b:
        return True
    # NaN-free doubles compare by value; equal texts compare equal.
    return False


with open(sys.argv[1], encoding="utf-8") as f:
    for line in f:
        name, original, copy = line.rstrip("\n").split("\t")
        try:
            want = cells(original)
        except Exception as e:  # the reference refuses the original
            print("%s SKIP %s" % (name, str(e).replace("\n", " ")[:80]))
            continue
        try:
            got = cells(copy)
        except Exception as e:
            checks.fail("%s: copy unreadable: %s" % (name, str(e).replace("\n", " ")[:200]))
            continue
        diff = None
        if [n for n, _ in want] != [n for n, _ in got]:
            diff = "sheet names %r vs %r" % ([n for n, _ in want], [n for n, _ in got])
        else:
            for (sheet, a), (_, b) in zip(want, got):
                for key in sorted(set(a) | set(b)):
                    if not same(a.get(key), b.get(key)):
                        diff = "%s!%r: %r vs %r" % (sheet, key, a.get(key), b.get(key))
                        break
                if diff:
                    break
        print("%s %s" % (name, "DIFF " + diff if diff else "OK"))
        checks.check(diff is None, "%s: %s" % (name, diff))
checks.finish()
