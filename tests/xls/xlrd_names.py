# Prints what xlrd finds of a .xls file's layout, one fact per line: cell
# values, merged ranges, row heights and hidden rows, column widths and
# hidden columns, and the defined names with the areas they cover.
#   python3 xlrd_names.py FILE
# Ends with the closing END line of tests/tools/checklib.py.
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

xlrd = checklib.require_module("xlrd", "xlrd")
oREF = xlrd.formula.oREF

book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
for s in book.sheets():
    for r in range(s.nrows):
        for c in range(s.ncols):
            cell = s.cell(r, c)
            if cell.ctype not in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                print("cell %s!%d,%d: %r" % (s.name, r, c, cell.value))
    for rlo, rhi, clo, chi in sorted(s.merged_cells):
        print("merged %s: rows %d-%d cols %d-%d" % (s.name, rlo, rhi - 1, clo, chi - 1))
    for r in sorted(s.rowinfo_map):
        info = s.rowinfo_map[r]
        if info.height != 255 or info.hidden:
            print("row %s!%d: height %d hidden %d" % (s.name, r, info.height, info.hidden))
    for c in sorted(s.colinfo_map):
        info = s.colinfo_map[c]
        print("col %s!%d: width %d hidden %d" % (s.name, c, info.width, info.hidden))
for n in book.name_obj_list:
    res = n.result
    if res is not None and res.kind == oREF:
        areas = ["sheets %d-%d rows %d-%d cols %d-%d" % (a.shtxlo, a.shtxhi - 1, a.rowxlo, a.rowxhi - 1,
                                                       a.colxlo, a.colxhi - 1) for a in res.value]
        text = "; ".join(areas)
    else:
        text = "not a reference"
    print("name %s scope %d: %s" % (n.name, n.scope, text))
checklib.end()
