#include "nimb/values.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include "test_support.h"

using namespace nimb;

TEST(Values, LexicalChecks)
{
    struct Case {
        const char* text;
        bool integer, boolean, dbl, hex;
    };
    const Case cases[] = {
        {"0", true, true, true, false},      {"1", true, true, true, false},      {"-12", true, false, true, false},
        {"+7", true, false, true, false},    {"", false, false, false, true},     {"-", false, false, false, false},
        {"1.0", false, false, true, false},  {" 1", false, false, false, false},  {"true", false, true, false, false},
        {"false", false, true, false, false}, {"True", false, false, false, false}, {"1e5", false, false, true, false},
        {"5.", false, false, true, false},   {".5", false, false, true, false},   {"-.5", false, false, true, false},
        {".", false, false, false, false},   {"e5", false, false, false, true},   {"1e", false, false, false, true},
        {"+INF", false, false, false, false}, {"INF", false, false, true, false},  {"-INF", false, false, true, false},
        {"NaN", false, false, true, false},  {"nan", false, false, false, false}, {"1.2.3", false, false, false, false},
        {"1E-7", false, false, true, false}, {"00ab", false, false, false, true}, {"00AB", false, false, false, true},
        {"ABC", false, false, false, false}, {"0g", false, false, false, false},  {"12a", false, false, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(is_valid_integer(c.text), c.integer) << c.text;
        EXPECT_EQ(is_valid_bool(c.text), c.boolean) << c.text;
        EXPECT_EQ(is_valid_double(c.text), c.dbl) << c.text;
        EXPECT_EQ(is_valid_hex_binary(c.text), c.hex) << c.text;
    }
}

TEST(Values, DecimalBounds)
{
    struct Norm {
        const char* text;
        const char* normal;
    };
    const Norm norms[] = {{"+007", "7"}, {"-0012", "-12"}, {"000", "0"}, {"", "0"}, {"-0", "-0"}, {"12x5", "12"}};
    for (const auto& n : norms) EXPECT_EQ(c_big_int(n.text).text(), n.normal) << n.text;

    struct Case {
        const char* value;
        const char* bound;
        bool equal, less;
    };
    const Case cases[] = {
        {"4294967295", "4294967295", true, false},
        {"0004294967295", "4294967295", true, false},
        {"4294967296", "4294967295", false, false},
        {"99999999999999999999999", "4294967295", false, false},
        {"-1", "0", false, true},
        {"-0", "0", true, false},
        {"-000", "0", true, false},
        {"0", "0", true, false},
        {"+0", "0", true, false},
        {"0", "5", false, true},
        {"-5", "-3", false, true},
        {"-13", "-12", false, true},
        {"-12", "-13", false, false},
        {"-2147483649", "-2147483648", false, true},
        {"-2147483648", "-2147483648", true, false},
        {"5", "-3", false, false},
        {"", "0", false, false},
        {"123", "1000", false, true},
        {"999", "998", false, false},
    };
    for (const auto& c : cases) {
        c_big_int b(c.bound);
        EXPECT_EQ(is_equal_to_big_int(c.value, b), c.equal) << c.value << " vs " << c.bound;
        EXPECT_EQ(is_lt_bound(c.value, b), c.less) << c.value << " vs " << c.bound;
        EXPECT_EQ(is_ge_bound(c.value, b), !c.less) << c.value << " vs " << c.bound;
        EXPECT_EQ(is_le_bound(c.value, b), c.less || c.equal) << c.value << " vs " << c.bound;
        EXPECT_EQ(is_gt_bound(c.value, b), !c.less && !c.equal) << c.value << " vs " << c.bound;
    }
}

TEST(Values, NumbersFromText)
{
    struct Case {
        const char* text;
        int i;
        unsigned u;
        bool b;
        std::int16_t s;
    };
    const Case cases[] = {
        {"42", 42, 42, false, 42},
        {"-17", -17, 0, false, -17},
        {"1", 1, 1, true, 1},
        {"true", 0, 0, true, 0},
        {"4294967295", 2147483647, 4294967295u, false, 32767},
        {"4294967296", 2147483647, 4294967295u, false, 32767},
        {"-2147483649", -2147483647 - 1, 0, false, -32768},
        {"70000", 70000, 70000, false, 32767},
        {"12a", 12, 12, false, 12},
        {"", 0, 0, false, 0},
    };
    for (const auto& c : cases) {
        int i;
        unsigned u;
        bool b;
        std::int16_t s;
        from_string_int(&i, c.text);
        from_string_uint(&u, c.text);
        from_string_bool(&b, c.text);
        from_string_short(&s, c.text);
        EXPECT_EQ(i, c.i) << c.text;
        EXPECT_EQ(u, c.u) << c.text;
        EXPECT_EQ(b, c.b) << c.text;
        EXPECT_EQ(s, c.s) << c.text;
    }
    long long ll;
    unsigned long long ull;
    from_string_int64(&ll, "-9223372036854775808");
    EXPECT_EQ(ll, std::numeric_limits<long long>::min());
    from_string_uint64(&ull, "18446744073709551615");
    EXPECT_EQ(ull, std::numeric_limits<unsigned long long>::max());
    from_string_uint64(&ull, "18446744073709551616");
    EXPECT_EQ(ull, std::numeric_limits<unsigned long long>::max());
}

TEST(Values, DoublesBothWays)
{
    struct Case {
        const char* text;
        double value;
        const char* written;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"0.5", 0.5, "0.5"},
        {"1.5", 1.5, "1.5"},
        {"0.1", 0.1, "0.1"},
        {"-0.249977111117893", -0.249977111117893, "-0.249977111117893"},
        {"0.33333333333333331", 1.0 / 3.0, "0.3333333333333333"},
        {"1e20", 1e20, "1e+20"},
        {"1E-7", 1e-7, "1e-07"},
        {"123456789012", 123456789012.0, "123456789012"},
        {"5.", 5.0, "5"},
        {"-.5", -0.5, "-0.5"},
        {"INF", inf, "INF"},
        {"-INF", -inf, "-INF"},
        {"-0", -0.0, "-0.0"},
        {"0", 0.0, "0.0"},
        {"inf", inf, "INF"},
        {"x", 0.0, "0.0"},
    };
    for (const auto& c : cases) {
        double d;
        from_string_double(&d, c.text);
        EXPECT_EQ(d, c.value) << c.text;
        EXPECT_EQ(std::signbit(d), std::signbit(c.value)) << c.text;
        std::ostringstream out;
        to_string_double(out, &d);
        EXPECT_EQ(out.str(), c.written) << c.text;
    }
    double nan;
    from_string_double(&nan, "NaN");
    EXPECT_TRUE(std::isnan(nan));
    std::ostringstream out;
    write_double(out, nan);
    EXPECT_EQ(out.str(), "NaN");
}

TEST(Values, DoublesIgnoreTheProcessLocale)
{
    CELVO_SWITCH_LOCALE(german, LC_NUMERIC, "de_DE.UTF-8");
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the process locale writes a decimal comma";
    double d;
    from_string_double(&d, "1.5");
    EXPECT_EQ(d, 1.5);
    std::ostringstream out;
    write_double(out, 1.5);
    EXPECT_EQ(out.str(), "1.5");
}

TEST(Values, IntegersAndBooleansWritten)
{
    std::ostringstream out;
    unsigned u = 4294967295u;
    int i = -2147483647 - 1;
    unsigned char uc = 200;
    std::uint16_t us = 65535;
    bool t = true, f = false;
    to_string_uint(out, &u);
    out << ' ';
    to_string_int(out, &i);
    out << ' ';
    to_string_uchar(out, &uc);
    out << ' ';
    to_string_ushort(out, &us);
    out << ' ';
    to_string_bool(out, &t);
    out << ' ';
    to_string_bool(out, &f);
    EXPECT_EQ(out.str(), "4294967295 -2147483648 200 65535 1 0");
}

TEST(Values, HexBinary)
{
    struct Case {
        const char* text;
        c_binary bytes;
        const char* written;
    };
    const Case cases[] = {
        {"00ab", {0x00, 0xAB}, "00AB"}, {"00AB", {0x00, 0xAB}, "00AB"}, {"ABC", {0xAB}, "AB"},
        {"", {}, ""},                    {"F", {}, ""},                  {"0aFF", {0x0A, 0xFF}, "0AFF"},
    };
    for (const auto& c : cases) {
        c_binary b{1, 2, 3};
        from_string_binary(&b, c.text);
        EXPECT_EQ(b, c.bytes) << c.text;
        std::ostringstream out;
        to_string_binary(out, &b);
        EXPECT_EQ(out.str(), c.written) << c.text;
    }
}

TEST(Values, Utf8Decoding)
{
    struct Case {
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {"\x41\xF0\x9F\x98\x80\x42", u"\u0041\xD83D\xDE00\u0042"},
        {"\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},
        {"a\xE2\x82\x41z", u"a\uFFFDAz"},
        {"a\xED\xA0\x80z", u"a\uFFFDz"},
        {"a\xC0\xAFz", u"a\uFFFD\uFFFDz"},
        {"a\xE2\x82", u"a\uFFFD"},
        {"\xF4\x90\x80\x80", u"\uFFFD"},
        {"", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8_to_wstring(c.bytes), c.text) << c.bytes;
    }
    EXPECT_EQ(wstring_from_utf8_literal("veryHidden"), u"veryHidden");
    EXPECT_EQ(wstring_to_utf8(u"a\xD800z\U0001F600"), "a\xEF\xBF\xBDz\xF0\x9F\x98\x80");
}

namespace {

std::string escaped(const std::u16string& text, bool attribute)
{
    std::ostringstream out;
    write_escaped_wstring(out, text, attribute);
    return out.str();
}

}  // namespace

TEST(Values, Escaping)
{
    struct Case {
        std::u16string text;
        const char* in_text;
        const char* in_attribute;
    };
    const Case cases[] = {
        {u"<&\"\"", "&lt;&amp;&quot;&quot;", "&lt;&amp;&quot;&quot;"},
        {u"it's", "it&apos;s", "it&apos;s"},
        {u"x]>", "x]&gt;", "x]&gt;"},
        {u"]>", "]>", "]>"},
        {u"a>b", "a>b", "a>b"},
        {u"a\tb\nc\rd", "a\tb\nc&#13;d", "a&#9;b&#10;c&#13;d"},
        {u"\x01\x1F\uFFFE\uFFFF", "_x0001__x001F__xFFFE__xFFFF_", "_x0001__x001F__xFFFE__xFFFF_"},
        {u"a\xD83Dz", "a\xEF\xBF\xBDz", "a\xEF\xBF\xBDz"},
        {u"a\xDE00z", "a\xEF\xBF\xBDz", "a\xEF\xBF\xBDz"},
        {u"\xD83D\xDE00\u00E9", "\xF0\x9F\x98\x80\xC3\xA9", "\xF0\x9F\x98\x80\xC3\xA9"},
        {u"\u2028\u0085", "\xE2\x80\xA8\xC2\x85", "\xE2\x80\xA8\xC2\x85"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(escaped(c.text, false), c.in_text);
        EXPECT_EQ(escaped(c.text, true), c.in_attribute);
    }
    std::ostringstream narrow;
    write_escaped(narrow, "a&b<c\td\xC3\xA9", true);
    EXPECT_EQ(narrow.str(), "a&amp;b&lt;c&#9;d\xC3\xA9");
}

// String values (texts the reader decodes "_xHHHH_" in) are written as the
// applications write them: a carriage return and the control characters
// other than tab and line feed as "_xHHHH_", a text that spells such an
// escape with its underscore escaped; each reads back as it was, and a value
// read from an application's file goes back in the form it came in.
TEST(Values, StringValuesWriteTheFormsApplicationsWrite)
{
    struct Case {
        std::u16string text;
        const char* in_text;
        const char* in_attribute;
    };
    const Case cases[] = {
        {u"a\rb", "a_x000D_b", "a_x000D_b"},
        {u"line\r\nend", "line_x000D_\nend", "line_x000D_&#10;end"},
        {u"a\tb\nc", "a\tb\nc", "a&#9;b&#10;c"},
        {u"\x01\x1B\x1F", "_x0001__x001B__x001F_", "_x0001__x001B__x001F_"},
        {u"_x000D_", "_x005F_x000D_", "_x005F_x000D_"},
        {u"<&>", "&lt;&amp;>", "&lt;&amp;>"},
    };
    for (const auto& c : cases) {
        for (bool attribute : {false, true}) {
            std::ostringstream out;
            write_escaped_value(out, c.text, attribute);
            EXPECT_EQ(out.str(), attribute ? c.in_attribute : c.in_text);
            std::u16string back;
            from_string_wstring(&back, out.str());
            // (The markup's own references are the XML parser's to resolve.)
            if (out.str().find('&') == std::string::npos) {
                EXPECT_EQ(back, c.text);
            }
        }
    }
    // What an application wrote reads and goes back in the same form.
    for (const char* file : {"total_x000D_", "a_x000D__x000A_b", "_x0009_x"}) {
        std::u16string read;
        from_string_wstring(&read, file);
        std::ostringstream out;
        write_escaped_value(out, read, false);
        std::u16string again;
        from_string_wstring(&again, out.str());
        EXPECT_EQ(again, read) << file;
    }
    std::ostringstream cr;
    std::u16string read;
    from_string_wstring(&read, "total_x000D_");
    write_escaped_value(cr, read, false);
    EXPECT_EQ(cr.str(), "total_x000D_");
}

// What the runtime writes must read back the same in a conforming parser:
// libxml2 reads a document of every case, as attribute value and as text.
TEST(Values, EscapedTextReadsBackThroughLibxml2)
{
    struct Case {
        std::u16string text;
        std::u16string read_back;
    };
    const Case cases[] = {
        {u"plain", u"plain"},
        {u"<tag> & \"quotes\" 'apos'", u"<tag> & \"quotes\" 'apos'"},
        {u"]]>", u"]]>"},
        {u"x]]>y", u"x]]>y"},
        {u"tab\there", u"tab\there"},
        {u"line\nfeed", u"line\nfeed"},
        {u"carriage\rreturn\r\n", u"carriage\rreturn\r\n"},
        {u"  lead and trail  ", u"  lead and trail  "},
        {u"\u00E9\u4E2D\xD83D\xDE00", u"\u00E9\u4E2D\xD83D\xDE00"},
        {u"ctl\x01\x08", u"ctl_x0001__x0008_"},
        {u"lone\xD800high", u"lone\uFFFDhigh"},
        {u"lone\xDC00low", u"lone\uFFFDlow"},
        {u"\u2028\u0085", u"\u2028\u0085"},
    };
    std::ostringstream doc;
    doc << "<r>";
    for (const auto& c : cases) {
        doc << "<v a=\"";
        write_escaped_wstring(doc, c.text, true);
        doc << "\">";
        write_escaped_wstring(doc, c.text, false);
        doc << "</v>";
    }
    doc << "</r>";
    const std::string bytes = doc.str();
    xmlDocPtr parsed = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "escaped.xml", "UTF-8", XML_PARSE_NONET);
    ASSERT_NE(parsed, nullptr) << bytes;
    xmlNodePtr v = xmlDocGetRootElement(parsed)->children;
    for (const auto& c : cases) {
        ASSERT_NE(v, nullptr);
        xmlChar* attr = xmlGetProp(v, reinterpret_cast<const xmlChar*>("a"));
        xmlChar* text = xmlNodeGetContent(v);
        const std::string want = wstring_to_utf8(c.read_back);
        EXPECT_EQ(reinterpret_cast<const char*>(attr), want);
        EXPECT_EQ(reinterpret_cast<const char*>(text), want);
        xmlFree(attr);
        xmlFree(text);
        v = v->next;
    }
    xmlFreeDoc(parsed);
}
