#!/usr/bin/env python3
"""Converts a .xls file to .xlsx with LibreOffice headless and prints every
picture it finds, one line each:

    <sheet index> <from col> <from row> <to col> <to row> <media extension> <media bytes as hex>

Usage: picture_media.py BOOK.xls WORKDIR

Ends with the closing END line of tests/tools/checklib.py; a book that
LibreOffice does not convert fails it.
"""
import os
import posixpath
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
}


def rels(z, part):
    folder, name = posixpath.split(part)
    path = posixpath.join(folder, "_rels", name + ".rels")
    if path not in z.namelist():
        return {}
    out = {}
    for r in ET.fromstring(z.read(path)).findall("rel:Relationship", NS):
        out[r.get("Id")] = posixpath.normpath(posixpath.join(folder, r.get("Target")))
    return out


def main():
    book, work = sys.argv[1], sys.argv[2]
    out = checklib.convert([book], "xlsx", work, os.path.join(work, "lo"), timeout=300)[book]
    if out is None:
        print("FAIL LibreOffice did not convert " + book)
        sys.exit(1)
    z = zipfile.ZipFile(out)
    wb_rels = rels(z, "xl/workbook.xml")
    wb = ET.fromstring(z.read("xl/workbook.xml"))
    for index, sheet in enumerate(wb.find("m:sheets", NS)):
        part = wb_rels[sheet.get("{%s}id" % NS["r"])]
        sheet_rels = rels(z, part)
        drawing = ET.fromstring(z.read(part)).find("m:drawing", NS)
        if drawing is None:
            continue
        dpart = sheet_rels[drawing.get("{%s}id" % NS["r"])]
        media = rels(z, dpart)
        root = ET.fromstring(z.read(dpart))
        for anchor in list(root):
            pic = anchor.find("xdr:pic", NS)
            if pic is None:
                continue
            frm, to = anchor.find("xdr:from", NS), anchor.find("xdr:to", NS)
            cell = lambda e, tag: e.find("xdr:" + tag, NS).text if e is not None else "-"
            blip = pic.find("xdr:blipFill/a:blip", NS)
            target = media[blip.get("{%s}embed" % NS["r"])]
            print(index, cell(frm, "col"), cell(frm, "row"), cell(to, "col"), cell(to, "row"),
                  posixpath.splitext(target)[1].lstrip("."), z.read(target).hex())


if __name__ == "__main__":
    main()
    checklib.end()
