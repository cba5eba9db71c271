#include "nimb/input.h"

#include "test_support.h"
#include "xml_test_support.h"

using namespace nimb;
using nimb_test::utf16_bytes;

namespace {

struct decoded {
    std::string text;
    unsigned fatal_code;
    int line;
};

decoded decode(const std::string& bytes)
{
    c_read_memory src(bytes.data(), bytes.size());
    c_error sink;
    c_get_as_utf8 get(&src, &sink);
    decoded d;
    for (int c = get.get_document(); c >= 0; c = get.get_document()) d.text.push_back(static_cast<char>(c));
    d.fatal_code = sink.has_fatal() ? unsigned(sink.last_code) : 0u;
    d.line = get.line();
    return d;
}

}  // namespace

TEST(Transcoder, DecodesEveryAcceptedFormIntoUtf8)
{
    struct Case {
        const char* what;
        std::string bytes;
        std::string text;
        unsigned code;
        int line;
    };
    const Case cases[] = {
        {"empty buffer", "", "", 0, 1},
        {"utf-8 without mark", "<a>\xC3\xA9</a>", "<a>\xC3\xA9</a>", 0, 1},
        {"utf-8 with mark", "\xEF\xBB\xBF<a/>", "<a/>", 0, 1},
        {"utf-16 le with mark", utf16_bytes(u"<a>\u00E9\U0001F600</a>", false, true), "<a>\xC3\xA9\xF0\x9F\x98\x80</a>", 0, 1},
        {"utf-16 be with mark", utf16_bytes(u"<a/>", true, true), "<a/>", 0, 1},
        {"utf-16 be without mark", utf16_bytes(u"<?xml", true, false), "<?xml", 0, 1},
        {"utf-16 le without mark", utf16_bytes(u" <a/>", false, false), " <a/>", 0, 1},
        {"single byte after white space", " ", " ", 0, 1},
        {"first byte a letter", "abc", "", 6, 1},
        {"mark that does not continue", "\xFF\xFE\x80\x00", "", 6, 1},
        {"crlf counts once, cr alone is a line end", "<a>\r\n\r\n\rx", "<a>\n\n\nx", 0, 4},
        {"next line and line separator are kept", "<a>\xC2\x85\xE2\x80\xA8</a>", "<a>\xC2\x85\xE2\x80\xA8</a>", 0, 1},
        {"utf-16 line separator is kept", utf16_bytes(u"<a>\u2028</a>", false, true), "<a>\xE2\x80\xA8</a>", 0, 1},
        {"encoded surrogate", "<a>\xED\xA0\x80</a>", "<a>", 6, 1},
        {"bad third byte", "<a>\xE2\x82\x41</a>", "<a>", 6, 1},
        {"bad fourth byte", "<a>\xF0\x9F\x98\x41</a>", "<a>", 6, 1},
        {"overlong two-byte form", "<a>\xC0\xAF</a>", "<a>", 6, 1},
        {"sequence cut by the end", "<a>\xE2\x82", "<a>", 6, 1},
        {"stray continuation byte", "<a>\x80</a>", "<a>", 6, 1},
        {"second byte of a short document", "<\xC3\xA9", "<\xC3\xA9", 0, 1},
        {"utf-16 high surrogate alone", utf16_bytes(u"<a>", false, true) + std::string("\x3D\xD8\x41\x00", 4), "<a>", 6, 1},
        {"utf-16 low surrogate alone", utf16_bytes(u"<a>", false, true) + std::string("\x00\xDE", 2), "<a>", 6, 1},
        {"utf-16 odd byte at the end", utf16_bytes(u"<a>", false, true) + std::string("\x41", 1), "<a>", 6, 1},
    };
    for (const auto& c : cases) {
        decoded d = decode(c.bytes);
        EXPECT_EQ(d.text, c.text) << c.what;
        EXPECT_EQ(d.fatal_code, c.code) << c.what;
        EXPECT_EQ(d.line, c.line) << c.what;
    }
}

TEST(Transcoder, DeclaredEncodingMustFitTheBytes)
{
    struct Case {
        const char* what;
        std::string bytes;
        const char* name;
        bool ok;
        unsigned code;
        int state;
    };
    const Case cases[] = {
        {"utf-8 in lower case", "<", "utf-8", true, 0, enc_utf8},
        {"latin-1 switches to single bytes", "<", "ISO-8859-1", true, 0, enc_single_byte},
        {"us-ascii switches to single bytes", "<", "us-ascii", true, 0, enc_single_byte},
        {"ucs-2 from utf-16 be", utf16_bytes(u"<", true, false), "ISO-10646-UCS-2", true, 0, enc_ucs2_be},
        {"ucs-2 from utf-16 le", utf16_bytes(u"<", false, true), "ISO-10646-UCS-2", true, 0, enc_ucs2_le},
        {"utf-16 in utf-16", utf16_bytes(u"<", false, true), "UTF-16", true, 0, enc_utf16_le},
        {"utf-16 in a utf-8 document", "<", "UTF-16", false, 15, enc_utf8},
        {"utf-8 in a utf-16 document", utf16_bytes(u"<", true, true), "UTF-8", false, 15, enc_utf16_be},
        {"unknown name", "<", "EBCDIC-US", false, 6, enc_utf8},
    };
    for (const auto& c : cases) {
        c_read_memory src(c.bytes.data(), c.bytes.size());
        c_error sink;
        c_get_as_utf8 get(&src, &sink);
        EXPECT_EQ(get.get_document(), '<') << c.what;
        EXPECT_EQ(get.set_encoding(c.name), c.ok) << c.what;
        EXPECT_EQ(sink.has_fatal() ? unsigned(sink.last_code) : 0u, c.code) << c.what;
        EXPECT_EQ(get.encoding_state(), c.state) << c.what;
    }
}

TEST(Transcoder, Latin1AfterTheDeclarationAndPushBack)
{
    std::string bytes = "<\xE9\xFF";
    c_read_memory src(bytes.data(), bytes.size());
    c_error sink;
    c_get_as_utf8 get(&src, &sink);
    EXPECT_EQ(get.get_document(), '<');
    ASSERT_TRUE(get.set_encoding("ISO-8859-1"));
    std::string out;
    for (int c = get.get_document(); c >= 0; c = get.get_document()) out.push_back(static_cast<char>(c));
    EXPECT_EQ(out, "\xC3\xA9\xC3\xBF");
    get.unget('y');
    get.unget('x');
    EXPECT_EQ(get.get_document(), 'x');
    EXPECT_EQ(get.get_document(), 'y');
    EXPECT_EQ(get.get_document(), -1);
}

TEST(Transcoder, EncodesCodePointsAsUtf8)
{
    struct Case {
        std::uint32_t cp;
        std::string bytes;
    };
    const Case cases[] = {{0x41, "A"}, {0x7FF, "\xDF\xBF"}, {0x800, "\xE0\xA0\x80"}, {0xFFFD, "\xEF\xBF\xBD"},
                          {0x10000, "\xF0\x90\x80\x80"}, {0x10FFFF, "\xF4\x8F\xBF\xBF"}};
    for (const auto& c : cases) {
        char buf[8];
        int n = utf8_encode(c.cp, buf);
        EXPECT_EQ(std::string(buf, static_cast<std::size_t>(n)), c.bytes) << c.cp;
        EXPECT_EQ(buf[n], 0);
    }
}
