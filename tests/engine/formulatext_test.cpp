// Tokens of formula text, sheet prefixes and their quoting.
#include "test_support.h"

#include <string>
#include <vector>

#include "celvo/formulatext.h"

namespace celvo {
namespace {

// The tokens of a text as "kind:text" items joined by blanks.
std::string tokens(const u16string& text)
{
    static const char* kinds[] = {"str", "sheet", "err", "num", "word", "br", "{", "}", "sep", "op", "sp", "other"};
    std::string out;
    for (const FormulaToken& t : tokenizeFormula(text)) {
        if (!out.empty()) out += ' ';
        out += std::string(kinds[t.kind]) + ":" + utf16ToUtf8(text.substr(t.begin, t.end - t.begin));
    }
    return out;
}

TEST(FormulaText, Tokens)
{
    struct Case {
        u16string text;
        std::string tokens;
    };
    const std::vector<Case> cases = {
        {u"SUM(Data!A1:B2)", "word:SUM op:( sheet:Data! word:A1 op:: word:B2 op:)"},
        {u"'My Sheet'!$A$1+'It''s'!B2", "sheet:'My Sheet'! word:$A$1 op:+ sheet:'It''s'! word:B2"},
        {u"SUM(Sheet1:Sheet3!A1)", "word:SUM op:( sheet:Sheet1:Sheet3! word:A1 op:)"},
        {u"'Jan 1:Mar 2'!A1", "sheet:'Jan 1:Mar 2'! word:A1"},
        {u"[1]Data!A1", "sheet:[1]Data! word:A1"},
        {u"\"Data!A1\"&Data!A1", "str:\"Data!A1\" op:& sheet:Data! word:A1"},
        {u"\"a\"\"b\"", "str:\"a\"\"b\""},
        {u"#REF!A1+#N/A+#DIV/0!", "err:#REF! word:A1 op:+ err:#N/A op:+ err:#DIV/0!"},
        {u"A1:A10 B5:C5", "word:A1 op:: word:A10 sp:  word:B5 op:: word:C5"},
        {u"1.5E-3*.5+2", "num:1.5E-3 op:* num:.5 op:+ num:2"},
        {u"{1,2;3,4}", "{:{ num:1 sep:, num:2 sep:; num:3 sep:, num:4 }:}"},
        {u"1:1+A:A", "num:1 op:: num:1 op:+ word:A op:: word:A"},
        {u"Table1[[#This Row],[Qty]]", "word:Table1 br:[[#This Row],[Qty]]"},
        {u"a<=b<>c>=d", "word:a op:<= word:b op:<> word:c op:>= word:d"},
        {u"_xlfn.XLOOKUP(TRUE,x,y)", "word:_xlfn.XLOOKUP op:( word:TRUE sep:, word:x sep:, word:y op:)"},
        {u"'unclosed", "other:'unclosed"},
        {u"Sheet1:A1", "word:Sheet1 op:: word:A1"},
        {u"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(tokens(c.text), c.tokens) << utf16ToUtf8(c.text);
}

TEST(FormulaText, SheetPrefixes)
{
    struct Split {
        u16string prefix, book, first, last;
    };
    for (const Split& c : std::vector<Split>{{u"Data!", u"", u"Data", u"Data"},
                                             {u"'It''s'!", u"", u"It's", u"It's"},
                                             {u"'Jan 1:Mar 2'!", u"", u"Jan 1", u"Mar 2"},
                                             {u"A:B!", u"", u"A", u"B"},
                                             {u"[1]Data!", u"1", u"Data", u"Data"},
                                             {u"[Book.xlsx]'My Data'!", u"Book.xlsx", u"My Data", u"My Data"}}) {
        const SheetPrefixNames n = splitSheetPrefix(c.prefix);
        EXPECT_EQ(n.book, c.book) << utf16ToUtf8(c.prefix);
        EXPECT_EQ(n.first, c.first) << utf16ToUtf8(c.prefix);
        EXPECT_EQ(n.last, c.last) << utf16ToUtf8(c.prefix);
    }
    struct Text {
        u16string first, last, prefix;
    };
    for (const Text& c : std::vector<Text>{{u"Data", u"Data", u"Data!"},
                                           {u"Sheet_1", u"Sheet_1", u"Sheet_1!"},
                                           {u"Data 2024", u"Data 2024", u"'Data 2024'!"},
                                           {u"A-B", u"A-B", u"'A-B'!"},
                                           {u"1st", u"1st", u"'1st'!"},
                                           {u"It's", u"It's", u"'It''s'!"},
                                           {u"A1", u"A1", u"'A1'!"},
                                           {u"XFD1", u"XFD1", u"'XFD1'!"},
                                           {u"R1C1", u"R1C1", u"'R1C1'!"},
                                           {u"rc", u"rc", u"'rc'!"},
                                           {u"TRUE", u"TRUE", u"'TRUE'!"},
                                           {u"ABCD1", u"ABCD1", u"ABCD1!"},
                                           {u"R\u00E9sum\u00E9", u"R\u00E9sum\u00E9", u"R\u00E9sum\u00E9!"},
                                           {u"First", u"Last", u"First:Last!"},
                                           {u"My Sheet", u"Last", u"'My Sheet:Last'!"}}) {
        EXPECT_EQ(utf16ToUtf8(sheetPrefixText(c.first, c.last)), utf16ToUtf8(c.prefix));
        // What is written reads back as the same sheets.
        const SheetPrefixNames n = splitSheetPrefix(sheetPrefixText(c.first, c.last));
        EXPECT_EQ(n.first, c.first);
        EXPECT_EQ(n.last, c.last);
    }
}

TEST(FormulaText, WellFormed)
{
    struct Case {
        u16string text;
        bool wellFormed;
    };
    const std::vector<Case> cases = {
        // One expression.
        {u"1", true},
        {u"A1*2", true},
        {u"SUM(A1:B2)", true},
        {u"-A1%+2^3", true},
        {u"+1", true},
        {u" SUM(1, 2) ", true},
        {u"\"a\"\"b\"&\"\"", true},
        {u"SUM()", true},
        {u"IF(A1,,2)", true},
        {u"SUM(1,)", true},
        {u"NOW()", true},
        {u"'My Sheet'!$A$1+Data!B2", true},
        {u"SUM(Sheet1:Sheet3!A1)", true},
        {u"SUM(1:3,A:C)", true},
        {u"Data!1:3", true},
        {u"{1,2;3,-4}", true},
        {u"{\"a\",TRUE,#N/A}", true},
        {u"#REF!A1*2", true},
        {u"SUM(#REF!A1:B2)", true},
        {u"Data!#REF!+#DIV/0!", true},
        {u"Table1[[#This Row],[Qty]]*2", true},
        {u"A1:B2 B1:C3", true},
        {u"SUM((A1,B1))", true},
        {u"a<=b<>c>=d", true},
        {u"_xlfn.XLOOKUP(TRUE,x,y)", true},
        {u"((1))", true},
        {u"true", true},
        // Not one expression.
        {u"", false},
        {u" ", false},
        {u"SUM(", false},
        {u"A1+", false},
        {u"1 2", false},
        {u"\"a\" \"b\"", false},
        {u"SUM(A 1,B 2)", false},
        {u"((1)", false},
        {u"(1))", false},
        {u"1)", false},
        {u"()", false},
        {u"*1", false},
        {u"A1:", false},
        {u"\"open", false},
        {u"\"a\"\"", false},
        {u"'unclosed", false},
        {u"{1,2", false},
        {u"{1,A1}", false},
        {u"{}", false},
        {u"#BOGUS!", false},
        {u"#", false},
        {u"Data!", false},
        {u"1A", false},
        {u"A1@B1", false},
        {u"(1,2)", false},
        {u"Table1[Qty", false},
        {u"1+=2", false},
    };
    for (const Case& c : cases) EXPECT_EQ(isWellFormedFormula(c.text), c.wellFormed) << utf16ToUtf8(c.text);
    // Nesting beyond what any application reads is refused, without
    // running out of stack.
    const u16string deep = u16string(100000, u'(') + u"1" + u16string(100000, u')');
    EXPECT_FALSE(isWellFormedFormula(deep));
    const u16string nested = u16string(100, u'(') + u"1" + u16string(100, u')');
    EXPECT_TRUE(isWellFormedFormula(nested));
}

TEST(FormulaText, SheetReferencesRemoved)
{
    struct Case {
        u16string text, whole, prefix;
    };
    // The sheets are Before, Gone and After; Gone is deleted.
    const std::vector<Case> cases = {
        {u"Gone!A1*2", u"#REF!*2", u"#REF!A1*2"},
        {u"'gone'!$A$1+After!A1", u"#REF!+After!A1", u"#REF!$A$1+After!A1"},
        {u"SUM(Gone!A1:B2)", u"SUM(#REF!)", u"SUM(#REF!A1:B2)"},
        {u"SUM(Gone!1:3,Gone!A:A)", u"SUM(#REF!,#REF!)", u"SUM(#REF!1:3,#REF!A:A)"},
        {u"Gone!#REF!", u"#REF!", u"#REF!#REF!"},
        {u"Gone!Price*2", u"#REF!*2", u"#REF!Price*2"},
        {u"SUM(Before:Gone!A1)", u"SUM(Before!A1)", u"SUM(Before!A1)"},
        {u"SUM(Gone:After!A1)", u"SUM(After!A1)", u"SUM(After!A1)"},
        {u"SUM('Before:Gone'!A1)", u"SUM(Before!A1)", u"SUM(Before!A1)"},
        {u"SUM(Gone:Gone!A1)", u"SUM(#REF!)", u"SUM(#REF!A1)"},
        {u"\"Gone!A1\"&Gone2!A1", u"\"Gone!A1\"&Gone2!A1", u"\"Gone!A1\"&Gone2!A1"},
        {u"[1]Gone!A1", u"[1]Gone!A1", u"[1]Gone!A1"},
    };
    for (const Case& c : cases) {
        for (const auto form : {RemovedSheetRef::WholeReference, RemovedSheetRef::PrefixOnly}) {
            const u16string& want = form == RemovedSheetRef::WholeReference ? c.whole : c.prefix;
            u16string text = c.text;
            EXPECT_EQ(removeSheetReferences(text, u"Gone", u"Before", u"After", form), c.text != want)
                << utf16ToUtf8(c.text);
            EXPECT_EQ(utf16ToUtf8(text), utf16ToUtf8(want));
            if (form == RemovedSheetRef::WholeReference) {
                EXPECT_TRUE(isWellFormedFormula(text)) << utf16ToUtf8(text);
            }
        }
    }
}

TEST(FormulaText, ReferencesShifted)
{
    struct Case {
        u16string text;
        int rows, cols;
        u16string shifted;
    };
    const std::vector<Case> cases = {
        {u"A1+$B$2+C$3+$D4", 1, 1, u"B2+$B$2+D$3+$D5"},
        {u"SUM(A1:B2)*Data!C3+'My Sheet'!D4", 2, 0, u"SUM(A3:B4)*Data!C5+'My Sheet'!D6"},
        {u"SUM(1:1)+COUNT(A:A)+$2:$2", 1, 1, u"SUM(2:2)+COUNT(B:B)+$2:$2"},
        {u"\"A1\"&TRUE&FALSE&LOG10(A1)", 1, 0, u"\"A1\"&TRUE&FALSE&LOG10(A2)"},
        {u"MyName+Tbl1[Qty]+_xlfn.X(A1)", 3, 3, u"MyName+Tbl1[Qty]+_xlfn.X(D4)"},
        {u"A1-1", -1, 0, u"#REF!-1"},
        {u"SUM(A1:B2)", 0, -1, u"SUM(#REF!)"},
        {u"XFD1048576", 0, 0, u"XFD1048576"},
        {u"XFD1", 0, 1, u"#REF!"},
        {u"{1,2;3,4}+#REF!+1.5E3", 5, 5, u"{1,2;3,4}+#REF!+1.5E3"},
        {u"a1+b$2", 1, 1, u"B2+C$2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(utf16ToUtf8(shiftFormulaText(c.text, c.rows, c.cols)), utf16ToUtf8(c.shifted)) << utf16ToUtf8(c.text);
}


// References keep pointing at their cells when rows or columns of the sheet
// named "Data" are inserted or removed; "home" says whether the formula
// stands on that sheet.
TEST(FormulaText, ReferencesFollowEdits)
{
    auto rows = [](bool insert, int first, int count) { return GridEdit{false, insert, first, count, 0, true}; };
    auto cols = [](bool insert, int first, int count) { return GridEdit{true, insert, first, count, 0, true}; };
    struct Case {
        u16string text;
        GridEdit edit;
        bool home;
        bool name;
        u16string edited;  // empty: unchanged
    };
    const std::vector<Case> cases = {
        // Cells below (right of) the edit move; "$" makes no difference.
        {u"A1+A6+$B$7", rows(true, 2, 2), true, false, u"A1+A8+$B$9"},
        {u"A1+A6+$B$7", rows(false, 2, 2), true, false, u"A1+A4+$B$5"},
        {u"C1+$D$2+B3", cols(true, 2, 1), true, false, u"D1+$E$2+B3"},
        // A reference into removed cells is lost, with its sheet prefix.
        {u"A3+1", rows(false, 2, 2), true, false, u"#REF!+1"},
        {u"SUM(Data!A3:B4)", rows(false, 2, 2), false, false, u"SUM(#REF!)"},
        // Ranges shrink and grow, and a whole-sheet span stays whole.
        {u"SUM(A1:A6)", rows(false, 2, 2), true, false, u"SUM(A1:A4)"},
        {u"SUM(A1:A6)", rows(true, 2, 3), true, false, u"SUM(A1:A9)"},
        {u"SUM(A3:A6)", rows(true, 2, 1), true, false, u"SUM(A4:A7)"},
        {u"SUM(A1:A2)", rows(true, 2, 1), true, false, u""},
        {u"SUM(3:5)+COUNT(B:B)", rows(false, 0, 1), true, false, u"SUM(2:4)+COUNT(B:B)"},
        {u"COUNT(A:C)+SUM(2:2)", cols(false, 1, 1), true, false, u"COUNT(A:B)+SUM(2:2)"},
        {u"SUM(1:1048576)", rows(true, 0, 5), true, false, u""},
        // Pushed off the sheet.
        {u"A1048576", rows(true, 0, 1), true, false, u"#REF!"},
        {u"SUM(A1048570:A1048576)", rows(true, 1048572, 1), true, false, u""},
        {u"SUM(A1048570:A1048575)", rows(true, 1048572, 3), true, false, u"SUM(A1048570:A1048576)"},
        // Other sheets' references, strings, names and functions stay.
        {u"Other!A6+\"A6\"+LOG10(A6)+Data!A6", rows(true, 0, 1), false, false, u"Other!A6+\"A6\"+LOG10(A6)+Data!A7"},
        {u"'data'!A6+Sheet1:Data!A6+[1]Data!A6", rows(true, 0, 1), false, false, u"'data'!A7+Sheet1:Data!A6+[1]Data!A6"},
        {u"A6+Other!A6", rows(true, 0, 1), true, false, u"A7+Other!A6"},
        {u"A6", rows(true, 0, 1), false, false, u""},
        // Defined names: absolute references move, relative ones stay.
        {u"Data!$A$6:$B$7", rows(true, 0, 1), false, true, u"Data!$A$7:$B$8"},
        {u"Data!A6", rows(true, 0, 1), false, true, u""},
        {u"Data!$A$3", rows(false, 2, 1), false, true, u"#REF!"},
    };
    for (const Case& c : cases) {
        u16string text = c.text;
        const FormulaEditPlace place{c.home, u"Data", c.name};
        const bool changed = editFormulaReferences(text, c.edit, place);
        EXPECT_EQ(changed, !c.edited.empty()) << utf16ToUtf8(c.text);
        EXPECT_EQ(utf16ToUtf8(text), utf16ToUtf8(c.edited.empty() ? c.text : c.edited)) << utf16ToUtf8(c.text);
    }
}

}  // namespace
}  // namespace celvo
