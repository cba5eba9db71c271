# Independent reference for the drawing tests: the cell comments of a .xls
# file as python3-xlrd reads them, one line per comment, then the closing
# END line of tests/tools/checklib.py.
# Usage: officeart_notes.py <file>; prints "REFUSED <reason>" (and END) when
# xlrd refuses the file.
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

xlrd = checklib.require_module("xlrd", "xlrd")

try:
    book = xlrd.open_workbook(sys.argv[1], formatting_info=True, logfile=open(os.devnull, 'w'))
except Exception as ex:  # noqa: BLE001 (xlrd also asserts on what it refuses)
    print('REFUSED', type(ex).__name__, ex)
    checklib.end()
for sheet in book.sheets():
    for (row, col), note in sorted(sheet.cell_note_map.items()):
        print(sheet.name, row, col, repr(note.author), repr(note.text))
checklib.end()
