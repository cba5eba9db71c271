// The tokens of formula text as a workbook part stores it ("SUM(Data!A1:B2)",
// "'My Sheet'!$A$1", "Sheet1:Sheet3!A1"): string literals, sheet prefixes,
// error literals, numbers, words (references, names, functions, TRUE and
// FALSE), bracketed parts of structured references, array braces,
// separators, operators and blanks. Operations that rewrite formulas work
// on these tokens, never on substrings.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "celvo/gridedit.h"
#include "celvo/text.h"

namespace celvo {

struct FormulaToken {
    enum Kind : unsigned char {
        String,       // "text", a doubled quote inside
        SheetPrefix,  // Data!  'My Sheet'!  Sheet1:Sheet3!  [1]Data!  (the "!" included)
        Error,        // #REF!  #N/A  #DIV/0!
        Number,       // 12  1.5E-3
        Word,         // A1  $B$2  SUM  TRUE  MyName  (a function when "(" follows)
        Bracket,      // [Column] of a structured reference, nested brackets included
        ArrayOpen,    // {
        ArrayClose,   // }
        Separator,    // , ;
        Operator,     // + - * / ^ & = <> <= >= < > % : ( )
        Space,        // blanks and line breaks
        Other,
    };
    Kind kind;
    std::size_t begin;
    std::size_t end;
};

std::vector<FormulaToken> tokenizeFormula(u16view text);

// The sheets a sheet prefix names: `book` is the text of a leading [book]
// part (empty for none), `first` and `last` the sheet names, unquoted (equal
// for a prefix of one sheet).
struct SheetPrefixNames {
    u16string book;
    u16string first;
    u16string last;
};
SheetPrefixNames splitSheetPrefix(u16view prefix);

// The prefix text for a sheet or a range of sheets: quoted when a name is
// not a plain identifier ("Data", "Sheet_1") or could be read as a cell
// reference ("A1", "R1C1") or a logical value.
u16string sheetPrefixText(u16view first, u16view last);

// A plain identifier ("Data", "Sheet_1", "Sales.2024") that cannot be read
// as a cell reference or a logical value: a sheet name that needs no quotes,
// and a name a defined name may have.
bool isPlainName(u16view name);

// Rewrites the sheet prefixes of this book (those without a [book] part):
// `replace` sees the names of each and answers true with the text that
// takes its place (the "!" included). False when no prefix changed.
bool rewriteSheetPrefixes(u16string& text, const std::function<bool(const SheetPrefixNames&, u16string&)>& replace);

// Rewrites the references to a sheet that is deleted (prefixes of this book
// only): a range of sheets that begins or ends on it loses it, so that it
// begins on `after` or ends on `before` (the names of the sheets next to
// it), and a reference to the sheet alone becomes #REF!: the whole
// reference ("#REF!*2" for "Gone!A1*2", as the applications read it in a
// cell), or its prefix only ("#REF!A1*2", as defined names keep it). True
// when the text changed.
enum class RemovedSheetRef { WholeReference, PrefixOnly };
bool removeSheetReferences(u16string& text, u16view sheetName, u16view before, u16view after,
                           RemovedSheetRef form = RemovedSheetRef::WholeReference);

// True when the text is one well-formed formula, as a workbook part stores
// it (no leading "=", "," between arguments): operands (numbers, strings,
// TRUE and FALSE, error literals, references and names with an optional
// sheet prefix, structured references, array constants, function calls
// with arguments that may be left out) joined by operators, with balanced
// parentheses and closed quotes and brackets. A blank between two operands
// is the intersection of references, and "," inside parentheses their
// union: both stand only between operands that may be references.
bool isWellFormedFormula(u16view text);

// The text with its relative references moved by rowOffset rows and
// colOffset columns, as a formula copied that far reads (cell references,
// ranges, whole rows "1:3" and columns "A:C"; parts marked with "$" stay).
// Function names, defined names, TRUE and FALSE, strings, sheet names and
// error literals are left as they are. A reference moved off the sheet
// (rows 1 to 1048576, columns A to XFD) becomes #REF!, a whole range with it.
u16string shiftFormulaText(u16view text, int rowOffset, int colOffset);

// Where a formula text stands when rows or columns of a sheet are inserted
// or removed: `homeEdited` when its plain references (those without a sheet
// prefix) point into the edited sheet, `editedSheet` the name that prefixes
// of this book give the edited sheet (prefixes of a range of sheets and of
// other books are left alone). For a defined name, references that are
// relative on the edited axis are left alone too.
struct FormulaEditPlace {
    bool homeEdited = false;
    u16view editedSheet;
    bool definedName = false;
};

// Rewrites text so that its references keep pointing at the same cells
// after `edit` (cells, ranges, whole rows and whole columns; "$" makes no
// difference): a reference whose cells are all removed, or pushed off the
// sheet, becomes #REF! (its sheet prefix with it); a range that loses some
// of its rows (columns) shrinks and one that an insertion falls inside
// grows. True when the text changed.
bool editFormulaReferences(u16string& text, const GridEdit& edit, const FormulaEditPlace& place);

}  // namespace celvo
