#include "obj_records.h"

#include <algorithm>
#include <atomic>

#include "celvo/bytes.h"

namespace celvo {

namespace {

std::atomic<std::uint16_t> g_objectCounter{0};

const char* subRecordName(std::uint16_t ft)
{
    switch (ft) {
    case 0x04: return "FtMacro";
    case 0x09: return "FtPictFmla";
    case 0x0E:
    case 0x14: return "ObjLinkFmla";
    case 0x12: return "FtCblsData";
    case 0x11: return "FtRboData";
    case 0x10: return "FtEdoData";
    case 0x13: return "FtLbsData";
    case 0x0F: return "FtGboData";
    default: return "Obj";
    }
}

bool isFormulaSubRecord(std::uint16_t ft) { return ft == 0x04 || ft == 0x09 || ft == 0x0E || ft == 0x14; }

// The length of a list box's or drop-down's data after its ft and cb:
// the input range formula (u16 length and the formula), the item count, the
// selection, the flags and the edit box id; then the drop-down's own fields
// (ot 20); the items' texts when the flags say they are stored; one
// selection byte per item when more than one item may be selected.
std::size_t listDataSize(const std::uint8_t* data, std::size_t size, std::uint16_t ot)
{
    ByteReader in(data, size, "error in record FtLbsData");
    const std::uint16_t cbFmla = in.u16();
    if (cbFmla != 0) {
        // The formula: u16 token length (high bit reserved), u32 unused,
        // the tokens; then what pads it to its stated length.
        ByteReader fmla(in.take(cbFmla), cbFmla, "error in record FtLbsData");
        const std::size_t cce = fmla.u16() & 0x7FFF;
        fmla.skip(4);
        fmla.skip(cce);
    }
    const std::uint16_t cLines = in.u16();
    in.skip(2);  // iSel
    const std::uint16_t flags = in.u16();
    in.skip(2);  // idEdit
    auto skipText = [&in] {
        const std::size_t cch = in.u16();
        const bool wide = (in.u8() & 1) != 0;
        in.skip(wide ? 2 * cch : cch);
        return 3 + (wide ? 2 * cch : cch);
    };
    if (ot == Obj::kDropDown) {
        in.skip(6);  // style, lines shown, minimum width
        // The edit text, padded to an even length.
        if (skipText() % 2 != 0) in.skip(1);
    }
    const bool itemsStored = (flags & 0x0002) != 0;
    const bool multiSelect = ((flags >> 4) & 3) != 0;
    if (itemsStored)
        for (std::uint16_t i = 0; i < cLines; ++i) skipText();
    if (multiSelect) in.skip(cLines);
    return in.pos();
}

std::vector<std::uint8_t> gather(RecordCursor& rec)
{
    return rec.rest();
}

}  // namespace

// ------------------------------------------------------------------ OBJ

Obj::Obj() : id(g_objectCounter.fetch_add(1))
{
    subRecords.push_back({0x07, 2, {0xFF, 0xFF}});
    subRecords.push_back({0x08, 2, {0x01, 0x00}});
}

const Obj::SubRecord* Obj::find(std::uint16_t ft) const
{
    for (const auto& s : subRecords)
        if (s.ft == ft) return &s;
    return nullptr;
}

Obj::SubRecord* Obj::find(std::uint16_t ft)
{
    for (auto& s : subRecords)
        if (s.ft == ft) return &s;
    return nullptr;
}

void Obj::setSubRecord(std::uint16_t ft, std::vector<std::uint8_t> data)
{
    if (SubRecord* s = find(ft)) {
        s->cb = static_cast<std::uint16_t>(data.size());
        s->data = std::move(data);
        return;
    }
    std::uint16_t cb = static_cast<std::uint16_t>(data.size());
    subRecords.push_back({ft, cb, std::move(data)});
    if (ft == 0x0D) noteDataMissing = false;
}

std::size_t Obj::read(RecordCursor& rec, BiffInput&)
{
    std::vector<std::uint8_t> bytes = gather(rec);
    ByteReader in(bytes, "error in record Obj");
    cmoFt = in.u16();
    cmoCb = in.u16();
    ot = in.u16();
    id = in.u16();
    grbit = in.u16();
    in.bytes(cmoReserved, sizeof cmoReserved);
    subRecords.clear();
    tail.clear();
    endMissing = true;
    end = 0;
    while (in.remaining() >= 4) {
        std::uint16_t ft = in.u16();
        std::uint16_t cb = in.u16();
        if (ft == 0 && cb == 0) {
            endMissing = false;
            break;
        }
        SubRecord sub{ft, cb, {}};
        if (ft == 0x13) {
            // The list data: its size follows from its own fields, not from
            // cb. Only the end of the object may follow it; anything else
            // there is kept as it stands.
            if (cb != 0) sub.data = in.bytes(listDataSize(in.data() + in.pos(), in.remaining(), ot));
            subRecords.push_back(std::move(sub));
            if (in.remaining() >= 4 && getU32(in.data() + in.pos()) == 0) {
                in.skip(4);
                endMissing = false;
            }
            break;
        } else if (cb > in.remaining()) {
            if (!isFormulaSubRecord(ft)) throw xlerror(std::string("error in record ") + subRecordName(ft));
            // A formula cut by the end of the record keeps what is there.
            sub.data = in.bytes(in.remaining());
            sub.cb = static_cast<std::uint16_t>(sub.data.size());
        } else {
            if (isFormulaSubRecord(ft) && (cb & 1)) throw xlerror("error in record ObjFmla");
            sub.data = in.bytes(cb);
        }
        subRecords.push_back(std::move(sub));
    }
    tail = in.bytes(in.remaining());
    noteDataMissing = ot == kComment && !find(0x0D);
    return bytes.size();
}

std::size_t Obj::dataSize() const
{
    std::size_t n = 22;
    for (const auto& s : subRecords) n += 4 + s.data.size();
    if (!endMissing) n += 4;
    return n + tail.size();
}

std::size_t Obj::write(BiffOutput& out) const
{
    ByteWriter w;
    w.u16(cmoFt);
    w.u16(cmoCb);
    w.u16(ot);
    w.u16(id);
    w.u16(grbit);
    w.bytes(cmoReserved, sizeof cmoReserved);
    for (const auto& s : subRecords) {
        w.u16(s.ft);
        w.u16(s.cb);
        w.bytes(s.data);
    }
    if (!endMissing) w.u32(end);
    w.bytes(tail);
    if (w.size() > kMaxRecordData) throw xlerror("error in record Obj");
    return out.writeRecord(kId, w.buffer());
}

// ------------------------------------------------------------------ TXO

void TextObject::setText(const std::u16string& text)
{
    if (text.size() > 0xFFFF) throw xlerror("error in record TextObject");
    text_ = text;
    cchText = static_cast<std::uint16_t>(text.size());
    runs.clear();
    // An empty text has no runs: the record stands alone.
    cbRuns = text.empty() ? 0 : 16;
    if (!text.empty()) {
        runs.push_back({0, 5, 0});
        runs.push_back({cchText, 0, 0});
    }
    textPieces_.clear();
    runPieces_.clear();
}

std::size_t TextObject::read(RecordCursor& rec, BiffInput&)
{
    static const char* kError = "error in record TextObject";
    std::vector<std::uint8_t> head = rec.rest();
    std::size_t total = head.size();
    ByteReader in(head, kError);
    grbit = in.u16();
    rot = in.u16();
    reserved1 = in.u16();
    reserved2 = in.u32();
    cchText = in.u16();
    cbRuns = in.u16();
    ifntEmpty = in.u16();
    formula.clear();
    if (in.remaining() >= 2) {
        std::uint16_t cbFmla = in.u16();
        formula = in.bytes(cbFmla);
    }
    tail = in.bytes(in.remaining());
    text_.clear();
    runs.clear();
    textPieces_.clear();
    runPieces_.clear();
    if (cchText == 0) return total;

    // The text, across as many CONTINUE records as it needs; each begins
    // with its own option byte.
    text_.reserve(std::min<std::size_t>(cchText, rec.streamLeft()));
    while (text_.size() < cchText) {
        rec.enterContinue(kError);
        total += rec.remaining();
        if (rec.atEnd()) continue;
        bool wide = (rec.u8() & 1) != 0;
        std::size_t width = wide ? 2 : 1;
        std::size_t n = std::min<std::size_t>(cchText - text_.size(), rec.remaining() / width);
        if (n == 0) throw xlerror(kError);
        for (std::size_t i = 0; i < n; ++i)
            text_.push_back(wide ? static_cast<char16_t>(rec.u16()) : static_cast<char16_t>(rec.u8()));
        textPieces_.push_back({n, wide});
    }
    if (cbRuns == 0) return total;
    if (cbRuns % 8 != 0) throw xlerror(kError);
    std::size_t count = cbRuns / 8;
    while (runs.size() < count) {
        rec.enterContinue(kError);
        total += rec.remaining();
        std::size_t n = std::min(count - runs.size(), rec.remaining() / 8);
        if (n == 0) throw xlerror(kError);
        for (std::size_t i = 0; i < n; ++i) {
            Run r;
            r.ich = rec.u16();
            r.ifnt = rec.u16();
            r.reserved = rec.u32();
            runs.push_back(r);
        }
        runPieces_.push_back(n);
    }
    return total;
}

std::size_t TextObject::write(BiffOutput& out) const
{
    ByteWriter w;
    w.u16(grbit);
    w.u16(rot);
    w.u16(reserved1);
    w.u32(reserved2);
    w.u16(static_cast<std::uint16_t>(text_.size()));
    w.u16(text_.empty() ? cbRuns : static_cast<std::uint16_t>(runs.size() * 8));
    w.u16(ifntEmpty);
    w.u16(static_cast<std::uint16_t>(formula.size()));
    w.bytes(formula);
    w.bytes(tail);
    if (w.size() > kMaxRecordData) throw xlerror("error in record TextObject");
    std::size_t written = out.writeRecord(kId, w.buffer());
    if (text_.empty()) return written;

    // Text pieces: as read when they still describe the text, else as many
    // as needed, each at most one record.
    bool anyWide = std::any_of(text_.begin(), text_.end(), [](char16_t c) { return c > 0xFF; });
    std::vector<TextPiece> pieces;
    std::size_t covered = 0;
    bool reuse = !textPieces_.empty();
    for (const TextPiece& p : textPieces_) {
        for (std::size_t i = covered; reuse && i < covered + p.chars && i < text_.size(); ++i)
            if (!p.wide && text_[i] > 0xFF) reuse = false;
        covered += p.chars;
    }
    if (reuse && covered == text_.size()) {
        pieces = textPieces_;
    } else {
        std::size_t per = (kMaxRecordData - 1) / (anyWide ? 2 : 1);
        for (std::size_t at = 0; at < text_.size(); at += per)
            pieces.push_back({std::min(per, text_.size() - at), anyWide});
    }
    std::size_t at = 0;
    for (const TextPiece& p : pieces) {
        ByteWriter t;
        t.u8(p.wide ? 1 : 0);
        for (std::size_t i = 0; i < p.chars; ++i, ++at) {
            if (p.wide)
                t.u16(static_cast<std::uint16_t>(text_[at]));
            else
                t.u8(static_cast<std::uint8_t>(text_[at]));
        }
        written += out.writeRecord(kContinueId, t.buffer());
    }

    std::vector<std::size_t> runPieces;
    std::size_t runTotal = 0;
    for (std::size_t n : runPieces_) runTotal += n;
    if (!runPieces_.empty() && runTotal == runs.size()) {
        runPieces = runPieces_;
    } else {
        const std::size_t per = kMaxRecordData / 8;
        for (std::size_t i = 0; i < runs.size(); i += per) runPieces.push_back(std::min(per, runs.size() - i));
    }
    std::size_t r = 0;
    for (std::size_t n : runPieces) {
        ByteWriter t;
        for (std::size_t i = 0; i < n; ++i, ++r) {
            t.u16(runs[r].ich);
            t.u16(runs[r].ifnt);
            t.u32(runs[r].reserved);
        }
        written += out.writeRecord(kContinueId, t.buffer());
    }
    return written;
}

// ------------------------------------------------------------- CONTINUE

std::size_t ContinueRec::read(RecordCursor& rec, BiffInput&)
{
    bytes = rec.rest();
    return bytes.size();
}

std::size_t ContinueRec::write(BiffOutput& out) const
{
    if (bytes.size() > kMaxRecordData) throw xlerror("error in record ContinueRec");
    return out.writeRecord(kContinueId, bytes);
}

// ---------------------------------------------------------------- chart

std::size_t ChartSheet::read(RecordCursor& rec, BiffInput& in)
{
    records.clear();
    records.push_back({rec.id(), rec.rest()});
    std::size_t total = records.back().data.size();
    int depth = 1;
    while (depth > 0) {
        if (in.eof()) throw xlerror("error in record ChartSheet");
        RecordCursor next = in.next();
        records.push_back({next.id(), next.rest()});
        total += 4 + records.back().data.size();
        if (next.id() == 0x0809) ++depth;
        if (next.id() == 0x000A) --depth;
    }
    return total;
}

std::size_t ChartSheet::write(BiffOutput& out) const
{
    std::size_t written = 0;
    for (const Record& r : records) {
        written += out.writeRecordHeader(r.id, static_cast<std::uint16_t>(r.data.size()));
        out.writeBytes(r.data.data(), r.data.size());
        written += r.data.size();
    }
    return written;
}

}  // namespace celvo
