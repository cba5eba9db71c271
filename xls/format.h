// One cell format of a .xls book: the 20 data bytes of an XF record kept as
// their fields, every operation a bit-field access. The book owns its
// formats in XF order, so a format's position is its XF index.
#pragma once

#include <cstdint>

#include "celvo/IFormatT.h"
#include "celvo/copy_source.h"
#include "biff_stream.h"

namespace celvo {

class BookImplT;

class FormatImplT final : public IFormatT, public NumFormatTextSource {
public:
    static constexpr std::uint16_t kId = 0x00E0;

    explicit FormatImplT(BookImplT& book) noexcept : book_(&book) {}

    IFontT* font() override;
    bool setFont(IFontT* font) override;
    int numFormat() override { return numFmt; }
    // An id outside 0 to 65535, or of a custom format the book does not
    // hold, is refused with the book's message and the format kept.
    void setNumFormat(int numFormat) override;
    int horizontalAlignment() override { return static_cast<int>(bits(align, 0, 3)); }
    void setHorizontalAlignment(int v) override { setBits(align, 0, 3, v); }
    int verticalAlignment() override { return static_cast<int>(bits(align, 4, 3)); }
    void setVerticalAlignment(int v) override { setBits(align, 4, 3, v); }
    bool wrapText() override { return bits(align, 3, 1) != 0; }
    void setWrapText(bool v) override { setBits(align, 3, 1, v); }
    int rotation() override { return static_cast<int>(bits(align, 8, 8)); }
    bool setRotation(int rotation) override;
    int indent() override { return static_cast<int>(bits(align, 16, 4)); }
    void setIndent(int v) override { setBits(align, 16, 4, v); }
    bool shrinkToFit() override { return bits(align, 20, 1) != 0; }
    void setShrinkToFit(bool v) override { setBits(align, 20, 1, v); }
    void setBorder(int style) override;
    void setBorderColor(int color) override;
    int borderLeft() override { return static_cast<int>(bits(border1, 0, 4)); }
    void setBorderLeft(int v) override { setBits(border1, 0, 4, v); }
    int borderRight() override { return static_cast<int>(bits(border1, 4, 4)); }
    void setBorderRight(int v) override { setBits(border1, 4, 4, v); }
    int borderTop() override { return static_cast<int>(bits(border1, 8, 4)); }
    void setBorderTop(int v) override { setBits(border1, 8, 4, v); }
    int borderBottom() override { return static_cast<int>(bits(border1, 12, 4)); }
    void setBorderBottom(int v) override { setBits(border1, 12, 4, v); }
    int borderLeftColor() override { return static_cast<int>(bits(border1, 16, 7)); }
    void setBorderLeftColor(int v) override { setBits(border1, 16, 7, v); }
    int borderRightColor() override { return static_cast<int>(bits(border1, 23, 7)); }
    void setBorderRightColor(int v) override { setBits(border1, 23, 7, v); }
    int borderTopColor() override { return static_cast<int>(bits(border2, 0, 7)); }
    void setBorderTopColor(int v) override { setBits(border2, 0, 7, v); }
    int borderBottomColor() override { return static_cast<int>(bits(border2, 7, 7)); }
    void setBorderBottomColor(int v) override { setBits(border2, 7, 7, v); }
    int borderDiagonal() override { return static_cast<int>(bits(border1, 30, 2)); }
    void setBorderDiagonal(int v) override { setBits(border1, 30, 2, v); }
    int borderDiagonalStyle() override { return static_cast<int>(bits(border2, 21, 4)); }
    void setBorderDiagonalStyle(int v) override { setBits(border2, 21, 4, v); }
    int borderDiagonalColor() override { return static_cast<int>(bits(border2, 14, 7)); }
    void setBorderDiagonalColor(int v) override { setBits(border2, 14, 7, v); }
    int fillPattern() override { return static_cast<int>(bits(border2, 26, 6)); }
    void setFillPattern(int v) override { setBits(border2, 26, 6, v); }
    int patternForegroundColor() override { return static_cast<int>(bits(pattern, 0, 7)); }
    void setPatternForegroundColor(int v) override { setBits(pattern, 0, 7, v); }
    int patternBackgroundColor() override { return static_cast<int>(bits(pattern, 7, 7)); }
    void setPatternBackgroundColor(int v) override { setBits(pattern, 7, 7, v); }
    bool locked() override { return bits(protection, 0, 1) != 0; }
    void setLocked(bool v) override { setBits(protection, 0, 1, v); }
    bool hidden() override { return bits(protection, 1, 1) != 0; }
    void setHidden(bool v) override { setBits(protection, 1, 1, v); }

    // The text of a custom number format (id above 163), else null.
    const char16_t* customNumFormatString();
    const char16_t* customNumFormatText() override { return customNumFormatString(); }

    // XF record: a shorter record is accepted at any field boundary (the
    // fields not read keep their values); the BIFF5 layout is read when the
    // book's version is 0x0500. Failures: "XF size is incorrect".
    void read(RecordCursor& in, int biffVersion);
    void write(BiffOutput& out) const;

    BookImplT& book() const noexcept { return *book_; }
    void rebind(BookImplT& book) noexcept { book_ = &book; }

    // The XF data, little-endian fields in record order.
    std::uint16_t fontIndex = 0;
    std::uint16_t numFmt = 0;
    std::uint16_t protection = 0xFFF5;   // locked, style XF, parent 0xFFF
    std::uint32_t align = 0xFC000020;    // general, bottom, all attribute flags
    std::uint32_t border1 = (64u << 16) | (64u << 23);
    std::uint32_t border2 = 64u << 7;
    std::uint16_t pattern = 64 | (65 << 7);

private:
    template <class W>
    static std::uint32_t bits(W word, unsigned shift, unsigned width) noexcept
    {
        return (static_cast<std::uint32_t>(word) >> shift) & ((1u << width) - 1u);
    }
    // The value is masked to the field: it never reaches a neighbouring field.
    template <class W>
    static void setBits(W& word, unsigned shift, unsigned width, int value) noexcept
    {
        const std::uint32_t mask = ((1u << width) - 1u) << shift;
        const std::uint32_t v = (static_cast<std::uint32_t>(value) << shift) & mask;
        word = static_cast<W>((static_cast<std::uint32_t>(word) & ~mask) | v);
    }

    BookImplT* book_;
};

}  // namespace celvo
