#!/usr/bin/env python3
"""Checks that parts of a package are in another package with the same
bytes, and that the relationships naming them are kept.

Usage: parts_kept_check.py ORIGINAL.xlsx SAVED.xlsx PART...

Every PART (a name inside the package, such as xl/comments1.xml) must be in
both packages with equal bytes, and every relationship of the original that
targets it must be in the saved package's relationships part of the same
source, with the same type and target.

Ends with the closing END line of tests/tools/checklib.py.
"""
import os
import posixpath
import sys
import xml.etree.ElementTree as ET
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import checklib  # noqa: E402

REL = "{http://schemas.openxmlformats.org/package/2006/relationships}Relationship"


def targets(z):
    """(source rels part, type, target) of every internal relationship, by
    the part it names."""
    out = {}
    for name in z.namelist():
        if not name.endswith(".rels"):
            continue
        folder = posixpath.dirname(posixpath.dirname(name))
        for r in ET.fromstring(z.read(name)).iter(REL):
            if r.get("TargetMode") == "External":
                continue
            t = r.get("Target")
            part = t.lstrip("/") if t.startswith("/") else posixpath.normpath(posixpath.join(folder, t))
            out.setdefault(part, set()).add((name, r.get("Type"), t))
    return out


def main():
    original, saved, parts = zipfile.ZipFile(sys.argv[1]), zipfile.ZipFile(sys.argv[2]), sys.argv[3:]
    checks = checklib.Checks()
    before, after = targets(original), targets(saved)
    for part in parts:
        if not checks.check(part in original.namelist(), "%s is in the original" % part):
            continue
        checks.check(part in saved.namelist() and saved.read(part) == original.read(part), "%s kept as it was" % part)
        checks.check(bool(before.get(part)), "%s is named by a relationship of the original" % part)
        checks.equal(after.get(part, set()), before.get(part, set()), "relationships naming %s" % part)
    checks.finish()


if __name__ == "__main__":
    main()
