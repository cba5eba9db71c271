"""Tests of the schema-table reader of the binding generator."""

import os
import shutil
import subprocess
import sys
import tempfile
import textwrap
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools"))

from bindgen import emit_classes as E  # noqa: E402
from bindgen import names as N  # noqa: E402
from bindgen import schema as S  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import checklib  # noqa: E402

HEADER = """\
namespace demo
label ooxml/demo
ns 1000 r http://example.com/rel
ns 1001 - http://example.com/main
elements 1001
"""


def parse(body):
    return S.parse(HEADER + textwrap.dedent(body), "demo.schema")


def compile_errors(files):
    """What the C++ compiler says of emitted files (path -> text) compiled
    against the runtime's headers, or "" when they compile: the texts the
    tests look for in the emitted code must be the runtime's own."""
    cxx = os.environ.get("CELVO_CXX") or shutil.which("c++")
    if not cxx:
        return "no C++ compiler (set CELVO_CXX)"
    with tempfile.TemporaryDirectory() as tmp:
        for path, text in files.items():
            os.makedirs(os.path.dirname(os.path.join(tmp, path)), exist_ok=True)
            with open(os.path.join(tmp, path), "w", encoding="utf-8") as f:
                f.write(text)
        sources = [os.path.join(tmp, p) for p in files if p.endswith(".cpp")]
        r = subprocess.run([cxx, "-std=c++17", "-fsyntax-only", "-Wall", "-Werror", "-I", tmp,
                            "-I", os.path.join(ROOT, "xmlbind"), "-I", os.path.join(ROOT, "engine")] + sources,
                           capture_output=True, text=True, timeout=300)
        return "" if r.returncode == 0 else r.stderr[:4000]


class ErrorTable(unittest.TestCase):
    """Faulty tables are refused with the line of the fault."""

    CASES = [
        # (table body, line of the fault, part of the message)
        ("class A\n  attr x nosuch\n", 7, "unknown simple type 'nosuch'"),
        ("class A\n  child x B\n", 7, "unknown type 'B'"),
        ("class A\n  attr x string\n  attr x uint\n", 8, "given twice"),
        ("class A\n  attr x string required default=a\n", 7, "no default"),
        ("class A\n  attr x uint default=-1\n", 7, "not a value of uint"),
        ("class A\n  attr x uint default=4294967296\n", 7, "not a value of uint"),
        ("class A\n  attr x bool default=yes\n", 7, "not a value of bool"),
        ("simple E string check=v\n  enum a b\nclass A\n  attr x E default=c\n", 9, "not a value of E"),
        ("simple E string\n  enum a b\n", 6, "needs check="),
        ("simple E string check=v\n  enum a a\n", 7, "given twice"),
        ("simple E uint check=v\n  enum 1 2\n", 6, "kept as strings"),
        ("simple E string check=v\n", 6, "nothing to check"),
        ("simple E uint length=2\n", 6, "strings and hexBinary"),
        ("simple E uint min=-1\n", 6, "outside the range"),
        ("simple E nosuch\n", 6, "unknown base type"),
        ("class A\n  attr q:x string\n", 7, "prefix 'q'"),
        ("class A\n  child x A 0..0\n", 7, "bad occurrence"),
        ("class A\n  child x A 3..2\n", 7, "bad occurrence"),
        ("class A\n  child x A ? create\n", 7, "exactly once"),
        ("class A\n  use G * create\ngroup G\n  child x A\n", 7, "exactly once"),
        ("class A\n  child a B\n  child a B\nclass B\n", 8, "given twice"),
        ("class A\n  child a B\n  sequence *\n    child a B\nclass B\n", 9, "stands twice"),
        ("class A\n  child x string\n  attr y string\n", 8, "before the content"),
        ("class A\n  text string\n  child x B\nclass B\n", 6, "text or child elements"),
        ("class A\n  use B\nclass B\n", 7, "not a group"),
        ("class A\n  child b G\ngroup G\n  child x A\n", 7, "is a group"),
        ("group G\n  attr x string\n", 6, "elements only"),
        ("class A\n  choice\n    alt any\n    alt x A\n", 7, "comes last"),
        ("class A\n  choice\n    alt any all\n    alt x A\n", 7, "comes last"),
        ("class A\nroot q:top A c_top\n", 7, "prefix 'q'"),
        ("class A\nroot top A c_top attributes=wide\n", 7, "lines or inline"),
        ("class A\n  any ? namespace=mine\n", 7, "other or any"),
        ("class A\n  choice\n    alt x A\n    alt x A\n", 9, "given twice"),
        ("class A base=B\nclass B base=A\n", 6, "extends itself"),
        ("class A base=A\n", 6, "extends itself"),
        ("group G\n  use H ?\ngroup H\n  child x A\n  use G *\nclass A\n", 6, "holds itself"),
        ("group G\n  sequence *\n    child x A\n    use G\nclass A\n", 6, "holds itself"),
        ("class A\n  choice\n    child x A\n", 8, "alt lines"),
        ("class A\n  choice\n", 7, "an empty choice"),
        ("class A\n  child x A 1 create\n", 6, "creates itself"),
        ("class A\n  use G 1 create\ngroup G\n  child x A 1 create\n", 6, "creates itself"),
        ("class A\n  attr class string\n", 7, "not a C++ identifier"),
        ("class A hook=everything\n", 6, "unknown hook"),
        ("class A empty=maybe\n", 6, "allow or deny"),
        ("class A\nclass A\n", 7, "defined twice"),
        ("root a B c_a\n", 6, "unknown class type 'B'"),
        ("group G\n  child x A\nclass A\nroot a G c_a\n", 9, "needs an element type"),
        ("class A\nroot a A c_A\n", 7, "clashes"),
        ("frobnicate\n", 6, "unknown statement"),
        ("class A\n  attr x string\n\tattr y string\n", 8, "tabs"),
        ('class A\n  attr x string default="open\n', 7, "cannot split"),
        ("class A\n  sequence ?\n    child a B 1\nclass B\n", 7, "needs an inner class"),
    ]

    def test_faults(self):
        for body, line, text in self.CASES:
            with self.subTest(body=body):
                with self.assertRaises(S.SchemaError) as cm:
                    parse(body)
                self.assertIn(text, cm.exception.message)
                self.assertEqual(line, cm.exception.line)

    def test_header_faults(self):
        cases = [
            ("label x\nns 1000 - http://a\nelements 1000\n", "no namespace line"),
            ("namespace a\nns 1000 - http://a\nelements 1000\n", "no label line"),
            ("namespace a\nlabel x\nns 1000 - http://a\n", "no elements line"),
            ("namespace a\nlabel x\nns 1000 - http://a\nelements 1001\n", "not in the table"),
            ("namespace a\nlabel x\nns 999 - http://a\nelements 999\n", "start at 1000"),
            ("namespace a\nlabel x\nns 1000 - http://a\nns 1001 - http://b\nelements 1000\n", "repeats"),
            ("namespace a\nnamespace b\n", "given twice"),
            ("namespace class\n", "C++ identifier"),
            ("  attr x string\n", "outside a definition"),
        ]
        for text, msg in cases:
            with self.subTest(text=text):
                with self.assertRaises(S.SchemaError) as cm:
                    S.parse(text, "h.schema")
                self.assertIn(msg, cm.exception.message)


class ModelTable(unittest.TestCase):
    def test_occurrences(self):
        cases = [("?", 0, 1), ("1", 1, 1), ("*", 0, S.UNBOUNDED), ("+", 1, S.UNBOUNDED),
                 ("2..4", 2, 4), ("0..*", 0, S.UNBOUNDED), ("3..3", 3, 3)]
        for text, lo, hi in cases:
            with self.subTest(text=text):
                o = S.parse_occurs(text, "x", 1)
                self.assertEqual((lo, hi), (o.min, o.max))

    def test_content_kind_and_empty_rule(self):
        s = parse("""\
            class Attrs
              attr a string
            class Text
              text string
            class Opt
              child a Attrs
              child b Attrs *
            class Req
              child a Attrs
              child b Attrs +
            class ReqAllowed empty=allow
              child b Attrs +
            class OptDenied empty=deny
              child b Attrs *
            class OptSeq
              sequence
                child a Attrs
            class RepSeq
              sequence +
                child a Attrs
            class RepSeqReq
              sequence +
                child a Attrs 1
            class ChoiceOpt
              choice ?
                alt a Attrs
            class AnyOne
              any 1
            """)
        expect = {
            "Attrs": ("empty", True), "Text": ("simple", True), "Opt": ("complex", True),
            "Req": ("complex", False), "ReqAllowed": ("complex", True),
            "OptDenied": ("complex", False), "OptSeq": ("complex", True),
            "RepSeq": ("complex", True), "RepSeqReq": ("complex", False),
            "ChoiceOpt": ("complex", True),
            "AnyOne": ("complex", False),
        }
        for name, (content, empty) in expect.items():
            with self.subTest(name=name):
                c = s.classes[name]
                self.assertEqual(content, c.content)
                self.assertEqual(empty, c.may_be_empty)

    def test_inner_classes(self):
        s = parse("""\
            class Item
            class Owner
              sequence +
                child item Item
              choice *
                alt x Item
                alt y empty
                alt any
            class Named
              choice * inner=c_special item="{anonymous compositor}" none=silent
                alt a Item
            class Single
              choice
                alt a Item
                alt b Item
            """)
        owner = s.classes["Owner"]
        self.assertEqual(["c_inner_Owner", "c_inner_Owner_2"], [c.cpp_name for c in owner.inner_classes])
        seq, ch = owner.particles
        self.assertIs(seq.inner, owner.inner_classes[0])
        self.assertEqual(["element"], [p.kind for p in seq.inner.particles])
        alts = ch.inner.particles[0].alts
        self.assertEqual(["class", "empty", "any"], [a.kind for a in alts])
        named = s.classes["Named"].inner_classes[0]
        self.assertEqual("c_c_special", named.cpp_name)
        self.assertEqual("{anonymous compositor}", named.particles[0].item)
        self.assertEqual("silent", named.particles[0].none)
        single = s.classes["Single"]
        self.assertEqual([], single.inner_classes)
        self.assertEqual("choice", single.particles[0].kind)
        # The inner classes follow their owner in the class order.
        self.assertEqual(["c_Item", "c_Owner", "c_inner_Owner", "c_inner_Owner_2", "c_Named",
                          "c_c_special", "c_Single"], [c.cpp_name for c in s.all_classes()])

    def test_attributes(self):
        s = parse("""\
            simple Hex2 hexBinary length=2
            simple Small uint min=1 maxExclusive=10
            class A keep-attributes item=Special
              attr name string required
              attr r:id string required
              attr xml:space string
              attr flag bool default=true
              attr two Hex2
              attr n Small default=5 member=count
            """)
        a = s.classes["A"]
        self.assertTrue(a.keep_attributes)
        self.assertEqual("Special", a.error_item)
        rows = [(x.qname, x.ns, x.local, x.member, x.required, x.default, x.type.name) for x in a.attrs]
        self.assertEqual([
            ("name", 1, "name", "name", True, None, "string"),
            ("r:id", 1000, "id", "id", True, None, "string"),
            ("xml:space", 2, "space", "space", False, None, "string"),
            ("flag", 1, "flag", "flag", False, "true", "bool"),
            ("two", 1, "two", "two", False, None, "Hex2"),
            ("n", 1, "n", "count", False, "5", "Small"),
        ], rows)
        self.assertEqual(["name", "r:id"], [x.qname for x in a.required_attrs()])
        small = s.simple_types["Small"]
        self.assertEqual(("1", True), small.min)
        self.assertEqual(("10", False), small.max)
        self.assertEqual(2, s.simple_types["Hex2"].length)

    def test_pattern_kept_as_written(self):
        s = parse("""\
            simple P string check=validate_p
              pattern ("a b"|[#\\p{IsBasicLatin}]) # not a comment
            """)
        self.assertEqual(['("a b"|[#\\p{IsBasicLatin}]) # not a comment'], s.simple_types["P"].patterns)

    def test_quoted_values_and_comments(self):
        s = parse("""\
            # a comment
            simple E string check=validate_e
              enum "two words" plain
            class A
                # an indented comment
              attr e E default="two words"
            """)
        self.assertEqual(["two words", "plain"], s.simple_types["E"].enum)
        self.assertEqual("two words", s.classes["A"].attrs[0].default)


class NamesTable(unittest.TestCase):
    def test_cpp_string(self):
        cases = [("abc", '"abc"'), ('a"b', '"a\\"b"'), ("a\\b", '"a\\\\b"'), ("??=", '"\\?\\?="'),
                 ("\u00e9", '"\\303\\251"'), ("", '""')]
        for text, literal in cases:
            with self.subTest(text=text):
                self.assertEqual(literal, N.cpp_string(text))

    def test_specs_one_per_type_and_default(self):
        s = parse("""\
            class A
              attr a bool default=false
              attr b bool default=true
              attr c bool default=false
              attr d bool
              attr e double default=0.001
            """)
        self.assertEqual(["spec_bool_d_false", "spec_bool_d_true", "spec_bool", "spec_double_d_0_001"],
                         list(N.specs_of(s)))


class EmitTable(unittest.TestCase):
    """What the C++ emitter cannot express yet is refused by name, never
    emitted wrongly."""

    CASES = [
        ("class A\n  attr clone string\n", "taken by the class"),
        ("class A\n  attr set_x string\n", "taken by the class"),
        ("class A\n  attr unset_x string\n", "taken by the class"),
        ("simple L string list\nclass A\n  child t L *\n", "list type"),
        ("class B\nclass A base=B\n  attr x string\nclass C base=A\n  attr x string\n", "share a name"),
    ]

    def test_refused(self):
        for body, text in self.CASES:
            with self.subTest(body=body):
                with self.assertRaises(S.SchemaError) as cm:
                    E.emit(parse(body), "demo.schema", "ooxml/demo.h")
                self.assertIn(text, cm.exception.message)

    # (table body, texts of the header, texts of the source)
    FEATURES = [
        ("class A keep-elements\n  child x A\n", [], ["nimb::cls_may_be_empty | nimb::cls_keep_unknown_elements"]),
        ("class B\nclass A\n  sequence *\n    child x B\n    child y B\n",
         ["class c_inner_A : public nimb::c_binding_t<c_inner_A>", "nimb::ct_complex_multi<c_inner_A> inner_A;"],
         ['nimb::child_kind::group_list, 0, 0, nimb::member<&c_A::inner_A>, nimb::create_object<c_inner_A>, '
          'nullptr, nullptr, 0, c_inner_A::desc, false}']),
        ("class B\ngroup G\n  child x B 1\nclass A\n  use G ?\n  use G * member=more\n",
         ["nimb::ct_complex_optional<c_G> G;", "nimb::ct_complex_multi<c_G> more;", "c_G* get_G();"],
         ['nimb::child_kind::group, 0, 1, nimb::member<&c_A::G>, nimb::create_object<c_G>, nullptr, nullptr, 0, '
          'c_G::desc, false}', 'nimb::child_kind::group_list, 0, 0', 'static const nimb::c_class_desc d{"G"']),
        ("simple S string minLength=1\nclass B\nclass A\n  choice\n    alt x empty\n    alt y S\n    alt z B\n"
         "    alt any\n",
         ["nimb::c_empty_element* get_x();", "table_demo::c_alt_S* get_y();", "nimb::c_any_element* get_any();",
          "class c_alt_S : public nimb::c_binding_t<c_alt_S>"],
         ['{"x", 1001, "x", nimb::create_object<nimb::c_empty_element>}',
          '{nullptr, 0, nullptr, nimb::create_object<nimb::c_any_element>}',
          "nimb::content_kind::simple, nullptr, 0, nullptr, 0, &spec_S(),\n"
          "                                      nimb::member<&table_demo::c_alt_S::content>"]),
        # The kept alternative that takes every element; the checked getter,
        # the selector and the copying setter of each alternative.
        ("class B\nclass A\n  choice none=silent\n    alt z B\n    alt any all\n",
         ["c_B* find_z() const;", "c_B* select_z() { return get_z(); }", "int set_z(const c_B& value);",
          "bool has_z() const { return choice.which() == 0u && choice.object(); }"],
         ['{nullptr, 0, nullptr, nimb::create_object<nimb::c_any_element>, true}',
          "return has_z() ? static_cast<c_B*>(choice.object()) : nullptr;"]),
        # Whether a child is there, and a copy put in its place; the setter of
        # a simple-typed element.
        ("class B\nclass A\n  child b B\n  child n uint\n",
         ["bool has_b() const { return b.has(); }", "int set_b(const c_B& value);",
          "int set_n(unsigned value) { return n.set(value); }"], ["*b.get() = value;"]),
        # A document element in another namespace than the table's elements,
        # written with its attributes on one line.
        ("class A\nroot r:top A c_top attributes=inline\n", [],
         ['nimb::marshal_document(*this, "r:top", out, error, nimb::attribute_layout::inline_)',
          'nimb::unmarshal_document(reader, *this, 1000, "top")']),
        ("class A\n  child t string 0..3\n", ["std::vector<nimb::c_simple<std::u16string>> t;"],
         ['{"t", 1001, "t", nimb::child_kind::simple_list, 0, 3, nimb::member<&c_A::t>, nullptr, &spec_string(), '
          'nullptr, 0, nullptr, false}']),
        ("simple D double minExclusive=1 max=2.5\nclass A\n  attr d D\n", [],
         ["static const nimb::c_double_bounds bounds{true, 1.0, false, true, 2.5, true};",
          "nimb::validate_double_range(reader, text, bounds)"]),
        ("simple L string length=3\nsimple M narrow maxLength=9\nclass A\n  attr l L\n  attr m M\n", [],
         ["nimb::check_string_length(reader, *value, 3, 3)", "nimb::check_string_length(reader, *value, -1, 9)",
          "nimb::enimb_error check_M_value(nimb::c_xml_reader& reader, const std::string* value)"]),
        ("simple E string check=v maxLength=4\n  enum a bbbbb\nclass A\n  attr e E\n", [],
         ["    if (nimb::enimb_error e = v(reader, value)) return e;\n"
          "    return nimb::check_string_length(reader, *value, -1, 4);"]),
        ("class B\n  attr x string\n  child p B\nclass A base=B\n  attr y string\n  child q B\n",
         ["class c_A : public c_B {", "nimb::c_binding* clone() const override { return new c_A(*this); }",
          "const nimb::c_class_desc& descriptor() const override { return desc(); }"],
         ['{"x", 1, "x", false, &spec_string(), nimb::member<&c_B::x>},\n'
          '        {"y", 1, "y", false, &spec_string(), nimb::member<&c_A::y>},',
          'nimb::member<&c_B::p>', 'nimb::member<&c_A::q>']),
    ]

    def test_features(self):
        for body, in_header, in_source in self.FEATURES:
            with self.subTest(body=body):
                header, source = E.emit(parse(body), "demo.schema", "ooxml/demo.h")
                for text in in_header:
                    self.assertIn(text, header)
                for text in in_source:
                    self.assertIn(text, source)

    def test_derived_after_base(self):
        header, _ = E.emit(parse("class A base=B\nclass B\n  attr x string\n"), "demo.schema", "ooxml/demo.h")
        self.assertLess(header.index("class c_B "), header.index("class c_A "))

    def test_recursive_classes(self):
        s = parse("""\
            class Group
              child grp Group *
              choice *
                alt a Leaf
                alt b Group
            class Leaf
              child up Group
            """)
        header, source = E.emit(s, "demo.schema", "ooxml/demo.h")
        self.assertIn("nimb::ct_complex_multi<c_Group> grp;", header)
        self.assertIn("nimb::create_object<c_Group>, nullptr, nullptr, 0, nullptr, false}", source)
        self.assertIn('{"b", 1001, "b", nimb::create_object<c_Group>}', source)

    def test_hooks(self):
        s = parse("""\
            class A hook=write_children
              child x B ?
            class B hook=read_children,write_children
              attr y string
            """)
        header, source = E.emit(s, "demo.schema", "ooxml/demo.h")
        self.assertIn("nimb::enimb_error hook_A_write_children(nimb::c_xml_writer& writer, "
                      "const nimb::c_binding& object);", header)
        self.assertIn("bool hook_B_read_children(nimb::c_xml_reader& reader, nimb::c_binding& object, "
                      "nimb::enimb_error& error);", header)
        self.assertIn("static const nimb::c_class_hooks hooks{nullptr, hook_A_write_children};", source)
        self.assertIn("static const nimb::c_class_hooks hooks{hook_B_read_children, hook_B_write_children};", source)
        self.assertEqual(2, source.count(", &hooks};"))

    # The texts looked for in the emitted code are the runtime's own
    # declarations (xmlbind/nimb), as the compile check holds them; what the
    # generated classes do is tested in tests/ooxml/features_test.cpp.
    def test_emitted_shapes(self):
        s = parse("""\
            simple Small uint minExclusive=0 max=9
            simple Hex3 hexBinary length=3
            class Item
              attr n Small default=5
              attr h Hex3
              attr flag bool default=true
              attr text string default="a \\"b\\" \u00e9"
            class Owner
              child item Item 1 create
              child items Item *
              choice
                alt a Item
                alt b Item
              any *
            class Wrapped
              any 1 namespace=any
            group Colour
              choice item=Colour
                alt c Item
            class Swatch
              use Colour 1 create member=colour
            root owner Owner c_owner
            """)
        header, source = E.emit(s, "demo.schema", "ooxml/demo.h")
        for text in ["nimb::c_simple<unsigned> n{5u};", "nimb::c_simple<bool> flag{true};",
                     'std::u16string(u"a \\"b\\" \\u00e9")', "nimb::ct_complex_optional<c_Item> item;",
                     "nimb::ct_complex_multi<c_Item> items;", "nimb::c_choice choice{2};", "nimb::c_any_list any;",
                     "class c_owner : public c_Owner"]:
            self.assertIn(text, header)
        for text in ['nimb::c_big_int low("1"), high("9")', "nimb::check_binary_length(reader, *value, 3)",
                     "    item.get();\n", "c_Swatch::c_Swatch()\n{\n    colour.get();\n}",
                     "nimb::child_kind::any_list, 0, 0",
                     "nimb::ns_any_namespace, \"\", nimb::child_kind::any, 1, 1",
                     'nimb::unmarshal_document(reader, *this, 1001, "owner")']:
            self.assertIn(text, source)
        self.assertIn("static const nimb::c_class_desc d{\"Owner\"", source)
        # Classes come after the classes they hold.
        self.assertLess(header.index("class c_Item "), header.index("class c_Owner "))
        self.assertEqual("", compile_errors({"ooxml/demo.h": header, "demo.cpp": source}))


class ImportTable(unittest.TestCase):
    """Tables that use each other's classes and simple types."""

    OTHER = HEADER.replace("ooxml/demo", "ooxml/other") + """\
import demo
simple Level string check=validate_level
  enum low high
simple Small ubyte check=validate_small max=9
class Point
  attr x Level
  child inner Box
"""
    FOREIGN = """\
namespace far
label ooxml/far
ns 1000 r http://example.com/rel
ns 1001 - http://example.com/main
elements 1001
import demo
import other
class Remote base=Box
  attr y Small
"""
    DUP = HEADER.replace("ooxml/demo", "ooxml/dup") + "simple Small uint\n"

    def parse(self, body, **more):
        tables = {"other": self.OTHER, "far": self.FOREIGN, "dup": self.DUP}
        tables.update(more)
        return S.parse(HEADER + textwrap.dedent(body), "demo.schema", tables)

    def test_names_resolve_across_tables(self):
        s = self.parse("""\
            import other
            class Box
              attr level Level default=low
              attr small Small
              child p Point *
            """)
        box = s.classes["Box"]
        other = s.imported[0]
        self.assertEqual("other", other.stem)
        self.assertIs(other.simple_types["Level"], box.attrs[0].type)
        self.assertIs(other.classes["Point"], box.particles[0].type)
        # and back: the other table uses this one's class
        self.assertIs(box, other.classes["Point"].particles[0].type)
        self.assertIs(s, other.imported[0])

    def test_faults(self):
        cases = [
            ("import nosuch\n", 6, "no table 'nosuch'"),
            ("import other\nimport other\nclass Box\n", 7, "imported twice"),
            ("import demo\n", 6, "imported twice or by itself"),
            ("import other\nclass Box\nclass Point\n", 8, "defined in other too"),
            ("import other\nimport dup\nclass Box\nclass A\n  attr x Small\n", 10,
             "'Small' is defined in other and dup"),
            ("import other\nclass Box\n  attr x Nothing\n", 8, "unknown simple type"),
        ]
        for body, line, text in cases:
            with self.subTest(body=body):
                with self.assertRaises(S.SchemaError) as cm:
                    self.parse(body)
                self.assertIn(text, cm.exception.message)
                self.assertEqual(line, cm.exception.line)

    def test_namespace_ids_agree(self):
        other = self.OTHER.replace("ns 1000 r", "ns 1002 r")
        with self.assertRaises(S.SchemaError) as cm:
            self.parse("import other\nclass Box\n", other=other)
        self.assertIn("must have id 1002 here", cm.exception.message)

    def test_emitted(self):
        s = self.parse("""\
            import other
            import far
            include ooxml/hand.h
            class Box
              attr level Level default=low
              attr small Small
              child p Point *
              member tally std::vector<int>
            class Holder
              child r Remote
            """)
        header, source = E.emit(s, "demo.schema", "ooxml/demo.h")
        # The own checks are public; the imported ones are not defined again.
        self.assertNotIn("validate_level(nimb", header + source)
        self.assertIn("nullptr, validate_small, nullptr, nimb::from_string_uchar", source)
        self.assertIn('#include "ooxml/hand.h"', header)
        self.assertIn("    std::vector<int> tally;  // read and written by the hooks\n", header)
        # Tables that share the namespace keep their file names apart.
        self.assertIn("namespace table_demo {", header)
        self.assertNotIn("using table_demo::source_label;", header)
        self.assertIn("class c_Point;  // other\n", header)
        self.assertIn("namespace far {\nclass c_Remote;\n}", header)
        self.assertIn("nimb::ct_complex_optional<::far::c_Remote> r;", header)
        self.assertTrue(header.rstrip().endswith('#include "ooxml/other.h"\n#include "ooxml/far.h"'))
        other_header, other_source = E.emit(s.imported[0], "other.schema", "ooxml/other.h")
        self.assertIn("nimb::enimb_error validate_level(nimb::c_xml_reader& reader, const std::u16string* value);",
                      other_header)
        self.assertIn("nimb::enimb_error validate_small(nimb::c_xml_reader& reader, const std::string& text);",
                      other_header)
        self.assertIn('static const nimb::c_big_int low("0"), high("9");', other_source)
        far_header, far_source = E.emit(s.imported[1], "far.schema", "ooxml/far.h")
        # A base of another table comes first; another namespace is named in full.
        self.assertIn('#include "nimb/binding.h"\n#include "ooxml/demo.h"\n', far_header)
        self.assertIn("class c_Remote : public ::demo::c_Box {", far_header)
        self.assertIn("nimb::member<&::demo::c_Box::level>", far_source)
        self.assertIn("nullptr, ::demo::validate_small, nullptr, nimb::from_string_uchar", far_source)
        self.assertIn("using table_far::source_label;", far_header)
        self.assertEqual("", compile_errors({
            "ooxml/demo.h": header, "demo.cpp": source, "ooxml/other.h": other_header, "other.cpp": other_source,
            "ooxml/far.h": far_header, "far.cpp": far_source,
            "ooxml/hand.h": "#pragma once\n#include <vector>\n"}))

    def test_member_faults(self):
        for body, text in [("class A\n  member 1x int\n", "member needs"),
                           ("class A\n  member x int;\n", "bad C++ type"),
                           ("class A\n  attr x string\n  member x int\n", "given twice"),
                           ("class A\n  sequence *\n    member x int\n", "belongs to the class")]:
            with self.subTest(body=body):
                with self.assertRaises(S.SchemaError) as cm:
                    parse(body)
                self.assertIn(text, cm.exception.message)


class ProjectTables(unittest.TestCase):
    """The tables of the project read without fault and keep the shapes the
    readers and writers depend on."""

    def load(self, name):
        return S.load(os.path.join(ROOT, "ooxml", name + ".schema"))

    def test_all_tables_read(self):
        for f in sorted(os.listdir(os.path.join(ROOT, "ooxml"))):
            if f.endswith(".schema"):
                with self.subTest(table=f):
                    s = S.load(os.path.join(ROOT, "ooxml", f))
                    # A table without a root is there for others to import.
                    self.assertTrue(s.roots or s.imported)
                    E.emit(s, f, "ooxml/%s.h" % s.stem)

    def test_workbook_empty_elements(self):
        s = self.load("sml-workbook")
        allowed = sorted(c.name for c in s.classes.values() if c.content == "complex" and c.may_be_empty)
        # bookViews and sheets are read when empty: files with empty lists are
        # opened by the applications.
        self.assertEqual(["CT_BookView", "CT_BookViews", "CT_CustomWorkbookView", "CT_DefinedNames",
                          "CT_ExtensionList", "CT_FunctionGroups", "CT_Sheets", "CT_SmartTagTypes",
                          "EG_ExtensionList"], allowed)

    def test_workbook_sequence(self):
        wb = self.load("sml-workbook").classes["CT_Workbook"]
        self.assertEqual(19, len(wb.particles))
        sheets = wb.particles[5]
        self.assertEqual(("sheets", 1, 1, True), (sheets.element, sheets.occurs.min, sheets.occurs.max, sheets.create))
        self.assertEqual(["fileRecoveryPr"], [p.element for p in wb.particles if p.occurs.repeated])


if __name__ == "__main__":
    checklib.unittest_main()
