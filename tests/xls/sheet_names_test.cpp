// The look-up of sheets named in formulas.
#include "test_support.h"

#include <string>
#include <vector>

#include "book_test_util.h"

namespace celvo {
namespace {

using test::BookHolder;

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
