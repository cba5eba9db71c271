// Cell formats and fonts: bit fields, value masking, font indexes, XF and
// FONT records.
#include "test_support.h"

#include <functional>
#include <string>
#include <vector>

#include "book.h"
#include "book_test_util.h"

namespace celvo {
namespace {

using test::BookHolder;
using test::Bytes;
using test::cat;
using test::rec;

// A getter/setter pair of the format and the field it must stay inside.
struct FieldCase {
    const char* what;
    std::function<void(IFormatT&, int)> set;
    std::function<int(IFormatT&)> get;
    int width;  // bits
};

std::vector<FieldCase> formatFields()
{
    return {
        {"horizontal alignment", [](IFormatT& f, int v) { f.setHorizontalAlignment(v); },
         [](IFormatT& f) { return f.horizontalAlignment(); }, 3},
        {"vertical alignment", [](IFormatT& f, int v) { f.setVerticalAlignment(v); },
         [](IFormatT& f) { return f.verticalAlignment(); }, 3},
        {"indent", [](IFormatT& f, int v) { f.setIndent(v); }, [](IFormatT& f) { return f.indent(); }, 4},
        {"left border", [](IFormatT& f, int v) { f.setBorderLeft(v); }, [](IFormatT& f) { return f.borderLeft(); }, 4},
        {"right border", [](IFormatT& f, int v) { f.setBorderRight(v); }, [](IFormatT& f) { return f.borderRight(); }, 4},
        {"top border", [](IFormatT& f, int v) { f.setBorderTop(v); }, [](IFormatT& f) { return f.borderTop(); }, 4},
        {"bottom border", [](IFormatT& f, int v) { f.setBorderBottom(v); }, [](IFormatT& f) { return f.borderBottom(); }, 4},
        {"left border colour", [](IFormatT& f, int v) { f.setBorderLeftColor(v); },
         [](IFormatT& f) { return f.borderLeftColor(); }, 7},
        {"right border colour", [](IFormatT& f, int v) { f.setBorderRightColor(v); },
         [](IFormatT& f) { return f.borderRightColor(); }, 7},
        {"top border colour", [](IFormatT& f, int v) { f.setBorderTopColor(v); },
         [](IFormatT& f) { return f.borderTopColor(); }, 7},
        {"bottom border colour", [](IFormatT& f, int v) { f.setBorderBottomColor(v); },
         [](IFormatT& f) { return f.borderBottomColor(); }, 7},
        {"diagonal borders", [](IFormatT& f, int v) { f.setBorderDiagonal(v); },
         [](IFormatT& f) { return f.borderDiagonal(); }, 2},
        {"diagonal style", [](IFormatT& f, int v) { f.setBorderDiagonalStyle(v); },
         [](IFormatT& f) { return f.borderDiagonalStyle(); }, 4},
        {"diagonal colour", [](IFormatT& f, int v) { f.setBorderDiagonalColor(v); },
         [](IFormatT& f) { return f.borderDiagonalColor(); }, 7},
        {"fill pattern", [](IFormatT& f, int v) { f.setFillPattern(v); }, [](IFormatT& f) { return f.fillPattern(); }, 6},
        {"pattern foreground", [](IFormatT& f, int v) { f.setPatternForegroundColor(v); },
         [](IFormatT& f) { return f.patternForegroundColor(); }, 7},
        {"pattern background", [](IFormatT& f, int v) { f.setPatternBackgroundColor(v); },
         [](IFormatT& f) { return f.patternBackgroundColor(); }, 7},
        {"wrap", [](IFormatT& f, int v) { f.setWrapText(v != 0); }, [](IFormatT& f) { return int(f.wrapText()); }, 1},
        {"shrink", [](IFormatT& f, int v) { f.setShrinkToFit(v != 0); }, [](IFormatT& f) { return int(f.shrinkToFit()); }, 1},
        {"locked", [](IFormatT& f, int v) { f.setLocked(v != 0); }, [](IFormatT& f) { return int(f.locked()); }, 1},
        {"hidden", [](IFormatT& f, int v) { f.setHidden(v != 0); }, [](IFormatT& f) { return int(f.hidden()); }, 1},
    };
}

TEST(FormatImpl, EveryFieldKeepsItsValueAndNoValueBleeds)
{
    BookHolder h;
    const auto fields = formatFields();
    auto maxOf = [](const FieldCase& field) { return field.width >= 16 ? 0xFFFF : (1 << field.width) - 1; };
    // Every other field first at a value of its own that differs from its
    // neighbours' (then at its complement, so that every bit of every
    // neighbour is seen both set and clear): a setter that writes or clears
    // a neighbour's bits changes what the neighbour reads.
    for (const bool complement : {false, true}) {
        for (const auto& field : fields) {
            SCOPED_TRACE(std::string(field.what) + (complement ? ", neighbours complemented" : ""));
            FormatImplT f(*h.book);
            std::vector<int> before;
            for (std::size_t i = 0; i < fields.size(); ++i) {
                const int max = maxOf(fields[i]);
                const int value = max == 1 ? int(i % 2) : int(1 + (i * 5) % max);
                fields[i].set(f, complement ? max - value : value);
                before.push_back(fields[i].get(f));
                EXPECT_EQ(before.back(), complement ? max - value : value) << fields[i].what;
            }
            auto neighboursKept = [&](const char* after) {
                for (std::size_t i = 0; i < fields.size(); ++i) {
                    if (fields[i].what == field.what) continue;
                    EXPECT_EQ(fields[i].get(f), before[i]) << "changed: " << fields[i].what << " after " << after;
                }
            };
            const int max = maxOf(field);
            field.set(f, max);
            EXPECT_EQ(field.get(f), max);
            neighboursKept("the largest value");
            // A value wider than the field is cut to the field.
            field.set(f, 0x7FFFFFFF);
            EXPECT_EQ(field.get(f), max);
            neighboursKept("a value wider than the field");
            field.set(f, 0);
            EXPECT_EQ(field.get(f), 0);
            neighboursKept("zero");
            field.set(f, max + 1);
            neighboursKept("one past the largest value");
        }
    }
}

// The font's fields likewise: each set while the others hold values of
// their own, which must stay.
TEST(FontImpl, EveryFieldKeepsItsValueAndTheOthersTheirs)
{
    struct Field {
        const char* what;
        std::function<void(IFontT&, int)> set;
        std::function<int(IFontT&)> get;
        int first, second;  // two values the field takes
    };
    const std::vector<Field> fields = {
        {"size", [](IFontT& f, int v) { f.setSize(v); }, [](IFontT& f) { return f.size(); }, 14, 9},
        {"italic", [](IFontT& f, int v) { f.setItalic(v != 0); }, [](IFontT& f) { return int(f.italic()); }, 1, 0},
        {"strike-out", [](IFontT& f, int v) { f.setStrikeOut(v != 0); }, [](IFontT& f) { return int(f.strikeOut()); },
         0, 1},
        {"colour", [](IFontT& f, int v) { f.setColor(v); }, [](IFontT& f) { return f.color(); }, 10, 53},
        {"bold", [](IFontT& f, int v) { f.setBold(v != 0); }, [](IFontT& f) { return int(f.bold()); }, 1, 0},
        {"script", [](IFontT& f, int v) { f.setScript(v); }, [](IFontT& f) { return f.script(); }, 2, 1},
        {"underline", [](IFontT& f, int v) { f.setUnderline(v); }, [](IFontT& f) { return f.underline(); }, 0x21, 2},
    };
    BookHolder h;
    for (const bool swap : {false, true}) {
        for (const auto& field : fields) {
            SCOPED_TRACE(std::string(field.what) + (swap ? ", the other values" : ""));
            FontImplT f(*h.book);
            for (const auto& other : fields) other.set(f, swap ? other.second : other.first);
            for (const int value : {field.first, field.second}) {
                field.set(f, value);
                EXPECT_EQ(field.get(f), value);
                for (const auto& other : fields) {
                    if (other.what == field.what) continue;
                    EXPECT_EQ(other.get(f), swap ? other.second : other.first) << "changed: " << other.what;
                }
            }
        }
    }
}

TEST(FormatImpl, NumberFormatsTheBookHoldsAreTaken)
{
    BookHolder h;
    IFormatT* f = h.book->addFormat(nullptr);
    const int custom = h.book->addCustomNumFormat(u"0.000");
    struct Case {
        int id;
        const char* message;  // null: taken
    };
    const std::vector<Case> cases = {
        {0, nullptr}, {14, nullptr}, {163, nullptr}, {custom, nullptr},
        {custom + 1, "custom number format not found"}, {65535, "custom number format not found"},
        {65550, "number format id is out of range"}, {-1, "number format id is out of range"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        f->setNumFormat(22);
        f->setNumFormat(c.id);
        EXPECT_EQ(f->numFormat(), c.message ? 22 : c.id);
        EXPECT_STREQ(h.book->errorMessage(), c.message ? c.message : "ok");
    }
}

TEST(FormatImpl, DefaultsOfANewFormat)
{
    BookHolder h;
    FormatImplT f(*h.book);
    ByteWriter expected;
    BiffOutput out;
    f.write(out);
    EXPECT_EQ(out.bytes(), rec(0xE0, {0, 0, 0, 0, 0xF5, 0xFF, 0x20, 0, 0, 0xFC, 0, 0, 0x40, 0x20, 0, 0x20, 0, 0,
                                      0xC0, 0x20}));
    EXPECT_EQ(f.rotation(), 0);
    EXPECT_EQ(f.verticalAlignment(), 2);
    EXPECT_EQ(f.borderLeftColor(), 64);
    EXPECT_EQ(f.borderBottomColor(), 64);
    EXPECT_EQ(f.borderDiagonalColor(), 0);
    EXPECT_EQ(f.patternForegroundColor(), 64);
    EXPECT_EQ(f.patternBackgroundColor(), 65);
    EXPECT_TRUE(f.locked());
}

TEST(FormatImpl, RotationBordersAndFonts)
{
    BookHolder h;
    BookImplT& book = *h.book;
    IFormatT* f = book.addFormat(nullptr);
    ASSERT_NE(f, nullptr);

    struct RotationCase { int value; bool ok; int stored; };
    for (const RotationCase& c : std::vector<RotationCase>{{0, true, 0}, {90, true, 90}, {180, true, 180},
                                                          {255, true, 255}, {181, false, 255}, {-1, false, 255},
                                                          {254, false, 255}, {45, true, 45}}) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(f->setRotation(c.value), c.ok);
        EXPECT_EQ(std::string(book.errorMessage()), c.ok ? "ok" : "rotation must be in range 0-180 or 255");
        EXPECT_EQ(f->rotation(), c.stored);
    }

    f->setBorderDiagonalStyle(5);
    f->setBorder(1);
    EXPECT_EQ(f->borderLeft(), 1);
    EXPECT_EQ(f->borderRight(), 1);
    EXPECT_EQ(f->borderTop(), 1);
    EXPECT_EQ(f->borderBottom(), 1);
    EXPECT_EQ(f->borderDiagonalStyle(), 5);
    f->setBorderColor(10);
    EXPECT_EQ(f->borderLeftColor() + f->borderRightColor() + f->borderTopColor() + f->borderBottomColor(), 40);
    EXPECT_EQ(f->borderDiagonalColor(), 0);

    // Font positions 0-3 are indexes 0-3; from position 4 on the index skips 4.
    ASSERT_EQ(book.fontCount(), 5);
    auto* impl = static_cast<FormatImplT*>(f);
    struct FontCase { int position; int index; };
    for (const FontCase& c : std::vector<FontCase>{{0, 0}, {3, 3}, {4, 5}}) {
        SCOPED_TRACE(c.position);
        IFontT* font = book.font(c.position);
        EXPECT_TRUE(f->setFont(font));
        EXPECT_EQ(impl->fontIndex, c.index);
        EXPECT_EQ(f->font(), font);
        EXPECT_STREQ(book.errorMessage(), "ok");
    }
    impl->fontIndex = 4;
    EXPECT_EQ(f->font(), nullptr);
    EXPECT_STREQ(book.errorMessage(), "incorrect font");
    impl->fontIndex = 6;  // position 5: beyond the five fonts
    EXPECT_EQ(f->font(), nullptr);
    EXPECT_STREQ(book.errorMessage(), "incorrect font");

    BookHolder other;
    EXPECT_FALSE(f->setFont(other.book->font(0)));
    EXPECT_STREQ(book.errorMessage(), "specified font not found");
}

TEST(FormatImpl, ReadsXfRecordsOfEveryAcceptedLength)
{
    const Bytes xf20 = {1, 0, 0xA4, 0, 1, 0, 0x2B, 0x5A, 3, 0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x08,
                        0x0A, 0x11};
    struct Case {
        const char* what;
        Bytes data;
        int version;
        std::string expected;  // fields after reading, or the error
    };
    auto describe = [](FormatImplT& f) {
        return std::to_string(f.fontIndex) + " " + std::to_string(f.numFmt) + " h" +
               std::to_string(f.horizontalAlignment()) + " v" + std::to_string(f.verticalAlignment()) + " w" +
               std::to_string(f.wrapText()) + " r" + std::to_string(f.rotation()) + " fg" +
               std::to_string(f.patternForegroundColor()) + " bg" + std::to_string(f.patternBackgroundColor()) +
               " fill" + std::to_string(f.fillPattern()) + " bb" + std::to_string(f.borderBottom()) + " bl" +
               std::to_string(f.borderLeft()) + " blc" + std::to_string(f.borderLeftColor());
    };
    const std::vector<Case> cases = {
        {"20 bytes", xf20, 0x0600, "1 164 h3 v2 w1 r90 fg10 bg34 fill2 bb2 bl1 blc51"},
        {"18 bytes: the pattern colours keep their defaults", Bytes(xf20.begin(), xf20.begin() + 18), 0x0600,
         "1 164 h3 v2 w1 r90 fg64 bg65 fill2 bb2 bl1 blc51"},
        {"6 bytes", Bytes(xf20.begin(), xf20.begin() + 6), 0x0600, "1 164 h0 v2 w0 r0 fg64 bg65 fill0 bb0 bl0 blc64"},
        {"16 bytes end inside a field", Bytes(xf20.begin(), xf20.begin() + 16), 0x0600, "error: XF size is incorrect"},
        {"21 bytes", cat(xf20, Bytes{0}), 0x0600, "error: XF size is incorrect"},
        {"3 bytes", Bytes{1, 0, 2}, 0x0600, "error: XF size is incorrect"},
        {"BIFF5: stacked orientation, fill and borders",
         Bytes{2, 0, 5, 0, 1, 0, 0x2A, 0x01, 0x0A, 0x11, 0x43, 0x00, 0x08, 0, 0x22, 0}, 0x0500,
         "2 5 h2 v2 w1 r255 fg10 bg34 fill3 bb1 bl1 blc34"},
        {"BIFF5: orientation code 2 and 3", Bytes{0, 0, 0, 0, 0, 0, 0, 0x02}, 0x0500,
         "0 0 h0 v0 w0 r90 fg64 bg65 fill0 bb0 bl0 blc64"},
        {"BIFF5 record of 20 bytes", xf20, 0x0500, "error: XF size is incorrect"},
    };
    BookHolder h;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BiffInput in(cat(rec(0xE0, c.data), rec(0xAA, {})));
        FormatImplT f(*h.book);
        std::string got;
        try {
            RecordCursor r = in.next();
            f.read(r, c.version);
            got = describe(f);
        } catch (const xlerror& e) {
            got = std::string("error: ") + e.what();
        }
        EXPECT_EQ(got, c.expected);
        EXPECT_EQ(in.peekRecordId(), 0xAA);
    }
}

TEST(FontImpl, SizesWeightsAndNames)
{
    BookHolder h;
    BookImplT& book = *h.book;
    FontImplT f(book);
    EXPECT_EQ(f.size(), 10);
    EXPECT_STREQ(reinterpret_cast<const char*>(utf16ToUtf8(f.name()).c_str()), "Arial");

    struct SizeCase { int size; int twips; };
    // Heights are capped at 8191 twips and kept at one point at least.
    for (const SizeCase& c : std::vector<SizeCase>{{10, 200}, {500, 8191}, {409, 8180}, {3277, 8191},
                                                  {1, 20}, {0, 20}, {-5, 20}, {2147483647, 8191}}) {
        SCOPED_TRACE(c.size);
        f.setSize(c.size);
        EXPECT_EQ(f.height, c.twips);
    }
    f.setSize(500);
    EXPECT_EQ(f.size(), 409);

    struct WeightCase { int weight; bool bold; };
    for (const WeightCase& c : std::vector<WeightCase>{{400, false}, {699, false}, {700, true}, {1000, true}}) {
        f.weight = static_cast<std::uint16_t>(c.weight);
        EXPECT_EQ(f.bold(), c.bold) << c.weight;
    }
    f.weight = 600;
    f.setBold(false);
    EXPECT_EQ(f.weight, 400);
    EXPECT_EQ(f.flags, 0);
    f.setBold(true);
    EXPECT_EQ(f.weight, 700);
    EXPECT_EQ(f.flags, 0x0001) << "bold fonts of the applications' files carry bit 0";

    f.setItalic(true);
    f.setStrikeOut(true);
    EXPECT_EQ(f.flags, 0x000B);
    f.setItalic(false);
    EXPECT_EQ(f.flags, 0x0009);
    f.setBold(false);
    EXPECT_EQ(f.flags, 0x0008);

    EXPECT_TRUE(f.setName(u"Liberation Sans"));
    EXPECT_EQ(f.nameString(), u"Liberation Sans");
    EXPECT_FALSE(f.setName(u16string(256, u'x').c_str()));
    EXPECT_STREQ(book.errorMessage(), "string is too long");
    EXPECT_EQ(f.nameString(), u"Liberation Sans");
    EXPECT_TRUE(f.setName(u16string(255, u'y').c_str()));
    EXPECT_FALSE(f.setName(nullptr));
    EXPECT_STREQ(book.errorMessage(), "font name is null");
}

TEST(FontImpl, ReadsFontRecords)
{
    const Bytes fixed = {0x18, 0x01, 0x02, 0, 0x0A, 0, 0xBC, 0x02, 1, 0, 1, 2, 0, 0};
    struct Case {
        const char* what;
        Bytes data;
        int version;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"16-bit name", cat(fixed, Bytes{2, 1, 'T', 0, 0x14, 0x04}), 0x0600, "280 italic1 colour10 bold1 script1 ul1 TД"},
        {"8-bit name", cat(fixed, Bytes{3, 0, 'A', 'r', 0xE9}), 0x0600, "280 italic1 colour10 bold1 script1 ul1 Aré"},
        {"BIFF5 name without option byte", cat(fixed, Bytes{2, 'O', 'k'}), 0x0500, "280 italic1 colour10 bold1 script1 ul1 Ok"},
        {"13 bytes", Bytes(fixed.begin(), fixed.begin() + 13), 0x0600, "error: Font size is incorrect"},
        {"name longer than the record", cat(fixed, Bytes{40, 1, 'T', 0}), 0x0600, "error: Font size is incorrect"},
    };
    BookHolder h;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BiffInput in(cat(rec(0x31, c.data), rec(0xAA, {})));
        FontImplT f(*h.book);
        std::string got;
        try {
            RecordCursor r = in.next();
            f.read(r, c.version);
            got = std::to_string(f.height) + " italic" + std::to_string(f.italic()) + " colour" +
                  std::to_string(f.color()) + " bold" + std::to_string(f.bold()) + " script" +
                  std::to_string(f.script()) + " ul" + std::to_string(f.underline()) + " " + utf16ToUtf8(f.nameString());
        } catch (const xlerror& e) {
            got = std::string("error: ") + e.what();
        }
        EXPECT_EQ(got, c.expected);
        EXPECT_EQ(in.peekRecordId(), 0xAA);
    }

    // Written back as read.
    BiffInput in(rec(0x31, cat(fixed, Bytes{3, 0, 'A', 'r', 0xE9})));
    FontImplT f(*h.book);
    RecordCursor r = in.next();
    f.read(r, 0x0600);
    BiffOutput out;
    f.write(out);
    EXPECT_EQ(out.bytes(), in.bytes());
}

}  // namespace
}  // namespace celvo
