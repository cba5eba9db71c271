// A .xlsx book loaded from memory: every cell of every sheet and every
// formula's text read (within a window that keeps one run short,
// book_cells.h), the book saved to memory and loaded again, and the two
// compared: the same sheet names, cells and formulas.
//
// The input is a package as it is ("PK..."), or its parts as text, which
// the target packs (so that the mutations reach the XML past the checksums
// of the archive): each part begins at a line "%%<part name>" and runs to
// the newline before the next such line, e.g.
//     %%[Content_Types].xml
//     <Types ...>...</Types>
//     %%xl/workbook.xml
//     ...
// A book refused must say why; our own saved book must load, and read the
// same.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "ZipPackage.h"
#include "book_cells.h"
#include "celvo/factory.h"
#include "celvo/text.h"

namespace {

// The package of parts given as text; empty when the text names no part or
// a name the archive cannot hold.
std::vector<std::uint8_t> packParts(std::string_view text)
{
    std::vector<std::size_t> starts;
    for (std::size_t at = text.find("%%"); at != std::string_view::npos; at = text.find("%%", at + 2))
        if (at == 0 || text[at - 1] == '\n') starts.push_back(at);
    if (starts.empty()) return {};
    try {
        celvo::ZipWriter writer;
        for (std::size_t k = 0; k < starts.size(); ++k) {
            const std::size_t head = starts[k] + 2;
            const std::size_t eol = text.find('\n', head);
            const std::size_t end = k + 1 < starts.size() ? starts[k + 1] - 1 : text.size();
            if (eol == std::string_view::npos || eol > end) continue;
            const celvo::u16string name = celvo::utf8ToUtf16(text.substr(head, eol - head));
            if (name.empty()) continue;
            const std::string_view body = text.substr(eol + 1, end - eol - 1);
            writer.add(name, reinterpret_cast<const std::uint8_t*>(body.data()), body.size());
        }
        return writer.finish();
    } catch (...) {
        return {};
    }
}

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "xlsx_book_fuzz: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::uint8_t> packed;
    if (input.substr(0, 2) != "PK") {
        packed = packParts(input);
        if (packed.empty()) return 0;
        data = packed.data();
        size = packed.size();
    }
    celvo::test::BookHandle h(celvo::createXlsxBook());
    if (!h.book) return 0;
    if (!h.book->loadFromMemory(reinterpret_cast<const char*>(data), static_cast<unsigned>(size))) {
        if (!h.book->errorMessage() || !*h.book->errorMessage()) fail("refused without a reason");
        return 0;
    }
    const std::u16string before = celvo::test::bookText(*h.book);
    const char* saved = nullptr;
    unsigned savedSize = 0;
    if (!h.book->saveToMemory(&saved, &savedSize)) {
        if (!h.book->errorMessage() || !*h.book->errorMessage()) fail("not saved, without a reason");
        return 0;
    }
    celvo::test::BookHandle again(celvo::createXlsxBook());
    if (!again.book) return 0;
    if (!again.book->loadFromMemory(saved, savedSize)) {
        std::fprintf(stderr, "%s\n", again.book->errorMessage());
        fail("our own saved book is refused");
    }
    const std::u16string after = celvo::test::bookText(*again.book);
    if (after != before) {
        celvo::test::printDifference(before, after);
        fail("the book saved and loaded again reads otherwise");
    }
    return 0;
}
