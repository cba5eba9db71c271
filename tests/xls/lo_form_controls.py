"""Independent check of the form controls of a .xls file: xlrd opens it,
and LibreOffice headless converts it to .ods; one line per form control
that LibreOffice shows: "control <name> <kind> <multiple>" (the kind is the
last word of its implementation name, multiple "true" for a list that takes
more than one choice, else "-").

Usage: lo_form_controls.py <work-folder> <xls-file>"""
import os
import re
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

work, path = sys.argv[1], sys.argv[2]
xlrd = checklib.require_module("xlrd", "python3-xlrd")
checks = checklib.Checks()
try:
    book = xlrd.open_workbook(path)
    checks.equal(book.nsheets, 1, "sheets xlrd finds")
except Exception as e:  # xlrd's own errors and anything else it raises
    checks.fail("xlrd cannot open the file: %s" % e)

converted = checklib.convert([path], "ods", os.path.join(work, "ods"), work)[path]
if not checks.check(converted is not None, "LibreOffice converts the file"):
    checks.finish()
with zipfile.ZipFile(converted) as z:
    content = z.read("content.xml").decode("utf-8")
for tag in re.findall(r"<form:(?!form\b|properties\b|property\b|list-property\b|option\b|list-value\b)\w[\w-]*\s[^>]*>",
                      content):
    name = re.search(r'form:name="([^"]*)"', tag)
    impl = re.search(r'form:control-implementation="([^"]*)"', tag)
    multiple = re.search(r'form:multiple="([^"]*)"', tag)
    if not name or not impl:
        continue
    print("control %s %s %s" % (name.group(1).replace(" ", "_"), impl.group(1).rsplit(".", 1)[-1],
                                multiple.group(1) if multiple else "-"))
    checks.count += 1
checks.finish()
