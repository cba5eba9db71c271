"""Checks the books that edge_cases_test.lua saved, as independent readers
see them. Its argument is a file of facts, one a line, fields separated by
tabs:

    opens   <book>                       xlrd reads the book
    value   <book> <row> <col> <text>    LibreOffice, recalculating the book
                                         on load, shows text in that cell of
                                         the first sheet
    name    <book> <name> <text>         xlrd reads the defined name's
                                         formula as text
    macros  <original> <copy>            LibreOffice loads the same VBA
                                         modules from the copy as from the
                                         original, and at least one
"""
import atexit
import collections
import csv
import io
import os
import shutil
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

xlrd = checklib.require_module("xlrd", "python3-xlrd")

facts = collections.defaultdict(list)
with open(sys.argv[1], encoding="utf-8") as f:
    for line in f:
        fields = line.rstrip("\n").split("\t")
        facts[fields[0]].append(fields[1:])

checks = checklib.Checks()
work = tempfile.mkdtemp(prefix="celvo-edge-")
atexit.register(shutil.rmtree, work, True)


def open_book(path):
    try:
        return xlrd.open_workbook(path, logfile=io.StringIO())
    except Exception as e:  # any failure to read is the finding
        checks.fail("xlrd cannot read %s: %s" % (path, e))
        return None


for (path,) in facts["opens"]:
    checks.check(open_book(path) is not None, "xlrd reads " + path)

by_book = collections.defaultdict(list)
for path, name, text in facts["name"]:
    by_book[path].append((name, text))
for path, wanted in by_book.items():
    book = open_book(path)
    if book is None:
        continue
    for name, text in wanted:
        found = [n for n in book.name_obj_list if n.name == name]
        if not checks.check(len(found) == 1, "%s: one name %s" % (path, name)):
            continue
        result = found[0].result
        checks.equal(result.text if result is not None else None, text, "%s: name %s" % (path, name))

values = collections.defaultdict(list)
for path, row, col, text in facts["value"]:
    values[path].append((int(row), int(col), text))
for i, (path, cells) in enumerate(sorted(values.items())):
    # Each into a folder of its own: books of the same name would overwrite
    # each other's text.
    made = checklib.convert([path], "csv:Text - txt - csv (StarCalc):44,34,76",
                            os.path.join(work, "csv%d" % i), os.path.join(work, "lo-values"))[path]
    if not checks.check(made is not None, "LibreOffice converts " + path):
        continue
    with open(made, encoding="utf-8", newline="") as f:
        rows = list(csv.reader(f))
    for row, col, text in cells:
        shown = rows[row][col] if row < len(rows) and col < len(rows[row]) else ""
        checks.equal(shown, text, "%s: LibreOffice shows at %d,%d" % (path, row, col))


def basic_modules(ods):
    """The Basic and VBA modules that LibreOffice kept in its own file."""
    with zipfile.ZipFile(ods) as z:
        return sorted(n for n in z.namelist()
                      if n.startswith("Basic/") and not n.endswith("script-lb.xml") and not n.endswith("script-lc.xml"))


for original, copy in facts["macros"]:
    # Both under names of their own, so that the converted files differ.
    converted = checklib.convert([original, copy], "ods", os.path.join(work, "ods-" + os.path.basename(copy)),
                                 os.path.join(work, "lo-macros"))
    if not checks.check(None not in converted.values(), "LibreOffice converts %s and %s" % (original, copy)):
        continue
    want = basic_modules(converted[original])
    got = basic_modules(converted[copy])
    checks.check(len(want) > 0, "LibreOffice loads VBA modules from " + original)
    checks.equal(got, want, "VBA modules LibreOffice loads from " + copy)

checks.finish()
