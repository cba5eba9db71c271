// What compiled formulas mean, as an independent spreadsheet application
// computes them: a small workbook holds input numbers, a defined name, a
// second sheet and one compiled formula per row; LibreOffice opens it,
// recalculates and exports the first sheet as CSV.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "celvo/bytes.h"
#include "formula/compiler.h"
#include "formula_fake_context.h"
#include "globals_protect.h"
#include "test_support.h"
#include "xls.h"

using namespace celvo;
using celvo::test::FakeFormulaContext;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Case {
    const char16_t* formula;
    const char* shown;  // the CSV field
};

// The inputs: Sheet1!A1 = 2, A2 = 3; 'My Sheet'!A1 = 0.5; Rate = 'My Sheet'!$A$1.
const Case kCases[] = {
    {u"=-2^2", "4"},
    {u"=2^3^2", "64"},
    {u"=1+2*3", "7"},
    {u"=(1+2)*3", "9"},
    {u"=10-4-3", "3"},
    {u"=-A2^2", "9"},
    {u"=2^-1", "0.5"},
    {u"=LEN(\"it's\")", "4"},
    {u"=TODAY()-TODAY()", "0"},
    // Booleans show as 1 and 0 in these cells without a number format.
    {u"=\"a\"&\"b\"=\"ab\"", "1"},
    {u"=2+3&4", "54"},
    {u"=\"x\"&1<2", "0"},
    {u"=LEN(\"a\"\"b\")", "3"},
    {u"=\"say \"\"hi\"\"\"", "\"say \"\"hi\"\"\""},
    {u"=SUM(A1:A2)", "5"},
    {u"=SUM(A1,A2,10)", "15"},
    {u"=max(a1;a2)", "3"},
    {u"=ROUND(PI(),2)", "3.14"},
    {u"=IF(A1>2,\"big\",\"small\")", "small"},
    {u"=ABS(-A2)+A1%", "3.02"},
    {u"=OFFSET(A1,1,0)*2", "6"},
    {u"=1.5E3+2e-1", "1500.2"},
    {u"=TRUE", "1"},
    {u"=CONCATENATE(\"x\",A1)", "x2"},
    {u"=SUMXMY2(A1:A2,A1:A2)", "0"},
    {u"=LOG10(100)+ATAN2(1,0)", "2"},
    {u"='My Sheet'!A1*4", "2"},
    {u"=SUM('Sheet1:My Sheet'!A1)", "2.5"},
    {u"=Rate*10", "5"},
    {u"=SUM(Rate,A2)", "3.5"},
    {u"=MMULT(A1,A2)", "6"},
};

void record(BiffOutput& out, std::uint16_t id, const ByteWriter& body) { out.writeRecord(id, body.buffer()); }

void number(BiffOutput& out, std::uint16_t row, std::uint16_t col, double value)
{
    ByteWriter w;
    w.u16(row);
    w.u16(col);
    w.u16(15);
    w.f64(value);
    record(out, 0x0203, w);
}

void shortName(ByteWriter& w, const std::u16string& name)
{
    w.u8(static_cast<std::uint8_t>(name.size()));
    w.u8(1);
    for (char16_t c : name) w.u16(c);
}

Bytes buildWorkbook(FakeFormulaContext& book, const std::vector<Bytes>& formulas)
{
    Xls x;
    BiffOutput& out = x.output();
    Bof globals;
    globals.write(out);

    std::vector<std::size_t> offsetAt;
    for (const std::u16string& name : book.sheets) {
        ByteWriter w;
        w.u32(0);  // patched below
        w.u16(0);
        shortName(w, name);
        offsetAt.push_back(out.writePosition() + 4);
        record(out, 0x0085, w);
    }
    // The internal references and the EXTERNSHEET entries the formulas use.
    ByteWriter supbook;
    supbook.u16(static_cast<std::uint16_t>(book.sheets.size()));
    supbook.u16(0x0401);
    record(out, 0x01AE, supbook);
    ByteWriter externSheet;
    externSheet.u16(static_cast<std::uint16_t>(book.xti.size()));
    for (const auto& [first, last] : book.xti) {
        externSheet.u16(0);
        externSheet.u16(static_cast<std::uint16_t>(first));
        externSheet.u16(static_cast<std::uint16_t>(last));
    }
    record(out, 0x0017, externSheet);
    // Rate = 'My Sheet'!$A$1 (EXTERNSHEET entry of that sheet).
    ByteWriter name;
    const std::u16string rate = u"Rate";
    const std::uint16_t xti = book.externSheetIndex(1, 1);
    name.u16(0);
    name.u8(0);
    name.u8(static_cast<std::uint8_t>(rate.size()));
    name.u16(7);
    name.u16(0);
    name.u16(0);
    name.u32(0);
    name.u8(0);
    for (char16_t c : rate) name.u8(static_cast<std::uint8_t>(c));
    name.u8(0x3A);
    name.u16(xti);
    name.u16(0);
    name.u16(0);
    record(out, 0x0018, name);
    out.writeRecord(0x000A, nullptr, 0);

    for (std::size_t sheet = 0; sheet < book.sheets.size(); ++sheet) {
        out.patch32(offsetAt[sheet], static_cast<std::uint32_t>(out.writePosition()));
        Bof bof;
        bof.type = Bof::kWorksheet;
        bof.write(out);
        ByteWriter dimensions;  // rows 0 to n - 1, columns A and B
        dimensions.u32(0);
        dimensions.u32(sheet == 0 ? static_cast<std::uint32_t>(formulas.size()) : 1);
        dimensions.u16(0);
        dimensions.u16(2);
        dimensions.u16(0);
        record(out, 0x0200, dimensions);
        if (sheet == 0) {
            number(out, 0, 0, 2.0);
            number(out, 1, 0, 3.0);
            for (std::size_t row = 0; row < formulas.size(); ++row) {
                ByteWriter w;
                w.u16(static_cast<std::uint16_t>(row));
                w.u16(1);
                w.u16(15);
                w.f64(0.0);
                w.u16(0x0001);  // always calculate
                w.u32(0);
                w.u16(static_cast<std::uint16_t>(formulas[row].size()));
                w.bytes(formulas[row]);
                record(out, 0x0006, w);
            }
        } else {
            number(out, 0, 0, 0.5);
        }
        out.writeRecord(0x000A, nullptr, 0);
    }
    return x.write();
}

std::vector<std::string> csvColumnB(const std::string& csv)
{
    std::vector<std::string> fields;
    std::istringstream lines(csv);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::size_t comma = line.find(',');
        fields.push_back(comma == std::string::npos ? std::string() : line.substr(comma + 1));
    }
    return fields;
}

}  // namespace

TEST(FormulaMeaning, LibreOfficeComputesWhatTheTextSays)
{
    CELVO_REQUIRE_LIBREOFFICE();
    FakeFormulaContext book;
    book.sheets = {u"Sheet1", u"My Sheet"};
    book.names = {u"Rate"};
    book.externSheetIndex(1, 1);  // the name's entry comes first
    std::vector<Bytes> formulas;
    for (const Case& c : kCases) formulas.push_back(MakeFormula(book).compile(c.formula));
    Bytes file = buildWorkbook(book, formulas);

    const std::string dir = test::processTempDir() + "formula_meaning_" + std::to_string(getpid());
    ASSERT_EQ(system(("rm -rf " + dir + " && mkdir -p " + dir).c_str()), 0);
    std::ofstream(dir + "/book.xls", std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                             static_cast<std::streamsize>(file.size()));
    const std::string cmd = "cd " + dir + " && HOME=" + dir + " soffice -env:UserInstallation=file://" + dir +
                            "/profile --headless --convert-to csv --outdir " + dir + " " + dir +
                            "/book.xls >/dev/null 2>&1";
    ASSERT_EQ(system(cmd.c_str()), 0);
    std::ifstream in(dir + "/book.csv");
    ASSERT_TRUE(in.good()) << "no CSV from LibreOffice";
    std::stringstream csv;
    csv << in.rdbuf();
    std::vector<std::string> shown = csvColumnB(csv.str());
    ASSERT_GE(shown.size(), std::size(kCases));
    for (std::size_t i = 0; i < std::size(kCases); ++i)
        EXPECT_EQ(shown[i], kCases[i].shown) << utf16ToUtf8(kCases[i].formula);
    if (!HasFailure()) system(("rm -rf " + dir).c_str());  // kept for a look when a case fails
}
