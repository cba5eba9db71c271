# Sheet settings of a .xlsx book as openpyxl reads them, one line per sheet:
#   sheet <name>: key=value key=value ...
# (visibility, protection, gridlines, zoom, frozen panes, the selected tab,
# print options, margins in inches, orientation, paper, scale and fit,
# manual row and column breaks, the ranges of the print area and the rows
# and columns repeated on every page),
# one line per formula cell "formula <sheet>!<cell>: <text>", one per
# defined name "name <name> scope=<sheet index or book>: <text>", then the
# closing END line of tests/tools/checklib.py. A file openpyxl cannot read
# fails the check.
#   python3 openpyxl_sheet_settings.py FILE.xlsx
import os
import sys
import warnings

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

openpyxl = checklib.require_module("openpyxl", "openpyxl")
warnings.simplefilter("ignore")
wb = openpyxl.load_workbook(sys.argv[1])



def printed(area):
    # The ranges of a print area without their sheet: some openpyxl versions
    # give a list of ranges, others a text with the sheet before each.
    if not area:
        return "none"
    ranges = area.split(",") if isinstance(area, str) else area
    return ",".join(r.rsplit("!", 1)[-1] for r in ranges)


for ws in wb.worksheets:
    view, pane, ps = ws.sheet_view, ws.sheet_view.pane, ws.page_setup
    fit = ws.sheet_properties.pageSetUpPr
    facts = checklib.sheet_settings(ws) + [
        ("objects", int(bool(ws.protection.objects))), ("scenarios", int(bool(ws.protection.scenarios))),
        ("freeze", ws.freeze_panes or "none"), ("pane", pane.activePane if pane is not None else "none"),
        ("panestate", pane.state if pane is not None else "none"), ("tabselected", int(bool(view.tabSelected))),
        ("fit", int(bool(fit is not None and fit.fitToPage))), ("fitwidth", ps.fitToWidth),
        ("fitheight", ps.fitToHeight),
        ("rowbreaks", ",".join(str(b.id) for b in ws.row_breaks.brk) or "none"),
        ("colbreaks", ",".join(str(b.id) for b in ws.col_breaks.brk) or "none"),
        ("printarea", printed(ws.print_area)),
        ("titlerows", ws.print_title_rows or "none"), ("titlecols", ws.print_title_cols or "none"),
    ]
    print("sheet %s: %s" % (ws.title, " ".join("%s=%s" % kv for kv in facts)))
    for row in ws.iter_rows():
        for cell in row:
            if cell.data_type == "f":
                print("formula %s!%s: %s" % (ws.title, cell.coordinate, cell.value))


def names():
    # openpyxl 3.1 keeps sheet-scoped names on the sheets, older ones in one list.
    dn = wb.defined_names
    if hasattr(dn, "definedName"):
        for n in dn.definedName:
            yield n.name, n.localSheetId, n.attr_text
        return
    for n in dn.values():
        yield n.name, None, n.attr_text
    for i, ws in enumerate(wb.worksheets):
        for n in ws.defined_names.values():
            yield n.name, i, n.attr_text


for name, scope, text in names():
    print("name %s scope=%s: %s" % (name, "book" if scope is None else scope, text))
checklib.end()
