// Every .xlsx file of the corpus: the broken, hostile and encrypted ones
// (agile and standard encryption in a compound document among them) are
// refused with a message; every other one loads, every cell and formula of
// it reads, and it saves to memory and loads again with the same sheet
// names, cells and formulas. (corpus_roundtrip.py compares the saved parts
// and has openpyxl and LibreOffice open the saved books.)
#include "test_support.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "book_cells.h"
#include "celvo/IBookT.h"
#include "celvo/ISheetT.h"
#include "celvo/factory.h"
#include "corpus_notes.h"

namespace celvo {
namespace {

// What the corpus list says a file should do, or what this reader does.
enum class Expect { Load, Refuse, LoadNoSave };

// Files where this reader's judgement differs from the corpus list, and why.
struct Exception {
    const char* file;
    Expect expect;
    const char* reason;  // for a refusal: the start of the message
};
const Exception kExceptions[] = {
    {"poi__xxe_in_schema.xlsx", Expect::Load,
     "its external entity stands in the XML map part, which the engine keeps as bytes and never reads: nothing "
     "is expanded or fetched, and the book is otherwise sound"},
    // The strict edition of the format, whose namespaces the bindings do not read.
    {"calamine__strict_iso_paths.xlsx", Expect::Refuse, "strict Open XML is not supported in part "},
    {"exceldatareader__Test_Issue_11573_BlankValues.xlsx", Expect::Refuse, "strict Open XML is not supported in part "},
    {"sheetjs__sheet_visibility_strict.xlsx", Expect::Refuse, "strict Open XML is not supported in part "},
    // A workbook whose sheet list is empty could not be saved: it is refused
    // when it loads.
    {"excelize__BadWorkbook.xlsx", Expect::Refuse, "the workbook has no sheets"},
};

Expect expectationOf(const std::string& note)
{
    return test::spoiltOnPurpose(note) ? Expect::Refuse : Expect::Load;
}

std::vector<char> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string baseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// Every cell of the sheet's used range, unless the range is so large (a
// sheet whose used range runs to the last row and column) that reading
// each place of it would take hours: then as many rows from the top as
// make two million places.
test::CellWindow wholeSheet(IBookT& book, int index)
{
    test::CellWindow window{1 << 21, 1 << 15};
    if (ISheetT* sheet = book.sheet(index)) {
        const long long columns = std::max(1, sheet->lastColumn() - sheet->firstColumn());
        window.rows = static_cast<int>(std::min<long long>(window.rows, std::max(1LL, 2000000LL / columns)));
    }
    return window;
}

TEST(XlsxBookCorpus, BrokenFilesAreRefusedAndSoundFilesRoundTrip)
{
    CELVO_REQUIRE_CORPUS();
    const std::map<std::string, std::string> notes = test::corpusNotes(test::corpusDir(), "xlsx");
    int loaded = 0, refused = 0, encrypted = 0;
    for (const std::string& path : test::corpusFiles("xlsx", ".xlsx")) {
        const std::string name = baseName(path);
        SCOPED_TRACE(name);
        const auto note = notes.find(name);
        Expect expect = note == notes.end() ? Expect::Load : expectationOf(note->second);
        const char* reason = nullptr;
        for (const Exception& e : kExceptions)
            if (name == e.file) {
                expect = e.expect;
                reason = e.reason;
            }
        const std::vector<char> bytes = readFile(path);
        test::BookHandle book(createXlsxBook());
        ASSERT_NE(book.book, nullptr);
        const bool ok = book.book->loadFromMemory(bytes.data(), static_cast<unsigned>(bytes.size()));
        const std::string message = book.book->errorMessage() ? book.book->errorMessage() : "";
        if (expect == Expect::Refuse) {
            EXPECT_FALSE(ok) << "a broken file loaded";
            EXPECT_NE(message, "") << "refused without a message";
            EXPECT_NE(message, "ok") << "refused without a message";
            if (reason) {
                EXPECT_EQ(message.compare(0, std::strlen(reason), reason), 0) << message;
            }
            if (note != notes.end() && note->second.find("ENCRYPTED") != std::string::npos) {
                EXPECT_NE(message.find("encrypted"), std::string::npos) << message;
                ++encrypted;
            }
            ++refused;
            continue;
        }
        ASSERT_TRUE(ok) << message;
        ++loaded;
        const char* saved = nullptr;
        unsigned savedSize = 0;
        const bool wasSaved = book.book->saveToMemory(&saved, &savedSize);
        if (expect == Expect::LoadNoSave) {
            EXPECT_FALSE(wasSaved);
            EXPECT_EQ(std::string(book.book->errorMessage()), reason);
            continue;
        }
        ASSERT_TRUE(wasSaved) << book.book->errorMessage();
        test::BookHandle again(createXlsxBook());
        ASSERT_TRUE(again.book->loadFromMemory(saved, savedSize)) << again.book->errorMessage();
        ASSERT_EQ(again.book->sheetCount(), book.book->sheetCount());
        for (int i = 0; i < book.book->sheetCount(); ++i) {
            // Sheet by sheet, so that a large book is never held as one text.
            const test::CellWindow window = wholeSheet(*book.book, i);
            const std::u16string before = test::sheetText(*book.book, i, window);
            const std::u16string after = test::sheetText(*again.book, i, window);
            if (before != after) {
                std::size_t at = 0;
                while (at < before.size() && at < after.size() && before[at] == after[at]) ++at;
                const std::size_t from = at < 80 ? 0 : at - 80;
                ADD_FAILURE() << "sheet " << i << " reads otherwise after a save: "
                              << utf16ToUtf8(before.substr(from, 160)) << " / " << utf16ToUtf8(after.substr(from, 160));
            }
        }
    }
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
    EXPECT_GT(encrypted, 0) << "the encrypted files of the corpus";
}

}  // namespace
}  // namespace celvo
