# Opens a .xls file in LibreOffice headless, saves it as .xlsx and prints the
# defined names that LibreOffice keeps, one per line: scope, name, formula.
#   python3 lo_defined_names.py FILE.xls WORKDIR
import os
import subprocess
import sys
import zipfile
import xml.etree.ElementTree as ET

src, work = sys.argv[1], sys.argv[2]
subprocess.run(["soffice", "-env:UserInstallation=file://" + work + "/profile", "--headless",
                "--convert-to", "xlsx", "--outdir", work, src],
               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=dict(os.environ, HOME=work), check=True)
out = os.path.join(work, os.path.splitext(os.path.basename(src))[0] + ".xlsx")
ns = {"m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main"}
with zipfile.ZipFile(out) as z:
    root = ET.fromstring(z.read("xl/workbook.xml"))
for d in root.findall("m:definedNames/m:definedName", ns):
    print("%s %s %s" % (d.get("localSheetId", "-"), d.get("name"), d.text))
