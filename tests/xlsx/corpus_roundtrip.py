"""Real .xlsx books loaded and saved by the .xlsx engine: every book of
$CELVO_CORPUS/xlsx that is not broken, hostile or encrypted on purpose is
loaded and saved (to a file and to memory, which must give the same bytes)
by the tool given as the first argument. The saved package holds the same
entries as the original apart from the calculation chain (folder entries
are not parts; backslashes in names become slashes), "[Content_Types].xml"
first; each entry is byte-identical or, for the XML parts the engine reads,
equal after canonicalisation (the calculation chain's relationship and
override left out; the shared strings that no cell names dropped, and the
string cells renumbered to match, with the counts of what was written); openpyxl opens the saved book when it opens the
original, with the same sheets; LibreOffice converts every saved book (to
a spreadsheet document) that it converts when it is the original.

    corpus_roundtrip.py <xlsx_roundtrip tool>

Books spoilt on purpose must fail with a message, never crash."""

import csv
import html
import os
import re
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
import zipfile

sys.path.insert(0, os.environ.get("CELVO_TOOLS", os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools")))

import checklib  # noqa: E402
import xmlcanon  # noqa: E402

TOOL = None
SPOILT = ("BROKEN-ON-PURPOSE", "HOSTILE", "NOT-XLS", "ENCRYPTED")
CALC_CHAIN_TYPE = "application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml"
CALC_CHAIN_REL = re.compile(r"/calcChain$")
# What the engine says of a book it does not read, by file (the message
# goes on with the first part of the package that it could not read).
STRICT = "strict Open XML is not supported in part "
REFUSED = {
    # The strict edition of the format, whose namespaces the bindings do not read.
    "calamine__strict_iso_paths.xlsx": STRICT,
    "exceldatareader__Test_Issue_11573_BlankValues.xlsx": STRICT,
    "sheetjs__sheet_visibility_strict.xlsx": STRICT,
    # A workbook whose sheet list is empty: it could not be saved, so it is
    # refused when it loads.
    "excelize__BadWorkbook.xlsx": "the workbook has no sheets",
}
# Books that load but cannot be saved, with the message.
UNSAVED = {}
OPENPYXL_CHECK = r"""
import sys, warnings
warnings.simplefilter("ignore")
import openpyxl
for path in sys.argv[1:]:
    try:
        wb = openpyxl.load_workbook(path)
        print("sheets", wb.sheetnames)
    except Exception as e:
        print("error", type(e).__name__)
"""


def corpus():
    return os.environ.get("CELVO_CORPUS", "")


def python():
    return os.environ.get("CELVO_PYTHON", "/usr/bin/python3")


def manifest_notes(folder):
    notes = {}
    with open(os.path.join(folder, "MANIFEST.tsv"), encoding="utf-8") as f:
        for row in csv.reader(f, delimiter="\t"):
            if len(row) > 6:
                notes[row[0]] = row[6]
    return notes


def part_name(entry):
    return entry.replace("\\", "/").lstrip("/")


def entries(path):
    """{part name: bytes} of the file entries of a package."""
    with zipfile.ZipFile(path) as z:
        return {part_name(i.filename): z.read(i) for i in z.infolist() if not i.filename.endswith("/")}


def calc_chain_parts(parts):
    """The part names of the calculation chain: by content type or by the
    workbook relationships' type."""
    names = set()
    types = parts.get("[Content_Types].xml", b"").decode("utf-8", "replace")
    for m in re.finditer(r"<(?:\w+:)?Override\b[^>]*>", types):
        if CALC_CHAIN_TYPE in m.group(0):
            pn = re.search(r'PartName="([^"]*)"', m.group(0))
            if pn:
                names.add(pn.group(1).lstrip("/").lower())
    for name, data in parts.items():
        if not name.lower().endswith(".rels"):
            continue
        folder = os.path.dirname(os.path.dirname(name))
        for m in re.finditer(r"<(?:\w+:)?Relationship\b[^>]*>", data.decode("utf-8", "replace")):
            t = re.search(r'Type="([^"]*)"', m.group(0))
            target = re.search(r'Target="([^"]*)"', m.group(0))
            if t and target and CALC_CHAIN_REL.search(t.group(1)):
                tg = target.group(1)
                full = tg.lstrip("/") if tg.startswith("/") else os.path.normpath(os.path.join(folder, tg))
                names.add(full.lower())
    ext_default = re.search(r'<(?:\w+:)?Default\b[^>]*ContentType="%s"' % re.escape(CALC_CHAIN_TYPE), types)
    if ext_default:
        names.update(n.lower() for n in parts if n.lower().endswith(".xml") and "calcchain" in n.lower())
    return names


def without_calc_chain(data):
    """A content-types or relationships part without its calculation-chain
    entries."""
    text = data.decode("utf-8")
    text = re.sub(r"<(?:\w+:)?Override\b[^>]*%s[^>]*/>" % re.escape(CALC_CHAIN_TYPE), "", text)
    text = re.sub(r'<(?:\w+:)?Relationship\b[^>]*Type="[^"]*/calcChain"[^>]*/>', "", text)
    return text.encode("utf-8")


_SI = re.compile(r"<((?:\w+:)?)si>.*?</\1si>", re.S)
_SI_START = re.compile(rb"<(?:\w+:)?si[\s>/]")
_SST_START = re.compile(r"<(?:\w+:)?sst\b[^>]*>")
_COUNTS = re.compile(r'\s(count|uniqueCount)="([^"]*)"')
_STRING_CELL = re.compile(r'(<(?:\w+:)?c\b[^>]*\bt="s"[^>]*>)(.*?)(</(?:\w+:)?c>)', re.S)
_VALUE = re.compile(r"(<((?:\w+:)?)v>)(\d+)(</\2v>)")


def string_cells(parts):
    """The shared-string indexes that the string cells of the worksheet
    parts name, one per cell."""
    out = []
    for name, data in parts.items():
        if not name.lower().endswith(".xml") or not re.search(rb"<(?:\w+:)?worksheet\b", data[:600]):
            continue
        try:
            root = ET.fromstring(data)
        except ET.ParseError:
            continue
        for c in root.iter():
            if c.tag.rsplit("}", 1)[-1] != "c" or c.get("t") != "s":
                continue
            for v in c:
                if v.tag.rsplit("}", 1)[-1] == "v" and v.text and v.text.strip().isdigit():
                    out.append(int(v.text.strip()))
    return out


def shared_strings_item_count(parts):
    """The items of the shared-strings part(s) of a package."""
    return sum(len(_SI_START.findall(data)) for name, data in parts.items()
               if name.lower().endswith(".xml") and re.search(rb"<(?:\w+:)?sst\b", data[:600]))


def renumber_string_cells(text, places):
    """A worksheet's canonical text with the values of its string cells
    given their places in the written string table."""
    def cell(m):
        return m.group(1) + _VALUE.sub(lambda v: v.group(1) + str(places.get(int(v.group(3)), int(v.group(3))))
                                       + v.group(4), m.group(2)) + m.group(3)
    return _STRING_CELL.sub(cell, text)


class CorpusRoundTrip(unittest.TestCase):
    def test_books_load_and_save(self):
        folder = corpus()
        if not folder:
            self.fail("corpus folder not given (set CELVO_CORPUS_DIR)")
        notes = manifest_notes(folder)
        files = sorted(f for f in os.listdir(os.path.join(folder, "xlsx")))
        saved = []
        with tempfile.TemporaryDirectory() as tmp:
            for f in files:
                rel = "xlsx/" + f
                with self.subTest(file=f):
                    out = os.path.join(tmp, f)
                    r = subprocess.run([TOOL, os.path.join(folder, rel), out], capture_output=True, timeout=300)
                    message = r.stderr.decode("utf-8", "replace").strip()
                    self.assertIn(r.returncode, (0, 1, 3), "the tool crashed: %s" % message)
                    self.assertNotEqual(r.returncode, 3, "the memory save differs from the file")
                    if notes.get(rel, "").startswith(SPOILT):
                        if r.returncode == 1:
                            self.assertTrue(message, "a refused book gives a message")
                        continue
                    if f in REFUSED:
                        self.assertTrue(message.startswith("load: " + REFUSED[f]), message)
                        continue
                    if f in UNSAVED:
                        self.assertEqual(message, "save: " + UNSAVED[f])
                        continue
                    self.assertEqual(r.returncode, 0, message)
                    self.compare(os.path.join(folder, rel), out, tmp)
                    saved.append((os.path.join(folder, rel), out))
            if not checklib.sanitized():
                self.check_openpyxl(saved)
                self.check_libreoffice(saved, tmp)
        print("%d books loaded and saved of %d files" % (len(saved), len(files)))

    def compare(self, original, written, tmp):
        before = entries(original)
        after = entries(written)
        with zipfile.ZipFile(written) as z:
            self.assertEqual(z.infolist()[0].filename, "[Content_Types].xml")
        chain = calc_chain_parts(before)
        expected = sorted(n for n in before if n.lower() not in chain)
        self.assertEqual(sorted(after), expected)
        # The shared strings that no cell names are dropped on save, and the
        # others keep their order.
        items_before = shared_strings_item_count(before)
        compacted = items_before != shared_strings_item_count(after)
        kept = sorted(i for i in set(string_cells(before)) if i < items_before)
        places = {old: new for new, old in enumerate(kept)} if compacted else {}
        for name in expected:
            a, b = before[name], after[name]
            if a == b:
                continue
            lower = name.lower()
            self.assertTrue(lower.endswith((".xml", ".rels")), "%s changed" % name)
            if lower == "[content_types].xml" or lower.endswith(".rels"):
                a = without_calc_chain(a)
            pa, pb = os.path.join(tmp, "a.xml"), os.path.join(tmp, "b.xml")
            with open(pa, "wb") as fa:
                fa.write(a)
            with open(pb, "wb") as fb:
                fb.write(b)
            self.assertIsNone(xmlcanon.well_formed(pb), name)
            ca, cb = xmlcanon.canonical(pa), xmlcanon.canonical(pb)
            if "<worksheet" in cb[:400] or re.search(r"<\w+:worksheet\b", cb[:400]):
                # The worksheet is written from its binding: cells and rows
                # get their references, numbers their shortest text, texts
                # with white space at an end are marked as kept, and the
                # dimension follows the cells (checked on its own).
                self.assertIsNone(xmlcanon.dimension_covers_cells(cb), name)
                ca, cb = xmlcanon.without_dimension(ca), xmlcanon.without_dimension(cb)
                ca = xmlcanon.cell_references(ca, cb)
                ca = renumber_string_cells(ca, places)
                ca = xmlcanon.hex_words(xmlcanon.number_words(ca, cb), cb)
                ca, cb = xmlcanon.without_space_preserve(ca), xmlcanon.without_space_preserve(cb)
            elif "<styleSheet" in cb[:400] or re.search(r"<\w+:styleSheet\b", cb[:400]):
                # Sizes, tints and positions are doubles written in their
                # shortest text; colours in upper-case hexadecimal.
                ca = xmlcanon.hex_words(xmlcanon.number_words(ca, cb), cb)
            elif "<sst" in cb[:400] or re.search(r"<\w+:sst\b", cb[:400]):
                ca, cb = xmlcanon.without_space_preserve(ca), xmlcanon.without_space_preserve(cb)
                items = list(_SI.finditer(ca))
                if compacted and items:
                    ca = ca[:items[0].start()] + "".join(items[i].group(0) for i in kept if i < len(items)) + \
                        ca[items[-1].end():]
                # The counts are those of what was written: uniqueCount the
                # items, count the string cells (or as read).
                counts = dict(_COUNTS.findall(_SST_START.search(cb).group(0)))
                if "uniqueCount" in counts:
                    self.assertEqual(counts["uniqueCount"], str(len(_SI.findall(cb))), name + ": uniqueCount")
                theirs = dict(_COUNTS.findall(_SST_START.search(ca).group(0)))
                if "count" in counts and counts["count"] != theirs.get("count"):
                    self.assertEqual(counts["count"], str(len(string_cells(after))), name + ": count")
                ca = _SST_START.sub(lambda m: _COUNTS.sub("", m.group(0)), ca, count=1)
                cb = _SST_START.sub(lambda m: _COUNTS.sub("", m.group(0)), cb, count=1)
            ca = xmlcanon.boolean_words(ca, cb)
            # "_x000D_" in a string value and "&#xD;" are one character.
            ca, cb = xmlcanon.x_escapes(ca), xmlcanon.x_escapes(cb)
            if ca != cb:
                self.fail("%s differs %s" % (name, xmlcanon.first_difference(ca, cb)))

    def check_openpyxl(self, pairs):
        """openpyxl opens every saved book whose original it opens, with the
        same sheets."""
        for i in range(0, len(pairs), 20):
            chunk = pairs[i:i + 20]
            args = [p for pair in chunk for p in pair]
            r = subprocess.run(["env", "-u", "LD_PRELOAD", python(), "-c", OPENPYXL_CHECK] + args,
                               capture_output=True, timeout=900)
            lines = r.stdout.decode("utf-8", "replace").splitlines()
            self.assertEqual(len(lines), len(args), r.stderr.decode("utf-8", "replace")[-2000:])
            for k, (original, written) in enumerate(chunk):
                mine, theirs = lines[2 * k + 1], lines[2 * k]
                with self.subTest(openpyxl=os.path.basename(original)):
                    if theirs.startswith("sheets"):
                        self.assertEqual(mine, theirs)

    def check_libreoffice(self, pairs, tmp):
        """LibreOffice converts every saved book to a spreadsheet document
        with the book's sheets, in their order; a saved book it does not
        convert fails unless it does not convert the original either."""
        written = [w for _, w in pairs]
        made = {}
        for i in range(0, len(written), 20):
            made.update(checklib.convert(written[i:i + 20], "ods", os.path.join(tmp, "lo"), os.path.join(tmp, "lo-work"),
                                         timeout=900))
        for original, w in pairs:
            with self.subTest(libreoffice=os.path.basename(original)):
                if made.get(w):
                    self.assertEqual(ods_tables(made[w]), sheet_names(w), "LibreOffice's tables of the saved book")
                    continue
                theirs = checklib.convert([original], "ods", os.path.join(tmp, "lo-original"),
                                          os.path.join(tmp, "lo-work"))
                self.assertIsNone(theirs[original], "LibreOffice converts the original but not the saved book")


def ods_tables(path):
    """The names of the tables of a spreadsheet document, in order."""
    with zipfile.ZipFile(path) as z:
        text = z.read("content.xml").decode("utf-8")
    return [html.unescape(n) for n in re.findall(r'<table:table\b[^>]*?\btable:name="([^"]*)"', text)]


def sheet_names(path):
    """The sheet names of a package's workbook, in order."""
    with zipfile.ZipFile(path) as z:
        rels = z.read("_rels/.rels").decode("utf-8")
        target = None
        for m in re.finditer(r"<(?:\w+:)?Relationship\b[^>]*>", rels):
            if re.search(r'Type="[^"]*/officeDocument"', m.group(0)):
                target = re.search(r'Target="([^"]*)"', m.group(0)).group(1).lstrip("/")
        text = z.read(target).decode("utf-8")
    return [html.unescape(n) for n in re.findall(r'<(?:\w+:)?sheet\b[^>]*?\bname="([^"]*)"', text)]


if __name__ == "__main__":
    TOOL = sys.argv.pop(1)
    checklib.unittest_main()
