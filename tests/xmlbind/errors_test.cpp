#include "nimb/errors.h"

#include <sstream>

#include "nimb/reader.h"
#include "test_support.h"

using namespace nimb;

TEST(ErrorCodes, DescriptionsOfKnownAndUnknownCodes)
{
    struct Case {
        unsigned code;
        const char* text;
    };
    const Case cases[] = {
        {0, "No Error"},
        {6, "XML character encoding not supported"},
        {15, "Mis-match between specified char encoding and read bytes"},
        {34, "Unexpected end of message"},
        {46, "min/max occurs error on marshaling"},
        {1000, "User defined error 1"},
        {1004, "User defined error 5"},
        {1008, "User defined error 9"},
        {47, ""},
        {999, ""},
        {1009, ""},
    };
    for (const auto& c : cases) EXPECT_STREQ(get_error_description(c.code), c.text) << c.code;
}

TEST(ErrorCodes, ReportText)
{
    struct Case {
        c_error_record record;
        const char* text;
    };
    const Case cases[] = {
        {{}, "Error: No Error\n"},
        {{e_unexpected_attribute, "@foo", "ooxml/sml-workbook", 77, 3},
         "Error: Unexpected attribute\nItem: @foo\nProgram file: ooxml/sml-workbook\nProgram line: 77\nXML line: 3\n"},
        {{e_occurs_on_marshal, "sheets", "ooxml/sml-workbook", 12, -1},
         "Error: min/max occurs error on marshaling\nItem: sheets\nProgram file: ooxml/sml-workbook\nProgram line: 12\n"},
    };
    for (const auto& c : cases) {
        std::ostringstream out;
        write_error(out, c.record);
        EXPECT_EQ(out.str(), c.text);
    }
}

TEST(ErrorCodes, SinkCountsBySeverityAndStopsAfterFatal)
{
    c_error sink;
    sink.raise(sev_warning, e_bad_comment, "", 1, "w");
    sink.raise(sev_note, e_bad_comment, "", 1, "n");
    sink.raise(sev_error, e_not_well_formed, "", 2, "e");
    EXPECT_EQ(sink.warning_count, 2);
    EXPECT_EQ(sink.note_count, 1);
    EXPECT_EQ(sink.error_count, 1);
    EXPECT_EQ(sink.last_line, 2);
    sink.raise(sev_fatal, e_bad_dtd, "", 3, "f");
    sink.raise(sev_error, e_not_well_formed, "", 4, "ignored");
    EXPECT_EQ(sink.fatal_count, 1);
    EXPECT_EQ(sink.error_count, 2);
    EXPECT_EQ(sink.last_code, e_bad_dtd);
    EXPECT_EQ(sink.last_line, 3);
}

TEST(ErrorCodes, EarlyEndAfterAnEncodingFailureReportsTheEncodingError)
{
    std::string doc = "<a>\xE2\x82\x41</a>";
    c_xml_reader_memory r(doc.data(), doc.size());
    enimb_error err;
    std::string name;
    EXPECT_EQ(r.scan_element_event(err, name), tok_name);
    EXPECT_EQ(r.next_attribute(name), tok_start_tag_end);
    std::string text;
    EXPECT_FALSE(r.get_element_text(text, ws_preserve));
    EXPECT_EQ(r.handle_error(e_unexpected_end), int(e_encoding_not_supported));
    EXPECT_EQ(r.error_record().code, e_encoding_not_supported);
}

TEST(ErrorCodes, HookAnswersDecide)
{
    struct forgiving : c_xml_reader_memory {
        using c_xml_reader_memory::c_xml_reader_memory;
        int user_error(enimb_error) override { return 0; }
    };
    forgiving r("<a/>", 4);
    r.current_name() = "a";
    r.program_file = "ooxml/test";
    r.program_line = 5;
    EXPECT_EQ(r.handle_error(e_unexpected_attribute), 0);
    EXPECT_EQ(r.error_record().code, e_unexpected_attribute);
    EXPECT_EQ(r.error_record().item, "a");
    EXPECT_EQ(r.get_error_text(), "Error: Unexpected attribute\nItem: a\nProgram file: ooxml/test\nProgram line: 5\nXML line: 1\n");
}
