// Every .xls file of the corpus: the broken, hostile and encrypted ones are
// refused with a message; every other one loads, every cell and formula of
// it reads, and a BIFF8 book saves to memory and loads again.
#include "test_support.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "book.h"
#include "corpus_notes.h"
#include "celvo/ISheetT.h"
#include "xls_test_util.h"

namespace celvo {
namespace {

// What the corpus list says a file should do.
enum class Expect { Load, Refuse };

// Files where this reader's judgement differs from the corpus list, and why.
struct Exception {
    const char* file;
    Expect expect;
    const char* reason;
};
const Exception kExceptions[] = {
    {"xlrd__corrupted_error.xls", Expect::Load,
     "its only fault is the mini stream's sector chain running on into the workbook stream, which is how "
     "PHPExcel writes (sheetjs__phpexcel_bad_cfb_dir.xls has the same); every stream is read within its "
     "size, so the data is sound"},
};

Expect expectationOf(const std::string& note)
{
    if (test::spoiltOnPurpose(note)) return Expect::Refuse;
    // Streams older than BIFF5 (no compound document) are outside what the
    // reader handles and are refused as an unsupported version.
    for (const char* old : {"| BIFF2,", "| BIFF3,", "| BIFF4,"})
        if (note.find(old) != std::string::npos) return Expect::Refuse;
    return Expect::Load;
}

std::vector<char> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Reads every cell of the sheet; returns how many formulas gave neither
// text nor a reason.
int readEveryCell(IBookT& book, ISheetT& sheet)
{
    int unreadFormulas = 0;
    for (int row = sheet.firstRow(); row < sheet.lastRow(); ++row) {
        for (int col = sheet.firstColumn(); col < sheet.lastColumn(); ++col) {
            IFormatT* format = nullptr;
            switch (sheet.cellType(row, col)) {
            case CELLTYPE_NUMBER: sheet.readNumber(row, col, &format); sheet.isDate(row, col); break;
            case CELLTYPE_STRING: sheet.readString(row, col, &format); break;
            case CELLTYPE_BOOLEAN: sheet.readBool(row, col, &format); break;
            case CELLTYPE_BLANK: sheet.readBlank(row, col, &format); break;
            case CELLTYPE_ERROR: sheet.readError(row, col); break;
            default: break;
            }
            if (sheet.isFormula(row, col) && !sheet.readFormula(row, col, &format)) {
                const char* why = book.errorMessage();
                if (!why || !*why) ++unreadFormulas;
            }
        }
    }
    return unreadFormulas;
}

TEST(BookCorpus, BrokenFilesAreRefusedAndSoundFilesLoad)
{
    CELVO_REQUIRE_CORPUS();
    const std::map<std::string, std::string> notes = test::corpusNotes(test::corpusDir(), "xls");
    const std::string folder = test::corpusDir() + "/xls";
    int loaded = 0;
    for (const std::string& name : test::xlsFiles(folder)) {
        SCOPED_TRACE(name);
        const auto note = notes.find(name);
        Expect expect = note == notes.end() ? Expect::Load : expectationOf(note->second);
        for (const Exception& e : kExceptions)
            if (name == e.file) expect = e.expect;
        const std::vector<char> bytes = readFile(folder + "/" + name);
        BookImplT* book = new BookImplT();
        const bool ok = book->loadFromMemory(bytes.data(), static_cast<unsigned>(bytes.size()));
        if (expect == Expect::Refuse) {
            EXPECT_FALSE(ok) << "a broken file loaded";
            if (!ok) {
                EXPECT_STRNE(book->errorMessage(), "") << "refused without a message";
            }
        } else {
            EXPECT_TRUE(ok) << book->errorMessage();
        }
        if (ok && expect == Expect::Load) {
            ++loaded;
            for (int i = 0; i < book->sheetCount(); ++i)
                if (ISheetT* sheet = book->sheet(i)) {
                    EXPECT_EQ(readEveryCell(*book, *sheet), 0) << "formulas failing without a reason, sheet " << i;
                }
            if (book->biffVersion() == 0x0600) {
                const char* saved = nullptr;
                unsigned savedSize = 0;
                EXPECT_TRUE(book->saveToMemory(&saved, &savedSize)) << book->errorMessage();
                if (saved && savedSize) {
                    BookImplT* again = new BookImplT();
                    EXPECT_TRUE(again->loadFromMemory(saved, savedSize)) << again->errorMessage();
                    again->release();
                }
            }
        }
        book->release();
    }
    EXPECT_GT(loaded, 0);
}

}  // namespace
}  // namespace celvo
