# Independent check of pictures: LibreOffice headless converts each .xls file
# to .xlsx, and the pictures of the converted package are listed, one line
# per file: "<file> <sha1 of each xl/media part, sorted>", and
# "EMBEDDED <file>" first for a file that holds embedded objects (storages
# beside the workbook stream, whose pictures LibreOffice shows from there).
# Prints "ERROR <reason>" when the conversion fails.
# Usage: media_lo_check.py <work-folder> <file.xls>...
import hashlib
import os
import shutil
import subprocess
import sys
import zipfile

import olefile

work, files = sys.argv[1], sys.argv[2:]
soffice = shutil.which('soffice')
if not soffice:
    print('ERROR no soffice')
    sys.exit(0)
profile = 'file://' + os.path.join(work, 'profile')
env = dict(os.environ, HOME=work)
subprocess.run([soffice, '-env:UserInstallation=' + profile, '--headless', '--convert-to', 'xlsx',
                '--outdir', work] + files, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
               timeout=540)
for f in files:
    name = os.path.splitext(os.path.basename(f))[0]
    try:
        if any(len(e) == 1 for e in olefile.OleFileIO(f).listdir(streams=False, storages=True)):
            print('EMBEDDED', name)
    except Exception as ex:
        print('ERROR', name, type(ex).__name__)
    out = os.path.join(work, name + '.xlsx')
    if not os.path.exists(out):
        print('ERROR', name, 'not converted')
        continue
    with zipfile.ZipFile(out) as z:
        digests = sorted(hashlib.sha1(z.read(n)).hexdigest()[:12] for n in z.namelist()
                         if n.startswith('xl/media/'))
    print(name, ' '.join(digests))
