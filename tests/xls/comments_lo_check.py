# Independent check of cell comments: LibreOffice headless converts each
# .xls file to .xlsx, and the comments of the converted package are listed,
# one line per comment: "<file> <cell> '<text>'" (the text with its line
# breaks as \n; the conversion does not carry the authors of .xls comments).
# Prints "ERROR <reason>" when the conversion fails.
# Usage: comments_lo_check.py <work-folder> <file.xls>...
import os
import re
import shutil
import subprocess
import sys
import zipfile
import xml.etree.ElementTree as ET

NS = '{http://schemas.openxmlformats.org/spreadsheetml/2006/main}'

work, files = sys.argv[1], sys.argv[2:]
soffice = shutil.which('soffice')
if not soffice:
    print('ERROR no soffice')
    sys.exit(0)
profile = 'file://' + os.path.join(work, 'profile')
env = dict(os.environ, HOME=work)
subprocess.run([soffice, '-env:UserInstallation=' + profile, '--headless', '--convert-to', 'xlsx',
                '--outdir', work] + files, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
               timeout=300)
for f in files:
    name = os.path.splitext(os.path.basename(f))[0]
    out = os.path.join(work, name + '.xlsx')
    if not os.path.exists(out):
        print('ERROR', name, 'not converted')
        continue
    with zipfile.ZipFile(out) as z:
        for part in sorted(n for n in z.namelist() if re.match(r'xl/comments\d*\.xml$', n)):
            root = ET.fromstring(z.read(part))
            for c in root.iter(NS + 'comment'):
                text = ''.join(t.text or '' for t in c.iter(NS + 't'))
                print(name, c.get('ref'), repr(text))
