# The layout of the first sheet of a .xls or .xlsx file as the independent
# reader of its format reads it (xlrd for .xls, openpyxl for .xlsx), one
# fact per line, in the same words for both:
#   col <c>: hidden <0|1>        (columns 0-15)
#   row <r>: hidden <0|1>        (rows 0-15)
#   merged rows <r1>-<r2> cols <c1>-<c2>
#   cell <r>,<c>: number|text    (the cells holding a value)
# then the closing END line of tests/tools/checklib.py.
#   python3 layout_check.py FILE
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

SIZE = 16
path = sys.argv[1]

if path.endswith(".xls"):
    xlrd = checklib.require_module("xlrd", "xlrd")
    s = xlrd.open_workbook(path, formatting_info=True).sheet_by_index(0)
    for c in range(SIZE):
        info = s.colinfo_map.get(c)
        print("col %d: hidden %d" % (c, info.hidden if info else 0))
    for r in range(SIZE):
        info = s.rowinfo_map.get(r)
        print("row %d: hidden %d" % (r, info.hidden if info else 0))
    for r1, r2, c1, c2 in sorted(s.merged_cells):
        print("merged rows %d-%d cols %d-%d" % (r1, r2 - 1, c1, c2 - 1))
    kinds = {xlrd.XL_CELL_NUMBER: "number", xlrd.XL_CELL_TEXT: "text"}
    for r in range(s.nrows):
        for c in range(s.ncols):
            if s.cell_type(r, c) in kinds:
                print("cell %d,%d: %s" % (r, c, kinds[s.cell_type(r, c)]))
else:
    openpyxl = checklib.require_module("openpyxl", "openpyxl")
    import warnings
    warnings.simplefilter("ignore")
    ws = openpyxl.load_workbook(path).worksheets[0]
    utils = openpyxl.utils
    dims = list(ws.column_dimensions.items())
    for c in range(SIZE):
        hidden = 0
        for letter, dim in dims:
            lo = dim.min or utils.column_index_from_string(letter)
            if lo <= c + 1 <= (dim.max or lo):
                hidden = int(bool(dim.hidden))
                break
        print("col %d: hidden %d" % (c, hidden))
    for r in range(SIZE):
        dim = ws.row_dimensions[r + 1] if (r + 1) in ws.row_dimensions else None
        print("row %d: hidden %d" % (r, int(bool(dim is not None and dim.hidden))))
    for m in sorted(ws.merged_cells.ranges, key=lambda m: (m.min_row, m.min_col)):
        print("merged rows %d-%d cols %d-%d" % (m.min_row - 1, m.max_row - 1, m.min_col - 1, m.max_col - 1))
    for row in ws.iter_rows():
        for cell in row:
            if isinstance(cell.value, (int, float)) and not isinstance(cell.value, bool):
                print("cell %d,%d: number" % (cell.row - 1, cell.column - 1))
            elif isinstance(cell.value, str):
                print("cell %d,%d: text" % (cell.row - 1, cell.column - 1))
checklib.end()
