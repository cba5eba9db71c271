# Prints what xlrd reads of a .xls book: its sheets, the ranges of its
# defined names, its cell notes and its cells, one fact a line.
# Ends with the closing END line of tests/tools/checklib.py.
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

xlrd = checklib.require_module("xlrd", "xlrd")
b = xlrd.open_workbook(sys.argv[1], formatting_info=True)
print("sheets", ",".join(s.name for s in b.sheets()))
for k in sorted(b.name_map):
    for n in b.name_map[k]:
        refs = n.result.value if n.result is not None and n.result.kind in (xlrd.oREF, xlrd.oREL) else None
        if not refs:
            print("name %s scope %d unusable" % (k, n.scope))
            continue
        for r in refs:
            print("name %s scope %d sheet %d rows %d-%d cols %d-%d" % (k, n.scope, r.shtxlo, r.rowxlo, r.rowxhi - 1, r.colxlo, r.colxhi - 1))
for s in b.sheets():
    for (r, c), v in sorted(s.cell_note_map.items()):
        print("note %s %d,%d %s by %s" % (s.name, r, c, v.text, v.author))
    for r in range(s.nrows):
        for c in range(s.ncols):
            x = s.cell(r, c)
            if x.ctype != 0: print("cell %s %d,%d %r" % (s.name, r, c, x.value))
checklib.end()
