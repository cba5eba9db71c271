"""Reads a schema table (one per XML schema file of a package part) into a
model that the C++ emitter walks.

A table is a line-oriented text. Blank lines and lines whose first
non-blank character is '#' are ignored. Statements at column 0 open a
definition; indented lines belong to the definition above them, and a
deeper indent opens a nested block (the content of a compositor).

File header:
    namespace <C++ namespace>          namespace of the generated classes
    label <text>                       source label of error reports
    ns <id> <prefix or -> <uri>        one row of the namespace table
    elements <id>                      namespace id of the schema's elements
    keep-attributes                    every class keeps attributes it does not
                                       know (those of later editions) and
                                       writes them back
    import <table>                     the classes and simple types of another
                                       table (<table>.schema in the same
                                       folder) may be used here; two tables
                                       may import each other
    include <header>                   a hand-written header that the
                                       generated header includes (for the
                                       types of hand-written members)

Simple types:
    simple <Name> <base> [ws=0|1|2] [check=<function>] [length=N]
           [minLength=N] [maxLength=N] [min=N] [max=N]
           [minExclusive=N] [maxExclusive=N] [list]
      enum <value> ...                 permitted values, in checking order
      pattern <regular expression>     rest of the line, taken as written
  check= names the value check of a type with values or patterns, and the
  range check of an integer type (which is otherwise named after the type).

Classes (complex types) and groups (no element of their own):
    class <Name> [options]
    group <Name> [options]
  options: keep-attributes, keep-elements, preserve-space, empty=allow|deny,
           tables=full|none, base=<Name>, item=<error item name>,
           hook=<operation>[,<operation>...] (a body written by hand:
           read_children, write_children; the function hook_<Name>_<operation>
           is declared by the generator and defined in <table>-hooks.cpp)
  body:
    attr <qname> <type> [required] [default=<text>] [member=<name>]
    text <type> [default=<text>]                simple content
    child <element> <type> [occurs] [create] [member=<name>]
    use <GroupName> [occurs] [create] [member=<name>]
                                                the content of a group
    any [occurs] [namespace=other|any]          element(s) kept whole: of other
                                                namespaces than the table's (the
                                                default), or of any namespace
    member <name> <C++ type>                    a member of a hand-written type,
                                                read and written by the class's
                                                hooks only (copied with the class)
    sequence [occurs] [inner=<name>]            block of particles
    choice [occurs] [inner=<name>] [item=<text>] [none=error|silent]
      alt <element> <type>                      an alternative (class or simple type)
      alt <element> empty                       an empty-element alternative
      alt any                                   any element of another namespace, kept
      alt any all                               any element no other alternative
                                                names, of any namespace, kept

  A group is a class without an element of its own: the classes that use it
  hold it in a member and read and write its content in place. A repeated
  sequence of several particles holds its items as a list of an inner item
  class (named by inner=, else inner_<Owner>); a repeated sequence of one
  element is a list of that element. A class with base=<Name> has the
  attributes and children of its base first, then its own. A required
  child or group marked create is made by the constructor, so that a new
  object writes it (a choice in it with nothing chosen is then error 7).
  keep-elements
  keeps unknown elements of the file's own namespaces where they stand, as
  elements of other namespaces always are. preserve-space: a class with text
  and an xml:space attribute writes xml:space="preserve" when the text starts
  or ends with white space and the attribute is not set. A choice item with nothing chosen
  is error 7 on writing, unless none=silent (it is then not written) or the
  choice is single and optional.

Roots:
    root <element> <Name> <C++ root class name> [attributes=lines|inline]
  attributes: written after the first each on a line of its own (lines,
  the default) or all on the line of their element, one blank apart; the
  element is in the namespace of `elements` unless it has a prefix of
  the namespace table ("xdr:wsDr").

Occurrences: ? (0..1, the default), 1, * (0..unbounded), + (1..unbounded),
N..M, N..* . A value containing blanks is written in double quotes.

Built-in simple types: string, anyURI, token, narrow, uint, int, ushort,
short, ubyte, byte, ulong, long, bool, double, hexBinary, empty.

A name is looked up among the table's own types and those of the tables it
imports (not of theirs in turn); a name defined twice among them is refused.
"""

import os

import re
import shlex

UNBOUNDED = -1

# base -> (C++ value type, white-space mode, lexical kind)
BUILTIN = {
    "string": ("std::u16string", 0, "string"),
    "anyURI": ("std::u16string", 2, "string"),
    "token": ("std::u16string", 2, "string"),
    "narrow": ("std::string", 0, "narrow"),
    "uint": ("unsigned", 2, "integer"),
    "int": ("int", 2, "integer"),
    "ushort": ("std::uint16_t", 2, "integer"),
    "short": ("std::int16_t", 2, "integer"),
    "ubyte": ("unsigned char", 2, "integer"),
    "byte": ("signed char", 2, "integer"),
    "ulong": ("unsigned long long", 2, "integer"),
    "long": ("long long", 2, "integer"),
    "bool": ("bool", 2, "bool"),
    "double": ("double", 2, "double"),
    "hexBinary": ("nimb::c_binary", 2, "hex"),
    "empty": ("nimb::c_empty", 2, "empty"),
}

# Inclusive bounds of the integer bases, as decimal text.
INTEGER_RANGE = {
    "uint": ("0", "4294967295"),
    "int": ("-2147483648", "2147483647"),
    "ushort": ("0", "65535"),
    "short": ("-32768", "32767"),
    "ubyte": ("0", "255"),
    "byte": ("-128", "127"),
    "ulong": ("0", "18446744073709551615"),
    "long": ("-9223372036854775808", "9223372036854775807"),
}

IDENT = re.compile(r"^[A-Za-z_][A-Za-z0-9_]*$")
XML_NAME = re.compile(r"^[A-Za-z_][A-Za-z0-9_.\-]*$")
INTEGER = re.compile(r"^[+-]?[0-9]+$")
CPP_KEYWORDS = {
    "and", "auto", "bool", "break", "case", "catch", "char", "class", "const", "continue",
    "default", "delete", "do", "double", "else", "enum", "explicit", "export", "extern",
    "false", "float", "for", "friend", "goto", "if", "inline", "int", "long", "mutable",
    "namespace", "new", "not", "operator", "or", "private", "protected", "public",
    "register", "return", "short", "signed", "sizeof", "static", "struct", "switch",
    "template", "this", "throw", "true", "try", "typedef", "typename", "union",
    "unsigned", "using", "virtual", "void", "volatile", "while", "xor",
}


class SchemaError(Exception):
    def __init__(self, path, line, message):
        super().__init__("%s:%s: %s" % (path, line, message))
        self.path = path
        self.line = line
        self.message = message


class Occurs:
    def __init__(self, lo, hi):
        self.min = lo
        self.max = hi

    @property
    def repeated(self):
        return self.max == UNBOUNDED or self.max > 1

    def __repr__(self):
        return "%d..%s" % (self.min, "*" if self.max == UNBOUNDED else self.max)


class SimpleType:
    def __init__(self, name, base, line, schema=None):
        self.name = name
        self.base = base
        self.line = line
        self.schema = schema       # the table that defines it; None for a built-in
        self.ws = BUILTIN[base][1]
        self.check = None          # name of the value check function
        self.enum = []
        self.patterns = []
        self.length = None
        self.min_length = None
        self.max_length = None
        self.min = None            # (text, inclusive)
        self.max = None
        self.is_list = False

    @property
    def cpp_type(self):
        return BUILTIN[self.base][0]

    @property
    def kind(self):
        return BUILTIN[self.base][2]


class Attr:
    def __init__(self, qname, ns, local, stype, required, default, member, line):
        self.qname = qname
        self.ns = ns
        self.local = local
        self.type = stype          # SimpleType
        self.required = required
        self.default = default     # text or None
        self.member = member
        self.line = line


class Text:
    def __init__(self, stype, default, line):
        self.type = stype
        self.default = default
        self.line = line


class Particle:
    """One position of a content model."""

    def __init__(self, kind, occurs, line):
        self.kind = kind           # element, any, use, sequence, choice
        self.occurs = occurs
        self.line = line
        self.element = None        # element name
        self.ns = None
        self.type_name = None
        self.type = None           # Class or SimpleType
        self.create = False
        self.member = None
        self.particles = []        # for compositors
        self.inner = None          # inner item class for repeated compositors
        self.item = None           # error item of a choice
        self.any_namespace = False  # any: elements of every namespace, not only of others
        self.none = "error"        # what writing a choice with nothing chosen does
        self.alts = []             # for choices: Alt objects


class Alt:
    def __init__(self, element, ns, type_name, line):
        self.element = element     # None for the kept-element alternative
        self.ns = ns
        self.type_name = type_name  # None for empty and any
        self.type = None
        self.line = line
        self.every = False         # a kept alternative that takes own-namespace elements too

    @property
    def kind(self):
        if self.element is None:
            return "any"
        if self.type_name is None:
            return "empty"
        return "class" if isinstance(self.type, Class) else "simple"


class Class:
    def __init__(self, name, is_group, line, schema=None):
        self.name = name
        self.is_group = is_group
        self.line = line
        self.schema = schema       # the table that defines it
        self.members = []          # hand-written members: (name, C++ type, line)
        self.attrs = []
        self.text = None
        self.particles = []
        self.keep_attributes = False
        self.keep_elements = False
        self.preserve_space = False
        self.empty = None          # None: derived
        self.tables = "full"
        self.base_name = None
        self.base = None
        self.item = None
        self.hooks = []
        self.owner = None          # for inner item classes: the owning class
        self.inner_classes = []

    @property
    def cpp_name(self):
        return "c_" + self.name

    @property
    def error_item(self):
        return self.item if self.item is not None else self.name

    @property
    def content(self):
        # Hooks that read children, or members that they fill, make the
        # content complex even without children of the table's own.
        if self.particles or self.members or "read_children" in self.hooks:
            return "complex"
        if self.text is not None:
            return "simple"
        return "empty"

    @property
    def may_be_empty(self):
        """An empty-element tag is accepted when every position may be absent,
        unless the table says otherwise."""
        if self.empty is not None:
            return self.empty
        return all(p.occurs.min == 0 or (p.kind == "sequence" and all_optional(p.particles))
                   for p in self.particles)

    def required_attrs(self):
        return [a for a in self.attrs if a.required]


def all_optional(particles):
    return all(p.occurs.min == 0 or (p.kind == "sequence" and all_optional(p.particles))
               for p in particles)


class Root:
    def __init__(self, element, type_name, cpp_name, line):
        self.element = element
        self.type_name = type_name
        self.type = None
        self.cpp_name = cpp_name
        self.line = line
        self.prefixed = False
        self.attributes = "lines"
        self.ns = None             # namespace id of the element, once resolved


class Schema:
    def __init__(self, path):
        self.path = path
        self.stem = os.path.splitext(os.path.basename(path))[0]
        self.imports = []          # (table name, line) as written
        self.imported = []         # the Schema objects of the imports
        self.includes = []         # hand-written headers
        self.resolved = False
        self.namespace = None
        self.label = None
        self.ns_rows = []          # (id, prefix or "", uri)
        self.elements_ns = None
        self.keep_attributes = False
        self.simple_types = {}
        self.classes = {}          # by schema name, in definition order
        self.roots = []

    def prefix_ns(self, prefix):
        for nid, p, _ in self.ns_rows:
            if p == prefix:
                return nid
        return None

    def all_classes(self):
        """Every class, inner item classes right after their owner."""
        out = []
        for c in self.classes.values():
            out.append(c)
            out.extend(c.inner_classes)
        return out


def parse_occurs(text, path, line):
    table = {"?": (0, 1), "1": (1, 1), "*": (0, UNBOUNDED), "+": (1, UNBOUNDED)}
    if text in table:
        return Occurs(*table[text])
    m = re.match(r"^([0-9]+)\.\.([0-9]+|\*)$", text)
    if not m:
        raise SchemaError(path, line, "bad occurrence '%s'" % text)
    lo = int(m.group(1))
    hi = UNBOUNDED if m.group(2) == "*" else int(m.group(2))
    if hi != UNBOUNDED and (hi < lo or hi == 0):
        raise SchemaError(path, line, "bad occurrence '%s'" % text)
    return Occurs(lo, hi)


def is_occurs(text):
    return text in ("?", "1", "*", "+") or re.match(r"^[0-9]+\.\.([0-9]+|\*)$", text) is not None


def split_words(text, path, line):
    try:
        return shlex.split(text, comments=False, posix=True)
    except ValueError as e:
        raise SchemaError(path, line, "cannot split the line: %s" % e)


def split_options(words, path, line, flags=(), keyed=()):
    """Splits 'key=value' and flag words; returns (positional, options)."""
    pos, opts = [], {}
    for w in words:
        if "=" in w and w.split("=", 1)[0] in keyed:
            k, v = w.split("=", 1)
            if k in opts:
                raise SchemaError(path, line, "option '%s' given twice" % k)
            opts[k] = v
        elif w in flags:
            if w in opts:
                raise SchemaError(path, line, "option '%s' given twice" % w)
            opts[w] = True
        elif "=" in w:
            raise SchemaError(path, line, "unknown option '%s'" % w.split("=", 1)[0])
        else:
            pos.append(w)
    return pos, opts


class _Line:
    def __init__(self, number, indent, text):
        self.number = number
        self.indent = indent
        self.text = text


def read_lines(text, path):
    out = []
    for i, raw in enumerate(text.splitlines(), 1):
        if "\t" in raw[: len(raw) - len(raw.lstrip())]:
            raise SchemaError(path, i, "indent with blanks, not tabs")
        stripped = raw.strip()
        if not stripped or stripped.startswith("#"):
            continue
        out.append(_Line(i, len(raw) - len(raw.lstrip(" ")), raw.rstrip()))
    return out


TABLE_NAME = re.compile(r"^[A-Za-z0-9_][A-Za-z0-9_.\-]*$")


def parse(text, path="<schema>", tables=None):
    """Reads a table and the tables it imports, and resolves their names.
    The imports are read from `tables` (table name -> text) when given, else
    from the files next to `path`."""
    loaded = {}
    schema = _parse_one(text, path, tables, loaded)
    for s in list(loaded.values()):
        _resolve(s)
    for s in list(loaded.values()):
        _check_cycles(s)
    return schema


def _parse_one(text, path, tables, loaded):
    schema = Schema(path)
    loaded[schema.stem] = schema
    lines = read_lines(text, path)
    i = 0
    while i < len(lines):
        ln = lines[i]
        if ln.indent != 0:
            raise SchemaError(path, ln.number, "indented line outside a definition")
        j = i + 1
        while j < len(lines) and lines[j].indent > 0:
            j += 1
        _statement(schema, ln, lines[i + 1:j])
        i = j
    for name, line in schema.imports:
        if name not in loaded:
            folder = os.path.dirname(path)
            other = os.path.join(folder, name + ".schema")
            if tables is not None:
                if name not in tables:
                    raise SchemaError(path, line, "no table '%s' to import" % name)
                other_text = tables[name]
            else:
                try:
                    with open(other, encoding="utf-8") as f:
                        other_text = f.read()
                except OSError:
                    raise SchemaError(path, line, "no table '%s' to import (%s)" % (name, other))
            _parse_one(other_text, other, tables, loaded)
        schema.imported.append(loaded[name])
    return schema


def _keyword(text):
    return text.strip().split(None, 1)[0]


def _rest(text):
    parts = text.strip().split(None, 1)
    return parts[1] if len(parts) > 1 else ""


def _statement(schema, ln, body):
    path = schema.path
    kw = _keyword(ln.text)
    if kw in ("namespace", "label", "elements", "ns", "root", "keep-attributes", "import", "include") and body:
        raise SchemaError(path, body[0].number, "'%s' takes no indented lines" % kw)
    if kw == "namespace":
        words = split_words(_rest(ln.text), path, ln.number)
        if len(words) != 1 or not IDENT.match(words[0]) or words[0] in CPP_KEYWORDS:
            raise SchemaError(path, ln.number, "namespace needs one C++ identifier")
        if schema.namespace is not None:
            raise SchemaError(path, ln.number, "namespace given twice")
        schema.namespace = words[0]
    elif kw == "label":
        if schema.label is not None:
            raise SchemaError(path, ln.number, "label given twice")
        schema.label = _rest(ln.text)
        if not schema.label or '"' in schema.label or "\\" in schema.label:
            raise SchemaError(path, ln.number, "label needs a text without quotes")
    elif kw == "ns":
        words = _rest(ln.text).split()
        if len(words) != 3 or not words[0].isdigit():
            raise SchemaError(path, ln.number, "ns needs: <id> <prefix or -> <uri>")
        nid, prefix, uri = int(words[0]), words[1], words[2]
        if nid < 1000:
            raise SchemaError(path, ln.number, "namespace ids of a binding file start at 1000")
        prefix = "" if prefix == "-" else prefix
        if prefix and not IDENT.match(prefix):
            raise SchemaError(path, ln.number, "bad prefix '%s'" % prefix)
        for row in schema.ns_rows:
            if row[0] == nid or row[1] == prefix or row[2] == uri:
                raise SchemaError(path, ln.number, "namespace row repeats id, prefix or uri")
        if '"' in uri or "\\" in uri:
            raise SchemaError(path, ln.number, "bad namespace uri")
        schema.ns_rows.append((nid, prefix, uri))
    elif kw == "elements":
        words = _rest(ln.text).split()
        if len(words) != 1 or not words[0].isdigit():
            raise SchemaError(path, ln.number, "elements needs a namespace id")
        schema.elements_ns = int(words[0])
        if all(row[0] != schema.elements_ns for row in schema.ns_rows):
            raise SchemaError(path, ln.number, "namespace id %s is not in the table" % words[0])
    elif kw == "keep-attributes":
        if _rest(ln.text):
            raise SchemaError(path, ln.number, "keep-attributes takes no arguments")
        schema.keep_attributes = True
    elif kw == "import":
        words = split_words(_rest(ln.text), path, ln.number)
        if len(words) != 1 or not TABLE_NAME.match(words[0]):
            raise SchemaError(path, ln.number, "import needs a table name")
        if words[0] == schema.stem or words[0] in [n for n, _ in schema.imports]:
            raise SchemaError(path, ln.number, "table '%s' imported twice or by itself" % words[0])
        schema.imports.append((words[0], ln.number))
    elif kw == "include":
        words = split_words(_rest(ln.text), path, ln.number)
        if len(words) != 1 or not re.match(r"^[A-Za-z0-9_./\-]+\.h$", words[0]):
            raise SchemaError(path, ln.number, "include needs a header path")
        schema.includes.append(words[0])
    elif kw == "simple":
        _simple(schema, ln, body)
    elif kw in ("class", "group"):
        _class(schema, ln, body, kw == "group")
    elif kw == "root":
        words, opts = split_options(split_words(_rest(ln.text), path, ln.number), path, ln.number,
                                    keyed=("attributes",))
        if len(words) != 3 or not IDENT.match(words[2]):
            raise SchemaError(path, ln.number, "root needs: <element> <type> <C++ class>")
        r = Root(words[0], words[1], words[2], ln.number)
        r.attributes = opts.get("attributes", "lines")
        if r.attributes not in ("lines", "inline"):
            raise SchemaError(path, ln.number, "attributes is lines or inline")
        # A prefixed name is looked up when the table is resolved: the
        # namespace rows may come later.
        r.prefixed = ":" in words[0]
        if not r.prefixed and not XML_NAME.match(words[0]):
            raise SchemaError(path, ln.number, "root needs: <element> <type> <C++ class>")
        schema.roots.append(r)
    else:
        raise SchemaError(path, ln.number, "unknown statement '%s'" % kw)


def _simple(schema, ln, body):
    path = schema.path
    words = split_words(_rest(ln.text), path, ln.number)
    pos, opts = split_options(words, path, ln.number, flags=("list",),
                              keyed=("ws", "check", "length", "minLength", "maxLength", "min",
                                     "max", "minExclusive", "maxExclusive"))
    if len(pos) != 2:
        raise SchemaError(path, ln.number, "simple needs: <name> <base>")
    name, base = pos
    if not IDENT.match(name):
        raise SchemaError(path, ln.number, "bad type name '%s'" % name)
    if base not in BUILTIN:
        raise SchemaError(path, ln.number, "unknown base type '%s'" % base)
    if name in schema.simple_types or name in schema.classes or name in BUILTIN:
        raise SchemaError(path, ln.number, "type '%s' defined twice" % name)
    st = SimpleType(name, base, ln.number, schema)
    if "ws" in opts:
        if opts["ws"] not in ("0", "1", "2"):
            raise SchemaError(path, ln.number, "ws is 0, 1 or 2")
        st.ws = int(opts["ws"])
    if "check" in opts:
        if not IDENT.match(opts["check"]):
            raise SchemaError(path, ln.number, "bad check name")
        st.check = opts["check"]
    for key, attr in (("length", "length"), ("minLength", "min_length"), ("maxLength", "max_length")):
        if key in opts:
            if not opts[key].isdigit():
                raise SchemaError(path, ln.number, "%s needs a number" % key)
            if st.kind not in ("string", "narrow", "hex"):
                raise SchemaError(path, ln.number, "%s applies to strings and hexBinary" % key)
            setattr(st, attr, int(opts[key]))
    for key, slot, inclusive in (("min", "min", True), ("minExclusive", "min", False),
                                 ("max", "max", True), ("maxExclusive", "max", False)):
        if key in opts:
            if st.kind not in ("integer", "double"):
                raise SchemaError(path, ln.number, "%s applies to numbers" % key)
            if getattr(st, slot) is not None:
                raise SchemaError(path, ln.number, "two bounds on one side")
            v = opts[key]
            if st.kind == "integer" and not INTEGER.match(v):
                raise SchemaError(path, ln.number, "%s needs an integer" % key)
            if st.kind == "integer":
                lo, hi = INTEGER_RANGE[base]
                if int(v) < int(lo) or int(v) > int(hi):
                    raise SchemaError(path, ln.number, "%s is outside the range of %s" % (key, base))
            if st.kind == "double":
                try:
                    float(v)
                except ValueError:
                    raise SchemaError(path, ln.number, "%s needs a number" % key)
            setattr(st, slot, (v, inclusive))
    st.is_list = bool(opts.get("list"))
    for b in body:
        if b.indent != body[0].indent:
            raise SchemaError(path, b.number, "inconsistent indent")
        kw = _keyword(b.text)
        if kw == "enum":
            values = split_words(_rest(b.text), path, b.number)
            if not values:
                raise SchemaError(path, b.number, "enum needs values")
            for v in values:
                if v in st.enum:
                    raise SchemaError(path, b.number, "enumeration value '%s' given twice" % v)
                st.enum.append(v)
        elif kw == "pattern":
            p = _rest(b.text)
            if not p:
                raise SchemaError(path, b.number, "pattern needs an expression")
            st.patterns.append(p)
        else:
            raise SchemaError(path, b.number, "unknown line '%s' in a simple type" % kw)
    if (st.enum or st.patterns) and st.check is None:
        raise SchemaError(path, ln.number, "a type with values or patterns needs check=<name>")
    if st.enum and st.kind not in ("string", "narrow"):
        raise SchemaError(path, ln.number, "enumerations are kept as strings")
    if st.enum and st.patterns:
        raise SchemaError(path, ln.number, "a type has an enumeration or patterns, not both")
    if st.check and not (st.enum or st.patterns or st.kind == "integer"):
        raise SchemaError(path, ln.number, "check=%s has nothing to check" % st.check)
    schema.simple_types[name] = st


def _class(schema, ln, body, is_group):
    path = schema.path
    words = split_words(_rest(ln.text), path, ln.number)
    pos, opts = split_options(words, path, ln.number, flags=("keep-attributes", "keep-elements", "preserve-space"),
                              keyed=("empty", "tables", "base", "item", "hook"))
    if len(pos) != 1 or not IDENT.match(pos[0]):
        raise SchemaError(path, ln.number, "%s needs one type name" % ("group" if is_group else "class"))
    name = pos[0]
    if name in schema.classes or name in schema.simple_types or name in BUILTIN:
        raise SchemaError(path, ln.number, "type '%s' defined twice" % name)
    c = Class(name, is_group, ln.number, schema)
    c.keep_attributes = bool(opts.get("keep-attributes"))
    c.keep_elements = bool(opts.get("keep-elements"))
    c.preserve_space = bool(opts.get("preserve-space"))
    if "empty" in opts:
        if opts["empty"] not in ("allow", "deny"):
            raise SchemaError(path, ln.number, "empty is allow or deny")
        c.empty = opts["empty"] == "allow"
    if "tables" in opts:
        if opts["tables"] not in ("full", "none"):
            raise SchemaError(path, ln.number, "tables is full or none")
        c.tables = opts["tables"]
    c.base_name = opts.get("base")
    c.item = opts.get("item")
    if "hook" in opts:
        hooks = opts["hook"].split(",")
        for h in hooks:
            if h not in HOOKS:
                raise SchemaError(path, ln.number, "unknown hook '%s' (one of %s)" % (h, ", ".join(sorted(HOOKS))))
        c.hooks = hooks
    if is_group and (c.keep_attributes or c.base_name):
        raise SchemaError(path, ln.number, "a group has no attributes and no base")
    schema.classes[name] = c
    _body(schema, c, body, ln.number, top=True)
    if is_group and (c.attrs or c.text is not None):
        raise SchemaError(path, ln.number, "a group holds elements only")
    if c.text is not None and c.particles:
        raise SchemaError(path, ln.number, "a class has text or child elements, not both")
    if c.preserve_space and (c.text is None or not any((a.ns, a.local) == (2, "space") for a in c.attrs)):
        raise SchemaError(path, ln.number, "preserve-space needs text and an xml:space attribute")


# Operations whose body may be written by hand.
HOOKS = {"read_children", "write_children"}


def _blocks(lines, path):
    """Splits lines into (line, nested lines) at the first line's indent."""
    out = []
    if not lines:
        return out
    base = lines[0].indent
    i = 0
    while i < len(lines):
        if lines[i].indent != base:
            raise SchemaError(path, lines[i].number, "inconsistent indent")
        j = i + 1
        while j < len(lines) and lines[j].indent > base:
            j += 1
        out.append((lines[i], lines[i + 1:j]))
        i = j
    return out


def _qname(schema, qname, path, line, default_ns):
    if ":" in qname:
        prefix, local = qname.split(":", 1)
        if prefix == "xml":
            return 2, local
        nid = schema.prefix_ns(prefix)
        if nid is None or not prefix:
            raise SchemaError(path, line, "prefix '%s' is not in the namespace table" % prefix)
    else:
        nid, local = default_ns, qname
    if not XML_NAME.match(local):
        raise SchemaError(path, line, "bad name '%s'" % qname)
    return nid, local


def _body(schema, c, lines, line, top):
    path = schema.path
    for ln, nested in _blocks(lines, path):
        kw = _keyword(ln.text)
        words = split_words(_rest(ln.text), path, ln.number)
        if kw not in ("sequence", "choice") and nested:
            raise SchemaError(path, nested[0].number, "'%s' takes no indented lines" % kw)
        if kw == "member":
            if not top:
                raise SchemaError(path, ln.number, "a member belongs to the class, not a compositor")
            parts = _rest(ln.text).split(None, 1)
            if len(parts) != 2 or not IDENT.match(parts[0]) or parts[0] in CPP_KEYWORDS:
                raise SchemaError(path, ln.number, "member needs: <name> <C++ type>")
            if not re.match(r"^[A-Za-z_:][A-Za-z0-9_:<>, *&]*$", parts[1]):
                raise SchemaError(path, ln.number, "bad C++ type '%s'" % parts[1])
            c.members.append((parts[0], parts[1], ln.number))
        elif kw == "attr":
            if not top:
                raise SchemaError(path, ln.number, "attributes belong to the class, not a compositor")
            if c.particles or c.text is not None:
                raise SchemaError(path, ln.number, "attributes come before the content")
            pos, opts = split_options(words, path, ln.number, flags=("required",),
                                      keyed=("default", "member"))
            if len(pos) != 2:
                raise SchemaError(path, ln.number, "attr needs: <name> <type>")
            nid, local = _qname(schema, pos[0], path, ln.number, 1)
            member = opts.get("member", local)
            a = Attr(pos[0], nid, local, pos[1], bool(opts.get("required")), opts.get("default"),
                     member, ln.number)
            if a.required and a.default is not None:
                raise SchemaError(path, ln.number, "a required attribute has no default")
            for other in c.attrs:
                if (other.ns, other.local) == (nid, local):
                    raise SchemaError(path, ln.number, "attribute '%s' given twice" % pos[0])
            c.attrs.append(a)
        elif kw == "text":
            if not top:
                raise SchemaError(path, ln.number, "text belongs to the class")
            pos, opts = split_options(words, path, ln.number, keyed=("default",))
            if len(pos) != 1:
                raise SchemaError(path, ln.number, "text needs a type")
            if c.text is not None:
                raise SchemaError(path, ln.number, "text given twice")
            c.text = Text(pos[0], opts.get("default"), ln.number)
        else:
            c.particles.append(_particle(schema, kw, words, nested, ln, path))


def _particle(schema, kw, words, nested, ln, path):
    if kw == "child":
        pos, opts = split_options(words, path, ln.number, flags=("create",), keyed=("member",))
        if len(pos) not in (2, 3):
            raise SchemaError(path, ln.number, "child needs: <element> <type> [occurs]")
        p = Particle("element", parse_occurs(pos[2] if len(pos) == 3 else "?", path, ln.number), ln.number)
        p.ns, p.element = _qname(schema, pos[0], path, ln.number, schema.elements_ns)
        p.type_name = pos[1]
        p.create = bool(opts.get("create"))
        p.member = opts.get("member", p.element)
        if p.create and (p.occurs.min != 1 or p.occurs.max != 1):
            raise SchemaError(path, ln.number, "only a child that occurs exactly once is created")
        return p
    if kw == "use":
        pos, opts = split_options(words, path, ln.number, flags=("create",), keyed=("member",))
        if len(pos) not in (1, 2):
            raise SchemaError(path, ln.number, "use needs: <group> [occurs]")
        p = Particle("use", parse_occurs(pos[1] if len(pos) == 2 else "?", path, ln.number), ln.number)
        p.type_name = pos[0]
        p.member = opts.get("member", pos[0])
        p.create = bool(opts.get("create"))
        if p.create and (p.occurs.min != 1 or p.occurs.max != 1):
            raise SchemaError(path, ln.number, "only a group that occurs exactly once is created")
        return p
    if kw == "any":
        pos, opts = split_options(words, path, ln.number, keyed=("namespace",))
        if len(pos) > 1:
            raise SchemaError(path, ln.number, "any takes: [occurs] [namespace=other|any]")
        if opts.get("namespace", "other") not in ("other", "any"):
            raise SchemaError(path, ln.number, "namespace is other or any")
        p = Particle("any", parse_occurs(pos[0] if pos else "?", path, ln.number), ln.number)
        p.any_namespace = opts.get("namespace") == "any"
        return p
    if kw in ("sequence", "choice"):
        pos, opts = split_options(words, path, ln.number, keyed=("inner", "item", "none"))
        if len(pos) > 1:
            raise SchemaError(path, ln.number, "%s takes an occurrence only" % kw)
        p = Particle(kw, parse_occurs(pos[0] if pos else "1", path, ln.number), ln.number)
        p.inner = opts.get("inner")
        p.item = opts.get("item")
        if "none" in opts:
            if kw != "choice" or opts["none"] not in ("error", "silent"):
                raise SchemaError(path, ln.number, "none is error or silent, on a choice")
            p.none = opts["none"]
        if p.inner is not None and not IDENT.match(p.inner):
            raise SchemaError(path, ln.number, "bad inner class name")
        if not nested:
            raise SchemaError(path, ln.number, "an empty %s" % kw)
        if kw == "choice":
            for aln, anested in _blocks(nested, path):
                if anested:
                    raise SchemaError(path, anested[0].number, "an alternative takes no indented lines")
                if _keyword(aln.text) != "alt":
                    raise SchemaError(path, aln.number, "a choice holds alt lines")
                aw = split_words(_rest(aln.text), path, aln.number)
                if aw in (["any"], ["any", "all"]):
                    a = Alt(None, None, None, aln.number)
                    a.every = aw == ["any", "all"]
                    p.alts.append(a)
                    continue
                if len(aw) != 2:
                    raise SchemaError(path, aln.number, "alt needs: <element> <type>, or any")
                nid, local = _qname(schema, aw[0], path, aln.number, schema.elements_ns)
                p.alts.append(Alt(local, nid, None if aw[1] == "empty" else aw[1], aln.number))
            kinds = [a.element is None for a in p.alts]
            if any(kinds[:-1]):
                raise SchemaError(path, p.line, "the kept-element alternative comes last")
            seen = set()
            for a in p.alts:
                key = (a.ns, a.element)
                if a.element is not None and key in seen:
                    raise SchemaError(path, a.line, "alternative '%s' given twice" % a.element)
                seen.add(key)
        else:
            holder = Class("<sequence>", True, ln.number, schema)
            _body(schema, holder, nested, ln.number, top=False)
            p.particles = holder.particles
        return p
    raise SchemaError(path, ln.number, "unknown line '%s' in a class" % kw)


def _type(schema, name, path, line, want):
    if want in ("simple", "any") and name in BUILTIN:
        st = SimpleType(name, name, line)
        return st
    found = []
    for s in [schema] + schema.imported:
        if want in ("simple", "any") and name in s.simple_types:
            found.append((s, s.simple_types[name]))
        if want in ("class", "any") and name in s.classes:
            found.append((s, s.classes[name]))
    if len(found) == 1:
        return found[0][1]
    if found:
        raise SchemaError(path, line, "'%s' is defined in %s" % (name, " and ".join(s.stem for s, _ in found)))
    raise SchemaError(path, line, "unknown %s '%s'" % ("type" if want == "any" else want + " type", name))


def _check_imported_names(schema):
    """A name that the table and a table it imports both define, or two
    imported tables, is refused where the table defines it or imports."""
    mine = {uri: nid for nid, _, uri in schema.ns_rows}
    for other in schema.imported:
        # The reader numbers a document's namespaces by the root's table, so
        # every class must know them by the same ids.
        for nid, _, uri in other.ns_rows:
            if mine.get(uri) != nid:
                line = [n for t, n in schema.imports if t == other.stem][0]
                raise SchemaError(schema.path, line, "namespace %s must have id %d here, as in %s"
                                  % (uri, nid, other.stem))
        for name in list(other.simple_types) + list(other.classes):
            if name in schema.simple_types or name in schema.classes:
                d = schema.simple_types.get(name) or schema.classes.get(name)
                raise SchemaError(schema.path, d.line, "'%s' is defined in %s too" % (name, other.stem))


def _check_default(st, default, path, line):
    if default is None:
        return
    k = st.kind
    ok = True
    if k == "integer":
        ok = INTEGER.match(default) is not None
        if ok:
            lo, hi = INTEGER_RANGE[st.base]
            ok = int(lo) <= int(default) <= int(hi)
    elif k == "bool":
        ok = default in ("true", "false", "1", "0")
    elif k == "double":
        try:
            float(default)
        except ValueError:
            ok = default in ("INF", "-INF", "NaN")
    elif k == "hex":
        ok = re.match(r"^([0-9A-Fa-f]{2})*$", default) is not None
    elif k == "empty":
        ok = False
    if ok and st.enum:
        ok = default in st.enum
    if not ok:
        raise SchemaError(path, line, "default '%s' is not a value of %s" % (default, st.name))


def _resolve(schema):
    if schema.resolved:
        return
    schema.resolved = True
    path = schema.path
    if schema.namespace is None:
        raise SchemaError(path, 1, "the file has no namespace line")
    if schema.label is None:
        raise SchemaError(path, 1, "the file has no label line")
    if schema.elements_ns is None:
        raise SchemaError(path, 1, "the file has no elements line")
    _check_imported_names(schema)
    for c in list(schema.classes.values()):
        for a in c.attrs:
            a.type = _type(schema, a.type, path, a.line, "simple")
            _check_default(a.type, a.default, path, a.line)
        if c.text is not None:
            c.text.type = _type(schema, c.text.type, path, c.text.line, "simple")
            _check_default(c.text.type, c.text.default, path, c.text.line)
        if c.base_name is not None:
            c.base = _type(schema, c.base_name, path, c.line, "class")
        _resolve_particles(schema, c, c.particles)
        _check_members(schema, c)
        _make_inner(schema, c)
    for r in schema.roots:
        if r.prefixed:
            r.ns, r.element = _qname(schema, r.element, path, r.line, schema.elements_ns)
        else:
            r.ns = schema.elements_ns
        r.type = _type(schema, r.type_name, path, r.line, "class")
        if r.type.is_group:
            raise SchemaError(path, r.line, "a root needs an element type, not a group")
        if r.cpp_name in [c.cpp_name for c in schema.all_classes()]:
            raise SchemaError(path, r.line, "root class '%s' clashes with a class" % r.cpp_name)


def _resolve_particles(schema, c, particles):
    path = schema.path
    for p in particles:
        if p.kind == "element":
            p.type = _type(schema, p.type_name, path, p.line, "any")
            if isinstance(p.type, Class) and p.type.is_group:
                raise SchemaError(path, p.line, "'%s' is a group: write 'use %s'" % (p.type_name, p.type_name))
            if p.create and not isinstance(p.type, Class):
                raise SchemaError(path, p.line, "only class children are created")
        elif p.kind == "use":
            p.type = _type(schema, p.type_name, path, p.line, "class")
            if not p.type.is_group:
                raise SchemaError(path, p.line, "'%s' is not a group" % p.type_name)
        elif p.kind == "choice":
            for a in p.alts:
                if a.type_name is not None:
                    a.type = _type(schema, a.type_name, path, a.line, "any")
                    if isinstance(a.type, Class) and a.type.is_group:
                        raise SchemaError(path, a.line, "an alternative is an element, not a group")
        elif p.kind == "sequence":
            _resolve_particles(schema, c, p.particles)
            if p.occurs.repeated is False and p.inner is not None:
                raise SchemaError(path, p.line, "only a repeated compositor has an inner class")


def _element_names(particles):
    for p in particles:
        if p.kind == "element":
            yield p
        elif p.kind == "sequence":
            yield from _element_names(p.particles)


def _check_members(schema, c):
    path = schema.path
    names = {}
    for a in c.attrs:
        if a.member in names:
            raise SchemaError(path, a.line, "member '%s' given twice: use member=" % a.member)
        names[a.member] = a.line
    for p in c.particles:
        if p.kind in ("element", "use"):
            if p.member in names:
                raise SchemaError(path, p.line, "member '%s' given twice: use member=" % p.member)
            names[p.member] = p.line
    for name, _, line in c.members:
        if name in names:
            raise SchemaError(path, line, "member '%s' given twice" % name)
        names[name] = line
    for n, line in names.items():
        if not IDENT.match(n) or n in CPP_KEYWORDS:
            raise SchemaError(path, line, "member name '%s' is not a C++ identifier: use member=" % n)
    # Within one sequence an element name stands at one position only, or the
    # narrowing token tables would read it into the wrong member.
    seen = {}
    for p in _element_names(c.particles):
        key = (p.ns, p.element)
        if key in seen:
            raise SchemaError(path, p.line, "element '%s' stands twice in one sequence" % p.element)
        seen[key] = p


def _make_inner(schema, c):
    """Repeated compositors become item classes nested in their owner; a
    single sequence is flattened into its owner."""
    path = schema.path
    flat = []
    for p in c.particles:
        if p.kind == "sequence" and not p.occurs.repeated:
            if p.occurs.min == 0 and not all_optional(p.particles):
                raise SchemaError(path, p.line, "an optional sequence with required children needs an inner class")
            flat.extend(p.particles)
        else:
            flat.append(p)
    c.particles = flat
    for p in c.particles:
        if p.kind in ("sequence", "choice") and p.occurs.repeated:
            name = p.inner or ("inner_" + c.name + ("" if not c.inner_classes else "_%d" % (len(c.inner_classes) + 1)))
            inner = Class(name, True, p.line, c.schema)
            inner.owner = c
            if p.kind == "sequence":
                inner.particles = p.particles
            else:
                q = Particle("choice", Occurs(1, 1), p.line)
                q.alts, q.item, q.none = p.alts, p.item, p.none
                inner.particles = [q]
            inner.tables = c.tables
            p.inner = inner
            c.inner_classes.append(inner)
            _make_inner(schema, inner)


def _check_cycles(schema):
    """A class that must contain itself can never be created; a class cannot
    extend itself; a group cannot hold itself in place (its reader would
    look ahead into itself without end)."""
    for c in schema.classes.values():
        seen, b = {c.name}, c.base
        while b is not None:
            if b.name in seen:
                raise SchemaError(schema.path, c.line, "'%s' extends itself" % c.name)
            seen.add(b.name)
            b = b.base

    def used_groups(particles):
        for p in particles:
            if p.kind == "use":
                yield p.type
            elif p.kind == "sequence":
                yield from used_groups(p.particles)
    for c in schema.classes.values():
        if not c.is_group:
            continue
        seen, todo = set(), [c]
        while todo:
            x = todo.pop()
            for y in used_groups(x.particles):
                if y is c:
                    raise SchemaError(schema.path, c.line, "group '%s' holds itself" % c.name)
                if y.name not in seen:
                    seen.add(y.name)
                    todo.append(y)

    def required_children(c):
        for p in c.particles:
            if p.kind in ("element", "use") and p.create:
                yield p.type
    for c in schema.classes.values():
        seen, todo = set(), [c]
        while todo:
            x = todo.pop()
            for y in required_children(x):
                if y is c:
                    raise SchemaError(schema.path, c.line, "'%s' creates itself" % c.name)
                if y.name not in seen:
                    seen.add(y.name)
                    todo.append(y)


def load(path):
    with open(path, encoding="utf-8") as f:
        return parse(f.read(), path)
