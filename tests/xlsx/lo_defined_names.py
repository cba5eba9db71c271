# Opens a .xlsx file in LibreOffice headless, saves it again as .xlsx and
# prints the defined names that LibreOffice understood and wrote back (print
# areas and print titles among them), one per line:
#   name <name> scope=<sheet index or book>: <formula>
# after one line per sheet "sheet <index>: <name>".
#   python3 lo_defined_names.py FILE.xlsx WORKDIR
# Ends with the closing END line of tests/tools/checklib.py; a file that
# LibreOffice does not convert fails it.
import os
import sys
import zipfile
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

src, work = sys.argv[1], sys.argv[2]
out = checklib.convert([src], "xlsx", os.path.join(work, "converted"), os.path.join(work, "lo"))[src]
if out is None:
    print("FAIL LibreOffice did not convert " + src)
    sys.exit(1)
ns = {"m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main"}
with zipfile.ZipFile(out) as z:
    root = ET.fromstring(z.read("xl/workbook.xml"))
for i, s in enumerate(root.findall("m:sheets/m:sheet", ns)):
    print("sheet %d: %s" % (i, s.get("name")))
for d in root.findall("m:definedNames/m:definedName", ns):
    print("name %s scope=%s: %s" % (d.get("name"), d.get("localSheetId", "book"), d.text))
checklib.end()
