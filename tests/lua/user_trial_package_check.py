"""Makes the books that user_trial_package_test.lua starts from, and checks
the books it saved as independent readers see them and as their packages
are.

    user_trial_package_check.py make <folder>
        rich.xlsx    written here part by part: sheet "Text" with A1 a rich
                     text (runs "Bold" in bold and " plain"), A2 "two", A3
                     a number; its string table also holds 20,000 texts
                     "stale N" and a rich "stale rich" that no cell names
        notes.xlsx   by openpyxl: sheets One, Two and Three, a note in A1
                     of each ("note of One", ...); then sheets One and Two
                     share the printer settings printerSettings1.bin, Three
                     has printerSettings2.bin of its own, and Three's
                     relationships also name the styles and the theme
        styled.xlsx  by openpyxl: A1 of sheet "Styled" with a thin left
                     border, a solid yellow fill and the number 1

    user_trial_package_check.py check <facts>
        reads a file of facts, one a line, fields separated by tabs:

    sst      <book> <count>         the string table of the package: every
                                    item is named by a cell, every string
                                    cell names an item, "count" is <count>
                                    (the string cells) and "uniqueCount" the
                                    number of items
    absent   <book> <text>          no part of the package holds the text
    rich     <book> <sheet> <cell> <run>|<run>...
                                    the item that the cell names is rich
                                    text with these runs, the first bold
    size     <book> <bytes>         the file is at most that long
    records  <book> <fills> <borders> <formats>
                                    styles.xml holds at most that many
                                    fills and borders, and exactly that many
                                    cell formats ("-": not checked)
    package  <book>                 every part but the content types and
                                    the package relationships is named by a
                                    relationship of a part that is there;
                                    every relationships part belongs to a
                                    part that is there; every override
                                    names a part that is there
    parts    <book> <regex> <n>     n entries of the package match the
                                    regular expression
    comment  <book> <sheet> <cell> <text>
                                    openpyxl reads the note of the cell
    style    <book> <sheet> <cell> <left border> <fill rgb> <number format>
                                    openpyxl reads the cell's style so
    text     <book> <sheet> <row> <col> <text>
                                    xlrd (.xls) or openpyxl (.xlsx) reads
                                    the value in that cell (as text)
    lo       <book> <row> <col> <text>
                                    LibreOffice, converting the book to
                                    CSV, shows the text in that cell of the
                                    first sheet
    opens    <book>                 LibreOffice converts the book
"""
import atexit
import collections
import os
import posixpath
import re
import shutil
import sys
import tempfile
import zipfile
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
PKG_RELS = "http://schemas.openxmlformats.org/package/2006/relationships"
CT = "http://schemas.openxmlformats.org/package/2006/content-types"
DOC_REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
M = "{%s}" % MAIN


def write_rich(path):
    runs = ('<si><r><rPr><b/><sz val="11"/></rPr><t>Bold</t></r>'
            '<r><rPr><sz val="11"/></rPr><t xml:space="preserve"> plain</t></r></si>')
    stale = "".join("<si><t>stale %d</t></si>" % i for i in range(20000))
    stale_rich = '<si><r><rPr><i/></rPr><t>stale rich</t></r></si>'
    # Items: 0..19999 stale, 20000 the rich text, 20001 "two", 20002 stale rich.
    sst = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
           '<sst xmlns="%s" count="2" uniqueCount="20003">%s%s<si><t>two</t></si>%s</sst>'
           % (MAIN, stale, runs, stale_rich))
    sheet = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
             '<worksheet xmlns="%s"><sheetData>'
             '<row r="1"><c r="A1" t="s"><v>20000</v></c></row>'
             '<row r="2"><c r="A2" t="s"><v>20001</v></c></row>'
             '<row r="3"><c r="A3"><v>3.5</v></c></row>'
             '</sheetData></worksheet>' % MAIN)
    styles = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
              '<styleSheet xmlns="%s"><fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>'
              '<fills count="2"><fill><patternFill patternType="none"/></fill>'
              '<fill><patternFill patternType="gray125"/></fill></fills>'
              '<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>'
              '<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>'
              '<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>'
              '<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>'
              '</styleSheet>' % MAIN)
    workbook = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                '<workbook xmlns="%s" xmlns:r="%s"><sheets><sheet name="Text" sheetId="1" r:id="rId1"/>'
                '</sheets></workbook>' % (MAIN, DOC_REL))
    rel = '<Relationship Id="%s" Type="' + DOC_REL + '/%s" Target="%s"/>'
    wb_rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Relationships xmlns="%s">%s%s%s'
               '</Relationships>' % (PKG_RELS, rel % ("rId1", "worksheet", "worksheets/sheet1.xml"),
                                     rel % ("rId2", "sharedStrings", "sharedStrings.xml"),
                                     rel % ("rId3", "styles", "styles.xml")))
    pkg_rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Relationships xmlns="%s">%s'
                '</Relationships>' % (PKG_RELS, rel % ("rId1", "officeDocument", "xl/workbook.xml")))
    sml = "application/vnd.openxmlformats-officedocument.spreadsheetml."
    override = '<Override PartName="%s" ContentType="%s"/>'
    types = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Types xmlns="%s">'
             '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
             '<Default Extension="xml" ContentType="application/xml"/>%s%s%s%s</Types>'
             % (CT, override % ("/xl/workbook.xml", sml + "sheet.main+xml"),
                override % ("/xl/worksheets/sheet1.xml", sml + "worksheet+xml"),
                override % ("/xl/sharedStrings.xml", sml + "sharedStrings+xml"),
                override % ("/xl/styles.xml", sml + "styles+xml")))
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", types)
        z.writestr("_rels/.rels", pkg_rels)
        z.writestr("xl/workbook.xml", workbook)
        z.writestr("xl/_rels/workbook.xml.rels", wb_rels)
        z.writestr("xl/worksheets/sheet1.xml", sheet)
        z.writestr("xl/sharedStrings.xml", sst)
        z.writestr("xl/styles.xml", styles)


def write_notes(path, openpyxl):
    from openpyxl.comments import Comment
    book = openpyxl.Workbook()
    book.remove(book.active)
    for name in ("One", "Two", "Three"):
        ws = book.create_sheet(name)
        ws["A1"] = name.lower()
        ws["A1"].comment = Comment("note of " + name, "trial")
    raw = os.path.join(os.path.dirname(path), "notes-raw.xlsx")
    book.save(raw)
    # Printer settings: one part shared by One and Two, one of Three's own;
    # Three's relationships also name the styles and the theme.
    printer = "application/vnd.openxmlformats-officedocument.spreadsheetml.printerSettings"
    extra = {
        "xl/worksheets/_rels/sheet1.xml.rels": [("printerSettings", "../printerSettings/printerSettings1.bin")],
        "xl/worksheets/_rels/sheet2.xml.rels": [("printerSettings", "../printerSettings/printerSettings1.bin")],
        "xl/worksheets/_rels/sheet3.xml.rels": [("printerSettings", "../printerSettings/printerSettings2.bin"),
                                                ("styles", "../styles.xml"), ("theme", "../theme/theme1.xml")],
    }
    with zipfile.ZipFile(raw) as src, zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as dst:
        names = src.namelist()
        for name in names:
            data = src.read(name)
            if name in extra:
                text = data.decode("utf-8")
                add = "".join('<Relationship Id="rIdX%d" Type="%s/%s" Target="%s"/>' % (i, DOC_REL, t, target)
                              for i, (t, target) in enumerate(extra[name]))
                data = text.replace("</Relationships>", add + "</Relationships>").encode("utf-8")
            elif name == "[Content_Types].xml":
                text = data.decode("utf-8")
                data = text.replace("</Types>", '<Default Extension="bin" ContentType="%s"/></Types>'
                                    % printer).encode("utf-8")
            dst.writestr(name, data)
        for name in extra:
            if name not in names:
                raise SystemExit("openpyxl wrote no " + name)
        dst.writestr("xl/printerSettings/printerSettings1.bin", b"shared printer settings")
        dst.writestr("xl/printerSettings/printerSettings2.bin", b"printer settings of Three")
    os.remove(raw)


def write_styled(path, openpyxl):
    from openpyxl.styles import Border, PatternFill, Side
    book = openpyxl.Workbook()
    ws = book.active
    ws.title = "Styled"
    ws["A1"] = 1
    ws["A1"].border = Border(left=Side(style="thin"))
    ws["A1"].fill = PatternFill(patternType="solid", fgColor="FFFFFF00")
    book.save(path)


def make(folder):
    openpyxl = checklib.require_module("openpyxl", "python3-openpyxl")
    write_rich(os.path.join(folder, "rich.xlsx"))
    write_notes(os.path.join(folder, "notes.xlsx"), openpyxl)
    write_styled(os.path.join(folder, "styled.xlsx"), openpyxl)
    checklib.end()


# ---- the package ---------------------------------------------------------------

def rels_source(name):
    """The part a relationships part belongs to ("/" for the package), or
    None for a name of no relationships part."""
    folder, file = posixpath.split(name if name.startswith("/") else "/" + name)
    if not file.endswith(".rels") or posixpath.basename(folder) != "_rels":
        return None
    return posixpath.join(posixpath.dirname(folder), file[:-len(".rels")])


def resolve(source, target):
    if target.startswith("/"):
        return posixpath.normpath(target)
    base = "/" if source == "/" else posixpath.dirname(source)
    return posixpath.normpath(posixpath.join(base, target))


class Package:
    def __init__(self, path):
        self.zip = zipfile.ZipFile(path)
        self.names = {"/" + n: n for n in self.zip.namelist() if not n.endswith("/")}
        self.lower = {k.lower(): v for k, v in self.names.items()}

    def read(self, part):
        return self.zip.read(self.lower[part.lower()])

    def has(self, part):
        return part.lower() in self.lower

    def rels(self, source):
        """[(type word, resolved target, external)] of a part's relationships."""
        folder, file = posixpath.split(source)
        name = posixpath.join(folder, "_rels", file + ".rels") if source != "/" else "/_rels/.rels"
        if not self.has(name):
            return []
        out = []
        for r in ET.fromstring(self.read(name)):
            external = r.get("TargetMode") == "External"
            target = r.get("Target")
            out.append((r.get("Type").rsplit("/", 1)[-1], target if external else resolve(source, target), external))
        return out

    def workbook(self):
        return [t for w, t, e in self.rels("/") if w == "officeDocument"][0]

    def related(self, source, word):
        return [t for w, t, e in self.rels(source) if w == word and not e]

    def sheets(self):
        """The worksheet parts in the order of the workbook's sheet list."""
        wb = self.workbook()
        ids = {}
        folder, file = posixpath.split(wb)
        for r in ET.fromstring(self.read(posixpath.join(folder, "_rels", file + ".rels"))):
            ids[r.get("Id")] = resolve(wb, r.get("Target"))
        root = ET.fromstring(self.read(wb))
        return [ids[s.get("{%s}id" % DOC_REL)] for s in root.find(M + "sheets")]


def cell_address(cell):
    m = re.fullmatch(r"([A-Z]+)(\d+)", cell)
    return m.group(1), int(m.group(2))


def check_sst(checks, path, count):
    pkg = Package(path)
    sst_parts = pkg.related(pkg.workbook(), "sharedStrings")
    if not checks.check(len(sst_parts) == 1, path + ": one string table"):
        return
    root = ET.fromstring(pkg.read(sst_parts[0]))
    items = root.findall(M + "si")
    used = collections.Counter()
    cells = 0
    for sheet in pkg.sheets():
        for c in ET.fromstring(pkg.read(sheet)).iter(M + "c"):
            if c.get("t") == "s":
                cells += 1
                used[int(c.find(M + "v").text)] += 1
    checks.check(all(0 <= i < len(items) for i in used), path + ": every string cell names an item")
    unused = [i for i in range(len(items)) if i not in used]
    checks.equal(len(unused), 0, path + ": items that no cell names (the first %s)" % unused[:3])
    checks.equal(root.get("count"), str(cells), path + ": count, the string cells")
    checks.equal(cells, int(count), path + ": the string cells")
    checks.equal(root.get("uniqueCount"), str(len(items)), path + ": uniqueCount, the items")


def item_text(si):
    return "".join(t.text or "" for t in si.iter(M + "t"))


def check_rich(checks, path, sheet, cell, runs):
    pkg = Package(path)
    root = ET.fromstring(pkg.read(pkg.related(pkg.workbook(), "sharedStrings")[0]))
    items = root.findall(M + "si")
    ws = ET.fromstring(pkg.read(pkg.sheets()[int(sheet)]))
    found = [c for c in ws.iter(M + "c") if c.get("r") == cell]
    if not checks.check(len(found) == 1 and found[0].get("t") == "s", "%s: %s is a string cell" % (path, cell)):
        return
    si = items[int(found[0].find(M + "v").text)]
    got = [item_text(r) for r in si.findall(M + "r")]
    checks.equal("|".join(got), runs, "%s: the runs of the item of %s" % (path, cell))
    first = si.find(M + "r")
    checks.check(first is not None and first.find(M + "rPr/" + M + "b") is not None,
                 "%s: the first run of %s is bold" % (path, cell))


def check_records(checks, path, fills, borders, formats):
    pkg = Package(path)
    root = ET.fromstring(pkg.read(pkg.related(pkg.workbook(), "styles")[0]))
    got_fills = len(root.find(M + "fills")) if root.find(M + "fills") is not None else 0
    got_borders = len(root.find(M + "borders")) if root.find(M + "borders") is not None else 0
    checks.check(got_fills <= int(fills), "%s: %d fills, want at most %s" % (path, got_fills, fills))
    checks.check(got_borders <= int(borders), "%s: %d borders, want at most %s" % (path, got_borders, borders))
    if formats != "-":
        checks.equal(len(root.find(M + "cellXfs")), int(formats), path + ": the cell formats")


def check_package(checks, path):
    pkg = Package(path)
    parts = set(n.lower() for n in pkg.names)
    named = set()
    sources = ["/"] + [n for n in pkg.names if rels_source(n) is None]
    for source in sources:
        for w, t, e in pkg.rels(source):
            if not e:
                named.add(t.lower())
    for name in pkg.names:
        src = rels_source(name)
        if name == "/[Content_Types].xml" or name == "/_rels/.rels":
            continue
        if src is not None:
            checks.check(pkg.has(src), "%s: the relationships %s belong to a part that is there" % (path, name))
        else:
            checks.check(name.lower() in named, "%s: a relationship names %s" % (path, name))
    for o in ET.fromstring(pkg.read("/[Content_Types].xml")).iter("{%s}Override" % CT):
        checks.check(o.get("PartName").lower() in parts, "%s: the override of %s names a part" %
                     (path, o.get("PartName")))


def check(facts_path):
    xlrd = checklib.require_module("xlrd", "python3-xlrd")
    openpyxl = checklib.require_module("openpyxl", "python3-openpyxl")
    facts = checklib.read_facts(facts_path)

    checks = checklib.Checks()
    work = tempfile.mkdtemp(prefix="celvo-package-")
    atexit.register(shutil.rmtree, work, True)
    open_book = checklib.book_opener(checks, xlrd, openpyxl)

    def guarded(what, f, *args):
        try:
            f(checks, *args)
        except Exception as e:  # a package that cannot be looked at is the finding
            checks.fail("%s %s: %r" % (what, args[0], e))

    for path, count in facts["sst"]:
        guarded("sst", check_sst, path, count)
    for path, text in facts["absent"]:
        with zipfile.ZipFile(path) as z:
            holders = [n for n in z.namelist() if text.encode("utf-8") in z.read(n)]
        checks.equal(holders, [], "%s: the parts that hold %r" % (path, text))
    for path, sheet, cell, runs in facts["rich"]:
        guarded("rich", check_rich, path, sheet, cell, runs)
    for path, limit in facts["size"]:
        size = os.path.getsize(path)
        checks.check(size <= int(limit), "%s: %d bytes, want at most %s" % (path, size, limit))
    for path, fills, borders, formats in facts["records"]:
        guarded("records", check_records, path, fills, borders, formats)
    for (path,) in facts["package"]:
        guarded("package", check_package, path)
    for path, regex, n in facts["parts"]:
        with zipfile.ZipFile(path) as z:
            got = sorted(e for e in z.namelist() if re.fullmatch(regex, e))
        checks.check(len(got) == int(n), "%s: entries matching %s: %s, want %s" % (path, regex, got, n))

    for path, sheet, cell, text in facts["comment"]:
        book = open_book(path)
        if book is None:
            continue
        comment = book[sheet][cell].comment
        checks.equal(comment.text if comment else None, text, "%s: the note of %s!%s" % (path, sheet, cell))
    for path, sheet, cell, border, fill, numfmt in facts["style"]:
        book = open_book(path)
        if book is None:
            continue
        try:
            c = book[sheet][cell]
            got = (str(c.border.left.style), str(c.fill.fgColor.rgb) if c.fill.fill_type == "solid" else "none",
                   c.number_format)
        except Exception as e:  # a style that cannot be read is the finding
            got = "(cannot be read: %r)" % e
        checks.equal(got, (border, fill, numfmt), "%s: the style of %s!%s" % (path, sheet, cell))
    for path, sheet, row, col, text in facts["text"]:
        book = open_book(path)
        if book is None:
            continue
        try:
            if path.endswith(".xlsx"):
                got = book.worksheets[int(sheet)].cell(row=int(row) + 1, column=int(col) + 1).value
            else:
                got = book.sheet_by_index(int(sheet)).cell_value(int(row), int(col))
        except IndexError:
            got = "(no such cell)"
        if isinstance(got, float) and got.is_integer():
            got = int(got)
        checks.equal(str(got), text, "%s: sheet %s, cell %s,%s" % (path, sheet, row, col))

    checklib.check_libreoffice_shows(checks, facts, work)

    checks.finish()


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("make", "check"):
        sys.exit("usage: user_trial_package_check.py make <folder> | check <facts>")
    (make if sys.argv[1] == "make" else check)(sys.argv[2])
