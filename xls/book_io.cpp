// Reading and writing the workbook stream of a .xls book: the globals
// substream record by record, then the sheet substreams.
#include <algorithm>

#include "book.h"
#include "book_links.h"
#include "codepage.h"
#include "sheet.h"

namespace celvo {

namespace {
constexpr std::uint16_t kBofId = 0x0809;
constexpr std::uint16_t kEofId = 0x000A;
constexpr std::uint16_t kFilePassId = 0x002F;
constexpr std::uint16_t kInterfaceEndId = 0x00E2;
constexpr std::uint16_t kExcel9FileId = 0x01C0;
constexpr std::uint16_t kDrawingGroupId = 0x00EB;
constexpr std::uint16_t kSstId = 0x00FC;
constexpr std::uint16_t kCodeNameId = 0x01BA;
constexpr std::uint16_t kObProjId = 0x00D3;
constexpr std::uint16_t kObNoMacrosId = 0x01BD;

// Records that the writer places itself or drops, never as raw records.
bool writtenElsewhere(std::uint16_t id)
{
    switch (id) {
    case 0x0018: case 0x01BA: case 0x01AE: case 0x0017: case 0x00FF: case 0x00FC: case 0x00D3: case 0x01BD:
        return true;
    default:
        return false;
    }
}
}  // namespace

void BookImplT::freeSheets()
{
    fonts_.clear();
    formats_.clear();
    sheets_.clear();
}

void BookImplT::clear()
{
    storedEntries_.reset();
    bof_.reset();
    interfaceHdr_ = InterfaceHdr();
    mms_ = Mms();
    writeAccess_.reset();
    codePage_.reset();
    dsf_.reset();
    rrTabId_ = RRTabId();
    fnGroupCount_.reset();
    for (U16Record* r : std::initializer_list<U16Record*>{&winProtect_, &protect_, &password_, &prot4Rev_, &prot4RevPass_})
        r->value = 0;
    window1_ = Window1();
    for (WordRecord* r : {static_cast<WordRecord*>(&backup_), static_cast<WordRecord*>(&hideObj_),
                          static_cast<WordRecord*>(&date1904_), static_cast<WordRecord*>(&calcPrecision_),
                          static_cast<WordRecord*>(&refreshAll_), static_cast<WordRecord*>(&bookBool_),
                          static_cast<WordRecord*>(&usesElfs_)})
        r->reset();
    country_ = Country();
    recalcId_ = RecalcId();
    sst_->clear();
    extSst_ = ExtSST();
    bookExt_ = BookExt();
    fonts_.clear();
    numFormats_.clear();
    formats_.clear();
    styles_.clear();
    boundSheets_.clear();
    rawRecords_.clear();
    names_.clear();
    supBooks_.clear();
    // A loaded file brings its own drawing group or none.
    drawingGroup_ = OfficeArtDggContainer();
    noDrawingGroup_ = true;
    drawingIds_.reset();
}

void BookImplT::reset()
{
    freeSheets();
    clear();
    initDefaultStyles();
}

void BookImplT::readStream(BiffInput& in)
{
    bool done = false;
    while (!done && !in.eof()) {
        RecordCursor rec = in.next();
        const std::uint16_t id = rec.id();
        const bool oldFormat = bof_.version <= 0x0500;
        switch (id) {
        case 0:
            throw xlerror("read error: record id can't be 0");
        case kEofId:
            done = true;
            break;
        case kBofId: {
            Bof bof;
            bof.read(rec);
            if (bof.version != 0x0500 && bof.version != 0x0600) throw xlerror("This file format isn't supported");
            bof_ = bof;
            break;
        }
        case kFilePassId:
            throw xlerror("workbook is encrypted");
        case 0x000E: calcPrecision_.read(rec); break;
        case 0x0012: protect_.read(rec); break;
        case 0x0013: password_.read(rec); break;
        case 0x0018: {
            if (oldFormat) {  // the older layout of NAME is kept as it is
                rawRecords_.emplace_back().read(rec);
                break;
            }
            Lbl name;
            name.pool = pool_.get();
            name.read(rec);
            names_.push_back(std::move(name));
            break;
        }
        case 0x0019: winProtect_.read(rec); break;
        case 0x0022: date1904_.read(rec); break;
        case 0x0031: {
            auto f = std::make_unique<FontImplT>(*this);
            f->read(rec, bof_.version);
            fonts_.push_back(std::move(f));
            break;
        }
        case 0x003D: window1_.read(rec); break;
        case 0x0040: backup_.read(rec); break;
        case 0x0042:
            codePage_.read(rec);
            // The 8-bit texts of a BIFF5 book are in its code page.
            if (oldFormat) in.setCodePageText(std::make_shared<CodePageText>(codePage_.value));
            break;
        case 0x005C: writeAccess_.read(rec); break;
        case 0x0085: {
            BoundSheet8 entry;
            entry.pool = pool_.get();
            entry.oldFormat = oldFormat;
            entry.read(rec);
            boundSheets_.push_back(std::move(entry));
            break;
        }
        case 0x008C: country_.read(rec); break;
        case 0x008D: hideObj_.read(rec); break;
        case 0x0092:
            paletteChanged_ = true;
            palette_.read(rec);
            break;
        case 0x009C: fnGroupCount_.read(rec); break;
        case 0x00C1: mms_.read(rec); break;
        case 0x00DA: bookBool_.read(rec); break;
        case 0x00E0: {
            if (formats_.size() >= 0xFFFF) throw xlerror("XF size is incorrect");
            auto f = std::make_unique<FormatImplT>(*this);
            f->read(rec, bof_.version);
            formats_.push_back(std::move(f));
            break;
        }
        case 0x00E1: interfaceHdr_.read(rec); break;
        case kInterfaceEndId:
            if (rec.length() != 0) throw xlerror("InterfaceEnd size is incorrect");
            break;
        case kDrawingGroupId:
            drawingGroup_.readRecords(rec, in);
            noDrawingGroup_ = false;
            break;
        case kSstId: sst_->read(rec); break;
        case 0x00FF: extSst_.read(rec); break;
        case 0x013D: rrTabId_.read(rec); break;
        case 0x0160: usesElfs_.read(rec); break;
        case 0x0161: dsf_.read(rec); break;
        case SupBook::kId: supBooks_.emplace_back().read(rec, in); break;
        case 0x01AF: prot4Rev_.read(rec); break;
        case 0x01B7: refreshAll_.read(rec); break;
        case 0x01BC: prot4RevPass_.read(rec); break;
        case kExcel9FileId:
            if (rec.length() != 0) throw xlerror("Excel9File size is incorrect");
            break;
        case 0x01C1: recalcId_.read(rec); break;
        case 0x0293: {
            Style s;
            s.pool = pool_.get();
            s.oldFormat = oldFormat;
            s.read(rec);
            styles_.push_back(std::move(s));
            break;
        }
        case 0x041E: {
            Format f;
            f.pool = pool_.get();
            f.oldFormat = oldFormat;
            f.read(rec);
            numFormats_.push_back(std::move(f));
            break;
        }
        case 0x0863: bookExt_.read(rec); break;
        default:
            rawRecords_.emplace_back().read(rec);
            break;
        }
    }

    if (!done) throw xlerror("read error: the workbook stream ends inside the workbook globals (no EOF record)");

    // One substream per sheet entry, in the order of the entries. A
    // failure keeps the sheets read so far and only their entries.
    try {
        for (std::size_t i = 0; i < boundSheets_.size(); ++i) {
            const BoundSheet8& entry = boundSheets_[i];
            auto sheet = std::make_unique<SheetImplT>(*this, entry.sheetName.view());
            // The entry's offset is followed when it names a BOF record;
            // otherwise the substreams are taken one after the other.
            const std::size_t at = entry.lbPlyPos;
            if (at + 4 <= in.bytes().size() && getU16(in.bytes().data() + at) == kBofId) in.seek(at);
            sheet->readSubstream(in);
            sheets_.push_back(std::move(sheet));
        }
    } catch (...) {
        boundSheets_.resize(sheets_.size());
        throw;
    }
    r1c1_ = false;
    if (window1_.itabCur >= sheets_.size()) window1_.itabCur = 0;
    for (std::size_t i = 0; i < sheets_.size(); ++i) sheets_[i]->setSelected(i == window1_.itabCur);
}

void BookImplT::writeStream(BiffOutput& out)
{
    if (bof_.version != 0x0600) throw xlerror("a BIFF5 workbook can't be saved as BIFF8");
    // Readers refuse a workbook without a sheet.
    if (sheets_.empty()) throw xlerror("a workbook without sheets can't be saved");
    if (boundSheets_.size() != sheets_.size())
        throw xlerror("integrity error: _boundSheets.size() != _sheets.size()");
    // New drawing objects: the drawing group counts them.
    drawingIds_.updateDrawingGroup();

    bof_.write(out);
    interfaceHdr_.write(out);
    mms_.write(out);
    out.writeRecordHeader(kInterfaceEndId, 0);
    writeAccess_.write(out);
    codePage_.write(out);
    dsf_.write(out);
    rrTabId_.write(out);
    // The VBA project (kept among the stored storages) is loaded only where
    // OBPROJ says the book has one; then OBNOMACROS and the book's code name.
    for (std::uint16_t id : {kObProjId, kObNoMacrosId, kCodeNameId}) {
        auto found = std::find_if(rawRecords_.begin(), rawRecords_.end(),
                                  [id](const RawRecord& r) { return r.id == id; });
        if (found != rawRecords_.end()) found->write(out);
    }
    fnGroupCount_.write(out);
    for (const U16Record* r : std::initializer_list<const U16Record*>{&winProtect_, &protect_, &password_, &prot4Rev_,
                                                                       &prot4RevPass_})
        r->write(out);
    window1_.write(out);
    for (const WordRecord* r : {static_cast<const WordRecord*>(&backup_), static_cast<const WordRecord*>(&hideObj_),
                                static_cast<const WordRecord*>(&date1904_),
                                static_cast<const WordRecord*>(&calcPrecision_),
                                static_cast<const WordRecord*>(&refreshAll_),
                                static_cast<const WordRecord*>(&bookBool_)})
        r->write(out);
    for (const auto& f : fonts_) f->write(out);
    for (const Format& f : numFormats_) f.write(out);
    for (const auto& f : formats_) f->write(out);
    for (const Style& s : styles_) s.write(out);
    if (paletteChanged_) palette_.write(out);
    usesElfs_.write(out);

    std::vector<std::size_t> sheetEntryAt;
    for (std::size_t i = 0; i < boundSheets_.size(); ++i) {
        boundSheets_[i].sheetName.assign(sheets_[i]->nameText(), *pool_);
        sheetEntryAt.push_back(out.writePosition());
        boundSheets_[i].write(out);
    }
    country_.write(out);
    updateInternalSheetCount(*this);
    for (const SupBook& b : supBooks_) b.write(out);
    for (const Lbl& n : names_) n.write(out);
    if (!noDrawingGroup_) drawingGroup_.writeRecords(out);
    sst_->write(out);
    for (const RawRecord& r : rawRecords_)
        if (!writtenElsewhere(r.id)) r.write(out);
    out.writeRecordHeader(kEofId, 0);

    for (std::size_t i = 0; i < sheets_.size(); ++i) {
        const std::size_t offset = out.writePosition();
        if (offset > 0xFFFFFFFFu) throw xlerror("workbook is too large");
        out.patch32(sheetEntryAt[i] + 4, static_cast<std::uint32_t>(offset));
        sheets_[i]->write(out);
    }
}

}  // namespace celvo
