# Prints the texts of a .xls file as xlrd reads them, one per line, each as
# a JSON string (non-ASCII characters as \uXXXX escapes): the code page
# xlrd decoded the book's 8-bit texts with, every sheet name and every text
# cell.
#   python3 xlrd_texts.py FILE
# Ends with the closing END line of tests/tools/checklib.py.
import json
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

xlrd = checklib.require_module('xlrd', 'xlrd')

book = xlrd.open_workbook(sys.argv[1])
print("encoding %s" % book.encoding)
for s in book.sheets():
    print("sheet %s" % json.dumps(s.name))
    for r in range(s.nrows):
        for c in range(s.ncols):
            if s.cell_type(r, c) == xlrd.XL_CELL_TEXT:
                print("cell %d,%d %s" % (r, c, json.dumps(s.cell_value(r, c))))
checklib.end()
