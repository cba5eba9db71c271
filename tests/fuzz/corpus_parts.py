"""Copies the package parts whose names match a pattern out of the .xlsx
files of a folder into a folder of fuzz seeds (in the build tree), one file
a part. A file that is not a package, or an entry that does not read, is
passed over; the parts of each run replace those of the one before.

    corpus_parts.py <folder of .xlsx files> <regular expression> <seed folder>

With --packages instead of a pattern, each package is written whole as the
text form the book target reads (xlsx_book_fuzz.cpp): every part after a
line "%%<part name>"; a package of more than LARGEST bytes is passed over.

    corpus_parts.py <folder of .xlsx files> --packages <seed folder>
"""

import os
import re
import sys
import zipfile

LARGEST = 1 << 20  # a part larger than this would only slow the runs


def as_text(z):
    """The parts of a package in the text form of the book target."""
    out = []
    for info in z.infolist():
        if info.filename.endswith("/"):
            continue
        out.append(b"%%" + info.filename.encode("utf-8") + b"\n" + z.read(info))
    return b"\n".join(out)


def main():
    folder, out = sys.argv[1], sys.argv[3]
    packages = sys.argv[2] == "--packages"
    pattern = None if packages else re.compile(sys.argv[2], re.I)
    os.makedirs(out, exist_ok=True)
    for old in os.listdir(out):
        os.remove(os.path.join(out, old))
    if not os.path.isdir(folder):
        print("no folder %s: no parts taken" % folder)
        return
    taken = 0
    for name in sorted(os.listdir(folder)):
        if not name.lower().endswith(".xlsx"):
            continue
        try:
            with zipfile.ZipFile(os.path.join(folder, name)) as z:
                if packages:
                    if sum(i.file_size for i in z.infolist()) <= LARGEST:
                        text = as_text(z)
                        with open(os.path.join(out, re.sub(r"[^A-Za-z0-9._-]", "_", name) + ".txt"), "wb") as f:
                            f.write(text)
                        taken += 1
                    continue
                for info in z.infolist():
                    if not pattern.search(info.filename.replace("\\", "/")) or info.file_size > LARGEST:
                        continue
                    try:
                        data = z.read(info)
                    except Exception:
                        continue
                    target = re.sub(r"[^A-Za-z0-9._-]", "_", name + "__" + info.filename)
                    with open(os.path.join(out, target), "wb") as f:
                        f.write(data)
                    taken += 1
        except (zipfile.BadZipFile, OSError, RuntimeError, NotImplementedError):
            continue
    print("%d %s taken from %s" % (taken, "packages" if packages else "parts", folder))


if __name__ == "__main__":
    main()
