# Rows, columns, outline and merged ranges of the first sheet of a .xlsx
# book as openpyxl reads them, then as openpyxl reads the book that
# LibreOffice makes of it (so that LibreOffice must have opened it), one
# line per reader:
#   <reader> col <letter>: width=<w> hidden=<0|1> level=<n>
#   <reader> row <number>: height=<h> hidden=<0|1> level=<n>
#   <reader> merged: <ranges in order>
#   <reader> summary: below=<0|1> right=<0|1>
# then the closing END line of tests/tools/checklib.py. A file either
# reader cannot read fails the check.
#   python3 openpyxl_layout.py FILE.xlsx WORKDIR
import os
import sys
import warnings

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

openpyxl = checklib.require_module("openpyxl", "openpyxl")
warnings.simplefilter("ignore")
# The columns and rows reported, from the first.
COLUMNS = 12
ROWS = 12


def show(reader, path):
    ws = openpyxl.load_workbook(path).worksheets[0]
    utils = openpyxl.utils
    dims = list(ws.column_dimensions.items())
    for index in range(1, COLUMNS + 1):
        width, hidden, level = "none", 0, 0
        for letter, dim in dims:
            lo = dim.min or utils.column_index_from_string(letter)
            if lo <= index <= (dim.max or lo):
                width = "%g" % dim.width if dim.customWidth or dim.width else "none"
                hidden, level = int(bool(dim.hidden)), dim.outlineLevel or 0
                break
        print("%s col %s: width=%s hidden=%d level=%d" % (reader, utils.get_column_letter(index), width, hidden,
                                                          level))
    for number in range(1, ROWS + 1):
        dim = ws.row_dimensions.get(number) if number in ws.row_dimensions else None
        height = "%g" % dim.height if dim is not None and dim.height is not None else "none"
        print("%s row %d: height=%s hidden=%d level=%d" % (
            reader, number, height, int(bool(dim is not None and dim.hidden)),
            (dim.outlineLevel or 0) if dim is not None else 0))
    print("%s merged: %s" % (reader, " ".join(sorted(str(r) for r in ws.merged_cells.ranges))))
    outline = ws.sheet_properties.outlinePr
    below = outline is None or outline.summaryBelow is not False
    right = outline is None or outline.summaryRight is not False
    print("%s summary: below=%d right=%d" % (reader, int(below), int(right)))


show("openpyxl", sys.argv[1])
work = sys.argv[2]
made = checklib.convert([sys.argv[1]], "xlsx", os.path.join(work, "lo-out"), os.path.join(work, "lo-work"))
if made[sys.argv[1]] is None:
    print("FAIL LibreOffice made nothing of " + sys.argv[1])
    sys.exit(1)
show("libreoffice", made[sys.argv[1]])
checklib.end()
