#include "nimb/reader.h"

#include "test_support.h"
#include "xml_test_support.h"

using namespace nimb;
using nimb_test::recording_sink;
using nimb_test::utf16_bytes;

namespace {

struct outcome {
    std::string trace;  // events: <name a=v ...> or />, [text], </name>
    unsigned code;      // the binding-level code of the first failure, 0 when none
    unsigned raised;    // the last code raised on the sink, 0 when none
    int line;           // XML line of the failure, -1 when none
};

// Reads a whole document event by event, as a driver would, and records
// what it saw. A failure ends the walk; a fatal sink error is the cause.
outcome walk(const std::string& doc)
{
    c_xml_reader_memory r(doc.data(), doc.size());
    outcome o{"", 0, 0, -1};
    int depth = 0;
    auto fail = [&](enimb_error code) {
        o.code = r.capture_error(code, r.current_name(), "test", 0);
        if (r.sink().has_fatal()) o.code = r.sink().last_code;
        o.line = r.error_record().xml_line;
    };
    for (;;) {
        enimb_error err;
        std::string name;
        int t = r.scan_element_event(err, name);
        if (t == tok_end_of_document) {
            if (depth > 0 || r.sink().has_fatal()) fail(err);
            break;
        }
        if (t == tok_text) {
            o.trace += "[" + r.value_text() + "]";
            continue;
        }
        if (t == tok_element_end) {
            o.trace += "</" + name + ">";
            --depth;
            continue;
        }
        if (t != tok_name) {
            fail(err);
            break;
        }
        r.current_name() = name;
        o.trace += "<" + name;
        std::string attr, value;
        int a;
        bool bad = false;
        while ((a = r.next_attribute(attr)) == tok_name) {
            if (!r.get_attribute_text(value, ws_preserve)) {
                fail(e_unable_to_read_attribute);
                bad = true;
                break;
            }
            o.trace += " " + attr + "=" + value;
        }
        if (bad) break;
        if (a == tok_start_tag_end) {
            o.trace += ">";
            ++depth;
        } else if (a == tok_element_end) {
            o.trace += "/>";
        } else {
            fail(r.sink().last_code);
            break;
        }
    }
    o.raised = r.sink().last_code;
    return o;
}

}  // namespace

TEST(PullReader, SmallDocuments)
{
    struct Case {
        const char* what;
        std::string doc;
        const char* trace;
        unsigned code;
        unsigned raised;
        int line;
    };
    const std::string dtd_e = "<!DOCTYPE a [<!ENTITY e \"hello\">]>";
    const Case cases[] = {
        // Encodings and declarations.
        {"plain utf-8", "<a>x</a>", "<a>[x]</a>", 0, 0, -1},
        {"utf-8 with mark and declaration", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<a>x</a>",
         "<a>[x]</a>", 0, 0, -1},
        {"utf-16 le with mark", utf16_bytes(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a b=\"\u00E9\">\U0001F600</a>", false, true),
         "<a b=\xC3\xA9>[\xF0\x9F\x98\x80]</a>", 0, 0, -1},
        {"utf-16 be without mark", utf16_bytes(u"<?xml version='1.0'?><a/>", true, false), "<a/>", 0, 0, -1},
        {"ucs-2 declared", utf16_bytes(u"<?xml version='1.0' encoding='ISO-10646-UCS-2'?><a>\u00E9</a>", false, false),
         "<a>[\xC3\xA9]</a>", 0, 0, -1},
        {"latin-1 declared", "<?xml version='1.0' encoding='ISO-8859-1'?><a>\xE9</a>", "<a>[\xC3\xA9]</a>", 0, 0, -1},
        {"lower-case utf-8 declared", "<?xml version='1.0' encoding='utf-8'?><a/>", "<a/>", 0, 0, -1},
        {"version 1.1", "<?xml version='1.1'?><a/>", "<a/>", 0, 0, -1},
        {"utf-16 declared in utf-8", "<?xml version='1.0' encoding='UTF-16'?><a/>", "", 15, 15, 1},
        {"unknown encoding", "<?xml version='1.0' encoding='EBCDIC'?><a/>", "", 6, 6, 1},
        {"first byte a letter", "a<b/>", "", 6, 6, 1},
        {"version 2.0", "<?xml version='2.0'?><a/>", "", 14, 14, 1},
        {"version missing", "<?xml encoding='UTF-8'?><a/>", "", 13, 13, 1},
        {"pseudo-attributes out of order", "<?xml version='1.0' standalone='yes' encoding='UTF-8'?><a/>", "", 13, 13, 1},
        {"declaration after an element", "<a>\n<?xml version='1.0'?></a>", "<a>", 13, 13, 2},
        {"declaration after a doctype", "<!DOCTYPE a><?xml version='1.0'?><a/>", "", 13, 13, 1},
        {"other processing instructions are skipped", "<?pi x?><a><?pi y?>t</a>", "<a>[t]</a>", 0, 0, -1},
        // Malformed characters.
        {"encoded surrogate in text", "<a>\n\xED\xA0\x80</a>", "<a>", 6, 6, 2},
        {"bad continuation byte late in a sequence", "<a>\xF0\x9F\x98\x41</a>", "<a>", 6, 6, 1},
        {"next line and line separator kept, not line ends", "<a>\xC2\x85\xE2\x80\xA8<b/\n></a>", "<a>[\xC2\x85\xE2\x80\xA8]<b/></a>", 0, 0, -1},
        {"line count with cr and crlf", "<a>\r\n<b>\r<c>\r\n", "<a><b><c>", 34, 0, 4},
        // References.
        {"character references", "<a>&#x41;&#65;&#x10FFFF;</a>", "<a>[AA\xF4\x8F\xBF\xBF]</a>", 0, 0, -1},
        {"reference without semicolon before a tag", "<a>&#65</a>", "<a>[A]</a>", 0, 0, -1},
        {"reference beyond unicode", "<a>&#x110000;</a>", "<a>", 29, 0, 1},
        {"reference to nul", "<a>&#0;</a>", "<a>", 29, 0, 1},
        {"reference to a surrogate", "<a x='&#xD800;'/>", "<a", 28, 0, 1},
        {"predefined entities", "<a x='&lt;&gt;&amp;&apos;&quot;'>&lt;&amp;</a>", "<a x=<>&'\">[<&]</a>", 0, 0, -1},
        {"internal entity in content", dtd_e + "<a>&e;!</a>", "<a>[hello!]</a>", 0, 0, -1},
        {"internal entity in an attribute", dtd_e + "<a x='(&e;)'/>", "<a x=(hello)/>", 0, 0, -1},
        {"entity whose text is markup", "<!DOCTYPE a [<!ENTITY e \"<b/>\">]><a>&e;</a>", "<a><b/></a>", 0, 0, -1},
        {"entity using another", "<!DOCTYPE a [<!ENTITY f 'F'><!ENTITY e '&f;&f;'>]><a>&e;</a>", "<a>[FF]</a>", 0, 0, -1},
        {"recursive entity in content", "<!DOCTYPE a [<!ENTITY e 'x&e;'>]><a>&e;</a>", "<a>", 9, 9, 1},
        {"recursive entity in an attribute", "<!DOCTYPE a [<!ENTITY e 'x&e;'>]><a x='&e;'/>", "<a", 9, 9, 1},
        {"undefined entity in an attribute", "<a x='&nope;'/>", "<a", 28, 0, 1},
        {"undefined entity in text", "<a>\n&nope;</a>", "<a>", 29, 0, 2},
        {"bare ampersand", "<a>x & y</a>", "<a>", 29, 0, 1},
        {"parameter entity", "<!DOCTYPE a [<!ENTITY % p \"<!ENTITY e 'pv'>\"> %p;]><a>&e;</a>", "<a>[pv]</a>", 0, 0, -1},
        {"undefined parameter entity", "<!DOCTYPE a [%q;]><a/>", "<a/>", 0, 41, -1},
        {"external entity is ignored", "<!DOCTYPE a [<!ENTITY e SYSTEM 'x.ent'>]><a/>", "<a/>", 0, 17, -1},
        {"entity value not quoted", "<!DOCTYPE a [<!ENTITY e FOO>]><a/>", "<a/>", 0, 33, -1},
        {"bad character in the subset", "<!DOCTYPE a [\n x]><a/>", "", 9, 9, 2},
        {"subset not closed by >", "<!DOCTYPE a [] x<a/>", "", 9, 9, 1},
        {"doctype after an element", "<a><!DOCTYPE a></a>", "<a>", 9, 9, 1},
        {"second doctype", "<!DOCTYPE a><!DOCTYPE a><a/>", "", 9, 9, 1},
        {"doctype with external id and comments", "<!DOCTYPE a SYSTEM \"a[.dtd\" [<!-- c --><!ELEMENT a (#PCDATA)>]><a/>", "<a/>", 0, 0, -1},
        // Comments and CDATA.
        {"comments are skipped", "<!-- c --><a><!-- d -->t<!-- e --></a>", "<a>[t]</a>", 0, 0, -1},
        {"comment closed by three dashes", "<a><!-- c ---></a>", "<a></a>", 0, 8, -1},
        {"cdata", "<a><![CDATA[<x>&amp;]]]></a>", "<a>[<x>&amp;]]</a>", 0, 0, -1},
        {"cdata joined to text", "<a>x<![CDATA[y]]>z</a>", "<a>[xyz]</a>", 0, 0, -1},
        {"bad cdata keyword", "<a><![CDATX[y]]></a>", "<a>", 23, 23, 1},
        // Tags.
        {"attributes in both quotes", "<a x='1' y=\"2\"/>", "<a x=1 y=2/>", 0, 0, -1},
        {"start and end tag", "<a x='1'></a >", "<a x=1></a>", 0, 0, -1},
        {"blank between / and >", "<a/ >", "<a/>", 0, 0, -1},
        {"character between / and >", "<a><b/x></a>", "<a><b", 12, 12, 1},
        {"attribute without =", "<a x '1'/>", "", 23, 23, 1},
        {"attribute not quoted", "<a x=1/>", "", 23, 23, 1},
        {"end of input in a value", "<a x='1", "", 34, 34, 1},
        {"junk in an end tag", "<a></a x>", "<a>", 23, 23, 1},
        {"empty end tag name", "<a></>", "<a>", 23, 23, 1},
        {"bad tag start", "<a>\n<1/></a>", "<a>", 23, 23, 2},
        {"premature end", "<a>\n<b>\n", "<a><b>", 34, 0, 3},
    };
    for (const auto& c : cases) {
        outcome o = walk(c.doc);
        EXPECT_EQ(o.trace, c.trace) << c.what;
        EXPECT_EQ(o.code, c.code) << c.what;
        EXPECT_EQ(o.raised, c.raised) << c.what;
        EXPECT_EQ(o.line, c.line) << c.what;
    }
}

TEST(PullReader, ParserMessages)
{
    struct Case {
        std::string doc;
        const char* message;
    };
    const Case cases[] = {
        {"<!DOCTYPE a [<!ENTITY e 'x&e;'>]><a>&e;</a>", "0:9:1:Recursive entity definition for: e"},
        {"<!DOCTYPE a [%q;]><a/>", "1:41:1:Entity '%q' not found"},
        {"<!DOCTYPE a [<!ENTITY e PUBLIC 'p'>]><a/>", "2:17:1:External Entity definitions not supported"},
        {"<!DOCTYPE a [<!ENTITY e FOO>]><a/>", "1:33:1:Unexpected value in Entity definition: FOO"},
        {"<!DOCTYPE a [ x]><a/>", "0:9:1:DTD not Well Formed (got x)"},
        {"<!DOCTYPE a []x<a/>", "0:9:1:DTD not Well Formed (expected '>', got x)"},
        {"<a><!-- c ---></a>", "2:8:1:End of comment not Well-Formed"},
        {"<?xml version='2.0'?><a/>", "1:14:1:XML version 2.0 not understood"},
        {"<?xml encoding='UTF-8'?><a/>", "1:13:1:Version not present in XML Decl"},
        {"<a/><?xml version='1.0'?>", "0:13:1:XML declaration not at start of document"},
        {"<a/><!DOCTYPE a>", "1:9:1:Document Type Declaration not at start of document"},
        {"<a x '1'/>", "0:23:1:Schema is not Well Formed (expected '=', got ''')"},
        {"<a x=1/>", "0:23:1:Schema is not Well Formed (expected '\"' or ''', got 1)"},
        {"<a x='1'y='2'/>", "0:23:1:Schema is not Well Formed (expected white space before the attribute, got y)"},
        {"<a/x>", "1:12:1:Illegal character(s) after / at end of tag - x"},
        {"<?xml version='1.0' encoding='UTF-16'?>", "0:15:1:Mis-match between specfied encoding and byte format"},
        {"<?xml version='1.0' encoding='X'?>", "0:6:1:Unknown character encoding specified"},
        {"x", "0:6:1:Unrecognised character encoding"},
    };
    for (const auto& c : cases) {
        recording_sink sink;
        c_xml_reader_memory r(c.doc.data(), c.doc.size(), &sink);
        enimb_error err;
        std::string name, value;
        for (int i = 0; i < 8; ++i) {
            int t = r.scan_element_event(err, name);
            if (t == tok_name) {
                while (r.next_attribute(name) == tok_name) r.get_attribute_text(value, ws_preserve);
            } else if (t == tok_end_of_document) {
                break;
            }
        }
        ASSERT_FALSE(sink.messages.empty()) << c.doc;
        EXPECT_EQ(sink.messages.front(), c.message) << c.doc;
    }
}

TEST(PullReader, DoctypeRefusedWhenAsked)
{
    // Package parts may hold no document type declaration: a reader that
    // refuses one stops at it, whatever it declares, before any expansion.
    c_reader_limits limits;
    limits.refuse_doctype = true;
    const std::string bomb = "<!DOCTYPE a [<!ENTITY e 'x'><!ENTITY f '&e;&e;&e;&e;'>]><a>&f;</a>";
    for (const std::string& doc : {std::string("<!DOCTYPE a><a/>"), bomb,
                                   std::string("<?xml version='1.0'?>\n<!-- c --><!DOCTYPE a SYSTEM 'a.dtd'><a/>")}) {
        recording_sink sink;
        c_xml_reader_memory r(doc.data(), doc.size(), &sink, limits);
        enimb_error err;
        std::string name;
        EXPECT_NE(r.scan_element_event(err, name), tok_name) << doc;
        EXPECT_TRUE(sink.has_fatal()) << doc;
        EXPECT_EQ(sink.last_code, 9u) << doc;
        ASSERT_FALSE(sink.messages.empty()) << doc;
        EXPECT_NE(sink.messages.front().find("Document Type Declaration not allowed"), std::string::npos) << doc;
    }
    // Without one the document reads as before.
    const std::string plain = "<?xml version='1.0'?><a x='1'/>";
    c_xml_reader_memory r(plain.data(), plain.size(), nullptr, limits);
    enimb_error err;
    std::string name;
    EXPECT_EQ(r.scan_element_event(err, name), tok_name);
    EXPECT_EQ(name, "a");
}

TEST(PullReader, WhiteSpaceModes)
{
    struct Case {
        const char* value;
        int mode;
        const char* text;
    };
    const Case cases[] = {
        {" a\tb \n c ", ws_preserve, " a\tb \n c "},
        {" a\tb \n c ", ws_replace, " a b   c "},
        {" a\tb \n c ", ws_collapse, "a b c"},
        {"  12  ", ws_collapse, "12"},
        {"&#32;x&#9;y", ws_collapse, "x y"},
        {"\xC3\xA9 \xC3\xA9", ws_collapse, "\xC3\xA9 \xC3\xA9"},
    };
    for (const auto& c : cases) {
        std::string doc = std::string("<a v='") + c.value + "'>" + c.value + "</a>";
        c_xml_reader_memory r(doc.data(), doc.size());
        enimb_error err;
        std::string name, attr, text;
        ASSERT_EQ(r.scan_element_event(err, name), tok_name);
        ASSERT_EQ(r.next_attribute(attr), tok_name);
        ASSERT_TRUE(r.get_attribute_text(text, c.mode));
        EXPECT_EQ(text, c.text) << c.value << " mode " << c.mode;
        ASSERT_EQ(r.next_attribute(attr), tok_start_tag_end);
        ASSERT_TRUE(r.get_element_text(text, c.mode));
        EXPECT_EQ(text, c.text) << c.value << " mode " << c.mode;
        EXPECT_TRUE(r.match_end_tag("a"));
    }
}

TEST(PullReader, NamespacesHaveStrictElementScope)
{
    static const c_ns_entry table[] = {{1000, "r", "urn:rel"}, {1001, "", "urn:main"}, {0, nullptr, nullptr}};
    const std::string doc =
        "<w xmlns='urn:main' xmlns:r='urn:rel'>"
        "<a xmlns:p='urn:p' p:x='1' r:id='2' y='3' xsi:nil='true' xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'/>"
        "<p:b/><q:c/><d xmlns=''/><e xmlns:r=''><r:f/></e><xml:g/><h xmlns:z='urn:p'/></w>";
    c_xml_reader_memory r(doc.data(), doc.size());
    r.set_ns_map(table);
    struct Expect {
        const char* name;
        int ns_id;
        const char* uri;
    };
    const Expect elements[] = {
        {"w", 1001, "urn:main"}, {"a", 1001, "urn:main"}, {"p:b", 0, " "}, {"q:c", 0, " "}, {"d", 1, ""},
        {"e", 1001, "urn:main"}, {"r:f", 0, " "}, {"xml:g", 2, "http://www.w3.org/XML/1998/namespace"},
        {"h", 1001, "urn:main"},
    };
    std::size_t next = 0;
    enimb_error err;
    std::string name;
    for (int t = r.scan_element_event(err, name); t != tok_end_of_document; t = r.scan_element_event(err, name)) {
        if (t != tok_name) continue;
        ASSERT_LT(next, std::size(elements));
        const Expect& e = elements[next++];
        EXPECT_EQ(name, e.name);
        EXPECT_EQ(r.get_element_ns_id(), e.ns_id) << e.name;
        std::string uri;
        r.get_element_namespace(uri);
        EXPECT_EQ(uri, e.uri) << e.name;
        if (name == "a") {
            const std::pair<const char*, unsigned> attrs[] = {{"p:x", 1002}, {"r:id", 1000}, {"y", 1}, {"xsi:nil", 5}};
            for (const auto& a : attrs) {
                std::string attr;
                ASSERT_EQ(r.next_attribute(attr), tok_name);
                EXPECT_EQ(attr, a.first);
                EXPECT_EQ(r.name_record().ns_id, a.second) << a.first;
                std::string v;
                r.get_attribute_text(v, ws_preserve);
            }
        }
        while (r.next_attribute(name) == tok_name) {
        }
    }
    EXPECT_EQ(next, std::size(elements));
}

TEST(PullReader, TokenisesAgainstATable)
{
    static const c_token_entry table[] = {
        {1, "name", 4, 69}, {1, "sheetId", 7, 70}, {1000, "id", 2, 72}, {1001, "sheet", 5, 68}, {0, nullptr, 1, 1}};
    static const c_ns_entry ns[] = {{1000, "r", "urn:rel"}, {1001, "", "urn:main"}, {0, nullptr, nullptr}};
    const std::string doc =
        "<sheet xmlns='urn:main' xmlns:r='urn:rel' xmlns:x='urn:x' xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' "
        "name='a' sheetId='1' r:id='2' x:name='3' names='4' xsi:type='t' xsi:nil='1' xsi:schemaLocation='l' "
        "xsi:noNamespaceSchemaLocation='n' xsi:other='o'/>";
    c_xml_reader_memory r(doc.data(), doc.size());
    r.set_ns_map(ns);
    enimb_error err;
    std::string name;
    ASSERT_EQ(r.get_element_event(table, err, name), 68);
    const int expected[] = {69, 70, 72, 1, 1, 8, 9, 10, 11, 1};
    for (int want : expected) {
        ASSERT_EQ(r.next_attribute(name), tok_name);
        r.tokenise(table, false);
        EXPECT_EQ(r.token(), want) << name;
        std::string v;
        r.get_attribute_text(v, ws_preserve);
    }
    EXPECT_EQ(r.next_attribute(name), tok_element_end);
}

TEST(PullReader, KeepsAnElementAsMarkup)
{
    struct Case {
        std::string doc;  // the element to keep is the first child of r
        const char* markup;
        bool ok;
    };
    const Case cases[] = {
        {"<r><x:a xmlns:x='urn:x' k=\"v\"/></r>", "<x:a xmlns:x='urn:x' k=\"v\"/>", true},
        {"<r><a b='1'   c=\"&amp;\">t&lt;<![CDATA[<c>]]><!--n--><?p q?><d\ne='2'>u</d></a></r>",
         "<a b='1' c=\"&amp;\">t&lt;<![CDATA[<c>]]><!--n--><?p q?><d e='2'>u</d></a>", true},
        {"<r><a><a/><a>x</a></a></r>", "<a><a/><a>x</a></a>", true},
        {"<r><a><b></a></b></r>", "", false},
        {"<r><a><b>", "", false},
        {"<r><a>< b/></a></r>", "", false},
    };
    for (const auto& c : cases) {
        c_xml_reader_memory r(c.doc.data(), c.doc.size());
        enimb_error err;
        std::string name, out;
        ASSERT_EQ(r.scan_element_event(err, name), tok_name);
        ASSERT_EQ(r.next_attribute(name), tok_start_tag_end);
        ASSERT_EQ(r.scan_element_event(err, name), tok_name);
        bool ok = r.get_element_xml(name, out, ws_preserve);
        EXPECT_EQ(ok, c.ok) << c.doc;
        if (c.ok) {
            EXPECT_EQ(out, c.markup);
            EXPECT_EQ(r.scan_element_event(err, name), tok_element_end);
            EXPECT_EQ(name, "r");
        }
    }
}

TEST(PullReader, CollectsDeclarationsInForce)
{
    const std::string doc = "<r xmlns='urn:a' xmlns:p='urn:p'><s xmlns:p='urn:q' xmlns:t='urn:t'><k/></s></r>";
    c_xml_reader_memory r(doc.data(), doc.size());
    enimb_error err;
    std::string name;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(r.scan_element_event(err, name), tok_name);
        if (i < 2) r.finish_start_tag();
    }
    c_any_info info;
    r.collect_declarations(info);
    const std::vector<std::pair<std::string, std::string>> expected = {{"", "urn:a"}, {"p", "urn:q"}, {"t", "urn:t"}};
    EXPECT_EQ(info.declarations, expected);
}

TEST(PullReader, SkipsAnElementAndReportsMismatchedTags)
{
    recording_sink sink;
    const std::string doc = "<r><a><b x='1'><c/>t</b></a><z/></r>";
    c_xml_reader_memory r(doc.data(), doc.size(), &sink);
    enimb_error err;
    std::string name;
    r.scan_element_event(err, name);
    r.finish_start_tag();
    r.scan_element_event(err, name);
    r.current_name() = name;
    EXPECT_TRUE(r.skip_element());
    EXPECT_EQ(r.scan_element_event(err, name), tok_name);
    EXPECT_EQ(name, "z");

    const std::string bad = "<a><c></b></a>";
    c_xml_reader_memory r2(bad.data(), bad.size(), &sink);
    r2.scan_element_event(err, name);
    r2.current_name() = name;
    EXPECT_FALSE(r2.skip_element());
    ASSERT_FALSE(sink.messages.empty());
    EXPECT_EQ(sink.messages.back(), "1:23:1:Element start tag (c) and end tag (b) do not match");
}

namespace {

// Every hostile document must fail with a code (the test's time limit
// catches a hang; bench/ measures the time).
void expect_refused(const std::string& doc, unsigned code)
{
    outcome o = walk(doc);
    EXPECT_EQ(o.code, code);
}

std::string nested(std::size_t depth, const char* open, const char* close)
{
    std::string doc;
    doc.reserve(depth * 8);
    for (std::size_t i = 0; i < depth; ++i) doc += open;
    for (std::size_t i = 0; i < depth; ++i) doc += close;
    return doc;
}

}  // namespace

TEST(PullReader, HostileDocumentsFailWithACode)
{
    std::string bomb = "<!DOCTYPE a [<!ENTITY l0 'lollollollollol'>";
    for (int i = 1; i < 10; ++i) {
        std::string prev = "&l" + std::to_string(i - 1) + ";";
        bomb += "<!ENTITY l" + std::to_string(i) + " '";
        for (int k = 0; k < 10; ++k) bomb += prev;
        bomb += "'>";
    }
    bomb += "]>";
    expect_refused(bomb + "<a>&l9;</a>", e_bad_dtd);
    expect_refused(bomb + "<a x='&l9;'/>", e_bad_dtd);

    std::string pbomb = "<!DOCTYPE a [<!ENTITY % p0 'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx'>";
    for (int i = 1; i < 12; ++i) {
        std::string prev = "%p" + std::to_string(i - 1) + ";";
        pbomb += "<!ENTITY % p" + std::to_string(i) + " '" + prev + prev + prev + prev + prev + prev + prev + prev + "'>";
    }
    expect_refused(pbomb + "]><a/>", e_bad_dtd);

    std::string chain = "<!DOCTYPE a [<!ENTITY e0 'x'>";
    for (int i = 1; i < 40; ++i) chain += "<!ENTITY e" + std::to_string(i) + " '&e" + std::to_string(i - 1) + ";'>";
    expect_refused(chain + "]><a>&e39;</a>", e_bad_dtd);

    expect_refused(nested(1000000, "<a>", "</a>"), e_not_well_formed);
}

TEST(PullReader, DeepContentKeptOrSkippedIsRefused)
{
    const std::string deep = "<r>" + nested(1000000, "<k>", "</k>") + "</r>";
    for (int keep = 0; keep < 2; ++keep) {
        c_xml_reader_memory r(deep.data(), deep.size());
        enimb_error err;
        std::string name, out;
        r.scan_element_event(err, name);
        r.finish_start_tag();
        r.scan_element_event(err, name);
        r.current_name() = name;
        EXPECT_FALSE(keep ? r.get_element_xml(name, out, ws_preserve) : r.skip_element());
        EXPECT_TRUE(r.sink().has_fatal());
        EXPECT_EQ(r.sink().last_code, e_not_well_formed);
    }
}
