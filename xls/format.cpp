#include "format.h"

#include "book.h"
#include "celvo/numformat.h"
#include "font.h"

namespace celvo {

IFontT* FormatImplT::font()
{
    // Font index 4 does not exist: indexes above it name list position index - 1.
    std::string& message = book_->message();
    message = "ok";
    auto& fonts = book_->fonts();
    if (fontIndex == 4) {
        message = "incorrect font";
        return nullptr;
    }
    const std::size_t pos = fontIndex < 4 ? fontIndex : fontIndex - 1u;
    if (pos >= fonts.size()) {
        message = "incorrect font";
        return nullptr;
    }
    return fonts[pos].get();
}

bool FormatImplT::setFont(IFontT* f)
{
    std::string& message = book_->message();
    auto& fonts = book_->fonts();
    for (std::size_t p = 0; p < fonts.size(); ++p) {
        if (fonts[p].get() == f) {
            fontIndex = static_cast<std::uint16_t>(p < 4 ? p : p + 1);
            message = "ok";
            return true;
        }
    }
    message = "specified font not found";
    return false;
}

bool FormatImplT::setRotation(int rotation)
{
    std::string& message = book_->message();
    if ((rotation < 0 || rotation > 180) && rotation != 255) {
        message = "rotation must be in range 0-180 or 255";
        return false;
    }
    setBits(align, 8, 8, rotation);
    message = "ok";
    return true;
}

void FormatImplT::setBorder(int style)
{
    setBorderLeft(style);
    setBorderRight(style);
    setBorderTop(style);
    setBorderBottom(style);
}

void FormatImplT::setBorderColor(int color)
{
    setBorderLeftColor(color);
    setBorderRightColor(color);
    setBorderTopColor(color);
    setBorderBottomColor(color);
}

void FormatImplT::setNumFormat(int numFormat)
{
    guardVoid(book_->message(), [&] {
        bool held = false;
        for (const Format& f : book_->numFormats()) held = held || f.ifmt == numFormat;
        checkNumFormatId(numFormat, held);
        numFmt = static_cast<std::uint16_t>(numFormat);
    });
}

const char16_t* FormatImplT::customNumFormatString()
{
    if (numFmt <= 163) return nullptr;
    return book_->customNumFormat(numFmt);
}

void FormatImplT::read(RecordCursor& in, int biffVersion)
{
    in.setName("XF");
    const std::size_t length = in.length();
    const bool biff5 = biffVersion == 0x0500;
    if (length > (biff5 ? 16u : 20u)) in.fail();
    // Every field either fits whole or the record ends exactly before it.
    auto done = [&] { return in.atEnd(); };
    fontIndex = in.u16();
    if (done()) return;
    numFmt = in.u16();
    if (done()) return;
    protection = in.u16();
    if (done()) return;
    if (!biff5) {
        align = in.u32();
        if (done()) return;
        border1 = in.u32();
        if (done()) return;
        border2 = in.u32();
        if (done()) return;
        pattern = in.u16();
        return;
    }
    const std::uint8_t a = in.u8();
    setHorizontalAlignment(a & 7);
    setWrapText((a & 8) != 0);
    setVerticalAlignment((a >> 4) & 7);
    if (done()) return;
    static const int kRotation[4] = {0, 255, 90, 180};
    setBits(align, 8, 8, kRotation[in.u8() & 3]);
    if (done()) return;
    const std::uint32_t fill = in.u32();
    setPatternForegroundColor(fill & 0x7F);
    setPatternBackgroundColor((fill >> 7) & 0x7F);
    setFillPattern((fill >> 16) & 0x3F);
    setBorderBottom((fill >> 22) & 7);
    setBorderBottomColor((fill >> 25) & 0x7F);
    if (done()) return;
    const std::uint32_t b = in.u32();
    setBorderTop(b & 7);
    setBorderLeft((b >> 3) & 7);
    setBorderRight((b >> 6) & 7);
    setBorderTopColor((b >> 9) & 0x7F);
    setBorderLeftColor((b >> 16) & 0x7F);
    setBorderRightColor((b >> 23) & 0x7F);
}

void FormatImplT::write(BiffOutput& out) const
{
    out.writeRecordHeader(kId, 20);
    out.write16(fontIndex);
    out.write16(numFmt);
    out.write16(protection);
    out.write32(align);
    out.write32(border1);
    out.write32(border2);
    out.write16(pattern);
}

}  // namespace celvo
