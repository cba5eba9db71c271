// A cell format of an .xlsx book: a view over one cell-format record (xf) of
// the styles part and over the fill and border records it points to. A fill
// or border record that came from a file may be shared with other formats:
// the first change through this format gives it a copy of its own.
#pragma once

#include "celvo/IFormatT.h"
#include "celvo/copy_source.h"
#include "ooxml/sml-styles.h"

namespace celvo {

class Styles;

class XMLFormatImplT final : public IFormatT, public NumFormatTextSource, public ColorModeSource {
public:
    // Over a record of the list; `own` says whether its fill and border are
    // already its own (a new format's are).
    XMLFormatImplT(Styles& styles, styles::c_CT_Xf& xf, bool own);

    IFontT* font() override;
    bool setFont(IFontT* font) override;
    int numFormat() override;
    void setNumFormat(int numFormat) override;
    int horizontalAlignment() override;
    void setHorizontalAlignment(int align) override;
    int verticalAlignment() override;
    void setVerticalAlignment(int align) override;
    bool wrapText() override;
    void setWrapText(bool wrap) override;
    int rotation() override;
    bool setRotation(int rotation) override;
    int indent() override;
    void setIndent(int indent) override;
    bool shrinkToFit() override;
    void setShrinkToFit(bool shrink) override;
    void setBorder(int style) override;
    void setBorderColor(int color) override;
    int borderLeft() override;
    void setBorderLeft(int style) override;
    int borderRight() override;
    void setBorderRight(int style) override;
    int borderTop() override;
    void setBorderTop(int style) override;
    int borderBottom() override;
    void setBorderBottom(int style) override;
    int borderLeftColor() override;
    void setBorderLeftColor(int color) override;
    int borderRightColor() override;
    void setBorderRightColor(int color) override;
    int borderTopColor() override;
    void setBorderTopColor(int color) override;
    int borderBottomColor() override;
    void setBorderBottomColor(int color) override;
    int borderDiagonal() override;
    void setBorderDiagonal(int border) override;
    int borderDiagonalStyle() override;
    void setBorderDiagonalStyle(int style) override;
    int borderDiagonalColor() override;
    void setBorderDiagonalColor(int color) override;
    int fillPattern() override;
    void setFillPattern(int pattern) override;
    int patternForegroundColor() override;
    void setPatternForegroundColor(int color) override;
    int patternBackgroundColor() override;
    void setPatternBackgroundColor(int color) override;
    bool locked() override;
    void setLocked(bool locked) override;
    bool hidden() override;
    void setHidden(bool hidden) override;

    // The text of the format's custom number format; null for a built-in id.
    const char16_t* customNumFormatText() override;
    bool exchangeRgbMode(bool on) override;
    Styles& owner() noexcept { return styles_; }
    styles::c_CT_Xf& record() noexcept { return xf_; }

private:
    using Side = nimb::ct_complex_optional<styles::c_CT_BorderPr> styles::c_CT_Border::*;
    int sideStyle(Side side);
    void setSideStyle(Side side, int style);
    int sideColor(Side side);
    void setSideColor(Side side, int color);
    styles::c_CT_Border& ownBorder();
    styles::c_CT_Fill& ownFill();
    styles::c_CT_PatternFill* readPattern() const;
    int patternColor(bool foreground);
    void setPatternColor(bool foreground, int color);

    Styles& styles_;
    styles::c_CT_Xf& xf_;
    styles::c_CT_Fill* fill_ = nullptr;
    styles::c_CT_Border* border_ = nullptr;
    bool ownFill_ = false;
    bool ownBorder_ = false;
};

}  // namespace celvo
