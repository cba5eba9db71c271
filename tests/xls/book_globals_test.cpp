// The default content of a new .xls book, its number formats and the
// globals substream that it writes.
#include "test_support.h"

#include <map>
#include <string>
#include <vector>

#include "book.h"
#include "book_test_util.h"

namespace celvo {
namespace {

using test::BookHolder;
using test::Bytes;

struct Record {
    std::uint16_t id;
    Bytes data;
};

// The globals substream of the book as saved (a book is saved with at least
// one sheet: one is added when it has none).
std::vector<Record> globalsOf(BookImplT& book)
{
    if (book.sheetCount() == 0) book.addSheet(u"S", nullptr);
    BiffOutput out;
    book.writeStream(out);
    std::vector<Record> records;
    BiffInput in(out.bytes());
    while (!in.eof()) {
        RecordCursor r = in.next();
        records.push_back({r.id(), r.rest()});
        if (r.id() == 0x000A) break;
    }
    return records;
}

TEST(BookDefaults, NewBookContent)
{
    BookHolder book;
    EXPECT_EQ(book->formatCount(), 21);
    EXPECT_EQ(book->fontCount(), 5);
    EXPECT_EQ(book->sheetCount(), 0);
    EXPECT_STREQ(book->errorMessage(), "ok");

    // XF index: font, number format, protection word, alignment byte, used byte.
    struct XfCase { int index, font, numFmt, protection, alignByte, usedByte; };
    const std::vector<XfCase> cases = {
        {0, 0, 0, 0xFFF5, 0x20, 0x00},  {1, 1, 0, 0xFFF5, 0x20, 0xFC},  {2, 1, 0, 0xFFF5, 0x20, 0xFC},
        {3, 2, 0, 0xFFF5, 0x20, 0xFC},  {4, 2, 0, 0xFFF5, 0x20, 0xFC},  {5, 0, 0, 0xFFF5, 0x20, 0xFC},
        {14, 0, 0, 0xFFF5, 0x20, 0xFC}, {15, 0, 0, 0x0001, 0x20, 0x00}, {16, 1, 44, 0xFFF5, 0x20, 0xF8},
        {17, 1, 42, 0xFFF5, 0x20, 0xF8}, {18, 1, 9, 0xFFF5, 0x20, 0xF8}, {19, 1, 43, 0xFFF5, 0x20, 0xF8},
        {20, 1, 41, 0xFFF5, 0x00, 0x00},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        auto& f = *book->formats()[static_cast<std::size_t>(c.index)];
        EXPECT_EQ(f.fontIndex, c.font);
        EXPECT_EQ(f.numFmt, c.numFmt);
        EXPECT_EQ(f.protection, c.protection);
        EXPECT_EQ(f.align & 0xFF, static_cast<std::uint32_t>(c.alignByte));
        EXPECT_EQ(f.align >> 24, static_cast<std::uint32_t>(c.usedByte));
        EXPECT_EQ((f.align >> 8) & 0xFFFF, 0u) << "rotation and indent stay 0";
    }

    int size = 0;
    EXPECT_EQ(u16(book->defaultFont(&size)), u"Arial");
    EXPECT_EQ(size, 10);
    EXPECT_EQ(u16(book->defaultFont(nullptr)), u"Arial") << "the size is not wanted";
}

TEST(BookDefaults, BookWithoutSheetsIsNotSaved)
{
    // Readers cannot open a workbook without a sheet.
    BookHolder book;
    const char* data = nullptr;
    unsigned size = 0;
    EXPECT_FALSE(book->saveToMemory(&data, &size));
    EXPECT_STREQ(book->errorMessage(), "a workbook without sheets can't be saved");
    EXPECT_EQ(data, nullptr);
}

TEST(BookDefaults, NewBookSavedAtOnce)
{
    BookHolder book;
    const auto records = globalsOf(*book.book);
    std::vector<std::uint16_t> ids;
    std::map<std::uint16_t, int> counts;
    for (const auto& r : records) {
        ids.push_back(r.id);
        ++counts[r.id];
    }
    EXPECT_EQ(counts[0x00E0], 21);
    EXPECT_EQ(counts[0x0031], 5);
    EXPECT_EQ(counts[0x0293], 6);
    EXPECT_EQ(counts[0x041E], 0);
    EXPECT_EQ(counts[0x0092], 0) << "no PALETTE while the palette is unchanged";
    EXPECT_EQ(counts[0x0085], 1);

    // The fixed order of the globals substream.
    const std::vector<std::uint16_t> order = {0x0809, 0x00E1, 0x00C1, 0x00E2, 0x005C, 0x0042, 0x0161, 0x013D,
                                              0x009C, 0x0019, 0x0012, 0x0013, 0x01AF, 0x01BC, 0x003D, 0x0040,
                                              0x008D, 0x0022, 0x000E, 0x01B7, 0x00DA, 0x0031};
    ASSERT_GE(ids.size(), order.size());
    EXPECT_EQ(std::vector<std::uint16_t>(ids.begin(), ids.begin() + static_cast<std::ptrdiff_t>(order.size())), order);
    const std::vector<std::uint16_t> tail = {0x0160, 0x0085, 0x008C, 0x00FC, 0x000A};
    EXPECT_EQ(std::vector<std::uint16_t>(ids.end() - 5, ids.end()), tail);

    std::map<std::uint16_t, Bytes> data;
    for (const auto& r : records) data.emplace(r.id, r.data);
    EXPECT_EQ(data[0x003D], Bytes({0, 0, 15, 0, 0x1B, 0x3F, 0xF6, 0x27, 0x38, 0, 0, 0, 0, 0, 1, 0, 0x58, 2}));
    EXPECT_EQ(data[0x008C], Bytes({1, 0, 1, 0}));
    EXPECT_EQ(data[0x0013], Bytes({0, 0}));
    EXPECT_EQ(data[0x005C].size(), 112u);

    std::vector<Bytes> styles;
    for (const auto& r : records)
        if (r.id == 0x0293) styles.push_back(r.data);
    const std::vector<Bytes> expectedStyles = {{0x10, 0x80, 4, 0xFF}, {0x11, 0x80, 7, 0xFF}, {0x00, 0x80, 0, 0xFF},
                                               {0x12, 0x80, 5, 0xFF}, {0x13, 0x80, 3, 0xFF}, {0x14, 0x80, 6, 0xFF}};
    EXPECT_EQ(styles, expectedStyles);
}

TEST(BookNumberFormats, CustomFormats)
{
    BookHolder book;
    struct Case {
        const char* what;
        u16string text;
        int expected;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"first", u"0.000", 164, "ok"},
        {"second", u"#,##0.0", 165, "ok"},
        {"the first again", u"0.000", 164, "ok"},
        {"letter case counts", u"0.000E+00", 166, "ok"},
        {"the empty text", u"", 167, "ok"},
        {"255 characters", u16string(255, u'0'), 168, "ok"},
        {"256 characters are refused", u16string(256, u'0'), 0, "string is too long"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(book->addCustomNumFormat(c.text.c_str()), c.expected);
        EXPECT_STREQ(book->errorMessage(), c.message);
    }
    EXPECT_EQ(u16(book->customNumFormat(165)), u"#,##0.0");
    EXPECT_STREQ(book->errorMessage(), "ok");
    EXPECT_EQ(book->customNumFormat(7), nullptr);
    EXPECT_STREQ(book->errorMessage(), "custom number format not found");

    // Saved as FORMAT records in the order registered.
    std::vector<int> ids;
    for (const auto& r : globalsOf(*book.book))
        if (r.id == 0x041E) ids.push_back(r.data[0] | (r.data[1] << 8));
    EXPECT_EQ(ids, std::vector<int>({164, 165, 166, 167, 168}));
}

TEST(BookNumberFormats, IdsFromTheFileAndTheLimit)
{
    BookHolder book;
    // A file's formats under 164, 166 and a built-in id.
    for (auto [id, text] : std::vector<std::pair<int, u16string>>{{164, u"a"}, {166, u"b"}, {7, u"c"}}) {
        Format f;
        f.ifmt = static_cast<std::uint16_t>(id);
        f.text.assign(text.c_str(), book->pool());
        book->numFormats().push_back(f);
    }
    EXPECT_EQ(book->addCustomNumFormat(u"new"), 165);
    EXPECT_EQ(book->addCustomNumFormat(u"c"), 7) << "a text the file defined under a built-in id";
    int last = 0;
    for (int i = 0; i < 500; ++i) {
        const int id = book->addCustomNumFormat(widenAscii("f" + std::to_string(i)).c_str());
        if (id == 0) break;
        last = id;
    }
    EXPECT_EQ(last, 392);
    const std::size_t entries = book->numFormats().size();
    EXPECT_EQ(book->addCustomNumFormat(u"one more"), 0);
    EXPECT_STREQ(book->errorMessage(), "maximum number of custom formats is exceeded");
    EXPECT_EQ(book->numFormats().size(), entries);
    EXPECT_EQ(book->addCustomNumFormat(u"f3"), 170) << "a known text is still found";
}

TEST(BookFormats, AddAndCopyFormatsAndFonts)
{
    BookHolder book;
    EXPECT_EQ(book->format(21), nullptr);
    EXPECT_STREQ(book->errorMessage(), "index is out of range");
    EXPECT_EQ(book->font(-1), nullptr);
    EXPECT_STREQ(book->errorMessage(), "index is out of range");

    IFormatT* f = book->addFormat(nullptr);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(static_cast<FormatImplT*>(f)->protection, 0x0001);
    EXPECT_EQ(book->formatCount(), 22);

    IFontT* font = book->addFont(nullptr);
    font->setBold(true);
    font->setSize(14);
    EXPECT_TRUE(font->setName(u"Courier New"));
    f->setFont(font);
    f->setNumFormat(book->addCustomNumFormat(u"0.0%"));
    f->setFillPattern(3);
    f->setBorderBottom(2);
    EXPECT_TRUE(f->setRotation(45));

    // Copying into another book registers the font and the custom format there.
    BookHolder other;
    other->addCustomNumFormat(u"x");
    IFormatT* copy = other->addFormat(f);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(other->fontCount(), 6);
    EXPECT_EQ(u16(copy->font()->name()), u"Courier New");
    EXPECT_TRUE(copy->font()->bold());
    EXPECT_EQ(copy->font()->size(), 14);
    EXPECT_EQ(copy->numFormat(), 165);
    EXPECT_EQ(u16(other->customNumFormat(165)), u"0.0%");
    EXPECT_EQ(copy->fillPattern(), 3);
    EXPECT_EQ(copy->borderBottom(), 2);
    EXPECT_EQ(copy->rotation(), 45);
    EXPECT_STREQ(other->errorMessage(), "ok");

    book->setDefaultFont(u"Tahoma", 12);
    int size = 0;
    EXPECT_EQ(u16(book->defaultFont(&size)), u"Tahoma");
    EXPECT_EQ(size, 12);
}

TEST(BookColours, PackAndUnpack)
{
    BookHolder book;
    EXPECT_EQ(book->packColor(255, 0, 0), 10);
    EXPECT_EQ(book->packColor(1, 2, 3), 8);
    int r = 0, g = 0, b = 0;
    book->unpackColor(8, &r, &g, &b);
    EXPECT_EQ(r + g + b, 6);
    book->unpackColor(64, &r, &g, &b);
    EXPECT_STREQ(book->errorMessage(), "invalid vector<T> subscript");

    // A changed palette is written.
    int palettes = 0;
    for (const auto& rec : globalsOf(*book.book)) palettes += rec.id == 0x0092;
    EXPECT_EQ(palettes, 1);
}

}  // namespace
}  // namespace celvo
