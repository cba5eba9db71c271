"""Canonical forms of XML documents for comparing what a binding wrote with
what it read: xmllint's canonical XML, with whitespace-only text dropped
(indentation is not content)."""

import re
import subprocess

_BLANK_TEXT = re.compile(r">[ \t\r\n]+<")
_COMMENT = re.compile(r"<!--.*?-->", re.S)
_ATTRIBUTE = re.compile(r'(\s[^\s="<>]+=")([^"]*)(")')
_BOOLEAN_VALUE = {"1": True, "true": True, "0": False, "false": False}


def canonical(path):
    """The canonical text of a file, or raises RuntimeError with xmllint's
    complaint."""
    r = subprocess.run(["xmllint", "--nonet", "--c14n", path], capture_output=True)
    if r.returncode != 0:
        raise RuntimeError("xmllint --c14n %s: %s" % (path, r.stderr.decode("utf-8", "replace").strip()))
    # Comments are not content that a binding keeps.
    return _BLANK_TEXT.sub("><", _COMMENT.sub("", r.stdout.decode("utf-8"))).strip()


def _same_attributes(read, written, same):
    """The read text with each attribute value replaced by the written
    text's value at the same attribute (the n-th of both) where same(read
    value, written value) says they spell one value."""
    theirs = [m.group(2) for m in _ATTRIBUTE.finditer(written)]
    index = [0]

    def swap(m):
        k = index[0]
        index[0] += 1
        v = m.group(2)
        if k < len(theirs) and v != theirs[k] and same(v, theirs[k]):
            v = theirs[k]
        return m.group(1) + v + m.group(3)
    return _ATTRIBUTE.sub(swap, read)


def boolean_words(read, written):
    """The read text with each boolean attribute value ("1", "0", "true" or
    "false") replaced by the written text's value at the same attribute
    where that spells the same boolean: the two spellings are one value, and
    the bindings write 1 and 0."""
    def same(a, b):
        return a in _BOOLEAN_VALUE and b in _BOOLEAN_VALUE and _BOOLEAN_VALUE[a] == _BOOLEAN_VALUE[b]
    return _same_attributes(read, written, same)


def well_formed(path):
    """None when xmllint accepts the file, else its complaint."""
    r = subprocess.run(["xmllint", "--nonet", "--noout", path], capture_output=True)
    if r.returncode == 0:
        return None
    return r.stderr.decode("utf-8", "replace").strip()


def first_difference(a, b, context=60):
    """Where two texts part, shown around the place."""
    n = 0
    while n < len(a) and n < len(b) and a[n] == b[n]:
        n += 1
    lo = max(0, n - context)
    return "at %d:\n  read:    ...%s\n  written: ...%s" % (n, a[lo:n + context], b[lo:n + context])


_NUMBER = re.compile(r"^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$|^[+-]?INF$|^NaN$")


def _as_number(text):
    if not _NUMBER.match(text):
        return None
    try:
        return float(text.replace("INF", "inf"))
    except ValueError:
        return None


def number_words(read, written):
    """The read text with each attribute value that is a number replaced by
    the written text's value at the same attribute where that is the same
    number in another spelling ("27.0" and "27", "9.9499999999999993" and
    "9.95"): a binding holds a number attribute as a double and writes its
    shortest text."""
    def same(a, b):
        x, y = _as_number(a), _as_number(b)
        return x is not None and y is not None and (x == y or (x != x and y != y))
    return _same_attributes(read, written, same)


_HEX = re.compile(r"^(?:[0-9a-fA-F]{2})+$")


def hex_words(read, written):
    """The read text with each hexBinary attribute value in lower case
    replaced by the written upper-case one at the same attribute: the two
    spell the same bytes, and the bindings write upper case."""
    return _same_attributes(read, written, lambda a, b: _HEX.match(a) is not None and a.upper() == b)


_CELL_TAG = re.compile(r"<((?:[\w.-]+:)?(?:c|row))(\s[^>]*)?>")
_R = re.compile(r'\sr="([^"]*)"')


def cell_references(read, written):
    """The read text with the cell and row references the bindings add or
    spell otherwise: a cell or row without "r" gets the one written at the
    same place, and one written in lower case the upper-case one. The tags
    are paired in document order; nothing changes when they do not pair."""
    ours = list(_CELL_TAG.finditer(read))
    theirs = list(_CELL_TAG.finditer(written))
    if len(ours) != len(theirs):
        return read
    out, last = [], 0
    for a, b in zip(ours, theirs):
        if a.group(1) != b.group(1):
            return read
        attrs = a.group(2) or ""
        mine, other = _R.search(attrs), _R.search(b.group(2) or "")
        if other is not None:
            if mine is None:
                attrs = ' r="%s"' % other.group(1) + attrs
            elif mine.group(1).upper() == other.group(1):
                attrs = attrs[:mine.start(1)] + other.group(1) + attrs[mine.end(1):]
        out.append(read[last:a.start()])
        out.append("<%s%s>" % (a.group(1), attrs))
        last = a.end()
    out.append(read[last:])
    return "".join(out)


_PRESERVE = re.compile(r'\sxml:space="preserve"')


def without_space_preserve(text):
    """The text without xml:space="preserve" attributes: a binding writes one
    on any text with white space at either end, and the comparison keeps
    every character of the texts anyway."""
    return _PRESERVE.sub("", text)


_X_ESCAPE = re.compile(r"_x([0-9A-Fa-f]{4})_")
_C14N_TEXT = {"\r": "&#xD;", "&": "&amp;", "<": "&lt;", ">": "&gt;"}


def x_escapes(text):
    """The canonical text with the format's _xHHHH_ escapes of string values
    decoded (left to right, each once), in the canonical spelling of the
    character: "_x000D_" and "&#xD;" are the same carriage return, and a
    binding writes a character XML can hold as itself."""
    def decode(m):
        ch = chr(int(m.group(1), 16))
        return _C14N_TEXT.get(ch, ch)
    return _X_ESCAPE.sub(decode, text)


_DIMENSION = re.compile(r'(<(?:[\w.-]+:)?dimension\s+ref=")([^"]*)(")')
_CELL_REF = re.compile(r'<(?:[\w.-]+:)?c\s[^>]*?\br="([A-Z]+)([0-9]+)"')


_DIMENSION_ELEMENT = re.compile(r'<((?:[\w.-]+:)?dimension)\s+ref="[^"]*"\s*(?:/>|></\1>)')


def without_dimension(text):
    """The text without its dimension: a sheet writes its dimension from
    where its cells are, whatever the file said (see
    dimension_covers_cells)."""
    return _DIMENSION_ELEMENT.sub("", text)


def _column_number(letters):
    n = 0
    for ch in letters:
        n = n * 26 + ord(ch) - ord("A") + 1
    return n


def dimension_covers_cells(text):
    """None when the dimension of a worksheet text spans its cells exactly
    (the first and last row and column that hold a cell), else what is
    wrong. A sheet without cells may say "A1"."""
    m = _DIMENSION.search(text)
    cells = [(int(r), _column_number(c)) for c, r in _CELL_REF.findall(text)]
    if not m:
        return "no dimension" if cells else None
    if not cells:
        return None
    rows = [r for r, _ in cells]
    cols = [c for _, c in cells]
    parts = m.group(2).split(":")
    ends = []
    for p in parts:
        pm = re.match(r"^([A-Z]+)([0-9]+)$", p)
        if not pm:
            return "dimension %s is not a range" % m.group(2)
        ends.append((int(pm.group(2)), _column_number(pm.group(1))))
    first, last = ends[0], ends[-1]
    if first[0] > min(rows) or first[1] > min(cols) or last[0] < max(rows) or last[1] < max(cols):
        return "dimension %s does not hold every cell" % m.group(2)
    return None
