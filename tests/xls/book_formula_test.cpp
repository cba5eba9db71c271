// The book as formulas see it: its own supporting link and the EXTERNSHEET
// entries that 3-D references use, defined names by 1-based number without
// regard to case, and entries added only when a formula compiles.

#include "test_support.h"

#include <string>
#include <vector>

#include "book.h"
#include "book_formula.h"
#include "book_links.h"
#include "book_test_util.h"
#include "formula/compiler.h"
#include "formula/printer.h"
#include "sheet.h"

namespace celvo {
namespace {

using test::BookHolder;

void addSheets(BookImplT& book, std::initializer_list<const char16_t*> names)
{
    for (const char16_t* name : names) ASSERT_NE(book.addSheet(name, nullptr), nullptr) << book.errorMessage();
}

RawRecord externalSupBook()
{
    // An external workbook "x.xls" with one sheet "S": ctab 1, then the names.
    return RawRecord{SupBook::kId, {0x01, 0x00, 0x05, 0x00, 0x00, 0x01, 'x', '.', 'x', 'l', 's',
                                    0x01, 0x00, 0x00, 'S'}};
}

Lbl makeName(BookImplT& book, const char16_t* text, std::uint16_t grbit = 0)
{
    Lbl name;
    name.grbit = grbit;
    name.text.assign(text, book.pool());
    name.formula = {0x1E, 0x01, 0x00};  // =1
    return name;
}

TEST(BookLinks, NewBookGetsItsOwnSupBookOnFirstUse)
{
    BookHolder book;
    addSheets(*book.book, {u"A", u"B", u"C"});
    EXPECT_EQ(findInternalLink(*book.book).record, nullptr);

    struct Case {
        int first, last;
        std::uint16_t index;
    };
    const Case cases[] = {{1, 1, 0}, {0, 2, 1}, {1, 1, 0}, {2, 2, 2}, {0, 2, 1}};
    for (const Case& c : cases) EXPECT_EQ(findOrAddInternalExternSheet(*book.book, c.first, c.last), c.index);

    const InternalLink link = findInternalLink(*book.book);
    ASSERT_NE(link.record, nullptr);
    EXPECT_EQ(link.ordinal, 0);
    EXPECT_EQ(link.record->data, (std::vector<std::uint8_t>{3, 0, 1, 4}));
    ASSERT_NE(link.externSheet, nullptr);
    ASSERT_EQ(link.externSheet->entries.size(), 3u);
    EXPECT_EQ(link.externSheet->entries[1], (Xti{0, 0, 2}));

    // A name always gets an entry of its own.
    EXPECT_EQ(addInternalExternSheet(*book.book, 1, 1), 3);
    int first = -9, last = -9;
    ASSERT_TRUE(internalExternSheetRange(*book.book, 3, first, last));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, 1);
    EXPECT_FALSE(internalExternSheetRange(*book.book, 4, first, last));
}

// The book's own link need not be the first: entries point at it by its
// position among all SUPBOOK records, and entries of other links never
// resolve to this book's sheets.
TEST(BookLinks, OwnLinkAfterAnExternalOne)
{
    struct Case {
        const char* what;
        bool ownLinkPresent;  // the book already holds its own SUPBOOK after the external one
    };
    const Case cases[] = {{"own link made", false}, {"own link found", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BookHolder book;
        addSheets(*book.book, {u"A", u"B"});
        SupBook& block = book->supBooks().emplace_back();
        block.supBook = externalSupBook();
        if (c.ownLinkPresent) block.records.push_back(RawRecord{SupBook::kId, {2, 0, 1, 4}});
        block.hasXti = true;
        block.externSheet.entries.push_back(Xti{0, 0, 0});  // the external sheet S

        EXPECT_EQ(findOrAddInternalExternSheet(*book.book, 1, 1), 1);
        const InternalLink link = findInternalLink(*book.book);
        ASSERT_NE(link.record, nullptr);
        EXPECT_EQ(link.ordinal, 1);
        EXPECT_EQ(book->supBooks().size(), 1u);
        ASSERT_EQ(block.records.size(), 1u);
        EXPECT_TRUE(isInternalSupBook(block.records[0]));
        EXPECT_EQ(block.externSheet.entries[1], (Xti{1, 1, 1}));

        int first = -9, last = -9;
        EXPECT_FALSE(internalExternSheetRange(*book.book, 0, first, last));
        ASSERT_TRUE(internalExternSheetRange(*book.book, 1, first, last));
        EXPECT_EQ(first, 1);

        BookFormulaContext context(*book.book);
        MakeFormula compiler(context);
        const auto tokens = compiler.compile(u"B!C3+A!A1");
        EXPECT_EQ(printFormula(tokens.data(), tokens.size(), context), u"B!C3+A!A1");
        // An entry of the other link prints as a reference that is gone.
        const std::vector<std::uint8_t> external{0x3A, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0};
        EXPECT_EQ(printFormula(external.data(), external.size(), context), u"#REF!A1");
    }
}

TEST(BookLinks, SavedLinksReadBack)
{
    BookHolder book;
    addSheets(*book.book, {u"A", u"B"});
    findOrAddInternalExternSheet(*book.book, 1, 1);
    ASSERT_NE(book->addSheet(u"C", nullptr), nullptr);
    const char* data = nullptr;
    unsigned size = 0;
    ASSERT_TRUE(book->saveToMemory(&data, &size)) << book->errorMessage();
    BookHolder again;
    ASSERT_TRUE(again->loadFromMemory(data, size)) << again->errorMessage();
    const InternalLink link = findInternalLink(*again.book);
    ASSERT_NE(link.record, nullptr);
    EXPECT_EQ(link.record->data, (std::vector<std::uint8_t>{3, 0, 1, 4}));  // the count at saving
    ASSERT_NE(link.externSheet, nullptr);
    ASSERT_EQ(link.externSheet->entries.size(), 1u);
    EXPECT_EQ(link.externSheet->entries[0], (Xti{0, 1, 1}));
}

TEST(BookFormulaContext, DefinedNamesByNumberWithoutCase)
{
    BookHolder book;
    addSheets(*book.book, {u"A"});
    book->names().push_back(makeName(*book.book, u"Rate"));
    book->names().push_back(makeName(*book.book, u"\x06", 0x0020));
    book->names().push_back(makeName(*book.book, u"Tax"));
    BookFormulaContext context(*book.book);

    struct Case {
        const char16_t* text;
        std::uint32_t index;
    };
    const Case cases[] = {{u"Rate", 1}, {u"RATE", 1}, {u"rate", 1}, {u"print_area", 2},
                          {u"Print_Area", 2}, {u"tax", 3}, {u"Other", 0}, {u"", 0}};
    for (const Case& c : cases) EXPECT_EQ(context.definedNameIndex(c.text), c.index);

    const std::u16string texts[] = {u"Rate", u"Print_Area", u"Tax"};
    for (std::uint32_t i = 1; i <= 3; ++i) {
        std::u16string text;
        ASSERT_TRUE(context.definedNameText(i, text));
        EXPECT_EQ(text, texts[i - 1]);
    }
    std::u16string text;
    EXPECT_FALSE(context.definedNameText(0, text));
    EXPECT_FALSE(context.definedNameText(4, text));

    MakeFormula compiler(context);
    const auto tokens = compiler.compile(u"tax*2+RATE");
    EXPECT_EQ(printFormula(tokens.data(), tokens.size(), context), u"Tax*2+Rate");
}

// A formula that the compiler refuses leaves the book's links as they were.
TEST(BookFormulaContext, EntriesOnlyForCompiledFormulas)
{
    struct Case {
        const char16_t* text;
        bool compiles;
        std::size_t entries;  // EXTERNSHEET entries afterwards
    };
    const Case cases[] = {
        {u"B!A1+", false, 0},
        {u"SUM(B!A1;'Two Words'!B2", false, 0},
        {u"Nowhere!A1", false, 0},
        {u"B!A1+'Two Words'!B2", true, 2},
        {u"'b:two words'!A1", true, 1},
    };
    for (const Case& c : cases) {
        BookHolder book;
        addSheets(*book.book, {u"A", u"B", u"Two Words"});
        BookFormulaContext context(*book.book);
        MakeFormula compiler(context);
        bool compiled = true;
        try {
            compiler.compile(c.text);
        } catch (const xlerror&) {
            compiled = false;
        }
        EXPECT_EQ(compiled, c.compiles);
        const InternalLink link = findInternalLink(*book.book);
        EXPECT_EQ(link.externSheet ? link.externSheet->entries.size() : 0u, c.entries);
    }
}

}  // namespace
}  // namespace celvo
