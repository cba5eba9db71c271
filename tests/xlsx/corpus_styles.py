"""The styles of real .xlsx books kept through an edit: every book of
$CELVO_CORPUS/xlsx that the engine loads and saves (corpus_roundtrip.py
says which) is loaded by the tool given as the first argument, one cell
gets a format of its own (a copy of its format with a solid red fill), and
the book is saved. openpyxl then reads, of every other cell of every
worksheet, the same font, fill, border, alignment, protection and number
format in the saved book as in the original, and the red fill on the cell
changed.

    corpus_styles.py <xlsx_restyle tool>
"""

import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.environ.get("CELVO_TOOLS", os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools")))

import checklib  # noqa: E402
import corpus_roundtrip as roundtrip  # noqa: E402

TOOL = None
# For each book: "same <cells compared>", "unread" when openpyxl cannot
# read the original, or "differs ..." lines.
OPENPYXL_COMPARE = r"""
import sys, warnings
warnings.simplefilter("ignore")
import openpyxl
from openpyxl.worksheet.worksheet import Worksheet

import re, zipfile
from copy import copy
from openpyxl.xml.functions import tostring

def text(x):
    # The style as markup, colours in upper case (hexBinary has no case).
    return re.sub(r'rgb="([0-9A-Fa-f]+)"', lambda m: 'rgb="%s"' % m.group(1).upper(), tostring(x.to_tree()).decode())

def style(c, fonts=True):
    # The styles themselves, not the proxies that the cell hands out.
    return tuple(text(copy(x)) for x in ((c.font,) if fonts else ()) + (c.fill, c.border, c.alignment, c.protection)) + (
        c.number_format,)

def has_fonts(path):
    with zipfile.ZipFile(path) as z:
        return any(re.search(rb"<(\w+:)?font\b", z.read(n)) for n in z.namelist() if n.lower().endswith("styles.xml"))

def flat(x):
    return " ".join(repr(x).split())

NAMES = ("font", "fill", "border", "alignment", "protection", "number format")
NO_FONT = NAMES[1:]
args = sys.argv[1:]
for i in range(0, len(args), 5):
    original, saved, sheet, row, col = args[i:i + 5]
    changed = (sheet, int(row) + 1, int(col) + 1)
    try:
        a = openpyxl.load_workbook(original)
    except Exception as e:
        print("unread", type(e).__name__)
        continue
    try:
        b = openpyxl.load_workbook(saved)
    except Exception as e:
        print("differs: openpyxl cannot read the saved book:", type(e).__name__, e)
        continue
    diffs, count = [], 0
    # A book without fonts in a styles part gets the default font; openpyxl's
    # own default stands for the original's.
    fonts = has_fonts(original)
    names = NAMES if fonts else NO_FONT
    for ws in a.worksheets:
        if not isinstance(ws, Worksheet):
            continue
        other = b[ws.title]
        # openpyxl draws the borders of a merged range from its first cell:
        # the cells of a range that the changed cell begins follow it.
        followers = set()
        if ws.title == sheet:
            for m in ws.merged_cells.ranges:
                if (m.min_row, m.min_col) == changed[1:]:
                    followers.update(m.cells)
        for (r, c), cell in ws._cells.items():
            if (ws.title, r, c) == changed or (r, c) in followers:
                continue
            count += 1
            mine, theirs = style(other.cell(r, c), fonts), style(cell, fonts)
            for name, x, y in zip(names, mine, theirs):
                if not (x == y) and len(diffs) < 5:
                    diffs.append("%s!%s %s: %s, was %s" % (ws.title, cell.coordinate, name, x, y))
    cell = b[sheet].cell(int(row) + 1, int(col) + 1)
    if cell.fill.patternType != "solid" or cell.fill.fgColor.type != "indexed" or cell.fill.fgColor.indexed != 10:
        diffs.append("the changed cell %s!%s has %s" % (sheet, cell.coordinate, flat(cell.fill)))
    print("differs: " + " | ".join(diffs) if diffs else "same %d" % count)
"""


class CorpusStyles(unittest.TestCase):
    def test_styles_kept_through_a_format_change(self):
        folder = roundtrip.corpus()
        if not folder:
            self.skipTest("the corpus folder is not given (set CELVO_CORPUS_DIR)")
        notes = roundtrip.manifest_notes(folder)
        files = sorted(os.listdir(os.path.join(folder, "xlsx")))
        edited = []
        with tempfile.TemporaryDirectory() as tmp:
            for f in files:
                rel = "xlsx/" + f
                if notes.get(rel, "").startswith(roundtrip.SPOILT) or f in roundtrip.REFUSED or f in roundtrip.UNSAVED:
                    continue
                with self.subTest(file=f):
                    out = os.path.join(tmp, f)
                    r = subprocess.run([TOOL, os.path.join(folder, rel), out], capture_output=True, timeout=300)
                    if r.returncode == 4:
                        continue  # no worksheet to change a cell of
                    self.assertEqual(r.returncode, 0, r.stderr.decode("utf-8", "replace").strip())
                    if r.returncode == 0:
                        sheet, row, col = r.stdout.decode("utf-8").rstrip("\n").split("\t")
                        edited.append((os.path.join(folder, rel), out, sheet, row, col))
            if checklib.sanitized():
                print("%d books edited; openpyxl compares them in the plain run" % len(edited))
                self.assertGreater(len(edited), 0, "no book edited")
                return
            compared = self.compare(edited)
        print("%d books edited, %d compared by openpyxl" % (len(edited), compared))
        self.assertGreater(compared, 0, "openpyxl compared no book")

    def compare(self, books):
        compared = 0
        for i in range(0, len(books), 10):
            chunk = books[i:i + 10]
            args = [x for book in chunk for x in book]
            r = subprocess.run(["env", "-u", "LD_PRELOAD", roundtrip.python(), "-c", OPENPYXL_COMPARE] + args,
                               capture_output=True, timeout=1200)
            lines = r.stdout.decode("utf-8", "replace").splitlines()
            self.assertEqual(len(lines), len(chunk), r.stderr.decode("utf-8", "replace")[-2000:])
            for book, line in zip(chunk, lines):
                with self.subTest(openpyxl=os.path.basename(book[0])):
                    self.assertFalse(line.startswith("differs"), line)
                    compared += line.startswith("same")
        return compared


if __name__ == "__main__":
    TOOL = sys.argv.pop(1)
    checklib.unittest_main()
