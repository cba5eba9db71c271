"""Names shared by the emitters: value specs and C++ literals."""

from . import schema as S

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
