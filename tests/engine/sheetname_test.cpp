// Sheet-name text functions shared by both engines.
#include "test_support.h"

#include <string>
#include <vector>

#include "celvo/sheetname.h"
#include "celvo/xlerror.h"

namespace celvo {
namespace {

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

TEST(SheetNames, CutTo31Units)
{
    bool cut = true;
    EXPECT_EQ(cutSheetName(u"Data", &cut), u"Data");
    EXPECT_FALSE(cut);
    const u16string exact(31, u'x');
    EXPECT_EQ(cutSheetName(exact, &cut), exact);
    EXPECT_FALSE(cut);
    EXPECT_EQ(cutSheetName(exact + u"yz", &cut), exact);
    EXPECT_TRUE(cut);
    // A surrogate pair across the 31st unit is left out whole.
    const u16string pair = u16string(30, u'x') + u"\U0001F600";
    EXPECT_EQ(cutSheetName(pair, &cut), u16string(30, u'x'));
    EXPECT_TRUE(cut);
}

TEST(SheetNames, ForbiddenNamesAreRefused)
{
    struct Case {
        u16string name;
        const char* message;  // null: allowed
    };
    const char* const kChars = "sheet name can't contain [ ] : * ? / \\";
    const char* const kApostrophe = "sheet name can't begin or end with an apostrophe";
    const std::vector<Case> cases = {
        {u"Sheet1", nullptr}, {u"Year's data", nullptr}, {u"a-b_c (d) {e} #1 !", nullptr},
        {u"", "sheet name can't be empty"},
        {u"a[b", kChars}, {u"a]b", kChars}, {u"a:b", kChars}, {u"a*b", kChars},
        {u"a?b", kChars}, {u"a/b", kChars}, {u"a\\b", kChars},
        {u"'ab", kApostrophe}, {u"ab'", kApostrophe}, {u"'", kApostrophe},
        {u"History", "sheet name History is reserved"}, {u"HISTORY", "sheet name History is reserved"},
        {u"hiStory", "sheet name History is reserved"}, {u"History1", nullptr}, {u"My History", nullptr},
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

}  // namespace
}  // namespace celvo
