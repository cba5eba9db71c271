#include "officeart_record.h"

#include <algorithm>

namespace celvo {

std::vector<std::size_t> cutIntoPieces(std::size_t total,
                                       const std::vector<std::pair<std::size_t, std::size_t>>& units,
                                       std::size_t maxPiece)
{
    std::vector<std::size_t> pieces;
    std::size_t start = 0;
    std::size_t u = 0;  // units are recorded in write order, which is offset order
    std::vector<std::pair<std::size_t, std::size_t>> sorted(units);
    std::sort(sorted.begin(), sorted.end());
    while (start < total || pieces.empty()) {
        std::size_t end = std::min(total, start + maxPiece);
        if (end < total) {
            while (u < sorted.size() && sorted[u].first + sorted[u].second <= end) ++u;
            // A unit still crossing the cut: cut before it when it began in this piece.
            for (std::size_t k = u; k < sorted.size() && sorted[k].first < end; ++k) {
                if (sorted[k].first > start && sorted[k].first + sorted[k].second > end) {
                    end = std::min(end, sorted[k].first);
                }
            }
        }
        pieces.push_back(end - start);
        start = end;
        if (total == 0) break;
    }
    return pieces;
}

void OfficeArtRecordBase::fail() const
{
    throw xlerror(errorText());
}

std::uint32_t OfficeArtRecordBase::read(ByteReader& in, const OfficeArtReadContext& ctx)
{
    absent = 1;
    if (in.remaining() < 8) return 0;
    std::size_t saved = in.pos();
    OfficeArtRecordHeader h;
    h.read(in);
    OfficeArtRecordHeader old = header;
    header = h;
    if (!checkHeader()) {
        header = old;
        in.seek(saved);
        return 0;
    }
    if (h.recLen() > in.remaining()) fail();
    ByteReader body(in.take(h.recLen()), h.recLen(), errorText());
    readBody(body, ctx);
    absent = 0;
    recomputeLength = 0;
    return 8 + h.recLen();
}

void OfficeArtRecordBase::readBody(ByteReader& body, const OfficeArtReadContext& ctx)
{
    if (ctx.depth > kMaxOfficeArtDepth) fail();
    readFields(body, ctx);
    extra = body.bytes(body.remaining());
}

void OfficeArtRecordBase::writeBody(ArtWriter& out) const
{
    writeFields(out);
    out.bytes(extra);
}

std::uint32_t OfficeArtRecordBase::bodySize() const
{
    ArtWriter scratch;
    writeBody(scratch);
    return static_cast<std::uint32_t>(scratch.size());
}

std::uint32_t OfficeArtRecordBase::write(ArtWriter& out) const
{
    if (absent) return 0;
    if (blockStart >= 0) out.markBlock(blockStart);
    std::size_t start = out.size();
    OfficeArtRecordHeader h = header;
    // The length always describes the body that follows it.
    h.setRecLen(bodySize());
    h.write(out);
    writeBody(out);
    return static_cast<std::uint32_t>(out.size() - start);
}

// ------------------------------------------------------------ children

OfficeArtChildren::OfficeArtChildren(const OfficeArtChildren& other)
{
    items.reserve(other.items.size());
    for (const auto& p : other.items) items.push_back(p->clone());
}

OfficeArtChildren& OfficeArtChildren::operator=(const OfficeArtChildren& other)
{
    if (this != &other) {
        OfficeArtChildren copy(other);
        items.swap(copy.items);
    }
    return *this;
}

void OfficeArtChildren::read(ByteReader& body, const OfficeArtReadContext& ctx, const char* owner)
{
    items.clear();
    OfficeArtReadContext inner = ctx;
    ++inner.depth;
    while (body.remaining() >= 8) {
        std::size_t at = body.pos();
        OfficeArtRecordHeader h;
        h.read(body);
        body.seek(at);
        std::unique_ptr<OfficeArtRecordBase> rec = makeOfficeArtRecord(h);
        if (h.recLen() > body.remaining() - 8) {
            // The member claims more than its container holds.
            (void)owner;
            rec->fail();
        }
        if (ctx.blockStarts && ctx.origin) {
            std::size_t offset = static_cast<std::size_t>(body.data() + at - ctx.origin);
            const auto& starts = *ctx.blockStarts;
            auto it = std::lower_bound(starts.begin(), starts.end(), offset);
            if (it != starts.end() && *it == offset) rec->blockStart = static_cast<int>(it - starts.begin());
        }
        if (rec->read(body, inner) == 0) rec->fail();
        items.push_back(std::move(rec));
    }
}

void OfficeArtChildren::write(ArtWriter& out) const
{
    for (const auto& p : items) p->write(out);
}

std::uint32_t OfficeArtChildren::size() const
{
    std::uint32_t n = 0;
    for (const auto& p : items) n += p->size();
    return n;
}

}  // namespace celvo
