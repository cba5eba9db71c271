"""Round trip of the package parts of real .xlsx files through the bindings:
every relationships part, the content-types part, the workbook part, the
shared-strings and styles parts, every worksheet part and every drawing part
of a sheet of each file in $CELVO_CORPUS/xlsx is read and written
back by the tool given as the first argument, the worksheets twice: whole,
and with only their rows and cells read through the bindings. What it writes
must be well-formed and equal to what it read after canonicalisation.

    corpus_roundtrip.py <roundtrip tool>

Files whose manifest note marks them broken or hostile on purpose may fail
to read, with a message; they must never crash the tool."""

import csv
import os
import posixpath
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))

import checklib  # noqa: E402
import xmlcanon  # noqa: E402

TOOL = None
OFFICE_DOCUMENT = re.compile(r"/officeDocument$")
WORKSHEET = re.compile(r"(^|/)worksheets/[^/]+\.xml$", re.I)
SHARED_STRINGS = re.compile(r"(^|/)sharedStrings\.xml$", re.I)
STYLES = re.compile(r"(^|/)styles\.xml$", re.I)
DRAWING = re.compile(r"(^|/)drawings/[^/]+\.xml$", re.I)
# A drawing part of a sheet (the drawings of charts' own shapes share the
# folder under another document element).
SHEET_DRAWING_ROOT = re.compile(rb"<(?:\w+:)?wsDr[\s>/]")
# The strict edition's namespaces; the bindings read the transitional ones.
STRICT_ROOT = re.compile(rb"<(?:\w+:)?\w+\s[^>]*xmlns(?::\w+)?=\"http://purl\.oclc\.org/ooxml/")
SPOILT = ("BROKEN-ON-PURPOSE", "HOSTILE", "NOT-XLS", "ENCRYPTED")


def corpus():
    return os.environ.get("CELVO_CORPUS", "")


def manifest_notes(folder):
    notes = {}
    path = os.path.join(folder, "MANIFEST.tsv")
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            for row in csv.reader(f, delimiter="\t"):
                if len(row) > 6:
                    notes[row[0]] = row[6]
    return notes


def workbook_part(z, names):
    """The workbook part named by the package relationships, else the entry
    that looks like it."""
    rels = [n for n in names if n.replace("\\", "/").lower() == "_rels/.rels"]
    if rels:
        try:
            text = z.read(rels[0]).decode("utf-8", "replace")
        except Exception:
            text = ""
        for m in re.finditer(r"<(?:\w+:)?Relationship\b[^>]*>", text):
            tag = m.group(0)
            t = re.search(r'\bType="([^"]*)"', tag)
            target = re.search(r'\bTarget="([^"]*)"', tag)
            if t and target and OFFICE_DOCUMENT.search(t.group(1)):
                want = posixpath.normpath(target.group(1).lstrip("/"))
                for n in names:
                    if n.replace("\\", "/") == want:
                        return n
    for n in names:
        if re.search(r"(^|[/\\])workbook\.xml$", n):
            return n
    return None


def parts_of(z):
    """(kind, entry name) of the parts the bindings cover."""
    names = z.namelist()
    out = []
    for n in names:
        if n.lower().endswith(".rels"):
            out.append(("rels", n))
        elif n == "[Content_Types].xml":
            out.append(("types", n))
    wb = workbook_part(z, names)
    if wb is not None:
        out.append(("workbook", wb))
    for n in names:
        if SHARED_STRINGS.search(n.replace("\\", "/")):
            out.append(("sst", n))
        elif STYLES.search(n.replace("\\", "/")):
            out.append(("styles", n))
    for n in names:
        if WORKSHEET.search(n.replace("\\", "/")):
            out.append(("sheetdata", n))
            out.append(("worksheet", n))
        elif DRAWING.search(n.replace("\\", "/")):
            try:
                head = z.read(n)[:4000]
            except Exception:
                head = b""
            if SHEET_DRAWING_ROOT.search(head):
                out.append(("drawing", n))
    return out


class CorpusRoundTrip(unittest.TestCase):
    def test_parts_round_trip(self):
        folder = corpus()
        if not folder:
            self.skipTest("corpus folder not given (set CELVO_CORPUS_DIR); skipped")
        notes = manifest_notes(folder)
        files = sorted(f for f in os.listdir(os.path.join(folder, "xlsx")) if f.endswith(".xlsx"))
        checked = 0
        with tempfile.TemporaryDirectory() as tmp:
            for f in files:
                rel = "xlsx/" + f
                spoilt = notes.get(rel, "").startswith(SPOILT)
                try:
                    z = zipfile.ZipFile(os.path.join(folder, rel))
                except (zipfile.BadZipFile, OSError):
                    continue  # not a package: nothing of the bindings to check
                with z:
                    for kind, name in parts_of(z):
                        try:
                            data = z.read(name)
                        except Exception:
                            continue  # damaged entry: the package reader's concern
                        with self.subTest(file=f, part=name):
                            checked += 1
                            self.round_trip(tmp, kind, data, spoilt, f + ":" + name)
        print("%d parts of %d files checked" % (checked, len(files)))

    def round_trip(self, tmp, kind, data, spoilt, label):
        src = os.path.join(tmp, "in.xml")
        dst = os.path.join(tmp, "out.xml")
        with open(src, "wb") as f:
            f.write(data)
        if os.path.exists(dst):
            os.remove(dst)
        r = subprocess.run([TOOL, kind, src, dst], capture_output=True, timeout=120)
        message = r.stderr.decode("utf-8", "replace").strip()
        self.assertIn(r.returncode, (0, 1), "the tool crashed or failed: %s" % message)
        if STRICT_ROOT.search(data[:2000]):
            self.assertEqual(1, r.returncode, "a part of the strict edition is not read")
            self.assertIn("error 16 ", message)
            return
        if r.returncode == 1:
            self.assertTrue(message, "a failed read gives a message")
            if not spoilt:
                self.fail("not read: %s" % message)
            return
        if kind == "worksheet" and not spoilt:
            kept = r.stdout.decode("utf-8", "replace").split()
            self.assertEqual([], kept[1::2], "children of the worksheet that no class describes")
        complaint = xmlcanon.well_formed(dst)
        self.assertIsNone(complaint, "written part is not well-formed: %s" % complaint)
        try:
            before = xmlcanon.canonical(src)
        except RuntimeError:
            if spoilt:
                return
            raise
        after = xmlcanon.canonical(dst)
        if kind in ("sheetdata", "worksheet"):
            # Cells and rows without a reference get one; number attributes
            # are written in their shortest form and hexBinary ones in upper
            # case; white space at either end of a text is marked as kept.
            before = xmlcanon.cell_references(before, after)
            before = xmlcanon.number_words(before, after)
            before = xmlcanon.hex_words(before, after)
            before = xmlcanon.without_space_preserve(before)
            after = xmlcanon.without_space_preserve(after)
        if kind == "styles":
            # Sizes, tints and positions are doubles written in their
            # shortest form; colours in upper-case hexadecimal.
            before = xmlcanon.number_words(before, after)
            before = xmlcanon.hex_words(before, after)
        if kind == "sst":
            before = xmlcanon.number_words(before, after)
            before = xmlcanon.hex_words(before, after)
        before = xmlcanon.boolean_words(before, after)
        before = xmlcanon.x_escapes(before)
        after = xmlcanon.x_escapes(after)
        if before != after:
            self.fail("written part differs " + xmlcanon.first_difference(before, after))

if __name__ == "__main__":
    TOOL = sys.argv.pop(1)
    checklib.unittest_main()
