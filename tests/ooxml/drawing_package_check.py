"""Puts a drawing part into a small package of its own (one sheet, the
drawing, its image), opens it with openpyxl and checks through openpyxl's
reading of the drawing part that the picture is there, anchored where the
test says, showing the image it names.

    drawing_package_check.py <drawing part> <image file> <work folder> <col> <row> <to col> <to row> <image id>

Prints what it found, then "END"; exits 1 on a mismatch and 77 when
openpyxl is missing."""

import os
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))

import checklib  # noqa: E402

CONTENT_TYPES = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
<Default Extension="xml" ContentType="application/xml"/>
<Default Extension="png" ContentType="image/png"/>
<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>
<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>
<Override PartName="/xl/drawings/drawing1.xml" ContentType="application/vnd.openxmlformats-officedocument.drawing+xml"/>
</Types>"""

ROOT_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>
</Relationships>"""

WORKBOOK = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets>
</workbook>"""

WORKBOOK_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>
</Relationships>"""

SHEET = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<sheetData/><drawing r:id="rId1"/>
</worksheet>"""

SHEET_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/drawing" Target="../drawings/drawing1.xml"/>
</Relationships>"""

DRAWING_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="%s" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/image" Target="../media/image1.png"/>
</Relationships>"""


def main(argv):
    drawing, image, work, col, row, to_col, to_row, image_id = argv
    openpyxl = checklib.require_module("openpyxl", "python3-openpyxl")
    book = os.path.join(work, "picture.xlsx")
    with zipfile.ZipFile(book, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", CONTENT_TYPES)
        z.writestr("_rels/.rels", ROOT_RELS)
        z.writestr("xl/workbook.xml", WORKBOOK)
        z.writestr("xl/_rels/workbook.xml.rels", WORKBOOK_RELS)
        z.writestr("xl/worksheets/sheet1.xml", SHEET)
        z.writestr("xl/worksheets/_rels/sheet1.xml.rels", SHEET_RELS)
        z.write(drawing, "xl/drawings/drawing1.xml")
        z.writestr("xl/drawings/_rels/drawing1.xml.rels", DRAWING_RELS % image_id)
        z.write(image, "xl/media/image1.png")
    failures = []
    # The package opens, and openpyxl's own reading of the drawing part
    # (the image itself needs Pillow, which the check does not ask for).
    openpyxl.load_workbook(book)
    from openpyxl.drawing.spreadsheet_drawing import SpreadsheetDrawing
    from openpyxl.xml.functions import fromstring
    with zipfile.ZipFile(book) as z:
        drawing_part = SpreadsheetDrawing.from_tree(fromstring(z.read("xl/drawings/drawing1.xml")))
    anchors = drawing_part.twoCellAnchor
    print("two-cell anchors: %d" % len(anchors))
    if len(anchors) != 1:
        failures.append("one two-cell anchor expected, found %d" % len(anchors))
    else:
        a = anchors[0]
        got = (a._from.col, a._from.row, a.to.col, a.to.row)
        want = (int(col), int(row), int(to_col), int(to_row))
        print("anchor: %s editAs %s" % (got, a.editAs))
        if got != want:
            failures.append("anchored at %s, not %s" % (got, want))
        pic = a.pic
        if pic is None:
            failures.append("the anchor holds no picture")
        else:
            embed = pic.blipFill.blip.embed
            locks = pic.nvPicPr.cNvPicPr.picLocks
            print("image: %s, aspect locked: %s, shape: %s" % (embed, locks.noChangeAspect, pic.spPr.prstGeom.prst))
            if embed != image_id:
                failures.append("the picture shows %s, not %s" % (embed, image_id))
            if not locks.noChangeAspect:
                failures.append("the aspect is not locked")
            if pic.spPr.prstGeom.prst != "rect":
                failures.append("the picture is not a rectangle")
    for f in failures:
        print("FAIL " + f)
    if failures:
        sys.exit(1)
    checklib.end()


if __name__ == "__main__":
    main(sys.argv[1:])
