#include "nimb/binding.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include "test_binding.h"
#include "test_support.h"

using namespace nimb;
using namespace tb;

namespace {

const std::string R = "<book xmlns=\"urn:main\" xmlns:r=\"urn:rel\"";
const std::string S = "<sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/>";

class test_reader : public c_xml_reader_memory {
public:
    test_reader(const std::string& doc, bool forgive) : c_xml_reader_memory(doc.data(), doc.size()), m_forgive(forgive) {}
    int user_error(enimb_error code) override
    {
        offered.push_back(code);
        return m_forgive ? 0 : static_cast<int>(code);
    }
    std::vector<unsigned> offered;

private:
    bool m_forgive;
};

struct result {
    unsigned code;
    std::string item;
    std::vector<unsigned> offered;
    std::unique_ptr<c_CT_Book> book;
};

result read_book(const std::string& doc, bool forgive = false)
{
    test_reader r(doc, forgive);
    result res;
    res.book.reset(new c_CT_Book());
    res.code = unmarshal_document(r, *res.book, 1001, "book");
    res.item = r.error_record().item;
    res.offered = r.offered;
    return res;
}

std::string write_book(const c_CT_Book& book)
{
    std::string out;
    EXPECT_EQ(marshal_document(book, "book", out), e_no_error);
    return out;
}

std::string u8(const std::u16string& s) { return wstring_to_utf8(s); }

}  // namespace

TEST(Binding, ReadErrorsStopWithTheirCodeAndItem)
{
    struct Case {
        const char* what;
        std::string doc;
        unsigned code;
        const char* item;
    };
    const Case cases[] = {
        {"minimal book", R + ">" + S + "</book>", 0, ""},
        {"attributes-only element with an end tag", R + "><sheet name='S' sheetId='1' r:id='r'></sheet></book>", 0, ""},
        {"unknown attribute (kept)", R + "><sheet foo='1' name='S' sheetId='1' r:id='r'/></book>", 0, ""},
        {"schema location skipped",
         R + " xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'><sheet xsi:schemaLocation='x' name='S' sheetId='1' r:id='r'/></book>",
         0, ""},
        {"repeated attribute", R + "><sheet name='S' name='T' sheetId='1' r:id='r'/></book>", 3, "@name"},
        {"required attribute missing", R + "><sheet name='S' r:id='r'/></book>", 25, "CT_Sheet"},
        {"unsigned below zero", R + "><sheet name='S' sheetId='-1' r:id='r'/></book>", 37, "@sheetId"},
        {"unsigned too big", R + "><sheet name='S' sheetId='4294967296' r:id='r'/></book>", 36, "@sheetId"},
        {"unsigned not a number", R + "><sheet name='S' sheetId='x' r:id='r'/></book>", 35, "@sheetId"},
        {"unsigned with blanks around", R + "><sheet name='S' sheetId=' 12 ' r:id='r'/></book>", 0, ""},
        {"enumeration differing in case", R + "><sheet name='S' sheetId='1' state='Hidden' r:id='r'/></book>", 38, "@state"},
        {"guid in lower case", R + " guid='{0a1b2c3d-0000-0000-0000-000000000000}'>" + S + "</book>", 22, "@guid"},
        {"guid in upper case", R + " guid='{0A1B2C3D-0000-0000-0000-000000000000}'>" + S + "</book>", 0, ""},
        {"colour of three bytes", R + " color='FF0000'>" + S + "</book>", 20, "@color"},
        {"colour of five bytes", R + " color='FFFF000000'>" + S + "</book>", 19, "@color"},
        {"colour of odd length", R + " color='FFF'>" + S + "</book>", 35, "@color"},
        {"range below", R + " percent='9'>" + S + "</book>", 37, "@percent"},
        {"range above", R + " percent='401'>" + S + "</book>", 36, "@percent"},
        {"boolean", R + " flag='yes'>" + S + "</book>", 35, "@flag"},
        {"double", R + " scale='1.2.3'>" + S + "</book>", 35, "@scale"},
        {"empty-element tag where content is required", R + "/>", 32, "book"},
        {"no child where one is required", R + "></book>", 21, "sheet"},
        {"element closed by another end tag", R + ">" + S + "</bok>", 10, "book"},
        {"simple content closed by another end tag", R + "><title>t</titel>" + S + "</book>", 10, "title"},
        {"text between children", R + ">" + S + "text" + S + "</book>", 10, "book"},
        // What a real file may hold beyond the schema never fails it: an
        // unknown attribute or element, one out of its place or one too
        // many is kept and written back where it stood.
        {"undeclared prefix", R + ">" + S + "<q:sheet/></book>", 0, ""},
        {"unknown element of the file's namespace", R + ">" + S + "<zzz/></book>", 0, ""},
        {"earlier element no longer recognised", R + "><note>n</note>" + S + "</book>", 21, "sheet"},
        {"single child twice", R + "><title>a</title>" + S + "<title>b</title></book>", 0, ""},
        {"empty type with text", R + ">" + S + "<marker>x</marker></book>", 35, "marker"},
        {"wrong document element", "<other xmlns='urn:main'/>", 16, "other"},
        {"document element in another namespace", "<book xmlns='urn:other'/>", 16, "book"},
        {"document ends early", R + ">" + S, 34, "book"},
        {"encoding failure inside", R + "><title>\xE2\x82\x41</title>" + S + "</book>", 6, "title"},
    };
    for (const auto& c : cases) {
        result r = read_book(c.doc);
        EXPECT_EQ(r.code, c.code) << c.what;
        if (c.code) {
            EXPECT_EQ(r.item, c.item) << c.what;
        }
    }
}

TEST(Binding, ForgivingHookGoesOn)
{
    struct Case {
        const char* what;
        std::string doc;
        std::vector<unsigned> offered;
        std::function<std::string(const c_CT_Book&)> probe;
        const char* value;
    };
    auto first_sheet = [](const c_CT_Book& b) -> const c_CT_Sheet& { return *b.sheets.at(0); };
    const Case cases[] = {
        {"unknown attribute kept", R + "><sheet foo='1' name='S' sheetId='1' r:id='r'/></book>", {},
         [&](const c_CT_Book& b) { return u8(first_sheet(b).name.value); }, "S"},
        {"second value overwrites", R + "><sheet name='A' name='B' sheetId='1' r:id='r'/></book>", {3},
         [&](const c_CT_Book& b) { return u8(first_sheet(b).name.value); }, "B"},
        {"bad format goes on to the range tests", R + "><sheet name='S' sheetId='12a' r:id='r'/></book>", {35},
         [&](const c_CT_Book& b) { return std::to_string(first_sheet(b).sheetId.value); }, "12"},
        {"enumeration kept as read", R + "><sheet name='S' sheetId='1' state='Hidden' r:id='r'/></book>", {38},
         [&](const c_CT_Book& b) { return u8(first_sheet(b).state.value) + (first_sheet(b).state.present ? "+" : "-"); },
         "Hidden+"},
        {"required attribute left unset", R + "><sheet name='S' r:id='r'/></book>", {25},
         [&](const c_CT_Book& b) {
             return std::to_string(first_sheet(b).sheetId.value) + (first_sheet(b).sheetId.present ? "+" : "-");
         },
         "0-"},
        {"missing child", R + "></book>", {21}, [](const c_CT_Book& b) { return std::to_string(b.sheets.size()); }, "0"},
    };
    for (const auto& c : cases) {
        result r = read_book(c.doc, true);
        EXPECT_EQ(r.code, 0u) << c.what;
        EXPECT_EQ(r.offered, c.offered) << c.what;
        EXPECT_EQ(c.probe(*r.book), c.value) << c.what;
    }
}

TEST(Binding, ValuesReadIntoMembers)
{
    result r = read_book(R +
                         " color='ff00AA11' scale='0.25' flag='1' count='7' refs=' A1  B2:C3 '><title lang='en'/>" + S +
                         "<note/><marker/><weight>5</weight></book>");
    ASSERT_EQ(r.code, 0u);
    const c_CT_Book& b = *r.book;
    EXPECT_EQ(b.color.value, (c_binary{0xFF, 0x00, 0xAA, 0x11}));
    EXPECT_EQ(b.scale.value, 0.25);
    EXPECT_TRUE(b.flag.value && b.flag.present);
    EXPECT_EQ(b.count.value, 7u);
    EXPECT_FALSE(b.percent.present);
    EXPECT_EQ(b.percent.value, 100);
    EXPECT_EQ(b.refs.items, (std::vector<std::u16string>{u"A1", u"B2:C3"}));
    ASSERT_TRUE(b.title.has());
    EXPECT_EQ(b.title.peek()->text.value, u"none");  // empty text takes the default text
    EXPECT_EQ(b.note.value, u"none");
    EXPECT_TRUE(b.marker.present);
    EXPECT_EQ(b.measure.which(), 1u);
    const c_CT_Sheet& s = *b.sheets.at(0);
    EXPECT_EQ(s.name.value, u"S");
    EXPECT_EQ(s.sheetId.value, 1u);
    EXPECT_EQ(s.state.value, u"visible");
    EXPECT_FALSE(s.state.present);
    EXPECT_EQ(s.id.value, u"rId1");
}

// What is present is written in schema order; what was kept goes back in
// its place with the declarations it needs.
TEST(Binding, WritesWhatIsPresentAndWhatWasKept)
{
    struct Case {
        const char* what;
        std::string doc;
        const char* written;
    };
    // A document read writes back the declarations of its element as read.
    const char* head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<book xmlns=\"urn:main\"\n\t\txmlns:r=\"urn:rel\"";
    const Case cases[] = {
        {"absent optional attribute not written", R + "><sheet r:id='r' sheetId='1' name='S'/></book>",
         ">\n\t<sheet name=\"S\"\n\t\t\tsheetId=\"1\"\n\t\t\tr:id=\"r\"/>\n</book>\n"},
        {"attribute equal to its default written when given", R + "><sheet name='S' state='visible'/></book>",
         ">\n\t<sheet name=\"S\"\n\t\t\tstate=\"visible\"/>\n</book>\n"},
        {"values in their written forms", R + " refs='A1 B2' flag='1' color='ff00aa11' scale='1e2'><sheet/></book>",
         "\n\t\tcolor=\"FF00AA11\"\n\t\tscale=\"100\"\n\t\tflag=\"1\"\n\t\trefs=\"A1 B2\">\n\t<sheet/>\n</book>\n"},
        // What the schema does not describe goes back where it stood.
        {"unknown attribute", R + "><sheet foo='1' name='S'/></book>",
         ">\n\t<sheet name=\"S\"\n\t\t\tfoo=\"1\"/>\n</book>\n"},
        {"unknown element and one out of its place",
         R + "><title>a</title><sheet/><zzz a='1'/><title>b</title></book>",
         ">\n\t<title>a</title>\n\t<sheet/>\n\t<zzz a='1'/>\n\t<title>b</title>\n</book>\n"},
        // Booleans go out as the applications write them, whatever the
        // spelling read.
        {"a boolean read as a word written as 1", R + " flag='true'><sheet/></book>",
         "\n\t\tflag=\"1\">\n\t<sheet/>\n</book>\n"},
        {"a boolean read as false written as 0", R + " flag='false'><sheet/></book>",
         "\n\t\tflag=\"0\">\n\t<sheet/>\n</book>\n"},
        {"simple content on one line, empty simple element closed at once",
         R + "><title lang='en'>A &amp; B</title><sheet/><note>x\ty</note><marker/><size/></book>",
         ">\n\t<title lang=\"en\">A &amp; B</title>\n\t<sheet/>\n\t<note>x\ty</note>\n\t<marker/>\n\t<size>none</size>\n</book>\n"},
        {"foreign attribute with its declaration and an ampersand",
         R + " xmlns:x='urn:x' x:a='1&amp;2'><sheet name='S' sheetId='1' r:id='r' x:b='&lt;'/></book>",
         "\n\t\txmlns:x=\"urn:x\"\n\t\tx:a=\"1&amp;2\">\n\t<sheet name=\"S\"\n\t\t\tsheetId=\"1\"\n\t\t\tr:id=\"r\"\n\t\t\tx:b=\"&lt;\"/>\n</book>\n"},
        {"foreign elements kept in their places",
         R + " xmlns:x='urn:x'><x:a/><sheet/><x:b k='v'>t</x:b><sheet/><note>n</note><x:c/></book>",
         "\n\t\txmlns:x=\"urn:x\">\n\t<x:a/>\n\t<sheet/>\n\t<x:b k='v'>t</x:b>\n\t<sheet/>\n\t<note>n</note>\n\t<x:c/>\n</book>\n"},
        {"extension content with a declaration on ext",
         R + "><sheet/><ext uri='u' xmlns:y='urn:y'><y:e><y:f/></y:e></ext></book>",
         ">\n\t<sheet/>\n\t<ext xmlns:y=\"urn:y\"\n\t\t\turi=\"u\">\n\t\t<y:e><y:f/></y:e>\n\t</ext>\n</book>\n"},
    };
    for (const auto& c : cases) {
        result r = read_book(c.doc, true);
        EXPECT_EQ(write_book(*r.book), std::string(head) + c.written) << c.what;
    }
}

TEST(Binding, OwnedChildrenAndCopies)
{
    c_CT_Book book;
    EXPECT_EQ(book.title.get(), book.title.get());
    book.title.get()->text.set(u"T");
    c_CT_Book copy(book);
    EXPECT_NE(copy.title.get(), book.title.get());
    EXPECT_EQ(copy.title.get()->text.value, u"T");

    struct Grow {
        std::size_t index;
        std::size_t size_after;
    };
    const Grow grows[] = {{0, 1}, {3, 4}, {1, 4}};
    for (const auto& g : grows) {
        book.sheets.get(g.index);
        EXPECT_EQ(book.sheets.size(), g.size_after) << g.index;
    }
    EXPECT_FALSE(book.sheets.erase(4));
    EXPECT_TRUE(book.sheets.erase(3));
    EXPECT_EQ(book.sheets.size(), 3u);

    std::unique_ptr<c_binding> clone(book.clone());
    auto* cloned = static_cast<c_CT_Book*>(clone.get());
    cloned->sheets.get(0)->name.set(u"changed");
    cloned->title.get()->text.set(u"other");
    EXPECT_TRUE(book.sheets.get(0)->name.value.empty());
    EXPECT_EQ(book.title.get()->text.value, u"T");
    book = book;
    EXPECT_EQ(book.sheets.size(), 3u);

    EXPECT_TRUE(book.measure.none());
    auto* size = book.measure.select<c_CT_Label>(0);
    size->text.set(u"9");
    EXPECT_EQ(book.measure.select<c_CT_Label>(0), size);
    EXPECT_NE(book.measure.select<c_CT_Label>(1), nullptr);
    EXPECT_EQ(book.measure.which(), 1u);
    book.measure.release();
    EXPECT_TRUE(book.measure.none());
}

namespace {

// Runs a command and returns its standard output; -1 exit when it failed.
int run(const std::string& command, std::string& out)
{
    out.clear();
    FILE* p = popen(command.c_str(), "r");
    if (!p) return -1;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    return pclose(p);
}

std::string temp_file(const std::string& content)
{
    char name[] = "/tmp/nimb_roundtripXXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) return "";
    std::FILE* f = fdopen(fd, "wb");
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
    return name;
}

}  // namespace

// A document as applications write them: a root with markup-compatibility
// declarations and foreign attributes, AlternateContent, foreign attributes
// on inner elements, an extension whose prefix is declared on ext. What is
// written back must be namespace-well-formed and canonically equal.
TEST(Binding, ForeignMarkupRoundTripsCanonically)
{
    if (std::system("command -v xmllint >/dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint not installed";
    const std::string input =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<book xmlns=\"urn:main\" xmlns:r=\"urn:rel\" "
        "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" xmlns:x14ac=\"urn:x14ac\" "
        "xmlns:xr=\"urn:xr\" mc:Ignorable=\"x14ac xr\" xr:uid=\"{00000000-0001-0000-0000-000000000000}\">"
        "<mc:AlternateContent xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
        "<mc:Choice Requires=\"x15\"><x15ac:absPath xmlns:x15ac=\"urn:x15ac\" url=\"C:\\a&amp;b\\\"/></mc:Choice>"
        "<mc:Fallback/></mc:AlternateContent>"
        "<title lang=\"en\">A &lt; B</title>"
        "<sheet name=\"S&#10;1\" sheetId=\"1\" r:id=\"rId1\" x14ac:dyDescent=\"0.25\"/>"
        "<sheet name=\"T\" sheetId=\"2\" r:id=\"rId2\" xr:uid=\"{1}\"/>"
        "<ext uri=\"{78C0D931-6437-407d-A8EE-F0AAD7539E65}\" xmlns:x14=\"urn:x14\">"
        "<x14:foo a=\"1\"><x14:bar>t</x14:bar><!--c--></x14:foo></ext>"
        "</book>";
    result r = read_book(input);
    ASSERT_EQ(r.code, 0u);
    const std::string output = write_book(*r.book);
    std::string in_file = temp_file(input), out_file = temp_file(output);
    ASSERT_FALSE(in_file.empty() || out_file.empty());
    std::string text, in_c14n, out_c14n;
    EXPECT_EQ(run("xmllint --noout " + out_file + " 2>&1", text), 0) << text << "\n" << output;
    EXPECT_EQ(run("xmllint --noblanks --c14n " + in_file, in_c14n), 0);
    EXPECT_EQ(run("xmllint --noblanks --c14n " + out_file, out_c14n), 0);
    EXPECT_FALSE(in_c14n.empty());
    EXPECT_EQ(in_c14n, out_c14n) << output;
    std::remove(in_file.c_str());
    std::remove(out_file.c_str());
}

// Kept markup and kept attributes taken into a document that does not bind
// their prefixes carry the declarations they need.
TEST(Binding, KeptContentMovedElsewhereStaysNamespaceWellFormed)
{
    if (std::system("command -v xmllint >/dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint not installed";
    result r = read_book(R + " xmlns:y='urn:y' xmlns:z='urn:z'><sheet name='S' sheetId='1' r:id='r' y:b='1'/>"
                             "<ext uri='u'><y:e z:a='2'><z:f/></y:e></ext></book>");
    ASSERT_EQ(r.code, 0u);
    struct Case {
        const char* what;
        std::string root;  // the document the kept content is moved into
        const char* expected;
    };
    const Case cases[] = {
        {"built in code", "", "<ext uri=\"u\">\n\t\t<y:e xmlns:y=\"urn:y\" xmlns:z=\"urn:z\" z:a='2'><z:f/></y:e>"},
        {"y bound to another namespace",
         R + " xmlns:y='urn:other' xmlns:z='urn:z'/>", "<y:e xmlns:y=\"urn:y\" z:a='2'><z:f/></y:e>"},
        {"both bound the same", R + " xmlns:z='urn:z' xmlns:y='urn:y'/>", "<y:e z:a='2'><z:f/></y:e>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c_CT_Book target;
        if (!c.root.empty()) {
            result t = read_book(c.root, true);  // an empty book lacks its required content
            target = *t.book;
        }
        *target.sheets.append() = *r.book->sheets.at(0);
        *target.ext.append() = *r.book->ext.at(0);
        const std::string output = write_book(target);
        EXPECT_NE(output.find(c.expected), std::string::npos) << output;
        std::string file = temp_file(output), text;
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(run("xmllint --noout " + file + " 2>&1", text), 0) << text << "\n" << output;
        std::remove(file.c_str());
    }
}

TEST(Binding, RecursiveClassesAndRepeatedChoices)
{
    const std::string doc = "<grp xmlns='urn:main'><grp><grp/><size>1</size><weight>2</weight></grp><size/></grp>";
    c_xml_reader_memory r(doc.data(), doc.size());
    c_CT_Group g;
    ASSERT_EQ(unmarshal_document(r, g, 1001, "grp"), e_no_error);
    ASSERT_EQ(g.groups.size(), 1u);
    EXPECT_EQ(g.groups.at(0)->items.size(), 2u);
    EXPECT_EQ(g.groups.at(0)->items[1].which(), 1u);
    EXPECT_EQ(g.items.size(), 1u);
    std::string out;
    ASSERT_EQ(marshal_document(g, "grp", out), e_no_error);
    EXPECT_EQ(out,
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<grp xmlns=\"urn:main\">\n"
              "\t<grp>\n\t\t<grp/>\n\t\t<size>1</size>\n\t\t<weight>2</weight>\n\t</grp>\n\t<size>none</size>\n</grp>\n");

    // An item that holds no alternative cannot be written.
    g.items.emplace_back(2);
    std::string unchanged = "before";
    c_error_record record;
    EXPECT_EQ(marshal_document(g, "grp", unchanged, &record), e_inappropriate_choice);
    EXPECT_EQ(unchanged, "before");
    EXPECT_EQ(record.program_line, 500);
}

TEST(Binding, DeepNestingIsRefusedWithoutExhaustingTheStack)
{
    std::string doc;
    const std::size_t depth = 1000000;
    doc.reserve(depth * 12);
    doc += "<grp xmlns='urn:main'>";
    for (std::size_t i = 0; i < depth; ++i) doc += "<grp>";
    for (std::size_t i = 0; i < depth; ++i) doc += "</grp>";
    doc += "</grp>";
    c_xml_reader_memory r(doc.data(), doc.size());
    c_CT_Group g;
    EXPECT_EQ(unmarshal_document(r, g, 1001, "grp"), e_not_well_formed);
}

TEST(Binding, HandWrittenHooks)
{
    struct Case {
        std::string doc;
        unsigned code;
        std::size_t count;
        const char* written;
    };
    const Case cases[] = {
        {"<vs xmlns='urn:main'><v>a</v><v/><v>c&amp;</v></vs>", 0, 3,
         "<vs xmlns=\"urn:main\">\n\t<v>a</v>\n\t<v/>\n\t<v>c&amp;</v>\n</vs>\n"},
        {"<vs xmlns='urn:main'/>", 0, 0, "<vs xmlns=\"urn:main\"/>\n"},
        {"<vs xmlns='urn:main'><v>a</v><w/></vs>", 10, 1, nullptr},
        {"<vs xmlns='urn:main'><v>a<b/></v></vs>", 10, 1, nullptr},
    };
    for (const auto& c : cases) {
        c_xml_reader_memory r(c.doc.data(), c.doc.size());
        c_CT_Values v;
        EXPECT_EQ(unmarshal_document(r, v, 1001, "vs"), c.code) << c.doc;
        EXPECT_EQ(v.values.size(), c.count) << c.doc;
        if (!c.written) continue;
        std::string out;
        ASSERT_EQ(marshal_document(v, "vs", out), e_no_error);
        EXPECT_EQ(out, std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") + c.written) << c.doc;
    }
}

// The protocol without descriptors: a hand-written helper whose steps use
// token tables and the typed attribute readers.
TEST(Binding, HandWrittenHelperProtocol)
{
    struct item {
        c_simple<unsigned> id;
        c_simple<bool> on;
    };
    struct helper : c_unmarshal_helper {
        helper(c_xml_reader& r, item& it) : c_unmarshal_helper(r), m_item(it) {}
        bool unmarshal_attribute(enimb_error& error) override
        {
            static const c_token_entry table[] = {{1, "id", 2, 20}, {1, "on", 2, 21}, {0, nullptr, 1, 1}};
            m_reader->tokenise(table, false);
            if (m_reader->token() == 20) error = unmarshal_attribute_single_uint(*m_reader, &m_item.id, &spec_unsigned_int());
            else if (m_reader->token() == 21) error = unmarshal_attribute_optional_bool(*m_reader, &m_item.on, &spec_boolean());
            else return false;
            return true;
        }
        enimb_error check_required_attributes() override
        {
            if (m_item.id.present) return e_no_error;
            enimb_error c = m_reader->capture_error(e_required_attribute_missing, "CT_Item", "hand", 1);
            return static_cast<enimb_error>(m_reader->on_error(c, "CT_Item", "hand", 1));
        }
        item& m_item;
    };
    struct Case {
        std::string doc;
        unsigned code;
        const char* item;
    };
    const Case cases[] = {
        {"<i id='4' on='true'/>", 0, ""},
        {"<i id='4'></i>", 0, ""},
        {"<i id='4'>x</i>", 10, "i"},
        {"<i id='4'><j/></i>", 10, "i"},
        {"<i id='4'></k>", 10, "i"},
        {"<i on='1'/>", 25, "CT_Item"},
        {"<i id='4' on='maybe'/>", 35, "@on"},
        {"<i id='4' other='1'/>", 39, "other"},
        {"<i id='4'", 34, "i"},
    };
    for (const auto& c : cases) {
        c_xml_reader_memory r(c.doc.data(), c.doc.size());
        enimb_error e;
        r.scan_element_event(e, r.current_name());
        item it;
        helper h(r, it);
        EXPECT_EQ(h.unmarshal_empty_content("hand", 1), c.code) << c.doc;
        if (c.code) {
            EXPECT_EQ(r.error_record().item, c.item) << c.doc;
        }
    }
}
