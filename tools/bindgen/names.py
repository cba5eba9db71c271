"""Numbering shared by the emitters: tokens of element and attribute names,
value specs and C++ literals."""

from . import schema as S

FIRST_TOKEN = 13  # the reader's first token number for binding names


def cpp_string(text):
    """A C++ narrow string literal holding the UTF-8 bytes of text."""
    out = ['"']
    for b in text.encode("utf-8"):
        c = chr(b)
        if c == "\\":
            out.append("\\\\")
        elif c == '"':
            out.append('\\"')
        elif c == "?":
            out.append("\\?")  # no trigraphs
        elif 0x20 <= b < 0x7F:
            out.append(c)
        else:
            out.append("\\%03o" % b)
    out.append('"')
    return "".join(out)


class Tokens:
    """One token per distinct (namespace id, local name) of the file, in the
    order of first use: attributes of a class, then its elements."""

    def __init__(self, schema):
        self.rows = {}
        for c in schema.all_classes():
            for a in c.attrs:
                self.add(a.ns, a.local)
            for p in element_positions(c):
                self.add(p[0], p[1])
        for r in schema.roots:
            self.add(schema.elements_ns, r.element)

    def add(self, ns, local):
        key = (ns, local)
        if key not in self.rows:
            self.rows[key] = FIRST_TOKEN + len(self.rows)
        return self.rows[key]

    def __getitem__(self, key):
        return self.rows[key]


def element_positions(c):
    """(ns, element) of every named element a class reads, in content order."""
    out = []
    for p in c.particles:
        if p.kind == "element":
            out.append((p.ns, p.element))
        elif p.kind == "choice":
            out.extend((a.ns, a.element) for a in p.alts if a.element is not None)
        elif p.kind == "sequence" and p.inner is not None:
            out.extend(element_positions(p.inner))
        elif p.kind == "use":
            out.extend(element_positions(p.type))
    return out


def spec_name(stype, default):
    """One value spec per simple type and default text within a file."""
    name = "spec_" + stype.name
    if default is not None:
        safe = "".join(ch if ch.isalnum() else "_" for ch in default)
        name += "_d_" + (safe or "empty")
    return name


def specs_of(schema):
    """Every (name, simple type, default) the classes of a file use, in
    first-use order."""
    out = {}
    for c in schema.all_classes():
        for a in c.attrs:
            out.setdefault(spec_name(a.type, a.default), (a.type, a.default))
        if c.text is not None:
            out.setdefault(spec_name(c.text.type, c.text.default), (c.text.type, c.text.default))
        for p in c.particles:
            if p.kind == "element" and isinstance(p.type, S.SimpleType):
                out.setdefault(spec_name(p.type, None), (p.type, None))
            if p.kind == "choice":
                for alt in p.alts:
                    if alt.kind == "simple":
                        out.setdefault(spec_name(alt.type, None), (alt.type, None))
    return out
