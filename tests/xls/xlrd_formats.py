# What xlrd (with formatting information) finds of the format of each cell
# in column A of the first sheet, one line per row that holds a cell:
#   row <n>: key=value key=value ...
# with the font (name, size in twips, bold, italic, underline, colour as
# red,green,blue from the book's palette, script, strike-out), the alignment
# (horizontal, vertical, wrap, rotation, indent, shrink), the borders (style
# and colour of each side), the fill (pattern and its two colours) and the
# protection (locked, hidden). Ends with the closing END line of
# tests/tools/checklib.py.
#   python3 xlrd_formats.py FILE
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

xlrd = checklib.require_module("xlrd", "xlrd")

book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
sheet = book.sheet_by_index(0)


def colour(index):
    rgb = book.colour_map.get(index)
    return "%d,%d,%d" % rgb if rgb else "index%d" % index


for row in range(sheet.nrows):
    if sheet.row_len(row) == 0 or sheet.cell_type(row, 0) == xlrd.XL_CELL_EMPTY:
        continue
    xf = book.xf_list[sheet.cell_xf_index(row, 0)]
    font = book.font_list[xf.font_index]
    a, b, f, p = xf.alignment, xf.border, xf.background, xf.protection
    facts = [
        ("font", font.name), ("height", font.height), ("bold", int(font.bold)), ("italic", int(font.italic)),
        ("underline", font.underline_type), ("fontcolour", colour(font.colour_index)),
        ("script", font.escapement), ("strike", int(font.struck_out)),
        ("halign", a.hor_align), ("valign", a.vert_align), ("wrap", a.text_wrapped), ("rotation", a.rotation),
        ("indent", a.indent_level), ("shrink", a.shrink_to_fit),
        ("left", b.left_line_style), ("right", b.right_line_style), ("top", b.top_line_style),
        ("bottom", b.bottom_line_style), ("leftcolour", colour(b.left_colour_index)),
        ("rightcolour", colour(b.right_colour_index)), ("topcolour", colour(b.top_colour_index)),
        ("bottomcolour", colour(b.bottom_colour_index)),
        ("pattern", f.fill_pattern), ("patterncolour", colour(f.pattern_colour_index)),
        ("backcolour", colour(f.background_colour_index)),
        ("locked", p.cell_locked), ("hidden", p.formula_hidden),
    ]
    print("row %d: %s" % (row, " ".join("%s=%s" % kv for kv in facts)))
checklib.end()
