// The printer over the formulas of real .xls files: every token stream of a
// cell formula, a shared formula and an array formula prints as text, and
// where the compiler takes that text back, its tokens print as the same text.

#include <algorithm>
#include <string>
#include <vector>

#include "celvo/file.h"
#include "celvo/xlerror.h"
#include "formula/compiler.h"
#include "formula/printer.h"
#include "formula_fake_context.h"
#include "formula_markers.h"
#include "globals_protect.h"
#include "sheet_records_formula.h"
#include "test_support.h"
#include "xls.h"
#include "xls_test_util.h"

using namespace celvo;
using celvo::test::FakeFormulaContext;
using celvo::test::hexText;

namespace {

// Text of a short string with its option byte (BOUNDSHEET8 names, NAME texts).
std::u16string readText(RecordCursor& in, std::size_t count)
{
    const bool wide = in.u8() & 1;
    std::u16string text;
    for (std::size_t i = 0; i < count; ++i) text += wide ? static_cast<char16_t>(in.u16()) : in.u8();
    return text;
}

struct Printed {
    int formulas = 0;
    std::vector<std::string> failures;
};

// Walks the BIFF8 records of one workbook stream: sheet names, the EXTERNSHEET
// entries and the defined names go into the context; every token stream is
// printed.
void printWorkbook(BiffInput& in, const std::string& file, Printed& result)
{
    FakeFormulaContext book;
    book.sheets.clear();
    bool biff8 = false;
    bool globals = true;  // the first BOF tells the version of the whole stream
    bool haveXti = false;
    auto print = [&](const std::vector<std::uint8_t>& tokens, int row, int col) {
        ++result.formulas;
        std::u16string text;
        try {
            text = printFormula(tokens.data(), tokens.size(), book, row, col);
        } catch (const xlerror& e) {
            result.failures.push_back(file + ": " + e.what() + ": " + hexText(tokens));
            return;
        }
        std::vector<std::uint8_t> again;
        try {
            again = MakeFormula(book).compile(text);
        } catch (const xlerror& e) {
            // Texts with the printer's marks are not formula input; any
            // other text the compiler refuses is a fault.
            if (!celvo::test::compilerMayRefuse(utf16ToUtf8(text)))
                result.failures.push_back(file + ": " + utf16ToUtf8(text) + " refused: " + e.what());
            return;
        }
        std::u16string reprinted = printFormula(again.data(), again.size(), book, 0, 0);
        if (reprinted != text)
            result.failures.push_back(file + ": " + utf16ToUtf8(text) + " reprinted as " + utf16ToUtf8(reprinted));
    };
    while (!in.eof()) {
        RecordCursor rec = in.next();
        try {
            switch (rec.id()) {
            case 0x0809:
                if (globals) biff8 = rec.u16() == 0x0600;
                globals = false;
                break;
            case 0x0085:
                if (!biff8) break;
                rec.skip(6);
                book.sheets.push_back(readText(rec, rec.u8()));
                break;
            case ExternSheet::kId:
                if (biff8 && !haveXti) {
                    ExternSheet x;
                    x.read(rec);
                    for (const Xti& e : x.entries) book.xti.emplace_back(e.firstSheet, e.lastSheet);
                    haveXti = true;
                }
                break;
            case 0x0018: {
                if (!biff8) break;
                const std::uint16_t options = rec.u16();
                rec.skip(1);
                const std::size_t length = rec.u8();
                rec.skip(10);
                std::u16string name = readText(rec, length);
                if (options & 0x0020) name = u"builtin" + std::u16string(1, name.empty() ? u'?' : name[0]);
                book.names.push_back(name);
                break;
            }
            case Formula::kId: {
                if (!biff8) break;
                Formula f;
                f.read(rec);
                print(f.tokens, 0, 0);
                break;
            }
            case ShrFmla::kId: {
                if (!biff8) break;
                ShrFmla s;
                s.read(rec);
                print(s.tokens, s.firstRow, s.firstCol);
                break;
            }
            case 0x0221: {  // ARRAY
                if (!biff8) break;
                rec.skip(12);
                const std::size_t cce = rec.u16();
                print(rec.bytes(cce), 0, 0);
                break;
            }
            default:
                break;
            }
        } catch (const xlerror&) {
            // A record the reader refuses is not the printer's business.
        }
    }
}

}  // namespace

// Only the printer's own marks excuse a text the compiler refuses: an
// argument list (parted by semicolons), a quoted comma or space, an array
// constant, or a function whose name holds a mark word excuses nothing.
TEST(FormulaCorpus, PrinterMarksExcuseOnlyThemselves)
{
    struct Case {
        const char* text;
        const char* mark;
    };
    const Case cases[] = {
        {"SUM(A1;B1)", ""},
        {"IF(A1>0;\"a, b\";\"c d\")", ""},
        {"'my sheet'!A1+'it''s, here'!B2", ""},
        {"{1,2;3,4}", ""},
        {"ISERR(A1)+ERROR.TYPE(B1)+MISSING", ""},
        {"SUM(A1,B1)", "union"},
        {"SUM((A1,B1))", "union"},
        {"A1:B2,C3", "union"},
        {"SUM(A1:B2 B1:C3)", "isect"},
        {"?(A1)", "?"},
        {"A1+?", "?"},
        {"[1]Sheet1!#REF!", "#REF!"},
        {"IF(A1;MISS;2)", "MISS"},
        {"SUM(ERR)", "ERR"},
    };
    for (const Case& c : cases) EXPECT_EQ(celvo::test::printerMark(c.text), c.mark) << c.text;
}

TEST(FormulaCorpus, EveryFormulaPrints)
{
    CELVO_REQUIRE_CORPUS();
    const std::string folder = test::corpusDir() + "/xls";
    Printed result;
    for (const std::string& name : celvo::test::xlsFiles(folder)) {
        std::vector<std::uint8_t> bytes;
        if (!readWholeFile(folder + "/" + name, bytes)) continue;
        Xls x;
        try {
            x.read(bytes);
            printWorkbook(x.input(), name, result);
        } catch (const xlerror&) {
            continue;  // files the container or the record stream refuse
        }
    }
    for (const std::string& f : result.failures) ADD_FAILURE() << f;
    std::cout << result.formulas << " token streams printed\n";
    EXPECT_GT(result.formulas, 0) << "no formula found in " << folder;
}
