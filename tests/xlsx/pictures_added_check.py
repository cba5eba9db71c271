#!/usr/bin/env python3
"""Checks books to which pictures were added against the books they were
made from, in the package and as LibreOffice shows them.

Usage: pictures_added_check.py LIST WORKDIR

LIST has one line per book, fields separated by tabs:

    <original .xlsx, or - for a new book> <saved .xlsx> <sheet index> <raster pictures added> <anchors>

<anchors> are the cells of the added pictures, in the order they were added,
each "fromCol,fromRow,toCol,toRow", separated by blanks.

For every book:
  - every media and chart part of the original is in the saved book with the
    same bytes;
  - every drawing part of the original keeps its anchors, in order, as they
    were (compared in canonical form); the sheet's drawing has the added
    pictures after them, at the cells given, each naming an image part of
    the package that has a content type;
  - no drawing of the saved book gives one object id to two objects;
  - LibreOffice, saving both books as .xlsx, finds on the sheet the objects
    of the original and the added pictures at their first cells;
  - LibreOffice's PDF of the saved book holds as many more images as raster
    pictures were added.

Ends with the closing END line of tests/tools/checklib.py.
"""
import collections
import os
import posixpath
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

NS = {
    "m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main",
    "r": "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
    "xdr": "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing",
    "a": "http://schemas.openxmlformats.org/drawingml/2006/main",
    "rel": "http://schemas.openxmlformats.org/package/2006/relationships",
    "ct": "http://schemas.openxmlformats.org/package/2006/content-types",
}
ANCHORS = ("twoCellAnchor", "oneCellAnchor", "absoluteAnchor")


class Package:
    def __init__(self, path):
        self.zip = zipfile.ZipFile(path)
        self.names = {n.lower(): n for n in self.zip.namelist()}

    def has(self, part):
        return part.lower() in self.names

    def read(self, part):
        return self.zip.read(self.names[part.lower()])

    def rels(self, part):
        folder, name = posixpath.split(part)
        path = posixpath.join(folder, "_rels", name + ".rels")
        if not self.has(path):
            return {}
        out = {}
        for r in ET.fromstring(self.read(path)).findall("rel:Relationship", NS):
            if r.get("TargetMode") == "External":
                continue
            target = r.get("Target")
            full = target.lstrip("/") if target.startswith("/") else posixpath.normpath(posixpath.join(folder, target))
            out[r.get("Id")] = full
        return out

    def content_type(self, part):
        types = ET.fromstring(self.read("[Content_Types].xml"))
        for o in types.findall("ct:Override", NS):
            if o.get("PartName").lstrip("/").lower() == part.lower():
                return o.get("ContentType")
        ext = posixpath.splitext(part)[1].lstrip(".").lower()
        for d in types.findall("ct:Default", NS):
            if d.get("Extension").lower() == ext:
                return d.get("ContentType")
        return None

    def sheet_drawing(self, index):
        """The part name of the drawing of sheet `index`, or None."""
        wb_rels = self.rels("xl/workbook.xml")
        sheets = ET.fromstring(self.read("xl/workbook.xml")).find("m:sheets", NS)
        part = wb_rels[list(sheets)[index].get("{%s}id" % NS["r"])]
        drawing = ET.fromstring(self.read(part)).find("m:drawing", NS)
        if drawing is None:
            return None
        return self.rels(part).get(drawing.get("{%s}id" % NS["r"]))

    def drawings(self):
        return [n for n in self.zip.namelist() if n.startswith("xl/drawings/") and n.endswith(".xml")]


def anchors(xml):
    return [e for e in ET.fromstring(xml) if e.tag.split("}")[-1] in ANCHORS]


def canonical(element):
    """The element in canonical form, booleans written one way ("true" and
    "1" mean the same)."""
    element = ET.fromstring(ET.tostring(element))
    for e in element.iter():
        for k, v in e.attrib.items():
            e.set(k, {"true": "1", "false": "0"}.get(v, v))
    return ET.canonicalize(xml_data=ET.tostring(element), strip_text=True)


def relationships(package, part):
    """The relationships part as a set of (Id, Type, Target, TargetMode)."""
    return {(r.get("Id"), r.get("Type"), r.get("Target"), r.get("TargetMode") or "Internal")
            for r in ET.fromstring(package.read(part)).findall("rel:Relationship", NS)}


def cell(anchor, which):
    m = anchor.find("xdr:" + which, NS)
    return (int(m.find("xdr:col", NS).text), int(m.find("xdr:row", NS).text))


def object_ids(xml):
    return [int(e.get("id")) for e in ET.fromstring(xml).iter("{%s}cNvPr" % NS["xdr"]) if e.get("id") is not None]


def lo_objects(path, index):
    """The objects of sheet `index` in LibreOffice's own .xlsx: a counter of
    (kind, first column, first row)."""
    p = Package(path)
    part = p.sheet_drawing(index)
    found = collections.Counter()
    if part is None:
        return found
    for a in anchors(p.read(part)):
        if a.find("xdr:pic", NS) is not None:
            kind = "picture"
        elif a.find("xdr:graphicFrame", NS) is not None:
            kind = "frame"
        else:
            continue
        found[(kind,) + cell(a, "from")] += 1
    return found


def pdf_images(path):
    """The number of distinct images of a PDF (a tiled background draws one
    image many times)."""
    out = subprocess.run(["pdfimages", "-list", path], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                         universal_newlines=True, check=True).stdout.splitlines()
    return len({tuple(line.split()[10:12]) for line in out[2:]})


def check_package(checks, name, original, saved, sheet, added):
    o = Package(original) if original != "-" else None
    s = Package(saved)
    if o:
        for part in o.zip.namelist():
            if part.endswith("/") or not (part.startswith("xl/media/") or part.startswith("xl/charts/")):
                continue
            if not checks.check(s.has(part), "%s: %s kept" % (name, part)):
                continue
            if part.endswith(".rels"):
                checks.equal(relationships(s, part), relationships(o, part), "%s: relationships of %s" % (name, part))
            else:
                checks.check(s.read(part) == o.read(part), "%s: %s kept as it was" % (name, part))
    target = s.sheet_drawing(sheet)
    if not checks.check(target is not None, "%s: the sheet has a drawing" % name):
        return
    before = []
    if o:
        for part in o.drawings():
            old = anchors(o.read(part))
            if not checks.check(s.has(part), "%s: %s kept" % (name, part)):
                continue
            new = anchors(s.read(part))
            if part.lower() == target.lower():
                before = old
                new = new[:len(old)]
            checks.equal([canonical(a) for a in new], [canonical(a) for a in old], "%s: the anchors of %s" % (name, part))
    mine = anchors(s.read(target))[len(before):]
    checks.equal(len(mine), len(added), "%s: pictures added to %s" % (name, target))
    image_rels = s.rels(target)
    for i, (a, want) in enumerate(zip(mine, added)):
        checks.equal(cell(a, "from") + cell(a, "to"), want, "%s: cells of added picture %d" % (name, i))
        blip = a.find("xdr:pic/xdr:blipFill/a:blip", NS)
        image = image_rels.get(blip.get("{%s}embed" % NS["r"])) if blip is not None else None
        checks.check(image is not None and s.has(image) and (s.content_type(image) or "").startswith("image/"),
                     "%s: added picture %d names an image part with a content type (%s)" % (name, i, image))
    for part in s.drawings():
        ids = object_ids(s.read(part))
        checks.equal(sorted(set(ids)), sorted(ids), "%s: object ids of %s" % (name, part))


def main():
    checklib.soffice()
    if not shutil.which("pdfimages"):
        checklib.skip("pdfimages (poppler-utils) is not installed")
    listing, work = sys.argv[1], sys.argv[2]
    books = []
    with open(listing) as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            added = [tuple(int(v) for v in a.split(",")) for a in fields[4].split()]
            books.append((fields[0], fields[1], int(fields[2]), int(fields[3]), added))

    checks = checklib.Checks()
    for original, saved, sheet, _, added in books:
        check_package(checks, os.path.basename(saved), original, saved, sheet, added)

    # LibreOffice converts the originals and the saved books together; the
    # saved books are in a folder of their own, as their names may be the same.
    outs = {"xlsx": {}, "pdf": {}}
    for target in outs:
        for group, members in (("original", [b[0] for b in books if b[0] != "-"]), ("saved", [b[1] for b in books])):
            made = checklib.convert(members, target, os.path.join(work, target, group), os.path.join(work, "lo"),
                                    timeout=900)
            outs[target].update({(group, k): v for k, v in made.items()})
    for original, saved, sheet, raster, added in books:
        name = os.path.basename(saved)
        lo = {}
        for target in ("xlsx", "pdf"):
            for group, path in (("original", original), ("saved", saved)):
                if path == "-":
                    continue
                made = outs[target][(group, path)]
                checks.check(made is not None, "%s: LibreOffice converts the %s book to %s" % (name, group, target))
                lo[(group, target)] = made
        if None in lo.values():
            continue
        want = lo_objects(lo[("original", "xlsx")], sheet) if original != "-" else collections.Counter()
        for a in added:
            want[("picture",) + a[:2]] += 1
        checks.equal(sorted(lo_objects(lo[("saved", "xlsx")], sheet).items()), sorted(want.items()),
                     "%s: objects of sheet %d as LibreOffice sees them" % (name, sheet))
        images_before = pdf_images(lo[("original", "pdf")]) if original != "-" else 0
        checks.equal(pdf_images(lo[("saved", "pdf")]), images_before + raster, "%s: images in LibreOffice's PDF" % name)
    checks.finish()


if __name__ == "__main__":
    main()
