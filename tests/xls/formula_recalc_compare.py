"""Compares what LibreOffice computes for pairs of .xls files: each file is
loaded with every formula recalculated and its first sheet exported as CSV.

Input: a file of lines "name<TAB>original<TAB>copy". Output: one line per
pair, "name OK" or "name DIFF <first difference>"; then the verdict of
tests/tools/checklib.py (a DIFF, or no pair compared, fails it)."""
import csv
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

pairs = []
with open(sys.argv[1], encoding="utf-8") as f:
    for line in f:
        pairs.append(line.rstrip("\n").split("\t"))

soffice = checklib.soffice()
checks = checklib.Checks()


def export(paths, outdir, profile):
    # Recalculation on load is forced for the files of both sides, so that
    # cached results play no part in the comparison.
    subprocess.run(
        [soffice, "-env:UserInstallation=" + profile, "--headless", "--convert-to",
         "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir", outdir] + paths,
        check=True, capture_output=True, timeout=900, env=env)


def rows(outdir, path):
    name = os.path.splitext(os.path.basename(path))[0] + ".csv"
    try:
        with open(os.path.join(outdir, name), encoding="utf-8", errors="replace", newline="") as f:
            return list(csv.reader(f))
    except FileNotFoundError:
        return None


with tempfile.TemporaryDirectory() as tmp:
    env = dict(os.environ, HOME=tmp)
    env.pop("LD_PRELOAD", None)
    profile = "file://" + os.path.join(tmp, "profile")
    a, b = os.path.join(tmp, "a"), os.path.join(tmp, "b")
    os.mkdir(a)
    os.mkdir(b)
    # Each side with a profile of its own: a second run on the profile of
    # one that is still shutting down can end before it has converted all.
    export([p[1] for p in pairs], a, profile + "-a")
    export([p[2] for p in pairs], b, profile + "-b")
    for name, original, copy in pairs:
        want, got = rows(a, original), rows(b, copy)
        if want is None:
            checks.fail("%s: LibreOffice does not export the original" % name)
            continue
        if got is None:
            checks.fail("%s: LibreOffice does not export the copy" % name)
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
        checks.check(diff is None, "%s: %s" % (name, diff))
checks.finish()
