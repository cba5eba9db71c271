# Prints what xlrd (with formatting information) finds in a .xls file, one
# fact per line, so that tests can compare our files with the reader's view.
#   python3 xlrd_dump.py FILE [cells]
# Ends with the closing END line of tests/tools/checklib.py.
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

xlrd = checklib.require_module('xlrd', 'xlrd')

book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
print("sheets:", "|".join(book.sheet_names()))
print("visibility:", ",".join(str(s.visibility) for s in book.sheets()))
print("selected:", ",".join(str(i) for i, s in enumerate(book.sheets()) if s.sheet_selected))
print("xfs:", len(book.xf_list))
# The reader fills the never-used font index 4 with a placeholder of its
# own: the FONT records are the others.
fonts = len(book.font_list)
print("fonts:", fonts - 1 if fonts > 4 else fonts)
print("font0:", book.font_list[0].name, book.font_list[0].height)
for key in sorted(book.format_map):
    if key >= 164:
        print("format %d: %s" % (key, book.format_map[key].format_str))
if len(sys.argv) > 2:
    for s in book.sheets():
        for r in range(s.nrows):
            for c in range(s.ncols):
                cell = s.cell(r, c)
                if cell.ctype != xlrd.XL_CELL_EMPTY:
                    print("cell %s!%d,%d: %d %r" % (s.name, r, c, cell.ctype, cell.value))
checklib.end()
