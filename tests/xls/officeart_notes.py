# Independent reference for the drawing tests: the cell comments of a .xls
# file as python3-xlrd reads them, one line per comment.
# Usage: officeart_notes.py <file>; prints "ERROR <reason>" when xlrd refuses it.
import os
import sys

import xlrd

try:
    book = xlrd.open_workbook(sys.argv[1], formatting_info=True, logfile=open(os.devnull, 'w'))
except Exception as ex:
    print('ERROR', type(ex).__name__)
    sys.exit(0)
for sheet in book.sheets():
    for (row, col), note in sorted(sheet.cell_note_map.items()):
        print(sheet.name, row, col, repr(note.author), repr(note.text))
