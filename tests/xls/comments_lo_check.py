# Independent check of cell comments: LibreOffice headless converts each
# .xls file to .xlsx, and the comments of the converted package are listed,
# one line per comment: "<file> <cell> '<text>'" (the text with its line
# breaks as \n; the conversion does not carry the authors of .xls comments).
# Ends with the closing END line of tests/tools/checklib.py; a file that
# LibreOffice does not convert fails the check.
# Usage: comments_lo_check.py <work-folder> <file.xls>...
import os
import re
import sys
import zipfile
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

NS = '{http://schemas.openxmlformats.org/spreadsheetml/2006/main}'

work, files = sys.argv[1], sys.argv[2:]
converted = checklib.convert(files, 'xlsx', work, os.path.join(work, 'lo'), timeout=300)
checks = checklib.Checks()
for f in files:
    name = os.path.splitext(os.path.basename(f))[0]
    out = converted[f]
    if not checks.check(out is not None, 'LibreOffice did not convert ' + f):
        continue
    with zipfile.ZipFile(out) as z:
        for part in sorted(n for n in z.namelist() if re.match(r'xl/comments\d*\.xml$', n)):
            root = ET.fromstring(z.read(part))
            for c in root.iter(NS + 'comment'):
                text = ''.join(t.text or '' for t in c.iter(NS + 't'))
                print(name, c.get('ref'), repr(text))
checks.finish()
