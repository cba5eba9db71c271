"""What the checker scripts that tests run have in common.

The verdict: a checker prints what it found, then a closing line that
begins with "END" once it has done all its work, and exits with 0; the
tests pass only on both (a checker that crashes, stops early or prints
nothing fails them). Checks.finish() prints the mismatches as "FAIL ..."
lines and exits with 1 when there are any.

Skipping: when a reader or a tool is missing, the checker prints "SKIP
<what is missing>" and exits with SKIP_STATUS (77); the test then shows as
skipped, and the test command fails on it.

Use from a script of any test folder:

    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
    import checklib
"""

import collections
import csv
import importlib
import io
import os
import shutil
import subprocess
import sys

SKIP_STATUS = 77


def skip(reason):
    """Ends the checker as one that cannot run."""
    print("SKIP " + reason)
    sys.stdout.flush()
    sys.exit(SKIP_STATUS)


def end(summary=""):
    """The closing line of a checker that did all its work."""
    print(("END " + summary).rstrip())
    sys.stdout.flush()
    sys.exit(0)


def sanitized():
    """True in the run under the sanitizers, where a script over real files
    leaves the independent readers to the plain run: they would read the
    same bytes a second time, at a cost that doubles the run."""
    return os.environ.get("CELVO_SANITIZED") == "1"


def require_module(name, package):
    """The module, or the checker ends as skipped naming the package."""
    try:
        return importlib.import_module(name)
    except ImportError:
        skip("%s (python module %s) is not installed" % (package, name))


def soffice():
    """The LibreOffice program, or the checker ends as skipped."""
    path = shutil.which("soffice")
    if not path:
        skip("LibreOffice (soffice) is not installed")
    return path


def convert(files, target, outdir, work, timeout=600):
    """Converts files with LibreOffice headless, with a profile and a home of
    its own under work, into outdir. target is a --convert-to argument such
    as "xlsx" or "csv:Text - txt - csv (StarCalc):44,34,76". Returns
    {input path: converted path, or None when LibreOffice made nothing}."""
    program = soffice()
    os.makedirs(outdir, exist_ok=True)
    os.makedirs(work, exist_ok=True)
    profile = "file://" + os.path.join(os.path.abspath(work), "profile")
    env = dict(os.environ, HOME=os.path.abspath(work))
    env.pop("LD_PRELOAD", None)
    subprocess.run([program, "-env:UserInstallation=" + profile, "--headless", "--convert-to", target,
                    "--outdir", outdir] + list(files),
                   env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=timeout)
    extension = target.split(":", 1)[0]
    out = {}
    for f in files:
        made = os.path.join(outdir, os.path.splitext(os.path.basename(f))[0] + "." + extension)
        out[f] = made if os.path.exists(made) else None
    return out


def read_facts(path):
    """The facts a Lua test wrote for its checker: one line each, fields
    separated by tabs, the first naming the kind; blank lines are none."""
    facts = collections.defaultdict(list)
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.strip():
                fields = line.rstrip("\n").split("\t")
                facts[fields[0]].append(fields[1:])
    return facts


def book_opener(checks, xlrd, openpyxl):
    """open_book(path): the book as openpyxl (.xlsx) or xlrd (.xls) reads it,
    each read once; a book the reader refuses is a failed check and None."""
    books = {}

    def open_book(path):
        if path not in books:
            try:
                if path.endswith(".xlsx"):
                    books[path] = openpyxl.load_workbook(path)
                else:
                    books[path] = xlrd.open_workbook(path, logfile=io.StringIO())
            except Exception as e:  # any failure to read is the finding
                checks.fail("%s cannot read %s: %s" % ("openpyxl" if path.endswith(".xlsx") else "xlrd", path, e))
                books[path] = None
        return books[path]
    return open_book


def check_libreoffice_shows(checks, facts, work):
    """One LibreOffice run converts every book of the facts "opens" <book>
    and "lo" <book> <row> <col> <text> to CSV; each must convert, and each
    "lo" cell must show its text."""
    lo_books = sorted({f[0] for f in facts["lo"]} | {f[0] for f in facts["opens"]})
    if not lo_books:
        return
    made = convert(lo_books, "csv:Text - txt - csv (StarCalc):44,34,76", os.path.join(work, "csv"),
                   os.path.join(work, "lo"))
    for path in lo_books:
        checks.check(made[path] is not None, "LibreOffice converts " + path)
    for path, row, col, text in facts["lo"]:
        if made[path] is None:
            continue
        with open(made[path], encoding="utf-8", newline="") as f:
            rows = list(csv.reader(f))
        row, col = int(row), int(col)
        shown = rows[row][col] if row < len(rows) and col < len(rows[row]) else ""
        checks.equal(shown, text, "%s: LibreOffice shows at %d,%d" % (path, row, col))


class Checks:
    """Counts checks and keeps the mismatches for finish()."""

    def __init__(self):
        self.count = 0
        self.failures = []

    def fail(self, message):
        self.count += 1
        self.failures.append(message)

    def check(self, ok, message):
        self.count += 1
        if not ok:
            self.failures.append(message)
        return ok

    def equal(self, got, want, what):
        return self.check(got == want, "%s: got %r, want %r" % (what, got, want))

    def finish(self):
        """Prints the verdict and ends the checker: "FAIL" lines and exit 1,
        or the closing line. A checker that checked nothing fails."""
        if self.count == 0:
            self.failures.append("nothing was checked")
        for f in self.failures:
            print("FAIL " + f)
        if self.failures:
            print("%d of %d checks failed" % (len(self.failures), self.count))
            sys.stdout.flush()
            sys.exit(1)
        end("%d checks" % self.count)


def unittest_main():
    """unittest.main for the python tests that CTest runs: exits with 1 when
    a test failed, with SKIP_STATUS when one was skipped (the reasons
    printed as "SKIP" lines), else with 0."""
    import unittest
    program = unittest.main(exit=False)
    result = program.result
    if not result.wasSuccessful() or result.testsRun == 0:
        sys.exit(1)
    if result.skipped:
        for test, reason in result.skipped:
            print("SKIP %s: %s" % (test.id(), reason))
        sys.stdout.flush()
        sys.exit(SKIP_STATUS)
    sys.exit(0)


def sheet_settings(ws):
    """The settings of an openpyxl worksheet as (key, value) pairs: visibility,
    protection, gridlines, zoom, print options, margins in inches, header and
    footer texts (blanks as "_"), orientation, paper and print scale."""

    def text(part):
        return (part.text or "").replace(" ", "_") if part is not None else ""

    m, po, ps, view = ws.page_margins, ws.print_options, ws.page_setup, ws.sheet_view
    return [
        ("state", ws.sheet_state), ("protected", int(bool(ws.protection.sheet))),
        ("gridlines", int(view.showGridLines is not False)), ("zoom", view.zoomScale or 100),
        ("printgridlines", int(bool(po.gridLines))), ("headings", int(bool(po.headings))),
        ("hcentre", int(bool(po.horizontalCentered))), ("vcentre", int(bool(po.verticalCentered))),
        ("left", "%.2f" % m.left), ("right", "%.2f" % m.right), ("top", "%.2f" % m.top),
        ("bottom", "%.2f" % m.bottom), ("headermargin", "%.2f" % m.header), ("footermargin", "%.2f" % m.footer),
        ("header", text(ws.oddHeader.center)), ("footer", text(ws.oddFooter.center)),
        ("orientation", ps.orientation or "default"), ("paper", ps.paperSize or 0), ("scale", ps.scale or 100),
    ]
