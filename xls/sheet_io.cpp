// Reading a worksheet substream into the sheet and writing it back.
//
// The reader models the records the sheet operations need and keeps every
// other record, in file order, as a raw record; the writer puts the modelled
// records in a fixed order, a few raw records at fixed points and the other
// raw records at the end, before EOF.
#include <algorithm>
#include <initializer_list>

#include "book.h"
#include "cell_census.h"
#include "sheet.h"

namespace celvo {

namespace {

constexpr std::uint16_t kEofId = 0x000A;
constexpr std::uint16_t kPlsId = 0x004D;
constexpr std::uint16_t kSortId = 0x0090;
constexpr std::uint16_t kDropDownObjIdsId = 0x0874;
constexpr std::uint16_t kAutoFilterInfoId = 0x009D;
constexpr std::uint16_t kHeaderFooterId = 0x089C;
constexpr std::uint16_t kPlvId = 0x088B;
constexpr std::uint16_t kBeforeWindowId = 0x0050;
constexpr std::uint16_t kAfterCellsId = 0x01C2;
constexpr std::uint16_t kStandardWidthId = 0x0099;

// Raw records that the writer places at fixed points (or drops: PLS away
// from its page setup block) and so leaves out of the final pass.
bool placedRaw(std::uint16_t id)
{
    switch (id) {
    case kPlsId: case kSortId: case kDropDownObjIdsId: case kAutoFilterInfoId: case kHeaderFooterId:
    case kPlvId: case kBeforeWindowId: case kAfterCellsId: case kStandardWidthId: return true;
    default: return false;
    }
}

RawRecord rawOf(RecordCursor& rec)
{
    RawRecord r;
    r.id = rec.id();
    r.data = rec.rest();
    return r;
}

void writeRaw(BiffOutput& out, const RawRecord& r) { out.writeRecord(r.id, r.data); }

// Links the cell at the end of its list into the grid; a cell off the grid
// leaves the list again and fails the read.
template <class Rec>
void placeLastCell(CellGrid& grid, std::vector<Rec>& list, CellKind kind)
{
    const Rec& cell = list.back();
    try {
        if (cell.row >= kMaxCellRows) throw xlerror("row must be in range 0-65535");
        if (cell.col >= kMaxCellCols) throw xlerror("col must be in range 0-255");
        grid.slot(cell.row, cell.col) = makeSlot(kind, list.size() - 1);
    } catch (...) {
        list.pop_back();
        throw;
    }
}

}  // namespace

// ---- reading ------------------------------------------------------------------

void SheetImplT::reserveCells(const CellCensus& census)
{
    rkCells_.reserve(rkCells_.size() + census.rk);
    numberCells_.reserve(numberCells_.size() + census.number);
    labelSstCells_.reserve(labelSstCells_.size() + census.labelSst);
    blankCells_.reserve(blankCells_.size() + census.blank);
}

template <class Rec>
void SheetImplT::readCellRecord(RecordCursor& rec, std::vector<Rec>& list, CellKind kind)
{
    // Read in place at the end of the list.
    list.emplace_back();
    try {
        list.back().read(rec);
    } catch (...) {
        list.pop_back();
        throw;
    }
    placeLastCell(cells_, list, kind);
}

template <class Rec>
void SheetImplT::addCell(std::vector<Rec>& list, Rec rec, CellKind kind)
{
    list.push_back(std::move(rec));
    placeLastCell(cells_, list, kind);
}

void SheetImplT::read(BiffInput& in)
{
    const bool biff5 = book_ && book_->biffVersion() <= 0x0500;
    dimensions_.biff5 = biff5;
    window2_.biff5 = biff5;
    index_.biff5 = biff5;
    reserveCells(countCellRecords(in.bytes(), in.position()));

    bool bofSeen = false, eofSeen = false;
    while (!in.eof()) {
        // A record of id 0 (the old DIMENSIONS some writers still put in a
        // worksheet) is kept like any record the sheet does not model.
        RecordCursor rec = in.next();
        const std::uint16_t id = rec.id();
        if (id == kEofId) {
            eofSeen = true;
            break;
        }
        if (id == Bof::kId) {
            if (bofSeen) throw xlerror("read error: unexpected BOF record");
            bof_.read(rec);
            bofSeen = true;
            continue;
        }
        if (bof_.type != Bof::kWorksheet) {
            rawRecords_.push_back(rawOf(rec));
            continue;
        }
        switch (id) {
        case Uncalced::kId:
            uncalced_.read(rec);
            uncalced_.present = true;
            break;
        case Dimensions::kId: dimensions_.read(rec); break;
        case Blank::kId: readCellRecord<Blank>(rec, blankCells_, CellKind::Blank); break;
        case Number::kId: readCellRecord<Number>(rec, numberCells_, CellKind::Number); break;
        case Label::kId: {
            Label cell(book_->pool());
            cell.biff5 = biff5;
            cell.read(rec);
            addCell(labelCells_, std::move(cell), CellKind::Label);
            break;
        }
        case BoolErr::kId: readCellRecord<BoolErr>(rec, boolErrCells_, CellKind::BoolErr); break;
        case Row::kId: rows_.emplace_back().read(rec); break;
        case Index::kId: index_.read(rec); break;
        case DefaultRowHeight::kId: defaultRowHeight_.read(rec); break;
        case Window2::kId: window2_.read(rec); break;
        case RK::kId: readCellRecord<RK>(rec, rkCells_, CellKind::RK); break;
        case Formula::kId: {
            FormulaBlock block;
            block.biff5 = biff5;
            block.read(in, rec);
            // A 16-bit row is always on the sheet; the column needs the check.
            const std::uint16_t row = block.row(), col = block.col();
            if (col >= kMaxCellCols) throw xlerror("col must be in range 0-255");
            formulaCells_.push_back(std::move(block));
            cells_.slot(row, col) = makeSlot(CellKind::Formula, formulaCells_.size() - 1);
            break;
        }
        case CalcCount::kId: calcCount_.read(rec); break;
        case CalcMode::kId: calcMode_.read(rec); break;
        case CalcRefMode::kId: refMode_.read(rec); break;
        case CalcDelta::kId: delta_.read(rec); break;
        case CalcIter::kId: iteration_.read(rec); break;
        case VerticalPageBreaks::kId: verticalBreaks_.read(rec); break;
        case HorizontalPageBreaks::kId: horizontalBreaks_.read(rec); break;
        case Note::kId: {
            Note note(book_->pool());
            note.biff5 = biff5;
            note.read(rec);
            notes_.push_back(std::move(note));
            break;
        }
        case Selection::kId: selections_.emplace_back().read(rec); break;
        case PrintRowCol::kId: printHeaders_.read(rec); break;
        case PrintGrid::kId: printGridlines_.read(rec); break;
        case Pane::kId: pane_.read(rec); break;
        case DefColWidth::kId: defColWidth_.read(rec); break;
        case CalcSaveRecalc::kId: saveRecalc_.read(rec); break;
        case ColInfo::kId: {
            ColInfo info;
            info.read(rec);
            for (ColInfo& one : info.expand()) colInfos_.push_back(one);
            break;
        }
        case Guts::kId: guts_.read(rec); break;
        case WsBool::kId: wsBool_.read(rec); break;
        case GridSet::kId: gridSet_.read(rec); break;
        case Scl::kId: scl_.read(rec); break;
        case MulRk::kId: {
            MulRk run;
            run.read(rec);
            for (const RK& cell : run.cells()) addCell(rkCells_, cell, CellKind::RK);
            break;
        }
        case MulBlank::kId: {
            MulBlank run;
            run.read(rec);
            for (const Blank& cell : run.cells()) addCell(blankCells_, cell, CellKind::Blank);
            break;
        }
        case DBCell::kId: dbCells_.emplace_back().read(rec); break;
        case MergeCells::kId: mergeCells_.emplace_back().read(rec); break;
        case MsoDrawing::kId: drawing_.read(rec, in); break;
        case PhoneticInfo::kId: phonetic_.read(rec); break;
        case LabelSst::kId: readCellRecord<LabelSst>(rec, labelSstCells_, CellKind::LabelSst); break;
        default:
            if (PageSetup::isBlockRecord(id) && id != Margin::kLeftId && id != Margin::kRightId &&
                id != Margin::kTopId && id != Margin::kBottomId && id != Pls::kId)
                pageSetup_.read(in, rec);
            else if (SheetProtection::isBlockRecord(id))
                protection_.read(in, rec);
            else
                rawRecords_.push_back(rawOf(rec));
            break;
        }
    }
    // A stream cut inside the sheet would otherwise load as a shorter sheet.
    if (!eofSeen) throw xlerror("read error: the workbook stream ends inside a sheet (no EOF record)");
    // A drawing whose records claim more than the substream held fails here.
    drawing_.finishRead();
    usedRangeDirty_ = true;
}

// ---- writing ------------------------------------------------------------------

void SheetImplT::writeRawAt(BiffOutput& out, std::uint16_t id) const
{
    for (const RawRecord& r : rawRecords_)
        if (r.id == id) writeRaw(out, r);
}

void SheetImplT::write(BiffOutput& out)
{
    bof_.write(out);
    if (bof_.type != Bof::kWorksheet) {
        for (const RawRecord& r : rawRecords_) writeRaw(out, r);
        out.writeRecordHeader(kEofId, 0);
        return;
    }
    recomputeUsedRange();

    if (uncalced_.present) uncalced_.write(out);
    // INDEX: the rows of the cell table; this writer makes no row blocks, so
    // the index names no DBCELL record. The DEFCOLWIDTH position is patched
    // in once it is known.
    Index index = index_;
    index.firstRow = dimensions_.firstRow;
    index.rowBound = dimensions_.rowBound;
    index.dbCellPos.clear();
    const std::size_t indexAt = out.writePosition();
    index.write(out);

    calcMode_.write(out);
    calcCount_.write(out);
    refMode_.write(out);
    iteration_.write(out);
    delta_.write(out);
    saveRecalc_.write(out);
    printHeaders_.write(out);
    printGridlines_.write(out);
    gridSet_.write(out);
    guts_.write(out);
    defaultRowHeight_.write(out);
    wsBool_.write(out);
    if (horizontalBreaks_.needsWriting()) horizontalBreaks_.write(out);
    if (verticalBreaks_.needsWriting()) verticalBreaks_.write(out);
    writeRawAt(out, kHeaderFooterId);
    pageSetup_.write(out);
    protection_.write(out);

    const std::size_t defColWidthAt = out.writePosition();
    if (defColWidthAt > 0xFFFFFFFFu) throw xlerror("workbook is too large");
    out.patch32(indexAt + 4 + 12, static_cast<std::uint32_t>(defColWidthAt));
    defColWidth_.write(out);
    for (const ColInfo& c : collapseColumns(colInfos_)) c.write(out);
    for (std::uint16_t id : {kSortId, kDropDownObjIdsId, kAutoFilterInfoId}) writeRawAt(out, id);

    dimensions_.write(out);
    std::vector<Row> rows = rows_;
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.row < b.row; });
    for (const Row& r : rows) r.write(out);

    cells_.forEachCell([&](std::uint32_t, std::uint32_t, std::uint32_t slot) {
        const std::size_t i = slotPosition(slot);
        switch (slotKind(slot)) {
        case CellKind::RK: rkCells_.at(i).write(out); break;
        case CellKind::Number: numberCells_.at(i).write(out); break;
        case CellKind::LabelSst: labelSstCells_.at(i).write(out); break;
        case CellKind::Blank: blankCells_.at(i).write(out); break;
        case CellKind::BoolErr: boolErrCells_.at(i).write(out); break;
        case CellKind::Formula: formulaCells_.at(i).write(out); break;
        case CellKind::Label: labelCells_.at(i).write(out); break;
        case CellKind::None: break;
        }
    });

    writeRawAt(out, kAfterCellsId);
    drawing_.write(out);
    for (const Note& n : notes_) n.write(out);
    writeRawAt(out, kBeforeWindowId);
    window2_.write(out);
    writeRawAt(out, kPlvId);
    if (scl_.needsWriting()) scl_.write(out);
    if (pane_.present) pane_.write(out);
    for (const Selection& s : selections_) s.write(out);
    writeRawAt(out, kStandardWidthId);
    for (const MergeCells& m : mergeCells_)
        if (!m.ranges.empty()) m.write(out);
    phonetic_.write(out);
    for (const RawRecord& r : rawRecords_)
        if (!placedRaw(r.id)) writeRaw(out, r);
    out.writeRecordHeader(kEofId, 0);
}

}  // namespace celvo
