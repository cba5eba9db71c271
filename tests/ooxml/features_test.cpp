// The generator's features on a small table of their own (features.schema):
// element groups read and written in place, repeated sequences of several
// particles, empty, simple-typed and kept choice alternatives, kept unknown
// elements of the own namespace, length facets, bounds of doubles and a
// class that extends another.
#include <string>
#include <vector>

#include "element_cases.h"
#include "ooxml/features.h"
#include "ooxml/features2.h"
#include "test_support.h"

namespace {

using celvo::test::flat;

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

template <class Root>
std::string written(const Root& root)
{
    std::string out;
    EXPECT_EQ(nimb::e_no_error, root.marshal(out, nullptr));
    return flat(out);
}

// Reads a document of one of the roots; the code and the error item.
struct Outcome {
    nimb::enimb_error code;
    std::string item;
    std::string output;  // written back, when read
};

template <class Root>
Outcome readAndWrite(const std::string& doc)
{
    Root root;
    nimb::c_error_record info;
    Outcome o{root.unmarshal(doc.data(), doc.size(), &info), info.item, ""};
    if (o.code == nimb::e_no_error) o.output = written(root);
    return o;
}

Outcome byRoot(const std::string& doc)
{
    if (doc.compare(0, 8, "<drawing") == 0) return readAndWrite<feat::c_drawing>(doc);
    if (doc.compare(0, 8, "<wrapper") == 0) return readAndWrite<feat::c_wrapper>(doc);
    if (doc.compare(0, 4, "<bag") == 0) return readAndWrite<feat::c_bag>(doc);
    if (doc.compare(0, 5, "<rule") == 0) return readAndWrite<feat::c_rule>(doc);
    if (doc.compare(0, 6, "<tally") == 0) return readAndWrite<feat::c_tally>(doc);
    if (doc.compare(0, 6, "<frame") == 0) return readAndWrite<feat::c_frame>(doc);
    return readAndWrite<feat::c_shape>(doc);
}

std::string shape(const std::string& attributes, const std::string& content = "")
{
    return "<shape xmlns=\"urn:feat\"" + attributes + ">" + content + "</shape>";
}

TEST(GeneratedFeatures, ValueFacetsAndStructureOnReading)
{
    struct Case {
        const char* what;
        std::string doc;
        nimb::enimb_error code;
        const char* item;
    };
    const std::vector<Case> cases = {
        {"code of two characters", shape(" code=\"ab\""), nimb::e_no_error, ""},
        {"code of one character", shape(" code=\"a\""), nimb::e_length_too_short, "@code"},
        {"code of five characters", shape(" code=\"abcde\""), nimb::e_length_too_long, "@code"},
        {"a character outside the BMP counts once", shape(" code=\"a\xF0\x9F\x98\x80\x62\xC3\xA9\""), nimb::e_no_error,
         ""},
        {"fixed of three characters", shape(" fixed=\"\xC3\xA9\x31\x32\""), nimb::e_no_error, ""},
        {"fixed of two characters", shape(" fixed=\"ab\""), nimb::e_length_too_short, "@fixed"},
        {"fixed of four characters", shape(" fixed=\"abcd\""), nimb::e_length_too_long, "@fixed"},
        {"ratio at its inclusive minimum", shape(" ratio=\"0\""), nimb::e_no_error, ""},
        {"ratio below its exclusive maximum", shape(" ratio=\"0.999\""), nimb::e_no_error, ""},
        {"ratio at its exclusive maximum", shape(" ratio=\"1\""), nimb::e_value_above_maximum, "@ratio"},
        {"ratio in exponent form above", shape(" ratio=\"1e3\""), nimb::e_value_above_maximum, "@ratio"},
        {"ratio below its minimum", shape(" ratio=\"-0.1\""), nimb::e_value_below_minimum, "@ratio"},
        {"ratio NaN is outside", shape(" ratio=\"NaN\""), nimb::e_value_below_minimum, "@ratio"},
        {"ratio not a number", shape(" ratio=\"half\""), nimb::e_invalid_value_format, "@ratio"},
        {"level of the enumeration", shape(" level=\"high\""), nimb::e_no_error, ""},
        {"level not of the enumeration", shape(" level=\"mid\""), nimb::e_not_an_enumeration, "@level"},
        {"level of the enumeration but too long", shape(" level=\"highest\""), nimb::e_length_too_long, "@level"},
        {"simple-typed alternative checked", shape("", "<text>a</text>"), nimb::e_length_too_short, "text"},
        {"two fills", shape("", "<noFill/><noFill/>"), nimb::e_no_error, ""},
        {"fill after the items of the sequence", shape("", "<gd x=\"1\" y=\"1\"/><noFill/>"),
         nimb::e_no_error, ""},
        {"item of a sequence missing an attribute", shape("", "<gd x=\"1\"/>"), nimb::e_required_attribute_missing,
         "CT_Point"},
        {"anchor pair without its end", "<drawing xmlns=\"urn:feat\"><two><from x=\"1\" y=\"1\"/></two></drawing>",
         nimb::e_mandatory_element_missing, "to"},
        {"unknown element of the own namespace kept among the anchors",
         "<drawing xmlns=\"urn:feat\"><one x=\"1\" y=\"1\"/><three/></drawing>", nimb::e_no_error, ""},
        {"empty drawing", "<drawing xmlns=\"urn:feat\"/>", nimb::e_no_error, ""},
        {"wrapper without its own content", "<wrapper xmlns=\"urn:feat\" extra=\"e\"/>", nimb::e_no_error, ""},
        {"wrapper with the shape's note out of order",
         "<wrapper xmlns=\"urn:feat\"><note>n</note><noFill/></wrapper>", nimb::e_no_error, ""},
        {"wrapper checks the shape's attributes", "<wrapper xmlns=\"urn:feat\" code=\"x\"/>", nimb::e_length_too_short,
         "@code"},
        {"three formulas", "<rule xmlns=\"urn:feat\"><formula>1</formula><formula/><formula>3</formula></rule>",
         nimb::e_no_error, ""},
        {"a fourth formula is left over",
         "<rule xmlns=\"urn:feat\"><formula>1</formula><formula/><formula>3</formula><formula>4</formula></rule>",
         nimb::e_no_error, ""},
        {"bag keeps an unknown element of its namespace",
         "<bag xmlns=\"urn:feat\"><item x=\"1\" y=\"1\"/><later/></bag>", nimb::e_no_error, ""},
        {"a type of the other table checked", "<tally xmlns=\"urn:feat\" level=\"mid\"/>", nimb::e_not_an_enumeration,
         "@level"},
        {"an integer type with its own range check", "<tally xmlns=\"urn:feat\" count=\"100\"/>",
         nimb::e_value_above_maximum, "@count"},
        {"a class of the other table checked", "<tally xmlns=\"urn:feat\"><at x=\"1\"/></tally>",
         nimb::e_required_attribute_missing, "CT_Point"},
        {"the generic reader after the hand-read part", "<tally xmlns=\"urn:feat\"><tick/><note>a</note><at/></tally>",
         nimb::e_no_error, ""},
        {"a base of the other table checked", "<frame xmlns=\"urn:feat\" label=\"l\" x=\"1\"/>",
         nimb::e_required_attribute_missing, "CT_Frame"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Outcome o = byRoot(c.doc);
        EXPECT_EQ(c.code, o.code);
        if (c.code != nimb::e_no_error && *c.item) {
            EXPECT_EQ(c.item, o.item);
        }
    }
}

TEST(GeneratedFeatures, DocumentsWrittenBackAsRead)
{
    const std::vector<std::string> documents = {
        // Anchors of each alternative, the kept one in its place.
        "<drawing xmlns=\"urn:feat\" xmlns:z=\"urn:z\"><one x=\"1\" y=\"2\"/><z:pic a=\"1\"><z:b/></z:pic>"
        "<two><from x=\"1\" y=\"1\"/><to x=\"2\" y=\"2\"/></two></drawing>",
        // A fill of text, items of several particles, an extension.
        shape(" code=\"ab\" fixed=\"abc\" ratio=\"0.5\" level=\"low\"",
              "<text>xy</text><gd x=\"0\" y=\"0\"/><label>a</label><gd x=\"1\" y=\"1\"/><label>b</label><label>c</label>"
              "<extLst><ext uri=\"u\"><q:e xmlns:q=\"urn:q\"/></ext></extLst>"),
        shape("", "<noFill/><gd x=\"0\" y=\"0\"/>"),
        shape("", "<solid x=\"5\" y=\"6\"/>"),
        "<wrapper xmlns=\"urn:feat\" code=\"ab\" extra=\"e\"><solid x=\"1\" y=\"2\"/><gd x=\"0\" y=\"0\"/>"
        "<note>n</note></wrapper>",
        "<bag xmlns=\"urn:feat\"><item x=\"1\" y=\"1\"/><later k=\"v\"><deeper/></later><item x=\"2\" y=\"2\"/>"
        "<last/></bag>",
        "<rule xmlns=\"urn:feat\" xmlns:z=\"urn:z\"><formula>A1&lt;2</formula><z:x/><formula>B2</formula></rule>",
        // A foreign element between the items of a sequence stays there.
        shape(" xmlns:z=\"urn:z\"", "<gd x=\"0\" y=\"0\"/><z:between/><gd x=\"1\" y=\"1\"/>"),
        // Classes of the two tables in each other.
        "<tally xmlns=\"urn:feat\" level=\"high\" count=\"99\"><tick/><tick/><at x=\"1\" y=\"2\"/><note>n</note>"
        "</tally>",
        "<bag xmlns=\"urn:feat\"><item x=\"1\" y=\"1\"/><tally><tick/></tally></bag>",
        "<frame xmlns=\"urn:feat\" x=\"1\" y=\"2\" label=\"l\"/>",
    };
    for (const auto& d : documents) {
        SCOPED_TRACE(d);
        Outcome o = byRoot(d);
        ASSERT_EQ(nimb::e_no_error, o.code) << o.item;
        EXPECT_EQ(kDecl + d, o.output);
    }
}

TEST(GeneratedFeatures, MembersHoldWhatWasRead)
{
    feat::c_drawing drawing;
    const std::string d =
        "<drawing xmlns=\"urn:feat\" xmlns:z=\"urn:z\"><one x=\"1\" y=\"2\"/><z:pic/><two><from x=\"1\" y=\"1\"/>"
        "<to x=\"2\" y=\"2\"/></two></drawing>";
    ASSERT_EQ(nimb::e_no_error, drawing.unmarshal(d.data(), d.size()));
    ASSERT_EQ(3u, drawing.EG_Anchor.size());
    EXPECT_EQ(0u, drawing.EG_Anchor.at(0)->choice.which());
    EXPECT_EQ(2u, drawing.EG_Anchor.at(1)->choice.which());
    EXPECT_EQ(1u, drawing.EG_Anchor.at(2)->choice.which());
    EXPECT_EQ("<z:pic/>", static_cast<nimb::c_any_element*>(drawing.EG_Anchor.at(1)->choice.object())->info.text);

    feat::c_shape s;
    const std::string t = shape("", "<text>xyz</text><gd x=\"0\" y=\"0\"/><label>a</label><label>b</label>");
    ASSERT_EQ(nimb::e_no_error, s.unmarshal(t.data(), t.size()));
    ASSERT_TRUE(s.EG_Fill.has());
    EXPECT_EQ(u"xyz", s.EG_Fill.peek()->get_text()->content.value);
    ASSERT_EQ(2u, s.inner_CT_Shape.size());
    EXPECT_TRUE(s.inner_CT_Shape.at(0)->gd.has());
    EXPECT_EQ(u"a", s.inner_CT_Shape.at(0)->label.value);
    EXPECT_FALSE(s.inner_CT_Shape.at(1)->gd.has());
    EXPECT_EQ(u"b", s.inner_CT_Shape.at(1)->label.value);

    feat::c_wrapper w;
    const std::string u = "<wrapper xmlns=\"urn:feat\" code=\"ab\" extra=\"e\"><noFill/><note>n</note></wrapper>";
    ASSERT_EQ(nimb::e_no_error, w.unmarshal(u.data(), u.size()));
    EXPECT_EQ(u"ab", w.code.value);
    EXPECT_EQ(u"e", w.extra.value);
    EXPECT_EQ(u"n", w.note.value);
    EXPECT_EQ(0u, w.EG_Fill.peek()->choice.which());
    EXPECT_STREQ("CT_Wrapper", w.descriptor().type_name);
    std::unique_ptr<nimb::c_binding> copy(w.clone());
    EXPECT_STREQ("CT_Wrapper", copy->descriptor().type_name);
}

TEST(GeneratedFeatures, HandWrittenMemberAcrossTables)
{
    feat::c_bag bag;
    const std::string d = "<bag xmlns=\"urn:feat\"><tally count=\"1\"><tick/><tick></tick><tick/><note>n</note></tally></bag>";
    ASSERT_EQ(nimb::e_no_error, bag.unmarshal(d.data(), d.size()));
    ASSERT_TRUE(bag.tally.has());
    EXPECT_EQ(3u, bag.tally.peek()->ticks.count);
    EXPECT_EQ(u"n", bag.tally.peek()->note.value);
    // The member is copied with its class.
    feat::c_bag copy = bag;
    copy.get_tally()->ticks.count = 1;
    EXPECT_EQ(3u, bag.tally.peek()->ticks.count);
    // A document read keeps the declarations it had.
    EXPECT_EQ(kDecl + "<bag xmlns=\"urn:feat\"><tally count=\"1\"><tick/><note>n</note></tally></bag>",
              written(feat::c_bag(copy)));
}

TEST(GeneratedFeatures, ObjectsBuiltInCode)
{
    // An anchor with nothing chosen writes nothing.
    feat::c_drawing drawing;
    drawing.EG_Anchor.append();
    feat::c_CT_Point* p = drawing.EG_Anchor.append()->get_one();
    p->set_x(3);
    p->set_y(4);
    EXPECT_EQ(kDecl + "<drawing xmlns:r=\"urn:rel\" xmlns=\"urn:feat\"><one x=\"3\" y=\"4\"/></drawing>", written(drawing));

    // The extended class writes the shape's attributes and children first.
    feat::c_wrapper w;
    w.set_extra(u"e");
    w.set_code(u"ab");
    w.get_EG_Fill()->get_noFill();
    w.note.set(u"n");
    feat::c_inner_CT_Shape* item = w.inner_CT_Shape.append();
    item->label.set(u"l");
    EXPECT_EQ(kDecl + "<wrapper xmlns:r=\"urn:rel\" xmlns=\"urn:feat\" code=\"ab\" extra=\"e\"><noFill/><label>l</label>"
                      "<note>n</note></wrapper>",
              written(w));

    // A fill with nothing chosen cannot be written.
    feat::c_shape s;
    s.get_EG_Fill();
    std::string out = "unchanged";
    nimb::c_error_record info;
    EXPECT_EQ(nimb::e_inappropriate_choice, s.marshal(out, &info));
    EXPECT_EQ("EG_Fill", info.item);
    EXPECT_EQ("unchanged", out);

    // Copies are independent.
    feat::c_wrapper copy = w;
    copy.inner_CT_Shape.at(0)->label.set(u"changed");
    copy.get_EG_Fill()->get_solid()->set_x(1);
    EXPECT_EQ(u"l", w.inner_CT_Shape.at(0)->label.value);
    EXPECT_EQ(0u, w.EG_Fill.peek()->choice.which());
    EXPECT_EQ(1u, copy.EG_Fill.peek()->choice.which());
}

}  // namespace
