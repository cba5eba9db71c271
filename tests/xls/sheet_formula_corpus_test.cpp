// The formula cells of real .xls files through the sheet: every one reads as
// text, and writing each text back into its cell (which takes shared and
// array formulas apart) leaves every cell of the book reading the same text.

#include "test_support.h"

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "book.h"
#include "celvo/text.h"
#include "sheet.h"
#include "xls_test_util.h"

namespace celvo {
namespace {

using Cell = std::tuple<int, std::uint32_t, std::uint32_t>;

std::string narrow(const std::u16string& text) { return utf16ToUtf8(text); }

// Texts the compiler cannot take back: what the printer shows for tokens it
// has no text for ("?" for add-in functions and unknown names, "#REF!" for
// sheets of other workbooks, MISS and ERR for missing arguments and lost
// references), and the union and intersection operators, which print as the
// argument separator and as a space.
bool printerOnlyText(const std::string& text)
{
    for (const char* mark : {"?", "#REF!", ",", " ", "MISS", "ERR"})
        if (text.find(mark) != std::string::npos) return true;
    return false;
}

// Texts of the corpus that the compiler does not take for reasons of its own.
bool knownRefusal(const std::string& text)
{
    static const char* const texts[] = {
        "SUM(rectangle1:rectangle2)",  // a range between two defined names
    };
    for (const char* known : texts)
        if (text == known) return true;
    return false;
}

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
            else if (printerOnlyText(printed) || knownRefusal(printed) ||
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

}  // namespace
}  // namespace celvo
