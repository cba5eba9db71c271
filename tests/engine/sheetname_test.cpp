#include "celvo/sheetname.h"
#include "celvo/xlerror.h"

#include "test_support.h"

using namespace celvo;

TEST(SheetName, ForbiddenNamesAreRefused)
{
    struct Case {
        u16string name;
        const char* message;  // null: allowed
    };
    const std::vector<Case> cases = {
        {u"Sheet1", nullptr},
        {u"Year's data", nullptr},
        {u"a-b_c (d) {e} #1 !", nullptr},
        {u"", "sheet name can't be empty"},
        {u"a[b", "sheet name can't contain [ ] : * ? / \\"},
        {u"a]b", "sheet name can't contain [ ] : * ? / \\"},
        {u"a:b", "sheet name can't contain [ ] : * ? / \\"},
        {u"a*b", "sheet name can't contain [ ] : * ? / \\"},
        {u"a?b", "sheet name can't contain [ ] : * ? / \\"},
        {u"a/b", "sheet name can't contain [ ] : * ? / \\"},
        {u"a\\b", "sheet name can't contain [ ] : * ? / \\"},
        {u"'ab", "sheet name can't begin or end with an apostrophe"},
        {u"ab'", "sheet name can't begin or end with an apostrophe"},
        {u"'", "sheet name can't begin or end with an apostrophe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf16ToUtf8(c.name));
        try {
            checkSheetName(c.name);
            EXPECT_EQ(c.message, nullptr);
        } catch (const xlerror& e) {
            EXPECT_STREQ(e.what(), c.message ? c.message : "(allowed)");
        }
    }
}

TEST(SheetName, LongNamesAreCutWhole)
{
    bool cut = false;
    EXPECT_EQ(cutSheetName(u16string(40, u'x'), &cut), u16string(31, u'x'));
    EXPECT_TRUE(cut);
    // A character outside the Basic Multilingual Plane stays whole.
    const u16string name = u16string(30, u'x') + u"\U0001F600";
    EXPECT_EQ(cutSheetName(name, &cut), u16string(30, u'x'));
    EXPECT_TRUE(cut);
    EXPECT_EQ(cutSheetName(u"short", &cut), u"short");
    EXPECT_FALSE(cut);
}
