"""Canonical forms of XML documents for comparing what a binding wrote with
what it read: xmllint's canonical XML, with whitespace-only text dropped
(indentation is not content)."""

import re
import subprocess

_BLANK_TEXT = re.compile(r">[ \t\r\n]+<")
_COMMENT = re.compile(r"<!--.*?-->", re.S)
_ATTRIBUTE = re.compile(r'(\s[^\s="<>]+=")([^"]*)(")')
_BOOLEAN_WORD = {"1": "true", "0": "false"}


def canonical(path):
    """The canonical text of a file, or raises RuntimeError with xmllint's
    complaint."""
    r = subprocess.run(["xmllint", "--nonet", "--c14n", path], capture_output=True)
    if r.returncode != 0:
        raise RuntimeError("xmllint --c14n %s: %s" % (path, r.stderr.decode("utf-8", "replace").strip()))
    # Comments are not content that a binding keeps.
    return _BLANK_TEXT.sub("><", _COMMENT.sub("", r.stdout.decode("utf-8"))).strip()


def _respell(read, written, same):
    """The read text with each attribute value replaced by the written value
    at the same attribute when `same(read value, written value)` says that
    the two are spellings of one value."""
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
    """The read text with each attribute value "1" or "0" replaced by "true"
    or "false" where the written text has that word at the same attribute:
    the two spellings of a boolean are the same value, and the bindings write
    the words."""
    return _respell(read, written, lambda v, w: _BOOLEAN_WORD.get(v) == w)


_NUMBER = re.compile(r"^[+-]?(?:[0-9]+(?:\.[0-9]*)?|\.[0-9]+)(?:[eE][+-]?[0-9]+)?$|^-?INF$|^NaN$")


def _number(text):
    if not _NUMBER.match(text):
        return None
    return float(text.replace("INF", "inf").replace("NaN", "nan"))


def _same_number(v, w):
    a, b = _number(v), _number(w)
    return a is not None and b is not None and (a == b or (a != a and b != b))


def number_words(read, written):
    """The read text with each attribute value that is a number replaced by
    the written one where that is the same number at the same attribute: a
    number has many spellings ("10.0", "1E1", "10"), and the bindings write
    the shortest one that reads back the same."""
    return _respell(read, written, _same_number)


def same_values(read, written):
    """The read text with the spellings of booleans and numbers that the
    written text has at the same attributes."""
    return number_words(boolean_words(read, written), written)


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
