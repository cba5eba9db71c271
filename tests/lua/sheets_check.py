# What independent readers see of the sheets of a book, one fact a line:
#   the book's own reader (xlrd for .xls, openpyxl for .xlsx):
#     direct sheets <name>,<name>,...
#     direct sheet <name>: hidden=<0|1|2> [protected=<0|1>] active=<0|1>
#   LibreOffice, which opens the book and saves it as .xlsx, read by openpyxl:
#     lo sheet <name>: hidden=<0|1|2> protected=<0|1> active=<0|1>
#     lo name <name> scope=<sheet index or book>: <formula>
# then the closing END line of tests/tools/checklib.py. A book a reader
# cannot open, or LibreOffice does not convert, fails the check.
#   python3 sheets_check.py FILE WORKDIR
import os
import sys
import warnings
import zipfile
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

openpyxl = checklib.require_module("openpyxl", "openpyxl")
src, work = sys.argv[1], sys.argv[2]
warnings.simplefilter("ignore")
STATES = {"visible": 0, "hidden": 1, "veryHidden": 2}


def openpyxl_sheets(prefix, path):
    wb = openpyxl.load_workbook(path)
    active = wb.active.title if wb.active is not None else None
    for ws in wb.worksheets:
        print("%s sheet %s: hidden=%d protected=%d active=%d" % (
            prefix, ws.title, STATES[ws.sheet_state], int(bool(ws.protection.sheet)), int(ws.title == active)))
    return wb


if src.lower().endswith(".xls"):
    xlrd = checklib.require_module("xlrd", "xlrd")
    b = xlrd.open_workbook(src)
    print("direct sheets " + ",".join(s.name for s in b.sheets()))
    for s in b.sheets():
        print("direct sheet %s: hidden=%d active=%d" % (s.name, s.visibility, int(bool(s.sheet_selected))))
else:
    wb = openpyxl.load_workbook(src)
    print("direct sheets " + ",".join(ws.title for ws in wb.worksheets))
    openpyxl_sheets("direct", src)

out = checklib.convert([src], "xlsx", os.path.join(work, "converted"), os.path.join(work, "lo"))[src]
if out is None:
    print("FAIL LibreOffice did not convert " + src)
    sys.exit(1)
openpyxl_sheets("lo", out)
ns = {"m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main"}
with zipfile.ZipFile(out) as z:
    root = ET.fromstring(z.read("xl/workbook.xml"))
for d in root.findall("m:definedNames/m:definedName", ns):
    print("lo name %s scope=%s: %s" % (d.get("name"), d.get("localSheetId", "book"), d.text))
checklib.end()
