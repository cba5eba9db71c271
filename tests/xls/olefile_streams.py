# Independent reference for saving a loaded book: python3-olefile lists every
# stream and storage of two compound documents (the workbook stream below the
# root excepted) and compares paths, bytes and storage class ids.
# Usage: olefile_streams.py <original> <saved>; prints "same <n>" with the
# number of entries compared, or the differences one a line.
import sys

import olefile


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
print('\n'.join(diffs) if diffs else 'same %d' % len(a))
