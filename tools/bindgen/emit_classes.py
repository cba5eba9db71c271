"""Emits the binding classes of one schema file for the descriptor-driven
runtime (nimb/binding.h): each class holds typed members and a static
descriptor that lists its attributes and child positions with accessors to
those members; the runtime's one generic reader and writer serves them all.
Small accessors for the engine (setters, get-or-create getters, choice
selectors) are emitted with each class."""

from . import names as N
from . import schema as S


class EmitError(Exception):
    pass


# Member names the classes or their runtime base already use.
RESERVED = {"clone", "descriptor", "desc", "kept", "kept_content", "marshal", "unmarshal",
            "marshal_to_string", "unmarshal_from_memory", "reset", "swap"}

HOOK_SIGNATURE = {
    "read_children": "bool %s(nimb::c_xml_reader& reader, nimb::c_binding& object, nimb::enimb_error& error)",
    "write_children": "nimb::enimb_error %s(nimb::c_xml_writer& writer, const nimb::c_binding& object)",
}

# base -> (lexical check, from-string, to-string)
CONVERTERS = {
    "string": (None, "nimb::from_string_wstring", "nimb::to_string_wstring"),
    # URIs and tokens are never escaped with _xHHHH_ (part names, targets).
    "anyURI": (None, "nimb::from_string_uri", "nimb::to_string_uri"),
    "token": (None, "nimb::from_string_uri", "nimb::to_string_uri"),
    "narrow": (None, "nimb::from_string_string", "nimb::to_string_string"),
    "uint": ("nimb::validate_unsigned_int", "nimb::from_string_uint", "nimb::to_string_uint"),
    "int": ("nimb::validate_int", "nimb::from_string_int", "nimb::to_string_int"),
    "ushort": (None, "nimb::from_string_ushort", "nimb::to_string_ushort"),
    "short": (None, "nimb::from_string_short", "nimb::to_string_short"),
    "ubyte": (None, "nimb::from_string_uchar", "nimb::to_string_uchar"),
    "byte": (None, "nimb::from_string_schar", "nimb::to_string_schar"),
    "ulong": (None, "nimb::from_string_uint64", "nimb::to_string_uint64"),
    "long": (None, "nimb::from_string_int64", "nimb::to_string_int64"),
    "bool": ("nimb::validate_boolean_format", "nimb::from_string_bool", "nimb::to_string_bool"),
    "double": ("nimb::validate_double_format", "nimb::from_string_double", "nimb::to_string_double"),
    "hexBinary": ("nimb::validate_hex_binary", "nimb::from_string_binary", "nimb::to_string_binary"),
    "empty": ("nimb::validate_empty", "nimb::from_string_empty", "nimb::return_argument"),
}


def converters(st):
    base = st.base if st.base in CONVERTERS else "string"
    return CONVERTERS[base]


def u16_literal(text):
    out = ['u"']
    for ch in text:
        o = ord(ch)
        if ch in '\\"':
            out.append("\\" + ch)
        elif ch == "?":
            out.append("\\?")
        elif 0x20 <= o < 0x7F:
            out.append(ch)
        elif o <= 0xFFFF:
            out.append("\\u%04x" % o)
        else:
            out.append("\\U%08x" % o)
    out.append('"')
    return "".join(out)


def value_literal(st, text):
    """The C++ value of a default text, for the member's initialiser."""
    k = st.kind
    if k in ("string",):
        return "std::u16string(%s)" % u16_literal(text)
    if k == "narrow":
        return "std::string(%s)" % N.cpp_string(text)
    if k == "bool":
        return "true" if text in ("true", "1") else "false"
    if k == "integer":
        if st.base in ("uint", "ushort", "ubyte"):
            return "%su" % int(text)
        if st.base == "ulong":
            return "%sull" % int(text)
        if st.base == "long":
            v = int(text)
            return "(%dll - 1)" % (v + 1) if v == -9223372036854775808 else "%dll" % v
        v = int(text)
        return "(%d - 1)" % (v + 1) if v == -2147483648 else "%d" % v
    if k == "double":
        if text == "INF":
            return "std::numeric_limits<double>::infinity()"
        if text == "-INF":
            return "-std::numeric_limits<double>::infinity()"
        if text == "NaN":
            return "std::numeric_limits<double>::quiet_NaN()"
        return repr(float(text))
    if k == "hex":
        return "nimb::c_binary{%s}" % ", ".join("0x%s" % text[i:i + 2] for i in range(0, len(text), 2))
    raise EmitError("no default for type %s" % st.name)


def file_ident(schema):
    """The C++ name of a table's own namespace (nested in the table's
    namespace), where its source label, namespace table and other file-level
    names live, so that tables may share a namespace."""
    ident = "".join(ch if ch.isalnum() else "_" for ch in schema.stem)
    return ident if ident[:1].isalpha() and ident != schema.namespace else "table_" + ident


def header_of(schema):
    return "ooxml/%s.h" % schema.stem


class FileEmitter:
    def __init__(self, schema, rel_schema_path):
        self.s = schema
        self.rel = rel_schema_path
        self.ns = schema.namespace
        self.fns = file_ident(schema)
        self.checks = []      # C++ definitions of the value checks of the file's types
        self.check_decls = []
        self.local_checks = []  # checks of built-in types, private to the file
        self.specs = {}       # spec function name -> definition
        self.classes = []     # emitted classes, dependency order
        self.used_foreign = {}  # imported classes named here: C++ name -> class
        # Every check of the file's own simple types, used here or not: the
        # tables that import the types call them.
        for st in schema.simple_types.values():
            self.type_checks(st)
        self._build_models()

    def cls(self, c):
        """How the file names a class: plainly in its own namespace, else
        qualified."""
        if c.schema is not None and c.schema is not self.s:
            self.used_foreign[(c.schema.namespace, c.cpp_name)] = c
            if c.schema.namespace != self.ns:
                return "::%s::%s" % (c.schema.namespace, c.cpp_name)
        return c.cpp_name

    def own(self, st):
        """Whether the checks of a simple type are defined by this file."""
        return st.schema is None or st.schema is self.s

    # ------------------------------------------------------------------
    # Model: what each emitted class holds

    def qname(self, ns, local, schema=None):
        if ns in (1, None):
            return local
        if ns == 2:
            return "xml:" + local
        for nid, prefix, _ in (schema or self.s).ns_rows:
            if nid == ns:
                return prefix + ":" + local if prefix else local
        raise EmitError("namespace id %s not in the table" % ns)

    def _build_models(self):
        self.models = {}
        self.alt_classes = {}  # wrapper classes of simple-typed choice alternatives
        for c in self._emitted_classes():
            self.models[c.name] = self._model(c)
        # Classes after the classes they hold and their bases, where the
        # holding is not mutual.
        order, seen, active = [], set(), []

        def visit(name):
            if name in active:
                return  # a class that holds itself, directly or not
            if name in seen:
                return
            seen.add(name)
            active.append(name)
            for dep in self.models[name]["deps"]:
                visit(dep)
            active.pop()
            order.append(name)
        for name in self.models:
            visit(name)
        self.order = order

    def _emitted_classes(self):
        """Every class and element group, and the inner item classes of
        repeated sequences of several particles (nested ones too); the
        inner classes of other repeated compositors are not needed, their
        items being held as lists of elements or of choices."""
        out = []

        def needed_inner(c):
            for p in c.particles:
                if p.kind == "sequence" and p.inner is not None and not (
                        len(p.inner.particles) == 1 and p.inner.particles[0].kind == "element"):
                    yield p.inner

        def add(c):
            out.append(c)
            for inner in needed_inner(c):
                add(inner)
        for c in self.s.classes.values():
            add(c)
        return out

    def _positions(self, c, particles, context):
        """The child positions the generic reader knows: elements, choices,
        kept elements, element groups read in place, and repeated
        compositors as lists of their inner item class (one of a single
        element is a list of that element)."""
        out = []
        for p in particles:
            if p.kind == "use":
                many = p.occurs.repeated
                cn = self.cls(p.type)
                out.append(dict(kind="group_list" if many else "group", member=p.member, qname="", ns=0, local="",
                                min=p.occurs.min, max=0 if p.occurs.max == S.UNBOUNDED else p.occurs.max,
                                **{"class": cn}, dep=p.type, create=p.create,
                                holder=("nimb::ct_complex_multi<%s>" if many else "nimb::ct_complex_optional<%s>")
                                % cn))
            elif p.kind == "sequence":
                inner = p.inner.particles if p.inner is not None else p.particles
                if len(inner) == 1 and inner[0].kind == "element":
                    q = self._element(inner[0], context, c.schema)
                    q["min"] = p.occurs.min
                    q["max"] = 0 if p.occurs.max == S.UNBOUNDED else p.occurs.max * max(1, q["max"])
                    if q["kind"] == "single" and q["max"] != 1:
                        q["kind"] = "list"
                        q["holder"] = "nimb::ct_complex_multi<%s>" % q["class"]
                    out.append(q)
                    continue
                cls = p.inner.cpp_name
                out.append(dict(kind="group_list", member=p.inner.name, qname="", ns=0, local="",
                                min=p.occurs.min, max=0 if p.occurs.max == S.UNBOUNDED else p.occurs.max,
                                holder="nimb::ct_complex_multi<%s>" % cls, dep=p.inner, **{"class": cls}))
            elif p.kind == "choice":
                out.append(self._choice(c, p, context))
            elif p.kind == "any":
                many = p.occurs.repeated
                ns = "nimb::ns_any_namespace" if p.any_namespace else 0
                out.append(dict(kind="any_list" if many else "any", member="any", qname="", ns=ns, local="",
                                min=p.occurs.min, max=0 if p.occurs.max == S.UNBOUNDED else p.occurs.max,
                                holder="nimb::c_any_list" if many else "nimb::c_any_info"))
            else:
                out.append(self._element(p, context, c.schema))
        return out

    def _element(self, p, context, schema):
        occ = p.occurs
        mx = 0 if occ.max == S.UNBOUNDED else occ.max
        q = dict(member=p.member, qname=self.qname(p.ns, p.element, schema), ns=p.ns, local=p.element,
                 min=occ.min, max=mx, create=p.create)
        if isinstance(p.type, S.Class):
            cn = self.cls(p.type)
            q["class"] = cn
            q["dep"] = p.type
            if occ.repeated:
                q.update(kind="list", holder="nimb::ct_complex_multi<%s>" % cn)
            else:
                q.update(kind="single", holder="nimb::ct_complex_optional<%s>" % cn)
        else:
            if occ.repeated:
                if p.type.is_list:
                    raise EmitError("%s: a repeated element of a list type is not supported" % context)
                q.update(kind="simple_list", holder="std::vector<nimb::c_simple<%s>>" % p.type.cpp_type,
                         spec=self.spec(p.type, None))
            else:
                q.update(kind="simple", holder="nimb::c_simple<%s>" % p.type.cpp_type, spec=self.spec(p.type, None),
                         value_type=p.type)
        return q

    def _choice(self, c, p, context):
        alts = []
        for a in p.alts:
            if a.kind == "any":
                alts.append(dict(qname=None, ns=0, local="any", cls="nimb::c_any_element", every=a.every))
                continue
            dep = None
            if a.kind == "empty":
                cls = "nimb::c_empty_element"
            elif a.kind == "simple":
                cls = self._alt_class(a.type)
            else:
                cls = self.cls(a.type)
                dep = a.type
            alts.append(dict(qname=self.qname(a.ns, a.element, c.schema), ns=a.ns, local=a.element, cls=cls, dep=dep))
        repeated = p.occurs.repeated
        member = p.inner.name if (repeated and p.inner is not None) else "choice"
        return dict(kind="choice_list" if repeated else "choice", member=member,
                    qname=p.item or "{anonymous compositor}", ns=0, local="",
                    min=p.occurs.min, max=0 if p.occurs.max == S.UNBOUNDED else p.occurs.max,
                    holder="std::vector<nimb::c_choice>" if repeated else "nimb::c_choice",
                    alts=alts, none=p.none)

    def _alt_class(self, st):
        """The class of a simple-typed alternative: its text under the type's
        value spec."""
        name = "c_alt_" + st.name
        self.alt_classes.setdefault(name, (st, self.spec(st, None)))
        return "%s::%s" % (self.fns, name)

    def _model(self, c):
        context = "%s: class %s" % (self.s.path, c.name)
        attrs = self._attrs(c)
        positions = self._positions(c, c.particles, context)
        for q in positions:
            q["owner"] = c.cpp_name
        base_attrs, base_positions = [], []
        b = c.base
        while b is not None:
            bm_attrs = self._attrs(b)
            bm_positions = self._positions(b, b.particles, "%s: class %s" % (self.s.path, b.name))
            for q in bm_positions:
                q["owner"] = self.cls(b)
            base_attrs = bm_attrs + base_attrs
            base_positions = bm_positions + base_positions
            b = b.base
        text = None
        if c.text is not None:
            text = dict(member="content", holder="nimb::c_simple<%s>" % c.text.type.cpp_type,
                        type=c.text.type, default=c.text.default, spec=self.spec(c.text.type, c.text.default))
        hand = []
        b = c
        while b is not None:
            hand = [m[0] for m in b.members] + hand
            b = b.base
        members = [a["member"] for a in base_attrs + attrs] + [q["member"] for q in base_positions + positions] + \
            ([text["member"]] if text else []) + hand
        for m in members:
            if m in RESERVED or m.startswith(("set_", "unset_", "get_", "append_")):
                raise EmitError("%s: member name '%s' is taken by the class itself: use member=" % (context, m))
        if len(set(members)) != len(members):
            raise EmitError("%s: two members share a name: use member=" % context)
        deps = []
        if c.base is not None:
            deps.append(c.base)
        for q in positions:
            if q.get("dep") is not None:
                deps.append(q["dep"])
            for a in q.get("alts", []):
                if a.get("dep") is not None:
                    deps.append(a["dep"])
        known = {x.name for x in self.s.all_classes()}
        deps = [d.name for d in deps if d.schema is self.s and d.name in known and d.name != c.name]
        return dict(cls=c, attrs=attrs, positions=positions, text=text, deps=deps,
                    all_attrs=base_attrs + attrs, all_positions=base_positions + positions)

    def _attrs(self, c):
        attrs = []
        for a in c.attrs:
            holder = ("nimb::c_simple_list<%s>" if a.type.is_list else "nimb::c_simple<%s>") % a.type.cpp_type
            attrs.append(dict(member=a.member, qname=self.qname(a.ns, a.local, c.schema) if a.ns != 1 else a.local,
                              ns=a.ns, local=a.local, required=a.required, holder=holder, type=a.type,
                              default=a.default, spec=self.spec(a.type, a.default), owner=self.cls(c)))
        return attrs

    # ------------------------------------------------------------------
    # Value checks and specs

    def type_checks(self, st):
        """The (lexical, value) checks of a simple type, defined on the way
        when the type is the file's own."""
        lexical, _, _ = converters(st)
        value_check = None
        if st.patterns:
            if st.kind not in ("string", "narrow"):
                raise EmitError("%s: patterns apply to string types" % st.name)
            lexical = self._pattern_check(st)
        elif (st.min is not None or st.max is not None or (st.kind == "integer" and lexical is None)
              or (st.kind == "integer" and st.check)):
            lexical = self._range_check(st)
        if st.enum:
            value_check = self._enum_check(st)
        if st.kind == "hex" and st.length is not None:
            value_check = self._length_check(st)
        if st.kind in ("string", "narrow") and (st.length is not None or st.min_length is not None
                                                  or st.max_length is not None):
            value_check = self._string_length_check(st, value_check)
        return lexical, value_check

    def spec(self, st, default):
        name = N.spec_name(st, default)
        if name in self.specs:
            return name
        _, frm, to = converters(st)
        lexical, value_check = self.type_checks(st)
        ws = st.ws
        ctype = st.cpp_type
        item = "nimb::c_value_spec<%s>" % ctype
        body = "    static const %s s(%d, %s, %s, %s, %s, %s);\n    return s;\n" % (
            item, ws, N.cpp_string(default) if default is not None else "nullptr",
            lexical or "nullptr", value_check or "nullptr", frm, to)
        if st.is_list:
            item_name = name + "_item"
            self.specs[item_name] = ("const %s& %s()\n{\n%s}\n" % (item, item_name, body))
            ret = "nimb::c_list_value_spec<%s>" % ctype
            body = "    static const %s s(%s());\n    return s;\n" % (ret, item_name)
            item = ret
        self.specs[name] = "const %s& %s()\n{\n%s}\n" % (item, name, body)
        return name

    def _define(self, st, name, signature, body):
        """Records the definition of a value check: public (declared in the
        header) for a simple type of this file, private to the file for a
        built-in type, nothing for an imported type, whose table defines it."""
        decl = "nimb::enimb_error %s(%s)" % (name, signature)
        if st.schema is None:
            if not any(d.startswith(decl + "\n") for d in self.local_checks):
                self.local_checks.append("%s\n{\n%s}\n" % (decl, body))
            return name
        if not self.own(st):
            if st.schema.namespace != self.ns:
                return "::%s::%s" % (st.schema.namespace, name)
            return name
        if any(d.startswith(decl) for d in self.check_decls):
            return name
        self.check_decls.append(decl + ";")
        self.checks.append("%s\n{\n%s}\n" % (decl, body))
        return name

    def _pattern_check(self, st):
        pattern = st.patterns[0] if len(st.patterns) == 1 else "|".join("(%s)" % p for p in st.patterns)
        return self._define(st, st.check, "nimb::c_xml_reader& reader, const std::string& text",
                     "    static const nimb::c_regex pattern(%s);\n"
                     "    return nimb::check_pattern(reader, text, pattern);\n" % N.cpp_string(pattern))

    def _enum_check(self, st):
        values = "".join("        %s,\n" % N.cpp_string(v) for v in st.enum)
        return self._define(st, st.check, "nimb::c_xml_reader& reader, const std::u16string* value",
                     "    static const char* const values[] = {\n%s        nullptr,\n    };\n"
                     "    return nimb::check_enumeration(reader, *value, values);\n" % values)

    def _range_check(self, st):
        lo, hi = S.INTEGER_RANGE.get(st.base, (None, None))
        if st.kind == "double":
            return self._double_range_check(st)
        if st.min is not None:
            lo = st.min[0] if st.min[1] else str(int(st.min[0]) + 1)
        if st.max is not None:
            hi = st.max[0] if st.max[1] else str(int(st.max[0]) - 1)
        if st.schema is None:
            name = "range_%s" % st.base
        else:
            name = st.check or "validate_%s_range" % st.name
        return self._define(st, name, "nimb::c_xml_reader& reader, const std::string& text",
                            "    static const nimb::c_big_int low(%s), high(%s);\n"
                            "    return nimb::validate_range(reader, text, low, high);\n"
                            % (N.cpp_string(lo), N.cpp_string(hi)))

    def _string_length_check(self, st, enum_check):
        """The value check of a string type with length facets (after its
        enumeration, when it has one)."""
        lo = st.length if st.length is not None else st.min_length
        hi = st.length if st.length is not None else st.max_length
        lo = -1 if lo is None else lo
        hi = -1 if hi is None else hi
        first = ""
        if enum_check:
            first = "    if (nimb::enimb_error e = %s(reader, value)) return e;\n" % enum_check
        return self._define(st, "check_%s_value" % st.name,
                            "nimb::c_xml_reader& reader, const %s* value" % st.cpp_type,
                            "%s    return nimb::check_string_length(reader, *value, %d, %d);\n" % (first, lo, hi))

    def _double_range_check(self, st):
        def bound(b):
            if b is None:
                return "false, 0.0, true"
            return "true, %s, %s" % (repr(float(b[0])), "true" if b[1] else "false")
        return self._define(st, "validate_%s_range" % st.name, "nimb::c_xml_reader& reader, const std::string& text",
                            "    static const nimb::c_double_bounds bounds{%s, %s};\n"
                            "    return nimb::validate_double_range(reader, text, bounds);\n"
                            % (bound(st.min), bound(st.max)))

    def _length_check(self, st):
        if st.length in (2, 4):
            return "nimb::validate_hex_binary_length_%d" % st.length
        return self._define(st, "check_%s_length" % st.name,
                            "nimb::c_xml_reader& reader, const nimb::c_binary* value",
                            "    return nimb::check_binary_length(reader, *value, %d);\n" % st.length)

    # ------------------------------------------------------------------
    # Output

    def _base_tables(self):
        """The imported tables whose classes are bases of this file's classes:
        their headers come first (the others come last, so that tables may
        import each other)."""
        out = []
        bases = [c.base for c in self.s.all_classes()] + [r.type for r in self.s.roots]
        for b in bases:
            if b is not None and b.schema is not self.s and b.schema not in out:
                out.append(b.schema)
        return out

    def shares_namespace(self):
        return any(t.namespace == self.ns for t in self.s.imported)

    def header(self):
        s = self.s
        fns = self.fns
        h = ["// Generated by tools/bindgen.py from %s; do not edit.\n" % self.rel,
             "#pragma once\n\n#include <cstddef>\n#include <string>\n#include <vector>\n\n",
             '#include "nimb/binding.h"\n']
        for inc in s.includes:
            h.append('#include "%s"\n' % inc)
        firsts = self._base_tables()
        for t in firsts:
            h.append('#include "%s"\n' % header_of(t))
        h.append("\n")
        others = {}
        for (ns, cpp), c in sorted(self.used_foreign.items()):
            if ns != self.ns:
                others.setdefault(ns, []).append(cpp)
        for ns, names in sorted(others.items()):
            h.append("namespace %s {\n%s}  // namespace %s\n\n" % (ns, "".join("class %s;\n" % n for n in names), ns))
        h.append("namespace %s {\n\n" % self.ns)
        h.append("// What belongs to the file itself.\nnamespace %s {\n\n" % fns)
        h.append("// Source label of the error reports of this file.\nextern const char source_label[];\n\n")
        h.append("// Namespace ids of the file.\nenum : unsigned {\n")
        for nid, prefix, uri in s.ns_rows:
            h.append("    ns_%s = %d,  // %s\n" % (prefix or "default", nid, uri))
        h.append("};\n\n// The namespace table (ends with a null row).\n")
        h.append("extern const nimb::c_ns_entry namespace_table[];\n\n")
        for name, (st, _) in sorted(self.alt_classes.items()):
            h.append("// The text of a choice alternative of type %s.\n"
                     "class %s : public nimb::c_binding_t<%s> {\npublic:\n"
                     "    nimb::c_simple<%s> content;\n"
                     "    static const nimb::c_class_desc& desc();\n};\n\n" % (st.name, name, name, st.cpp_type))
        h.append("}  // namespace %s\n\n" % fns)
        if not self.shares_namespace():
            h.append("using %s::source_label;\nusing %s::namespace_table;\n" % (fns, fns))
            for nid, prefix, uri in s.ns_rows:
                h.append("using %s::ns_%s;\n" % (fns, prefix or "default"))
            h.append("\n")
        hooks = [(c, op) for c in s.classes.values() if not c.is_group for op in c.hooks]
        if hooks:
            h.append("// Operations written by hand (in the file's -hooks.cpp).\n")
            for c, op in hooks:
                h.append(HOOK_SIGNATURE[op] % ("hook_%s_%s" % (c.name, op)) + ";\n")
            h.append("\n")
        if self.check_decls:
            h.append("// Value checks of the simple types.\n")
            h.extend(d + "\n" for d in self.check_decls)
            h.append("\n")
        for name in self.order:
            h.append("class c_%s;\n" % name)
        for (ns, cpp), c in sorted(self.used_foreign.items()):
            if ns == self.ns:
                h.append("class %s;  // %s\n" % (cpp, c.schema.stem))
        h.append("\n")
        for name in self.order:
            h.append(self._class_decl(self.models[name]))
        for r in s.roots:
            h.append(self._root_decl(r))
        h.append("}  // namespace %s\n" % self.ns)
        rest = [t for t in s.imported if t not in firsts]
        if rest:
            h.append("\n// The classes of the imported tables.\n")
            for t in rest:
                h.append('#include "%s"\n' % header_of(t))
        return "".join(h)

    def _class_decl(self, m):
        c = m["cls"]
        cn = c.cpp_name
        out = ["// %s%s\n" % (c.name, self._shape_comment(m))]
        if c.base is not None:
            out.append("class %s : public %s {\npublic:\n" % (cn, self.cls(c.base)))
            out.append("    nimb::c_binding* clone() const override { return new %s(*this); }\n" % cn)
            out.append("    const nimb::c_class_desc& descriptor() const override { return desc(); }\n")
        else:
            out.append("class %s : public nimb::c_binding_t<%s> {\npublic:\n" % (cn, cn))
        for a in m["attrs"]:
            init = "{%s}" % value_literal(a["type"], a["default"]) if a["default"] is not None else ""
            out.append("    %s %s%s;\n" % (a["holder"], a["member"], init))
        for q in m["positions"]:
            init = ""
            if q["kind"] == "choice":
                init = "{%d}" % len(q["alts"])
            out.append("    %s %s%s;\n" % (q["holder"], q["member"], init))
        if m["text"]:
            t = m["text"]
            init = "{%s}" % value_literal(t["type"], t["default"]) if t["default"] is not None else ""
            out.append("    %s %s%s;\n" % (t["holder"], t["member"], init))
        for name, ctype, _ in c.members:
            out.append("    %s %s;  // read and written by the hooks\n" % (ctype, name))
        creates = [q for q in m["positions"] if q.get("create")]
        out.append("\n    %s();\n" % cn if creates else "\n")
        out.append("    static const nimb::c_class_desc& desc();\n")
        out.append("    nimb::enimb_error marshal(nimb::c_xml_writer& writer, const char* name) const;\n")
        out.append("    nimb::enimb_error unmarshal(nimb::c_xml_reader& reader, const std::string& name);\n")
        out.append("    // Replaces the whole content by a new one.\n    void reset() { *this = %s(); }\n" % cn)
        for a in m["attrs"]:
            ctype = a["type"].cpp_type
            if a["type"].is_list:
                continue
            arg = "%s value" % ctype if a["type"].kind in ("integer", "bool", "double") else "const %s& value" % ctype
            out.append("    int set_%s(%s) { return %s.set(value); }\n" % (a["member"], arg, a["member"]))
            # Absent again: the default value back and the flag clear.
            back = value_literal(a["type"], a["default"]) if a["default"] is not None else ""
            out.append("    void unset_%s() { %s.clear_value(%s); }\n" % (a["member"], a["member"], back))
        for q in m["positions"]:
            if q["kind"] in ("single", "group"):
                # get_ creates the child when absent; set_ copies one in.
                out.append("    %s* get_%s();\n" % (q["class"], q["member"]))
                out.append("    bool has_%s() const { return %s.has(); }\n" % (q["member"], q["member"]))
                out.append("    int set_%s(const %s& value);\n" % (q["member"], q["class"]))
            elif q["kind"] == "simple" and not q["value_type"].is_list:
                st = q["value_type"]
                ctype = st.cpp_type
                arg = "%s value" % ctype if st.kind in ("integer", "bool", "double") else "const %s& value" % ctype
                out.append("    int set_%s(%s) { return %s.set(value); }\n" % (q["member"], arg, q["member"]))
            elif q["kind"] == "choice":
                # get_ and select_ choose the alternative (releasing another
                # one) and create its child; find_ gives the child only when
                # that alternative is the one chosen, else null; set_ chooses
                # it and copies the value in.
                for i, a in enumerate(q["alts"]):
                    out.append("    %s* get_%s();\n" % (a["cls"], a["local"]))
                    out.append("    %s* select_%s() { return get_%s(); }\n" % (a["cls"], a["local"], a["local"]))
                    out.append("    bool has_%s() const { return %s.which() == %du && %s.object(); }\n"
                               % (a["local"], q["member"], i, q["member"]))
                    out.append("    %s* find_%s() const;\n" % (a["cls"], a["local"]))
                    out.append("    int set_%s(const %s& value);\n" % (a["local"], a["cls"]))
            elif q["kind"] == "choice_list":
                out.append("    nimb::c_choice& append_%s();\n" % q["member"])
                out.append("    nimb::c_choice& get_%s(std::size_t index);\n" % q["member"])
                for a in q["alts"]:
                    out.append("    static %s* get_%s(nimb::c_choice& item);\n" % (a["cls"], a["local"]))
                    out.append("    static int set_%s(nimb::c_choice& item, const %s& value);\n" % (a["local"], a["cls"]))
        out.append("};\n\n")
        return "".join(out)

    def _shape_comment(self, m):
        c = m["cls"]
        if c.content == "empty":
            return ": attributes only"
        if c.content == "simple":
            return ": attributes and text"
        return ""

    def _root_decl(self, r):
        base = r.type.cpp_name
        return (
            "// The document element \"%s\" of a whole part.\n"
            "class %s : public %s {\npublic:\n"
            "    using %s::marshal;\n    using %s::unmarshal;\n\n"
            "    nimb::c_binding* clone() const override { return new %s(*this); }\n"
            "    // Writes the whole document; `out` is replaced only on success.\n"
            "    nimb::enimb_error marshal(std::string& out, nimb::c_error_record* error = nullptr) const;\n"
            "    // Reads a whole document from [data, data + size).\n"
            "    nimb::enimb_error unmarshal(const char* data, std::size_t size, nimb::c_error_record* error = nullptr);\n"
            "    // The same under the reader's limits given.\n"
            "    nimb::enimb_error unmarshal(const char* data, std::size_t size, nimb::c_error_record* error,\n"
            "                                const nimb::c_reader_limits& limits);\n"
            "    nimb::enimb_error marshal_to_string(std::string& out, nimb::c_error_record* error = nullptr) const\n"
            "    {\n        return marshal(out, error);\n    }\n"
            "    nimb::enimb_error unmarshal_from_memory(const char* data, std::size_t size,\n"
            "                                            nimb::c_error_record* error = nullptr)\n"
            "    {\n        return unmarshal(data, size, error);\n    }\n"
            "    // Replaces the whole content by an empty one.\n"
            "    void reset() { *this = %s(); }\n"
            "};\n\n" % (r.element, r.cpp_name, base, base, base, r.cpp_name, r.cpp_name))

    def source(self, header_name):
        s = self.s
        out = ["// Generated by tools/bindgen.py from %s; do not edit.\n" % self.rel,
               '#include "%s"\n\n#include <limits>\n#include <utility>\n\n' % header_name,
               "namespace %s {\n\n" % self.ns,
               "namespace %s {\n\n" % self.fns,
               "const char source_label[] = %s;\n\n" % N.cpp_string(s.label),
               "const nimb::c_ns_entry namespace_table[] = {\n"]
        for nid, prefix, uri in s.ns_rows:
            out.append("    {%d, %s, %s},\n" % (nid, N.cpp_string(prefix), N.cpp_string(uri)))
        out.append("    {0, nullptr, nullptr},\n};\n\n}  // namespace %s\n\n" % self.fns)
        out.extend(x + "\n" for x in self.checks)
        out.append("namespace {\n\n")
        out.extend(x + "\n" for x in self.local_checks)
        out.extend(x + "\n" for x in self.specs.values())
        out.append("}  // namespace\n\n")
        fns = self.fns
        for name, (st, spec) in sorted(self.alt_classes.items()):
            out.append("const nimb::c_class_desc& %s::%s::desc()\n{\n"
                       "    static const nimb::c_class_desc d{%s, %s::source_label, %s::namespace_table,\n"
                       "                                      nimb::content_kind::simple, nullptr, 0, nullptr, 0, &%s(),\n"
                       "                                      nimb::member<&%s::%s::content>, nimb::create_object<%s::%s>, 0,\n"
                       "                                      nullptr};\n"
                       "    return d;\n}\n\n" % (fns, name, N.cpp_string(st.name), fns, fns, spec, fns, name, fns, name))
        for name in self.order:
            out.append(self._class_def(self.models[name]))
        for r in s.roots:
            out.append(self._root_def(r))
        out.append("}  // namespace %s\n" % self.ns)
        return "".join(out)

    def _class_def(self, m):
        c = m["cls"]
        cn = c.cpp_name
        tables = "nullptr" if c.tables == "none" else "%s::namespace_table" % self.fns
        out = []
        creates = [q for q in m["positions"] if q.get("create")]
        if creates:
            out.append("%s::%s()\n{\n" % (cn, cn))
            for q in creates:
                out.append("    %s.get();\n" % q["member"])
            out.append("}\n\n")
        out.append("const nimb::c_class_desc& %s::desc()\n{\n" % cn)
        attrs, positions = m["all_attrs"], m["all_positions"]
        if attrs:
            out.append("    static const nimb::c_attribute_desc attributes[] = {\n")
            for a in attrs:
                out.append("        {%s, %d, %s, %s, &%s(), nimb::member<&%s::%s>},\n" % (
                    N.cpp_string(a["qname"]), a["ns"], N.cpp_string(a["local"]),
                    "true" if a["required"] else "false", a["spec"], a["owner"], a["member"]))
            out.append("    };\n")
        for q in positions:
            if q["kind"] in ("choice", "choice_list"):
                out.append("    static const nimb::c_choice_alternative %s_alternatives[] = {\n" % q["member"])
                for a in q["alts"]:
                    if a["qname"] is None:
                        out.append("        {nullptr, 0, nullptr, nimb::create_object<%s>%s},\n"
                                   % (a["cls"], ", true" if a.get("every") else ""))
                        continue
                    out.append("        {%s, %d, %s, nimb::create_object<%s>},\n" % (
                        N.cpp_string(a["qname"]), a["ns"], N.cpp_string(a["local"]), a["cls"]))
                out.append("    };\n")
        if positions:
            out.append("    static const nimb::c_child_desc children[] = {\n")
            for q in positions:
                cls = "nimb::create_object<%s>" % q["class"] if "class" in q else "nullptr"
                spec = "&%s()" % q["spec"] if "spec" in q else "nullptr"
                choices, count = ("nullptr", 0)
                if "alts" in q:
                    choices, count = "%s_alternatives" % q["member"], len(q["alts"])
                group = "%s::desc" % q["class"] if q["kind"] in ("group", "group_list") else "nullptr"
                silent = "true" if q.get("none") == "silent" else "false"
                out.append("        {%s, %s, %s, nimb::child_kind::%s, %d, %d, nimb::member<&%s::%s>, %s, %s, %s, %d, %s, %s},\n" % (
                    N.cpp_string(q["qname"]), q["ns"], N.cpp_string(q["local"]), q["kind"], q["min"], q["max"],
                    q["owner"], q["member"], cls, spec, choices, count, group, silent))
            out.append("    };\n")
        content = "complex" if positions or c.content == "complex" else ("simple" if m["text"] else "empty")
        may_be_empty = c.empty if c.empty is not None else all(q["min"] == 0 for q in positions)
        flags = []
        if content == "complex" and may_be_empty:
            flags.append("nimb::cls_may_be_empty")
        if c.keep_attributes or self.s.keep_attributes:
            flags.append("nimb::cls_keep_unknown_attributes")
        if c.keep_elements:
            flags.append("nimb::cls_keep_unknown_elements")
        if c.preserve_space:
            flags.append("nimb::cls_preserve_space")
        hooks = "nullptr"
        if c.hooks:
            fns = ["hook_%s_%s" % (c.name, op) if op in c.hooks else "nullptr"
                   for op in ("read_children", "write_children")]
            out.append("    static const nimb::c_class_hooks hooks{%s};\n" % ", ".join(fns))
            hooks = "&hooks"
        t = m["text"]
        out.append("    static const nimb::c_class_desc d{%s, %s::source_label, %s, nimb::content_kind::%s,\n" % (
            N.cpp_string(c.error_item), self.fns, tables, content))
        out.append("                                      %s, %d, %s, %d,\n" % (
            "attributes" if attrs else "nullptr", len(attrs),
            "children" if positions else "nullptr", len(positions)))
        out.append("                                      %s, %s, nimb::create_object<%s>, %s, %s};\n" % (
            "&%s()" % t["spec"] if t else "nullptr", "nimb::member<&%s::%s>" % (cn, t["member"]) if t else "nullptr",
            cn, " | ".join(flags) if flags else "0", hooks))
        out.append("    return d;\n}\n\n")
        out.append("nimb::enimb_error %s::marshal(nimb::c_xml_writer& writer, const char* name) const\n{\n"
                   "    return nimb::marshal_object(writer, *this, name);\n}\n\n" % cn)
        out.append("nimb::enimb_error %s::unmarshal(nimb::c_xml_reader& reader, const std::string& name)\n{\n"
                   "    return nimb::unmarshal_object(reader, *this, name);\n}\n\n" % cn)
        for q in m["positions"]:
            if q["kind"] in ("single", "group"):
                out.append("%s* %s::get_%s()\n{\n    return %s.get();\n}\n\n" % (q["class"], cn, q["member"], q["member"]))
                out.append("int %s::set_%s(const %s& value)\n{\n    *%s.get() = value;\n    return 0;\n}\n\n"
                           % (cn, q["member"], q["class"], q["member"]))
            elif q["kind"] == "choice":
                for i, a in enumerate(q["alts"]):
                    out.append("%s* %s::get_%s()\n{\n    return %s.select<%s>(%d);\n}\n\n" % (
                        a["cls"], cn, a["local"], q["member"], a["cls"], i))
                    out.append("%s* %s::find_%s() const\n{\n    return has_%s() ? static_cast<%s*>(%s.object()) : nullptr;\n}\n\n"
                               % (a["cls"], cn, a["local"], a["local"], a["cls"], q["member"]))
                    out.append("int %s::set_%s(const %s& value)\n{\n"
                               "    // A copy first: the value may be a part of the child it replaces.\n"
                               "    %s copy(value);\n    *get_%s() = std::move(copy);\n    return 0;\n}\n\n"
                               % (cn, a["local"], a["cls"], a["cls"], a["local"]))
            elif q["kind"] == "choice_list":
                mem, n = q["member"], len(q["alts"])
                out.append("nimb::c_choice& %s::append_%s()\n{\n    %s.emplace_back(%d);\n    return %s.back();\n}\n\n"
                           % (cn, mem, mem, n, mem))
                out.append("nimb::c_choice& %s::get_%s(std::size_t index)\n{\n"
                           "    while (%s.size() <= index) %s.emplace_back(%d);\n    return %s[index];\n}\n\n"
                           % (cn, mem, mem, mem, n, mem))
                for i, a in enumerate(q["alts"]):
                    out.append("%s* %s::get_%s(nimb::c_choice& item)\n{\n    return item.select<%s>(%d);\n}\n\n"
                               % (a["cls"], cn, a["local"], a["cls"], i))
                    out.append("int %s::set_%s(nimb::c_choice& item, const %s& value)\n{\n"
                               "    *get_%s(item) = value;\n    return 0;\n}\n\n" % (cn, a["local"], a["cls"], a["local"]))
        return "".join(out)

    def _root_def(self, r):
        return (
            "nimb::enimb_error %s::marshal(std::string& out, nimb::c_error_record* error) const\n{\n"
            "    return nimb::marshal_document(*this, %s, out, error%s);\n}\n\n"
            "nimb::enimb_error %s::unmarshal(const char* data, std::size_t size, nimb::c_error_record* error)\n{\n"
            "    return unmarshal(data, size, error, nimb::c_reader_limits());\n}\n\n"
            "nimb::enimb_error %s::unmarshal(const char* data, std::size_t size, nimb::c_error_record* error,\n"
            "                                const nimb::c_reader_limits& limits)\n{\n"
            "    nimb::c_xml_reader_memory reader(data, size, nullptr, limits);\n"
            "    nimb::enimb_error e = nimb::unmarshal_document(reader, *this, %d, %s);\n"
            "    if (error) *error = reader.error_record();\n"
            "    return e;\n}\n\n" % (
                r.cpp_name, N.cpp_string(self.qname(r.ns, r.element)),
                ", nimb::attribute_layout::inline_" if r.attributes == "inline" else "",
                r.cpp_name, r.cpp_name, r.ns, N.cpp_string(r.element)))


def emit(schema, rel_schema_path, header_name):
    try:
        f = FileEmitter(schema, rel_schema_path)
        return f.header(), f.source(header_name)
    except EmitError as e:
        raise S.SchemaError(schema.path, 0, str(e))
