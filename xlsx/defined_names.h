// The workbook's defined names as one sheet works with them: named ranges,
// the print area and the print titles. A name is "of the sheet" when it is
// scoped to it (`localSheetId` = the sheet's place) and "points at the
// sheet" when its formula is one cell or area of that sheet alone
// ("Data!$A$1:$C$5", "'My Data'!$B$2", whole rows "Data!$1:$3", whole
// columns "Data!$A:$B"). Names and sheet names are matched without regard
// to case.
#pragma once

#include <functional>

#include "celvo/cellrange.h"
#include "celvo/text.h"
#include "ooxml/sml-workbook.h"

namespace celvo {

// What one area reference of a defined name covers.
struct NameArea {
    enum Kind { Cells, Rows, Columns };
    Kind kind = Cells;
    u16string sheet;  // unquoted
    NameBounds bounds;  // whole rows span every column, whole columns every row
};

// Reads a formula that is one cell or area of one sheet of this book; false
// for any other text.
bool readNameArea(u16view text, NameArea& out);

// The formula of an area: the sheet name quoted where the formats need it,
// then absolute references ("Data!$A$1:$C$5", "Data!$B$2" for one cell,
// "Data!$1:$3" for rows, "Data!$A:$B" for columns). Throws the grid's
// messages for a row or column outside the sheet.
u16string nameAreaText(u16view sheet, NameArea::Kind kind, const NameBounds& bounds);

// Calls rewrite with the formula of every defined name of the workbook; a
// formula that rewrite changes (and answers true for) is stored back.
// Structural edits of a sheet move the names' references through it.
void rewriteDefinedNames(workbook::c_workbook& root, const std::function<bool(u16string& formula)>& rewrite);

class XMLSheetNames {
public:
    static constexpr const char16_t* kPrintArea = u"_xlnm.Print_Area";
    static constexpr const char16_t* kPrintTitles = u"_xlnm.Print_Titles";

    XMLSheetNames(workbook::c_workbook& root, int sheet, u16string sheetName)
        : root_(root), sheet_(sheet), sheetName_(std::move(sheetName))
    {
    }

    // Every operation throws xlerror with the message of its failure and
    // changes nothing then.

    // Rewrites the name of the sheet with that text, else adds one.
    void setNamedRange(u16view name, const NameBounds& bounds);
    // False when no name of that text points at the sheet.
    bool getNamedRange(u16view name, NameBounds& bounds) const;
    // Erases the first name of the sheet with that text; false when none.
    bool deleteNamedRange(u16view name);
    // The names that point at the sheet, in list order.
    int namedRangeCount() const;
    // The index-th of them; false when there are fewer.
    bool namedRange(int index, u16string& name, NameBounds& bounds) const;

    void setPrintArea(const NameBounds& bounds);
    void clearPrintArea() { erase(kPrintArea); }
    void setPrintRepeatRows(int rowFirst, int rowLast);
    void setPrintRepeatColumns(int colFirst, int colLast);
    void clearPrintRepeats() { erase(kPrintTitles); }

private:
    workbook::c_CT_DefinedName* ofSheet(u16view name) const;
    bool pointsHere(const workbook::c_CT_DefinedName& name, NameBounds& bounds) const;
    void store(u16view name, u16string formula);
    bool erase(u16view name);
    // Rows or columns repeated on every page, in the sheet's one
    // Print_Titles name: the part of the other kind stays.
    void setPrintTitles(NameArea::Kind kind, const NameBounds& bounds);

    workbook::c_workbook& root_;
    int sheet_;
    u16string sheetName_;
};

// Throws "name is empty", "space symbol isn't allowed", "name is longer than
// 255 characters" or "name is not a valid defined name" (one that could be
// read as a cell reference or a logical value, or that holds a character a
// name may not have) for a name that a user may not give a range.
void checkRangeName(u16view name);

}  // namespace celvo
