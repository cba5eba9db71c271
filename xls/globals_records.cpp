#include "globals_records.h"

#include <algorithm>
#include <string>

#include "celvo/xlerror.h"

namespace celvo {

void requireOneRecord(const ByteWriter& body)
{
    if (body.size() > kMaxRecordData) throw xlerror("record is too long");
}

MemPool& TextRecord::textPool() const
{
    if (!pool) throw xlerror("record read without a memory pool");
    return *pool;
}

void WordRecord::readBody(RecordCursor& in)
{
    in.requireLength(2);
    value = in.u16();
}

void InterfaceHdr::readBody(RecordCursor& in)
{
    if (in.length() == 0) return;
    in.requireLength(2);
    cv = in.u16();
}

void Mms::readBody(RecordCursor& in)
{
    in.requireLength(2);
    caitm = in.u8();
    cditm = in.u8();
}

void Mms::writeBody(ByteWriter& out) const
{
    out.u8(caitm);
    out.u8(cditm);
}

void RRTabId::readBody(RecordCursor& in)
{
    if (in.length() % 2 != 0) in.fail();
    if (in.length() == 0) return;
    ids.assign(in.length() / 2, 0);
    for (auto& id : ids) id = in.u16();
}

void RRTabId::writeBody(ByteWriter& out) const
{
    for (auto id : ids) out.u16(id);
    requireOneRecord(out);
}

void Window1::readBody(RecordCursor& in)
{
    in.requireLength(18);
    for (std::uint16_t* f : {&xWn, &yWn, &dxWn, &dyWn, &grbit, &itabCur, &itabFirst, &ctabSel, &wTabRatio})
        *f = in.u16();
}

void Window1::writeBody(ByteWriter& out) const
{
    for (std::uint16_t f : {xWn, yWn, dxWn, dyWn, grbit, itabCur, itabFirst, ctabSel, wTabRatio}) out.u16(f);
}

void Country::readBody(RecordCursor& in)
{
    in.requireLength(4);
    iCountryDef = in.u16();
    iCountryWinIni = in.u16();
}

void Country::writeBody(ByteWriter& out) const
{
    out.u16(iCountryDef);
    out.u16(iCountryWinIni);
}

void RecalcId::readBody(RecordCursor& in)
{
    in.requireLength(8);
    rt = in.u16();
    reserved = in.u16();
    dwBuild = in.u32();
}

void RecalcId::writeBody(ByteWriter& out) const
{
    out.u16(rt);
    out.u16(reserved);
    out.u32(dwBuild);
}

void BookExt::readBody(RecordCursor& in)
{
    // The fixed part first (a shorter record fails inside it), then the
    // length must equal cb and stay below 23.
    rt = in.u16();
    grbitFrt = in.u16();
    in.bytes(reserved.data(), reserved.size());
    cb = in.u32();
    grbit = in.u32();
    if (in.length() != cb || in.length() >= 23) in.fail();
    if (cb > 20) grbit1 = in.u8();
    if (cb > 21) grbit2 = in.u8();
}

void BookExt::writeBody(ByteWriter& out) const
{
    out.u16(rt);
    out.u16(grbitFrt);
    out.bytes(reserved.data(), reserved.size());
    out.u32(cb);
    out.u32(grbit);
    if (cb > 20) out.u8(grbit1);
    if (cb > 21) out.u8(grbit2);
}

void ExtSST::readBody(RecordCursor& in)
{
    // Only whole buckets are read: some writers leave a few bytes over, and
    // the table is rebuilt on save anyway.
    if (in.length() < 2) in.fail();
    dsst = in.u16();
    entries.clear();
    entries.reserve((in.length() - 2) / 8);
    while (in.remaining() >= 8) {
        Entry e;
        e.ib = in.u32();
        e.cbOffset = in.u16();
        e.reserved = in.u16();
        entries.push_back(e);
    }
}

void ExtSST::writeBody(ByteWriter& out) const
{
    out.u16(dsst);
    for (const Entry& e : entries) {
        out.u32(e.ib);
        out.u16(e.cbOffset);
        out.u16(e.reserved);
    }
    requireOneRecord(out);
}

void WriteAccess::reset()
{
    bytes.fill(0x20);
    // The user name as a one-character 8-bit XLUnicodeString.
    bytes[0] = 0x01;
    bytes[1] = 0x00;
    bytes[2] = 0x00;
    bytes[3] = 'C';
}

void WriteAccess::readBody(RecordCursor& in)
{
    in.bytes(bytes.data(), std::min(in.length(), kSize));
}

void BoundSheet8::readBody(RecordCursor& in)
{
    if (in.length() < 8) in.fail();
    lbPlyPos = in.u32();
    hsState = in.u8();
    dt = in.u8();
    sheetName.read(in, textPool(), oldFormat);
}

void BoundSheet8::writeBody(ByteWriter& out) const
{
    out.u32(lbPlyPos);
    out.u8(hsState);
    out.u8(dt);
    if (sheetName.text) sheetName.write(out);
}

void Format::readBody(RecordCursor& in)
{
    // The id, then the text's count and (BIFF8) its option byte.
    if (in.length() < (oldFormat ? 3u : 5u)) in.fail();
    ifmt = in.u16();
    text.read(in, textPool(), oldFormat, oldFormat);
}

void Format::writeBody(ByteWriter& out) const
{
    out.u16(ifmt);
    if (text.text) text.write(out);
    requireOneRecord(out);
}

void Style::readBody(RecordCursor& in)
{
    ixfe = in.u16();
    if (builtIn()) {
        istyBuiltIn = in.u8();
        iLevel = in.u8();
        styleName.clear();
    } else {
        styleName.read(in, textPool(), oldFormat, oldFormat);
    }
    if (!in.atEnd()) in.fail();
}

void Style::writeBody(ByteWriter& out) const
{
    out.u16(ixfe);
    if (builtIn()) {
        out.u8(istyBuiltIn);
        out.u8(iLevel);
    } else if (styleName.text) {
        styleName.write(out);
    }
    requireOneRecord(out);
}

void Lbl::readBody(RecordCursor& in)
{
    grbit = in.u16();
    chKey = in.u8();
    const std::uint8_t cch = in.u8();
    const std::uint16_t cce = in.u16();
    reserved1 = in.u16();
    itab = in.u16();
    in.bytes(reserved2.data(), reserved2.size());
    text.read(in, textPool(), cch);
    formula = in.bytes(cce);
    extra = in.rest();
}

void Lbl::writeBody(ByteWriter& out) const
{
    if (text.count > 0xFF) throw xlerror("string is too long");
    out.u16(grbit);
    out.u8(chKey);
    out.u8(static_cast<std::uint8_t>(text.count));
    out.u16(static_cast<std::uint16_t>(formula.size()));
    out.u16(reserved1);
    out.u16(itab);
    out.bytes(reserved2.data(), reserved2.size());
    text.write(out);
    out.bytes(formula);
    out.bytes(extra);
    requireOneRecord(out);
}

void SupBook::read(RecordCursor& rec, BiffInput& in)
{
    supBook.read(rec);
    for (;;) {
        const std::uint16_t next = in.peekRecordId();
        if (in.eof()) return;
        if (next == 0x0023 || next == 0x0059 || next == 0x005A || next == kId) {
            RecordCursor r = in.next();
            records.emplace_back().read(r);
        } else if (next == kExternSheetId) {
            RecordCursor r = in.next();
            externSheet.read(r);
            hasXti = true;
        } else if (next == kContinueId) {
            RecordCursor r = in.next();
            continues.emplace_back().read(r);
        } else {
            return;
        }
    }
}

bool SupBook::isSelfReference() const noexcept
{
    const auto& d = supBook.data;
    return d.size() == 4 && d[2] == 0x01 && d[3] == 0x04;
}

void SupBook::write(BiffOutput& out) const
{
    supBook.write(out);
    for (const RawRecord& r : records) r.write(out);
    if (hasXti) externSheet.write(out);
    for (const RawRecord& r : continues) r.write(out);
}

}  // namespace celvo
