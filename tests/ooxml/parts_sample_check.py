"""A shared-strings part and a styles part written by the bindings, read by
openpyxl inside a tiny package: every text comes back exactly, cell A1's
format reads field by field as built, and openpyxl warns about nothing.

    parts_sample_check.py <ooxml_parts_sample tool>"""

import os
import subprocess
import sys
import tempfile
import unittest
import warnings
import zipfile

TOOL = None

TEXTS = (["a%sb" % chr(c) for c in range(1, 0x20)] +
         ["_x0041_", "_x005F_", "a_xZZZZ_b", "_x005f_x0041_", "__x0041__", "_x00",
          "\tlead tab", "trail tab\t", "\nlead and trail line\n", "\r\ncarriage\r", " blanks ",
          "\U0001F600 & <x>", "plain"])

# openpyxl (3.0) does not decode the _xHHHH_ escapes of shared strings: it
# returns them as written (which the format's rule then decodes to our text),
# and it removes every "x005F_" it finds, so that a text whose written form
# holds two _x005F_ escapes in a row reads otherwise. The texts where it
# parts from the format's rule, with the value it gives.
OPENPYXL_REMOVES_X005F = {"_x005F_": "_"}

MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"


def units(text):
    data = text.encode("utf-16-le")
    return " ".join("%x" % int.from_bytes(data[i:i + 2], "little") for i in range(0, len(data), 2))


def package(folder, path):
    with open(os.path.join(folder, "sharedStrings.xml"), "rb") as f:
        strings = f.read()
    with open(os.path.join(folder, "styles.xml"), "rb") as f:
        styles = f.read()
    cells = "".join('<row r="%d"><c r="A%d" t="s"%s><v>%d</v></c></row>'
                    % (i + 1, i + 1, ' s="1"' if i == 0 else "", i) for i in range(len(TEXTS)))
    cells += '<row r="%d"><c r="A%d" s="1"><v>1.5</v></c></row>' % (len(TEXTS) + 1, len(TEXTS) + 1)
    parts = {
        "[Content_Types].xml":
            '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
            '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
            '<Default Extension="xml" ContentType="application/xml"/>'
            '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
            '<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
            '<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
            '<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>'
            '</Types>',
        "_rels/.rels":
            '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="%s/officeDocument" Target="xl/workbook.xml"/></Relationships>' % REL,
        "xl/workbook.xml":
            '<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="%s" xmlns:r="%s"><sheets>'
            '<sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>' % (MAIN, REL),
        "xl/_rels/workbook.xml.rels":
            '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="%s/worksheet" Target="worksheets/sheet1.xml"/>'
            '<Relationship Id="rId2" Type="%s/sharedStrings" Target="sharedStrings.xml"/>'
            '<Relationship Id="rId3" Type="%s/styles" Target="styles.xml"/></Relationships>' % (REL, REL, REL),
        "xl/worksheets/sheet1.xml":
            '<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="%s"><sheetData>%s</sheetData></worksheet>'
            % (MAIN, cells),
    }
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in parts.items():
            z.writestr(name, text.encode("utf-8"))
        z.writestr("xl/sharedStrings.xml", strings)
        z.writestr("xl/styles.xml", styles)


class PartsReadByOpenpyxl(unittest.TestCase):
    def test_texts_and_styles(self):
        try:
            import openpyxl
        except ImportError:
            print("openpyxl is missing (python3-openpyxl); skipped")
            sys.exit(77)
        with tempfile.TemporaryDirectory() as tmp:
            texts = os.path.join(tmp, "texts")
            with open(texts, "w") as f:
                for t in TEXTS:
                    f.write(units(t) + "\n")
            r = subprocess.run([TOOL, texts, tmp], capture_output=True, timeout=60)
            self.assertEqual(0, r.returncode, r.stderr.decode("utf-8", "replace"))
            for part in ("sharedStrings.xml", "styles.xml"):
                r = subprocess.run(["xmllint", "--noout", os.path.join(tmp, part)], capture_output=True)
                self.assertEqual(0, r.returncode, r.stderr.decode("utf-8", "replace"))
            path = os.path.join(tmp, "sample.xlsx")
            package(tmp, path)
            with warnings.catch_warnings():
                warnings.simplefilter("error")
                book = openpyxl.load_workbook(path)
            ws = book["S"]
            from openpyxl.utils.escape import unescape
            for i, t in enumerate(TEXTS):
                with self.subTest(text=repr(t)):
                    value = ws.cell(row=i + 1, column=1).value
                    if t in OPENPYXL_REMOVES_X005F:
                        self.assertEqual(OPENPYXL_REMOVES_X005F[t], value)
                    elif value != t:
                        # Left as the escape written: it must decode to the text.
                        self.assertRegex(value, r"_x[0-9A-F]{4}_")
                        self.assertEqual(t, unescape(value))
            a1 = ws["A1"]
            self.assertTrue(a1.font.b)
            self.assertTrue(a1.font.i)
            self.assertEqual("double", a1.font.u)
            self.assertEqual(14, a1.font.sz)
            self.assertEqual("Arial", a1.font.name)
            self.assertEqual("FFFF0000", a1.font.color.rgb)
            self.assertEqual("solid", a1.fill.fill_type)
            self.assertEqual("FFFF0000", a1.fill.fgColor.rgb)
            self.assertEqual("thin", a1.border.left.style)
            self.assertEqual("thick", a1.border.bottom.style)
            self.assertEqual("FF0000FF", a1.border.bottom.color.rgb)
            self.assertTrue(a1.border.right is None or a1.border.right.style is None)
            self.assertEqual("0.000", a1.number_format)
            self.assertEqual("center", a1.alignment.horizontal)
            self.assertTrue(a1.alignment.wrap_text)
            last = ws.cell(row=len(TEXTS) + 1, column=1)
            self.assertEqual(1.5, last.value)
            self.assertEqual("0.000", last.number_format)
            self.assertFalse(ws["A2"].font.b)


if __name__ == "__main__":
    TOOL = sys.argv.pop(1)
    unittest.main()
