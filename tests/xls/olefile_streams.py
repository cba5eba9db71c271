# Independent reference for saving a loaded book: python3-olefile lists every
# stream and storage of two compound documents (the workbook stream below the
# root excepted) and compares paths, bytes and storage class ids.
# Usage: olefile_streams.py <original> <saved>; prints "same <n>" with the
# number of entries compared and the closing END line of
# tests/tools/checklib.py, or the differences one a line (and exit status 1).
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

olefile = checklib.require_module('olefile', 'olefile')


def entries(path):
    ole = olefile.OleFileIO(path)
    out = {}
    for p in ole.listdir(streams=True, storages=True):
        if len(p) == 1 and p[0].lower() in ('workbook', 'book'):
            continue
        key = '/'.join(p)
        kind = ole.get_type(p)
        if kind == olefile.STGTY_STREAM:
            out[key] = ('stream', ole.openstream(p).read())
        else:
            out[key] = ('storage', ole.getclsid(p))
    return out


a, b = entries(sys.argv[1]), entries(sys.argv[2])
diffs = []
for k in sorted(set(a) | set(b)):
    if k not in b:
        diffs.append('lost ' + repr(k))
    elif k not in a:
        diffs.append('added ' + repr(k))
    elif a[k] != b[k]:
        diffs.append('changed ' + repr(k))
if diffs:
    print('\n'.join(diffs))
    sys.exit(1)
print('same %d' % len(a))
checklib.end()
