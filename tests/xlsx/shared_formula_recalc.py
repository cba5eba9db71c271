"""Compares what LibreOffice computes from pairs of .xlsx books: both are
loaded with every formula computed afresh (cached results play no part)
and every sheet is exported as CSV.

Cells whose formulas change their value on every computation (NOW(),
RAND() and the like) are left out of the comparison, and so is any cell
that differs between two exports of the original, made before and after
the copies (what depends on them).

Input: a file of lines "name<TAB>original<TAB>copy", and a file of the
cells left out, lines "name<TAB>sheet.csv<TAB>row<TAB>column". Output: one line per
book, "name OK (N sheets, M changing cells)" or "name DIFF <first
difference>"; then the
verdict of tests/tools/checklib.py (a difference, a book or sheet that one
side does not export, or no book compared fails it)."""
import csv
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

# Formulas of .xlsx books are computed on every load, whatever the books
# hold as cached results.
RECALC_ALWAYS = """<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" \
xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Calc/Formula/Load"><prop oor:name="OOXMLRecalcMode" oor:op="fuse">\
<value>0</value></prop></item>
</oor:items>
"""
# Every sheet to a file of its own ("book-Sheet.csv"), UTF-8.
EVERY_SHEET = "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1"

pairs = []
with open(sys.argv[1], encoding="utf-8") as f:
    for line in f:
        pairs.append(line.rstrip("\n").split("\t"))

volatile = set()
with open(sys.argv[2], encoding="utf-8") as f:
    for line in f:
        name, sheet, row, col = line.rstrip("\n").split("\t")
        volatile.add((name, sheet, int(row), int(col)))

soffice = checklib.soffice()
checks = checklib.Checks()


def export(paths, outdir, work):
    profile = os.path.join(work, "profile")
    os.makedirs(os.path.join(profile, "user"))
    with open(os.path.join(profile, "user", "registrymodifications.xcu"), "w", encoding="utf-8") as f:
        f.write(RECALC_ALWAYS)
    env = dict(os.environ, HOME=work)
    env.pop("LD_PRELOAD", None)
    subprocess.run([soffice, "-env:UserInstallation=file://" + profile, "--headless", "--convert-to", EVERY_SHEET,
                    "--outdir", outdir] + paths, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=1200)


def sheets(outdir, name):
    stem = os.path.splitext(name)[0] + "-"
    found = {}
    for f in os.listdir(outdir):
        if f.startswith(stem) and f.endswith(".csv"):
            with open(os.path.join(outdir, f), encoding="utf-8", errors="replace", newline="") as text:
                found[f[len(stem):]] = list(csv.reader(text))
    return found


def cell(rows, r, c):
    return rows[r][c] if r < len(rows) and c < len(rows[r]) else ""


# The first difference between what the original and the copy show, and
# the count of cells left out as changing on their own.
def first_difference(want, again, got, left_out):
    changing = 0
    for r in range(max(len(want), len(again), len(got))):
        width = max(len(x[r]) if r < len(x) else 0 for x in (want, again, got))
        for c in range(width):
            u = cell(want, r, c)
            if u != cell(again, r, c) or (r + 1, c + 1) in left_out:
                changing += 1
            elif u != cell(got, r, c):
                return "row %d col %d: %r vs %r" % (r + 1, c + 1, u, cell(got, r, c)), changing
    return None, changing


with tempfile.TemporaryDirectory() as tmp:
    sides = {}
    # Each side with a profile of its own: a second run on the profile of
    # one that is still shutting down can end before it has converted all.
    for side, column in (("original", 1), ("copy", 2), ("again", 1)):
        outdir = os.path.join(tmp, side)
        export([p[column] for p in pairs], outdir, os.path.join(tmp, side + "-work"))
        sides[side] = outdir
    compared = 0
    for name, original, copy in pairs:
        want, got = sheets(sides["original"], name), sheets(sides["copy"], name)
        again = sheets(sides["again"], name)
        if not want:
            checks.fail("%s: LibreOffice exports no sheet of the original" % name)
            continue
        diff, changing = None, 0
        if sorted(want) != sorted(got):
            diff = "sheets %s vs %s" % (sorted(want), sorted(got))
        for sheet in sorted(want):
            if diff:
                break
            left_out = {(r, c) for (b, s, r, c) in volatile if b == name and s == sheet}
            d, n = first_difference(want[sheet], again.get(sheet, []), got[sheet], left_out)
            changing += n
            if d:
                diff = "sheet %s %s" % (sheet, d)
        print("%s %s" % (name, "DIFF " + diff if diff else "OK (%d sheets, %d changing cells)" % (len(want), changing)))
        checks.check(diff is None, "%s: %s" % (name, diff))
        compared += 1
    checks.check(compared > 0, "no book compared")
checks.finish()
