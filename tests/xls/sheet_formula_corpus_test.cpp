// The formula cells of real .xls files through the sheet: every one reads as
// text, and writing each text back into its cell (which takes shared and
// array formulas apart) leaves every cell of the book reading the same text.

#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "book.h"
#include "formula_markers.h"
#include "celvo/text.h"
#include "sheet.h"
#include "xls_test_util.h"

namespace celvo {
namespace {

using Cell = std::tuple<int, std::uint32_t, std::uint32_t>;

std::string narrow(const std::u16string& text) { return utf16ToUtf8(text); }

TEST(SheetFormulaCorpus, EveryFormulaReadsAndWritesBackToTheSameText)
{
    CELVO_REQUIRE_CORPUS();
    const std::string folder = test::corpusDir() + "/xls";
    int books = 0, formulas = 0, rewritten = 0, printerOnly = 0;
    for (const std::string& name : test::xlsFiles(folder)) {
        SCOPED_TRACE(name);
        BookImplT* book = new BookImplT();
        // BIFF5 books keep formulas in the older token layout, which the
        // printer does not read.
        if (!book->load(utf8ToUtf16(folder + "/" + name).c_str()) || book->biffVersion() != 0x0600) {
            book->release();
            continue;
        }
        ++books;
        std::map<Cell, std::u16string> texts;
        for (int i = 0; i < book->sheetCount(); ++i) {
            auto* sheet = static_cast<SheetImplT*>(book->sheet(i));
            std::vector<std::pair<std::uint32_t, std::uint32_t>> cells;
            sheet->grid().forEachCell([&](std::uint32_t r, std::uint32_t c, std::uint32_t) { cells.emplace_back(r, c); });
            for (const auto& [r, c] : cells) {
                if (!sheet->isFormula(static_cast<int>(r), static_cast<int>(c))) continue;
                ++formulas;
                const char16_t* text = sheet->readFormula(static_cast<int>(r), static_cast<int>(c), nullptr);
                EXPECT_NE(text, nullptr) << "sheet " << i << " cell " << r << "," << c << ": " << book->errorMessage();
                if (text) texts[{i, r, c}] = text;
            }
        }
        for (const auto& [cell, text] : texts) {
            auto* sheet = static_cast<SheetImplT*>(book->sheet(std::get<0>(cell)));
            const bool taken = sheet->writeFormula(static_cast<int>(std::get<1>(cell)),
                                                   static_cast<int>(std::get<2>(cell)), text.c_str(), nullptr);
            const std::string printed = narrow(text);
            if (taken)
                ++rewritten;
            else if (test::compilerMayRefuse(printed) ||
                     std::string(book->errorMessage()) == "can't change a cell of a data table")
                ++printerOnly;
            else
                ADD_FAILURE() << printed << ": " << book->errorMessage();
        }
        for (const auto& [cell, text] : texts) {
            auto* sheet = static_cast<SheetImplT*>(book->sheet(std::get<0>(cell)));
            const char16_t* again =
                sheet->readFormula(static_cast<int>(std::get<1>(cell)), static_cast<int>(std::get<2>(cell)), nullptr);
            ASSERT_NE(again, nullptr) << book->errorMessage();
            EXPECT_EQ(narrow(again), narrow(text))
                << "sheet " << std::get<0>(cell) << " cell " << std::get<1>(cell) << "," << std::get<2>(cell);
        }
        book->release();
    }
    ASSERT_GT(books, 0) << "no corpus file loaded";
    std::cout << books << " books, " << formulas << " formula cells, " << rewritten << " written back, " << printerOnly
              << " texts the compiler does not take\n";
}

// True when a sheet of the book writes a shared or an array formula.
bool hasFormulaGroups(BookImplT& book)
{
    for (int i = 0; i < book.sheetCount(); ++i) {
        BiffOutput out;
        static_cast<SheetImplT*>(book.sheet(i))->write(out);
        const auto& stream = out.bytes();
        for (std::size_t pos = 0; pos + 4 <= stream.size(); pos += 4 + getU16(&stream[pos + 2])) {
            const std::uint16_t id = getU16(&stream[pos]);
            if (id == 0x04BC || id == 0x0221) return true;
        }
    }
    return false;
}

// Books whose shared and array formulas were taken apart by writing every
// formula's text back compute what the saved book without changes computes.
TEST(SheetFormulaCorpus, BooksWithFormulasWrittenBackComputeTheSame)
{
    CELVO_REQUIRE_CORPUS();
    const std::string folder = test::corpusDir() + "/xls";
    const std::string out = test::processTempDir() + "celvo_formula_recalc";
    ASSERT_EQ(test::runOutside("rm -rf " + out + " && mkdir -p " + out + "/a " + out + "/b").status, 0);
    const std::string pairs = out + "/pairs.tsv";
    std::ofstream list(pairs);
    int saved = 0;
    for (const std::string& name : test::xlsFiles(folder)) {
        SCOPED_TRACE(name);
        BookImplT* book = new BookImplT();
        const std::string plain = out + "/a/" + name, rewritten = out + "/b/" + name;
        if (book->load(utf8ToUtf16(folder + "/" + name).c_str()) && book->biffVersion() == 0x0600 &&
            hasFormulaGroups(*book) && book->save(utf8ToUtf16(plain).c_str())) {
            for (int i = 0; i < book->sheetCount(); ++i) {
                auto* sheet = static_cast<SheetImplT*>(book->sheet(i));
                std::vector<std::pair<int, int>> cells;
                sheet->grid().forEachCell([&](std::uint32_t r, std::uint32_t c, std::uint32_t) {
                    if (sheet->isFormula(static_cast<int>(r), static_cast<int>(c)))
                        cells.emplace_back(static_cast<int>(r), static_cast<int>(c));
                });
                for (const auto& [r, c] : cells) {
                    const char16_t* text = sheet->readFormula(r, c, nullptr);
                    if (!text) continue;
                    const std::u16string kept = text;
                    sheet->writeFormula(r, c, kept.c_str(), nullptr);
                }
            }
            EXPECT_TRUE(book->save(utf8ToUtf16(rewritten).c_str())) << book->errorMessage();
            list << name << '\t' << plain << '\t' << rewritten << '\n';
            ++saved;
        }
        book->release();
    }
    list.close();
    ASSERT_GT(saved, 0) << "no corpus book with shared or array formulas";

    std::string report;
    CELVO_ASSERT_CHECKER(test::pythonScript(CELVO_XLS_TEST_DIR "/formula_recalc_compare.py", pairs), report);
    std::cout << report;
}

}  // namespace
}  // namespace celvo
