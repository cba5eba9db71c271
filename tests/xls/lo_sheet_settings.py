# Sheet settings as another application carries them: LibreOffice headless
# converts a .xls file to .xlsx and openpyxl reads the settings of each sheet
# of the converted book, one line per sheet:
#   sheet <name>: key=value key=value ...
# (page setup, margins in inches, header and footer texts, print options,
# zoom, gridlines, visibility, protection), then "book: epoch=1900|1904"
# and the closing END line of tests/tools/checklib.py. A file LibreOffice
# does not convert fails the check.
#   python3 lo_sheet_settings.py FILE.xls WORKDIR
import os
import sys
import warnings

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

openpyxl = checklib.require_module("openpyxl", "openpyxl")
src, work = sys.argv[1], sys.argv[2]
out = checklib.convert([src], "xlsx", work, os.path.join(work, "lo"))[src]
if out is None:
    print("FAIL LibreOffice did not convert " + src)
    sys.exit(1)
warnings.simplefilter("ignore")
wb = openpyxl.load_workbook(out)


def text(part):
    return (part.text or "").replace(" ", "_") if part is not None else ""


for ws in wb.worksheets:
    m, po, ps, view = ws.page_margins, ws.print_options, ws.page_setup, ws.sheet_view
    facts = [
        ("state", ws.sheet_state), ("protected", int(bool(ws.protection.sheet))),
        ("gridlines", int(view.showGridLines is not False)), ("zoom", view.zoomScale or 100),
        ("printgridlines", int(bool(po.gridLines))), ("headings", int(bool(po.headings))),
        ("hcentre", int(bool(po.horizontalCentered))), ("vcentre", int(bool(po.verticalCentered))),
        ("left", "%.2f" % m.left), ("right", "%.2f" % m.right), ("top", "%.2f" % m.top),
        ("bottom", "%.2f" % m.bottom), ("headermargin", "%.2f" % m.header), ("footermargin", "%.2f" % m.footer),
        ("header", text(ws.oddHeader.center)), ("footer", text(ws.oddFooter.center)),
        ("orientation", ps.orientation or "default"), ("paper", ps.paperSize or 0), ("scale", ps.scale or 100),
    ]
    print("sheet %s: %s" % (ws.title, " ".join("%s=%s" % kv for kv in facts)))
print("book: epoch=%d" % wb.epoch.year if hasattr(wb.epoch, "year") else "book: epoch=?")
checklib.end()
