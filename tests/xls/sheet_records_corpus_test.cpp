// Worksheet records of real files: every modelled record of every worksheet
// substream in the corpus reads through its class and writes back the bytes
// it was read from.
#include "test_support.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "biff_stream.h"
#include "celvo/file.h"
#include "celvo/mempool.h"
#include "globals_protect.h"
#include "sheet_records_cells.h"
#include "sheet_records_formula.h"
#include "sheet_records_pagesetup.h"
#include "sheet_records_settings.h"
#include "sheet_records_text.h"
#include "xls.h"

namespace celvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Reads one record (the cursor in hand) and writes it back.
using Rewrite = std::function<void(MemPool&, RecordCursor&, BiffOutput&)>;

template <class R>
Rewrite rewrite()
{
    return [](MemPool& pool, RecordCursor& in, BiffOutput& out) {
        if constexpr (std::is_constructible_v<R, MemPool&>) {
            R r(pool);
            r.read(in);
            r.write(out);
        } else {
            R r;
            r.read(in);
            r.write(out);
        }
    };
}

// The record classes that write back exactly what they read, by id, with
// the length they have in their full form (0: any length).
struct Modelled {
    Rewrite run;
    std::size_t fullLength;
};

const std::map<std::uint16_t, Modelled>& modelled()
{
    static const std::map<std::uint16_t, Modelled> table = {
        {Blank::kId, {rewrite<Blank>(), 0}},
        {Number::kId, {rewrite<Number>(), 0}},
        {RK::kId, {rewrite<RK>(), 0}},
        {LabelSst::kId, {rewrite<LabelSst>(), 0}},
        {BoolErr::kId, {rewrite<BoolErr>(), 0}},
        {Label::kId, {rewrite<Label>(), 0}},
        {MulRk::kId, {rewrite<MulRk>(), 0}},
        {MulBlank::kId, {rewrite<MulBlank>(), 0}},
        {Row::kId, {rewrite<Row>(), 0}},
        {Dimensions::kId, {rewrite<Dimensions>(), 14}},
        {DBCell::kId, {rewrite<DBCell>(), 0}},
        {Index::kId, {rewrite<Index>(), 0}},
        {Note::kId, {rewrite<Note>(), 0}},
        {ShrFmla::kId, {rewrite<ShrFmla>(), 0}},
        {CalcMode::kId, {rewrite<CalcMode>(), 0}},
        {CalcCount::kId, {rewrite<CalcCount>(), 0}},
        {CalcRefMode::kId, {rewrite<CalcRefMode>(), 0}},
        {CalcIter::kId, {rewrite<CalcIter>(), 0}},
        {CalcSaveRecalc::kId, {rewrite<CalcSaveRecalc>(), 0}},
        {PrintRowCol::kId, {rewrite<PrintRowCol>(), 0}},
        {PrintGrid::kId, {rewrite<PrintGrid>(), 0}},
        {GridSet::kId, {rewrite<GridSet>(), 0}},
        {WsBool::kId, {rewrite<WsBool>(), 0}},
        {DefColWidth::kId, {rewrite<DefColWidth>(), 0}},
        {Uncalced::kId, {rewrite<Uncalced>(), 0}},
        {CalcDelta::kId, {rewrite<CalcDelta>(), 0}},
        {Guts::kId, {rewrite<Guts>(), 0}},
        {DefaultRowHeight::kId, {rewrite<DefaultRowHeight>(), 0}},
        {Scl::kId, {rewrite<Scl>(), 0}},
        {Window2::kId, {rewrite<Window2>(), 0}},
        {Pane::kId, {rewrite<Pane>(), 10}},
        {ColInfo::kId, {rewrite<ColInfo>(), 12}},
        {Selection::kId, {rewrite<Selection>(), 0}},
        {VerticalPageBreaks::kId, {rewrite<VerticalPageBreaks>(), 0}},
        {HorizontalPageBreaks::kId, {rewrite<HorizontalPageBreaks>(), 0}},
        {MergeCells::kId, {rewrite<MergeCells>(), 0}},
        {PhoneticInfo::kId, {rewrite<PhoneticInfo>(), 0}},
        {HCenter::kId, {rewrite<HCenter>(), 0}},
        {VCenter::kId, {rewrite<VCenter>(), 0}},
        {Setup::kId, {rewrite<Setup>(), 0}},
        {ObjProtect::kId, {rewrite<ObjProtect>(), 2}},
        {ScenProtect::kId, {rewrite<ScenProtect>(), 2}},
    };
    return table;
}

Bytes recordBytes(const Bytes& stream, std::size_t at)
{
    std::size_t len = getU16(&stream[at + 2]);
    return Bytes(stream.begin() + static_cast<std::ptrdiff_t>(at),
                 stream.begin() + static_cast<std::ptrdiff_t>(at + 4 + len));
}

// Checks every modelled worksheet record of one workbook stream; returns
// the findings, one line each.
std::vector<std::string> checkStream(const Bytes& stream, std::size_t& checked)
{
    std::vector<std::string> findings;
    MemPool pool;
    BiffInput in(stream);
    std::vector<std::uint16_t> substreams;  // BOF types, innermost last
    bool biff8 = true;
    bool first = true;
    while (!in.eof()) {
        std::size_t at = in.position();
        std::uint16_t id = in.peekRecordId();
        if (std::size_t(getU16(&stream[at + 2])) + 4 > stream.size() - at) break;  // a cut stream ends here
        RecordCursor rec = in.next();
        if (id == Bof::kId) {
            Bof bof;
            bof.read(rec);
            substreams.push_back(bof.type);
            // The version of the workbook globals decides the layouts of the whole stream.
            if (first) biff8 = bof.version == 0x0600;
            first = false;
            continue;
        }
        if (id == 0x002F) break;  // FILEPASS: the records that follow are encrypted
        if (id == 0x000A) {
            if (!substreams.empty()) substreams.pop_back();
            continue;
        }
        if (!biff8 || substreams.empty() || substreams.back() != Bof::kWorksheet) continue;
        auto it = modelled().find(id);
        if (it == modelled().end() && id != Formula::kId && id != Header::kId && id != Footer::kId) continue;
        if (rec.nextIsContinue() && id != Formula::kId) continue;  // continued records have tests of their own
        Bytes original = recordBytes(stream, at);
        std::size_t fullLength = it == modelled().end() ? 0 : it->second.fullLength;
        BiffOutput out;
        char where[64];
        std::snprintf(where, sizeof where, "record 0x%04X at %zu: ", id, at);
        try {
            if (id == Formula::kId) {
                // The whole block: FORMULA with its ARRAY, TABLE or SHRFMLA
                // and its cached STRING, as one run of bytes.
                FormulaBlock block;
                block.read(in, rec);
                block.write(out);
                original.assign(stream.begin() + static_cast<std::ptrdiff_t>(at),
                                stream.begin() + static_cast<std::ptrdiff_t>(in.position()));
                std::size_t formulaAt = block.prefix.id != 0 ? 4 + block.prefix.data.size() : 0;
                original[formulaAt + 4 + 14] |= Formula::kAlwaysCalc;
            } else if (id == Header::kId || id == Footer::kId) {
                PageSetup p(pool);
                if (id == Header::kId) {
                    p.header.read(rec);
                    if (p.header.empty() && rec.length() != 0) continue;
                    p.header.write(out);
                } else {
                    p.footer.read(rec);
                    if (p.footer.empty() && rec.length() != 0) continue;
                    p.footer.write(out);
                }
            } else {
                it->second.run(pool, rec, out);
            }
        } catch (const std::exception& e) {
            findings.push_back(where + std::string(e.what()));
            continue;
        }
        ++checked;
        if (fullLength != 0 && original.size() != 4 + fullLength) continue;
        if (out.bytes() != original) findings.push_back(where + std::string("written back differently"));
    }
    return findings;
}

TEST(SheetRecordsCorpus, ModelledRecordsWriteBackTheirBytes)
{
    CELVO_REQUIRE_CORPUS();
    namespace fs = std::filesystem;
    std::size_t files = 0, checked = 0;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(test::corpusDir()) / "xls")) {
        if (!entry.is_regular_file() || entry.path().extension() != ".xls") continue;
        std::ifstream f(entry.path(), std::ios::binary);
        Bytes file((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        Xls xls;
        try {
            xls.read(file);
        } catch (const std::exception&) {
            continue;  // containers the reader refuses are another suite's concern
        }
        ++files;
        std::vector<std::string> findings = checkStream(xls.input().bytes(), checked);
        for (const auto& finding : findings) ADD_FAILURE() << entry.path().filename().string() << ": " << finding;
    }
    std::printf("%zu files, %zu records checked\n", files, checked);
}

}  // namespace
}  // namespace celvo
