# Prints the layout of every sheet of a .xls file as xlrd reads it, one fact
# per line: column and row records, page breaks, panes, merged ranges and
# the cells that hold something.
#   python3 xlrd_layout.py FILE
# Ends with the closing END line of tests/tools/checklib.py.
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

xlrd = checklib.require_module('xlrd', 'xlrd')

book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
for s in book.sheets():
    print("sheet %s" % s.name)
    for c in sorted(s.colinfo_map):
        i = s.colinfo_map[c]
        print("col %d: width %d hidden %d level %d" % (c, i.width, i.hidden, i.outline_level))
    for r in sorted(s.rowinfo_map):
        i = s.rowinfo_map[r]
        print("row %d: height %d hidden %d level %d" % (r, i.height, i.hidden, i.outline_level))
    print("horizontal breaks:", " ".join("%d" % b[0] for b in s.horizontal_page_breaks))
    print("vertical breaks:", " ".join("%d" % b[0] for b in s.vertical_page_breaks))
    print("frozen: %d at %d,%d" % (s.panes_are_frozen, s.horz_split_pos, s.vert_split_pos))
    for m in sorted(s.merged_cells):
        print("merged rows %d-%d cols %d-%d" % (m[0], m[1] - 1, m[2], m[3] - 1))
    for r in range(s.nrows):
        for c in range(s.ncols):
            if s.cell_type(r, c) != xlrd.XL_CELL_EMPTY:
                print("cell %d,%d: %d" % (r, c, s.cell_type(r, c)))
checklib.end()
