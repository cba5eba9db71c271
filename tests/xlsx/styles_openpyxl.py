"""What openpyxl reads of the cell formats of a book: for each cell of
column A of the sheet named, from the first row down to the last, one line

    row=<n> <field>=<value> ...

with the font, alignment, borders, fill, number format and protection of
the cell's format, every field on every line. Colours are written as
rgb:<AARRGGBB>, indexed:<n>, theme:<n> or None.

    styles_openpyxl.py <book> <sheet>
"""
import os
import sys
import warnings

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

openpyxl = checklib.require_module("openpyxl", "python3-openpyxl")
warnings.simplefilter("ignore")


def colour(c):
    if c is None:
        return "None"
    if c.type == "rgb":
        return "rgb:" + str(c.rgb)
    if c.type == "indexed":
        return "indexed:%d" % c.indexed
    if c.type == "theme":
        return "theme:%d" % c.theme
    return c.type


def flag(v):
    return str(bool(v))


def side(name, s):
    if s is None:
        return [(name, "None"), (name + ".color", "None")]
    return [(name, str(s.style)), (name + ".color", colour(s.color))]


ws = openpyxl.load_workbook(sys.argv[1])[sys.argv[2]]
for row in range(1, ws.max_row + 1):
    cell = ws.cell(row, 1)
    f, a, b, p = cell.font, cell.alignment, cell.border, cell.protection
    fill = cell.fill
    fields = [
        ("font.name", str(f.name)), ("font.sz", str(f.sz)), ("font.b", flag(f.b)), ("font.i", flag(f.i)),
        ("font.strike", flag(f.strike)), ("font.u", str(f.u)), ("font.vertAlign", str(f.vertAlign)),
        ("font.color", colour(f.color)),
        ("align.h", str(a.horizontal)), ("align.v", str(a.vertical)), ("align.wrap", flag(a.wrap_text)),
        ("align.rotation", str(int(a.text_rotation or 0))), ("align.indent", str(int(a.indent or 0))),
        ("align.shrink", flag(a.shrink_to_fit)),
    ]
    for name in ("left", "right", "top", "bottom", "diagonal"):
        fields += side("border." + name, getattr(b, name))
    fields += [("border.diagonalUp", flag(b.diagonalUp)), ("border.diagonalDown", flag(b.diagonalDown))]
    fields += [("fill.pattern", str(getattr(fill, "patternType", None))),
               ("fill.fg", colour(getattr(fill, "fgColor", None))),
               ("fill.bg", colour(getattr(fill, "bgColor", None)))]
    fields += [("numFmt", cell.number_format), ("locked", flag(p.locked)), ("hidden", flag(p.hidden))]
    print(" ".join(["row=%d" % (row - 1)] + ["%s=%s" % (k, v.replace(" ", "\\s")) for k, v in fields]))
checklib.end()
