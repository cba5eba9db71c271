# Opens a .xls or .xlsx file in LibreOffice headless, saves it as .xlsx and
# prints the defined names that LibreOffice keeps, one per line: scope,
# name, formula.
#   python3 lo_defined_names.py FILE WORKDIR
# Ends with the closing END line of tests/tools/checklib.py.
# A file LibreOffice does not convert fails it.
import os
import sys
import zipfile
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

src, work = sys.argv[1], sys.argv[2]
out = checklib.convert([src], "xlsx", work, os.path.join(work, "lo"))[src]
if out is None:
    print("FAIL LibreOffice did not convert " + src)
    sys.exit(1)
ns = {"m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main"}
with zipfile.ZipFile(out) as z:
    root = ET.fromstring(z.read("xl/workbook.xml"))
for d in root.findall("m:definedNames/m:definedName", ns):
    print("%s %s %s" % (d.get("localSheetId", "-"), d.get("name"), d.text))
checklib.end()
