# Independent check of embedded objects: LibreOffice headless converts each
# .xls file of a folder to .ods and one line per file lists what it shows:
# "<file> frames <n> objects <n> images <n> parts <n>" (the OLE object parts
# of the converted package). Prints "ERROR <reason>" when it cannot run.
# Usage: lo_embedded_objects.py <work-folder> <xls-folder>
import os
import shutil
import subprocess
import sys
import zipfile

work, src = sys.argv[1], sys.argv[2]
os.makedirs(work, exist_ok=True)
soffice = shutil.which('soffice')
if not soffice:
    print('ERROR no soffice')
    sys.exit(0)
out = os.path.join(work, 'ods')
os.makedirs(out, exist_ok=True)
files = [os.path.join(src, f) for f in sorted(os.listdir(src))]
subprocess.run([soffice, '-env:UserInstallation=file://' + os.path.join(work, 'profile'), '--headless',
                '--convert-to', 'ods', '--outdir', out] + files, env=dict(os.environ, HOME=work),
               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=540)
for f in files:
    name = os.path.splitext(os.path.basename(f))[0]
    path = os.path.join(out, name + '.ods')
    if not os.path.exists(path):
        print('ERROR', name, 'not converted')
        continue
    with zipfile.ZipFile(path) as z:
        c = z.read('content.xml').decode('utf-8')
        parts = set(n.split('/')[0] for n in z.namelist() if n.startswith('Object'))
        print(name, 'frames', c.count('<draw:frame'), 'objects', c.count('<draw:object'),
              'images', c.count('<draw:image'), 'parts', len(parts))
