#include "msodrawing.h"

#include <algorithm>

#include "officeart_group.h"

namespace celvo {

namespace {

constexpr const char* kSizeError = "MsoDrawing size is incorrect";

void gatherPieces(RecordCursor& rec, std::vector<std::uint8_t>& bytes, std::vector<std::size_t>& pieces)
{
    do {
        std::vector<std::uint8_t> piece = rec.rest();
        pieces.push_back(piece.size());
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    } while (rec.tryContinue());
}

// True while the drawing's records still claim more bytes than were read.
bool incomplete(const std::vector<std::uint8_t>& bytes)
{
    return bytes.size() >= 8 && bytes.size() - 8 < getU32(bytes.data() + 4);
}

void collectBlockStarts(const OfficeArtChildren& list, std::vector<int>& found)
{
    for (const auto& p : list.items) {
        if (p->blockStart >= 0) found.push_back(p->blockStart);
        if (auto* c = dynamic_cast<const OfficeArtContainerBase*>(p.get())) collectBlockStarts(c->children, found);
    }
}

// Writes bytes as a record and CONTINUE records cut at the given lengths.
std::size_t writePieces(BiffOutput& out, std::uint16_t id, const std::uint8_t* data,
                        const std::vector<std::size_t>& pieces)
{
    std::size_t written = 0;
    for (std::size_t n : pieces) {
        written += out.writeRecordHeader(id, static_cast<std::uint16_t>(n));
        out.writeBytes(data, n);
        data += n;
        written += n;
        id = kContinueId;
    }
    return written;
}

std::vector<std::size_t> layoutFor(std::size_t length, const std::vector<std::size_t>& recorded)
{
    std::size_t sum = 0;
    for (std::size_t n : recorded) sum += n;
    if (!recorded.empty() && sum == length) return recorded;
    return cutIntoPieces(length, {}, kMaxRecordData);
}

}  // namespace

DrawingBlock::DrawingBlock(const DrawingBlock& other) : recordId(other.recordId), pieces(other.pieces)
{
    objects.reserve(other.objects.size());
    for (const auto& o : other.objects) objects.push_back(o->clone());
}

DrawingBlock& DrawingBlock::operator=(const DrawingBlock& other)
{
    if (this != &other) {
        DrawingBlock copy(other);
        *this = std::move(copy);
    }
    return *this;
}

std::size_t MsoDrawing::read(RecordCursor& first, BiffInput& in)
{
    // A drawing met again after other records goes on from what it holds.
    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> starts;
    if (!pending_.empty()) {
        bytes.swap(pending_);
        starts.swap(pendingStarts_);
    } else if (!records_.items.empty() || !trailing_.empty()) {
        ArtWriter w;
        records_.write(w);
        w.bytes(trailing_);
        bytes = std::move(w.buffer());
        for (const auto& b : w.blocks()) starts.push_back(b.second);
        std::sort(starts.begin(), starts.end());
    }

    std::size_t total = 0;
    RecordCursor rec = first;
    for (;;) {
        if (rec.length() < 8) throw xlerror(kSizeError);
        blocks_.emplace_back();
        DrawingBlock& block = blocks_.back();
        block.recordId = rec.id();
        starts.push_back(bytes.size());
        std::size_t before = bytes.size();
        gatherPieces(rec, bytes, block.pieces);
        total += bytes.size() - before;

        for (;;) {
            std::uint16_t id = in.peekRecordId();
            std::unique_ptr<ObjBase> obj;
            if (id == Obj::kId)
                obj = std::make_unique<Obj>();
            else if (id == TextObject::kId)
                obj = std::make_unique<TextObject>();
            else if (id == kContinueId && !incomplete(bytes))
                obj = std::make_unique<ContinueRec>();
            else if (id == 0x0809)
                obj = std::make_unique<ChartSheet>();
            else
                break;
            RecordCursor next = in.next();
            total += 4 + obj->read(next, in);
            block.objects.push_back(std::move(obj));
        }
        std::uint16_t id = in.peekRecordId();
        if (id != kId && !(id == kContinueId && incomplete(bytes))) break;
        rec = in.next();
        total += 4;
    }
    if (in.peekRecordId() == kSelectionId) {
        RecordCursor sel = in.next();
        std::vector<std::uint8_t> selBytes;
        selectionPieces_.clear();
        gatherPieces(sel, selBytes, selectionPieces_);
        total += 4 + selBytes.size();
        ByteReader reader(selBytes, "error in record OfficeArtFDGSL");
        if (selection.read(reader) == 0 || !reader.atEnd()) throw xlerror("error in record OfficeArtFDGSL");
        selectionMissing = false;
    }

    empty_ = false;
    if (incomplete(bytes)) {
        pending_.swap(bytes);
        pendingStarts_.swap(starts);
    } else {
        parse(bytes, starts);
    }
    return total;
}

void MsoDrawing::finishRead()
{
    if (pending_.empty()) return;
    parse(pending_, pendingStarts_);  // a failure leaves the drawing as it was
    pending_.clear();
    pendingStarts_.clear();
}

void MsoDrawing::parse(const std::vector<std::uint8_t>& bytes, const std::vector<std::size_t>& starts)
{
    OfficeArtReadContext ctx;
    ctx.origin = bytes.data();
    ctx.blockStarts = &starts;
    ByteReader reader(bytes, kSizeError);
    OfficeArtChildren records;
    records.read(reader, ctx, "MsoDrawing");
    std::vector<std::uint8_t> trailing = reader.bytes(reader.remaining());

    // Every MSODRAWING record must begin at a record header.
    std::vector<int> found;
    collectBlockStarts(records, found);
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    if (found.size() != blocks_.size()) throw xlerror(kSizeError);
    records_ = std::move(records);
    trailing_ = std::move(trailing);
}

std::size_t MsoDrawing::write(BiffOutput& out) const
{
    if (empty_) return 0;
    ArtWriter w;
    if (!pending_.empty()) {
        // A drawing whose records never completed: written only if they parse.
        MsoDrawing parsed(*this);
        parsed.finishRead();
        return parsed.write(out);
    }
    records_.write(w);
    w.bytes(trailing_);
    const std::vector<std::uint8_t>& bytes = w.buffer();
    std::vector<std::size_t> offsets(blocks_.size(), bytes.size() + 1);
    for (const auto& b : w.blocks())
        if (b.first >= 0 && static_cast<std::size_t>(b.first) < offsets.size()) offsets[b.first] = b.second;
    for (std::size_t i = 0; i < offsets.size(); ++i)
        if (offsets[i] > bytes.size() || (i > 0 && offsets[i] <= offsets[i - 1]) || (i == 0 && offsets[0] != 0))
            throw xlerror(kSizeError);

    std::size_t written = 0, i = 0;
    for (const DrawingBlock& block : blocks_) {
        std::size_t from = offsets[i];
        std::size_t to = i + 1 < offsets.size() ? offsets[i + 1] : bytes.size();
        written += writePieces(out, block.recordId, bytes.data() + from, layoutFor(to - from, block.pieces));
        for (const auto& o : block.objects) written += o->write(out);
        ++i;
    }
    if (!selectionMissing) {
        ArtWriter s;
        selection.write(s);
        written += writePieces(out, kSelectionId, s.buffer().data(), layoutFor(s.size(), selectionPieces_));
    }
    return written;
}

std::vector<OfficeArtSpContainer*> MsoDrawing::shapes() const
{
    std::vector<OfficeArtSpContainer*> list;
    const OfficeArtDgContainer* dg = dgContainer();
    const OfficeArtSpgrContainer* group = dg ? dg->group() : nullptr;
    if (!group) return list;
    for (const auto& p : group->children.items)
        if (auto* sp = dynamic_cast<OfficeArtSpContainer*>(p.get())) list.push_back(sp);
    return list;
}

std::vector<OfficeArtSpContainer*> MsoDrawing::pictures() const
{
    std::vector<OfficeArtSpContainer*> list;
    for (OfficeArtSpContainer* sp : shapes())
        if (sp->isPicture()) list.push_back(sp);
    return list;
}

std::uint16_t MsoDrawing::maxObjectId() const
{
    std::uint16_t best = 0;
    for (const DrawingBlock& b : blocks_)
        for (const auto& o : b.objects)
            if (auto* obj = dynamic_cast<const Obj*>(o.get())) best = std::max(best, obj->id);
    return best;
}

// ------------------------------------------------------------ record kinds

std::unique_ptr<OfficeArtRecordBase> makeOfficeArtRecord(const OfficeArtRecordHeader& h)
{
    std::unique_ptr<OfficeArtRecordBase> rec;
    switch (h.recType()) {
    case 0xF000: rec = std::make_unique<OfficeArtDggContainer>(); break;
    case 0xF001: rec = std::make_unique<OfficeArtBStoreContainer>(); break;
    case 0xF002: rec = std::make_unique<OfficeArtDgContainer>(); break;
    case 0xF003: rec = std::make_unique<OfficeArtSpgrContainer>(); break;
    case 0xF004: rec = std::make_unique<OfficeArtSpContainer>(); break;
    case 0xF005: rec = std::make_unique<OfficeArtSolverContainer>(); break;
    case 0xF006: rec = std::make_unique<OfficeArtFDGGBlock>(); break;
    case 0xF007: rec = std::make_unique<OfficeArtFBSE>(); break;
    case 0xF008: rec = std::make_unique<OfficeArtFDG>(); break;
    case 0xF009: rec = std::make_unique<OfficeArtFSPGR>(); break;
    case 0xF00A: rec = std::make_unique<OfficeArtFSP>(); break;
    case 0xF00B: rec = std::make_unique<OfficeArtFOPT>(); break;
    case 0xF00D: rec = std::make_unique<OfficeArtClientTextbox>(); break;
    case 0xF00F: rec = std::make_unique<OfficeArtChildAnchor>(); break;
    case 0xF010: rec = std::make_unique<OfficeArtClientAnchorSheet>(); break;
    case 0xF011: rec = std::make_unique<OfficeArtClientData>(); break;
    case 0xF012: rec = std::make_unique<OfficeArtFConnectorRule>(); break;
    case 0xF014: rec = std::make_unique<OfficeArtFArcRule>(); break;
    case 0xF017: rec = std::make_unique<OfficeArtFCalloutRule>(); break;
    case 0xF01A: rec = std::make_unique<OfficeArtBlipEMF>(); break;
    case 0xF01B: rec = std::make_unique<OfficeArtBlipWMF>(); break;
    case 0xF01C: rec = std::make_unique<OfficeArtBlipPICT>(); break;
    case 0xF01D:
    case 0xF02A: rec = std::make_unique<OfficeArtBlipJPEG>(); break;
    case 0xF01E: rec = std::make_unique<OfficeArtBlipPNG>(); break;
    case 0xF01F: rec = std::make_unique<OfficeArtBlipDIB>(); break;
    case 0xF029: rec = std::make_unique<OfficeArtBlipTIFF>(); break;
    case 0xF118: rec = std::make_unique<OfficeArtFRITContainer>(); break;
    case 0xF119: rec = std::make_unique<OfficeArtFDGSL>(); break;
    case 0xF11A: rec = std::make_unique<OfficeArtColorMRUContainer>(); break;
    case 0xF11D: rec = std::make_unique<OfficeArtFPSPL>(); break;
    case 0xF11E: rec = std::make_unique<OfficeArtSplitMenuColorContainer>(); break;
    case 0xF121: rec = std::make_unique<OfficeArtSecondaryFOPT>(); break;
    case 0xF122: rec = std::make_unique<OfficeArtTertiaryFOPT>(); break;
    default: break;
    }
    if (rec) {
        rec->header = h;
        if (rec->checkHeader()) return rec;
    }
    return std::make_unique<OfficeArtUnknownRecord>(h);
}

}  // namespace celvo
