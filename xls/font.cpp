#include "font.h"

#include "book.h"
#include "globals_records.h"

namespace celvo {

FontImplT::FontImplT(BookImplT& book) : book_(&book) { faceName.assign(u"Arial", book.pool()); }

void FontImplT::setSize(int size)
{
    // Computed without narrowing: 8191 twips at most, one point at least.
    long long twips = static_cast<long long>(size) * 20;
    if (twips > 8191) twips = 8191;
    if (twips < 20) twips = 20;
    height = static_cast<std::uint16_t>(twips);
}

const char16_t* FontImplT::name()
{
    book_->message() = "ok";
    return faceName.text;
}

bool FontImplT::setName(const char16_t* name)
{
    std::string& message = book_->message();
    if (!name) {
        message = "font name is null";
        return false;
    }
    const u16view text = u16(name);
    if (text.size() > 0xFF) {
        message = "string is too long";
        return false;
    }
    faceName.assign(text, book_->pool());
    message = "ok";
    return true;
}

void FontImplT::read(RecordCursor& in, int biffVersion)
{
    in.setName("Font");
    if (in.length() < 14) in.fail();
    height = in.u16();
    flags = in.u16();
    colorIndex = in.u16();
    weight = in.u16();
    scriptType = in.u16();
    underlineType = in.u8();
    family = in.u8();
    charset = in.u8();
    reserved = in.u8();
    if (in.atEnd()) {  // a record without a name field
        faceName = ShortXLUnicodeString();
        return;
    }
    faceName.read(in, book_->pool(), biffVersion < 0x0501);
}

void FontImplT::write(BiffOutput& out) const
{
    ByteWriter body;
    for (std::uint16_t v : {height, flags, colorIndex, weight, scriptType}) body.u16(v);
    for (std::uint8_t v : {underlineType, family, charset, reserved}) body.u8(v);
    faceName.write(body);
    requireOneRecord(body);
    out.writeRecord(kId, body.buffer());
}

}  // namespace celvo
