# Independent check of embedded objects: LibreOffice headless converts each
# .xls file of a folder to .ods and one line per file lists what it shows:
# "<file> frames <n> objects <n> images <n> parts <n>" (the OLE object parts
# of the converted package), then the closing END line of
# tests/tools/checklib.py. A file LibreOffice does not convert fails it.
# Usage: lo_embedded_objects.py <work-folder> <xls-folder>
import os
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

work, src = sys.argv[1], sys.argv[2]
files = [os.path.join(src, f) for f in sorted(os.listdir(src))]
converted = checklib.convert(files, 'ods', os.path.join(work, 'ods'), work, timeout=540)
checks = checklib.Checks()
for f in files:
    name = os.path.splitext(os.path.basename(f))[0]
    path = converted[f]
    if not checks.check(path is not None, 'LibreOffice did not convert ' + f):
        continue
    with zipfile.ZipFile(path) as z:
        c = z.read('content.xml').decode('utf-8')
        parts = set(n.split('/')[0] for n in z.namelist() if n.startswith('Object'))
        print(name, 'frames', c.count('<draw:frame'), 'objects', c.count('<draw:object'),
              'images', c.count('<draw:image'), 'parts', len(parts))
checks.finish()
