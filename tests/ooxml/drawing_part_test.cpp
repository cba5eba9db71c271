// The drawing part's document element and its anchors: what is read, what
// is refused, what is written, and what is kept that the tables do not
// describe.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "drawing_doc.h"
#include "ooxml/dml-spreadsheetDrawing.h"
#include "ooxml/dml-spreadsheetDrawing2.h"
#include "ooxml/dml-spreadsheetDrawing3.h"

namespace {

const char* const kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

std::string document(const std::string& body)
{
    return kDeclaration + std::string("<xdr:wsDr") + drawing_test::declarations() + ">" + body + "</xdr:wsDr>";
}

std::string anchor(const std::string& object)
{
    return "<xdr:twoCellAnchor><xdr:from><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>2</xdr:row>"
           "<xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>3</xdr:col><xdr:colOff>0</xdr:colOff>"
           "<xdr:row>4</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to>" +
           object + "<xdr:clientData/></xdr:twoCellAnchor>";
}

// An empty drawing: the declaration, then the root with its three
// namespace declarations in the table's order.
TEST(DrawingPart, EmptyDrawingIsWrittenExactly)
{
    drawing::c_wsDr root;
    std::string out;
    ASSERT_EQ(nimb::e_no_error, root.marshal(out));
    EXPECT_EQ(std::string(kDeclaration) + "<xdr:wsDr" + drawing_test::declarations() + "/>\n", out);
}

struct RootCase {
    const char* what;
    std::string text;
    nimb::enimb_error code;
    std::size_t anchors;
};

TEST(DrawingPart, RootElements)
{
    const std::string shape = "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"2\" name=\"s\"/><xdr:cNvSpPr/></xdr:nvSpPr>"
                              "<xdr:spPr/></xdr:sp>";
    const std::vector<RootCase> cases = {
        {"an empty drawing", document(""), nimb::e_no_error, 0},
        {"the root under another prefix",
         std::string(kDeclaration) +
             "<d:wsDr xmlns:d=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\"/>",
         nimb::e_no_error, 0},
        {"another local name",
         "<xdr:wsDrawing xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\"/>",
         nimb::e_element_not_found, 0},
        {"wsDr in another namespace", "<wsDr xmlns=\"urn:other\"/>", nimb::e_element_not_found, 0},
        {"one anchor", document(anchor(shape)), nimb::e_no_error, 1},
        {"an anchor without an object", document(anchor("")), nimb::e_mandatory_element_missing, 1},
        // The second object is kept where it stood, not refused.
        {"an anchor with two objects", document(anchor(shape + shape)), nimb::e_no_error, 1},
        {"markers out of order",
         document("<xdr:twoCellAnchor><xdr:to/><xdr:from/>" + shape + "<xdr:clientData/></xdr:twoCellAnchor>"),
         nimb::e_mandatory_element_missing, 1},
        {"an empty anchor", document("<xdr:oneCellAnchor/>"), nimb::e_unexpected_empty_element, 1},
        {"an empty marker", document("<xdr:twoCellAnchor><xdr:from/></xdr:twoCellAnchor>"),
         nimb::e_unexpected_empty_element, 1},
        {"an unknown attribute of a later edition",
         document("<xdr:absoluteAnchor later=\"1\"><xdr:pos x=\"0\" y=\"0\"/><xdr:ext cx=\"1\" cy=\"1\"/>" + shape +
                  "<xdr:clientData/></xdr:absoluteAnchor>"),
         nimb::e_no_error, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        drawing::c_wsDr root;
        nimb::c_error_record info;
        EXPECT_EQ(c.code, root.unmarshal(c.text.data(), c.text.size(), &info)) << info.item;
        EXPECT_EQ(c.anchors, root.anchors.size());
    }
}

// Elements that are no anchors, and objects of other names, are kept
// whole in their places; an anchor with nothing chosen writes nothing.
TEST(DrawingPart, KeepsWhatItDoesNotKnow)
{
    const std::string shape = "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"2\" name=\"s\"/><xdr:cNvSpPr/></xdr:nvSpPr>"
                              "<xdr:spPr/></xdr:sp>";
    const std::string later = "<xdr:contentPart r:id=\"rId4\"/>";
    const std::string text = document(anchor(shape) + "<xdr:unknown a=\"1\"><x/></xdr:unknown>" + anchor(later) +
                                      "<mc:AlternateContent xmlns:mc=\"urn:mc\"><mc:Choice Requires=\"a14\"/>"
                                      "</mc:AlternateContent>");
    drawing::c_wsDr root;
    ASSERT_EQ(nimb::e_no_error, root.unmarshal(text.data(), text.size()));
    ASSERT_EQ(4u, root.anchors.size());
    EXPECT_TRUE(root.anchors.at(0)->has_twoCellAnchor());
    EXPECT_TRUE(root.anchors.at(1)->has_any());
    EXPECT_TRUE(root.anchors.at(2)->find_twoCellAnchor()->object.peek()->has_any());
    EXPECT_TRUE(root.anchors.at(3)->has_any());
    // An anchor item with nothing chosen is not written.
    root.anchors.insert(1);
    std::string out;
    ASSERT_EQ(nimb::e_no_error, root.marshal(out));
    std::string flat = celvo::test::flat(out);
    EXPECT_NE(std::string::npos, flat.find("</xdr:twoCellAnchor><xdr:unknown a=\"1\"><x/></xdr:unknown><xdr:twoCellAnchor>"))
        << flat;
    EXPECT_NE(std::string::npos, flat.find("<xdr:clientData/></xdr:twoCellAnchor><mc:AlternateContent")) << flat;
    EXPECT_NE(std::string::npos, flat.find(later)) << flat;
}

// A new two-cell anchor writes no editAs and empty client data; setting
// editAs writes it.
TEST(DrawingPart, NewAnchor)
{
    drawing::c_CT_TwoCellAnchor a;
    EXPECT_EQ("<xdr:twoCellAnchor><xdr:from/><xdr:to/><xdr:clientData/></xdr:twoCellAnchor>",
              drawing_test::written(a, "xdr:twoCellAnchor"));
    a.set_editAs(u"oneCell");
    EXPECT_EQ("<xdr:twoCellAnchor editAs=\"oneCell\"><xdr:from/><xdr:to/><xdr:clientData/></xdr:twoCellAnchor>",
              drawing_test::written(a, "xdr:twoCellAnchor"));
}

// Setting a two-cell anchor over a one-cell one replaces it with a copy;
// find_ gives an alternative only when it is the one chosen.
TEST(DrawingPart, ChoosingAnAnchor)
{
    drawing::c_EG_Anchor item;
    EXPECT_EQ(nullptr, item.find_twoCellAnchor());
    item.select_oneCellAnchor()->get_ext()->set_cx(7);
    EXPECT_EQ(nullptr, item.find_twoCellAnchor());
    ASSERT_NE(nullptr, item.find_oneCellAnchor());
    drawing::c_CT_TwoCellAnchor two;
    two.get_from()->set_col(9);
    item.set_twoCellAnchor(two);
    EXPECT_EQ(nullptr, item.find_oneCellAnchor());
    ASSERT_NE(nullptr, item.find_twoCellAnchor());
    EXPECT_EQ(9u, item.find_twoCellAnchor()->get_from()->col.value);
    // The copy is the anchor's own.
    two.get_from()->set_col(1);
    EXPECT_EQ(9u, item.find_twoCellAnchor()->get_from()->col.value);
    // A copy of the anchor is independent of it.
    drawing::c_EG_Anchor copy(item);
    copy.find_twoCellAnchor()->get_from()->set_col(2);
    EXPECT_EQ(9u, item.find_twoCellAnchor()->get_from()->col.value);
}

}  // namespace

namespace {

// Kept markup written into another drawing carries the declarations of the
// prefixes it uses, which stood on the document element it was read from;
// a drawing read under other prefixes is written with them.
TEST(DrawingPart, KeptMarkupCarriesItsDeclarations)
{
    const std::string mc = "http://schemas.openxmlformats.org/markup-compatibility/2006";
    const std::string a14 = "http://schemas.microsoft.com/office/drawing/2010/main";
    const std::string text =
        "<d:wsDr xmlns:d=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
        "xmlns:m=\"http://schemas.openxmlformats.org/drawingml/2006/main\" xmlns:mc=\"" + mc +
        "\" xmlns:a14=\"" + a14 +
        "\"><mc:AlternateContent><mc:Choice Requires=\"a14\"><a14:later m:x=\"1\"/></mc:Choice>"
        "</mc:AlternateContent><d:absoluteAnchor><d:pos x=\"0\" y=\"0\"/><d:ext cx=\"1\" cy=\"1\"/>"
        "<d:sp><d:nvSpPr><d:cNvPr id=\"2\" name=\"s\"/><d:cNvSpPr/></d:nvSpPr><d:spPr><m:prstGeom prst=\"rect\"/>"
        "</d:spPr></d:sp><d:clientData/></d:absoluteAnchor></d:wsDr>";
    drawing::c_wsDr read;
    ASSERT_EQ(nimb::e_no_error, read.unmarshal(text.data(), text.size()));
    std::string same;
    ASSERT_EQ(nimb::e_no_error, read.marshal(same));
    EXPECT_EQ(text, celvo::test::flat(same.substr(same.find('\n') + 1)));

    drawing::c_wsDr other;
    *other.anchors.append() = *read.anchors.at(0);
    *other.anchors.append() = *read.anchors.at(1);
    std::string out;
    ASSERT_EQ(nimb::e_no_error, other.marshal(out));
    const std::string flat = celvo::test::flat(out.substr(out.find('\n') + 1));
    const std::string::size_type at = flat.find("<mc:AlternateContent ");
    ASSERT_NE(std::string::npos, at) << flat;
    const std::string tag = flat.substr(at, flat.find('>', at) - at);
    for (const std::string& used : {"xmlns:mc=\"" + mc + "\"", "xmlns:a14=\"" + a14 + "\"",
                                    std::string("xmlns:m=\"http://schemas.openxmlformats.org/drawingml/2006/main\"")})
        EXPECT_NE(std::string::npos, tag.find(used)) << tag;
    EXPECT_NE(std::string::npos, flat.find("<xdr:absoluteAnchor><xdr:pos x=\"0\" y=\"0\"/>")) << flat;
    EXPECT_NE(std::string::npos, flat.find("<a:prstGeom prst=\"rect\"/>")) << flat;
    // What was written is a drawing that reads again.
    drawing::c_wsDr again;
    EXPECT_EQ(nimb::e_no_error, again.unmarshal(out.data(), out.size()));
    EXPECT_EQ(2u, again.anchors.size());
}

}  // namespace
