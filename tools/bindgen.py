#!/usr/bin/env python3
"""Binding generator: reads schema tables (ooxml/*.schema) and writes the C++
binding classes of each into an output folder.

    bindgen.py --out <folder> [--root <source root>] <table>...

For a table <name>.schema it writes <folder>/ooxml/<name>.h and .cpp. A file
whose content did not change is left untouched, so that the build does not
recompile what did not change.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from bindgen import emit  # noqa: E402
from bindgen import schema as S  # noqa: E402


def write_if_changed(path, text):
    try:
        with open(path, encoding="utf-8") as f:
            if f.read() == text:
                return False
    except FileNotFoundError:
        pass
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(tmp, path)
    return True


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", required=True)
    ap.add_argument("--root", default=None, help="source root, for the paths named in the output")
    ap.add_argument("tables", nargs="+")
    args = ap.parse_args(argv)
    outdir = os.path.join(args.out, "ooxml")
    os.makedirs(outdir, exist_ok=True)
    for path in args.tables:
        try:
            schema = S.load(path)
        except S.SchemaError as e:
            print("bindgen: %s" % e, file=sys.stderr)
            return 1
        stem = os.path.splitext(os.path.basename(path))[0]
        rel = os.path.relpath(path, args.root) if args.root else os.path.basename(path)
        header, source = emit.emit(schema, rel, "ooxml/%s.h" % stem)
        write_if_changed(os.path.join(outdir, stem + ".h"), header)
        write_if_changed(os.path.join(outdir, stem + ".cpp"), source)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
