"""Compares what LibreOffice computes for pairs of .xls files: each file is
loaded with every formula recalculated and its first sheet exported as CSV.

Input: a file of lines "name<TAB>original<TAB>copy". Output: one line per
pair, "name OK", "name SKIP <why>" when LibreOffice is missing, or
"name DIFF <first difference>"."""
import csv
import os
import shutil
import subprocess
import sys
import tempfile

pairs = []
with open(sys.argv[1], encoding="utf-8") as f:
    for line in f:
        pairs.append(line.rstrip("\n").split("\t"))

soffice = shutil.which("soffice")
if not soffice:
    for name, _, _ in pairs:
        print("%s SKIP LibreOffice not found" % name)
    sys.exit(0)


def export(paths, outdir, profile):
    # Recalculation on load is forced for the files of both sides, so that
    # cached results play no part in the comparison.
    subprocess.run(
        [soffice, "-env:UserInstallation=" + profile, "--headless", "--convert-to",
         "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir", outdir] + paths,
        check=True, capture_output=True, timeout=900)


def rows(outdir, path):
    name = os.path.splitext(os.path.basename(path))[0] + ".csv"
    try:
        with open(os.path.join(outdir, name), encoding="utf-8", errors="replace", newline="") as f:
            return list(csv.reader(f))
    except FileNotFoundError:
        return None


with tempfile.TemporaryDirectory() as tmp:
    profile = "file://" + os.path.join(tmp, "profile")
    a, b = os.path.join(tmp, "a"), os.path.join(tmp, "b")
    os.mkdir(a)
    os.mkdir(b)
    export([p[1] for p in pairs], a, profile)
    export([p[2] for p in pairs], b, profile)
    for name, original, copy in pairs:
        want, got = rows(a, original), rows(b, copy)
        if want is None:
            print("%s SKIP LibreOffice does not export the original" % name)
            continue
        if got is None:
            print("%s DIFF LibreOffice does not export the copy" % name)
            continue
        diff = None
        for r in range(max(len(want), len(got))):
            x = want[r] if r < len(want) else []
            y = got[r] if r < len(got) else []
            for c in range(max(len(x), len(y))):
                u = x[c] if c < len(x) else ""
                v = y[c] if c < len(y) else ""
                if u != v:
                    diff = "row %d col %d: %r vs %r" % (r, c, u, v)
                    break
            if diff:
                break
        print("%s %s" % (name, "DIFF " + diff if diff else "OK"))
