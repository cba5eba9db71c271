"""Compares what LibreOffice computes for books before and after an edit of
rows or columns: every book is loaded with every formula recalculated (the
profile asks for it) and each of its sheets exported as CSV; the edited
sheet must show the values of the unedited one, moved as the edit moved
them. Texts that formulas build from their own cells' addresses ("$B$3")
move with the cells, so they read as "(address)" on both sides, and the
results of formulas that tell a place (ROW, COLUMN, INDIRECT and the
like, whose text addresses rightly stay put) read as "(place)". openpyxl must open every edited book that it opens unedited.

    edit_values_compare.py <list>
    edit_values_compare.py --show <book>


The list holds lines "name<TAB>expected<TAB>unedited<TAB>edited", expected
being "rows K N" (N empty rows at row K, 0-based), "cols K N" (N empty
columns at column K) or "same". Prints "name expected OK" or "... DIFF
<first difference>" a pair, then the verdict of tests/tools/checklib.py.
With --show, prints what LibreOffice computes in one book instead, a line
"<sheet>!<row>,<col> <value>" a cell that shows a value (0-based)."""
import csv
import glob
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.environ.get("CELVO_TOOLS", os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools")))
import checklib  # noqa: E402

RECALC_ALWAYS = """<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Calc/Formula/Load"><prop oor:name="OOXMLRecalcMode" oor:op="fuse"><value>0</value></prop></item>
<item oor:path="/org.openoffice.Office.Calc/Formula/Load"><prop oor:name="ODFRecalcMode" oor:op="fuse"><value>0</value></prop></item>
</oor:items>
"""
ADDRESS = re.compile(r"\$[A-Z]{1,3}\$[0-9]+")
PLACE = re.compile(r"\b(ROW|ROWS|COLUMN|COLUMNS|INDIRECT|OFFSET|CELL|ADDRESS)\s*\(", re.I)
# Every sheet of a book to "<stem>-<sheet>.csv", text quoted, formulas' results.
CSV_ALL_SHEETS = "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1"

openpyxl = checklib.require_module("openpyxl", "python3-openpyxl")
soffice = checklib.soffice()
checks = checklib.Checks()

pairs = []
if sys.argv[1] != "--show":
    with open(sys.argv[1], encoding="utf-8") as f:
        for line in f:
            if line.strip():
                pairs.append(line.rstrip("\n").split("\t"))


def export(paths, outdir, work):
    profile = os.path.join(work, "profile")
    os.makedirs(os.path.join(profile, "user"), exist_ok=True)
    with open(os.path.join(profile, "user", "registrymodifications.xcu"), "w", encoding="utf-8") as f:
        f.write(RECALC_ALWAYS)
    env = dict(os.environ, HOME=work)
    env.pop("LD_PRELOAD", None)
    os.makedirs(outdir, exist_ok=True)
    subprocess.run([soffice, "-env:UserInstallation=file://" + profile, "--headless", "--convert-to",
                    CSV_ALL_SHEETS, "--outdir", outdir] + paths,
                   env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=1500)


def sheets(outdir, path):
    """{sheet: rows} of a book's export, addresses masked, trailing empty
    fields and rows left out; None when LibreOffice made nothing."""
    stem = os.path.splitext(os.path.basename(path))[0]
    found = {}
    for name in glob.glob(os.path.join(outdir, glob.escape(stem) + "-*.csv")):
        sheet = os.path.basename(name)[len(stem) + 1:-4]
        with open(name, encoding="utf-8", errors="replace", newline="") as f:
            rows = [[ADDRESS.sub("(address)", v) for v in r] for r in csv.reader(f)]
        for r in rows:
            while r and r[-1] == "":
                r.pop()
        while rows and not rows[-1]:
            rows.pop()
        found[sheet] = rows
    return found or None


def place_cells(path):
    """{sheet: [(row, col)]} of the cells whose formulas tell a place."""
    found = {}
    try:
        book = openpyxl.load_workbook(path)
    except Exception:  # the unedited book's own reading is checked below
        return found
    for ws in book.worksheets:
        for row in ws.iter_rows():
            for cell in row:
                v = cell.value
                text = v if isinstance(v, str) else getattr(v, "text", None)
                if isinstance(text, str) and text.startswith("=") and PLACE.search(text):
                    found.setdefault(ws.title, []).append((cell.row - 1, cell.column - 1))
    return found


def moved_place(r, c, expected):
    if expected == "same":
        return r, c
    kind, at, count = expected.split()
    at, count = int(at), int(count)
    if kind == "rows":
        return (r + count if r >= at else r), c
    return r, (c + count if c >= at else c)


def mask(rows, cells):
    for r, c in cells:
        if r < len(rows) and c < len(rows[r]):
            rows[r][c] = "(place)"


def moved(rows, expected):
    """The rows of an unedited sheet as the edit leaves them."""
    if expected == "same" or not rows:
        return rows
    kind, at, count = expected.split()
    at, count = int(at), int(count)
    if kind == "rows":
        if at >= len(rows):
            return rows
        return rows[:at] + [[] for _ in range(count)] + rows[at:]
    out = []
    for r in rows:
        if len(r) <= at:
            out.append(r)
        else:
            out.append(r[:at] + [""] * count + r[at:])
    return out


def first_difference(want, got):
    for i in range(max(len(want), len(got))):
        x = want[i] if i < len(want) else []
        y = got[i] if i < len(got) else []
        if x != y:
            for c in range(max(len(x), len(y))):
                u = x[c] if c < len(x) else ""
                v = y[c] if c < len(y) else ""
                if u != v:
                    return "row %d col %d: %r vs %r" % (i, c, u, v)
    return None


def opens(path):
    try:
        openpyxl.load_workbook(path)
        return None
    except Exception as e:  # any failure of the reader is a finding
        return "%s: %s" % (type(e).__name__, e)


def show(path):
    with tempfile.TemporaryDirectory() as tmp:
        export([path], os.path.join(tmp, "out"), os.path.join(tmp, "work"))
        found = sheets(os.path.join(tmp, "out"), path)
    if not checks.check(found is not None, "LibreOffice does not open " + path):
        return
    for sheet, rows in sorted(found.items()):
        for r, row in enumerate(rows):
            for c, v in enumerate(row):
                if v != "":
                    print("%s!%d,%d %s" % (sheet, r, c, v))
                    checks.check(True, "")


if sys.argv[1] == "--show":
    show(sys.argv[2])
    checks.finish()

with tempfile.TemporaryDirectory() as tmp:
    plain_dir, edited_dir = os.path.join(tmp, "plain"), os.path.join(tmp, "edited")
    # Each side with a profile of its own.
    export(sorted({p[2] for p in pairs}), plain_dir, os.path.join(tmp, "a"))
    export([p[3] for p in pairs], edited_dir, os.path.join(tmp, "b"))
    for name, expected, plain, edited in pairs:
        what = "%s %s" % (name, expected)
        want, got = sheets(plain_dir, plain), sheets(edited_dir, edited)
        if not checks.check(want is not None, "%s: LibreOffice does not export the unedited book" % what):
            continue
        if not checks.check(got is not None, "%s: LibreOffice does not open the edited book" % what):
            continue
        checks.equal(sorted(got), sorted(want), "%s: sheets" % what)
        places = place_cells(plain)
        diffs = []
        for sheet, rows in sorted(want.items()):
            cells = places.get(sheet, [])
            mask(rows, cells)
            mine = got.get(sheet, [])
            mask(mine, [moved_place(r, c, expected) for r, c in cells])
            d = first_difference(moved(rows, expected), mine)
            if d:
                diffs.append("%s %s" % (sheet, d))
        print("%s %s" % (what, "DIFF " + diffs[0] if diffs else "OK"))
        checks.check(not diffs, "%s: %s" % (what, "; ".join(diffs)))
        if opens(plain) is None:
            failure = opens(edited)
            checks.check(failure is None, "%s: openpyxl does not open the edited book: %s" % (what, failure))
checks.finish()
