// Sheet-name text functions and the look-up of sheets named in formulas.
#include "test_support.h"

#include <string>
#include <vector>

#include "book_test_util.h"
#include "sheet_names.h"

namespace celvo {
namespace {

using test::BookHolder;

TEST(SheetNames, QuoteUnquoteReplaceSplit)
{
    struct QuoteCase {
        u16string name, quoted;
    };
    for (const QuoteCase& c : std::vector<QuoteCase>{{u"Data", u"Data"},
                                                    {u"My Sheet", u"'My Sheet'"},
                                                    {u"Year's Data", u"'Year''s Data'"},
                                                    {u"Year's", u"Year's"},
                                                    {u"", u""}}) {
        EXPECT_EQ(quoteSheetName(c.name), c.quoted) << utf16ToUtf8(c.name);
        EXPECT_EQ(unquoteSheetName(c.quoted), c.name) << utf16ToUtf8(c.quoted);
    }
    struct UnquoteCase {
        u16string text, name;
    };
    for (const UnquoteCase& c : std::vector<UnquoteCase>{{u"''", u"'"}, {u"'a'", u"a"}, {u"a''b", u"a'b"}, {u"'", u"'"}})
        EXPECT_EQ(unquoteSheetName(c.text), c.name) << utf16ToUtf8(c.text);

    struct ReplaceCase {
        u16string text, from, to, result;
        bool replaced;
    };
    for (const ReplaceCase& c : std::vector<ReplaceCase>{{u"a'b'c", u"'", u"''", u"a''b''c", true},
                                                        {u"aaa", u"a", u"aa", u"aaaaaa", true},
                                                        {u"abc", u"x", u"y", u"abc", false},
                                                        {u"", u"a", u"b", u"", false},
                                                        {u"abc", u"", u"b", u"abc", false}}) {
        u16string text = c.text;
        EXPECT_EQ(replaceAll(text, c.from, c.to), c.replaced) << utf16ToUtf8(c.text);
        EXPECT_EQ(text, c.result);
    }

    u16string before = u"x", after = u"y";
    EXPECT_FALSE(splitString(u"Sheet1", u":", before, after));
    EXPECT_EQ(before + after, u"xy");
    EXPECT_TRUE(splitString(u"A:B:C", u":!", before, after));
    EXPECT_EQ(before, u"A");
    EXPECT_EQ(after, u"B:C");
}

TEST(SheetNames, FindSheetRange)
{
    BookHolder book;
    for (const char16_t* n : {u"First", u"My Sheet", u"Year's Data"}) book->addSheet(n, nullptr);
    struct Case {
        u16string text;
        int first, last;
        std::string error;
    };
    const std::vector<Case> cases = {
        {u"First", 0, 0, ""},
        {u"'My Sheet'", 1, 1, ""},
        {u"my sheet", 1, 1, ""},
        {u"'Year''s Data'", 2, 2, ""},
        {u"First:Year's Data", 0, 2, ""},
        {u"'FIRST:My Sheet'", 0, 1, ""},
        {u"Nothing", -1, -1, "sheet is not found"},
        {u"First:Nothing", 0, -1, "sheet is not found"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf16ToUtf8(c.text));
        short first = 7, last = 7;
        std::string error;
        try {
            book->findSheetRange(c.text, &first, &last);
        } catch (const xlerror& e) {
            error = e.what();
        }
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(first, c.first);
        EXPECT_EQ(last, c.last);
    }
}

}  // namespace
}  // namespace celvo
