// The shared formulas of real .xlsx books through the sheet: writing the
// leading cell of every group again with its own text hands the group to
// the next member, and LibreOffice computes from the saved book what it
// computes from the book as it came.

#include "test_support.h"

#include <cctype>
#include <fstream>
#include <string>
#include <vector>

#include "book.h"
#include "celvo/text.h"
#include "sheet.h"

namespace celvo {
namespace {

// The leading cells of the shared-formula groups of a sheet.
std::vector<std::pair<int, int>> sharedLeads(XMLSheetImplT& sheet)
{
    std::vector<std::pair<int, int>> leads;
    for (const sheet::c_CT_Row& row : sheet.sheetData().rows)
        for (const sheet::c_CT_Cell& cell : row.cells) {
            const sheet::c_CT_CellFormula* f = cell.formula();
            if (f && f->t.present && f->t.value == u"shared" && f->si.present && !f->content.value.empty())
                leads.emplace_back(static_cast<int>(row.r.value) - 1, static_cast<int>(cell.column()));
        }
    return leads;
}

// Whether a formula gives another value on every computation.
bool volatileFormula(const u16string& text)
{
    std::string upper = utf16ToUtf8(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* f : {"RAND(", "RANDBETWEEN(", "NOW(", "TODAY("})
        if (upper.find(f) != std::string::npos) return true;
    return false;
}

TEST(SheetFormulaCorpus, BooksWithTheirGroupsHandedOverComputeTheSame)
{
    CELVO_REQUIRE_CORPUS();
    CELVO_REQUIRE_LIBREOFFICE();
    const std::string out = test::processTempDir() + "celvo_xlsx_shared_recalc";
    ASSERT_EQ(test::runOutside("rm -rf " + test::shellQuoted(out) + " && mkdir -p " + test::shellQuoted(out)).status, 0);
    const std::string pairs = out + "/pairs.tsv", changing = out + "/changing.tsv";
    std::ofstream list(pairs), changingList(changing);
    int books = 0, groups = 0;
    for (const std::string& path : test::corpusFiles("xlsx", ".xlsx")) {
        SCOPED_TRACE(path);
        XMLBookImplT* book = new XMLBookImplT();
        if (!book->load(utf8ToUtf16(path).c_str())) {
            book->release();
            continue;
        }
        int edited = 0;
        for (int i = 0; i < book->sheetCount(); ++i) {
            // A chart sheet is no worksheet.
            auto* sheet = static_cast<XMLSheetImplT*>(book->sheet(i));
            if (!sheet) continue;
            // Cells whose value changes on every computation are left out.
            const std::string sheetName = utf16ToUtf8(sheet->name());
            for (const sheet::c_CT_Row& r : sheet->sheetData().rows)
                for (const sheet::c_CT_Cell& cell : r.cells)
                    if (cell.formula() && volatileFormula(sheet->storedFormulaText(r.r.value - 1, cell)))
                        changingList << path.substr(path.rfind('/') + 1) << '\t' << sheetName << ".csv\t" << r.r.value
                                     << '\t' << cell.column() + 1 << '\n';
            for (const auto& [row, col] : sharedLeads(*sheet)) {
                const char16_t* text = sheet->readFormula(row, col, nullptr);
                ASSERT_NE(text, nullptr) << book->errorMessage();
                const u16string kept = text;
                EXPECT_TRUE(sheet->writeFormula(row, col, kept.c_str(), nullptr)) << book->errorMessage();
                ++edited;
            }
        }
        if (edited > 0) {
            const std::string name = path.substr(path.rfind('/') + 1);
            const std::string copy = out + "/" + name;
            EXPECT_TRUE(book->save(utf8ToUtf16(copy).c_str())) << book->errorMessage();
            list << name << '\t' << path << '\t' << copy << '\n';
            ++books;
            groups += edited;
        }
        book->release();
    }
    list.close();
    changingList.close();
    ASSERT_GT(books, 0) << "no corpus book with shared formulas";
    std::string report;
    CELVO_ASSERT_CHECKER(test::pythonScript(CELVO_XLSX_TEST_DIR "/shared_formula_recalc.py",
                                                            test::shellQuoted(pairs) + " " + test::shellQuoted(changing)),
                         report);
    std::cout << books << " books, " << groups << " groups handed over\n" << report;
}

}  // namespace
}  // namespace celvo
