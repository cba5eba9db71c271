#include "sheet_records_formula.h"

#include <algorithm>

#include "codepage.h"

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
    pieces.clear();
    text.reserve(std::min<std::size_t>(left, in.remaining()));
    bool pieceWide = wide;
    while (left > 0) {
        if (in.atEnd()) {
            // The characters go on in a CONTINUE record with an option byte of its own.
            in.enterContinue();
            pieceWide = (in.u8() & 0x01) != 0;
        }
        std::size_t width = pieceWide ? 2 : 1;
        std::size_t n = std::min(left, in.remaining() / width);
        if (n == 0) in.fail();  // half a character at the end of a piece
        const std::uint8_t* p = in.take(n * width);
        for (std::size_t i = 0; i < n; ++i) text.push_back(pieceWide ? char16_t(getU16(p + 2 * i)) : char16_t(p[i]));
        pieces.push_back(Piece{n, pieceWide});
        left -= n;
    }
    if (!in.atEnd()) in.fail();
    // A BIFF5 text is in the book's code page.
    if (CodePageText* codePage = biff5 ? in.codePageText() : nullptr) {
        const std::vector<std::uint8_t> bytes(text.begin(), text.end());
        text = codePage->decode(bytes.data(), bytes.size());
        wide = true;
        pieces.clear();
    }
}

std::vector<StringRecord::Piece> StringRecord::layout() const
{
    // The pieces read still fit the text when they add up to it, hold every
    // character in their width and fit their records.
    std::size_t total = 0, room = kMaxRecordData - 3;
    bool fits = !pieces.empty() || text.empty();
    for (const Piece& piece : pieces) {
        std::size_t width = piece.wide ? 2 : 1;
        if (piece.chars * width > room) fits = false;
        for (std::size_t i = total; fits && i < total + piece.chars && i < text.size(); ++i)
            if (!piece.wide && text[i] > 0xFF) fits = false;
        total += piece.chars;
        room = kMaxRecordData - 1;
    }
    if (fits && total == text.size() && (pieces.empty() || pieces.front().wide == wide)) return pieces;

    bool w = wide || std::any_of(text.begin(), text.end(), [](char16_t c) { return c > 0xFF; });
    std::size_t width = w ? 2 : 1;
    std::vector<Piece> out;
    room = kMaxRecordData - 3;
    for (std::size_t done = 0; done < text.size();) {
        std::size_t n = std::min(text.size() - done, room / width);
        out.push_back(Piece{n, w});
        done += n;
        room = kMaxRecordData - 1;
    }
    return out;
}

void StringRecord::writeBody(ByteWriter& out) const
{
    // The text and its first piece; write() adds the others.
    std::vector<Piece> parts = layout();
    bool w = parts.empty() ? wide : parts.front().wide;
    out.u16(static_cast<std::uint16_t>(text.size()));
    out.u8(w ? 1 : 0);
    std::size_t n = parts.empty() ? 0 : parts.front().chars;
    for (std::size_t i = 0; i < n; ++i) {
        if (w)
            out.u16(text[i]);
        else
            out.u8(static_cast<std::uint8_t>(text[i]));
    }
}

std::size_t StringRecord::write(BiffOutput& out) const
{
    if (text.size() > 0xFFFF) throw xlerror("string is too long");
    std::vector<Piece> parts = layout();
    ByteWriter first;
    writeBody(first);
    std::size_t written = out.writeRecord(kId, first.buffer());
    std::size_t done = parts.empty() ? 0 : parts.front().chars;
    for (std::size_t k = 1; k < parts.size(); ++k) {
        ByteWriter piece;
        piece.u8(parts[k].wide ? 1 : 0);
        for (std::size_t i = done; i < done + parts[k].chars; ++i) {
            if (parts[k].wide)
                piece.u16(text[i]);
            else
                piece.u8(static_cast<std::uint8_t>(text[i]));
        }
        written += out.writeRecord(kContinueId, piece.buffer());
        done += parts[k].chars;
    }
    return written;
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
