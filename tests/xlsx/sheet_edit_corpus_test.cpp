// Real books with formulas, edited: rows and columns inserted and removed on
// every sheet. LibreOffice, recalculating every formula, computes the same
// values at the moved cells as in the book saved unedited, and openpyxl
// opens the edited books (edit_values_compare.py). And a book of our own
// whose removed rows and columns take cells that formulas and names refer
// to: LibreOffice computes what a spreadsheet computes after the removal.
#include "test_support.h"

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "book.h"
#include "ooxml/sml-workbook.h"
#include "sheet.h"

namespace celvo {
namespace {

struct Variant {
    const char* id;
    // What the edited sheet shows: "rows K N" (N empty rows at row K), "cols
    // K N" (N empty columns at column K), or "same".
    const char* expect;
    std::function<bool(ISheetT&)> edit;
};

bool saveBook(XMLBookImplT& book, const std::string& path)
{
    const std::u16string wide(path.begin(), path.end());
    return book.save(wide.c_str());
}

TEST(XlsxSheetEditsCorpus, LibreOfficeComputesTheSameValues)
{
    CELVO_REQUIRE_CORPUS();
    CELVO_REQUIRE_LIBREOFFICE();
    // The books, with the edits left out for each: columns inserted inside
    // the dense function tables of the POI book rightly change what
    // COUNTBLANK, INDEX and SUMX2MY2 find in the ranges they widen.
    struct Book {
        const char* file;
        std::string skipped;
    };
    const std::vector<Book> books = {
        {"calamine__issue_567_absolute_shared.xlsx", ""},
        {"calamine__shared_formula_reversed.xlsx", ""},
        {"readxl__dates-leap-year-1900-xlsx.xlsx", ""},
        {"poi__FormulaEvalTestData_Copy.xlsx", "inside"},
        {"poi__Tables.xlsx", ""},
        {"excelize__Book1.xlsx", ""},
    };
    const std::vector<Variant> variants = {
        {"top", "rows 0 2", [](ISheetT& s) { return s.insertRows(0, 1); }},
        {"middle", "rows 3 2", [](ISheetT& s) { return s.insertRows(3, 4); }},
        {"left", "cols 0 1", [](ISheetT& s) { return s.insertColumns(0, 0); }},
        {"inside", "cols 2 1", [](ISheetT& s) { return s.insertColumns(2, 2); }},
        {"rowsback", "rows 0 1", [](ISheetT& s) { return s.insertRows(0, 2) && s.removeRows(1, 2); }},
        {"colsback", "same", [](ISheetT& s) { return s.insertColumns(1, 2) && s.removeColumns(1, 2); }},
    };
    const std::string dir = test::processTempDir() + "xlsx_edit_corpus";
    ASSERT_EQ(std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str()), 0);
    std::ofstream list(dir + "/pairs.tsv");
    for (std::size_t b = 0; b < books.size(); ++b) {
        SCOPED_TRACE(books[b].file);
        const std::string file = test::corpusDir() + "/xlsx/" + books[b].file;
        const std::u16string wide(file.begin(), file.end());
        const std::string plain = dir + "/b" + std::to_string(b) + "plain.xlsx";
        {
            XMLBookImplT* book = new XMLBookImplT();
            ASSERT_TRUE(book->load(wide.c_str())) << book->errorMessage();
            ASSERT_TRUE(saveBook(*book, plain)) << book->errorMessage();
            book->release();
        }
        for (const Variant& v : variants) {
            if (books[b].skipped == v.id) continue;
            SCOPED_TRACE(v.id);
            XMLBookImplT* book = new XMLBookImplT();
            ASSERT_TRUE(book->load(wide.c_str())) << book->errorMessage();
            for (int i = 0; i < book->sheetCount(); ++i) {
                ISheetT* s = book->sheet(i);
                ASSERT_NE(s, nullptr);
                EXPECT_TRUE(v.edit(*s)) << "sheet " << i << ": " << book->errorMessage();
            }
            const std::string edited = dir + "/b" + std::to_string(b) + v.id + ".xlsx";
            EXPECT_TRUE(saveBook(*book, edited)) << book->errorMessage();
            book->release();
            list << books[b].file << "\t" << v.expect << "\t" << plain << "\t" << edited << "\n";
        }
    }
    list.close();
    std::string out;
    CELVO_ASSERT_CHECKER(test::pythonScript(CELVO_XLSX_TEST_DIR "/edit_values_compare.py", dir + "/pairs.tsv"), out);
    if (!HasFailure()) std::system(("rm -rf " + dir).c_str());
}

TEST(XlsxSheetEditsCorpus, LibreOfficeComputesWhatRemovalLeaves)
{
    CELVO_REQUIRE_LIBREOFFICE();
    XMLBookImplT* book = new XMLBookImplT();
    ISheetT* data = book->addSheet(u"Data", nullptr);
    ISheetT* other = book->addSheet(u"Other", nullptr);
    ISheetT* cols = book->addSheet(u"Cols", nullptr);
    for (int r = 0; r < 6; ++r) data->writeNumber(r, 0, r + 1, nullptr);
    data->writeFormula(0, 1, u"SUM(A1:A6)", nullptr);
    data->writeFormula(1, 1, u"A3*10", nullptr);
    data->writeFormula(5, 2, u"A5+1", nullptr);
    other->writeFormula(0, 0, u"Data!A4*2", nullptr);
    other->writeFormula(1, 0, u"SUM(Data!A2:A5)", nullptr);
    other->writeFormula(2, 0, u"Pick*1", nullptr);
    other->writeFormula(3, 0, u"IFERROR(Dead;-1)", nullptr);
    for (int c = 0; c < 3; ++c) cols->writeNumber(0, c, c + 1, nullptr);
    cols->writeFormula(1, 0, u"SUM(A1:C1)", nullptr);
    cols->writeFormula(1, 1, u"B1*2", nullptr);
    cols->writeFormula(1, 2, u"C1*2", nullptr);
    auto& names = *static_cast<XMLBookImplT*>(book)->root().definedNames.get();
    for (const auto& [name, text] : {std::pair<const char16_t*, const char16_t*>{u"Pick", u"Data!$A$5"},
                                     {u"Dead", u"Data!$A$3"}}) {
        workbook::c_CT_DefinedName* n = names.definedName.append();
        n->name.set(name);
        n->content.set(text);
    }
    EXPECT_TRUE(data->removeRows(2, 3)) << book->errorMessage();
    EXPECT_TRUE(cols->removeColumns(1, 1)) << book->errorMessage();
    const std::string dir = test::processTempDir() + "xlsx_edit_removal";
    ASSERT_EQ(std::system(("rm -rf " + dir + " && mkdir -p " + dir).c_str()), 0);
    ASSERT_TRUE(saveBook(*book, dir + "/removed.xlsx")) << book->errorMessage();
    book->release();
    std::string out;
    CELVO_ASSERT_CHECKER(
        test::pythonScript(CELVO_XLSX_TEST_DIR "/edit_values_compare.py", "--show " + dir + "/removed.xlsx"), out);
    const std::string expected =
        "Cols!0,0 1\nCols!0,1 3\nCols!1,0 4\nCols!1,1 6\n"
        "Data!0,0 1\nData!0,1 14\nData!1,0 2\nData!1,1 #REF!\nData!2,0 5\nData!3,0 6\nData!3,2 6\n"
        "Other!0,0 #REF!\nOther!1,0 7\nOther!2,0 5\nOther!3,0 -1\n";
    EXPECT_EQ(out, expected);
    if (!HasFailure()) std::system(("rm -rf " + dir).c_str());
}

}  // namespace
}  // namespace celvo
