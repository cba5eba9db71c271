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


for ws in wb.worksheets:
    facts = checklib.sheet_settings(ws)
    print("sheet %s: %s" % (ws.title, " ".join("%s=%s" % kv for kv in facts)))
print("book: epoch=%d" % wb.epoch.year if hasattr(wb.epoch, "year") else "book: epoch=?")
checklib.end()
