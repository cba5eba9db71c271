# Independent reference for the container tests: for every file of a folder,
# the workbook stream as python3-olefile reads it (the first stream named
# "Workbook", or else "Book", any case, directly below the root storage).
# Usage: olefile_workbook.py <folder> <out-folder>; prints "<file> OK|NOWB|ERR"
# and writes the stream of each OK file to <out-folder>/<file>.bin, then the
# closing END line of tests/tools/checklib.py.
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

olefile = checklib.require_module('olefile', 'olefile')

src, out = sys.argv[1], sys.argv[2]
for name in sorted(os.listdir(src)):
    path = os.path.join(src, name)
    if not os.path.isfile(path):
        continue
    try:
        ole = olefile.OleFileIO(path)
        below_root = set(id(k) for k in ole.root.kids)
        found = [e for name in ('workbook', 'book') for e in ole.direntries
                 if e is not None and e.entry_type == olefile.STGTY_STREAM
                 and e.name.lower() == name and id(e) in below_root]
        if not found:
            print(name, 'NOWB')
            continue
        e = found[0]
        data = ole._open(e.isectStart, e.size, force_FAT=e.size >= ole.minisectorcutoff).read()
        with open(os.path.join(out, name + '.bin'), 'wb') as f:
            f.write(data)
        print(name, 'OK')
    except Exception as ex:  # the reference refuses the file
        print(name, 'ERR', type(ex).__name__)
checklib.end()
