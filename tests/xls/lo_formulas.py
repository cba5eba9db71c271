# Prints the formulas of every sheet of an .xlsx file that LibreOffice made
# from one of our files, one cell a line: sheet, cell, "array" for a cell of
# an array formula, and the formula text.
#   python3 lo_formulas.py FILE.xlsx
# Ends with the closing END line of tests/tools/checklib.py.
import os
import re
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

z = zipfile.ZipFile(sys.argv[1])
names = re.findall(r'<sheet [^>]*name="([^"]*)"', z.read("xl/workbook.xml").decode())
for i, name in enumerate(names, 1):
    xml = z.read("xl/worksheets/sheet%d.xml" % i).decode()
    for ref, attrs, text in re.findall(r'<c r="([A-Z]+[0-9]+)"[^>]*><f([^>]*)>([^<]*)</f>', xml):
        kind = " array" if 't="array"' in attrs else ""
        print("%s %s%s %s" % (name, ref, kind, text))
checklib.end()
