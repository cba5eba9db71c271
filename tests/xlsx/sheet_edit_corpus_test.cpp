// Real books with formulas, edited: rows and columns inserted and removed on
// every sheet. LibreOffice, recalculating every formula, computes the same
// values at the moved cells as in the book saved unedited, and openpyxl
// opens the edited books (edit_values_compare.py).
#include "test_support.h"

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "book.h"
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

}  // namespace
}  // namespace celvo
