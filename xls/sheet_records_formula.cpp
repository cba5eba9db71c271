#include "sheet_records_formula.h"

#include <algorithm>

namespace celvo {

namespace {

// The token and extra bytes that end FORMULA and SHRFMLA: a 16-bit token
// count, the tokens, then every byte left as extra operand data.
void readParsed(RecordCursor& in, std::vector<std::uint8_t>& tokens, std::vector<std::uint8_t>& extra)
{
    std::uint16_t cce = in.u16();
    if (cce > in.remaining()) in.fail();
    tokens = in.bytes(cce);
    extra = in.bytes(in.remaining());
}

}  // namespace

void Formula::readBody(RecordCursor& in)
{
    requireAtLeast(in, 22);
    readPos(in);
    in.bytes(cached.data(), cached.size());
    options = in.u16();
    reserved = in.u32();
    readParsed(in, tokens, extra);
}

void Formula::writeBody(ByteWriter& out) const
{
    writePos(out);
    out.bytes(cached.data(), cached.size());
    out.u16(static_cast<std::uint16_t>(options | kAlwaysCalc));
    out.u32(reserved);
    out.u16(static_cast<std::uint16_t>(tokens.size()));
    out.bytes(tokens);
    out.bytes(extra);
}

FormulaResult Formula::resultKind() const noexcept
{
    if (!cachedIsSpecial()) return FormulaResult::Number;
    switch (cached[0]) {
        case 0: return FormulaResult::String;
        case 1: return FormulaResult::Boolean;
        case 2: return FormulaResult::Error;
        case 3: return FormulaResult::Blank;
        default: return FormulaResult::Unknown;
    }
}

double Formula::cachedNumber() const noexcept { return getF64(cached.data()); }

void ShrFmla::readBody(RecordCursor& in)
{
    requireAtLeast(in, 10);
    firstRow = in.u16();
    lastRow = in.u16();
    firstCol = in.u8();
    lastCol = in.u8();
    reserved = in.u8();
    useCount = in.u8();
    readParsed(in, tokens, extra);
}

void ShrFmla::writeBody(ByteWriter& out) const
{
    out.u16(firstRow);
    out.u16(lastRow);
    out.u8(firstCol);
    out.u8(lastCol);
    out.u8(reserved);
    out.u8(useCount);
    out.u16(static_cast<std::uint16_t>(tokens.size()));
    out.bytes(tokens);
    out.bytes(extra);
}

void StringRecord::readBody(RecordCursor& in)
{
    std::size_t left = in.u16();
    std::uint8_t option = biff5 ? 0 : in.u8();
    wide = (option & 0x01) != 0;
    text.clear();
    text.reserve(std::min<std::size_t>(left, in.remaining()));
    bool pieceWide = wide;
    while (left > 0) {
        if (in.atEnd()) {
            // The characters go on in a CONTINUE record with an option byte of its own.
            in.enterContinue();
            pieceWide = (in.u8() & 0x01) != 0;
            if (pieceWide) wide = true;
        }
        std::size_t width = pieceWide ? 2 : 1;
        std::size_t n = std::min(left, in.remaining() / width);
        if (n == 0) in.fail();  // half a character at the end of a piece
        const std::uint8_t* p = in.take(n * width);
        for (std::size_t i = 0; i < n; ++i) text.push_back(pieceWide ? char16_t(getU16(p + 2 * i)) : char16_t(p[i]));
        left -= n;
    }
    if (!in.atEnd()) in.fail();
}

void StringRecord::writeBody(ByteWriter& out) const
{
    // Used only for texts that fit one record; write() handles the others.
    bool w = wide || std::any_of(text.begin(), text.end(), [](char16_t c) { return c > 0xFF; });
    out.u16(static_cast<std::uint16_t>(text.size()));
    out.u8(w ? 1 : 0);
    for (char16_t c : text) {
        if (w)
            out.u16(c);
        else
            out.u8(static_cast<std::uint8_t>(c));
    }
}

std::size_t StringRecord::write(BiffOutput& out) const
{
    if (text.size() > 0xFFFF) throw xlerror("string is too long");
    bool w = wide || std::any_of(text.begin(), text.end(), [](char16_t c) { return c > 0xFF; });
    std::size_t width = w ? 2 : 1;
    std::uint8_t option = w ? 1 : 0;
    RecordWriter rec(out, kId);
    rec.u16(static_cast<std::uint16_t>(text.size()));
    rec.u8(option);
    std::size_t done = 0;
    std::vector<std::uint8_t> chunk;
    while (done < text.size()) {
        if (rec.room() < width) {
            rec.startContinue();
            rec.u8(option);
        }
        std::size_t n = std::min(text.size() - done, rec.room() / width);
        chunk.clear();
        for (std::size_t i = 0; i < n; ++i) {
            char16_t c = text[done + i];
            chunk.push_back(static_cast<std::uint8_t>(c));
            if (w) chunk.push_back(static_cast<std::uint8_t>(c >> 8));
        }
        rec.bytes(chunk.data(), chunk.size());
        done += n;
    }
    return rec.finish();
}

void FormulaBlock::read(BiffInput& in, RecordCursor& first)
{
    if (first.id() == Formula::kId && first.length() == 2) {
        // A two-byte record in front of the formula: kept and written back as read.
        prefix.id = first.id();
        prefix.data = first.rest();
        if (in.eof() || in.peekRecordId() != Formula::kId) throw xlerror("error in record FormulaBlock");
        RecordCursor rec = in.next();
        formula.read(rec);
    } else if (first.id() == Formula::kId) {
        formula.read(first);
    } else {
        throw xlerror("error in record FormulaBlock");
    }

    std::uint16_t next = in.eof() ? 0 : in.peekRecordId();
    if (next == kArrayId || next == kTableId) {
        RecordCursor rec = in.next();
        following.id = next;
        following.data = rec.rest();
        while (rec.tryContinue()) followingContinues.push_back(RawRecord{kContinueId, rec.rest()});
    } else if (next == ShrFmla::kId) {
        RecordCursor rec = in.next();
        shrFmla.read(rec);
        shared = true;
    }

    hasString = false;
    if (!in.eof() && in.peekRecordId() == StringRecord::kId) {
        RecordCursor rec = in.next();
        string.biff5 = biff5;
        string.read(rec);
        hasString = true;
    }
}

void FormulaBlock::write(BiffOutput& out) const
{
    if (prefix.id != 0) out.writeRecord(prefix.id, prefix.data);
    formula.write(out);
    if (following.id != 0) {
        out.writeRecord(following.id, following.data);
        for (const RawRecord& c : followingContinues) out.writeRecord(c.id, c.data);
    }
    if (shared) shrFmla.write(out);
    if (hasString) string.write(out);
}

}  // namespace celvo
