#include "sheet_records_text.h"

#include "codepage.h"

namespace celvo {

void Label::readBody(RecordCursor& in)
{
    readPos(in);
    text.read(in, *pool_, biff5, false);
    if (!in.atEnd()) in.fail();
}

void Label::writeBody(ByteWriter& out) const
{
    writePos(out);
    text.write(out);
}

void Note::readBody(RecordCursor& in)
{
    row = in.u16();
    col = in.u16();
    if (biff5) {
        const std::uint16_t n = in.u16();
        const std::uint8_t* p = in.take(n);
        if (CodePageText* codePage = in.codePageText()) {
            biff5Text = codePage->decode(p, n);
        } else {
            biff5Text.assign(p, p + n);
        }
        in.skip(in.remaining());
        return;
    }
    options = in.u16();
    objId = in.u16();
    author.read(in, *pool_);
    hasPadding = !in.atEnd();
    padding = hasPadding ? in.u8() : 0;
    in.skip(in.remaining());
}

void Note::writeBody(ByteWriter& out) const
{
    out.u16(row);
    out.u16(col);
    out.u16(options);
    out.u16(objId);
    author.write(out);
    if (hasPadding) out.u8(padding);
}

}  // namespace celvo
