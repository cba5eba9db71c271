"""The books of xlsx_compat_test.lua: packages as other applications write
them, built here, and what the saved books are to independent readers.

    python3 xlsx_compat_check.py build DIR
        writes the fixtures into DIR:
          excel2010.xlsx   embedded objects and form controls in blocks of
                           markup compatibility (items of the lists that
                           require one, and the controls list itself), texts
                           with carriage returns as "_x000D_", booleans as
                           words, hidden rows, a protected sheet
          texts.xlsx       the same book without the objects and controls
          gnumeric.xlsx    a stylesheet as Gnumeric writes it: border sides
                           named start and end, font properties in an order
                           of their own, attributes and elements of later
                           editions
          prestandard.xlsx a package of the pre-standard SpreadsheetML
                           namespace
    python3 xlsx_compat_check.py compare ORIGINAL SAVED WORKDIR
        every part of SAVED equals the part of ORIGINAL after
        canonicalisation; what the application writes in two forms is
        written in its form (booleans as 1 and 0, carriage returns as
        "_x000D_"); openpyxl and LibreOffice read both books alike.

Each command ends with the closing END line of tests/tools/checklib.py.
"""
import os
import re
import sys
import tempfile
import warnings
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402
import xmlcanon  # noqa: E402

MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
PRE = "http://schemas.openxmlformats.org/spreadsheetml/2006/5/main"
R = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
MC = "http://schemas.openxmlformats.org/markup-compatibility/2006"
X14 = "http://schemas.microsoft.com/office/spreadsheetml/2009/9/main"
X14AC = "http://schemas.microsoft.com/office/spreadsheetml/2009/9/ac"
XDR = "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
PKG_REL = "http://schemas.openxmlformats.org/package/2006/relationships"
CT = "http://schemas.openxmlformats.org/package/2006/content-types"
DECL = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'


def content_types(overrides, defaults=()):
    d = [("rels", "application/vnd.openxmlformats-package.relationships+xml"), ("xml", "application/xml")]
    d += list(defaults)
    return DECL + '<Types xmlns="%s">' % CT + "".join(
        '<Default Extension="%s" ContentType="%s"/>' % e for e in d) + "".join(
        '<Override PartName="%s" ContentType="%s"/>' % o for o in overrides) + "</Types>"


def relationships(items):
    return DECL + '<Relationships xmlns="%s">' % PKG_REL + "".join(
        '<Relationship Id="%s" Type="%s%s" Target="%s"/>' % i for i in items) + "</Relationships>"


SHEET_TYPE = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"
BOOK_TYPE = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"
STYLES_TYPE = "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"
SST_TYPE = "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"


def workbook(ns, sheets):
    return DECL + ('<workbook xmlns="%s" xmlns:r="%s"><bookViews><workbookView activeTab="0"/></bookViews><sheets>'
                   % (ns, R)) + "".join(
        '<sheet name="%s" sheetId="%d" r:id="rId%d"/>' % (name, i + 1, i + 1) for i, name in enumerate(sheets)) + \
        "</sheets></workbook>"


def book_parts(ns, sheets, styles, strings, extra_types=(), defaults=()):
    """The parts every fixture has: sheets is a list of (name, xml, rels or None)."""
    parts = {}
    overrides = [("/xl/workbook.xml", BOOK_TYPE), ("/xl/styles.xml", STYLES_TYPE),
                 ("/xl/sharedStrings.xml", SST_TYPE)]
    rels = []
    for i, (name, xml, srels) in enumerate(sheets):
        parts["xl/worksheets/sheet%d.xml" % (i + 1)] = xml
        if srels:
            parts["xl/worksheets/_rels/sheet%d.xml.rels" % (i + 1)] = relationships(srels)
        overrides.append(("/xl/worksheets/sheet%d.xml" % (i + 1), SHEET_TYPE))
        rels.append(("rId%d" % (i + 1), REL, "worksheet", "worksheets/sheet%d.xml" % (i + 1)))
    n = len(sheets)
    rels.append(("rId%d" % (n + 1), REL, "styles", "styles.xml"))
    rels.append(("rId%d" % (n + 2), REL, "sharedStrings", "sharedStrings.xml"))
    parts["[Content_Types].xml"] = content_types(overrides + list(extra_types), defaults)
    parts["_rels/.rels"] = relationships([("rId1", REL, "officeDocument", "xl/workbook.xml")])
    parts["xl/workbook.xml"] = workbook(ns, [s[0] for s in sheets])
    parts["xl/_rels/workbook.xml.rels"] = relationships(rels)
    parts["xl/styles.xml"] = styles
    parts["xl/sharedStrings.xml"] = DECL + '<sst xmlns="%s" count="%d" uniqueCount="%d">' % (
        ns, len(strings), len(strings)) + "".join("<si><t>%s</t></si>" % s for s in strings) + "</sst>"
    return parts


def write_package(path, parts):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name in ["[Content_Types].xml"] + sorted(p for p in parts if p != "[Content_Types].xml"):
            data = parts[name]
            z.writestr(name, data.encode("utf-8") if isinstance(data, str) else data)


PLAIN_STYLES = DECL + (
    '<styleSheet xmlns="%s"><numFmts count="1"><numFmt numFmtId="164" formatCode="0.000"/></numFmts>'
    '<fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>'
    '<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill>'
    '</fills><borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>'
    '<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>'
    '<cellXfs count="3"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>'
    '<xf numFmtId="14" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>'
    '<xf numFmtId="164" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/></cellXfs>'
    '<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles></styleSheet>') % MAIN


def anchor(c1, r1, c2, r2):
    m = lambda c, r: ("<xdr:col>%d</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>%d</xdr:row>"
                      "<xdr:rowOff>0</xdr:rowOff>" % (c, r))
    return '<anchor moveWithCells="1"><from>%s</from><to>%s</to></anchor>' % (m(c1, r1), m(c2, r2))


def ole_block(shape, rid, image):
    """An embedded object as Excel 2010 and later write it."""
    return ('<mc:AlternateContent xmlns:mc="%s"><mc:Choice Requires="x14"><oleObject progId="Package" '
            'shapeId="%d" r:id="%s"><objectPr defaultSize="0" autoPict="0" r:id="%s">%s</objectPr></oleObject>'
            '</mc:Choice><mc:Fallback><oleObject progId="Package" shapeId="%d" r:id="%s"/></mc:Fallback>'
            '</mc:AlternateContent>' % (MC, shape, rid, image, anchor(3, 1, 5, 4), shape, rid))


def control_block(shape, rid, name, fallback):
    return ('<mc:AlternateContent xmlns:mc="%s"><mc:Choice Requires="x14"><control shapeId="%d" r:id="%s" '
            'name="%s"><controlPr defaultSize="0" autoFill="0" autoLine="0" autoPict="0">%s</controlPr></control>'
            '</mc:Choice>%s</mc:AlternateContent>' % (
                MC, shape, rid, name, anchor(1, 5, 3, 7),
                '<mc:Fallback><control shapeId="%d" r:id="%s" name="%s"/></mc:Fallback>' % (shape, rid, name)
                if fallback else ""))


def worksheet(rows, after, head="", root_extra=""):
    return DECL + (
        '<worksheet xmlns="%s" xmlns:r="%s" xmlns:xdr="%s" xmlns:x14="%s" xmlns:mc="%s" mc:Ignorable="x14ac" '
        'xmlns:x14ac="%s"%s>' % (MAIN, R, XDR, X14, MC, X14AC, root_extra)) + head + \
        "<sheetData>%s</sheetData>" % rows + \
        '<pageMargins left="0.7" right="0.7" top="0.75" bottom="0.75" header="0.3" footer="0.3"/>' + after + \
        "</worksheet>"


VML = ('<xml xmlns:v="urn:schemas-microsoft-com:vml" xmlns:o="urn:schemas-microsoft-com:office:office" '
       'xmlns:x="urn:schemas-microsoft-com:office:excel"><o:shapelayout v:ext="edit"><o:idmap v:ext="edit" data="1"/>'
       '</o:shapelayout></xml>')
CTRL_PROP = DECL + '<formControlPr xmlns="%s" objectType="CheckBox" lockText="1" noThreeD="1"/>' % X14


def excel2010(path, objects=True):
    strings = ["Name", "first line_x000D_\nsecond", "total_x000D_", "Widget"]
    rows1 = ('<row r="1" spans="1:3" x14ac:dyDescent="0.25"><c r="A1" t="s"><v>0</v></c><c r="B1"><v>42.5</v></c>'
             '<c r="C1" t="b"><v>1</v></c></row>'
             '<row r="2" spans="1:3" x14ac:dyDescent="0.25"><c r="A2" t="s"><v>1</v></c><c r="B2" s="1"><v>45000</v>'
             '</c></row>'
             '<row r="3" hidden="true" spans="1:3"><c r="A3" t="s"><v>2</v></c><c r="B3" s="2"><f>B1*2</f><v>85</v>'
             '</c></row>'
             '<row r="4"><c r="A4" t="inlineStr"><is><t>in_x000D_line</t></is></c></row>')
    head1 = ('<dimension ref="A1:C4"/><sheetViews><sheetView tabSelected="true" workbookViewId="0"/></sheetViews>'
             '<sheetFormatPr defaultRowHeight="15" x14ac:dyDescent="0.25"/>')
    # The controls list itself stands in a block, as Excel writes it.
    after1 = ('<legacyDrawing r:id="rId1"/><oleObjects>%s</oleObjects>'
              '<mc:AlternateContent xmlns:mc="%s"><mc:Choice Requires="x14"><controls>%s</controls></mc:Choice>'
              '</mc:AlternateContent>' % (ole_block(1025, "rId2", "rId3"), MC,
                                          control_block(1026, "rId4", "Check Box 2", False)))
    if not objects:
        after1 = ""
    sheet1 = worksheet(rows1, after1, head1)
    rels1 = [("rId1", REL, "vmlDrawing", "../drawings/vmlDrawing1.vml"),
             ("rId2", REL, "oleObject", "../embeddings/oleObject1.bin"),
             ("rId3", REL, "image", "../media/image1.emf"),
             ("rId4", "http://schemas.openxmlformats.org/officeDocument/2006/relationships/", "ctrlProp",
              "../ctrlProps/ctrlProp1.xml")]
    # A second sheet: lists whose every item stands in a block with a
    # fallback, a protected sheet.
    rows2 = ('<row r="1"><c r="A1" t="s"><v>3</v></c><c r="B1"><v>7</v></c></row>'
             '<row r="2"><c r="A2" t="b"><v>0</v></c><c r="B2"><v>-1.25</v></c></row>')
    after2 = ('<legacyDrawing r:id="rId1"/><oleObjects>%s%s</oleObjects><controls>%s</controls>' % (
        ole_block(2049, "rId2", "rId3"), ole_block(2050, "rId2", "rId3"),
        control_block(2051, "rId4", "Check Box 1", True)))
    head2 = ('<dimension ref="A1:B2"/><sheetViews><sheetView workbookViewId="0"/></sheetViews>'
             '<sheetFormatPr defaultRowHeight="15"/>')
    if not objects:
        after2 = ""
    sheet2 = worksheet(rows2, after2, head2).replace(
        '<pageMargins', '<sheetProtection sheet="true" objects="true" scenarios="true"/><pageMargins')
    rels2 = [("rId1", REL, "vmlDrawing", "../drawings/vmlDrawing2.vml"),
             ("rId2", REL, "oleObject", "../embeddings/oleObject2.bin"),
             ("rId3", REL, "image", "../media/image1.emf"),
             ("rId4", REL, "ctrlProp", "../ctrlProps/ctrlProp2.xml")]
    if not objects:
        write_package(path, book_parts(MAIN, [("Objects", sheet1, None), ("Controls", sheet2, None)], PLAIN_STYLES,
                                       strings))
        return
    parts = book_parts(MAIN, [("Objects", sheet1, rels1), ("Controls", sheet2, rels2)], PLAIN_STYLES, strings,
                       extra_types=[("/xl/ctrlProps/ctrlProp1.xml", "application/vnd.ms-excel.controlproperties+xml"),
                                    ("/xl/ctrlProps/ctrlProp2.xml", "application/vnd.ms-excel.controlproperties+xml")],
                       defaults=[("vml", "application/vnd.openxmlformats-officedocument.vmlDrawing"),
                                 ("bin", "application/vnd.openxmlformats-officedocument.oleObject"),
                                 ("emf", "image/x-emf")])
    parts["xl/drawings/vmlDrawing1.vml"] = VML
    parts["xl/drawings/vmlDrawing2.vml"] = VML
    parts["xl/embeddings/oleObject1.bin"] = b"\x00celvo embedded object\x00"
    parts["xl/embeddings/oleObject2.bin"] = b"\x00celvo embedded object\x00"
    parts["xl/media/image1.emf"] = b"\x01\x00\x00\x00celvo"
    parts["xl/ctrlProps/ctrlProp1.xml"] = CTRL_PROP
    parts["xl/ctrlProps/ctrlProp2.xml"] = CTRL_PROP
    write_package(path, parts)


GNUMERIC_STYLES = DECL + (
    '<styleSheet xmlns="%s" xmlns:r="%s">'
    '<numFmts count="2"><numFmt numFmtId="164" formatCode="0.00%%"/><numFmt numFmtId="165" '
    'formatCode="yyyy-mm-dd"/></numFmts>'
    '<fonts count="2"><font><b val="1"/><i val="0"/><u val="none"/><strike val="0"/><sz val="10"/>'
    '<color rgb="FF000000"/><name val="Sans"/><family val="2"/></font>'
    '<font><i val="1"/><sz val="12"/><color rgb="FFFF0000"/><name val="Serif"/><b val="0"/><family val="1"/>'
    '<charset val="0"/></font></fonts>'
    '<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/>'
    '</fill></fills>'
    '<borders count="3"><border><start/><end/><top/><bottom/><diagonal/></border>'
    '<border diagonalUp="0" diagonalDown="0"><start style="thin"><color rgb="FF000000"/></start>'
    '<end style="medium"><color rgb="FF0000FF"/></end><top style="none"/><bottom style="double">'
    '<color rgb="FF000000"/></bottom><diagonal style="none"/></border>'
    '<border><left style="dashed"/><right style="dotted"/><top style="thick"/><bottom/><diagonal/></border>'
    '</borders>'
    '<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>'
    '<cellXfs count="4"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>'
    '<xf numFmtId="164" fontId="1" fillId="0" borderId="1" xfId="0" applyNumberFormat="1" applyFont="1" '
    'applyBorder="1"><alignment horizontal="general" vertical="bottom" textRotation="0" wrapText="false" '
    'indent="0" shrinkToFit="false" readingOrder="0"/><protection locked="true" hidden="false"/></xf>'
    '<xf numFmtId="165" fontId="0" fillId="0" borderId="2" xfId="0" applyNumberFormat="1" applyBorder="1"/>'
    '<xf numFmtId="14" fontId="1" fillId="0" borderId="0" xfId="0" applyNumberFormat="1" quotePrefix="0"/>'
    '</cellXfs>'
    '<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>'
    '<dxfs count="1"><dxf><border><start style="thin"/><end style="thin"/></border></dxf></dxfs>'
    '</styleSheet>') % (MAIN, R)


def gnumeric(path):
    rows = ('<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" s="1"><v>0.125</v></c></row>'
            '<row r="2"><c r="A2" t="s"><v>1</v></c><c r="B2" s="2"><v>45000</v></c></row>'
            '<row r="3"><c r="A3" s="3"><v>45001</v></c><c r="B3" t="n"><v>3</v></c></row>')
    head = ('<sheetPr filterMode="false"><pageSetUpPr fitToPage="false"/></sheetPr><dimension ref="A1:B3"/>'
            '<sheetViews><sheetView workbookViewId="0" showGridLines="true"/></sheetViews>'
            '<sheetFormatPr defaultRowHeight="12.8" outlineLevelRow="0" outlineLevelCol="0"/>')
    sheet = worksheet(rows, "", head)
    write_package(path, book_parts(MAIN, [("Sheet1", sheet, None)], GNUMERIC_STYLES, ["Share", "Date"]))


def prestandard(path):
    sheet = DECL + ('<worksheet xmlns="%s" xmlns:r="%s"><sheetData><row r="1"><c r="A1"><v>1</v></c></row>'
                    '</sheetData></worksheet>' % (PRE, R))
    styles = PLAIN_STYLES.replace(MAIN, PRE)
    write_package(path, book_parts(PRE, [("Sheet1", sheet, None)], styles, ["old"]))


# ---------------------------------------------------------------------------
# compare

def parts_of(path):
    with zipfile.ZipFile(path) as z:
        return {"/" + n.lstrip("/").lower(): z.read(n) for n in z.namelist() if not n.endswith("/")}


XML_TYPES = (".xml", ".rels", ".vml")


def canonical_text(data, work, name):
    with tempfile.NamedTemporaryFile(dir=work, suffix=".xml", delete=False) as f:
        f.write(data)
        p = f.name
    try:
        return xmlcanon.canonical(p)
    finally:
        os.remove(p)


def compare_parts(checks, original, saved, work):
    a, b = parts_of(original), parts_of(saved)
    checks.equal(sorted(b), sorted(a), "the parts of the saved book")
    for name in sorted(set(a) & set(b)):
        if not name.endswith(XML_TYPES):
            checks.equal(b[name], a[name], "the bytes of part " + name)
            continue
        ca, cb = canonical_text(a[name], work, name), canonical_text(b[name], work, name)
        ca = xmlcanon.cell_references(ca, cb)
        ca = xmlcanon.hex_words(xmlcanon.number_words(ca, cb), cb)
        ca = xmlcanon.boolean_words(ca, cb)
        ca, cb = xmlcanon.without_space_preserve(ca), xmlcanon.without_space_preserve(cb)
        ca, cb = xmlcanon.x_escapes(ca), xmlcanon.x_escapes(cb)
        if ca != cb:
            checks.fail("part %s differs %s" % (name, xmlcanon.first_difference(ca, cb)))
        else:
            checks.count += 1
        text = b[name].decode("utf-8")
        # Written as the applications write: booleans as 1 and 0, a carriage
        # return of a text as "_x000D_" (as it came in).
        words = re.findall(r'\s[\w:]+="(?:true|false)"', text)
        checks.check(not words, "part %s writes booleans as words: %s" % (name, words[:3]))
        checks.check("&#13;" not in text and "&#xD;" not in text and "\r" not in text,
                     "part %s writes a carriage return otherwise than _x000D_" % name)
        checks.equal(text.count("_x000D_"), a[name].decode("utf-8").count("_x000D_"),
                     "the _x000D_ escapes of part " + name)


def openpyxl_view(path):
    openpyxl = checklib.require_module("openpyxl", "python3-openpyxl")
    warnings.simplefilter("ignore")
    wb = openpyxl.load_workbook(path)
    out = []
    for ws in wb.worksheets:
        out.append(("sheet", ws.title, ws.sheet_state, bool(ws.protection.sheet)))
        for r, dim in sorted(ws.row_dimensions.items()):
            if dim.hidden:
                out.append(("hidden row", ws.title, r))
        for row in ws.iter_rows():
            for c in row:
                if c.value is None:
                    continue
                b = c.border
                side = lambda s: (s.style, s.color.rgb if s is not None and s.color is not None else None) \
                    if s is not None else None
                out.append((ws.title, c.coordinate, repr(c.value), c.number_format, bool(c.font.b),
                            bool(c.font.i), c.font.name, side(b.left), side(b.right), side(b.top),
                            side(b.bottom)))
    return out


def libreoffice_view(paths, work):
    """Each book as LibreOffice reads it: every sheet's cells as text."""
    out = {}
    for i, p in enumerate(paths):
        folder = os.path.join(work, "lo%d" % i)
        made = checklib.convert([p], "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1",
                                folder, os.path.join(work, "lo-work"))
        texts = []
        for f in sorted(os.listdir(folder)):
            if f.endswith(".csv"):
                with open(os.path.join(folder, f), encoding="utf-8", errors="replace") as h:
                    # LibreOffice names each sheet's file <book>-<sheet>.csv.
                    stem = os.path.splitext(os.path.basename(p))[0]
                    texts.append((f[len(stem) + 1:], h.read()))
        out[p] = texts if made.get(p) or texts else None
    return out


def compare(original, saved, work):
    checks = checklib.Checks()
    os.makedirs(work, exist_ok=True)
    compare_parts(checks, original, saved, work)
    try:
        before, after = openpyxl_view(original), openpyxl_view(saved)
        checks.equal(after, before, "what openpyxl reads of the saved book")
        print("openpyxl: %d facts" % len(before))
    except Exception as e:  # any failure to read is the finding
        checks.fail("openpyxl cannot read the books: %s" % e)
    lo = libreoffice_view([original, saved], work)
    checks.check(lo[original] is not None and len(lo[original]) > 0, "LibreOffice reads the original")
    checks.check(lo[saved] is not None and len(lo[saved]) > 0, "LibreOffice reads the saved book")
    checks.equal(lo[saved], lo[original], "what LibreOffice reads of the saved book")
    if lo[original]:
        print("LibreOffice: %d sheets" % len(lo[original]))
    checks.finish()


if __name__ == "__main__":
    if sys.argv[1] == "build":
        folder = sys.argv[2]
        excel2010(os.path.join(folder, "excel2010.xlsx"))
        excel2010(os.path.join(folder, "texts.xlsx"), objects=False)
        gnumeric(os.path.join(folder, "gnumeric.xlsx"))
        prestandard(os.path.join(folder, "prestandard.xlsx"))
        checklib.end("4 books")
    elif sys.argv[1] == "compare":
        compare(sys.argv[2], sys.argv[3], sys.argv[4])
    else:
        print("unknown command " + sys.argv[1])
        sys.exit(2)
