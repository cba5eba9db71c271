# Independent check of pictures: LibreOffice headless converts each .xls file
# to .xlsx, and the pictures of the converted package are listed, one line
# per file: "<file> <sha1 of each xl/media part, sorted>", and
# "EMBEDDED <file>" first for a file that holds embedded objects (storages
# beside the workbook stream, whose pictures LibreOffice shows from there);
# then the closing END line of tests/tools/checklib.py. A file LibreOffice
# does not convert fails the check.
# Usage: media_lo_check.py <work-folder> <file.xls>...
import hashlib
import os
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

olefile = checklib.require_module("olefile", "olefile")

work, files = sys.argv[1], sys.argv[2:]
converted = checklib.convert(files, 'xlsx', work, os.path.join(work, 'lo'), timeout=540)
checks = checklib.Checks()
lines = []
for f in files:
    name = os.path.splitext(os.path.basename(f))[0]
    if any(len(e) == 1 for e in olefile.OleFileIO(f).listdir(streams=False, storages=True)):
        lines.append('EMBEDDED ' + name)
    out = converted[f]
    if not checks.check(out is not None, 'LibreOffice did not convert ' + f):
        continue
    with zipfile.ZipFile(out) as z:
        digests = sorted(hashlib.sha1(z.read(n)).hexdigest()[:12] for n in z.namelist()
                         if n.startswith('xl/media/'))
    lines.append(name + ' ' + ' '.join(digests))
if not checks.failures:
    print('\n'.join(lines))
checks.finish()
